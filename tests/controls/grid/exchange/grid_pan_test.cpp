// Ctrl+wheel zoom and middle-button panning of the grid on the headless backend.
#include <gtest/gtest.h>

#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/messages.h"
#include "platform/ui/screen.h"

namespace {

struct WheelGrid : TQnStringGrid {
  using TQnStringGrid::TQnStringGrid;
  using TQnStringGrid::DoMouseWheelDown;
  using TQnStringGrid::DoMouseWheelUp;
};

class GridPan : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    g.SetBounds(0, 0, 300, 200);
    g.SetColCount(6);
    g.SetRowCount(30);
    g.SetFixedFooters(1);
    g.SetRow(1);
    g.SetCol(1);
  }
  void Message(UINT msg, WPARAM w, int x, int y) {
    g.Perform(msg, w, static_cast<LPARAM>((static_cast<unsigned>(y) << 16) | (static_cast<unsigned>(x) & 0xFFFF)));
  }
  void CursorAt(int x, int y) {
    const TPoint s = g.ClientToScreen(TPoint{x, y});
    SetCursorPos(s.X, s.Y);
  }
  WheelGrid g{nullptr};
};

TEST_F(GridPan, CtrlWheelZoomsInStepsOfTheLinesPerNotchWithinTen) {
  const int w = g.ColWidths(2), h = g.RowHeights(2);
  TShiftState ctrl;
  ctrl << ssCtrl;
  g.DoMouseWheelDown(ctrl, TPoint{});
  EXPECT_EQ(g.FontSizeOffset(), 3);
  EXPECT_EQ(g.ColWidths(2), w + 3);
  EXPECT_EQ(g.RowHeights(2), h + 3);
  EXPECT_EQ(g.Row(), 1);  // zoom does not move the row
  g.DoMouseWheelDown(ctrl, TPoint{});
  g.DoMouseWheelDown(ctrl, TPoint{});
  EXPECT_EQ(g.FontSizeOffset(), 9);
  g.DoMouseWheelDown(ctrl, TPoint{});  // 12 is out of range: nothing
  EXPECT_EQ(g.FontSizeOffset(), 9);
  EXPECT_EQ(g.ColWidths(2), w + 9);
  g.DoMouseWheelUp(ctrl, TPoint{});
  EXPECT_EQ(g.FontSizeOffset(), 6);
  g.IntelliZoom = false;
  g.DoMouseWheelDown(ctrl, TPoint{});
  EXPECT_EQ(g.FontSizeOffset(), 6);
  EXPECT_EQ(g.Row(), 4);  // an ordinary wheel step
}

TEST_F(GridPan, MiddleButtonPansByTheMouseOffsetAndAPressEndsIt) {
  Message(WM_MBUTTONDOWN, MK_MBUTTON, 100, 80);
  ASSERT_TRUE(g.Panning());
  CursorAt(100, 120);  // below the origin, beyond the dead zone
  Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Row(), 2);
  Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Row(), 3);
  CursorAt(160, 83);  // to the right, within the dead zone vertically: ipVertical ignores x
  Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Row(), 3);
  EXPECT_EQ(g.Col(), 1);
  Message(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  EXPECT_FALSE(g.Panning());
  Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Row(), 3);

  // Both directions, and the footer row is never entered.
  g.IntelliPan = ipBoth;
  g.SetRow(27);
  Message(WM_MBUTTONDOWN, MK_MBUTTON, 100, 80);
  CursorAt(40, 150);
  for (int i = 0; i < 5; ++i) Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Row(), 28);
  EXPECT_EQ(g.Col(), 1);  // already the first normal column
  Message(WM_KEYDOWN, VK_ESCAPE, 0, 0);
  EXPECT_FALSE(g.Panning());

  g.IntelliPan = ipNone;
  Message(WM_MBUTTONDOWN, MK_MBUTTON, 100, 80);
  EXPECT_FALSE(g.Panning());
}

TEST_F(GridPan, ThePanCursorShowsTheDirectionAndThePreviousCursorComesBack) {
  g.IntelliPan = ipBoth;
  g.SetCursor(crIBeam);
  Message(WM_MBUTTONDOWN, MK_MBUTTON, 100, 80);
  EXPECT_EQ(g.Cursor(), 8000);  // no direction yet
  // The program's pan cursors are pictures of their own in the screen's table.
  EXPECT_TRUE(Screen().Cursors(8000)->HasImage());
  EXPECT_TRUE(Screen().Cursors(8007)->HasImage());
  CursorAt(100, 120);
  Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Cursor(), 8001);  // down
  CursorAt(40, 83);
  Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Cursor(), 8002);  // left
  CursorAt(160, 40);
  Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Cursor(), 8005);  // up and right
  CursorAt(40, 120);
  Message(WM_TIMER, 999, 0, 0);
  EXPECT_EQ(g.Cursor(), 8008);  // down and left
  Message(WM_RBUTTONDOWN, MK_RBUTTON, 10, 10);
  EXPECT_FALSE(g.Panning());
  EXPECT_EQ(g.Cursor(), crIBeam);
}

}  // namespace
