// The list view: sorting by styles, links that reach the shell, clipboard, column widths and
// printing on the recording printer.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/grid/qn_list_view.h"
#include "grid_test_support.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_printing.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/application.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/forms.h"
#include "platform/ui/screen.h"
#include "platform/ui/scroll_bars.h"
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

TEST_F(ListView, HeaderStylesAndTheSortMarkFromImagesOrGlyphs) {
  lv.SetHeaderHotTrack(true);
  EXPECT_TRUE(lv.Header().Style() & HDS_HOTTRACK);
  lv.SetHeaderFlatStyle(true);
  EXPECT_FALSE(lv.Header().Style() & HDS_BUTTONS);
  lv.SetHeaderFlatStyle(false);
  EXPECT_TRUE(lv.Header().Style() & HDS_BUTTONS);
  lv.SetHeaderDragDrop(true);
  EXPECT_TRUE(lv.ExtendedStyle() & LVS_EX_HEADERDRAGDROP);
  lv.SetSubImages(true);
  EXPECT_TRUE(lv.ExtendedStyle() & LVS_EX_SUBITEMIMAGES);
  lv.SetSubImages(false);
  EXPECT_TRUE(lv.ExtendedStyle() & LVS_EX_HEADERDRAGDROP);  // the other style stays

  for (const char* s : {"b", "a"}) Add(s, {"x", "y"});
  lv.SortShow = true;
  auto* images = new TImageList(16, 16);
  lv.SetHeaderImages(images);
  EXPECT_EQ(lv.Header().Images(), images);
  lv.SetSortColumn(1);
  EXPECT_EQ(lv.Columns()[1]->ImageIndex(), 0);
  EXPECT_TRUE(lv.Header().Sections(1)->Format() & HDF_IMAGE);
  lv.SetSortDirection(sdDescending);
  lv.SortIndicator = siRight;
  lv.SetSortColumn(2);
  EXPECT_EQ(lv.Columns()[1]->ImageIndex(), -1);  // the old column's mark goes
  EXPECT_EQ(lv.Columns()[2]->ImageIndex(), 1);
  EXPECT_TRUE(lv.Header().Sections(2)->ImageOnRight());
  // Freed, the image list is forgotten by the list and its header.
  delete images;
  EXPECT_EQ(lv.HeaderImages(), nullptr);
  EXPECT_EQ(lv.Header().Images(), nullptr);

  // Both glyphs loaded: the glyph of the direction beside the caption.
  TBitmap up, down;
  up.SetSize(7, 5);
  down.SetSize(9, 5);
  lv.SetSortUpGlyph(up);
  lv.SetSortDownGlyph(down);
  lv.SetSortColumn(0);
  ASSERT_NE(lv.Header().Sections(0)->Bitmap(), nullptr);
  EXPECT_EQ(lv.Header().Sections(0)->Bitmap()->Width(), 9);
  lv.SetSortDirection(sdAscending);
  lv.SetSortColumn(0);
  EXPECT_EQ(lv.Header().Sections(0)->Bitmap()->Width(), 7);
  lv.SetSortColumn(1);
  EXPECT_EQ(lv.Header().Sections(0)->Bitmap(), nullptr);
}

TEST_F(ListView, HeaderNotificationsReachTheListsEvents) {
  lv.SetBounds(0, 0, 300, 200);
  lv.SetFilterBar(true);
  EXPECT_TRUE(lv.Header().FilterBar());
  lv.SetFilterTimeOut(250);
  EXPECT_EQ(lv.Header().FilterChangeTimeout(), 250u);
  std::vector<int> filtered, sized, rclicked;
  lv.OnFilterChange = [&filtered](TObject*, int c) { filtered.push_back(c); };
  ASSERT_TRUE(lv.Header().EditFilter(1));
  lv.Header().FilterEdit()->SetText("abc");
  lv.Header().ClearFilter(1);
  EXPECT_EQ(filtered, (std::vector<int>{1}));

  // Column tracking: the start may be refused; its end puts the sort mark back.
  bool allow = false;
  lv.OnStartColumnTrack = [&allow](TObject*, int, bool& a) { a = allow; };
  NMHEADER begin;
  begin.hdr.code = HDN_BEGINTRACK;
  begin.iItem = 2;
  EXPECT_NE(SendNotify(lv.Header(), begin.hdr), 0);
  allow = true;
  EXPECT_EQ(SendNotify(lv.Header(), begin.hdr), 0);
  auto* images = new TImageList(16, 16);
  lv.SetHeaderImages(images);
  lv.SortShow = true;
  lv.SetSortColumn(2);
  lv.Columns()[1]->SetImageIndex(3);
  lv.OnColumnSized = [&sized](TObject*, int c) { sized.push_back(c); };
  for (int column : {1, 2}) {
    NMHEADER end;
    end.hdr.code = HDN_ENDTRACK;
    end.iItem = column;
    SendNotify(lv.Header(), end.hdr);
  }
  EXPECT_EQ(sized, (std::vector<int>{1, 2}));
  EXPECT_EQ(lv.Columns()[1]->ImageIndex(), -1);
  EXPECT_EQ(lv.Columns()[2]->ImageIndex(), 0);
  delete images;

  // A right click on the header names the column under the mouse.
  lv.OnColumnRClick = [&rclicked](TObject*, int c) { rclicked.push_back(c); };
  const TRect r = lv.Header().SectionRect(1);
  const TPoint p = lv.Header().ClientToScreen(TPoint{(r.Left + r.Right) / 2, r.Top + 3});
  SetCursorPos(p.X, p.Y);
  NMHDR click;
  click.code = NM_RCLICK;
  SendNotify(lv.Header(), click);
  EXPECT_EQ(rclicked, (std::vector<int>{1}));
}

