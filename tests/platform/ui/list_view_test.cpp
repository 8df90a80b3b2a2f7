#include "platform/ui/list_view.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_peer.h"
#include "platform/ui/scroll_bars.h"

namespace {

// A parent that answers the owner-draw measuring and may refuse item changes.
class TListParent : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  UINT MeasuredHeight = 0;
  int Measures = 0;
  std::vector<UINT> Codes;

protected:
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_MEASUREITEM && MeasuredHeight) {
      ++Measures;
      reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)->itemHeight = MeasuredHeight;
    }
    if (m.Msg == WM_NOTIFY) Codes.push_back(reinterpret_cast<NMHDR*>(m.LParam)->code);
    TCustomControl::WndProc(m);
  }
};

std::string Captions(TListView& lv) {
  std::string s;
  for (int i = 0; i < lv.Items().Count(); ++i) s += (i ? "," : "") + lv.Items()[i]->Caption();
  return s;
}

class ListViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    Parent.SetBounds(0, 0, 500, 400);
    View.SetParent(&Parent);
    View.SetBounds(0, 0, 300, 200);
    for (auto [caption, width] : {std::pair{"Name", 50}, {"Size", 60}, {"Kind", 70}}) {
      TListColumn* c = View.Columns().Add();
      c->SetCaption(caption);
      c->SetWidth(width);
    }
    for (auto [name, size, kind] : {std::tuple{"pear", "30", "fruit"}, {"Apple", "4", "fruit"}, {"leek", "100", "vegetable"}}) {
      TListItem* it = View.Items().Add();
      it->SetCaption(name);
      it->SubItems().Add(size);
      it->SubItems().Add(kind);
    }
  }

  int RowY(int row) { return View.HeaderHeight() + row * View.RowHeight() + 2; }

  TListParent Parent{nullptr};
  TListView View{nullptr};
};

TEST(ListViewBuffer, ItemsWorkWithoutAWindow) {
  TListView buffer(nullptr);
  buffer.SetCheckboxes(true);
  for (int i = 0; i < 3; ++i) {
    TListItem* it = buffer.Items().Add();
    it->SetCaption("R" + std::to_string(i));
    it->SubItems().Add("name " + std::to_string(i));
  }
  buffer.Items()[1]->SetChecked(true);
  buffer.Items()[2]->SetSelected(true);
  buffer.Items().Delete(0);
  EXPECT_EQ(Captions(buffer), "R1,R2");
  EXPECT_TRUE(buffer.Items()[0]->Checked());
  EXPECT_EQ(buffer.Selected(), buffer.Items()[1]);
  EXPECT_EQ(buffer.Items()[1]->Index(), 1);
  EXPECT_THROW(buffer.Items()[2], EListError);
  EXPECT_FALSE(buffer.HandleAllocated());
  buffer.Items().Clear();
  EXPECT_EQ(buffer.Items().Count(), 0);
}

TEST_F(ListViewTest, SortsByCaptionBySubItemAndKeepsSortedOnAdd) {
  View.Items()[0]->SetSelected(true);  // pear
  View.AlphaSort();
  EXPECT_EQ(Captions(View), "Apple,leek,pear");
  EXPECT_EQ(View.Selected()->Caption(), "pear");  // the state goes with the item
  EXPECT_EQ(View.Selected()->Index(), 2);
  View.CustomSort([](TListItem* a, TListItem* b, LPARAM) {
    return std::stoi(a->SubItems()[0]) - std::stoi(b->SubItems()[0]);
  }, 0);
  EXPECT_EQ(Captions(View), "Apple,pear,leek");
  View.OnCompare = [](TObject*, TListItem* a, TListItem* b, LPARAM, int& c) {
    c = -AnsiCompareStr(a->Caption(), b->Caption());
  };
  View.AlphaSort();
  EXPECT_EQ(Captions(View), "pear,leek,Apple");
  View.OnCompare = nullptr;
  View.SetSortType(stText);
  View.Items().Add()->SetCaption("kiwi");
  EXPECT_EQ(Captions(View), "Apple,kiwi,leek,pear");
  View.Items()[0]->SetCaption("zucchini");
  EXPECT_EQ(Captions(View), "kiwi,leek,pear,zucchini");
}

