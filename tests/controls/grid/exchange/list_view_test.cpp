// The list view: sorting by styles, links that reach the shell, clipboard, column widths and
// printing on the recording printer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/grid/qn_list_view.h"
#include "grid_test_support.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_printing.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/shell.h"

namespace {

class ListView : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    for (int c = 0; c < 3; ++c) lv.Columns().Add()->SetCaption("C" + std::to_string(c));
  }
  void Add(const std::string& caption, const std::vector<std::string>& subs = {}) {
    TListItem* item = lv.Items().Add();
    item->SetCaption(caption);
    for (const std::string& s : subs) item->SubItems().Add(s);
  }
  std::string Order(int column = 0) {
    std::string out;
    for (int i = 0; i < lv.Items().Count(); ++i) out += lv.CellText(i, column) + ",";
    return out;
  }
  void Style(TSortStyle style, const std::string& prefix = "") {
    lv.OnGetFormat = [style, prefix](TObject*, int, TSortStyle& s, std::string& p, std::string&) {
      s = style;
      p = prefix;
    };
  }
  TQnListView lv{nullptr};
};

TEST_F(ListView, SortsByCaptionsAndSubItemsMissingSubItemsAreEmpty) {
  Add("b", {"2"});
  Add("a", {"3", "z"});
  Add("c");
  lv.SetSortColumn(0);
  EXPECT_EQ(Order(), "a,b,c,");
  lv.SetSortColumn(1);
  EXPECT_EQ(Order(), "c,b,a,");  // c has no sub-item: its text is empty
  lv.SetSortDirection(sdDescending);
  EXPECT_EQ(Order(), "c,b,a,");  // storing the direction does not sort
  lv.SetSortColumn(2);
  EXPECT_EQ(Order(), "a,c,b,");  // descending: "z" first, then the two empty ones in their order
}

TEST_F(ListView, NumbersWithPrefixCaseFreeTextAndFourDigitYears) {
  Add("$9");
  Add("$10");
  Add("$1,5");
  Style(sortNumber, "$");
  lv.SetSortColumn(0);
  EXPECT_EQ(Order(), "$9,$10,$1,5,");  // "$1,5" does not read: equal to both, so it stays behind
  lv.Items().Clear();
  Add("12");
  Add("abc");
  EXPECT_EQ(lv.CompareItems(lv.Items()[0], lv.Items()[1]), 0);

  Style(sortTextNoCase);
  lv.Items().Clear();
  Add("apple");
  Add("APPLE");
  EXPECT_EQ(lv.CompareItems(lv.Items()[0], lv.Items()[1]), 0);

  // Day-month-year with four-digit years: 1999 stays 1999 and sorts before 2001.
  Style(sortDateDMY);
  lv.Items().Clear();
  Add("01-02-2001");
  Add("31-12-1999");
  Add("15-06-99");
  lv.SetSortColumn(0);
  EXPECT_EQ(Order(), "15-06-99,31-12-1999,01-02-2001,");
  Style(sortDateMDY);
  lv.Items().Clear();
  Add("02-01-2001");
  Add("12-31-1999");
  lv.SetSortColumn(0);
  EXPECT_EQ(Order(), "12-31-1999,02-01-2001,");
}

