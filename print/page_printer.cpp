#include "print/page_printer.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/sysutils.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/screen.h"

TPgPrinter::TPgPrinter(TComponent* AOwner) : TComponent(AOwner) {}

bool TPgPrinter::HasPrinter() const { return !Printer().Printers().empty(); }

void TPgPrinter::ReadInfo() {
  FInfoValid = true;
  FInfo = TPgPrinterInfo{};
  int screenPpi = Screen().PixelsPerInch();
  if (!HasPrinter()) {
    FInfo.ScreenRatio = screenPpi / 300.0;
    return;
  }
  TPrinter& p = Printer();
  TPrinterOrientation saved = p.Orientation();
  if (!p.Printing()) p.SetOrientation(poPortrait);
  TPrinterCaps c = p.Caps();
  if (!p.Printing()) p.SetOrientation(saved);
  FInfo.PhysicalWidth = c.PhysicalWidth;
  FInfo.PhysicalHeight = c.PhysicalHeight;
  FInfo.PrintableWidth = c.Width;
  FInfo.PrintableHeight = c.Height;
  FInfo.Margins = {c.OffsetX, c.OffsetY, c.PhysicalWidth - (c.Width + c.OffsetX),
                   c.PhysicalHeight - (c.Height + c.OffsetY)};
  FInfo.PixelsPerInchX = std::max(c.DpiX, 1);
  FInfo.PixelsPerInchY = std::max(c.DpiY, 1);
  FInfo.Orientation = saved == poLandscape ? gmLandscape : gmPortrait;
  FInfo.ScreenRatio = static_cast<double>(screenPpi) / FInfo.PixelsPerInchX;
  int rotation = DeviceCapabilities(p.Printers()[static_cast<std::size_t>(std::max(p.PrinterIndex(), 0))], DC_ORIENTATION);
  FInfo.LandscapeRotation = rotation == 90 ? 1 : rotation == 270 ? 2 : 0;
}

const TPgPrinterInfo& TPgPrinter::Info() {
  if (!FInfoValid) ReadInfo();
  return FInfo;
}

TDeviceMode& TPgPrinter::Mode(DWORD field) {
  TDeviceMode& m = Printer().DevMode();
  m.dmFields |= field;
  return m;
}

void TPgPrinter::ModeChanged() { FInfoValid = false; }

bool TPgPrinter::Collate() { return Mode(DM_COLLATE).dmCollate != 0; }
void TPgPrinter::SetCollate(bool v) { Mode(DM_COLLATE).dmCollate = v ? 1 : 0; }

TPgDuplexType TPgPrinter::Duplex() {
  switch (Mode(0).dmDuplex) {
    case DMDUP_HORIZONTAL: return gmHorzDuplex;
    case DMDUP_VERTICAL: return gmVertDuplex;
    default: return gmSimplex;
  }
}
void TPgPrinter::SetDuplex(TPgDuplexType v) {
  Mode(0).dmDuplex = v == gmHorzDuplex ? DMDUP_HORIZONTAL : v == gmVertDuplex ? DMDUP_VERTICAL : DMDUP_SIMPLEX;
}

int TPgPrinter::PrintCopies() { return HasPrinter() ? Mode(DM_COPIES).dmCopies : 1; }
void TPgPrinter::SetPrintCopies(int v) { Mode(DM_COPIES).dmCopies = static_cast<short>(std::clamp(v, 1, 9999)); }

TPgPrintColor TPgPrinter::PrintColor() { return Mode(DM_COLOR).dmColor == DMCOLOR_MONOCHROME ? gmMonochrome : gmColor; }
void TPgPrinter::SetPrintColor(TPgPrintColor v) { Mode(DM_COLOR).dmColor = v == gmMonochrome ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR; }

TPgDitherType TPgPrinter::DitherType() {
  switch (Mode(DM_DITHERTYPE).dmDitherType) {
    case DMDITHER_COARSE: return gmCourse;
    case DMDITHER_FINE: return gmFine;
    case DMDITHER_LINEART: return gmLineArt;
    case DMDITHER_GRAYSCALE: return gmGrayScale;
    default: return gmNone;
  }
}
void TPgPrinter::SetDitherType(TPgDitherType v) {
  static const DWORD values[] = {DMDITHER_NONE, DMDITHER_COARSE, DMDITHER_FINE, DMDITHER_LINEART, DMDITHER_GRAYSCALE};
  Mode(DM_DITHERTYPE).dmDitherType = values[v];
}

TPgPrintQuality TPgPrinter::PrintQuality() {
  if (!HasPrinter()) return gmMedium;
  switch (Mode(DM_PRINTQUALITY).dmPrintQuality) {
    case DMRES_DRAFT: return gmDraft;
    case DMRES_LOW: return gmLow;
    case DMRES_HIGH: return gmHigh;
    default: return gmMedium;
  }
}
void TPgPrinter::SetPrintQuality(TPgPrintQuality v) {
  Mode(DM_PRINTQUALITY).dmPrintQuality = static_cast<short>(-1 - static_cast<int>(v));
  ModeChanged();
}

