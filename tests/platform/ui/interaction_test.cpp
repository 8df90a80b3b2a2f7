// Scroll bars and the flat scroll bar module, hints with their timing, in-program drag and the
// fixed system values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/sys/libraries.h"
#include "platform/ui/application.h"
#include "platform/ui/drag.h"
#include "platform/ui/hints.h"
#include "platform/ui/mouse_tracking.h"
#include "platform/ui/scroll_bars.h"
#include "platform/ui/screen.h"

namespace {

class InteractionTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    // The tests' application is the program's: posted messages and titles go through it.
    delete Application;
    App = new TApplication;
    auto loop = std::make_unique<TPollEventLoop>(false);
    Loop = loop.get();
    Loop->UseFakeClock();
    App->SetLoop(std::move(loop));
    App->Initialize();
  }
  void TearDown() override { delete App; }
  TApplication* App = nullptr;
  TPollEventLoop* Loop = nullptr;
};

class TScrollProbe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::pair<WORD, int>> Actions;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_VSCROLL) Actions.push_back({LOWORD(m.WParam), HIWORD(m.WParam)});
    TCustomControl::WndProc(m);
  }
};

// Keeps the hover and leave messages it hears.
class TTrackProbe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::string> Heard;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_MOUSEHOVER)
      Heard.push_back("hover " + std::to_string(GET_X_LPARAM(m.LParam)) + "," + std::to_string(GET_Y_LPARAM(m.LParam)));
    if (m.Msg == WM_MOUSELEAVE) Heard.push_back("leave");
    TCustomControl::WndProc(m);
  }
};

}  // namespace

TEST_F(InteractionTest, TrackMouseEventPostsOneHoverAfterTheRestAndOneLeave) {
  TForm form(nullptr);
  form.SetBounds(100, 100, 300, 200);
  auto* a = new TTrackProbe(&form);
  auto* b = new TTrackProbe(&form);
  a->SetParent(&form);
  b->SetParent(&form);
  a->SetBounds(0, 0, 100, 100);
  b->SetBounds(150, 0, 100, 100);
  form.Show();
  auto track = [](TWinControl* c, DWORD flags, DWORD time = HOVER_DEFAULT) {
    TRACKMOUSEEVENT t;
    t.dwFlags = flags;
    t.hwndTrack = c;
    t.dwHoverTime = time;
    return TrackMouseEvent(t);
  };
  auto advance = [&](unsigned ms) {
    Loop->AdvanceClock(ms);
    App->ProcessMessages();
  };
  TPoint at = a->ClientToScreen({20, 20});
  SetCursorPos(at.X, at.Y);
  ASSERT_TRUE(track(a, TME_HOVER | TME_LEAVE));
  HeadlessInput::MouseMove(*a, 21, 22);  // within the hover rectangle: the wait goes on
  advance(399);
  EXPECT_TRUE(a->Heard.empty());
  advance(1);
  EXPECT_EQ(a->Heard, (std::vector<std::string>{"hover 20,20"}));
  advance(2000);  // a request hovers once
  EXPECT_EQ(a->Heard.size(), 1u);
  TRACKMOUSEEVENT q;
  auto query = [&] {
    q = TRACKMOUSEEVENT{};
    q.dwFlags = TME_QUERY;
    TrackMouseEvent(q);
  };
  query();
  EXPECT_EQ(q.hwndTrack, a);
  EXPECT_EQ(q.dwFlags, DWORD{TME_LEAVE});
  // Moving to another window is leaving; then nothing is tracked.
  HeadlessInput::MouseMove(*b, 5, 5);
  HeadlessInput::MouseMove(*b, 6, 5);
  App->ProcessMessages();
  EXPECT_EQ(a->Heard, (std::vector<std::string>{"hover 20,20", "leave"}));
  query();
  EXPECT_EQ(q.hwndTrack, nullptr);
  EXPECT_TRUE(b->Heard.empty());

  // Leaving the hover rectangle starts the wait again, from the new point.
  a->Heard.clear();
  SetCursorPos(at.X, at.Y);
  track(a, TME_HOVER, 100);
  advance(80);
  HeadlessInput::MouseMove(*a, 40, 20);
  advance(80);
  EXPECT_TRUE(a->Heard.empty());
  advance(20);
  EXPECT_EQ(a->Heard, (std::vector<std::string>{"hover 40,20"}));

  // A cancelled request posts nothing; a mouse already outside has left at once.
  a->Heard.clear();
  track(a, TME_LEAVE);
  track(a, TME_LEAVE | TME_CANCEL);
  a->Perform(CM_MOUSELEAVE);
  App->ProcessMessages();
  EXPECT_TRUE(a->Heard.empty());
  SetCursorPos(at.X + 500, at.Y);
  track(a, TME_LEAVE);
  App->ProcessMessages();
  EXPECT_EQ(a->Heard, (std::vector<std::string>{"leave"}));
  // A control freed while its hover is pending hears nothing and breaks nothing.
  SetCursorPos(at.X, at.Y);
  track(a, TME_HOVER);
  delete a;
  advance(1000);
  query();
  EXPECT_EQ(q.hwndTrack, nullptr);
}

