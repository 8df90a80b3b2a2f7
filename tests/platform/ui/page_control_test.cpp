#include "platform/ui/page_control.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_peer.h"
#include "platform/ui/forms.h"

namespace {

TPoint Middle(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

// A parent that answers the tab control's notifications itself.
class TVetoParent : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  bool Veto = false;
  std::vector<UINT> Codes;

protected:
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_NOTIFY) {
      auto* h = reinterpret_cast<NMHDR*>(m.LParam);
      Codes.push_back(h->code);
      if (h->code == TCN_SELCHANGING && Veto) {
        m.Result = 1;
        return;
      }
    }
    TCustomControl::WndProc(m);
  }
};

class TabControlTest : public ::testing::Test {
protected:
  void SetUp() override { InstallHeadlessBackend(); }
};

TEST_F(TabControlTest, PageControlSwitchesPagesAndOnChangingVetoes) {
  TPageControl pc(nullptr);
  pc.SetBounds(0, 0, 300, 200);
  TTabSheet one(nullptr), two(nullptr), three(nullptr);
  one.SetCaption("One");
  two.SetCaption("Two");
  three.SetCaption("Three");
  one.SetPageControl(&pc);
  two.SetPageControl(&pc);
  three.SetPageControl(&pc);
  ASSERT_EQ(pc.PageCount(), 3);
  EXPECT_EQ(pc.ActivePage(), &one);  // the first sheet shows
  EXPECT_TRUE(one.Visible());
  EXPECT_FALSE(two.Visible());
  EXPECT_EQ(pc.TabText(2), "Three");
  EXPECT_EQ(two.BoundsRect(), pc.DisplayRect());

  bool allow = false;
  int changes = 0;
  pc.OnChanging = [&](TObject*, bool& ok) { ok = allow; };
  pc.OnChange = [&](TObject*) { ++changes; };
  TPoint p = Middle(pc.TabRect(1));
  HeadlessInput::Click(pc, p.X, p.Y);
  EXPECT_EQ(pc.ActivePage(), &one);
  EXPECT_EQ(pc.TabIndex(), 0);
  EXPECT_EQ(changes, 0);
  allow = true;
  HeadlessInput::Click(pc, p.X, p.Y);
  EXPECT_EQ(pc.ActivePage(), &two);
  EXPECT_TRUE(two.Visible());
  EXPECT_FALSE(one.Visible());
  EXPECT_EQ(changes, 1);

  // Code changes ask and tell nobody.
  allow = false;
  pc.SetActivePageIndex(2);
  EXPECT_EQ(pc.ActivePage(), &three);
  EXPECT_EQ(changes, 0 + 1);

  // A sheet without a tab keeps its page index; tabs map past it.
  two.SetTabVisible(false);
  EXPECT_EQ(pc.TabCount(), 2);
  EXPECT_EQ(two.PageIndex(), 1);
  EXPECT_EQ(two.TabIndex(), -1);
  EXPECT_EQ(three.TabIndex(), 1);
  EXPECT_EQ(pc.TabIndex(), 1);
  allow = true;
  pc.SelectNextPage(true);  // wraps past the hidden sheet to One
  EXPECT_EQ(pc.ActivePage(), &one);
  EXPECT_EQ(changes, 2);

  // Freeing the active sheet shows the next one with a tab.
  {
    TTabSheet four(nullptr);
    four.SetCaption("Four");
    four.SetPageControl(&pc);
    pc.SetActivePage(&four);
  }
  EXPECT_EQ(pc.PageCount(), 3);
  EXPECT_EQ(pc.ActivePage(), &one);
  EXPECT_EQ(pc.TabCount(), 2);
}

