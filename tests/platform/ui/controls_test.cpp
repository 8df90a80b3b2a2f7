// Controls on the headless backend: peers made when needed, painting, input, focus, timers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/headless_peer.h"
#include "platform/ui/controls.h"

namespace {

class TProbe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::string> Log;
  int Paints = 0;
  int CreateCount = 0;

protected:
  void CreateWnd() override {
    ++CreateCount;
    TCustomControl::CreateWnd();
  }
  void Paint() override {
    ++Paints;
    Canvas().Brush().SetColor(clRed);
    Canvas().FillRect(Rect(0, 0, 4, 4));
    Canvas().TextOut(5, 5, "x");
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    Log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                  (s.Contains(ssShift) ? " shift" : "") + (s.Contains(ssDouble) ? " double" : ""));
  }
  void MouseUp(TMouseButton, TShiftState, int x, int y) override {
    Log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
  }
  void Click() override { Log.push_back("click"); }
  void DblClick() override { Log.push_back("dblclick"); }
  void KeyDown(WORD& key, TShiftState s) override {
    Log.push_back("keydown " + std::to_string(key) + (s.Contains(ssCtrl) ? " ctrl" : ""));
  }
  void KeyPress(char32_t& key) override {
    Log.push_back("char " + std::to_string(static_cast<unsigned>(key)));
    if (key == U'q') key = 0;
  }
  void DoEnter() override { Log.push_back("enter"); }
  void DoExit() override { Log.push_back("exit"); }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_TIMER) Log.push_back("timer " + std::to_string(m.WParam));
    TCustomControl::WndProc(m);
  }
};

class TWheelProbe : public TProbe {
public:
  using TProbe::TProbe;
  int Downs = 0, Ups = 0;

protected:
  bool DoMouseWheelDown(TShiftState, TPoint) override { return ++Downs, true; }
  bool DoMouseWheelUp(TShiftState, TPoint) override { return ++Ups, true; }
};

class TBox : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;

protected:
  void Paint() override {
    Canvas().Brush().SetColor(clBlue);
    Canvas().FillRect(Rect(0, 0, 100, 100));  // clipped to the box
  }
};

class ControlsTest : public ::testing::Test {
protected:
  void SetUp() override { InstallHeadlessBackend(); }
};

TEST_F(ControlsTest, PeerIsMadeOnceWhenFirstNeededAndKeepsTheState) {
  TProbe c(nullptr);
  c.SetBounds(10, 20, 30, 40);
  EXPECT_FALSE(c.HandleAllocated());
  THeadlessPeer* peer = HeadlessPeer(c);
  ASSERT_NE(peer, nullptr);
  EXPECT_EQ(c.CreateCount, 1);
  EXPECT_EQ(peer->Bounds(), Rect(10, 20, 40, 60));
  c.SetBounds(0, 0, 50, 10);
  EXPECT_EQ(peer->Bounds(), Rect(0, 0, 50, 10));
  c.RecreateWnd();
  EXPECT_EQ(c.CreateCount, 2);
  EXPECT_EQ(HeadlessPeer(c)->Bounds(), Rect(0, 0, 50, 10));
}

// A hidden child gets no window with its parent's: it gets one, with its shown children, when it
// is first shown, and then shows at its place.
TEST_F(ControlsTest, HiddenChildGetsItsWindowWhenFirstShown) {
  TProbe parent(nullptr), hidden(nullptr), inner(nullptr), shown(nullptr);
  parent.SetBounds(0, 0, 200, 100);
  hidden.SetVisible(false);
  hidden.SetBounds(5, 5, 50, 40);
  hidden.SetParent(&parent);
  inner.SetParent(&hidden);
  shown.SetParent(&parent);
  parent.HandleNeeded();
  EXPECT_TRUE(shown.HandleAllocated());
  EXPECT_FALSE(hidden.HandleAllocated());
  EXPECT_FALSE(inner.HandleAllocated());
  // Laid out while hidden: still no window.
  hidden.SetBounds(10, 10, 60, 30);
  EXPECT_FALSE(hidden.HandleAllocated());
  // One inserted hidden into a parent with a window gets none either.
  TProbe late(nullptr);
  late.SetVisible(false);
  late.SetParent(&parent);
  EXPECT_FALSE(late.HandleAllocated());

  hidden.SetVisible(true);
  ASSERT_TRUE(hidden.HandleAllocated());
  EXPECT_EQ(hidden.CreateCount, 1);
  EXPECT_TRUE(HeadlessPeer(hidden)->IsVisible());
  EXPECT_EQ(HeadlessPeer(hidden)->Bounds(), Rect(10, 10, 70, 40));
  ASSERT_TRUE(inner.HandleAllocated());
  EXPECT_TRUE(HeadlessPeer(inner)->IsVisible());
  // Hidden and shown again, it keeps its window.
  hidden.SetVisible(false);
  hidden.SetVisible(true);
  EXPECT_EQ(hidden.CreateCount, 1);
  // A control asked for its window while hidden gets it hidden.
  EXPECT_NE(HeadlessPeer(late), nullptr);
  EXPECT_FALSE(HeadlessPeer(late)->IsVisible());
}