TEST_F(InteractionTest, ScrollInfoKeepsThePageInTheRangeAndThePositionReachable) {
  TScrollProbe c(nullptr);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 95;
  EXPECT_EQ(SetScrollInfo(&c, SB_VERT, si, true), 90);  // Max - Page + 1
  si.fMask = SIF_PAGE;
  si.nPage = 500;
  SetScrollInfo(&c, SB_VERT, si, false);
  SCROLLINFO out;
  out.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(&c, SB_VERT, &out));
  EXPECT_EQ(out.nPage, 100u);
  EXPECT_EQ(out.nPos, 0);
  EXPECT_EQ(SetScrollPos(&c, SB_VERT, -5, false), 0);
  EXPECT_EQ(GetScrollPos(&c, SB_VERT), 0);
  SendScrollAction(&c, SB_VERT, SB_THUMBTRACK, 42);
  out.fMask = SIF_TRACKPOS;
  GetScrollInfo(&c, SB_VERT, &out);
  EXPECT_EQ(out.nTrackPos, 42);
  ASSERT_EQ(c.Actions.size(), 1u);
  EXPECT_EQ(c.Actions[0], (std::pair<WORD, int>{SB_THUMBTRACK, 42}));
  EXPECT_FALSE(GetScrollInfo(&c, 7, &out));
}

TEST_F(InteractionTest, FlatScrollBarsComeFromTheBuiltInCommonControls) {
  HMODULE lib = LoadLibrary("COMCTL32.DLL");
  ASSERT_NE(lib, nullptr);
  using TInit = bool (*)(HWND);
  using TProp = bool (*)(HWND, UINT, std::intptr_t, bool);
  auto init = reinterpret_cast<TInit>(GetProcAddress(lib, "InitializeFlatSB"));
  auto prop = reinterpret_cast<TProp>(GetProcAddress(lib, "FlatSB_SetScrollProp"));
  ASSERT_TRUE(init && prop);
  DWORD ms = 0, ls = 0;
  ASSERT_TRUE(GetBuiltinModuleVersion("comctl32.dll", ms, ls));
  EXPECT_EQ(ms, (5u << 16) | 81u);
  TScrollProbe c(nullptr);
  ASSERT_TRUE(init(&c));
  EXPECT_TRUE(prop(&c, WSB_PROP_VSTYLE, FSB_FLAT_MODE, true));
  EXPECT_TRUE(prop(&c, WSB_PROP_VBKGCOLOR, clRed, true));
  EXPECT_TRUE(prop(&c, WSB_PROP_CXVSCROLL, 8, true));
  EXPECT_TRUE(c.ScrollBarState(SB_VERT).Flat);
  EXPECT_EQ(c.ScrollBarState(SB_VERT).FlatStyle, FSB_FLAT_MODE);
  EXPECT_EQ(c.ScrollBarState(SB_VERT).BkColor, clRed);
  EXPECT_EQ(c.ScrollBarState(SB_VERT).Size, 8);
  EXPECT_FALSE(prop(&c, 0x5000, 1, true));
  FreeLibrary(lib);
}

TEST_F(InteractionTest, AHintShowsAfterThePauseMayBeChangedAndGoesAway) {
  TForm form(nullptr);
  form.SetBounds(100, 100, 300, 200);
  auto* button = new TCustomControl(&form);
  button->SetParent(&form);
  button->SetBounds(10, 10, 80, 25);
  button->SetHint("Save the record|Writes the record to the server");
  button->SetShowHint(true);
  form.Show();
  std::string statusLine;
  App->OnHint = [&](TObject*) { statusLine = App->Hint(); };
  App->OnShowHint = [](std::string& text, bool&, THintInfo& info) {
    text += "!";
    info.HintColor = clYellow;
  };
  HeadlessInput::MouseMove(*button, 5, 5);
  EXPECT_EQ(statusLine, "Writes the record to the server");
  Loop->AdvanceClock(400);
  EXPECT_EQ(App->HintWindow(), nullptr);
  Loop->AdvanceClock(150);
  THintWindow* hint = App->HintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->Active());
  EXPECT_EQ(hint->Caption(), "Save the record!");
  EXPECT_EQ(hint->Color(), clYellow);
  EXPECT_GE(hint->Top(), 115);  // below the mouse at screen y 115
  EXPECT_EQ(hint->Left(), 115);
  // The text fits: one line of 16 characters at 7 pixels, plus the margins.
  EXPECT_EQ(hint->Width(), 16 * 7 + 6);
  Loop->AdvanceClock(2600);
  EXPECT_FALSE(hint->Active());
  // CM_HINTSHOW answering non-zero keeps the hint away.
  button->Perform(CM_MOUSELEAVE);
  EXPECT_EQ(statusLine, "");
}

