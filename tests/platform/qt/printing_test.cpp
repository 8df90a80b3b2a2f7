// Printing to the "PDF" printer (read back with poppler), metafile replay, clip regions, paths
// and font families on the Qt backend.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/fonts.h"
#include "platform/gfx/metafile.h"
#include "platform/gfx/printer.h"
#include "platform/qt/qt_backend_parts.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/modal_service.h"
#include "tests/outside_programs.h"

namespace {

std::string TempPdf(const std::string& name) {
  return (std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()) + ".pdf")).string();
}

// The value of "key:" in pdfinfo's output, blanks trimmed.
std::string Field(const std::string& info, const std::string& key) {
  std::size_t at = info.find(key + ":");
  if (at == std::string::npos) return "";
  std::size_t start = info.find_first_not_of(' ', at + key.size() + 1);
  return info.substr(start, info.find('\n', start) - start);
}

int PdfPrinter() {
  auto names = Printer().Printers();
  return names.empty() || names.back() != "PDF" ? -1 : static_cast<int>(names.size()) - 1;
}

TEST(QtPrinting, ThreePagesMakeAThreePagePdfAndOrientationChangesFromTheNextPage) {
  int pdf = PdfPrinter();
  ASSERT_GE(pdf, 0) << "the PDF printer is the last entry";
  TPrinter& p = Printer();
  p.SetPrinterIndex(pdf);
  std::string file = TempPdf("three-pages");
  p.SetOutputFile(file);
  p.SetTitle("Three pages");
  p.BeginDoc();
  ASSERT_TRUE(p.Printing());
  EXPECT_EQ(GetDeviceCaps(p.Handle(), LOGPIXELSX), 300);
  EXPECT_NEAR(p.PageWidth(), 2480, 1);
  const char* texts[] = {"First page of the job", "Second page of the job", "Third page landscape"};
  for (int page = 0; page < 3; ++page) {
    if (page > 0) p.NewPage();
    TCanvas& c = p.Canvas();
    c.Font().SetName("Arial");
    c.Font().SetSize(14);
    c.Brush().SetStyle(bsClear);
    SetMapMode(p.Handle(), MM_LOMETRIC);
    c.TextOut(200, -300, texts[page]);
    c.Rectangle(100, -100, 1000, -600);
    // Set before the last NewPage: the third page comes out landscape.
    if (page == 1) p.SetOrientation(poLandscape);
  }
  EXPECT_NEAR(p.PageWidth(), 3508, 1);
  p.EndDoc();
  p.SetOrientation(poPortrait);
  p.SetOutputFile("");

  std::string info = CaptureCommand("pdfinfo -f 1 -l 3 '" + file + "'");
  EXPECT_EQ(Field(info, "Pages"), "3");
  EXPECT_EQ(Field(info, "Title"), "Three pages");
  EXPECT_EQ(Field(info, "Page    1 size").substr(0, 9), "595 x 842");
  EXPECT_EQ(Field(info, "Page    2 size").substr(0, 9), "595 x 842");
  EXPECT_EQ(Field(info, "Page    3 size").substr(0, 9), "842 x 595");
  for (int page = 1; page <= 3; ++page) {
    std::string text = CaptureCommand("pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + file + "' -");
    EXPECT_NE(text.find(texts[page - 1]), std::string::npos) << page << ": " << text;
  }
  // The text sits 2 cm from the left edge, 3 cm below the top: look at the pixels of page 1.
  std::string png = file + "-p1";
  CaptureCommand("pdftoppm -f 1 -l 1 -r 50 -png -singlefile '" + file + "' '" + png + "'");
  std::string bbox = CaptureCommand("pdftotext -bbox -f 1 -l 1 '" + file + "' - | grep -m1 'First'");
  ASSERT_NE(bbox.find("xMin=\""), std::string::npos) << bbox;
  double xMin = std::stod(bbox.substr(bbox.find("xMin=\"") + 6));
  EXPECT_NEAR(xMin, 20 / 25.4 * 72, 3);
  std::filesystem::remove(file);
  std::filesystem::remove(png + ".png");
}

// A job whose file fails as it is written (the device takes the open, every write fails with
// ENOSPC) is reported when it ends, and the printer takes the next job as usual.
TEST(QtPrinting, AJobThatCannotBeWrittenRaisesWhenItEnds) {
  int pdf = PdfPrinter();
  ASSERT_GE(pdf, 0);
  TPrinter& p = Printer();
  p.SetPrinterIndex(pdf);
  auto smallJob = [&p](const std::string& file) {
    p.SetOutputFile(file);
    p.SetTitle("Small job");
    p.BeginDoc();
    if (!p.Printing()) return false;
    p.Canvas().Font().SetName("Arial");
    p.Canvas().TextOut(100, 100, "A line of the job");
    p.NewPage();
    p.Canvas().TextOut(100, 100, "The second page");
    return true;
  };
  ASSERT_TRUE(smallJob("/dev/full"));
  try {
    p.EndDoc();
    ADD_FAILURE() << "a job written to a full device ended as printed";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), "Cannot write the file /dev/full (No space left on device).");
  }
  EXPECT_FALSE(p.Printing());
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));

  const std::string file = TempPdf("after-failure");
  ASSERT_TRUE(smallJob(file));
  EXPECT_NO_THROW(p.EndDoc());
  p.SetOutputFile("");
  EXPECT_EQ(Field(CaptureCommand("pdfinfo '" + file + "'"), "Pages"), "2");
  std::filesystem::remove(file);
}

