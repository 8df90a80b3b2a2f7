// Documents of the page engine printed to the "PDF" printer and read back with poppler
// (pdfinfo, pdftotext, pdftoppm), and the preview's paper painted on the Qt backend.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/gfx/bitmap.h"
#include "print/grid_print.h"
#include "print/preview.h"
#include "print/rtf_preview.h"
#include "tests/qt_test_app.h"
#include "tests/outside_programs.h"
#include "tests/print/print_to_pdf.h"

namespace {

const auto* const kEnvironment = UseQtBackend("print_qt_tests");

std::string Field(const std::string& info, const std::string& key) {
  std::size_t at = info.find(key + ":");
  if (at == std::string::npos) return "";
  std::size_t start = info.find_first_not_of(' ', at + key.size() + 1);
  return info.substr(start, info.find('\n', start) - start);
}

std::string OutFile(const std::string& name) {
  std::filesystem::path dir = std::filesystem::path(QN_BINARY_DIR) / "tests" / "print" / "pdf";
  std::filesystem::create_directories(dir);
  return (dir / (name + ".pdf")).string();
}

std::string PageText(const std::string& file, int page) {
  return CaptureCommand("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + file + "' -");
}

// Page `page` rendered by pdftoppm at `dpi`.
QImage PageImage(const std::string& file, int page, int dpi) {
  std::string base = file + "-p" + std::to_string(page);
  CaptureCommand("pdftoppm -f " + std::to_string(page) + " -l " + std::to_string(page) + " -r " + std::to_string(dpi) +
          " -png -singlefile '" + file + "' '" + base + "'");
  return QImage(QString::fromStdString(base + ".png")).convertToFormat(QImage::Format_RGB32);
}

bool Near(QRgb c, int r, int g, int b) {
  return std::abs(qRed(c) - r) < 40 && std::abs(qGreen(c) - g) < 40 && std::abs(qBlue(c) - b) < 40;
}

TEST(PagePdf, HeaderAndFooterTokensOnEveryPageAndTheirPaper) {
  TPgPreview preview(nullptr);
  preview.Header().SetVisible(true);
  preview.Header().CaptionLeft.SetCaption("Quarterly report");
  preview.Header().CaptionRight.SetCaption("Page {PAGE} of {NUMPAGES}");
  preview.Footer().SetVisible(true);
  preview.Footer().CaptionCenter.SetCaption("Footer of page {PAGE}");
  for (int i = 0; i < 3; ++i) {
    if (i > 0) preview.NewPage();
    preview.Canvas().Font().SetSize(14);
    preview.Canvas().TextOut(1, 2, "Body text number " + std::to_string(i + 1), gmInches);
  }
  std::string file = OutFile("tokens");
  PrintPreviewToPdf(preview, file);
  std::string info = CaptureCommand("pdfinfo -f 1 -l 3 '" + file + "'");
  EXPECT_EQ(Field(info, "Pages"), "3");
  EXPECT_EQ(Field(info, "Page    1 size").substr(0, 9), "595 x 842");
  for (int p = 1; p <= 3; ++p) {
    std::string text = PageText(file, p);
    EXPECT_NE(text.find("Page " + std::to_string(p) + " of 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Footer of page " + std::to_string(p)), std::string::npos) << text;
    EXPECT_NE(text.find("Body text number " + std::to_string(p)), std::string::npos) << text;
    EXPECT_NE(text.find("Quarterly report"), std::string::npos);
  }
  // The header line lies below the caption, the body at 2 inches: check the text's place.
  std::string bbox = CaptureCommand("pdftotext -bbox -f 1 -l 1 '" + file + "' - | grep -m1 'Body'");
  ASSERT_NE(bbox.find("xMin=\""), std::string::npos) << bbox;
  EXPECT_NEAR(std::stod(bbox.substr(bbox.find("xMin=\"") + 6)), 72, 3);
  EXPECT_NEAR(std::stod(bbox.substr(bbox.find("yMin=\"") + 6)), 144, 6);

  preview.SetOrientation(gmLandscape);
  PrintPreviewToPdf(preview, file);
  info = CaptureCommand("pdfinfo '" + file + "'");
  EXPECT_EQ(Field(info, "Page size").substr(0, 9), "842 x 595");
}

TEST(PagePdf, ALineAndAFilledShapeLandWhereTheyWereDrawn) {
  TPgPreview preview(nullptr);
  TPgCanvas& c = preview.Canvas();
  c.Brush().SetColor(clRed);
  c.Pen().SetColor(clRed);
  c.Rectangle(1, 1, 3, 2, gmInches);
  c.Pen().SetColor(clBlack);
  c.Pen().SetWidth(8);  // two points
  c.Line(1, 5, 7, 5, gmInches);
  c.Brush().SetColor(clBlue);
  c.Ellipse(4, 6, 6, 8, gmInches);
  std::string file = OutFile("shapes");
  PrintPreviewToPdf(preview, file);
  QImage img = PageImage(file, 1, 72);
  ASSERT_EQ(img.width(), 595);
  EXPECT_TRUE(Near(img.pixel(144, 108), 255, 0, 0)) << std::hex << img.pixel(144, 108);
  EXPECT_TRUE(Near(img.pixel(60, 108), 255, 255, 255));
  int dark = 0;
  for (int x = 80; x < 500; ++x) dark += qGray(img.pixel(x, 360)) < 100;
  EXPECT_GT(dark, 400) << "the line at 5 inches";
  EXPECT_TRUE(Near(img.pixel(360, 504), 0, 0, 255)) << "the ellipse's centre is blue";
  EXPECT_TRUE(Near(img.pixel(292, 436), 255, 255, 255)) << "outside the ellipse, inside its box";
}

TEST(PagePdf, TwoAndFourPagesPerSheetAreScaledIntoTheirAreas) {
  TPgPreview preview(nullptr);
  const TColor colours[] = {clRed, clBlue, clLime, clYellow};
  for (int i = 0; i < 4; ++i) {
    if (i > 0) preview.NewPage();
    preview.Canvas().Brush().SetColor(colours[i]);
    preview.Canvas().Pen().SetColor(colours[i]);
    preview.Canvas().Rectangle(0.5, 0.5, 7.76, 11.19, gmInches);
  }
  preview.SetPagesPerSheet(gmTwoPage);
  std::string file = OutFile("two-up");
  PrintPreviewToPdf(preview, file);
  std::string info = CaptureCommand("pdfinfo -f 1 -l 2 '" + file + "'");
  EXPECT_EQ(Field(info, "Pages"), "2");
  EXPECT_EQ(Field(info, "Page    1 size").substr(0, 9), "842 x 595");
  QImage img = PageImage(file, 1, 72);
  // Each page at 70 % in its half: the left half red, the right half blue.
  EXPECT_TRUE(Near(img.pixel(200, 300), 255, 0, 0));
  EXPECT_TRUE(Near(img.pixel(620, 300), 0, 0, 255));
  // The scaled page is 0.7 x 8.26 inches wide: its fill ends before the middle of the sheet.
  EXPECT_TRUE(Near(img.pixel(415, 300), 255, 255, 255));
  EXPECT_TRUE(Near(img.pixel(200, 590), 255, 255, 255)) << "below the scaled page";

  preview.SetPagesPerSheet(gmFourPage);
  file = OutFile("four-up");
  PrintPreviewToPdf(preview, file);
  info = CaptureCommand("pdfinfo '" + file + "'");
  EXPECT_EQ(Field(info, "Pages"), "1");
  EXPECT_EQ(Field(info, "Page size").substr(0, 9), "595 x 842");
  img = PageImage(file, 1, 72);
  EXPECT_TRUE(Near(img.pixel(150, 200), 255, 0, 0));
  EXPECT_TRUE(Near(img.pixel(450, 200), 0, 0, 255));
  EXPECT_TRUE(Near(img.pixel(150, 620), 0, 255, 0));
  EXPECT_TRUE(Near(img.pixel(450, 620), 255, 255, 0));
}

TEST(PagePdf, APrintedGridRepeatsItsFirstRowOnEveryPage) {
  TPgPreview preview(nullptr);
  TStringGrid grid(nullptr);
  grid.SetColCount(3);
  grid.SetRowCount(120);
  grid.SetDefaultRowHeight(20);
  grid.SetDefaultColWidth(150);
  grid.SetCells(0, 0, "Code");
  grid.SetCells(1, 0, "Name");
  grid.SetCells(2, 0, "Amount");
  for (int r = 1; r < 120; ++r) {
    grid.SetCells(0, r, "R" + std::to_string(r));
    grid.SetCells(1, r, "Item" + std::to_string(r));
    grid.SetCells(2, r, std::to_string(r * 7));
  }
  TPgGridPrint printer(nullptr);
  printer.SetPreview(&preview);
  printer.SetGrid(&grid);
  printer.Font().SetSize(9);
  printer.Print(gmInches, 0.5, 0.75, 0);
  ASSERT_GE(preview.NumPages(), 3);
  std::string file = OutFile("grid");
  PrintPreviewToPdf(preview, file);
  int pages = std::stoi(Field(CaptureCommand("pdfinfo '" + file + "'"), "Pages"));
  EXPECT_EQ(pages, preview.NumPages());
  int rows = 0, last = 0;
  for (int p = 1; p <= pages; ++p) {
    std::string text = PageText(file, p);
    std::size_t first = text.find_first_not_of(" \n\f");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.compare(first, 4, "Code"), 0) << "page " << p << ":\n" << text.substr(0, 200);
    for (std::size_t at = text.find("Item"); at != std::string::npos; at = text.find("Item", at + 4)) {
      int n = std::stoi(text.substr(at + 4));
      EXPECT_EQ(n, last + 1) << "rows in order, none lost";
      last = n;
      ++rows;
    }
  }
  EXPECT_EQ(rows, 119);
}

TEST(PagePdf, RichTextPagesCarryTheWholeTextInOrder) {
  TPgPreview preview(nullptr);
  TPgRtfPreview pager(nullptr);
  pager.SetPreview(&preview);
  TRichEdit edit(nullptr);
  std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
  for (int i = 1; i <= 150; ++i) rtf += (i % 10 == 0 ? "\\b Para" : "Para") + std::to_string(i) + " of the record print.\\b0\\par ";
  rtf += "}";
  edit.SetRichText(rtf);
  pager.RichEditToPreview(edit);
  ASSERT_GE(preview.NumPages(), 3);
  std::string file = OutFile("rich-text");
  PrintPreviewToPdf(preview, file);
  int pages = std::stoi(Field(CaptureCommand("pdfinfo '" + file + "'"), "Pages"));
  EXPECT_EQ(pages, preview.NumPages());
  int last = 0;
  for (int p = 1; p <= pages; ++p) {
    std::string text = PageText(file, p);
    for (std::size_t at = text.find("Para"); at != std::string::npos; at = text.find("Para", at + 4)) {
      int n = std::stoi(text.substr(at + 4));
      EXPECT_EQ(n, last + 1) << "page " << p;
      last = n;
    }
    // The text stays inside the page's text rectangle (margins of half an inch).
    std::string box = CaptureCommand("pdftotext -bbox -f " + std::to_string(p) + " -l " + std::to_string(p) + " '" + file +
                              "' - | grep -o 'yMax=\"[0-9.]*' | cut -d'\"' -f2 | sort -n | tail -1");
    EXPECT_LE(std::stod(box), 842 - 36 + 1) << "page " << p;
  }
  EXPECT_EQ(last, 150);
}

TEST(PagePreview, PaperAtActualSizeAndWholePage) {
  TPgPreview preview(nullptr);
  preview.SetBounds(0, 0, 900, 1200);
  preview.Canvas().Brush().SetColor(clRed);
  preview.Canvas().Rectangle(1, 1, 2, 2, gmInches);
  preview.Canvas().Brush().SetStyle(bsClear);
  preview.Canvas().Font().SetSize(24);
  preview.Canvas().TextBox(1, 3, 7, 0, "A text box that wraps its words over more than one line of the page",
                           taLeftJustify, gmTop, 0.05, gmInches);
  preview.SetZoom(100);
  TBitmap bmp(900, 1200);
  TRect paper = preview.PaperRect();
  preview.PaperImage().Paint(bmp.Canvas(), paper);
  bmp.ReleaseCanvas();
  std::filesystem::path dir = std::filesystem::path(QN_BINARY_DIR) / "tests" / "print" / "pdf";
  std::filesystem::create_directories(dir);
  bmp.SaveToFile((dir / "preview-100.bmp").string());
  // At 100 % an inch is 96 pixels.
  COLORREF inside = bmp.PixelAt(paper.Left + 144, paper.Top + 144);
  EXPECT_EQ(inside, 0x0000FFu) << std::hex << inside;
  EXPECT_EQ(bmp.PixelAt(paper.Left + 80, paper.Top + 144), 0xFFFFFFu);
  int dark = 0;
  for (int y = paper.Top + 3 * 96; y < paper.Top + 4 * 96; ++y)
    for (int x = paper.Left + 96; x < paper.Left + 7 * 96; ++x) dark += GetRValue(bmp.PixelAt(x, y)) < 100;
  EXPECT_GT(dark, 2000) << "the text box's words";

  preview.FitWholePage();
  EXPECT_EQ(preview.Zoom(), std::min(static_cast<int>(100.0 * (900 - 80) / (8.26 * 96)),
                                     static_cast<int>(100.0 * (1200 - 80) / (11.69 * 96))));
  TBitmap whole(900, 1200);
  paper = preview.PaperRect();
  preview.PaperImage().Paint(whole.Canvas(), paper);
  whole.ReleaseCanvas();
  whole.SaveToFile((dir / "preview-whole.bmp").string());
  double scale = 96 * preview.Zoom() / 100.0;
  EXPECT_EQ(whole.PixelAt(paper.Left + static_cast<int>(1.5 * scale), paper.Top + static_cast<int>(1.5 * scale)), 0x0000FFu);
  EXPECT_EQ(whole.PixelAt(paper.Right + 1, paper.Top + 20), 0x000000u) << "the shadow";
}

}  // namespace
