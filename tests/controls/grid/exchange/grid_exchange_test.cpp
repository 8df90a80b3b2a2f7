// HTML and workbook export and import, and the clipboard, of the grid; HTML checked by Python's
// html.parser and tidy, workbooks by openpyxl.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "controls/grid/qn_grid.h"
#include "platform/rtl/format_settings.h"
#include "tests/decimal_comma_locale.h"
#include "tests/outside_programs.h"
#include "grid_test_support.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/clipboard.h"

namespace {

class HeadlessEnvironment : public ::testing::Environment {
public:
  void SetUp() override { InstallHeadlessBackend(); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new HeadlessEnvironment);

std::string Python(const std::string& script) {
  const std::string path = GridTempPath("peer", ".py");
  WriteWholeFile(path, script);
  return CaptureCommand("/usr/bin/python3 " + path + " 2>&1");
}

bool HaveOpenpyxl() { return Python("import openpyxl\nprint('ok')\n") == "ok\n"; }

// A data grid of one fixed row and no fixed column.
void Fill(TQnStringGrid& g, int cols, int rows) {
  g.SetColCount(cols);
  g.SetRowCount(rows);
  g.SetFixedCols(0);
  for (int c = 0; c < cols; ++c) g.SetCells(c, 0, "H" + std::to_string(c));
  for (int r = 1; r < rows; ++r)
    for (int c = 0; c < cols; ++c) g.SetCells(c, r, std::to_string(r * 100 + c));
}

// ---- HTML ----------------------------------------------------------------------------------

// Prints each cell's text (as html.parser gives it back) and the table's attributes.
const char kHtmlPeer[] = R"(
import sys, html.parser
class P(html.parser.HTMLParser):
    def __init__(s):
        super().__init__(convert_charrefs=True); s.cells=[]; s.cur=None; s.table=None; s.hrefs=[]
    def handle_starttag(s, tag, attrs):
        if tag=='table': s.table=attrs
        if tag=='td': s.cur=''
        if tag=='a': s.hrefs.append(dict(attrs).get('href'))
        if tag=='script': print('SCRIPT')
        if tag=='br' and s.cur is not None: s.cur+='\n'
    def handle_endtag(s, tag):
        if tag=='td': s.cells.append(s.cur); s.cur=None
    def handle_data(s, d):
        if s.cur is not None: s.cur+=d.replace('\n','')
p=P(); p.feed(open(sys.argv[1], encoding='latin-1').read())
print('TABLE', p.table)
for c in p.cells: print('CELL', repr(c))
for h in p.hrefs: print('HREF', repr(h))
)";

TEST(GridHtml, EscapedCellsAndLinksComeBackWholeThroughHtmlParser) {
  TQnStringGrid g(nullptr);
  Fill(g, 3, 3);
  g.SetCells(0, 1, "a < b & \"c\" > d");
  g.SetCells(1, 1, "<script>alert(1)</script>");
  g.SetCells(2, 1, "http://x.example/?a=1&b=\"2\"");
  g.SetCells(0, 2, "line1\r\nline2");
  g.SetCells(1, 2, "<B>bold</B> kept");
  g.HTMLSettings().TableStyle = "class=\"report\"";
  g.SetURLShow(true);
  const std::string path = GridTempPath("cells", ".html");
  g.SaveToHTML(path);
  const std::string peer = GridTempPath("htmlpeer", ".py");
  WriteWholeFile(peer, kHtmlPeer);
  const std::string out = CaptureCommand("/usr/bin/python3 " + peer + " " + path + " 2>&1");
  EXPECT_EQ(out.find("SCRIPT"), std::string::npos) << out;
  EXPECT_NE(out.find("TABLE [('border', '1'), ('cellspacing', '0'), ('cellpadding', '0'), ('width', '100%'), "
                     "('class', 'report')]"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("CELL 'a < b & \"c\" > d'"), std::string::npos) << out;
  EXPECT_NE(out.find("CELL '<script>alert(1)</script>'"), std::string::npos) << out;
  EXPECT_NE(out.find("HREF 'http://x.example/?a=1&b=\"2\"'"), std::string::npos) << out;
  EXPECT_NE(out.find("CELL 'line1\\nline2'"), std::string::npos) << out;
  EXPECT_NE(out.find("CELL 'bold kept'"), std::string::npos) << out;
  EXPECT_NE(out.find("CELL 'H0'"), std::string::npos) << out;
}

// Links are exported as the grid shows them: no anchor without URLShow; with it, the whole
// address as the reference and, unless URLFull, the shown text without its protocol.
TEST(GridHtml, LinksFollowURLShowAndURLFull) {
  static const char kAnchors[] = R"(
import sys, html.parser
class P(html.parser.HTMLParser):
    def __init__(s):
        super().__init__(convert_charrefs=True); s.href=None; s.text=''; s.n=0
    def handle_starttag(s, tag, attrs):
        if tag=='a': s.href=dict(attrs).get('href'); s.text=''
    def handle_endtag(s, tag):
        if tag=='a': print('A', repr(s.href), repr(s.text)); s.href=None; s.n+=1
    def handle_data(s, d):
        if s.href is not None: s.text+=d
p=P(); p.feed(open(sys.argv[1], encoding='latin-1').read())
print('ANCHORS', p.n)
)";
  const std::string peer = GridTempPath("anchors", ".py");
  WriteWholeFile(peer, kAnchors);
  TQnStringGrid g(nullptr);
  Fill(g, 3, 2);
  g.SetCells(0, 1, "https://shop.example/item?id=7&x=1");
  g.SetCells(1, 1, "mailto:orders@shop.example");
  g.SetCells(2, 1, "plain: not a link");
  auto anchors = [&] {
    const std::string path = GridTempPath("links", ".html");
    g.SaveToHTML(path);
    const std::string out = CaptureCommand("/usr/bin/python3 " + peer + " " + path + " 2>&1");
    std::filesystem::remove(path);
    return out;
  };
  EXPECT_EQ(anchors(), "ANCHORS 0\n");
  g.SetURLShow(true);
  EXPECT_EQ(anchors(), "A 'https://shop.example/item?id=7&x=1' 'shop.example/item?id=7&x=1'\n"
                       "A 'mailto:orders@shop.example' 'orders@shop.example'\nANCHORS 2\n");
  g.SetURLFull(true);
  EXPECT_EQ(anchors(), "A 'https://shop.example/item?id=7&x=1' 'https://shop.example/item?id=7&x=1'\n"
                       "A 'mailto:orders@shop.example' 'mailto:orders@shop.example'\nANCHORS 2\n");
  EXPECT_EQ(MakeCellLink("http://a.example/" + std::string(300, 'x'), true, false).size(),
            std::string("<A HREF=\"http://a.example/\"></A>").size() + 300 + 255);
}

TEST(GridHtml, TidyFindsNoMalformedTagInAStyledPage) {
  ASSERT_FALSE(CaptureCommand("command -v tidy").empty()) << "the checker tidy is missing: scripts/setup installs the package tidy";
  TQnStringGrid g(nullptr);
  Fill(g, 4, 5);
  g.SetCells(1, 2, "x & y <z>");
  g.HTMLSettings().TableStyle = "style=\"border-collapse:collapse\"";
  g.HTMLSettings().CellPadding = 3;
  const std::string body = GridTempPath("tidybody", ".html");
  g.SaveToHTML(body);
  // Wrapped into a complete page so that tidy judges the table, not the missing frame.
  const std::string page = GridTempPath("tidypage", ".html");
  WriteWholeFile(page, "<!DOCTYPE html><html><head><title>t</title></head><body>" + ReadWholeFile(body) +
                           "</body></html>");
  const std::string out = CaptureCommand("tidy -q -e " + page + " 2>&1");
  EXPECT_EQ(out.find("Error"), std::string::npos) << out;
  EXPECT_EQ(out.find("malformed"), std::string::npos) << out;
  EXPECT_EQ(out.find("unexpected"), std::string::npos) << out;
}

TEST(GridHtml, TableTagAttributesAndColoursResolved) {
  TQnStringGrid g(nullptr);
  Fill(g, 2, 2);
  g.HTMLSettings().Width = 80;
  g.HTMLSettings().CellSpacing = 2;
  std::vector<std::string> lines = g.HTMLLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "<table border=\"1\" cellspacing=\"2\" cellpadding=\"0\" width=\"80%\">");
  // The default cell colour is the window colour, written as its RGB value, not its raw bytes.
  EXPECT_NE(lines[2].find("BGCOLOR=\"#FFFFFF\""), std::string::npos) << lines[2];
  EXPECT_NE(lines[2].find("<font color=\"#000000\">100</font>"), std::string::npos) << lines[2];
  EXPECT_NE(lines[1].find("<td nowrap BGCOLOR=\"#"), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find("><B>H0</B></td>"), std::string::npos) << lines[1];
  EXPECT_EQ(lines.back(), "</table><p>");

