// The grid's and the list view's printing on the "PDF" printer of the Qt backend (offscreen),
// read back by poppler: pdfinfo for the page count, size and orientation, pdftotext -layout for
// the page texts, pdftoppm for a picture of a page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "controls/grid/print_settings_dialog.h"
#include "controls/grid/qn_grid.h"
#include "tests/outside_programs.h"
#include "controls/grid/qn_list_view.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/printer.h"
#include "tests/qt_test_app.h"

namespace {

const auto* const kEnvironment = UseQtBackend("grid_pdf_tests");

std::string OutFile(const std::string& name, const std::string& ext = ".pdf") {
  const auto dir = std::filesystem::path(QN_BINARY_DIR) / "tests" / "controls" / "grid" / "pdf";
  std::filesystem::create_directories(dir);
  return (dir / (name + ext)).string();
}

// Selects the "PDF" printer writing into `file`.
void UsePdf(const std::string& file) {
  TPrinter& p = Printer();
  const auto names = p.Printers();
  ASSERT_FALSE(names.empty());
  ASSERT_EQ(names.back(), "PDF");
  p.SetPrinterIndex(static_cast<int>(names.size()) - 1);
  std::filesystem::remove(file);
  p.SetOutputFile(file);
}

std::string Info(const std::string& file, const std::string& key) {
  const std::string info = CaptureCommand("pdfinfo '" + file + "'");
  const std::size_t at = info.find(key + ":");
  if (at == std::string::npos) return "";
  const std::size_t start = info.find_first_not_of(' ', at + key.size() + 1);
  return info.substr(start, info.find('\n', start) - start);
}

std::string PageText(const std::string& file, int page) {
  return CaptureCommand("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + file + "' -");
}

// Page 1 of a PDF file as pdftoppm draws it at `dpi` (null when it could not).
QImage PagePicture(const std::string& file, const std::string& name, int dpi) {
  const std::string base = OutFile(name, "");
  CaptureCommand("pdftoppm -r " + std::to_string(dpi) + " -f 1 -l 1 -png '" + file + "' '" + base + "'");
  QImage image;
  for (const char* suffix : {"-1.png", "-01.png", "-001.png"})
    if (image.load(QString::fromStdString(base + suffix))) break;
  return image;
}

void FillWide(TQnStringGrid& g, int cols, int rows) {
  g.SetColCount(cols);
  g.SetRowCount(rows);
  for (int c = 0; c < cols; ++c) g.SetCells(c, 0, "Head" + std::to_string(c));
  for (int r = 1; r < rows; ++r) {
    g.SetCells(0, r, "row" + std::to_string(r));
    for (int c = 1; c < cols; ++c) g.SetCells(c, r, "cell r" + std::to_string(r) + " c" + std::to_string(c) + " text");
  }
}

TEST(GridPdf, BandsPageTextsTitlesAndRepeatedFixedRows) {
  const std::string file = OutFile("grid_bands");
  UsePdf(file);
  TQnStringGrid g(nullptr);
  FillWide(g, 14, 160);
  TPrintsettings& ps = g.PrintSettings();
  ps.PageNr = ppBottomCenter;
  ps.Title = ppTopCenter;
  ps.TitleLines().Add("Quarterly list");
  ps.TitleLines().Add("second title line");
  ps.RepeatFixedRows = true;
  ps.RepeatFixedCols = true;
  ps.Borders = pbSingle;
  g.Print();
  ASSERT_TRUE(std::filesystem::exists(file));
  const int pages = std::atoi(Info(file, "Pages").c_str());
  EXPECT_EQ(pages, g.TotalPages);
  ASSERT_GE(pages, 4);
  EXPECT_NE(Info(file, "Page size").find("595"), std::string::npos) << Info(file, "Page size");  // A4 portrait
  const std::string p1 = PageText(file, 1), p2 = PageText(file, 2);
  EXPECT_NE(p1.find("1-1"), std::string::npos) << p1;
  EXPECT_NE(p2.find("2-1"), std::string::npos) << p2;
  EXPECT_NE(p1.find("Quarterly list"), std::string::npos);
  EXPECT_NE(p1.find("second title line"), std::string::npos);
  EXPECT_NE(p2.find("Head1"), std::string::npos);  // the fixed row again on page 2
  bool secondBand = false;
  for (int p = 2; p <= pages && !secondBand; ++p) {
    const std::string t = PageText(file, p);
    if (t.find("1-2") != std::string::npos) {
      secondBand = true;
      EXPECT_NE(t.find("row1 "), std::string::npos) << t;  // the fixed column repeats
    }
  }
  EXPECT_TRUE(secondBand);

  // A picture of page 1: dark text and lines on white.
  const QImage image = PagePicture(file, "grid_bands_p1", 50);
  ASSERT_FALSE(image.isNull());
  int dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 100;
  EXPECT_GT(dark, 200);
  Printer().SetOutputFile("");
}

TEST(GridPdf, SeparatorTotalsLandscapeAndALaterFirstPage) {
  const std::string file = OutFile("grid_range");
  UsePdf(file);
  TQnStringGrid g(nullptr);
  FillWide(g, 3, 150);
  g.PrintSettings().PageNr = ppTopRight;
  g.PrintSettings().Orientation = poLandscape;
  g.OnPrintStart = [](TObject*, int, int& from, int&) { from = 2; };
  g.Print();
  const int pages = std::atoi(Info(file, "Pages").c_str());
  ASSERT_GE(pages, 2);
  EXPECT_NE(Info(file, "Page size").find("842 x 595"), std::string::npos) << Info(file, "Page size");
  const int total = pages + 1;
  // The first sheet holds page 2: no empty sheet before it.
  EXPECT_NE(PageText(file, 1).find("2/" + std::to_string(total)), std::string::npos) << PageText(file, 1);
  EXPECT_NE(PageText(file, 1).find("cell r"), std::string::npos);
  Printer().SetOutputFile("");
}

TEST(GridPdf, ThePreviewOfTheSettingsDialogLeavesPrintingWhole) {
  const std::string file = OutFile("grid_after_preview");
  UsePdf(file);
  TQnStringGrid g(nullptr);
  FillWide(g, 3, 200);
  TQnGridPrintSettingsDialog dialog(nullptr);
  dialog.SetGrid(&g);
  TQnGridPrintSettingsForm& f = dialog.Form();
  f.Grid = &g;
  f.Show();
  QCoreApplication::processEvents();
  f.PreviewPaintBox->Repaint();
  QCoreApplication::processEvents();
  f.Hide();
  EXPECT_FALSE(g.PreviewFirstPageOnly);
  g.Print();
  EXPECT_GT(std::atoi(Info(file, "Pages").c_str()), 1);
  Printer().SetOutputFile("");
}

TEST(GridPdf, ListViewPagesWithRepeatedCaptions) {
  const std::string file = OutFile("list_view");
  UsePdf(file);
  TQnListView lv(nullptr);
  for (const char* c : {"Name", "Town", "Amount"}) lv.Columns().Add()->SetCaption(c);
  for (int i = 0; i < 200; ++i) {
    TListItem* item = lv.Items().Add();
    item->SetCaption("person " + std::to_string(i));
    item->SubItems().Add("town " + std::to_string(i % 17));
    item->SubItems().Add(std::to_string(i * 3));
  }
  lv.PrintSettings().RepeatHeaders = true;
  lv.PrintSettings().PageNr = ppBottomRight;
  lv.Print();
  const int pages = std::atoi(Info(file, "Pages").c_str());
  ASSERT_GE(pages, 2);
  const std::string p2 = PageText(file, 2);
  EXPECT_NE(p2.find("Town"), std::string::npos) << p2;
  EXPECT_NE(p2.find(" 2"), std::string::npos);
  EXPECT_NE(PageText(file, pages).find("person 199"), std::string::npos);
  Printer().SetOutputFile("");
}

}  // namespace

namespace {

// The box of a word on page 1 in points, from pdftotext -bbox; empty when the word is missing.
TRect WordBox(const std::string& file, const std::string& word) {
  const std::string html = CaptureCommand("pdftotext -bbox -f 1 -l 1 '" + file + "' -");
  const std::size_t end = html.find(">" + word + "</word>");
  if (end == std::string::npos) return TRect{};
  const std::size_t start = html.rfind("<word", end);
  auto value = [&](const std::string& name) {
    const std::size_t at = html.find(name + "=\"", start);
    return at == std::string::npos || at > end ? 0 : static_cast<int>(std::atof(html.c_str() + at + name.size() + 2));
  };
  return TRect{value("xMin"), value("yMin"), value("xMax") + 1, value("yMax") + 1};
}

// Rich-text items and sub-items print as rich text: their words in order, no control words,
// and the red run red where pdftotext finds it, the black words beside it black.
TEST(GridPdf, ListViewRichItemsPrintInTheirOwnFontsAndColours) {
  const std::string file = OutFile("list_view_rich");
  UsePdf(file);
  TQnListView lv(nullptr);
  for (const char* c : {"Name", "Note"}) lv.Columns().Add()->SetCaption(c);
  auto add = [&](const std::string& caption, const std::string& note) {
    TListItem* item = lv.Items().Add();
    item->SetCaption(caption);
    item->SubItems().Add(note);
  };
  add("alpha first", "plain note");
  add("{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\fs20 bravo \\cf1\\b Crimson\\cf0\\b0  second}",
      "{\\rtf1\\fs20 delta \\i slanted}");
  add("charlie third", "{\\x no rtf}");
  lv.Print();
  Printer().SetOutputFile("");
  const std::string text = PageText(file, 1);
  std::size_t at = 0;
  for (const char* word : {"alpha", "bravo", "Crimson", "second", "charlie"}) {
    const std::size_t next = text.find(word, at);
    ASSERT_NE(next, std::string::npos) << word << " after " << at << "\n" << text;
    at = next;
  }
  EXPECT_NE(text.find("delta slanted"), std::string::npos) << text;
  EXPECT_NE(text.find("{\\x no rtf}"), std::string::npos) << text;
  EXPECT_EQ(text.find("rtf1"), std::string::npos) << text;
  EXPECT_EQ(text.find("colortbl"), std::string::npos) << text;

  const TRect crimson = WordBox(file, "Crimson"), bravo = WordBox(file, "bravo");
  ASSERT_GT(crimson.Right, crimson.Left);
  ASSERT_GT(bravo.Right, bravo.Left);
  // At 72 dots per inch a pixel is a point, the unit of pdftotext's boxes.
  const QImage image = PagePicture(file, "list_view_rich_p1", 72);
  ASSERT_FALSE(image.isNull());
  auto count = [&](const TRect& r, auto match) {
    int n = 0;
    for (int y = std::max(0, r.Top - 2); y < std::min(image.height(), r.Bottom + 2); ++y)
      for (int x = std::max(0, r.Left - 2); x < std::min(image.width(), r.Right + 2); ++x) n += match(image.pixel(x, y));
    return n;
  };
  auto red = [](QRgb p) { return qRed(p) > 150 && qGreen(p) < 110 && qBlue(p) < 110; };
  auto dark = [](QRgb p) { return qRed(p) < 110 && qGreen(p) < 110 && qBlue(p) < 110; };
  const int redInWord = count(crimson, red);
  EXPECT_GT(redInWord, 15);
  EXPECT_EQ(count(bravo, red), 0);
  EXPECT_GT(count(bravo, dark), 10);
  // All the page's red is the run's.
  EXPECT_EQ(count(TRect{0, 0, image.width(), image.height()}, red), redInWord);
}

}  // namespace
