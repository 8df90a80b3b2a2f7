// Qt backend: the system's printers over QPrinter, the "PDF" printer over our PDF writer with
// the faces Qt resolves, and the font families from QFontDatabase.
#include <QFontDatabase>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>

#include "platform/gfx/fonts.h"
#include "platform/gfx/pdf/pdf_painter.h"
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

// Widths of printed text: without shaping or kerning, a text of printable ASCII characters is
// as wide as its characters' advances together, and those are measured once for each font.
class TPrintWidths {
public:
  // The width in pixels of `device`; -1 for a text of other characters.
  int Width(QPaintDevice* device, const TPaintFont& font, const std::string& text) {
    TEntry& e = Entry(device, font);
    qreal width = 0;
    for (char ch : text) {
      const int i = static_cast<unsigned char>(ch) - 0x20;
      if (i < 0 || i >= 95) return -1;
      if (e.Advances[i] < 0) e.Advances[i] = e.Metrics->horizontalAdvance(QChar(ch));
      width += e.Advances[i];
    }
    return static_cast<int>(std::lround(width));
  }

private:
  struct TEntry {
    TPaintFont Font;
    std::unique_ptr<QFontMetricsF> Metrics;
    qreal Advances[95];
  };
  TEntry& Entry(QPaintDevice* device, const TPaintFont& font) {
    for (auto& e : FEntries)
      if (e->Font == font) return *e;
    if (FEntries.size() >= 16) FEntries.erase(FEntries.begin());
    auto e = std::make_unique<TEntry>();
    e->Font = font;
    e->Metrics = std::make_unique<QFontMetricsF>(ToPrintFont(font), device);
    std::fill(std::begin(e->Advances), std::end(e->Advances), qreal(-1));
    FEntries.push_back(std::move(e));
    return *FEntries.back();
  }
  std::vector<std::unique_ptr<TEntry>> FEntries;
};

// A printed page (or the measures of one): print fonts, widths from TPrintWidths.
class TPrintPainter : public TQtPainter {
public:
  TPrintPainter(QPaintDevice* device, QPainter* painter, TPrintWidths& widths)
      : TQtPainter(device, painter), FDevice(device), FWidths(widths) {
    SetPrintText(true);
  }
  TPrintPainter(QImage* image, TPrintWidths& widths) : TQtPainter(image), FDevice(image), FWidths(widths) {
    SetPrintText(true);
  }
  int TextWidth(const TPaintFont& font, const std::string& text) override {
    const int width = FWidths.Width(FDevice, font, text);
    return width >= 0 ? width : TQtPainter::TextWidth(font, text);
  }

private:
  QPaintDevice* FDevice;
  TPrintWidths& FWidths;
};

// Text measured at `dpi` on a one-pixel image of that resolution.
class TResolutionMetrics : public TPrintPainter {
public:
  explicit TResolutionMetrics(std::unique_ptr<QImage> image)
      : TPrintPainter(image.get(), FOwnWidths), FImage(std::move(image)) {}
  static std::unique_ptr<TPainter> Make(int dpi) {
    auto image = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
    int dpm = static_cast<int>(std::lround(dpi / 0.0254));
    image->setDotsPerMeterX(dpm);
    image->setDotsPerMeterY(dpm);
    return std::make_unique<TResolutionMetrics>(std::move(image));
  }
  ~TResolutionMetrics() override { Flush(); }

private:
  TPrintWidths FOwnWidths;
  std::unique_ptr<QImage> FImage;
};

// ---- The "PDF" printer ----------------------------------------------------------------------

