// The printer: the installed print devices a backend supplies, the global `Printer()` that runs
// jobs on the selected one, its device mode and the paper-size table.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/graphics.h"

// ---- Device mode ----------------------------------------------------------------------------
enum : DWORD {
  DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8,
  DM_COPIES = 0x100, DM_PRINTQUALITY = 0x400, DM_COLOR = 0x800, DM_DUPLEX = 0x1000,
  DM_COLLATE = 0x8000, DM_DITHERTYPE = 0x4000000
};
enum { DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2 };
enum { DMDUP_SIMPLEX = 1, DMDUP_VERTICAL = 2, DMDUP_HORIZONTAL = 3 };
enum { DMCOLOR_MONOCHROME = 1, DMCOLOR_COLOR = 2 };
enum { DMCOLLATE_FALSE = 0, DMCOLLATE_TRUE = 1 };
enum { DMRES_DRAFT = -1, DMRES_LOW = -2, DMRES_MEDIUM = -3, DMRES_HIGH = -4 };
enum { DMDITHER_NONE = 1, DMDITHER_COARSE = 2, DMDITHER_FINE = 3, DMDITHER_LINEART = 4, DMDITHER_GRAYSCALE = 10 };

// The paper sizes of the table (their DMPAPER_ numbers); DMPAPER_USER takes the paper width
// and length of the device mode (tenths of a millimetre).
enum {
  DMPAPER_LETTER = 1, DMPAPER_TABLOID = 3, DMPAPER_LEDGER = 4, DMPAPER_LEGAL = 5, DMPAPER_EXECUTIVE = 7,
  DMPAPER_A3 = 8, DMPAPER_A4 = 9, DMPAPER_A5 = 11, DMPAPER_B4 = 12, DMPAPER_B5 = 13, DMPAPER_ENV_9 = 19,
  DMPAPER_ENV_10 = 20, DMPAPER_ENV_11 = 21, DMPAPER_ENV_12 = 22, DMPAPER_ENV_14 = 23, DMPAPER_ENV_C5 = 28,
  DMPAPER_A6 = 70, DMPAPER_USER = 256
};

struct TDeviceMode {
  DWORD dmFields = 0;
  short dmOrientation = DMORIENT_PORTRAIT;
  short dmPaperSize = DMPAPER_A4;
  short dmPaperLength = 0;  // tenths of a millimetre, for DMPAPER_USER
  short dmPaperWidth = 0;
  short dmCopies = 1;
  short dmPrintQuality = DMRES_MEDIUM;  // stored only: the resolution stays the printer's
  short dmColor = DMCOLOR_COLOR;
  short dmDuplex = DMDUP_SIMPLEX;
  short dmCollate = DMCOLLATE_FALSE;
  DWORD dmDitherType = DMDITHER_NONE;  // stored only
};

struct TPaperSize {
  int Code;            // DMPAPER_
  std::string Name;
  bool Inches;         // the unit of the table's numbers: inches, else millimetres
  double Width;
  double Height;
  double WidthMM() const { return Inches ? Width * 25.4 : Width; }
  double HeightMM() const { return Inches ? Height * 25.4 : Height; }
};
// The 17 sizes of the table, in the page engine's order (Custom has no row).
const std::vector<TPaperSize>& PaperSizes();
// The paper of a device mode, portrait, in millimetres; A4 for an unknown code.
void PaperSizeMM(const TDeviceMode& mode, double& width, double& height);

// ---- Print devices (supplied by a backend) --------------------------------------------------

// Device caps of one page, in device pixels.
struct TPrinterCaps {
  int DpiX = 300;
  int DpiY = 300;
  int PhysicalWidth = 2481;
  int PhysicalHeight = 3507;
  int OffsetX = 65;
  int OffsetY = 50;
  int Width = 2358;   // HORZRES
  int Height = 3407;  // VERTRES
};

struct TPrintJob {
  std::string Title;
  std::string OutputFile;  // where a device that writes files writes; empty = ask
  TDeviceMode Mode;
};

// Asks the person for the file a job writes (the save dialog); false = cancelled. Without a
// chooser, a file-writing job with no output file does not start.
// The printer that writes each job into a PDF file.
inline constexpr const char* kFilePrinterName = "PDF";