  g.HTMLSettings().SaveColor = false;
  g.HTMLSettings().SaveFonts = false;
  g.SetWordWrap(true);
  g.SetCells(0, 0, "");
  g.OnGetAlignment = [](TObject*, int, int ACol, TAlignment& A) { if (ACol == 1) A = taRightJustify; };
  lines = g.HTMLLines();
  EXPECT_EQ(lines[1], "<tr><td><B><br></B></td><td align=\"right\"><B>H1</B></td></tr>");
  EXPECT_EQ(lines[2], "<tr><td>100</td><td align=\"right\">101</td></tr>");
}

TEST(GridHtml, HeaderAndFooterFilesFrameThePageAndAMissingOneWritesNothing) {
  TQnStringGrid g(nullptr);
  Fill(g, 1, 2);
  const std::string header = GridTempPath("head", ".html"), footer = GridTempPath("foot", ".html");
  WriteWholeFile(header, "<html><body>\r\n");
  WriteWholeFile(footer, "</body></html>");
  g.HTMLSettings().HeaderFile = header;
  g.HTMLSettings().FooterFile = footer;
  g.HTMLSettings().PrefixTag = "<h1>T</h1>";
  const std::string path = GridTempPath("framed", ".html");
  g.SaveToHTML(path);
  const std::string page = ReadWholeFile(path);
  EXPECT_EQ(page.rfind("<html><body>\r\n<h1>T</h1>\r\n<table", 0), 0u) << page;
  EXPECT_NE(page.find("</table><p>\r\n</body></html>\r\n"), std::string::npos) << page;

  std::filesystem::remove(path);
  g.HTMLSettings().HeaderFile = header + ".missing";
  EXPECT_THROW(g.SaveToHTML(path), EQnGridError);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_THROW(g.SaveToHTML("/nonexistent-dir/x.html"), EQnGridError);
}

