// Headless backend: the fixed font list and the recording printer.
#include "platform/headless/headless_printing.h"

#include "platform/gfx/fonts.h"
#include "platform/headless/headless_backend_parts.h"
#include "platform/ui/dialogs.h"

// A page: recorded calls at the page's caps, with the fixed text metrics.
class TRecordingPrinter::TPagePainter : public TPaperPainter<TRecordingPainter> {
public:
  TPagePainter(const TPrinterCaps& caps, const TDeviceMode& mode)
      : TPaperPainter(caps, nullptr, caps.Width, caps.Height, caps.DpiY), Mode(mode) {}
  TDeviceMode Mode;
};

TRecordingPrinter::TRecordingPrinter(std::string name, const TPrinterCaps& caps)
    : FName(std::move(name)), FCaps(caps) {}

TRecordingPrinter::~TRecordingPrinter() = default;

TPrinterCaps TRecordingPrinter::Caps(const TDeviceMode& mode) const {
  TPrinterCaps caps = FCaps;
  if (mode.dmPaperSize != DMPAPER_A4) {
    double w = 0, h = 0;
    PaperSizeMM(mode, w, h);
    caps = PaperCaps(w, h, FCaps.DpiX, FCaps.OffsetX, FCaps.OffsetY, FCaps.PhysicalWidth - FCaps.Width - FCaps.OffsetX,
                     FCaps.PhysicalHeight - FCaps.Height - FCaps.OffsetY);
  }
  return mode.dmOrientation == DMORIENT_LANDSCAPE ? TurnCaps(caps) : caps;
}

std::unique_ptr<TPainter> TRecordingPrinter::MeasurePainter(const TDeviceMode& mode) {
  TPrinterCaps caps = Caps(mode);
  return std::make_unique<TMeasurePainter>(caps, std::make_unique<TRasterPainter>(nullptr, caps.Width, caps.Height, caps.DpiY));
}

TPainter* TRecordingPrinter::PagePainter() { return FPage.get(); }

bool TRecordingPrinter::BeginJob(const TPrintJob& job) {
  FJobs.push_back({job.Title, job.Mode, {}, false, false});
  StartPage(job.Mode);
  return true;
}

void TRecordingPrinter::StartPage(const TDeviceMode& mode) { FPage = std::make_unique<TPagePainter>(Caps(mode), mode); }

void TRecordingPrinter::KeepPage() {
  if (!FPage || FJobs.empty()) return;
  FJobs.back().Pages.push_back({FPage->Caps(), FPage->Mode, FPage->Calls()});
  FPage.reset();
}

void TRecordingPrinter::NewPage(const TDeviceMode& mode) {
  KeepPage();
  StartPage(mode);
}

bool TRecordingPrinter::EndJob() {
  KeepPage();
  if (!FJobs.empty()) FJobs.back().Ended = true;
  return true;
}

void TRecordingPrinter::AbortJob() {
  FPage.reset();
  if (!FJobs.empty()) FJobs.back().Aborted = true;
}

TRecordingPrinter& InstallRecordingPrinter(const std::string& name, const TPrinterCaps& caps) {
  auto printer = std::make_unique<TRecordingPrinter>(name, caps);
  TRecordingPrinter& ref = *printer;
  InstallPrintDevice(std::move(printer));
  return ref;
}

std::vector<TFontFamily> HeadlessFontFamilies() {
  return {
      {"Arial", true, false, ANSI_CHARSET, {}},
      {"Times New Roman", true, false, ANSI_CHARSET, {}},
      {"Courier New", true, true, ANSI_CHARSET, {}},
      {"Symbol", true, false, SYMBOL_CHARSET, {}},
      {"Raster Sans", false, false, ANSI_CHARSET, {8, 10, 12}},
  };
}

void InstallHeadlessPrinting() {
  SetFontFamilySource(HeadlessFontFamilies);
  SetPrintFileChooser(AskPrintFile);
}