TEST_F(ListViewTest, ChecksAndSelectionsGoThroughOnChanging) {
  View.SetCheckboxes(true);
  View.SetMultiSelect(true);
  std::vector<std::string> log;
  bool allow = true;
  View.OnChanging = [&](TObject*, TListItem*, TItemChange, bool& ok) { ok = allow; };
  View.OnChange = [&](TObject*, TListItem* it, TItemChange c) {
    if (c == ctState) log.push_back(it->Caption() + (it->Checked() ? "+" : "-") + (it->Selected() ? "s" : ""));
  };
  // The check box left of the caption toggles the check.
  HeadlessInput::Click(View, 5, RowY(1));
  EXPECT_TRUE(View.Items()[1]->Checked());
  EXPECT_FALSE(View.Items()[1]->Selected());
  HeadlessInput::Click(View, 30, RowY(0));
  HeadlessInput::Click(View, 30, RowY(2), {ssShift});
  EXPECT_EQ(View.SelCount(), 3);
  HeadlessInput::Click(View, 30, RowY(1), {ssCtrl});
  EXPECT_FALSE(View.Items()[1]->Selected());
  EXPECT_EQ(View.SelCount(), 2);
  EXPECT_EQ(View.ItemFocused(), View.Items()[1]);
  EXPECT_EQ(log.front(), "Apple+");

  allow = false;
  HeadlessInput::Click(View, 30, RowY(1));  // refused: nothing changes
  EXPECT_EQ(View.SelCount(), 2);
  View.Perform(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(View.Items()[1]->Checked());
  allow = true;
  View.Perform(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_FALSE(View.Items()[1]->Checked());
  EXPECT_EQ(View.Perform(LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), LRESULT{INDEXTOSTATEIMAGEMASK(1)});

  // Single selection keeps one.
  View.SetMultiSelect(false);
  EXPECT_EQ(View.SelCount(), 1);
  View.Perform(WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(View.Selected(), View.Items()[2]);
  EXPECT_EQ(View.SelCount(), 1);
}

TEST_F(ListViewTest, SubItemHitTestsAndRectanglesFollowTheColumnOrder) {
  View.SetCheckboxes(true);
  int sub = -1;
  UINT flags = 0;
  EXPECT_EQ(View.SubItemHitTest(55, RowY(1), &sub, &flags), 1);
  EXPECT_EQ(sub, 1);
  EXPECT_EQ(flags, UINT{LVHT_ONITEMLABEL});
  EXPECT_EQ(View.SubItemHitTest(3, RowY(2), &sub, &flags), 2);
  EXPECT_EQ(flags, UINT{LVHT_ONITEMSTATEICON});
  EXPECT_EQ(View.SubItemHitTest(250, RowY(0), &sub, &flags), -1);  // right of the columns
  EXPECT_EQ(View.SubItemHitTest(30, RowY(5), &sub, &flags), -1);
  EXPECT_EQ(flags, UINT{LVHT_BELOW});
  EXPECT_EQ(View.GetItemAt(30, RowY(0)), View.Items()[0]);
  EXPECT_EQ(View.GetItemAt(120, RowY(0)), nullptr);  // a sub-item without row select
  View.SetRowSelect(true);
  EXPECT_EQ(View.GetItemAt(120, RowY(0)), View.Items()[0]);

  // Kind, Name, Size.
  int order[3] = {2, 0, 1};
  EXPECT_EQ(View.Perform(LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order)), TRUE);
  LVHITTESTINFO info;
  info.pt = {10, RowY(0)};
  EXPECT_EQ(View.Perform(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.iSubItem, 2);
  const int top = View.HeaderHeight();
  const int h = View.RowHeight();
  TRect r;
  r.Top = 1;  // sub-item
  r.Left = LVIR_BOUNDS;
  EXPECT_EQ(View.Perform(LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&r)), TRUE);
  EXPECT_EQ(r, Rect(120, top + h, 180, top + 2 * h));
  r.Top = 0;
  r.Left = LVIR_BOUNDS;  // sub-item 0: the whole row
  View.Perform(LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, Rect(0, top + h, 180, top + 2 * h));
  r.Top = 0;
  r.Left = LVIR_LABEL;  // the caption right of its check box
  View.Perform(LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, Rect(70 + 18, top + h, 120, top + 2 * h));
  r.Top = 3;
  EXPECT_EQ(View.Perform(LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&r)), FALSE);
}

TEST_F(ListViewTest, OwnerDrawnRowsAreMeasuredOnceAndDrawnByTheHandler) {
  Parent.MeasuredHeight = 30;
  View.SetOwnerDraw(true);
  EXPECT_EQ(View.RowHeight(), 30);
  EXPECT_EQ(View.RowHeight(), 30);
  EXPECT_EQ(Parent.Measures, 1);
  View.SetHeight(View.Height() + 1);  // a new size measures again
  View.SetHeight(View.Height() - 1);
  EXPECT_EQ(View.RowHeight(), 30);
  EXPECT_EQ(Parent.Measures, 2);
  View.Items()[1]->SetSelected(true);
  std::vector<std::pair<std::string, bool>> drawn;
  View.OnDrawItem = [&](TListView*, TListItem* it, const TRect& r, TOwnerDrawState s) {
    EXPECT_EQ(r.Height(), 30);
    drawn.emplace_back(it->Caption(), s.Contains(odSelected));
  };
  View.Repaint();
  EXPECT_EQ(drawn, (std::vector<std::pair<std::string, bool>>{{"pear", false}, {"Apple", true}, {"leek", false}}));
}

TEST_F(ListViewTest, LabelEditingAsksTellsAndCanBeCancelled) {
  std::string edited;
  bool allow = true;
  View.OnEditing = [&](TObject*, TListItem*, bool& ok) { ok = ok && allow; };
  View.OnEdited = [&](TObject*, TListItem*, std::string& s) {
    edited = s;
    s += "!";
  };
  ASSERT_TRUE(View.Items()[0]->EditCaption());
  auto* edit = reinterpret_cast<TInplaceTextEdit*>(View.Perform(LVM_GETEDITCONTROL));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->Text(), "pear");
  HeadlessInput::Type(*edit, "plum");  // replaces the selected text
  HeadlessInput::Key(*edit, VK_RETURN);
  EXPECT_EQ(edited, "plum");
  EXPECT_EQ(View.Items()[0]->Caption(), "plum!");
  EXPECT_EQ(View.Perform(LVM_GETEDITCONTROL), 0);

  ASSERT_TRUE(View.EditCaption(View.Items()[1]));
  HeadlessInput::Type(*View.EditControl(), "x");
  HeadlessInput::Key(*View.EditControl(), VK_ESCAPE);
  EXPECT_EQ(View.Items()[1]->Caption(), "Apple");

  allow = false;
  EXPECT_FALSE(View.EditCaption(View.Items()[1]));
  View.SetReadOnly(true);
  allow = true;
  EXPECT_FALSE(View.EditCaption(View.Items()[1]));
}

