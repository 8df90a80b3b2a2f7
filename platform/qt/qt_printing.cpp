// Qt backend: the system's printers over QPrinter, the "PDF" printer over QPdfWriter, and the
// font families from QFontDatabase.
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

#include "platform/gfx/fonts.h"
#include "platform/gfx/printer.h"
#include "platform/qt/qt_backend_parts.h"
#include "platform/qt/qt_painter.h"
#include "platform/ui/dialogs.h"

namespace {

// Every job gets a page size of its own in millimetres, never matched to a named size.
QPageLayout Layout(const TDeviceMode& mode) {
  double w = 0, h = 0;
  PaperSizeMM(mode, w, h);
  QPageSize size(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
  return QPageLayout(size, mode.dmOrientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

// Text measured at `dpi` on a one-pixel image of that resolution.
class TResolutionMetrics : public TQtPainter {
public:
  explicit TResolutionMetrics(std::unique_ptr<QImage> image) : TQtPainter(image.get()), FImage(std::move(image)) {}
  static std::unique_ptr<TPainter> Make(int dpi) {
    auto image = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
    int dpm = static_cast<int>(std::lround(dpi / 0.0254));
    image->setDotsPerMeterX(dpm);
    image->setDotsPerMeterY(dpm);
    return std::make_unique<TResolutionMetrics>(std::move(image));
  }
  ~TResolutionMetrics() override { Flush(); }

private:
  std::unique_ptr<QImage> FImage;
};

// ---- The "PDF" printer ----------------------------------------------------------------------

class TPdfPrintDevice : public TPrintDevice {
public:
  static constexpr int kDpi = 300;

  std::string Name() const override { return "PDF"; }
  TPrinterCaps Caps(const TDeviceMode& mode) const override {
    double w = 0, h = 0;
    PaperSizeMM(mode, w, h);
    if (mode.dmOrientation == DMORIENT_LANDSCAPE) std::swap(w, h);
    return PaperCaps(w, h, kDpi, 0, 0, 0, 0);
  }
  std::unique_ptr<TPainter> MeasurePainter(const TDeviceMode& mode) override {
    return std::make_unique<TMeasurePainter>(Caps(mode), TResolutionMetrics::Make(kDpi));
  }
  bool BeginJob(const TPrintJob& job) override {
    FFile = job.OutputFile;
    if (FFile.empty() && !ChoosePrintFile(job.Title, FFile)) return false;
    FWriter = std::make_unique<QPdfWriter>(QString::fromStdString(FFile));
    FWriter->setResolution(kDpi);
    FWriter->setTitle(QString::fromStdString(job.Title));
    FWriter->setCreator("quillon");
    FWriter->setPageLayout(Layout(job.Mode));
    FQPainter = std::make_unique<QPainter>();
    if (!FQPainter->begin(FWriter.get())) {
      FQPainter.reset();
      FWriter.reset();
      return false;
    }
    FPage = std::make_unique<TQtPainter>(FWriter.get(), FQPainter.get());
    return true;
  }
  TPainter* PagePainter() override { return FPage.get(); }
  void NewPage(const TDeviceMode& mode) override {
    FPage.reset();
    // A new layout set before newPage applies from that page on.
    FWriter->setPageLayout(Layout(mode));
    FWriter->newPage();
    FQPainter->setClipping(false);
    FPage = std::make_unique<TQtPainter>(FWriter.get(), FQPainter.get());
  }
  void EndJob() override {
    FPage.reset();
    FQPainter->end();
    FQPainter.reset();
    FWriter.reset();
  }
  void AbortJob() override {
    EndJob();
    QFile::remove(QString::fromStdString(FFile));
  }

private:
  std::string FFile;
  std::unique_ptr<QPdfWriter> FWriter;
  std::unique_ptr<QPainter> FQPainter;
  std::unique_ptr<TQtPainter> FPage;
};

// ---- The system's printers ------------------------------------------------------------------

class TQtPrintDevice : public TPrintDevice {
public:
  explicit TQtPrintDevice(const QPrinterInfo& info) : FInfo(info) {}

  std::string Name() const override { return FInfo.printerName().toStdString(); }
  TPrinterCaps Caps(const TDeviceMode& mode) const override {
    QPrinter printer(FInfo, QPrinter::HighResolution);
    Configure(printer, mode);
    return CapsOf(printer);
  }
  std::unique_ptr<TPainter> MeasurePainter(const TDeviceMode& mode) override {
    TPrinterCaps caps = Caps(mode);
    return std::make_unique<TMeasurePainter>(caps, TResolutionMetrics::Make(caps.DpiY));
  }
  bool BeginJob(const TPrintJob& job) override {
    FPrinter = std::make_unique<QPrinter>(FInfo, QPrinter::HighResolution);
    Configure(*FPrinter, job.Mode);
    FPrinter->setDocName(QString::fromStdString(job.Title));
    FPrinter->setCopyCount(job.Mode.dmCopies);
    FPrinter->setCollateCopies(job.Mode.dmCollate == DMCOLLATE_TRUE);
    FPrinter->setDuplex(job.Mode.dmDuplex == DMDUP_VERTICAL     ? QPrinter::DuplexLongSide
                        : job.Mode.dmDuplex == DMDUP_HORIZONTAL ? QPrinter::DuplexShortSide
                                                                : QPrinter::DuplexNone);
    FPrinter->setColorMode(job.Mode.dmColor == DMCOLOR_MONOCHROME ? QPrinter::GrayScale : QPrinter::Color);
    if (!job.OutputFile.empty()) FPrinter->setOutputFileName(QString::fromStdString(job.OutputFile));
    FQPainter = std::make_unique<QPainter>();
    if (!FQPainter->begin(FPrinter.get())) {
      FQPainter.reset();
      FPrinter.reset();
      return false;
    }
    NewPainter();
    return true;
  }
  TPainter* PagePainter() override { return FPage.get(); }
  void NewPage(const TDeviceMode& mode) override {
    FPage.reset();
    FPrinter->setPageOrientation(mode.dmOrientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape
                                                                          : QPageLayout::Portrait);
    FPrinter->newPage();
    FQPainter->setClipping(false);
    NewPainter();
  }
  void EndJob() override {
    FPage.reset();
    FQPainter->end();
    FQPainter.reset();
    FPrinter.reset();
  }
  void AbortJob() override {
    FPrinter->abort();
    EndJob();
  }

private:
  // A page of a printer: caps from its paper and page rectangles at its resolution.
  class TPage : public TQtPainter {
  public:
    TPage(QPrinter& printer, QPainter* painter, const TPrinterCaps& caps)
        : TQtPainter(&printer, painter), FCaps(caps) {}
    int PhysicalWidth() const override { return FCaps.PhysicalWidth; }
    int PhysicalHeight() const override { return FCaps.PhysicalHeight; }
    int PhysicalOffsetX() const override { return FCaps.OffsetX; }
    int PhysicalOffsetY() const override { return FCaps.OffsetY; }

  private:
    TPrinterCaps FCaps;
  };

  static void Configure(QPrinter& printer, const TDeviceMode& mode) {
    QPageLayout layout = Layout(mode);
    printer.setPageSize(layout.pageSize());
    printer.setPageOrientation(layout.orientation());
  }
  static TPrinterCaps CapsOf(QPrinter& printer) {
    QRectF paper = printer.paperRect(QPrinter::DevicePixel), page = printer.pageRect(QPrinter::DevicePixel);
    TPrinterCaps caps;
    caps.DpiX = caps.DpiY = printer.resolution();
    caps.PhysicalWidth = static_cast<int>(paper.width());
    caps.PhysicalHeight = static_cast<int>(paper.height());
    caps.OffsetX = static_cast<int>(page.left() - paper.left());
    caps.OffsetY = static_cast<int>(page.top() - paper.top());
    caps.Width = static_cast<int>(page.width());
    caps.Height = static_cast<int>(page.height());
    return caps;
  }
  void NewPainter() { FPage = std::make_unique<TPage>(*FPrinter, FQPainter.get(), CapsOf(*FPrinter)); }

  QPrinterInfo FInfo;
  std::unique_ptr<QPrinter> FPrinter;
  std::unique_ptr<QPainter> FQPainter;
  std::unique_ptr<TPage> FPage;
};

std::vector<TFontFamily> QtFontFamilies() {
  static const std::vector<TFontFamily> families = [] {
    std::vector<TFontFamily> list;
    for (const QString& name : QFontDatabase::families()) {
      TFontFamily f;
      f.Name = name.toStdString();
      f.TrueType = QFontDatabase::isSmoothlyScalable(name);
      f.FixedPitch = QFontDatabase::isFixedPitch(name);
      f.Charset = QFontDatabase::writingSystems(name).contains(QFontDatabase::Symbol) ? SYMBOL_CHARSET : ANSI_CHARSET;
      if (!f.TrueType)
        for (int size : QFontDatabase::pointSizes(name)) f.RasterSizes.push_back(size);
      list.push_back(std::move(f));
    }
    return list;
  }();
  return families;
}

}  // namespace

void InstallQtPrinting() {
  RemovePrintDevices();
  SetPrintFileChooser(AskPrintFile);
  QString standard = QPrinterInfo::defaultPrinterName();
  int index = 0, defaultIndex = 0;
  for (const QString& name : QPrinterInfo::availablePrinterNames()) {
    if (name == standard) defaultIndex = index;
    InstallPrintDevice(std::make_unique<TQtPrintDevice>(QPrinterInfo::printerInfo(name)));
    ++index;
  }
  InstallPrintDevice(std::make_unique<TPdfPrintDevice>());
  SetDefaultPrintDevice(defaultIndex);
  SetFontFamilySource(QtFontFamilies);
}
