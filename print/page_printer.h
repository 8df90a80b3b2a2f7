// The page engine's print job over the platform printer: paper and unprintable margins of the
// selected printer, the print settings mapped to its device mode, and one, two or four pages
// placed on each sheet by the mapping of the printer's canvas.
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/printer.h"
#include "platform/rtl/classes.h"
#include "print/page_units.h"

class TPrintDialog;

// In printer pixels unless said otherwise; the defaults are those of a machine without a printer.
struct TPgPrinterInfo {
  int PhysicalWidth = 2481;
  int PhysicalHeight = 3507;
  int PrintableWidth = 2358;
  int PrintableHeight = 3407;
  TRect Margins{65, 50, 58, 50};
  int PixelsPerInchX = 300;
  int PixelsPerInchY = 300;
  TPgOrientation Orientation = gmPortrait;
  double ScreenRatio = 96.0 / 300;
  int LandscapeRotation = 1;
};

class TPgPrinter : public TComponent {
public:
  explicit TPgPrinter(TComponent* AOwner = nullptr);

  std::string About() const { return GetAboutText(this); }
  // Read before the first use and again after a change of printer, orientation or quality.
  const TPgPrinterInfo& Info();
  bool HasPrinter() const;

  bool Collate();
  void SetCollate(bool value);
  TPgDuplexType Duplex();
  void SetDuplex(TPgDuplexType value);
  int PrintCopies();
  void SetPrintCopies(int value);
  TPgPrintColor PrintColor();
  void SetPrintColor(TPgPrintColor value);
  TPgDitherType DitherType();
  void SetDitherType(TPgDitherType value);
  TPgPrintQuality PrintQuality();
  void SetPrintQuality(TPgPrintQuality value);

  TPrintDialog* PrintDialog = nullptr;
  bool ShowPrintDialog = true;
  bool ReversePrintOrder = false;
  // The title of a job whose document has no name of its own.
  static constexpr const char* kUntitled = "<document>";
  std::string Title = kUntitled;
  TNotifyEvent AfterPrint;
  TNotifyEvent BeforePrint;
  TNotifyEvent OnAbortPrint;
  TNotifyEvent OnChangePrinter;

  TPgOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TPgOrientation value);
  TPgPagesPerSheet PagesPerSheet() const { return FPagesPerSheet; }
  void SetPagesPerSheet(TPgPagesPerSheet value) { FPagesPerSheet = value; }
  bool Printing() const { return FPrinting; }
  bool Aborted() const { return FAborted; }
  void SetAborted(bool value) { FAborted = value; }
  int PageCounter() const { return FPageCounter; }

  // Nothing during a job or without a printer; the dialog may cancel the job.
  void BeginDoc();
  void NewPage();
  void EndDoc();
  void SetPrinterIndex(int index);
  int PrinterIndex() const;
  std::vector<std::string> PrinterList() const;
  TCanvas& PrinterCanvas();
  // The unprintable margins in inches, turned for landscape.
  TPgRectExt GetPrinterMargins(TPgOrientation orientation);
  // The sheet orientation that pages of `pageOrientation` print on with these pages per sheet.
  TPgOrientation SheetOrientation(TPgOrientation pageOrientation) const;
  // The area of the sheet (printer pixels) and the scale (percent) of page `counter`.
  void PageArea(int counter, TRect& area, int& scale);
  static bool IsPrinterCanvas(TCanvas& canvas);

private:
  TDeviceMode& Mode(DWORD field);
  void ModeChanged();
  void ReadInfo();
  void PrepareDrawingArea();

  TPgPrinterInfo FInfo;
  bool FInfoValid = false;
  TPgOrientation FOrientation = gmPortrait;
  TPgOrientation FSheetOrientation = gmPortrait;
  TPgPagesPerSheet FPagesPerSheet = gmOnePage;
  bool FPrinting = false;
  bool FAborted = false;
  int FPageCounter = 0;
};
