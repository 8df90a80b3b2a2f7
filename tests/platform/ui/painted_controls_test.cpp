// The controls painted by our own code, on the headless backend: sizes from the fixed text
// metrics (7 pixels a character, 13 a line), layout, input routed to windowless children, and
// the media player over the fake CD drive.
#include <gtest/gtest.h>

#include "platform/ui/containers.h"
#include "platform/ui/media_player.h"
#include "platform/ui/small_controls.h"
#include "platform/ui/speed_button.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/tool_bar.h"
#include "tests/platform/headless/headless_form_test.h"

namespace {

using namespace HeadlessInput;

class PaintedTest : public HeadlessFormTest {};

TEST_F(PaintedTest, LabelSizesToItsCaption) {
  auto* l = Make<TLabel>(10, 10, 100, 40);
  l->SetCaption("&Hello");  // the "&" takes no room
  EXPECT_EQ(l->Width(), 35);
  EXPECT_EQ(l->Height(), 13);
  auto* r = Make<TLabel>(0, 40, 0, 0);
  r->SetAutoSize(false);
  r->SetBounds(100, 40, 70, 13);
  r->SetAlignment(taRightJustify);
  r->SetAutoSize(true);
  r->SetCaption("abc");
  EXPECT_EQ(r->Left() + r->Width(), 170);  // the right edge stays
  EXPECT_EQ(r->Width(), 21);
  auto* w = Make<TLabel>(0, 60, 0, 0);
  w->SetWordWrap(true);
  w->SetCaption("one two three");
  w->SetWidth(50);  // "one two" is 49 wide
  EXPECT_EQ(w->Height(), 26);
}

TEST_F(PaintedTest, LabelAcceleratorFocusesAndClickReachesIt) {
  auto* edit = Make<TPanel>(100, 100, 80, 20);
  auto* l = Make<TLabel>(10, 100, 0, 0);
  l->SetCaption("&Name");
  l->SetFocusControl(edit);
  EXPECT_EQ(l->Perform(CM_DIALOGCHAR, 'x'), 0);
  EXPECT_EQ(l->Perform(CM_DIALOGCHAR, 'n'), 1);
  EXPECT_TRUE(edit->Focused());
  int clicks = 0;
  l->OnClick = [&](TObject*) { ++clicks; };
  Click(Form, 12, 105);  // on the form, over the label
  EXPECT_EQ(clicks, 1);
  Click(Form, 80, 105);  // beside it
  EXPECT_EQ(clicks, 1);
  delete edit;
  EXPECT_EQ(l->FocusControl(), nullptr);
}

TEST_F(PaintedTest, PanelFramesInsetAlignedChildren) {
  auto* p = Make<TPanel>(0, 0, 200, 100);
  p->SetBevelOuter(bvLowered);
  p->SetBevelInner(bvRaised);
  p->SetBevelWidth(1);
  auto* child = Make<TPanel>(0, 0, 10, 10, p);
  child->SetAlign(alClient);
  EXPECT_EQ(child->BoundsRect(), Rect(2, 2, 198, 98));
  p->SetBorderWidth(3);
  p->SetBorderStyle(bsSingle);
  EXPECT_EQ(child->BoundsRect(), Rect(7, 7, 193, 93));
  // The frame is drawn from the system colours: the outer lowered bevel's top in the shadow.
  THeadlessPeer* peer = HeadlessPeer(*p);
  peer->Recorder().Clear();
  p->Repaint();
  bool shadowTop = false;
  for (const TPaintCall& c : peer->Recorder().Calls())
    if (c.Kind == TPaintKind::Polyline && c.Pen.Color == ColorToRGB(clBtnShadow) && c.Points.size() == 3 &&
        c.Points[0].X == 2 && c.Points[1].Y == 2)
      shadowTop = true;
  EXPECT_TRUE(shadowTop);
}

TEST_F(PaintedTest, SpeedButtonsOfAGroupKeepOneDown) {
  auto* a = Make<TSpeedButton>(0, 0, 23, 22);
  auto* b = Make<TSpeedButton>(30, 0, 23, 22);
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  std::vector<std::string> log;
  a->OnClick = [&](TObject*) { log.push_back("a"); };
  b->OnClick = [&](TObject*) { log.push_back("b"); };
  Click(Form, 5, 5);
  EXPECT_TRUE(a->Down());
  Click(Form, 35, 5);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  Click(Form, 35, 5);  // without AllowAllUp it stays down
  EXPECT_TRUE(b->Down());
  b->SetAllowAllUp(true);
  Click(Form, 35, 5);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "b", "b"}));
  // Pressed, dragged out and released outside: no click, and the button comes up.
  auto* plain = Make<TSpeedButton>(60, 0, 23, 22);
  int clicks = 0;
  plain->OnClick = [&](TObject*) { ++clicks; };
  MouseDown(Form, 65, 5);
  EXPECT_EQ(plain->State(), bsDown);
  MouseMove(Form, 150, 5, {ssLeft});
  EXPECT_EQ(plain->State(), bsUp);
  MouseUp(Form, 150, 5);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(plain->Down());  // no group: never stays down
}