// A page of a few megabytes goes out in pieces: the file is every line once, in order, with the
// escaped, linked and markup cells whole wherever a piece ends.
TEST(GridHtml, ALargePageIsWrittenWholeLineForLine) {
  TQnStringGrid g(nullptr);
  Fill(g, 4, 20000);
  for (int r = 1; r < g.RowCount(); r += 7) {
    g.SetCells(1, r, "a<b & \"c\"\r" + std::to_string(r));
    g.SetCells(2, r, "http://host/?q=" + std::to_string(r) + "&x");
    g.SetCells(3, r, "<B>bold</B><script>" + std::to_string(r));
  }
  g.SetURLShow(true);
  g.SetURLFull(true);
  const std::string path = GridTempPath("large", ".html");
  g.SaveToHTML(path);
  std::string expected;
  for (const std::string& line : g.HTMLLines()) expected += line + "\r\n";
  const std::string page = ReadWholeFile(path);
  ASSERT_GT(page.size(), 2u << 20);
  EXPECT_TRUE(page == expected) << page.size() << " bytes written, " << expected.size() << " expected";
  EXPECT_NE(page.find("<td nowrap BGCOLOR=\"#FFFFFF\"><font color=\"#000000\">a&lt;b &amp; &quot;c&quot;<br>19993</font>"),
            std::string::npos);
  EXPECT_NE(page.find("<A HREF=\"http://host/?q=19993&amp;x\">http://host/?q=19993&amp;x</A>"), std::string::npos);
  EXPECT_NE(page.find("<B>bold</B>&lt;script>19993"), std::string::npos);
  std::filesystem::remove(path);
}