void TPgPrinter::SetOrientation(TPgOrientation value) {
  FOrientation = value;
  if (HasPrinter() && !Printer().Printing()) Printer().SetOrientation(value == gmLandscape ? poLandscape : poPortrait);
  ModeChanged();
  Info();
  FInfo.Orientation = value;
}

void TPgPrinter::SetPrinterIndex(int index) {
  if (FPrinting) return;
  if (HasPrinter()) Printer().SetPrinterIndex(index);
  ModeChanged();
  Info();
  if (OnChangePrinter) OnChangePrinter(this);
}

int TPgPrinter::PrinterIndex() const { return Printer().PrinterIndex(); }
std::vector<std::string> TPgPrinter::PrinterList() const { return Printer().Printers(); }
TCanvas& TPgPrinter::PrinterCanvas() { return Printer().Canvas(); }

bool TPgPrinter::IsPrinterCanvas(TCanvas& canvas) { return LowerCase(canvas.ClassName()) == "tprintercanvas"; }

TPgRectExt TPgPrinter::GetPrinterMargins(TPgOrientation orientation) {
  const TPgPrinterInfo& i = Info();
  double l = i.Margins.Left / double(i.PixelsPerInchX), r = i.Margins.Right / double(i.PixelsPerInchX);
  double t = i.Margins.Top / double(i.PixelsPerInchY), b = i.Margins.Bottom / double(i.PixelsPerInchY);
  if (orientation == gmLandscape) return {t, r, b, l};
  return {l, t, r, b};
}

TPgOrientation TPgPrinter::SheetOrientation(TPgOrientation pageOrientation) const {
  if (FPagesPerSheet != gmTwoPage) return pageOrientation;
  return pageOrientation == gmPortrait ? gmLandscape : gmPortrait;
}

void TPgPrinter::BeginDoc() {
  if (FPrinting || !HasPrinter()) return;
  FPrinting = true;
  FAborted = false;
  if (PrintDialog && ShowPrintDialog && !PrintDialog->Execute()) {
    FPrinting = false;
    return;
  }
  TPrinter& p = Printer();
  // Selecting the printer again starts from its own device mode; keep the settings made here.
  TDeviceMode mode = p.DevMode();
  p.SetPrinterIndex(p.PrinterIndex());
  p.SetDevMode(mode);
  ModeChanged();
  Info();
  if (OnChangePrinter) OnChangePrinter(this);
  if (BeforePrint) BeforePrint(this);
  FSheetOrientation = SheetOrientation(FOrientation);
  p.SetOrientation(FSheetOrientation == gmLandscape ? poLandscape : poPortrait);
  p.SetTitle(Title);
  p.BeginDoc();
  if (!p.Printing()) {
    FPrinting = false;
    return;
  }
  FPageCounter = 1;
  PrepareDrawingArea();
}

void TPgPrinter::NewPage() {
  if (!FPrinting) return;
  ++FPageCounter;
  int perSheet = FPagesPerSheet == gmOnePage ? 1 : FPagesPerSheet == gmTwoPage ? 2 : 4;
  if ((FPageCounter - 1) % perSheet == 0) {
    Printer().SetOrientation(FSheetOrientation == gmLandscape ? poLandscape : poPortrait);
    Printer().NewPage();
  }
  PrepareDrawingArea();
}

void TPgPrinter::EndDoc() {
  if (!FPrinting) return;
  FPrinting = false;
  Printer().EndDoc();
  if (AfterPrint) AfterPrint(this);
}

void TPgPrinter::PageArea(int counter, TRect& area, int& scale) {
  const TPgPrinterInfo& i = Info();
  int w = i.PhysicalWidth, h = i.PhysicalHeight;
  TPgOrientation sheet = FPrinting ? FSheetOrientation : SheetOrientation(FOrientation);
  if (sheet == gmLandscape) std::swap(w, h);
  area = Rect(0, 0, w, h);
  scale = 100;
  if (FPagesPerSheet == gmTwoPage) {
    scale = static_cast<int>(100.0 * std::min(w, h) / std::max(w, h));
    bool first = counter % 2 == 1;
    if (sheet == gmLandscape) area = first ? Rect(0, 0, w / 2, h) : Rect(w / 2, 0, w, h);
    else area = first ? Rect(0, 0, w, h / 2) : Rect(0, h / 2, w, h);
  } else if (FPagesPerSheet == gmFourPage) {
    scale = 50;
    switch (counter % 4) {
      case 1: area = Rect(0, 0, w / 2, h / 2); break;
      case 2: area = Rect(w / 2, 0, w, h / 2); break;
      case 3: area = Rect(0, h / 2, w / 2, h); break;
      default: area = Rect(w / 2, h / 2, w, h); break;
    }
  }
}

void TPgPrinter::PrepareDrawingArea() {
  TRect area;
  int scale;
  PageArea(FPageCounter, area, scale);
  TPrinterCaps caps = Printer().Caps();
  HDC dc = Printer().Handle();
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, area.Width(), area.Height(), nullptr);
  SetViewportExtEx(dc, area.Width() * scale / 100, area.Height() * scale / 100, nullptr);
  SetViewportOrgEx(dc, area.Left - caps.OffsetX, area.Top - caps.OffsetY, nullptr);
}