// Two quick clicks on a button that steps through something (Next, a tool bar's or a speed
// button) are two steps: the second press of a double click is a press like the first.
TEST_F(PaintedTest, QuickClicksOnButtonsAreEachAClick) {
  auto* speed = Make<TSpeedButton>(0, 0, 23, 22);
  auto* bar = Make<TToolBar>(0, 40, 400, 29);
  auto* tool = new TToolButton(&Form);
  tool->SetParent(bar);
  int speedClicks = 0, toolClicks = 0, doubles = 0;
  speed->OnClick = [&](TObject*) { ++speedClicks; };
  tool->OnClick = [&](TObject*) { ++toolClicks; };
  speed->OnDblClick = tool->OnDblClick = [&](TObject*) { ++doubles; };
  DoubleClick(Form, 5, 5);
  EXPECT_EQ(speedClicks, 2);
  EXPECT_EQ(speed->State(), bsUp);
  DoubleClick(*bar, 5, 10);
  EXPECT_EQ(toolClicks, 2);
  EXPECT_EQ(doubles, 0);
  // A control that hears double clicks still gets one, and no click from its release.
  auto* label = Make<TLabel>(100, 0, 40, 15);
  int labelClicks = 0, labelDoubles = 0;
  label->OnClick = [&](TObject*) { ++labelClicks; };
  label->OnDblClick = [&](TObject*) { ++labelDoubles; };
  DoubleClick(Form, 105, 5);
  EXPECT_EQ(labelClicks, 1);
  EXPECT_EQ(labelDoubles, 1);
}

TEST_F(PaintedTest, FlatSpeedButtonFollowsTheMouse) {
  auto* b = Make<TSpeedButton>(10, 10, 23, 22);
  b->SetFlat(true);
  MouseMove(Form, 15, 15);
  EXPECT_TRUE(b->MouseInControl());
  MouseMove(Form, 100, 100);
  EXPECT_FALSE(b->MouseInControl());
}

TEST_F(PaintedTest, ButtonLayoutPlacesGlyphAndCaption) {
  TPoint glyph;
  TRect text;
  // 100 wide: glyph 16 + spacing 4 + text 30 = 50, centred: margin 25.
  LayoutButton(Rect(0, 0, 100, 30), {16, 16}, {30, 13}, blGlyphLeft, -1, 4, glyph, text);
  EXPECT_EQ(glyph.X, 25);
  EXPECT_EQ(glyph.Y, 7);
  EXPECT_EQ(text.Left, 45);
  LayoutButton(Rect(0, 0, 100, 30), {16, 16}, {30, 13}, blGlyphRight, 5, 4, glyph, text);
  EXPECT_EQ(glyph.X, 79);
  EXPECT_EQ(text.Left, 45);
  LayoutButton(Rect(0, 0, 40, 60), {16, 16}, {20, 13}, blGlyphTop, -1, -1, glyph, text);
  EXPECT_EQ(glyph.Y, 10);  // (60 - 29) / 3
  EXPECT_EQ(text.Top, 36);
  LayoutButton(Rect(0, 0, 100, 30), {16, 16}, {0, 0}, blGlyphLeft, 3, 4, glyph, text);
  EXPECT_EQ(glyph.X, 42);  // no caption: centred
}