// ---- Clipboard -----------------------------------------------------------------------------

// A 3 x 3 editable grid that does not grow on pastes.
void MakeEditable(TQnStringGrid& g) {
  g.SetColCount(3);
  g.SetRowCount(3);
  g.SetOptions(g.Options() + goEditing);
  g.Navigation().AllowClipboardColGrow = false;
  g.Navigation().AllowClipboardRowGrow = false;
}

class GridClipboard : public ::testing::Test {
protected:
  void SetUp() override { MakeEditable(g); }
  TQnStringGrid g{nullptr};
};

TEST_F(GridClipboard, CopyWritesTabsAndCrLfAndPasteStoresWhatFits) {
  g.SetCells(1, 1, "a");
  g.SetCells(2, 1, "b");
  g.SetCells(1, 2, "c");
  g.SetCells(2, 2, "d");
  g.SetSelection(TGridRect{1, 1, 2, 2});
  g.CopyToClipBoard();
  EXPECT_EQ(Clipboard().AsText(), "a\tb\r\nc\td\r\n");

  TQnStringGrid h(nullptr);
  MakeEditable(h);
  EXPECT_EQ(h.PasteAtCell(1, 1), 4);
  EXPECT_EQ(h.Cells(1, 1), "a");
  EXPECT_EQ(h.Cells(2, 2), "d");

  TQnStringGrid k(nullptr);
  MakeEditable(k);
  k.PasteText(2, 2, "a\tb\r\nc\td\r\n");
  EXPECT_EQ(k.Cells(2, 2), "a");
  EXPECT_EQ(k.ColCount(), 3);
  EXPECT_EQ(k.RowCount(), 3);
  k.Navigation().AllowClipboardColGrow = true;
  k.Navigation().AllowClipboardRowGrow = true;
  EXPECT_EQ(k.PasteText(2, 2, "a\tb\r\nc\td\r\n"), 4);
  EXPECT_EQ(k.ColCount(), 4);
  EXPECT_EQ(k.RowCount(), 4);
  EXPECT_EQ(k.Cells(3, 2), "b");
  EXPECT_EQ(k.Cells(2, 3), "c");
  EXPECT_EQ(k.Cells(3, 3), "d");
}

TEST_F(GridClipboard, ALastLineWithoutLineBreakIsPastedWhole) {
  EXPECT_EQ(g.PasteText(1, 1, "x\ty\r\nlast1\tlast2"), 4);
  EXPECT_EQ(g.Cells(1, 2), "last1");
  EXPECT_EQ(g.Cells(2, 2), "last2");
  EXPECT_EQ(g.PasteText(1, 1, "single"), 1);
  EXPECT_EQ(g.Cells(1, 1), "single");
  // No row grows after the last line.
  g.Navigation().AllowClipboardRowGrow = true;
  g.PasteText(1, 2, "p\r\nq");
  EXPECT_EQ(g.RowCount(), 4);
  EXPECT_EQ(g.Cells(1, 3), "q");
  EXPECT_EQ(TQnStringGrid::PasteSize("a\tb\tc\r\nd"), (TPoint{3, 2}));
  EXPECT_EQ(TQnStringGrid::PasteSize("a\tb\r\n"), (TPoint{2, 1}));
}

TEST_F(GridClipboard, PasteRespectsEditabilityAndTheEditingOption) {
  g.OnCanEditCell = [](TObject*, int ARow, int ACol, bool& v) { if (ARow == 1 && ACol == 2) v = false; };
  g.PasteText(1, 1, "a\tb\r\n");
  EXPECT_EQ(g.Cells(1, 1), "a");
  EXPECT_EQ(g.Cells(2, 1), "");
  g.Navigation().AllowClipboardAlways = true;
  g.PasteText(1, 1, "a\tb\r\n");
  EXPECT_EQ(g.Cells(2, 1), "b");
  g.Navigation().AllowClipboardAlways = false;
  g.SetOptions(g.Options() - goEditing);
  EXPECT_EQ(g.PasteText(1, 1, "z"), 0);
  EXPECT_EQ(g.Cells(1, 1), "a");
  EXPECT_EQ(g.PasteText(-1, 1, "z"), 0);
}