using TPrintFileChooser = std::function<bool(const std::string& title, std::string& fileName)>;
void SetPrintFileChooser(TPrintFileChooser chooser);
bool ChoosePrintFile(const std::string& title, std::string& fileName);

class TPrintDevice {
public:
  virtual ~TPrintDevice() = default;
  virtual std::string Name() const = 0;
  virtual TDeviceMode DefaultMode() const { return {}; }
  virtual TPrinterCaps Caps(const TDeviceMode& mode) const = 0;
  // Measures text at the device's resolution outside a job (draws nothing).
  virtual std::unique_ptr<TPainter> MeasurePainter(const TDeviceMode& mode) = 0;
  // Starts a job on page 1; false when it did not start (cancelled, no output).
  virtual bool BeginJob(const TPrintJob& job) = 0;
  // The current page's painter, valid until the next NewPage, EndJob or AbortJob.
  virtual TPainter* PagePainter() = 0;
  // Ends the page and starts the next one with `mode` (orientation and paper may change).
  virtual void NewPage(const TDeviceMode& mode) = 0;
  // Ends the job; false when its output was not all delivered (a write or the close of its file
  // failed): JobError() then says what failed, and no partial output is left as if complete.
  virtual bool EndJob() = 0;
  virtual void AbortJob() = 0;
  // The text of the last job's failure, for the person who printed it.
  virtual std::string JobError() const { return "The print job on " + Name() + " failed."; }
};

// The installed devices. The default device is index 0 unless set.
void InstallPrintDevice(std::unique_ptr<TPrintDevice> device);
void RemovePrintDevices();
void SetDefaultPrintDevice(int index);
// Source installs the devices (and sets the default) when they are first asked for, so that
// asking the system for its printers waits until something prints or lists them.
void SetPrintDeviceSource(std::function<void()> Source);

// Caps that a driver derives from a portrait page: the same sheet turned for landscape.
TPrinterCaps TurnCaps(const TPrinterCaps& portrait);
// The caps of a sheet of paper in millimetres at `dpi`, with these unprintable margins (pixels).
TPrinterCaps PaperCaps(double widthMM, double heightMM, int dpi, int left, int top, int right, int bottom);

// A painter of a sheet of paper: its device measures are the printer caps it was made with.
template <class Base>
class TPaperPainter : public Base {
public:
  template <class... TArgs>
  explicit TPaperPainter(const TPrinterCaps& caps, TArgs&&... args) : Base(std::forward<TArgs>(args)...), FCaps(caps) {}
  int DeviceWidth() const override { return FCaps.Width; }
  int DeviceHeight() const override { return FCaps.Height; }
  int DpiX() const override { return FCaps.DpiX; }
  int DpiY() const override { return FCaps.DpiY; }
  int PhysicalWidth() const override { return FCaps.PhysicalWidth; }
  int PhysicalHeight() const override { return FCaps.PhysicalHeight; }
  int PhysicalOffsetX() const override { return FCaps.OffsetX; }
  int PhysicalOffsetY() const override { return FCaps.OffsetY; }
  const TPrinterCaps& Caps() const { return FCaps; }

protected:
  TPrinterCaps FCaps;
};

// Draws nothing, reports the caps, and measures through `metrics`.
class TMeasurePainter : public TPaperPainter<TPainter> {
public:
  TMeasurePainter(const TPrinterCaps& caps, std::unique_ptr<TPainter> metrics)
      : TPaperPainter(caps), FMetrics(std::move(metrics)) {}
  void SetClip(const std::vector<TRect>&, bool) override {}
  void Polyline(const std::vector<TPoint>&, const TPaintPen&) override {}
  void Polygon(const std::vector<TPoint>&, const TPaintPen&, const TPaintBrush&, TFillMode) override {}
  void Rectangle(const TRect&, const TPaintPen&, const TPaintBrush&) override {}
  void RoundRect(const TRect&, int, int, const TPaintPen&, const TPaintBrush&) override {}
  void Ellipse(const TRect&, const TPaintPen&, const TPaintBrush&) override {}
  void FillRect(const TRect&, const TPaintBrush&) override {}
  void FocusRect(const TRect&) override {}
  void Path(const TPath&, const TPaintPen&, const TPaintBrush&, TFillMode) override {}
  void TextPath(int x, int y, const std::string& text, const TPaintFont& font, TPath& path) override {
    FMetrics->TextPath(x, y, text, font, path);
  }
  void TextRun(int, int, const std::string&, const TPaintFont&, COLORREF, bool, COLORREF) override {}
  void Blit(const TRect&, const TBitmap&, const TRect&, DWORD) override {}
  COLORREF GetPixel(int, int) override { return 0xFFFFFFFF; }
  void SetPixel(int, int, COLORREF) override {}
  TTextMetric Metrics(const TPaintFont& font) override { return FMetrics->Metrics(font); }
  int TextWidth(const TPaintFont& font, const std::string& text) override { return FMetrics->TextWidth(font, text); }

private:
  std::unique_ptr<TPainter> FMetrics;
};