TEST_F(ListView, WallpaperItemHeightAndHoverTime) {
  TBitmap paper;
  paper.SetSize(32, 32);
  lv.SetWallpaper(paper);
  EXPECT_EQ(lv.BkColor(), CLR_NONE);
  EXPECT_NE(lv.Brush().Bitmap(), nullptr);
  lv.SetWallpaper(TBitmap());
  EXPECT_EQ(lv.BkColor(), CLR_DEFAULT);
  EXPECT_EQ(lv.Brush().Bitmap(), nullptr);

  Add("a");
  EXPECT_EQ(lv.RowHeight(), 13);
  lv.SetItemHeight(21);
  EXPECT_EQ(lv.RowHeight(), 21);
  lv.SetItemHeight(0);  // ignored
  EXPECT_EQ(lv.ItemHeight(), 21);

  lv.SetHoverTime(123);
  EXPECT_EQ(lv.Perform(LVM_GETHOVERTIME), 123);
  EXPECT_EQ(lv.HoverTime(), 123);
}

TEST_F(ListView, AutoHintShowsTheWholeTextOfANarrowCellOnly) {
  lv.SetBounds(0, 0, 300, 200);
  lv.Columns()[0]->SetWidth(40);
  lv.Columns()[1]->SetWidth(200);
  Add("a caption far too long for forty pixels", {"short", "x"});
  Add("<b>bold</b> markup that is long too", {});
  lv.AutoHint = true;
  auto hint = [this](int column, int item) {
    const TRect cell = lv.GetSubItemRect(item, column, LVIR_LABEL);
    THintInfo info;
    info.HintStr = "own";
    info.CursorPos = TPoint{cell.Left + 5, (cell.Top + cell.Bottom) / 2};
    lv.Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    return std::make_pair(info.HintStr, info.HintPos);
  };
  const auto [text, at] = hint(0, 0);
  EXPECT_EQ(text, "a caption far too long for forty pixels");
  const TRect cell = lv.GetSubItemRect(0, 0, LVIR_BOUNDS);
  EXPECT_EQ(at.Y, lv.ClientToScreen(TPoint{0, cell.Top}).Y);
  EXPECT_EQ(hint(1, 0).first, "own");  // wide enough: the control's own hint
  EXPECT_EQ(hint(0, 1).first, "bold markup that is long too");
}

TEST_F(ListView, ScrollHintShowsTheCaptionAtTheThumb) {
  lv.SetBounds(0, 0, 200, 120);
  for (int i = 0; i < 60; ++i) Add("item" + std::to_string(i));
  lv.ScrollHint = true;
  lv.Repaint();
  lv.ScrollBarState(SB_VERT).TrackPos = 40;
  lv.Perform(WM_VSCROLL, SB_THUMBTRACK);
  ASSERT_NE(lv.ScrollHintWindow(), nullptr);
  EXPECT_TRUE(lv.ScrollHintWindow()->Active());
  EXPECT_EQ(lv.ScrollHintWindow()->Caption(), "item40");
  lv.Perform(WM_VSCROLL, SB_ENDSCROLL);
  EXPECT_FALSE(lv.ScrollHintWindow()->Active());
}