TEST_F(GridClipboard, CutLeavesReadOnlyCellsUnlessAlwaysAllowed) {
  g.SetCells(1, 1, "keep");
  g.SetCells(2, 1, "go");
  g.OnCanEditCell = [](TObject*, int, int ACol, bool& v) { if (ACol == 1) v = false; };
  g.SetSelection(TGridRect{1, 1, 2, 1});
  g.CutToClipBoard();
  EXPECT_EQ(Clipboard().AsText(), "keep\tgo\r\n");
  EXPECT_EQ(g.Cells(1, 1), "keep");
  EXPECT_EQ(g.Cells(2, 1), "");
  g.Navigation().AllowClipboardAlways = true;
  g.CutToClipBoard();
  EXPECT_EQ(g.Cells(1, 1), "");
}

TEST_F(GridClipboard, SmartPasteFillsOneValueAndContinuesSeries) {
  g.SetColCount(6);
  g.Navigation().AllowSmartClipboard = true;
  Clipboard().SetAsText("7");
  g.SetSelection(TGridRect{1, 1, 3, 2});
  g.PasteFromClipBoard();
  for (int r = 1; r <= 2; ++r)
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(g.Cells(c, r), "7") << c << "," << r;

  Clipboard().SetAsText("1\t3\r\n");
  g.SetSelection(TGridRect{1, 1, 5, 1});
  g.PasteFromClipBoard();
  EXPECT_EQ(g.Cells(1, 1), "1");
  EXPECT_EQ(g.Cells(3, 1), "5");
  EXPECT_EQ(g.Cells(4, 1), "7");
  EXPECT_EQ(g.Cells(5, 1), "9");

  g.SetRowCount(5);
  Clipboard().SetAsText("0.5\r\n0.75\r\n");
  g.SetSelection(TGridRect{1, 1, 1, 4});
  g.PasteFromClipBoard();
  EXPECT_EQ(g.Cells(1, 2), "0.75");
  EXPECT_EQ(g.Cells(1, 3), "1");
  EXPECT_EQ(g.Cells(1, 4), "1.25");
}

TEST_F(GridClipboard, RichTextTravelsUnderItsOwnFormat) {
  const std::string rtf = "{\\rtf1 hello}";
  g.SetCells(1, 1, rtf);
  g.Navigation().AllowRTFClipboard = true;
  g.SetSelection(TGridRect{1, 1, 1, 1});
  g.CopyToClipBoard();
  std::string data;
  ASSERT_TRUE(Clipboard().GetBuffer(RegisterClipboardFormat("Rich Text Format"), data));
  EXPECT_EQ(data, rtf + std::string(1, '\0'));
  EXPECT_EQ(Clipboard().AsText(), "hello\r\n");
  EXPECT_EQ(g.PasteAtCell(2, 2), 0);
  EXPECT_EQ(g.Cells(2, 2), rtf);
}

// ---- Workbooks -----------------------------------------------------------------------------

TEST(GridWorkbook, RangeLettersAndCorners) {
  EXPECT_EQ(RangeColumnLetters(1), "A");
  EXPECT_EQ(RangeColumnLetters(26), "Z");
  EXPECT_EQ(RangeColumnLetters(30), "AD");
  EXPECT_EQ(RangeColumnLetters(52), "AZ");
  EXPECT_EQ(RangeColumnLetters(53), "BA");
  int c = 0, r = 0;
  ASSERT_TRUE(ParseRangeCorner("$AD$12", c, r));
  EXPECT_EQ(c, 30);
  EXPECT_EQ(r, 12);
  EXPECT_FALSE(ParseRangeCorner("$A", c, r));
  EXPECT_FALSE(ParseRangeCorner("1A", c, r));
}