TEST_F(ListView, UnansweredComparisonsKeepTheOrderAndAnInconsistentOneStaysInBounds) {
  for (const char* s : {"d", "a", "c", "b", "e"}) Add(s);
  Style(sortCustom);
  lv.SetSortColumn(0);
  EXPECT_EQ(Order(), "d,a,c,b,e,");
  Style(sortRaw);
  lv.SetSortColumn(0);
  EXPECT_EQ(Order(), "d,a,c,b,e,");
  Style(sortAuto);
  lv.SetSortColumn(0);
  EXPECT_EQ(Order(), "d,a,c,b,e,");
  // A handler that says "greater" for every pair: every item is kept, once.
  Style(sortCustom);
  lv.OnCustomCompare = [](TObject*, int, const std::string&, const std::string&, int& res) { res = 1; };
  for (int i = 0; i < 200; ++i) Add("x" + std::to_string(i));
  lv.SetSortColumn(0);
  EXPECT_EQ(lv.Items().Count(), 205);
  std::string all = Order();
  for (const char* s : {"d,", "a,", "x0,", "x199,"}) EXPECT_NE(all.find(s), std::string::npos) << s;
  lv.OnCustomCompare = [](TObject*, int, const std::string& a, const std::string& b, int& res) {
    res = a < b ? 1 : a > b ? -1 : 0;
  };
  lv.Items().Clear();
  for (const char* s : {"b", "c", "a"}) Add(s);
  lv.SetSortColumn(0);
  EXPECT_EQ(Order(), "c,b,a,");
}

TEST_F(ListView, HeaderClicksSortAndFlipTheDirection) {
  for (const char* s : {"b", "c", "a"}) Add(s);
  lv.SortShow = true;
  int done = 0;
  lv.OnSortDone = [&done](TObject*, int) { ++done; };
  auto click = [this] {
    // The column click as the header reports it.
    struct Access : TQnListView { using TQnListView::ColClick; };
    (lv.*static_cast<void (TQnListView::*)(TListColumn*)>(&Access::ColClick))(lv.Columns()[0]);
  };
  click();
  EXPECT_EQ(Order(), "a,b,c,");
  click();
  EXPECT_EQ(Order(), "c,b,a,");
  click();
  EXPECT_EQ(Order(), "a,b,c,");
  EXPECT_EQ(done, 3);
  lv.OnSortStart = [](TObject*, int, bool& enable) { enable = false; };
  click();
  EXPECT_EQ(Order(), "a,b,c,");
  EXPECT_EQ(done, 3);
}

TEST_F(ListView, OnlyWebAndMailLinksReachTheShell) {
  EXPECT_TRUE(IsShellLink("http://x.example"));
  EXPECT_TRUE(IsShellLink("HTTPS://x.example"));
  EXPECT_TRUE(IsShellLink("ftp://x.example/f"));
  EXPECT_TRUE(IsShellLink("mailto:a@b.example"));
  EXPECT_FALSE(IsShellLink("file:///etc/passwd"));
  EXPECT_FALSE(IsShellLink("javascript://alert(1)"));
  EXPECT_FALSE(IsShellLink("record://42"));
  std::vector<std::string> opened, anchors;
  SetShellHandler([&opened](const TShellRequest& r) {
    opened.push_back(r.File);
    return std::intptr_t{42};
  });
  lv.OnAnchorClick = [&anchors](TObject*, const std::string& a) { anchors.push_back(a); };
  lv.ClickLink("http://x.example");
  lv.ClickLink("file:///bin/sh");
  lv.ClickLink("record://42");
  SetShellHandler(nullptr);
  EXPECT_EQ(opened, (std::vector<std::string>{"http://x.example"}));
  EXPECT_EQ(anchors, (std::vector<std::string>{"file:///bin/sh", "record://42"}));
}

TEST_F(ListView, ClipboardCopiesSelectedItemsAndPastesLinesAsItems) {
  Add("a", {"1", "x"});
  Add("b", {"2"});
  Add("c");
  lv.SetMultiSelect(true);
  lv.Items()[0]->SetSelected(true);
  lv.Items()[2]->SetSelected(true);
  lv.CopyToClipboard();
  EXPECT_EQ(Clipboard().AsText(), "a\t1\tx\r\nc\r\n");
  lv.CutToClipboard();
  EXPECT_EQ(Order(), "b,");
  Clipboard().SetAsText("p\tq\tr\ts\r\nlast");
  lv.PasteFromClipboard();
  EXPECT_EQ(Order(), "b,p,last,");
  EXPECT_EQ(lv.Columns().Count(), 4);
  EXPECT_EQ(lv.CellText(1, 3), "s");
  EXPECT_TRUE(lv.Items()[2]->Selected());
}