namespace {

// Answers the save dialog of a print job with a file name (none: cancel) and keeps the titles.
class TPrintFileAnswer : public TStandardErrorModalService {
public:
  std::string Answer;
  std::vector<std::string> Titles;
  bool FileDialog(TFileDialogRequest& r) override {
    Titles.push_back(r.Title);
    if (Answer.empty()) return false;
    r.FileName = Answer;
    return true;
  }
};

}  // namespace

TEST(QtPrinting, PaperSizeAndTheFileChosenInTheSaveDialog) {
  int pdf = PdfPrinter();
  ASSERT_GE(pdf, 0);
  TPrinter& p = Printer();
  p.SetPrinterIndex(pdf);
  // The "PDF" printer asks for its file through the modal service; cancelled, nothing starts.
  auto owned = std::make_unique<TPrintFileAnswer>();
  TPrintFileAnswer& service = *owned;
  SetModalService(std::move(owned));
  p.SetTitle("Letter");
  p.BeginDoc();
  EXPECT_FALSE(p.Printing());
  std::string file = TempPdf("letter");
  service.Answer = file.substr(0, file.size() - 4);  // the extension comes from the dialog
  p.DevMode().dmPaperSize = DMPAPER_LETTER;
  p.BeginDoc();
  ASSERT_TRUE(p.Printing());
  p.Canvas().TextOut(100, 100, "letter");
  p.EndDoc();
  EXPECT_EQ(service.Titles, (std::vector<std::string>{"Print to File - Letter", "Print to File - Letter"}));
  InstallQtForms();  // the Qt modal service again
  p.SetPrinterIndex(pdf);
  std::string info = CaptureCommand("pdfinfo '" + file + "'");
  EXPECT_EQ(Field(info, "Page size").substr(0, 13), "612 x 792 pts");
  std::filesystem::remove(file);
}

int Differences(const TBitmap& a, const TBitmap& b) {
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) n += a.PixelAt(x, y) != b.PixelAt(x, y);
  return n;
}

void DrawScene(TCanvas& c) {
  c.Brush().SetColor(clYellow);
  c.Pen().SetColor(clBlue);
  c.Rectangle(5, 5, 60, 40);
  c.Brush().SetColor(clLime);
  c.Ellipse(30, 30, 95, 90);
  c.Pen().SetColor(clRed);
  c.MoveTo(0, 95);
  c.LineTo(99, 50);
  c.Font().SetName("Arial");
  c.Font().SetHeight(-14);
  c.Font().SetColor(clBlack);
  c.Brush().SetStyle(bsClear);
  c.TextOut(8, 12, "Meta");
}

TEST(QtPrinting, MetafileAtTwiceTheSizeMatchesTheDirectDrawing) {
  TMetafile mf;
  mf.SetWidth(100);
  mf.SetHeight(100);
  {
    TMetafileCanvas mc(mf, nullptr);
    DrawScene(mc);
  }
  TBitmap direct(200, 200), replay(200, 200);
  TCanvas& d = direct.Canvas();
  SetMapMode(&d, MM_ANISOTROPIC);
  SetWindowExtEx(&d, 1, 1, nullptr);
  SetViewportExtEx(&d, 2, 2, nullptr);
  DrawScene(d);
  direct.ReleaseCanvas();
  replay.Canvas().StretchDraw(Rect(0, 0, 200, 200), mf);
  replay.ReleaseCanvas();
  EXPECT_EQ(replay.PixelAt(20, 20), 0x00FFFFu);  // yellow inside the rectangle
  EXPECT_EQ(replay.PixelAt(120, 140), 0x00FF00u);
  int dark = 0;
  for (int y = 24; y < 60; ++y)
    for (int x = 16; x < 100; ++x) dark += replay.PixelAt(x, y) == 0;
  EXPECT_GT(dark, 80);  // the text, twice as large
  EXPECT_LT(Differences(direct, replay), 200 * 200 / 200) << "more than half a percent differs";
}

