// The headless printer a test installs: it keeps each page as a list of recorded calls, with the
// caps and device mode the page was printed with.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/fonts.h"
#include "platform/gfx/printer.h"
#include "platform/headless/recording_painter.h"

struct TRecordedPage {
  TPrinterCaps Caps;
  TDeviceMode Mode;
  std::vector<TPaintCall> Calls;
};

struct TRecordedJob {
  std::string Title;
  TDeviceMode Mode;  // as the job started
  std::vector<TRecordedPage> Pages;
  bool Ended = false;
  bool Aborted = false;
};

class TRecordingPrinter : public TPrintDevice {
public:
  // `caps` are the portrait caps of its default paper; other paper sizes keep its margins.
  TRecordingPrinter(std::string name, const TPrinterCaps& caps);
  ~TRecordingPrinter() override;

  std::string Name() const override { return FName; }
  TPrinterCaps Caps(const TDeviceMode& mode) const override;
  std::unique_ptr<TPainter> MeasurePainter(const TDeviceMode& mode) override;
  bool BeginJob(const TPrintJob& job) override;
  TPainter* PagePainter() override;
  void NewPage(const TDeviceMode& mode) override;
  bool EndJob() override;
  void AbortJob() override;

  const std::vector<TRecordedJob>& Jobs() const { return FJobs; }

private:
  class TPagePainter;
  void StartPage(const TDeviceMode& mode);
  void KeepPage();

  std::string FName;
  TPrinterCaps FCaps;
  std::vector<TRecordedJob> FJobs;
  std::unique_ptr<TPagePainter> FPage;
};

// Installs a recording printer (A4 at 300 dpi unless other caps are given) and returns it;
// it stays installed until RemovePrintDevices.
TRecordingPrinter& InstallRecordingPrinter(const std::string& name = "Recording Printer",
                                           const TPrinterCaps& caps = TPrinterCaps{});

// The fixed font list of the headless backend.
std::vector<TFontFamily> HeadlessFontFamilies();