TEST_F(ListView, ASubItemEditWritesTheCellAndKeepsTheCaption) {
  Add("cap", {"one", "two"});
  lv.SubItemEdit = true;
  lv.SetBounds(0, 0, 300, 200);
  bool refuse = true;
  lv.OnCanEditCell = [&refuse](TObject*, int, int sub, bool& allow) { allow = !(refuse && sub == 2); };
  EXPECT_FALSE(lv.EditCell(0, 2));
  EXPECT_FALSE(lv.IsEditing());
  refuse = false;
  ASSERT_TRUE(lv.EditCell(0, 2));
  ASSERT_NE(lv.EditControl(), nullptr);
  EXPECT_EQ(lv.EditControl()->Text(), "two");
  EXPECT_EQ(lv.EditControl()->Left(), lv.GetSubItemRect(0, 2, LVIR_LABEL).Left);
  lv.EditControl()->SetText("changed");
  lv.EndEdit(true);
  EXPECT_EQ(lv.CellText(0, 2), "changed");
  EXPECT_EQ(lv.CellText(0, 0), "cap");
  EXPECT_EQ(lv.CellText(0, 1), "one");
}

TEST_F(ListView, ColumnWidthsAreWrittenWhenTheListGoes) {
  const std::string ini = GridTempPath("lvcols", ".ini");
  {
    TQnListView list(nullptr);
    for (int c = 0; c < 3; ++c) list.Columns().Add()->SetWidth(40 + c);
    list.ColumnSize().Save = true;
    list.ColumnSize().Key = ini;
    list.ColumnSize().Section = "LIST";
  }
  TIniFile file(ini);
  EXPECT_EQ(file.ReadInteger("LIST", "col0", -1), 40);
  EXPECT_EQ(file.ReadInteger("LIST", "col2", -1), 42);
  EXPECT_EQ(file.ReadInteger("LIST", "col3", -1), -1);
}

TEST_F(ListView, PrintsCaptionsRepeatedHeadersAndAWideColumnAlone) {
  RemovePrintDevices();
  TRecordingPrinter& rec = InstallRecordingPrinter();
  Printer().SetPrinterIndex(-1);
  for (int i = 0; i < 150; ++i) Add("item" + std::to_string(i), {"s" + std::to_string(i)});
  lv.PrintSettings().RepeatHeaders = true;
  lv.PrintSettings().PageNr = ppBottomRight;
  lv.Print();
  ASSERT_FALSE(rec.Jobs().empty());
  const auto& pages = rec.Jobs().back().Pages;
  ASSERT_GE(pages.size(), 2u);
  auto text = [&pages](std::size_t p) {
    std::string out;
    for (const TPaintCall& c : pages[p].Calls)
      if (c.Kind == TPaintKind::Text) out += c.Text + "|";
    return out;
  };
  EXPECT_NE(text(0).find("C1|"), std::string::npos);
  EXPECT_EQ(text(0).find("C1|"), text(0).rfind("C1|"));  // once on the first page
  EXPECT_NE(text(1).find("C1|"), std::string::npos);  // repeated
  EXPECT_NE(text(1).find(" 2 |"), std::string::npos);
  std::string all;
  for (std::size_t p = 0; p < pages.size(); ++p) all += text(p);
  EXPECT_NE(all.find("item149|"), std::string::npos);
  EXPECT_EQ(all.find("item150|"), std::string::npos);

  lv.Items().Clear();
  Add("a", {std::string(500, 'W'), "z"});
  lv.PrintSettings().RepeatHeaders = false;
  lv.Print();
  const auto& bands = rec.Jobs().back().Pages;
  ASSERT_EQ(bands.size(), 3u);
  RemovePrintDevices();
}

}  // namespace