TEST_F(TabControlTest, MessagesAnswerAsTheMethods) {
  TTabControl tc(nullptr);
  tc.SetBounds(0, 0, 300, 100);
  char text[] = "First";
  TCITEM item;
  item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
  item.pszText = text;
  item.lParam = 42;
  item.iImage = 3;
  EXPECT_EQ(tc.Perform(TCM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)), 0);
  EXPECT_EQ(tc.Perform(TCM_INSERTITEM, 9, reinterpret_cast<LPARAM>(&item)), 1);  // past the end: appended
  tc.SetTabText(1, "Second tab");
  EXPECT_EQ(tc.Perform(TCM_GETITEMCOUNT), 2);
  EXPECT_EQ(tc.Perform(TCM_GETCURSEL), 0);

  char buffer[5];
  TCITEM get;
  get.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
  get.pszText = buffer;
  get.cchTextMax = sizeof buffer;
  EXPECT_EQ(tc.Perform(TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&get)), TRUE);
  EXPECT_STREQ(buffer, "Seco");
  EXPECT_EQ(get.lParam, 42);
  EXPECT_EQ(get.iImage, 3);
  EXPECT_EQ(tc.Perform(TCM_GETITEM, 2, reinterpret_cast<LPARAM>(&get)), FALSE);
  EXPECT_EQ(tc.Perform(TCM_DELETEITEM, 5), FALSE);

  // Setting the selection by message gives the old one and tells nobody.
  int changes = 0;
  tc.OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(tc.Perform(TCM_SETCURSEL, 1), 0);
  EXPECT_EQ(tc.TabIndex(), 1);
  EXPECT_EQ(changes, 0);

  TRect r;
  EXPECT_EQ(tc.Perform(TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)), TRUE);
  TCHITTESTINFO hit;
  hit.pt = Middle(r);
  EXPECT_EQ(tc.Perform(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 0);
  EXPECT_EQ(hit.flags, UINT{TCHT_ONITEMLABEL});
  hit.pt = {5, 90};
  EXPECT_EQ(tc.Perform(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
  EXPECT_EQ(hit.flags, UINT{TCHT_NOWHERE});

  TRect display = tc.ClientRect();
  tc.Perform(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  EXPECT_GT(display.Top, r.Bottom - 1);  // below the tabs
  TRect window = display;
  tc.Perform(TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&window));
  EXPECT_EQ(window, tc.ClientRect());

  // Fixed size: the width counts only with the fixed-width style.
  tc.Perform(TCM_SETITEMSIZE, 0, MAKELPARAM(80, 30));
  EXPECT_EQ(tc.TabRect(0).Height(), 30);
  EXPECT_NE(tc.TabRect(1).Width(), 80);
  tc.SetStyle(tc.Style() | TCS_FIXEDWIDTH);
  EXPECT_EQ(tc.TabRect(1).Width(), 80);
  // Moving a tab through the string list keeps its image and the selection on it.
  tc.SetTabImage(1, 7);
  tc.Tabs().Move(1, 0);
  EXPECT_EQ(tc.TabText(0), "Second tab");
  EXPECT_EQ(tc.TabImage(0), 7);
  EXPECT_EQ(tc.TabIndex(), 0);
  EXPECT_EQ(tc.Perform(TCM_SETEXTENDEDSTYLE, 0, TCS_EX_FLATSEPARATORS), 0);
  EXPECT_EQ(tc.Perform(TCM_GETEXTENDEDSTYLE), LRESULT{TCS_EX_FLATSEPARATORS});
}

TEST_F(TabControlTest, ParentCanVetoTheChangeAndHearsBothNotifications) {
  TVetoParent parent(nullptr);
  parent.SetBounds(0, 0, 400, 300);
  TTabControl tc(nullptr);
  tc.SetParent(&parent);
  tc.SetBounds(0, 0, 300, 100);
  tc.InsertTab(0, "A");
  tc.InsertTab(1, "B");
  int changes = 0;
  tc.OnChange = [&](TObject*) { ++changes; };
  parent.Veto = true;
  EXPECT_FALSE(tc.SelectTabByUser(1));
  EXPECT_EQ(tc.TabIndex(), 0);
  parent.Veto = false;
  tc.Perform(WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(tc.TabIndex(), 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(parent.Codes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGING, TCN_SELCHANGE}));
}

TEST_F(TabControlTest, OwnerDrawnTabsAreDrawnByTheHandlerAndLayoutsFollowTheStyle) {
  TTabControl tc(nullptr);
  tc.SetBounds(0, 0, 120, 200);
  for (const char* t : {"Alpha", "Beta", "Gamma", "Delta"}) tc.InsertTab(tc.TabCount(), t);
  tc.SetStyle(TCS_OWNERDRAWFIXED);
  std::vector<std::pair<int, bool>> drawn;
  tc.OnDrawTab = [&](TCustomTabControl*, int index, const TRect&, bool active) { drawn.emplace_back(index, active); };
  tc.Repaint();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.front(), std::make_pair(0, true));
  EXPECT_FALSE(drawn.back().second);

  // Multi-line wraps into rows, the selected one next to the display area.
  tc.SetStyle(TCS_MULTILINE);
  EXPECT_GT(tc.RowCount(), 1);
  tc.SetTabIndex(3);
  int selectedBottom = tc.TabRect(3).Bottom;
  for (int i = 0; i < tc.TabCount(); ++i) EXPECT_LE(tc.TabRect(i).Bottom, selectedBottom);
  // Bottom tabs sit under the display area, vertical ones beside it.
  tc.SetStyle(TCS_BOTTOM);
  EXPECT_GE(tc.TabRect(3).Top, tc.DisplayRect().Bottom);
  tc.SetStyle(TCS_VERTICAL);
  EXPECT_LE(tc.TabRect(0).Right, tc.DisplayRect().Left);
  EXPECT_LT(tc.TabRect(0).Bottom, tc.TabRect(1).Bottom);
}

// A window being built lays its pages out before it shows: measuring the tabs for the pages'
// room makes no native window, neither the page control's nor its form's (the form's would
// come with its menu bar and all its shown controls, long before the window shows).
TEST_F(TabControlTest, PagesLaidOutBeforeTheFormShowsMakeNoWindow) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* pc = new TPageControl(&form);
  pc->SetParent(&form);
  pc->SetBounds(8, 8, 300, 200);
  for (const char* caption : {"Record", "Items", "Notes"}) {
    auto* sheet = new TTabSheet(&form);
    sheet->SetPageControl(pc);
    sheet->SetCaption(caption);
  }
  pc->SetActivePageIndex(1);
  const TRect room = pc->DisplayRect();
  EXPECT_FALSE(pc->HandleAllocated());
  EXPECT_FALSE(form.HandleAllocated());
  // The room is below a tab row as high as the font's text, and the pages fill it.
  EXPECT_GT(room.Top, 10);
  EXPECT_LT(room.Top, 60);
  EXPECT_EQ(pc->Pages(2)->BoundsRect(), room);
  // Shown, the tabs measure the same.
  pc->HandleNeeded();
  EXPECT_EQ(pc->DisplayRect(), room);
}

}  // namespace