TEST(GridWorkbook, OpenpyxlReadsOurExportCellForCellWithNumbersAsNumbers) {
  ASSERT_TRUE(HaveOpenpyxl()) << "the checker openpyxl is missing: scripts/setup installs the package python3-openpyxl";
  TQnStringGrid g(nullptr);
  Fill(g, 30, 4);
  g.SetCells(2, 2, "two\r\nlines");
  g.SetCells(3, 3, "007");
  const std::string path = GridTempPath("export", ".xls");
  std::filesystem::remove(path);
  g.SaveToXLS(path, "Data");
  const std::string out = Python(
      "import openpyxl\nwb=openpyxl.load_workbook(open('" + path + "','rb'))\nws=wb['Data']\n"
      "print(wb.sheetnames, ws.dimensions)\n"
      "print(repr(ws['A1'].value), repr(ws['B2'].value), repr(ws['AD4'].value), repr(ws['C3'].value), repr(ws['D4'].value))\n");
  EXPECT_EQ(out, "['Data'] A1:AD4\n'H0' 101 329 'two\\nlines' '007'\n");
}

// Money, decimal and date cells of a report grid are numbers and dates of the spreadsheet (its
// sums count them); codes with leading zeros, long digit runs and other texts stay texts.
TEST(GridWorkbook, NumbersAndDatesOfTheGridAreNumbersAndDatesOfTheWorkbook) {
  ASSERT_TRUE(HaveOpenpyxl()) << "the checker openpyxl is missing: scripts/setup installs the package python3-openpyxl";
  TFormatSettings us = DefaultFormatSettings();
  us.ShortDateFormat = "m/d/yyyy";
  us.DateSeparator = '/';
  us.DecimalSeparator = '.';
  us.ThousandSeparator = ',';
  TFormatSettingsScope scope(us);
  TQnStringGrid g(nullptr);
  g.SetColCount(4);
  g.SetRowCount(4);
  g.SetFixedCols(0);
  const char* cells[4][4] = {{"Price", "Bought", "Code", "Weight"},
                             {"12.50", "03/15/2024", "007", "1,234.5"},
                             {"1234", "12/31/1999", "1234567890123456", "-0.25"},
                             {"", "not/a date", "12-3", "5 kg"}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) g.SetCells(c, r, cells[r][c]);
  // A column the application says is a number column with a suffix.
  g.OnGetFormat = [](TObject*, int ACol, TSortStyle& Style, std::string&, std::string& Suffix) {
    if (ACol == 3) {
      Style = sortNumberGrouped;
      Suffix = " kg";
    }
  };
  const std::string path = GridTempPath("typed", ".xlsx");
  std::filesystem::remove(path);
  g.SaveToXLS(path, "Report");
  const std::string out = Python(
      "import openpyxl\nws=openpyxl.load_workbook(open('" + path + "','rb'))['Report']\n"
      "for row in ws.iter_rows():\n"
      "  print(' '.join('%s:%r:%s' % (type(c.value).__name__, c.value, c.number_format) for c in row))\n"
      "print(sum(c.value for c in ws['A'][1:] if isinstance(c.value, (int, float))))\n");
  std::filesystem::remove(path);
  EXPECT_EQ(out,
            "str:'Price':General str:'Bought':General str:'Code':General str:'Weight':General\n"
            "float:12.5:0.00 datetime:datetime.datetime(2024, 3, 15, 0, 0):m\\/d\\/yyyy str:'007':General "
            "float:1234.5:#,##0.0\n"
            "int:1234:General datetime:datetime.datetime(1999, 12, 31, 0, 0):m\\/d\\/yyyy "
            "str:'1234567890123456':General float:-0.25:0.00\n"
            "NoneType:None:General str:'not/a date':General str:'12-3':General int:5:General\n"
            "1246.5\n");
}