TEST_F(ControlsTest, RepaintRunsPaintIntoTheRecorderAndImage) {
  TProbe c(nullptr);
  c.SetBounds(0, 0, 20, 20);
  c.Repaint();
  EXPECT_EQ(c.Paints, 1);
  c.Update();  // nothing marked: no paint
  EXPECT_EQ(c.Paints, 1);
  THeadlessPeer* peer = HeadlessPeer(c);
  EXPECT_EQ(peer->Image().PixelAt(1, 1), 0x0000FFu);
  auto texts = peer->Recorder().TextCalls();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0]->Text, "x");
  c.Invalidate();
  c.Update();
  EXPECT_EQ(c.Paints, 2);
}

TEST_F(ControlsTest, GraphicChildrenPaintOnTheirParentClipped) {
  TProbe parent(nullptr);
  parent.SetBounds(0, 0, 30, 30);
  TBox box(nullptr);
  box.SetBounds(10, 10, 5, 5);
  box.SetParent(&parent);
  parent.Repaint();
  TBitmap& img = HeadlessPeer(parent)->Image();
  EXPECT_EQ(img.PixelAt(10, 10), 0xFF0000u);
  EXPECT_EQ(img.PixelAt(14, 14), 0xFF0000u);
  EXPECT_EQ(img.PixelAt(15, 15), 0xFFFFFFu);
}

TEST_F(ControlsTest, MouseInputGivesDownUpAndClickWithCapture) {
  TProbe c(nullptr);
  c.SetBounds(0, 0, 50, 50);
  HeadlessInput::MouseDown(c, 5, 6, mbLeft, {ssShift});
  EXPECT_EQ(GetCapture(), &c);
  HeadlessInput::MouseUp(c, 7, 8);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(c.Log, (std::vector<std::string>{"down 0 5,6 shift", "up 7,8", "click"}));
  c.Log.clear();
  HeadlessInput::MouseDown(c, 5, 5);
  HeadlessInput::MouseUp(c, 80, 5);  // released outside: no click
  EXPECT_EQ(c.Log, (std::vector<std::string>{"down 0 5,5", "up 80,5"}));
  c.Log.clear();
  HeadlessInput::DoubleClick(c, 1, 2);
  EXPECT_EQ(c.Log, (std::vector<std::string>{"down 0 1,2", "up 1,2", "click", "dblclick", "down 0 1,2 double", "up 1,2"}));
}

TEST_F(ControlsTest, DisabledControlsGetNoMouse) {
  TProbe c(nullptr);
  c.SetBounds(0, 0, 50, 50);
  c.SetEnabled(false);
  HeadlessInput::Click(c, 5, 5);
  EXPECT_TRUE(c.Log.empty());
}

TEST_F(ControlsTest, KeysAndTypedTextReachTheHandlers) {
  TProbe c(nullptr);
  HeadlessInput::Key(c, VK_DOWN, {ssCtrl});
  HeadlessInput::Type(c, "a\xC3\xA9q");
  EXPECT_EQ(c.Log, (std::vector<std::string>{"keydown 40 ctrl", "char 97", "char 233", "char 113"}));
  EXPECT_EQ(c.Perform(WM_CHAR, U'q'), 1);  // swallowed
  EXPECT_EQ(c.Perform(WM_CHAR, U'r'), 0);
}

TEST_F(ControlsTest, FocusMovesWithEnterAndExit) {
  TProbe a(nullptr), b(nullptr);
  a.SetFocus();
  EXPECT_TRUE(a.Focused());
  b.SetFocus();
  EXPECT_FALSE(a.Focused());
  EXPECT_TRUE(b.Focused());
  EXPECT_EQ(a.Log, (std::vector<std::string>{"enter", "exit"}));
  EXPECT_EQ(b.Log, (std::vector<std::string>{"enter"}));
}