// ---- TPrinter -------------------------------------------------------------------------------
enum TPrinterOrientation { poPortrait, poLandscape };

class TPrinter;

class TPrinterCanvas : public TCanvas {
public:
  explicit TPrinterCanvas(TPrinter& printer) : FPrinter(printer) {}
  std::string ClassName() const override { return "TPrinterCanvas"; }

protected:
  void CreateHandle() override;

private:
  TPrinter& FPrinter;
};

class TPrinter {
public:
  TPrinter();
  ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  std::vector<std::string> Printers() const;
  // -1 selects the default printer; the device mode starts again from the printer's.
  int PrinterIndex() const;
  void SetPrinterIndex(int index);

  TPrinterOrientation Orientation() const;
  void SetOrientation(TPrinterOrientation value);
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  int Copies() const { return FMode.dmCopies; }
  void SetCopies(int value);
  // The file of the next job on a printer that writes files (the "PDF" printer); empty asks.
  // With `nextJobOnly` the file serves the next job alone (the print dialog's choice).
  const std::string& OutputFile() const { return FOutputFile; }
  void SetOutputFile(const std::string& value, bool nextJobOnly = false) {
    FOutputFile = value;
    FOutputFileOnce = nextJobOnly;
  }
  bool OutputFileForNextJobOnly() const { return FOutputFileOnce; }

  // The device mode of the selected printer. A change during a job applies from the next page.
  TDeviceMode& DevMode() { return FMode; }
  void SetDevMode(const TDeviceMode& mode) { FMode = mode; }

  // Without a printer installed BeginDoc does nothing; during a job it raises EPrinter.
  void BeginDoc();
  void NewPage();
  // Raises EPrinter with the device's text when the job's output could not all be delivered.
  void EndDoc();
  void Abort();
  bool Printing() const { return FPrinting; }
  bool Aborted() const { return FAborted; }
  int PageNumber() const { return FPageNumber; }

  TCanvas& Canvas() { return FCanvas; }
  HDC Handle() { return FCanvas.Handle(); }
  // Printable size in pixels (HORZRES, VERTRES) of the current page, or of the next job's.
  int PageWidth() const;
  int PageHeight() const;
  TPrinterCaps Caps() const;

private:
  friend class TPrinterCanvas;
  TPrintDevice* Device() const;
  void CanvasPainter();

  int FIndex = -1;
  TDeviceMode FMode;
  bool FModeFromDevice = false;
  std::string FTitle;
  std::string FOutputFile;
  bool FOutputFileOnce = false;
  bool FPrinting = false;
  bool FAborted = false;
  int FPageNumber = 0;
  TPrinterCanvas FCanvas;
};

TPrinter& Printer();

// The part of the current page (device pixels, the printable area's origin) that leaves
// Inches of paper on every side, whatever the device's own unprintable edges.
TRect PrintMarginRect(TPrinter& Printer, double Inches);

// A print job of plain text on the printer: each line one printed line in a fixed-pitch face
// (10 points), top to bottom inside half an inch of paper on every side, a new page when the
// next line would not fit. False when no job
// started (no printer, or the file was not chosen); a failure inside the job aborts it.
bool PrintTextLines(TPrinter& Printer, const std::string& Title, const std::vector<std::string>& Lines);

// DeviceCapabilities, cut down: DC_ORIENTATION is 90.
enum { DC_ORIENTATION = 17 };
int DeviceCapabilities(const std::string& device, int capability);