TEST_F(PaintedTest, SplitterResizesItsNeighbourWithinLimits) {
  auto* left = Make<TPanel>(0, 0, 100, 300);
  left->SetAlign(alLeft);
  auto* split = Make<TSplitter>(100, 0, 3, 300);
  split->SetAlign(alLeft);
  auto* rest = Make<TPanel>(0, 0, 10, 10);
  rest->SetAlign(alClient);
  ASSERT_EQ(split->Left(), 100);
  ASSERT_EQ(split->ResizedControl(), left);
  int moved = 0;
  split->OnMoved = [&](TObject*) { ++moved; };
  MouseDown(Form, 101, 50);
  MouseMove(Form, 151, 50, {ssLeft});
  EXPECT_EQ(left->Width(), 150);
  EXPECT_EQ(split->Left(), 150);
  EXPECT_EQ(rest->Left(), 153);
  MouseMove(Form, 500, 50, {ssLeft});  // the rest keeps MinSize (30): 400 - 3 - 30
  EXPECT_EQ(left->Width(), 367);
  MouseMove(Form, -200, 50, {ssLeft});
  EXPECT_EQ(left->Width(), 30);
  MouseUp(Form, -200, 50);
  EXPECT_EQ(moved, 1);
}

TEST_F(PaintedTest, NotebookShowsOnePageByIndexOrName) {
  auto* nb = Make<TNotebook>(0, 0, 200, 100);
  nb->Pages().Clear();
  nb->Pages().Add("General");
  nb->Pages().Add("Images");
  nb->Pages().Add("Notes");
  EXPECT_EQ(nb->PageIndex(), 0);
  nb->SetActivePage("notes");
  EXPECT_EQ(nb->PageIndex(), 2);
  EXPECT_FALSE(nb->Page(0)->Visible());
  EXPECT_TRUE(nb->Page(2)->Visible());
  EXPECT_EQ(nb->Page(2)->BoundsRect(), Rect(0, 0, 200, 100));
  nb->Pages().SetStrings(1, "Pictures");
  nb->SetActivePage("Pictures");
  EXPECT_EQ(nb->ActivePage(), "Pictures");
  nb->Pages().Delete(1);  // the shown page goes: its place is taken by the next
  EXPECT_EQ(nb->PageCount(), 2);
  EXPECT_EQ(nb->ActivePage(), "Notes");
  EXPECT_TRUE(nb->Page(1)->Visible());
  EXPECT_THROW(nb->Pages().Delete(5), EListError);
}

TEST_F(PaintedTest, ProgressBarKeepsItsPositionInRange) {
  auto* p = Make<TProgressBar>(0, 0, 104, 16);
  p->SetPosition(150);
  EXPECT_EQ(p->Position(), 100);
  p->SetMax(50);
  EXPECT_EQ(p->Position(), 50);
  p->SetPosition(25);
  EXPECT_EQ(p->BarRect(), Rect(2, 2, 52, 14));
  p->SetMin(60);  // above Max: Max follows
  EXPECT_EQ(p->Max(), 60);
  EXPECT_EQ(p->Position(), 60);
}

