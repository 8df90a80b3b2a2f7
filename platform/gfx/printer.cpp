#include "platform/gfx/printer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/rtl/exceptions.h"

// ---- Paper sizes ----------------------------------------------------------------------------

const std::vector<TPaperSize>& PaperSizes() {
  static const std::vector<TPaperSize> sizes = {
      {DMPAPER_A3, "A3", false, 297, 420},          {DMPAPER_A4, "A4", false, 210, 297},
      {DMPAPER_A5, "A5", false, 148.5, 210},        {DMPAPER_A6, "A6", false, 105, 148},
      {DMPAPER_B5, "B5", true, 6.92, 9.84},         {DMPAPER_ENV_C5, "C5", true, 6.38, 9.02},
      {DMPAPER_LEGAL, "Legal", true, 8.5, 14},      {DMPAPER_LETTER, "Letter", true, 8.5, 11},
      {DMPAPER_B4, "B4", false, 250, 354},          {DMPAPER_ENV_9, "Envelope_09", true, 3.78, 8.78},
      {DMPAPER_ENV_10, "Envelope_10", true, 4.18, 9.12}, {DMPAPER_ENV_11, "Envelope_11", true, 4.12, 10.38},
      {DMPAPER_ENV_12, "Envelope_12", true, 12.44, 11},  {DMPAPER_ENV_14, "Envelope_14", true, 14.5, 11.12},
      {DMPAPER_TABLOID, "Tabloid", true, 11, 17},   {DMPAPER_LEDGER, "Ledger", true, 17, 11},
      {DMPAPER_EXECUTIVE, "Executive", true, 7.14, 10.12},
  };
  return sizes;
}

void PaperSizeMM(const TDeviceMode& mode, double& width, double& height) {
  if (mode.dmPaperSize == DMPAPER_USER && mode.dmPaperWidth > 0 && mode.dmPaperLength > 0) {
    width = mode.dmPaperWidth / 10.0;
    height = mode.dmPaperLength / 10.0;
    return;
  }
  for (const auto& p : PaperSizes()) {
    if (p.Code != mode.dmPaperSize) continue;
    width = p.WidthMM();
    height = p.HeightMM();
    return;
  }
  width = 210;
  height = 297;
}

// ---- Devices --------------------------------------------------------------------------------

namespace {

struct TDevices {
  std::vector<std::unique_ptr<TPrintDevice>> List;
  int Default = 0;
  std::function<void()> Source;  // installs the devices when they are first needed
};

TDevices& Store() {
  static TDevices devices;
  return devices;
}

TDevices& Devices() {
  TDevices& d = Store();
  if (d.Source) std::exchange(d.Source, nullptr)();
  return d;
}

}  // namespace

void InstallPrintDevice(std::unique_ptr<TPrintDevice> device) {
  if (device) Devices().List.push_back(std::move(device));
}

void RemovePrintDevices() {
  if (Printer().Printing()) Printer().Abort();
  Store().List.clear();
  Store().Default = 0;
  Store().Source = nullptr;
  Printer().SetPrinterIndex(-1);
}

void SetPrintDeviceSource(std::function<void()> Source) { Store().Source = std::move(Source); }

void SetDefaultPrintDevice(int index) {
  if (index >= 0 && index < static_cast<int>(Devices().List.size())) Devices().Default = index;
}

TPrinterCaps TurnCaps(const TPrinterCaps& p) {
  TPrinterCaps l = p;
  std::swap(l.DpiX, l.DpiY);
  l.PhysicalWidth = p.PhysicalHeight;
  l.PhysicalHeight = p.PhysicalWidth;
  l.Width = p.Height;
  l.Height = p.Width;
  // The sheet turns a quarter counter-clockwise: the top margin becomes the left one and the
  // right margin the top one.
  l.OffsetX = p.OffsetY;
  l.OffsetY = p.PhysicalWidth - p.Width - p.OffsetX;
  return l;
}

TPrinterCaps PaperCaps(double widthMM, double heightMM, int dpi, int left, int top, int right, int bottom) {
  TPrinterCaps c;
  c.DpiX = c.DpiY = dpi;
  c.PhysicalWidth = static_cast<int>(std::lround(widthMM / 25.4 * dpi));
  c.PhysicalHeight = static_cast<int>(std::lround(heightMM / 25.4 * dpi));
  c.OffsetX = left;
  c.OffsetY = top;
  c.Width = std::max(1, c.PhysicalWidth - left - right);
  c.Height = std::max(1, c.PhysicalHeight - top - bottom);
  return c;
}

namespace {
TPrintFileChooser& Chooser() {
  static TPrintFileChooser chooser;
  return chooser;
}
}  // namespace

void SetPrintFileChooser(TPrintFileChooser chooser) { Chooser() = std::move(chooser); }

bool ChoosePrintFile(const std::string& title, std::string& fileName) {
  return Chooser() && Chooser()(title, fileName) && !fileName.empty();
}

int DeviceCapabilities(const std::string&, int capability) { return capability == DC_ORIENTATION ? 90 : 0; }

// ---- TPrinter -------------------------------------------------------------------------------

void TPrinterCanvas::CreateHandle() { FPrinter.CanvasPainter(); }

TPrinter::TPrinter() : FCanvas(*this) {}

TPrinter::~TPrinter() {
  FCanvas.ReleasePainter();
}

TPrinter& Printer() {
  static TPrinter printer;
  return printer;
}

std::vector<std::string> TPrinter::Printers() const {
  std::vector<std::string> names;
  for (const auto& d : Devices().List) names.push_back(d->Name());
  return names;
}