TEST_F(ControlsTest, TimersDeliverWmTimerAndStopWhenKilled) {
  TProbe c(nullptr);
  ASSERT_TRUE(c.SetTimer(111, 500));
  THeadlessPeer* peer = HeadlessPeer(c);
  EXPECT_EQ(peer->Timers().at(111), 500u);
  EXPECT_TRUE(peer->FireTimer(111));
  EXPECT_TRUE(c.KillTimer(111));
  EXPECT_FALSE(peer->FireTimer(111));
  EXPECT_EQ(c.Log, (std::vector<std::string>{"timer 111"}));
}

TEST_F(ControlsTest, CaptureSendsTheMouseToTheHolderInItsCoordinates) {
  TProbe parent(nullptr);
  parent.SetBounds(0, 0, 200, 100);
  TProbe a(nullptr), b(nullptr);
  a.SetBounds(0, 0, 50, 50);
  b.SetBounds(100, 0, 50, 50);
  a.SetParent(&parent);
  b.SetParent(&parent);
  HeadlessInput::MouseDown(a, 10, 10);
  HeadlessInput::MouseUp(b, 5, 5);  // lands on b, goes to a
  EXPECT_TRUE(b.Log.empty());
  ASSERT_EQ(a.Log.size(), 2u);
  EXPECT_EQ(a.Log[1], "up 105,5");
}

TEST_F(ControlsTest, WheelGoesByItsSign) {
  TWheelProbe c(nullptr);
  c.SetBounds(0, 0, 10, 10);
  HeadlessInput::Wheel(c, 1, 1, -120);
  HeadlessInput::Wheel(c, 1, 1, -240);
  HeadlessInput::Wheel(c, 1, 1, 120);
  EXPECT_EQ(c.Downs, 2);
  EXPECT_EQ(c.Ups, 1);
  bool handled = false;
  c.OnMouseWheel = [&](TObject*, TShiftState, int delta, TPoint, bool& h) { handled = delta == 120; h = true; };
  HeadlessInput::Wheel(c, 1, 1, 120);
  EXPECT_TRUE(handled);
  EXPECT_EQ(c.Ups, 1);
}

TEST_F(ControlsTest, CanvasOutsidePaintDrawsIntoTheWindow) {
  TProbe c(nullptr);
  c.SetBounds(0, 0, 10, 10);
  c.Repaint();
  c.Canvas().Brush().SetColor(clLime);
  c.Canvas().FillRect(Rect(6, 6, 8, 8));
  EXPECT_EQ(HeadlessPeer(c)->Image().PixelAt(7, 7), 0x00FF00u);
  EXPECT_EQ(HeadlessPeer(c)->Image().PixelAt(1, 1), 0x0000FFu);  // the paint stays
}

TEST_F(ControlsTest, HiddenControlsAreNotShowingAndLoseTheFocus) {
  TProbe parent(nullptr), child(nullptr);
  child.SetParent(&parent);
  child.SetFocus();
  parent.SetVisible(false);
  EXPECT_FALSE(child.Showing());
  EXPECT_FALSE(child.CanFocus());
  child.SetVisible(false);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(ControlsTest, ParentFontAndColourAndAlignment) {
  TProbe parent(nullptr);
  parent.SetBounds(0, 0, 100, 80);
  TProbe top(nullptr), client(nullptr);
  top.SetHeight(20);
  top.SetAlign(alTop);
  client.SetAlign(alClient);
  top.SetParent(&parent);
  client.SetParent(&parent);
  EXPECT_EQ(top.BoundsRect(), Rect(0, 0, 100, 20));
  EXPECT_EQ(client.BoundsRect(), Rect(0, 20, 100, 80));
  parent.Font().SetSize(12);
  EXPECT_EQ(client.Font().Size(), 12);
  client.Font().SetStyle({fsBold});  // its own font from now on
  parent.Font().SetSize(14);
  EXPECT_EQ(client.Font().Size(), 12);
  EXPECT_EQ(top.Font().Size(), 14);
  parent.SetBounds(0, 0, 120, 90);
  EXPECT_EQ(client.BoundsRect(), Rect(0, 20, 120, 90));
  EXPECT_EQ(client.ClientToScreen({1, 1}), Point(1, 21));
}

}  // namespace