TEST_F(PaintedTest, UpDownStepsItsAssociate) {
  auto* edit = Make<TPanel>(10, 10, 80, 21);
  auto* ud = Make<TUpDown>(0, 0, 17, 10);
  ud->SetMax(1200);
  ud->SetAssociate(edit);
  EXPECT_EQ(edit->Width(), 63);
  EXPECT_EQ(ud->BoundsRect(), Rect(73, 10, 90, 31));
  EXPECT_EQ(edit->Text(), "0");
  std::vector<int> clicks;
  ud->OnClick = [&](TObject*, TUDBtnType b) { clicks.push_back(b); };
  ud->SetIncrement(600);
  Click(*ud, 5, 2);  // the upper half steps up
  EXPECT_EQ(ud->Position(), 600);
  Click(*ud, 5, 2);
  Click(*ud, 5, 2);  // stops at Max
  EXPECT_EQ(edit->Text(), "1,200");
  Click(*ud, 5, 18);
  EXPECT_EQ(ud->Position(), 600);
  EXPECT_EQ(clicks, (std::vector<int>{btNext, btNext, btNext, btPrev}));
  edit->SetText("1,000");  // typed by the user
  ud->SetIncrement(1);
  ud->Click(btNext);
  EXPECT_EQ(ud->Position(), 1001);
  ud->SetWrap(true);
  ud->SetPosition(1200);
  ud->Click(btNext);
  EXPECT_EQ(ud->Position(), 0);
  ud->OnChanging = [](TObject*, bool& allow) { allow = false; };
  ud->Click(btNext);
  EXPECT_EQ(ud->Position(), 0);
}

TEST_F(PaintedTest, ToolBarLaysOutButtonsAndControls) {
  auto* bar = Make<TToolBar>(0, 0, 400, 29);
  TImageList images(16, 16);
  TBitmap strip(32, 16);
  strip.Canvas().Brush().SetColor(clRed);
  strip.Canvas().FillRect(Rect(0, 0, 32, 16));
  strip.ReleaseCanvas();
  images.Add(strip, nullptr);
  bar->SetImages(&images);
  auto* b1 = new TToolButton(&Form);
  b1->SetParent(bar);
  auto* sep = new TToolButton(&Form);
  sep->SetStyle(tbsSeparator);
  sep->SetParent(bar);
  auto* b2 = new TToolButton(&Form);
  b2->SetStyle(tbsCheck);
  b2->SetImageIndex(1);
  b2->SetParent(bar);
  auto* other = new TPanel(&Form);
  other->SetBounds(0, 0, 60, 18);
  other->SetParent(bar);
  EXPECT_EQ(bar->BoundsRect(), Rect(0, 0, 400, 29));  // aligned to the top
  EXPECT_EQ(b1->BoundsRect(), Rect(0, 2, 23, 24));
  EXPECT_EQ(sep->BoundsRect(), Rect(23, 2, 31, 24));
  EXPECT_EQ(b2->BoundsRect(), Rect(31, 2, 54, 24));
  EXPECT_EQ(other->BoundsRect(), Rect(54, 4, 114, 22));
  EXPECT_EQ(bar->ButtonCount(), 3);
  int clicks = 0;
  b2->OnClick = [&](TObject*) { ++clicks; };
  sep->OnClick = [&](TObject*) { ++clicks; };
  Click(*bar, 40, 10);
  EXPECT_TRUE(b2->Down());
  Click(*bar, 26, 10);  // the separator is no button
  EXPECT_EQ(clicks, 1);
  Click(*bar, 40, 10);
  EXPECT_FALSE(b2->Down());
  // The image of the button comes from the bar's list: red pixels at its centre.
  THeadlessPeer* peer = HeadlessPeer(*bar);
  peer->Recorder().Clear();
  bar->Repaint();
  int red = 0;
  for (const TPaintCall& c : peer->Recorder().Calls())
    if (c.Kind == TPaintKind::SetPixel && c.Color == 0x0000FF && c.Rect.Left >= 34 && c.Rect.Left < 51) ++red;
  EXPECT_EQ(red, 256);
}

