// The scroll box on the headless backend: ranges from the children, the window's scroll bars,
// and scrolling that moves the children.
#include <gtest/gtest.h>

#include "platform/headless/headless_peer.h"
#include "platform/ui/scroll_bars.h"
#include "platform/ui/scroll_box.h"

namespace {

class TBlock : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
};

TEST(ScrollBox, RangesFollowTheChildrenAndScrollingMovesThem) {
  InstallHeadlessBackend();
  TScrollBox box(nullptr);
  box.SetBounds(0, 0, 200, 100);
  box.HandleNeeded();
  auto* near = new TBlock(&box);
  near->SetBounds(10, 10, 50, 20);
  near->SetParent(&box);
  auto* far = new TBlock(&box);
  far->SetBounds(20, 300, 50, 20);
  far->SetParent(&box);
  EXPECT_EQ(box.VertScrollBar().Range(), 320);
  EXPECT_TRUE(box.VertScrollBar().IsScrollBarVisible());
  EXPECT_FALSE(box.HorzScrollBar().IsScrollBarVisible());
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(&box, SB_VERT, &info));
  EXPECT_EQ(info.nMax, 319);
  EXPECT_EQ(info.nPage, 100u);
  EXPECT_TRUE(box.ScrollBarState(SB_VERT).Visible);
  // The vertical bar takes its width from the client area.
  EXPECT_LT(box.ClientWidth(), 200);

  SendScrollAction(&box, SB_VERT, SB_LINEDOWN);
  EXPECT_EQ(box.VertScrollBar().Position(), 8);
  EXPECT_EQ(far->Top(), 292);
  EXPECT_EQ(near->Top(), 2);
  SendScrollAction(&box, SB_VERT, SB_THUMBTRACK, 500);  // past the end: stops at 320 - 100
  EXPECT_EQ(box.VertScrollBar().Position(), 220);
  EXPECT_EQ(far->Top(), 80);
  EXPECT_EQ(GetScrollPos(&box, SB_VERT), 220);
  SendScrollAction(&box, SB_VERT, SB_TOP);
  EXPECT_EQ(far->Top(), 300);

  // A child moved further out brings the horizontal bar by itself; ScrollInView brings a child
  // into the window.
  far->SetBounds(400, 300, 50, 20);
  EXPECT_EQ(box.HorzScrollBar().Range(), 450);
  EXPECT_TRUE(box.HorzScrollBar().IsScrollBarVisible());
  box.ScrollInView(far);
  EXPECT_LE(far->Left() + far->Width(), box.ClientWidth());
  EXPECT_LE(far->Top() + far->Height(), box.ClientHeight());
  EXPECT_GE(far->Left(), 0);

  // Growing the box past the children's extent hides the bars and scrolls back.
  box.SetBounds(0, 0, 600, 400);
  EXPECT_FALSE(box.VertScrollBar().IsScrollBarVisible());
  EXPECT_EQ(box.VertScrollBar().Position(), 0);
  EXPECT_EQ(far->Top(), 300);
  EXPECT_EQ(far->Left(), 400);
  // A hidden child no longer counts in the ranges.
  far->SetVisible(false);
  EXPECT_EQ(box.VertScrollBar().Range(), 30);
  EXPECT_EQ(box.HorzScrollBar().Range(), 60);
}

TEST(ScrollBox, FixedRangeWithoutAutoScroll) {
  InstallHeadlessBackend();
  TScrollBox box(nullptr);
  box.SetAutoScroll(false);
  box.SetBounds(0, 0, 100, 100);
  box.HandleNeeded();
  box.HorzScrollBar().SetRange(1000);
  box.HorzScrollBar().SetIncrement(25);
  SendScrollAction(&box, SB_HORZ, SB_LINEDOWN);
  EXPECT_EQ(box.HorzScrollBar().Position(), 25);
  SendScrollAction(&box, SB_HORZ, SB_BOTTOM);
  EXPECT_EQ(box.HorzScrollBar().Position(), 1000 - box.ClientWidth());
  box.HorzScrollBar().SetPosition(-5);
  EXPECT_EQ(box.HorzScrollBar().Position(), 0);
}

}  // namespace