// Printed text is measured on the printer's measuring canvas before the job and drawn on the
// page: both must give the same widths, and the PDF must hold the text that wide.
TEST(QtPrinting, TextMeasuredBeforeTheJobIsAsWideAsOnThePageAndInThePdf) {
  int pdf = PdfPrinter();
  ASSERT_GE(pdf, 0);
  TPrinter& p = Printer();
  p.SetPrinterIndex(pdf);
  const std::vector<std::string> words = {"WAVEfillTo.9", "Stra\xC3\x9F" "enbahn", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"};
  auto setFont = [](TCanvas& c) {
    c.Font().SetName("Arial");
    c.Font().SetSize(10);
  };
  TCanvas& measure = p.Canvas();
  // The canvas measures at the printer's resolution once it has its device.
  EXPECT_EQ(GetDeviceCaps(p.Handle(), LOGPIXELSX), 300);
  setFont(measure);
  std::vector<int> before;
  for (const std::string& w : words) before.push_back(measure.TextWidth(w));
  std::string file = TempPdf("widths");
  p.SetOutputFile(file);
  p.BeginDoc();
  ASSERT_TRUE(p.Printing());
  TCanvas& c = p.Canvas();
  setFont(c);
  c.Brush().SetStyle(bsClear);
  for (std::size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(c.TextWidth(words[i]), before[i]) << words[i];
    c.TextOut(300, 300 + 200 * static_cast<int>(i), words[i]);
  }
  // After a tab the text goes on where the measure puts it, as on the screen.
  const int tabbed = c.TextWidth("Tab\t");
  c.TextOut(300, 1200, "Tab\tEnd");
  p.EndDoc();
  p.SetOutputFile("");
  const std::string bbox = CaptureCommand("pdftotext -bbox -f 1 -l 1 '" + file + "' -");
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::size_t at = bbox.find(">" + words[i] + "<");
    ASSERT_NE(at, std::string::npos) << words[i] << "\n" << bbox;
    const std::size_t line = bbox.rfind("<word", at);
    const double xMin = std::stod(bbox.substr(bbox.find("xMin=\"", line) + 6));
    const double xMax = std::stod(bbox.substr(bbox.find("xMax=\"", line) + 6));
    // Points at 72 per inch against pixels at 300: within a point.
    EXPECT_NEAR((xMax - xMin) * 300 / 72, before[i], 300 / 72.0) << words[i];
  }
  const std::size_t end = bbox.find(">End<");
  ASSERT_NE(end, std::string::npos) << bbox;
  const double endAt = std::stod(bbox.substr(bbox.find("xMin=\"", bbox.rfind("<word", end)) + 6));
  EXPECT_GT(tabbed, c.TextWidth("Tab "));
  EXPECT_NEAR(endAt * 300 / 72, 300 + tabbed, 300 / 72.0);
  std::filesystem::remove(file);
}