TEST_F(PaintedTest, StatusBarPanelsAndSimpleText) {
  auto* bar = Make<TStatusBar>(0, 0, 300, 19);
  EXPECT_EQ(bar->Top(), 281);  // aligned to the bottom
  bar->Panels().Add()->SetText("Ready");
  TStatusPanel* second = bar->Panels().Add();
  second->SetWidth(80);
  second->SetStyle(psOwnerDraw);
  bar->Panels().Add()->SetText("last");
  EXPECT_EQ(bar->PanelRect(0), Rect(0, 2, 50, 19));
  EXPECT_EQ(bar->PanelRect(1), Rect(52, 2, 132, 19));
  EXPECT_EQ(bar->PanelRect(2), Rect(134, 2, 386, 19));  // to the grip
  TRect drawn;
  bar->OnDrawPanel = [&](TStatusBar*, TStatusPanel* p, const TRect& r) {
    if (p == second) drawn = r;
  };
  THeadlessPeer* peer = HeadlessPeer(*bar);
  auto texts = [&] {
    peer->Recorder().Clear();
    bar->Repaint();
    std::vector<std::string> t;
    for (const TPaintCall* c : peer->Recorder().TextCalls()) t.push_back(c->Text);
    return t;
  };
  EXPECT_EQ(texts(), (std::vector<std::string>{"Ready", "last"}));
  EXPECT_EQ(drawn, Rect(53, 3, 131, 18));
  bar->SetSimplePanel(true);
  bar->SetSimpleText("Wait & see");
  EXPECT_EQ(texts(), (std::vector<std::string>{"Wait & see"}));
}

class MediaPlayerTest : public PaintedTest {
protected:
  MediaPlayerTest() {
    SetCdAudioDeviceFactory([this] {
      auto d = std::make_unique<TFakeCdAudioDevice>(std::vector<int>{187, 245, 30});
      Drive = d.get();
      return d;
    });
    Player = Make<TMediaPlayer>(0, 0, 253, 30);
    Player->SetDeviceType(dtCDAudio);
    Player->SetAutoOpen(true);
  }
  ~MediaPlayerTest() override { SetCdAudioDeviceFactory(nullptr); }
  TFakeCdAudioDevice* Drive = nullptr;
  TMediaPlayer* Player = nullptr;
};

TEST_F(MediaPlayerTest, OpensAndReadsTheDisc) {
  ASSERT_TRUE(Player->IsOpen());
  EXPECT_EQ(Player->Mode(), mpStopped);
  EXPECT_EQ(Player->ModeName(), "stopped");
  EXPECT_EQ(Player->Tracks(), 3);
  EXPECT_EQ(MCI_MSF_MINUTE(Player->TrackLength(1)), 3);
  EXPECT_EQ(MCI_MSF_SECOND(Player->TrackLength(1)), 7);
  EXPECT_THROW(Player->TrackLength(4), EMCIDeviceError);
  EXPECT_EQ(Player->EnabledButtons(),
            (TButtonSet{TMPBtnType::btPlay, TMPBtnType::btNext, TMPBtnType::btPrev, TMPBtnType::btEject}));
}

TEST_F(MediaPlayerTest, PlaysFromTheStartPositionAndReportsTheEnd) {
  Player->SetStartPos(MCI_MAKE_TMSF(2, 0, 10, 0));
  int notices = 0;
  Player->OnNotify = [&](TObject*) { ++notices; };
  Player->SetNotify(true);
  Player->Play();
  EXPECT_EQ(Drive->Log.back(), "play 2 0:10");
  EXPECT_EQ(Player->Mode(), mpPlaying);
  Drive->Advance(60);
  int pos = Player->Position();
  EXPECT_EQ(MCI_TMSF_TRACK(pos), 2);
  EXPECT_EQ(MCI_TMSF_MINUTE(pos), 1);
  EXPECT_EQ(MCI_TMSF_SECOND(pos), 10);
  Player->CheckDevice();
  EXPECT_EQ(notices, 0);
  Drive->Advance(1000);  // past the last track
  Player->CheckDevice();
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(Player->NotifyValue(), nvSuccessful);
  EXPECT_EQ(Player->Mode(), mpStopped);
  EXPECT_FALSE(Player->Notify());
}