// A cell is a number of the workbook only when it is one in the program's number format: a
// comma counts only between groups of three digits, so "99,95" and "1.234,50" go as the texts
// they are (they were the numbers 9995 and 1.2345, and the sheet's sum was wrong) and a grouped
// "1,234.50" is 1234.5.  The desktop's locale changes none of it.
TEST(GridWorkbook, OnlyNumbersOfTheProgramsFormatBecomeNumbers) {
  ASSERT_TRUE(HaveOpenpyxl()) << "the checker openpyxl is missing: scripts/setup installs the package python3-openpyxl";
  TFormatSettingsScope scope(DefaultFormatSettings());
  const std::vector<std::string> prices = {"99,95", "1.234,50", "1,234.50", "1,234",     "12,34",
                                           "1,2345", "-1,234.50", "1 234.50", "10.25", "12,345,678.5"};
  auto exported = [&](const std::string& name) {
    TQnStringGrid g(nullptr);
    g.SetColCount(1);
    g.SetRowCount(static_cast<int>(prices.size()) + 1);
    g.SetFixedCols(0);
    g.SetCells(0, 0, "Price");
    for (std::size_t r = 0; r < prices.size(); ++r) g.SetCells(0, static_cast<int>(r) + 1, prices[r]);
    const std::string path = GridTempPath(name, ".xlsx");
    std::filesystem::remove(path);
    g.SaveToXLS(path, "Report");
    const std::string out = Python(
        "import openpyxl\nws=openpyxl.load_workbook(open('" + path + "','rb'))['Report']\n"
        "for (c,) in ws.iter_rows(min_row=2):\n  print('%s:%r' % (type(c.value).__name__, c.value))\n");
    std::filesystem::remove(path);
    return out;
  };
  const std::string want =
      "str:'99,95'\nstr:'1.234,50'\nfloat:1234.5\nint:1234\nstr:'12,34'\nstr:'1,2345'\nfloat:-1234.5\n"
      "str:'1 234.50'\nfloat:10.25\nfloat:12345678.5\n";
  EXPECT_EQ(exported("figures"), want);
  TDecimalCommaLocale comma;
  ASSERT_TRUE(comma.Active()) << "no decimal-comma locale could be made";
  EXPECT_EQ(exported("figures_comma"), want);
}

// Dates in a workbook come back as dates in the grid's date format, from an .xlsx file and from
// an older binary .xls file alike.
TEST(GridWorkbook, DatesReadBackAsDatesAndOlderBinaryWorkbooksImport) {
  ASSERT_TRUE(HaveOpenpyxl()) << "the checker openpyxl is missing: scripts/setup installs the package python3-openpyxl";
  TFormatSettings settings = DefaultFormatSettings();
  settings.ShortDateFormat = "dd.mm.yyyy";
  settings.DateSeparator = '.';
  TFormatSettingsScope scope(settings);
  const std::string book = GridTempPath("dates", ".xlsx");
  ASSERT_EQ(Python("import openpyxl, datetime\nwb=openpyxl.Workbook()\nws=wb.active\n"
                   "ws['A1']='When'\nws['A2']=datetime.date(2024,3,15)\nws['B2']=45366\n"
                   "wb.save('" + book + "')\nprint('ok')\n"),
            "ok\n");
  TQnStringGrid g(nullptr);
  g.SetFixedCols(0);
  g.LoadFromXLS(book, "");
  std::filesystem::remove(book);
  EXPECT_EQ(g.Cells(0, 1), "When");  // below the fixed row
  EXPECT_EQ(g.Cells(0, 2), "15.03.2024");
  EXPECT_EQ(g.Cells(1, 2), "45366");
  ASSERT_EQ(Python("import xlwt\nprint('ok')\n"), "ok\n") << "the workbook writer xlwt is missing: scripts/setup installs the package python3-xlwt";
  const std::string old = GridTempPath("older", ".xls");
  ASSERT_EQ(Python("import xlwt, datetime\nwb=xlwt.Workbook()\nws=wb.add_sheet('Stock')\n"
                   "ws.write(0,0,'Item'); ws.write(0,1,'Price'); ws.write(0,2,'Since')\n"
                   "ws.write(1,0,'Lamp'); ws.write(1,1,12.5)\n"
                   "ws.write(1,2,datetime.date(2023,1,31),xlwt.easyxf(num_format_str='mm/dd/yyyy'))\n"
                   "wb.add_sheet('Notes').write(0,0,'n')\nwb.save('" + old + "')\nprint('ok')\n"),
            "ok\n");
  TQnStringGrid x(nullptr);
  x.SetFixedCols(0);
  x.SetFixedRows(1);
  x.LoadFromXLS(old, "Stock");
  EXPECT_EQ(x.ColCount(), 3);
  EXPECT_EQ(x.RowCount(), 3);
  EXPECT_EQ(x.Cells(0, 2), "Lamp");
  EXPECT_EQ(x.Cells(1, 2), "12.5");
  EXPECT_EQ(x.Cells(2, 2), "31.01.2023");
  x.LoadFromXLS(old, "Notes");
  EXPECT_EQ(x.Cells(0, 1), "n");
  // Exporting into the older file is refused with a plain message, and the file stays.
  const std::string before = ReadWholeFile(old);
  EXPECT_THROW(x.SaveToXLS(old, "Stock"), Exception);
  EXPECT_EQ(ReadWholeFile(old), before);
  std::filesystem::remove(old);
}