TEST_F(ListViewTest, ScrollByLinesHoverTimeAndColumnClicks) {
  for (int i = 0; i < 20; ++i) View.Items().Add()->SetCaption("more");
  const int h = View.RowHeight();
  View.Perform(LVM_SCROLL, 0, h + 1);  // rounded up to two rows
  EXPECT_EQ(View.Perform(LVM_GETTOPINDEX), 2);
  View.Perform(LVM_SCROLL, 0, -1);
  EXPECT_EQ(View.TopIndex(), 1);
  View.Perform(LVM_SCROLL, 0, 100000);
  EXPECT_EQ(View.TopIndex(), View.Items().Count() - View.VisibleRowCount());
  EXPECT_EQ(View.Perform(LVM_GETHOVERTIME), 400);
  EXPECT_EQ(View.Perform(LVM_SETHOVERTIME, 0, 250), 400);
  EXPECT_EQ(View.HoverTime(), 250u);
  EXPECT_EQ(View.Perform(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE)), TRUE);
  EXPECT_EQ(View.BkColor(), CLR_NONE);

  std::vector<std::string> clicked;
  View.OnColumnClick = [&](TObject*, TListColumn* c) { clicked.push_back(c->Caption()); };
  HeadlessInput::Click(View.Header(), 70, 3);
  EXPECT_EQ(clicked, std::vector<std::string>{"Size"});
  EXPECT_EQ(std::count(Parent.Codes.begin(), Parent.Codes.end(), LVN_COLUMNCLICK), 1);

  // A width dragged in the header comes back to the column.
  HeadlessInput::MouseDown(View.Header(), 50, 3);
  HeadlessInput::MouseMove(View.Header(), 80, 3, {ssLeft});
  HeadlessInput::MouseUp(View.Header(), 80, 3);
  EXPECT_EQ(View.Columns()[0]->Width(), 80);
  EXPECT_EQ(View.Perform(LVM_GETCOLUMNWIDTH, 0), 80);

  // A section added to the header alone has no column and is left out.
  View.Header().AddSection("stray", 40);
  EXPECT_EQ(View.ColumnOrder(), (std::vector<int>{0, 1, 2}));
  View.Repaint();
  EXPECT_EQ(View.Items()[0]->DisplayRect(drBounds).Right, 80 + 60 + 70);
}