int TPrinter::PrinterIndex() const {
  if (Devices().List.empty()) return -1;
  return FIndex >= 0 ? FIndex : Devices().Default;
}

TPrintDevice* TPrinter::Device() const {
  int i = PrinterIndex();
  return i >= 0 && i < static_cast<int>(Devices().List.size()) ? Devices().List[i].get() : nullptr;
}

void TPrinter::SetPrinterIndex(int index) {
  if (FPrinting) throw EPrinter("Printing in progress");
  int count = static_cast<int>(Devices().List.size());
  if (index < -1 || index >= count) throw EPrinter("Printer selected is not valid");
  FIndex = index;
  TPrintDevice* d = Device();
  FMode = d ? d->DefaultMode() : TDeviceMode{};
  FModeFromDevice = d != nullptr;
  FCanvas.ReleasePainter();
}

TPrinterOrientation TPrinter::Orientation() const {
  return FMode.dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation value) {
  FMode.dmOrientation = value == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  FMode.dmFields |= DM_ORIENTATION;
  if (!FPrinting) {
      FCanvas.ReleasePainter();
  }
}

void TPrinter::SetCopies(int value) {
  FMode.dmCopies = static_cast<short>(std::clamp(value, 1, 9999));
  FMode.dmFields |= DM_COPIES;
}

TPrinterCaps TPrinter::Caps() const {
  TPrintDevice* d = Device();
  return d ? d->Caps(FMode) : TPrinterCaps{};
}

int TPrinter::PageWidth() const {
  if (FPrinting && Device()) return Device()->PagePainter()->DeviceWidth();
  return Caps().Width;
}

int TPrinter::PageHeight() const {
  if (FPrinting && Device()) return Device()->PagePainter()->DeviceHeight();
  return Caps().Height;
}

// Outside a job the canvas measures at the printer's resolution and draws nothing.
void TPrinter::CanvasPainter() {
  TPrintDevice* d = Device();
  if (!d) throw EPrinter("There is no default printer currently selected");
  if (FPrinting) {
    FCanvas.SetPainter(d->PagePainter());
  } else {
    if (!FModeFromDevice) {
      FMode = d->DefaultMode();
      FModeFromDevice = true;
    }
    FCanvas.SetOwnedPainter(d->MeasurePainter(FMode));
  }
  FCanvas.Font().SetPixelsPerInch(FCanvas.Painter()->DpiY());
}

void TPrinter::BeginDoc() {
  if (FPrinting) throw EPrinter("Printing in progress");
  TPrintDevice* d = Device();
  if (!d) return;
  if (!FModeFromDevice) {
    TDeviceMode defaults = d->DefaultMode();
    defaults.dmOrientation = FMode.dmOrientation;
    defaults.dmCopies = FMode.dmCopies;
    FMode = defaults;
    FModeFromDevice = true;
  }
  FAborted = false;
  FCanvas.ReleasePainter();
  const bool started = d->BeginJob({FTitle, FOutputFile, FMode});
  if (FOutputFileOnce) SetOutputFile("");
  if (!started) return;
  FPrinting = true;
  FPageNumber = 1;
  CanvasPainter();
}

void TPrinter::NewPage() {
  if (!FPrinting) throw EPrinter("Printer is not currently printing");
  FCanvas.ReleasePainter();
  Device()->NewPage(FMode);
  ++FPageNumber;
  CanvasPainter();
}

void TPrinter::EndDoc() {
  if (!FPrinting) throw EPrinter("Printer is not currently printing");
  FCanvas.ReleasePainter();
  FPrinting = false;
  FPageNumber = 0;
  TPrintDevice* d = Device();
  if (!d->EndJob()) throw EPrinter(d->JobError());
}

void TPrinter::Abort() {
  if (!FPrinting) throw EPrinter("Printer is not currently printing");
  FCanvas.ReleasePainter();
  FPrinting = false;
  FAborted = true;
  FPageNumber = 0;
  Device()->AbortJob();
}

TRect PrintMarginRect(TPrinter& printer, double inches) {
  const TPrinterCaps caps = printer.Caps();
  const int mx = static_cast<int>(std::lround(caps.DpiX * inches));
  const int my = static_cast<int>(std::lround(caps.DpiY * inches));
  // The paper beyond the printable area counts towards the margin.
  const int right = std::max(0, caps.PhysicalWidth - caps.OffsetX - caps.Width);
  const int bottom = std::max(0, caps.PhysicalHeight - caps.OffsetY - caps.Height);
  TRect r{std::max(0, mx - caps.OffsetX), std::max(0, my - caps.OffsetY),
          printer.PageWidth() - std::max(0, mx - right), printer.PageHeight() - std::max(0, my - bottom)};
  if (r.Right <= r.Left) r.Right = r.Left + 1;
  if (r.Bottom <= r.Top) r.Bottom = r.Top + 1;
  return r;
}

bool PrintTextLines(TPrinter& printer, const std::string& title, const std::vector<std::string>& lines) {
  printer.SetTitle(title);
  printer.BeginDoc();
  if (!printer.Printing()) return false;
  try {
    TCanvas& c = printer.Canvas();
    c.Font().SetName("Courier New");
    c.Font().SetSize(10);
    const int lineHeight = std::max(1, c.TextHeight("gh"));
    const TRect area = PrintMarginRect(printer, 0.5);
    int y = area.Top;
    for (const std::string& line : lines) {
      if (y > area.Top && y + lineHeight > area.Bottom) {
        printer.NewPage();
        y = area.Top;
      }
      c.TextOut(area.Left, y, line);
      y += lineHeight;
    }
  } catch (...) {
    printer.Abort();
    throw;
  }
  printer.EndDoc();
  return true;
}