TEST(GridWorkbook, ImportReadsWhatOpenpyxlWroteAndKeepsTheOtherSheetOnSave) {
  ASSERT_TRUE(HaveOpenpyxl()) << "the checker openpyxl is missing: scripts/setup installs the package python3-openpyxl";
  const std::string path = GridTempPath("peer", ".xlsx");
  const std::string out = Python(
      "import openpyxl\nwb=openpyxl.Workbook()\nws=wb.active\nws.title='First'\n"
      "ws['B2']='x'\nws['C2']=12.5\nws['B4']='y'\nws['C4']=3\n"
      "o=wb.create_sheet('Other')\no['A1']='keep me'\no['E9']=42\nwb.save('" + path + "')\nprint('ok')\n");
  ASSERT_EQ(out, "ok\n");
  TQnStringGrid g(nullptr);
  g.SetFixedCols(1);
  g.SetFixedRows(1);
  g.LoadFromXLS(path, "First");
  EXPECT_EQ(g.ColCount(), 3);  // 2 columns of $B$2:$C$4 after the fixed one
  EXPECT_EQ(g.RowCount(), 4);
  EXPECT_EQ(g.Cells(1, 1), "x");
  EXPECT_EQ(g.Cells(2, 1), "12.5");
  EXPECT_EQ(g.Cells(1, 3), "y");
  EXPECT_EQ(g.Cells(2, 3), "3");
  try {
    g.LoadFromXLS(path, "Nope");
    ADD_FAILURE() << "no error";
  } catch (const EQnGridError& e) {
    EXPECT_STREQ(e.what(), "Excel worksheet Nope not found");
  }
  // Saving into the first sheet leaves the second as it was.
  g.SetCells(1, 1, "changed");
  g.SaveToXLS(path, "First");
  const std::string back = Python(
      "import openpyxl\nwb=openpyxl.load_workbook(open('" + path + "','rb'))\n"
      "print(wb.sheetnames, repr(wb['First']['B2'].value), repr(wb['Other']['A1'].value), wb['Other']['E9'].value)\n");
  EXPECT_EQ(back, "['First', 'Other'] 'changed' 'keep me' 42\n");
}

TEST(GridWorkbook, ASingleCellSheetAndAFileThatIsNoWorkbook) {
  ASSERT_TRUE(HaveOpenpyxl()) << "the checker openpyxl is missing: scripts/setup installs the package python3-openpyxl";
  const std::string path = GridTempPath("one", ".xlsx");
  ASSERT_EQ(Python("import openpyxl\nwb=openpyxl.Workbook()\nwb.active['C3']='only'\nwb.save('" + path +
                   "')\nprint('ok')\n"),
            "ok\n");
  TQnStringGrid g(nullptr);
  g.SetFixedCols(0);
  g.SetFixedRows(0);
  g.LoadFromXLS(path, "");
  EXPECT_EQ(g.ColCount(), 1);
  EXPECT_EQ(g.RowCount(), 1);
  EXPECT_EQ(g.Cells(0, 0), "only");
  const std::string bad = GridTempPath("bad", ".xls");
  WriteWholeFile(bad, "not a workbook");
  g.SetCells(0, 0, "stays");
  EXPECT_ANY_THROW(g.LoadFromXLS(bad, ""));
  EXPECT_EQ(g.Cells(0, 0), "stays");
}

}  // namespace