TEST_F(InteractionTest, ACalculatedHintRectWrapsAtTheMaximumWidth) {
  THintWindow hint(nullptr);
  TRect r = hint.CalcHintRect(100, "Row : 12 of many rows here");
  EXPECT_LE(r.Width(), 106);
  EXPECT_GT(r.Height(), 13 + 2);  // more than one line
  hint.ActivateHint(Rect(1000, 760, 1000 + r.Width(), 760 + r.Height()), "Row : 12 of many rows here");
  // Kept on the screen.
  EXPECT_EQ(hint.Left() + hint.Width(), 1024);
  EXPECT_EQ(hint.Top() + hint.Height(), 768);
  hint.ReleaseHandle();
  EXPECT_FALSE(hint.HandleAllocated());
}

TEST_F(InteractionTest, DraggingAskesTheTargetsAndDropsOnTheOneThatAccepts) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* source = new TCustomControl(&form);
  source->SetParent(&form);
  source->SetBounds(10, 10, 50, 50);
  source->SetDragMode(dmAutomatic);
  auto* refuses = new TCustomControl(&form);
  refuses->SetParent(&form);
  refuses->SetBounds(100, 10, 50, 50);
  refuses->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = false; };
  auto* target = new TCustomControl(&form);
  target->SetParent(&form);
  target->SetBounds(200, 10, 50, 50);
  std::vector<std::string> log;
  target->OnDragOver = [&](TObject*, TObject* src, int, int, TDragState state, bool& accept) {
    log.push_back("over " + std::to_string(state));
    accept = src == source;
  };
  target->OnDragDrop = [&](TObject*, TObject*, int x, int y) {
    log.push_back("drop " + std::to_string(x) + "," + std::to_string(y));
  };
  source->OnEndDrag = [&](TObject*, TObject* t, int, int) { log.push_back(t == target ? "end on target" : "end"); };
  form.Show();

  HeadlessInput::MouseDown(*source, 5, 5);
  HeadlessInput::MouseMove(*source, 7, 6, TShiftState{ssLeft});  // within the threshold
  EXPECT_FALSE(source->Dragging());
  HeadlessInput::MouseMove(*source, 100, 5, TShiftState{ssLeft});  // over `refuses`
  EXPECT_TRUE(source->Dragging());
  EXPECT_EQ(Screen().Cursor(), crNoDrop);
  HeadlessInput::MouseMove(*source, 200, 5, TShiftState{ssLeft});
  HeadlessInput::MouseMove(*source, 201, 6, TShiftState{ssLeft});
  EXPECT_EQ(Screen().Cursor(), crDrag);
  HeadlessInput::MouseUp(*source, 201, 6);
  EXPECT_FALSE(source->Dragging());
  EXPECT_EQ(Screen().Cursor(), crDefault);
  EXPECT_EQ(log, (std::vector<std::string>{"over 0", "over 2", "drop 11,6", "end on target"}));
}

TEST_F(InteractionTest, ClickWithoutMovingIsNoDragAndEscapeCancels) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* source = new TCustomControl(&form);
  source->SetParent(&form);
  source->SetBounds(10, 10, 50, 50);
  source->SetDragMode(dmAutomatic);
  int clicks = 0;
  source->OnClick = [&](TObject*) { ++clicks; };
  bool ended = false;
  source->OnEndDrag = [&](TObject*, TObject* t, int, int) { ended = t == nullptr; };
  form.Show();
  HeadlessInput::Click(*source, 5, 5);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(DragSource(), nullptr);
  source->BeginDrag(true);
  EXPECT_TRUE(source->Dragging());
  CancelDrag();
  EXPECT_TRUE(ended);
  EXPECT_FALSE(source->Dragging());
}

TEST_F(InteractionTest, SystemValuesComeFromFixedTables) {
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  UINT lines = 0, hover = 0;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
  ASSERT_TRUE(SystemParametersInfo(SPI_GETMOUSEHOVERTIME, 0, &hover, 0));
  EXPECT_EQ(lines, 3u);
  EXPECT_EQ(hover, 400u);
  EXPECT_EQ(GetDoubleClickTime(), 500u);
  OSVERSIONINFO v;
  ASSERT_TRUE(GetVersionEx(&v));
  EXPECT_EQ(v.dwMajorVersion, 5u);
  EXPECT_EQ(v.dwPlatformId, VER_PLATFORM_WIN32_NT);
  int beeps = ScreenService().Beeps();
  MessageBeep(0);
  EXPECT_EQ(ScreenService().Beeps(), beeps + 1);
  SetCursorPos(30, 40);
  TPoint p;
  GetCursorPos(&p);
  EXPECT_EQ(p, (TPoint{30, 40}));
  EXPECT_EQ(Screen().PixelsPerInch(), 96);
  EXPECT_EQ(Screen().Cursors(crHandPoint)->Standard, crHandPoint);
}