TEST_F(MediaPlayerTest, ButtonsRunTheirCommandsBetweenTheEvents) {
  std::vector<std::string> log;
  Player->OnClick = [&](TObject*, TMPBtnType b, bool& doDefault) {
    log.push_back("click " + std::to_string(static_cast<int>(b)));
    if (b == TMPBtnType::btEject) doDefault = false;
  };
  Player->OnPostClick = [&](TObject*, TMPBtnType b) {
    log.push_back("post " + std::to_string(static_cast<int>(b)) + " " + Player->ModeName());
  };
  TRect play = Player->ButtonRect(TMPBtnType::btPlay);
  Click(*Player, play.Left + 3, 10);
  EXPECT_EQ(Player->Mode(), mpPlaying);
  TRect pause = Player->ButtonRect(TMPBtnType::btPause);
  Click(*Player, pause.Left + 3, 10);
  EXPECT_EQ(Player->Mode(), mpPaused);
  Player->Pause();  // again: on with the play
  EXPECT_EQ(Player->Mode(), mpPlaying);
  TRect eject = Player->ButtonRect(TMPBtnType::btEject);
  Click(*Player, eject.Left + 3, 10);
  EXPECT_EQ(Player->Mode(), mpPlaying);  // the handler skipped the command
  EXPECT_EQ(log, (std::vector<std::string>{"click 0", "post 0 playing", "click 1", "post 1 paused", "click 8",
                                           "post 8 playing"}));
  Click(*Player, play.Left + 3, 10);  // disabled while playing: nothing happens
  EXPECT_EQ(log.size(), 6u);
}

TEST_F(MediaPlayerTest, NextPreviousAndEject) {
  Player->Next();  // stopped: only the place moves
  EXPECT_EQ(MCI_TMSF_TRACK(Player->Position()), 2);
  Player->Play();
  EXPECT_EQ(Drive->Log.back(), "play 2 0:0");
  Drive->Advance(20);
  int notices = 0;
  Player->OnNotify = [&](TObject*) { ++notices; };
  Player->SetNotify(true);
  Player->Previous();  // 20 seconds into track 2: back to its start, playing on
  EXPECT_EQ(Drive->Log.back(), "play 2 0:0");
  EXPECT_EQ(notices, 0);  // the notice comes through the loop
  EXPECT_TRUE(HeadlessPeer(*Player)->FireTimer(1));
  EXPECT_EQ(notices, 1);
  Player->Previous();  // at the start: the track before
  EXPECT_EQ(Drive->Log.back(), "play 1 0:0");
  Player->Eject();
  EXPECT_EQ(Player->Mode(), mpOpen);
  EXPECT_EQ(Player->ModeName(), "open");
  EXPECT_EQ(Player->Tracks(), 0);
  EXPECT_EQ(Player->EnabledButtons(), TButtonSet{TMPBtnType::btEject});
  EXPECT_THROW(Player->Play(), EMCIDeviceError);
  Drive->InsertDisc({100});
  Player->CheckDevice();
  EXPECT_EQ(Player->Tracks(), 1);
  EXPECT_TRUE(Player->EnabledButtons().Contains(TMPBtnType::btPlay));
}

TEST(MediaPlayer, WithoutADriveItIsNotReady) {
  InstallHeadlessBackend();
  SetCdAudioDeviceFactory([] { return CreateNoCdAudioDevice(); });
  TMediaPlayer player(nullptr);
  player.SetDeviceType(dtCDAudio);
  EXPECT_THROW(player.Open(), EMCIDeviceError);
  EXPECT_EQ(player.ModeName(), "not ready");
  EXPECT_THROW(player.Play(), EMCIDeviceError);
  player.SetDeviceType(dtWaveAudio);
  EXPECT_THROW(player.Open(), EMCIDeviceError);
  SetCdAudioDeviceFactory(nullptr);
}

}  // namespace