// The faces of printed fonts, as Qt resolves them: their TrueType tables and their glyphs.
class TQtPdfFonts : public TPdfFontSource {
public:
  std::shared_ptr<TPdfFace> Face(const TPaintFont& font) override {
    const TPaintFont key = Key(font);
    for (const auto& [k, face] : FByFont)
      if (k == key) return face;
    QRawFont raw = QRawFont::fromFont(ToPrintFont(key));
    std::shared_ptr<TPdfFace> face = raw.isValid() ? FaceOf(raw) : nullptr;
    if (FByFont.size() >= 64) FByFont.erase(FByFont.begin());
    FByFont.emplace_back(key, face);
    return face;
  }
  // The face Qt's font merging takes the character from.
  std::shared_ptr<TPdfFace> Fallback(const TPaintFont& font, char32_t cp) override {
    const TPaintFont key = Key(font);
    for (const auto& f : FFallbacks)
      if (f.CodePoint == cp && f.Font == key) return f.Face;
    QTextLayout layout(QString::fromUcs4(&cp, 1), ToPrintFont(key));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    std::shared_ptr<TPdfFace> face;
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (!runs.isEmpty() && runs.front().rawFont().isValid()) face = FaceOf(runs.front().rawFont());
    if (FFallbacks.size() >= 256) FFallbacks.erase(FFallbacks.begin());
    FFallbacks.push_back(TFallback{key, cp, face});
    return face;
  }

private:
  // Faces differ by name and style only: size, turn and lines are the page's.
  static TPaintFont Key(const TPaintFont& font) {
    TPaintFont key;
    key.Name = font.Name;
    key.Height = -100;
    key.Style = font.Style;
    key.Style.Exclude(fsUnderline);
    key.Style.Exclude(fsStrikeOut);
    key.Pitch = font.Pitch;
    return key;
  }
  std::shared_ptr<TPdfFace> FaceOf(const QRawFont& raw) {
    const std::string name = (raw.familyName() + "-" + raw.styleName()).toStdString();
    for (const auto& [n, face] : FByName)
      if (n == name) return face;
    std::vector<std::pair<std::string, std::string>> tables;
    for (const char* tag : {"head", "hhea", "hmtx", "maxp", "loca", "glyf", "cvt ", "fpgm", "prep", "post", "OS/2", "name"}) {
      const QByteArray bytes = raw.fontTable(tag);
      if (!bytes.isEmpty()) tables.emplace_back(tag, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    auto glyphOf = [raw](char32_t cp) -> std::uint32_t {
      const QString s = QString::fromUcs4(&cp, 1);
      quint32 glyphs[2] = {0, 0};
      int n = 2;
      if (!raw.glyphIndexesForChars(s.constData(), static_cast<int>(s.size()), glyphs, &n) || n < 1) return 0;
      return glyphs[0];
    };
    auto face = std::make_shared<TPdfFace>(name, BuildSfnt(std::move(tables)), glyphOf);
    FByName.emplace_back(name, face);
    return face;
  }
  struct TFallback {
    TPaintFont Font;
    char32_t CodePoint;
    std::shared_ptr<TPdfFace> Face;
  };
  std::vector<std::pair<TPaintFont, std::shared_ptr<TPdfFace>>> FByFont;
  std::vector<std::pair<std::string, std::shared_ptr<TPdfFace>>> FByName;
  std::vector<TFallback> FFallbacks;
};

// Pages written by our own PDF writer; text measured as the device's measuring painter does.
class TPdfPrintDevice : public TPrintDevice {
public:
  static constexpr int kDpi = 300;

  std::string Name() const override { return kFilePrinterName; }
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
    FError.clear();
    FFile = job.OutputFile;
    if (FFile.empty() && !ChoosePrintFile(job.Title, FFile)) return false;
    FDocument = std::make_unique<TPdfDocument>();
    if (!FDocument->Open(FFile, job.Title, "quillon")) {
      FDocument.reset();
      return false;
    }
    if (!FMetrics) FMetrics = TResolutionMetrics::Make(kDpi);
    StartPage(job.Mode);
    return true;
  }
  TPainter* PagePainter() override { return FPage.get(); }
  void NewPage(const TDeviceMode& mode) override {
    FPage.reset();
    FDocument->EndPage();
    StartPage(mode);
  }
  bool EndJob() override {
    FPage.reset();
    bool ok = true;
    if (FDocument && !FDocument->Close()) {
      const int error = FDocument->Error();
      FError = "Cannot write the file " + FFile + (error ? " (" + std::string(std::strerror(error)) + ")" : "") + ".";
      ok = false;
    }
    FDocument.reset();
    return ok;
  }
  std::string JobError() const override { return FError; }
  void AbortJob() override {
    FPage.reset();
    if (FDocument) FDocument->Abort();
    FDocument.reset();
  }

private:
  void StartPage(const TDeviceMode& mode) {
    const TPrinterCaps caps = Caps(mode);
    // The sheet in whole points.
    FDocument->BeginPage(static_cast<int>(std::lround(caps.PhysicalWidth * 72.0 / kDpi)),
                         static_cast<int>(std::lround(caps.PhysicalHeight * 72.0 / kDpi)));
    FPage = std::make_unique<TPdfPainter>(*FDocument, FFonts, *FMetrics, caps);
  }

  std::string FFile;
  std::string FError;
  std::unique_ptr<TPdfDocument> FDocument;
  TQtPdfFonts FFonts;                   // kept from job to job
  std::unique_ptr<TPainter> FMetrics;  // likewise
  std::unique_ptr<TPdfPainter> FPage;
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
    FError.clear();
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
  bool EndJob() override {
    FPage.reset();
    const bool ok = FQPainter->end() && FPrinter->printerState() != QPrinter::Error;
    if (!ok)
      FError = FPrinter->outputFileName().isEmpty()
                   ? "The printer " + Name() + " did not accept the print job."
                   : "Cannot write the file " + FPrinter->outputFileName().toStdString() + ".";
    FQPainter.reset();
    FPrinter.reset();
    return ok;
  }
  std::string JobError() const override { return FError; }
  void AbortJob() override {
    FPrinter->abort();
    FPage.reset();
    FQPainter->end();
    FQPainter.reset();
    FPrinter.reset();
  }

private:
  // A page of a printer: caps from its paper and page rectangles at its resolution.
  class TPage : public TPrintPainter {
  public:
    TPage(QPrinter& printer, QPainter* painter, TPrintWidths& widths, const TPrinterCaps& caps)
        : TPrintPainter(&printer, painter, widths), FCaps(caps) {}
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
  void NewPainter() { FPage = std::make_unique<TPage>(*FPrinter, FQPainter.get(), FWidths, CapsOf(*FPrinter)); }

  QPrinterInfo FInfo;
  std::string FError;
  TPrintWidths FWidths;
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
  // The printing system's plug-in is loaded when printing first needs the printers, not at start.
  SetPrintDeviceSource([] {
    QString standard = QPrinterInfo::defaultPrinterName();
    int index = 0, defaultIndex = 0;
    for (const QString& name : QPrinterInfo::availablePrinterNames()) {
      if (name == standard) defaultIndex = index;
      InstallPrintDevice(std::make_unique<TQtPrintDevice>(QPrinterInfo::printerInfo(name)));
      ++index;
    }
    InstallPrintDevice(std::make_unique<TPdfPrintDevice>());
    SetDefaultPrintDevice(defaultIndex);
  });
  SetFontFamilySource(QtFontFamilies);
}