TEST_F(ListViewTest, WindowScrollBarsScrollTheRowsAndTheColumns) {
  View.SetViewStyle(vsReport);
  for (int i = 0; i < 30; ++i) View.Items().Add()->SetCaption("row" + std::to_string(i));
  View.Columns()[2]->SetWidth(400);  // wider than the view
  View.HandleNeeded();
  View.Repaint();
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(&View, SB_VERT, &si);
  const int page = View.VisibleRowCount();
  EXPECT_EQ(si.nMax, 32);
  EXPECT_EQ(si.nPage, static_cast<UINT>(page));
  EXPECT_TRUE(View.ScrollBarState(SB_VERT).Visible);
  EXPECT_TRUE(View.ScrollBarState(SB_HORZ).Visible);
  SendScrollAction(&View, SB_VERT, SB_LINEDOWN);
  EXPECT_EQ(View.TopIndex(), 1);
  SendScrollAction(&View, SB_VERT, SB_PAGEDOWN);
  EXPECT_EQ(View.TopIndex(), 1 + page);
  SendScrollAction(&View, SB_VERT, SB_THUMBTRACK, 20);
  EXPECT_EQ(View.TopIndex(), 20);
  SendScrollAction(&View, SB_VERT, SB_BOTTOM);
  EXPECT_EQ(View.TopIndex(), 33 - page);
  EXPECT_EQ(GetScrollPos(&View, SB_VERT), 33 - page);
  // Horizontally in pixels; the header moves with the rows.
  SendScrollAction(&View, SB_HORZ, SB_LINERIGHT);
  EXPECT_EQ(GetScrollPos(&View, SB_HORZ), 8);
  SendScrollAction(&View, SB_HORZ, SB_RIGHT);
  EXPECT_EQ(GetScrollPos(&View, SB_HORZ), 50 + 60 + 400 - View.ClientWidth());
  EXPECT_EQ(View.Items()[0]->DisplayRect(drBounds).Left, -(50 + 60 + 400 - View.ClientWidth()));
  SendScrollAction(&View, SB_HORZ, SB_LEFT);
  EXPECT_EQ(View.Items()[0]->DisplayRect(drBounds).Left, 0);
}

}  // namespace