TEST_F(ListView, ADragScrollsAtTheEdgesAndLeavingTheListForgetsIt) {
  lv.SetBounds(0, 0, 200, 150);
  for (int i = 0; i < 40; ++i) Add("item" + std::to_string(i));
  lv.ReArrangeItems = true;
  lv.Repaint();
  const TRect second = lv.GetSubItemRect(1, 0, LVIR_BOUNDS);
  lv.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, (second.Top + second.Bottom) / 2));
  EXPECT_EQ(lv.DragItem(), 1);
  lv.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, lv.ClientHeight() - 2));
  lv.Perform(WM_TIMER, TQnListView::kScrollTimer);
  lv.Perform(WM_TIMER, TQnListView::kScrollTimer);
  EXPECT_EQ(lv.TopIndex(), 2);
  lv.Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, lv.HeaderHeight() + 2));
  lv.Perform(WM_TIMER, TQnListView::kScrollTimer);
  EXPECT_EQ(lv.TopIndex(), 1);
  lv.Perform(CM_MOUSELEAVE);
  EXPECT_EQ(lv.DragItem(), -1);
  lv.Perform(WM_TIMER, TQnListView::kScrollTimer);
  EXPECT_EQ(lv.TopIndex(), 1);
  EXPECT_EQ(Order().substr(0, 12), "item0,item1,");  // nothing moved
}

TEST_F(ListView, FollowsItsFormAndGivesTheFormItsHandlerBack) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  int calls = 0;
  form.OnResize = [&calls](TObject*) {
    ++calls;
    throw std::runtime_error("a failing handler of the form");
  };
  auto* list = new TQnListView(&form);
  list->SetParent(&form);
  list->SetBounds(10, 10, 100, 80);
  list->SizeWithForm = true;
  form.SetBounds(0, 0, 450, 330);
  EXPECT_EQ(list->Width(), 150);
  EXPECT_EQ(list->Height(), 110);
  EXPECT_EQ(calls, 1);
  list->SizeWithForm = false;
  form.SetBounds(0, 0, 470, 330);
  EXPECT_EQ(list->Width(), 150);
  EXPECT_EQ(calls, 2);
  delete list;
  // The form calls its own handler again, not the freed list.
  EXPECT_THROW(form.OnResize(&form), std::runtime_error);
  EXPECT_EQ(calls, 3);
  // A handler set after the list came stays when the list goes.
  auto* other = new TQnListView(&form);
  bool later = false;
  form.OnResize = [&later](TObject*) { later = true; };
  delete other;
  form.SetBounds(0, 0, 500, 340);
  EXPECT_TRUE(later);
}

// A list that counts the items it was told became selected.
class TCountingList : public TQnListView {
public:
  using TQnListView::TQnListView;
  std::vector<int> Selected;

protected:
  void ItemSelected(int ItemIndex) override { Selected.push_back(ItemIndex); }
};

TEST_F(ListView, ClicksNameTheCellAndSelectionsAreTold) {
  TCountingList list(nullptr);
  list.SetBounds(0, 0, 300, 200);
  for (int c = 0; c < 3; ++c) list.Columns().Add()->SetWidth(80);
  for (int i = 0; i < 3; ++i) {
    TListItem* item = list.Items().Add();
    item->SetCaption("i" + std::to_string(i));
    item->SubItems().Add("a");
    item->SubItems().Add("b");
  }
  std::vector<std::string> clicks;
  list.OnLeftClickCell = [&clicks](TObject*, int item, int sub) { clicks.push_back("L" + std::to_string(item) + "." + std::to_string(sub)); };
  list.OnRightClickCell = [&clicks](TObject*, int item, int sub) { clicks.push_back("R" + std::to_string(item) + "." + std::to_string(sub)); };
  const TRect cell = list.GetSubItemRect(2, 2, LVIR_LABEL);
  const LPARAM at = MAKELPARAM((cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2);
  list.Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  list.Perform(WM_LBUTTONUP, 0, at);
  list.Perform(WM_RBUTTONDOWN, MK_RBUTTON, at);
  list.Perform(WM_RBUTTONUP, 0, at);
  EXPECT_EQ(clicks, (std::vector<std::string>{"L2.2", "R2.2"}));
  EXPECT_TRUE(list.Selected.empty());  // a press beside the caption selects nothing
  const TRect caption = list.GetSubItemRect(1, 0, LVIR_LABEL);
  const LPARAM on = MAKELPARAM(caption.Left + 10, (caption.Top + caption.Bottom) / 2);
  list.Perform(WM_LBUTTONDOWN, MK_LBUTTON, on);
  list.Perform(WM_LBUTTONUP, 0, on);
  EXPECT_EQ(clicks.back(), "L1.0");
  // Told for each change that leaves the item selected (the selection, then the focus).
  ASSERT_FALSE(list.Selected.empty());
  EXPECT_EQ(std::count(list.Selected.begin(), list.Selected.end(), 1), static_cast<long>(list.Selected.size()));
  list.Selected.clear();
  list.Items()[0]->SetSelected(true);
  EXPECT_EQ(list.Selected, (std::vector<int>{0}));
  list.Items()[0]->SetSelected(false);
  EXPECT_EQ(list.Selected, (std::vector<int>{0}));  // a change away from the selection is not told
  EXPECT_EQ(list.GetVersionNr() & 0xFFFF, 1);
  EXPECT_EQ(list.GetVersionNr() >> 16, 52);
}

}  // namespace