// Accented letters are glyphs built from other glyphs, bold is a face of its own, and a
// character the font lacks comes from the face the font falls back to: the embedded subsets
// must carry them all.
TEST(QtPrinting, AccentedBoldAndFallbackTextKeepsItsInkAndItsCharacters) {
  int pdf = PdfPrinter();
  ASSERT_GE(pdf, 0);
  TPrinter& p = Printer();
  p.SetPrinterIndex(pdf);
  std::string file = TempPdf("faces");
  p.SetOutputFile(file);
  p.BeginDoc();
  ASSERT_TRUE(p.Printing());
  TCanvas& c = p.Canvas();
  c.Brush().SetStyle(bsClear);
  c.Font().SetName("Arial");
  c.Font().SetHeight(-200);
  c.TextOut(300, 300, "EEEE");
  c.TextOut(300, 800, "\xC3\x89\xC3\x89\xC3\x89\xC3\x89");  // É
  c.TextOut(300, 1300, "HHHH");
  c.Font().SetStyle(TFontStyles() << fsBold);
  c.TextOut(300, 1800, "HHHH");
  c.Font().SetStyle(TFontStyles());
  c.Font().SetHeight(-50);
  c.TextOut(300, 2400, "Done \xE2\x9C\x94 twice \xE2\x9C\x94 end");  // a check mark only DejaVu has
  c.Font().SetName("DejaVu Sans");  // its missing glyph is a box
  c.TextOut(300, 2700, "A\x01" "B");
  c.TextOut(300, 3000, "A B");
  p.EndDoc();
  p.SetOutputFile("");
  const std::string text = CaptureCommand("pdftotext '" + file + "' -");
  EXPECT_NE(text.find("\xC3\x89\xC3\x89\xC3\x89\xC3\x89"), std::string::npos) << text;
  EXPECT_NE(text.find("Done \xE2\x9C\x94 twice \xE2\x9C\x94 end"), std::string::npos) << text;
  const std::string fonts = CaptureCommand("pdffonts '" + file + "'");
  EXPECT_NE(fonts.find("LiberationSans-Bold"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("DejaVuSans"), std::string::npos) << fonts;
  const std::string png = file + "-faces";
  CaptureCommand("pdftoppm -r 72 -gray -png -singlefile '" + file + "' '" + png + "'");
  const QImage page(QString::fromStdString(png + ".png"));
  ASSERT_EQ(page.width(), 595);
  auto ink = [&](int top) {
    int n = 0;
    for (int y = top * 72 / 300; y < (top + 260) * 72 / 300; ++y)
      for (int x = 0; x < 300; ++x) n += qGray(page.pixel(x, y)) < 128;
    return n;
  };
  const int plain = ink(300), accented = ink(800), regular = ink(1300), bold = ink(1800);
  EXPECT_GT(plain, 400);
  EXPECT_GT(accented, plain + 20) << "the accents are drawn";
  EXPECT_LT(accented, plain * 2);
  EXPECT_GT(bold, regular * 6 / 5);
  EXPECT_EQ(ink(2700), ink(3000)) << "a control character leaves a space, no missing-glyph box";
  std::filesystem::remove(file);
  std::filesystem::remove(png + ".png");
}

TEST(QtPrinting, ClipRegionsAndPathsOnTheQtPainter) {
  TBitmap bmp(100, 100);
  TCanvas& c = bmp.Canvas();
  TPoint tri[] = {{0, 0}, {100, 0}, {0, 100}};
  HRGN r = CreatePolygonRgn(tri, 3, ALTERNATE);
  SelectClipRgn(&c, r);
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(0, 0, 100, 100));
  SelectClipRgn(&c, nullptr);
  DeleteObject(r);
  // The path of an ellipse filled blue, then an ellipse path as the clip of a black fill.
  BeginPath(&c);
  c.Ellipse(50, 50, 100, 100);
  EndPath(&c);
  c.Brush().SetColor(clBlue);
  FillPath(&c);
  bmp.ReleaseCanvas();
  EXPECT_EQ(bmp.PixelAt(10, 10), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(90, 30), 0xFFFFFFu);  // outside the triangle
  EXPECT_EQ(bmp.PixelAt(75, 75), 0xFF0000u);
  EXPECT_EQ(bmp.PixelAt(52, 52), 0xFFFFFFu);  // corner of the ellipse's box

  TBitmap text(200, 80);
  TCanvas& t = text.Canvas();
  t.Font().SetName("Arial");
  t.Font().SetHeight(-60);
  BeginPath(&t);
  t.TextOut(10, 5, "HI");
  EndPath(&t);
  SelectClipPath(&t, RGN_COPY);
  t.Brush().SetColor(clBlack);
  t.FillRect(Rect(0, 0, 200, 80));
  text.ReleaseCanvas();
  // Inside the outlines black, between the letters and around them white.
  int black = 0, outside = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 200; ++x) {
      bool isBlack = text.PixelAt(x, y) == 0;
      black += isBlack;
      if (isBlack && (x < 10 || x > 110)) ++outside;
    }
  EXPECT_GT(black, 500);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(text.PixelAt(5, 40), 0xFFFFFFu);
}

TEST(QtPrinting, FontFamiliesComeFromTheFontDatabase) {
  TFontFamily mono;
  ASSERT_TRUE(FindFontFamily("Liberation Mono", &mono));
  EXPECT_TRUE(mono.TrueType);
  EXPECT_TRUE(mono.FixedPitch);
  EXPECT_TRUE(mono.RasterSizes.empty());
  TFontFamily sans;
  ASSERT_TRUE(FindFontFamily("Liberation Sans", &sans));
  EXPECT_FALSE(sans.FixedPitch);
}

}  // namespace
