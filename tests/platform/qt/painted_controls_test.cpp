// Every painted control on one parent window, shown on the Qt backend (offscreen) and grabbed:
// each control at its place with its caption, and Align laying the window out again when it
// is resized. The grab is saved as painted_controls.png in the build folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "platform/qt/qt_window_peer.h"
#include "platform/sys/cd_audio.h"
#include "platform/ui/containers.h"
#include "platform/ui/media_player.h"
#include "platform/ui/small_controls.h"
#include "platform/ui/speed_button.h"
#include "platform/ui/status_bar.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/tool_bar.h"

namespace {

COLORREF At(const QImage& img, int x, int y) {
  QRgb p = img.pixel(x, y);
  return RGB(qRed(p), qGreen(p), qBlue(p));
}

int Count(const QImage& img, const TRect& r, COLORREF color) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += At(img, x, y) == color;
  return n;
}

int Dark(const QImage& img, const TRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      QRgb p = img.pixel(x, y);
      n += qRed(p) < 100 && qGreen(p) < 100 && qBlue(p) < 100;
    }
  return n;
}

// A control's rectangle in the coordinates of the window.
TRect InWindow(TControl* c, TWinControl* window) {
  TPoint o = window->ScreenToClient(c->ClientToScreen({0, 0}));
  return Bounds(o.X, o.Y, c->Width(), c->Height());
}

class PaintedWindow {
public:
  PaintedWindow() : Window(nullptr), Images(16, 16) {
    SetCdAudioDeviceFactory([] { return std::make_unique<TFakeCdAudioDevice>(std::vector<int>{200, 180}); });
    Window.SetBevelOuter(bvNone);
    Window.SetBounds(0, 0, 480, 320);

    TBitmap strip(48, 16);
    TCanvas& sc = strip.Canvas();
    const TColor colors[] = {clRed, clLime, clBlue};
    for (int i = 0; i < 3; ++i) {
      sc.Brush().SetColor(colors[i]);
      sc.FillRect(Rect(i * 16 + 2, 2, i * 16 + 14, 14));
    }
    strip.ReleaseCanvas();
    Images.AddMasked(strip, clWhite);

    Bar = Make<TToolBar>(&Window);
    Bar->SetFlat(true);
    Bar->SetImages(&Images);
    for (int i = 0; i < 4; ++i) {
      auto* b = Make<TToolButton>(Bar);
      if (i == 2) b->SetStyle(tbsSeparator);
      else b->SetImageIndex(i > 2 ? i - 1 : i);
      if (i == 3) {
        b->SetStyle(tbsCheck);
        b->SetDown(true);
      }
    }

    Status = Make<TStatusBar>(&Window);
    Status->Panels().Add()->SetText("Ready");
    Status->Panels().Items(0)->SetWidth(120);
    Status->Panels().Add()->SetText("Track 1");

    Side = Make<TPanel>(&Window);
    Side->SetBounds(0, 0, 110, 100);
    Side->SetAlign(alLeft);
    Side->SetBevelOuter(bvLowered);
    Side->SetCaption("Side");
    Split = Make<TSplitter>(&Window);
    Split->SetBounds(110, 0, 4, 100);
    Split->SetAlign(alLeft);
    Split->SetBeveled(true);

    Client = Make<TPanel>(&Window);
    Client->SetAlign(alClient);
    Client->SetBevelInner(bvLowered);

    Caption = Make<TLabel>(Client);
    Caption->SetLeft(10);
    Caption->SetTop(10);
    Caption->Font().SetSize(10);
    Caption->SetCaption("&Label caption");

    Bevel = Make<TBevel>(Client);
    Bevel->SetBounds(10, 32, 150, 4);
    Bevel->SetShape(bsTopLine);

    Box = Make<TPaintBox>(Client);
    Box->SetBounds(10, 44, 60, 40);
    Box->OnPaint = [this](TObject*) {
      TCanvas& c = Box->Canvas();
      c.Brush().SetColor(clBlue);
      c.Pen().SetColor(clBlue);
      c.Ellipse(0, 0, 60, 40);
    };

    Speed = Make<TSpeedButton>(Client);
    Speed->SetBounds(80, 44, 90, 28);
    Speed->SetCaption("Speed");
    TBitmap glyph(16, 16);
    glyph.Canvas().Brush().SetColor(clFuchsia);
    glyph.Canvas().FillRect(Rect(0, 0, 16, 16));
    glyph.Canvas().Brush().SetColor(clGreen);
    glyph.Canvas().FillRect(Rect(3, 3, 13, 13));
    glyph.ReleaseCanvas();
    Speed->SetGlyph(glyph);

    Progress = Make<TProgressBar>(Client);
    Progress->SetBounds(10, 94, 200, 18);
    Progress->SetPosition(60);

    Count = Make<TPanel>(Client);
    Count->SetBounds(220, 94, 60, 21);
    Count->SetBevelOuter(bvLowered);
    Count->SetColor(clWindow);
    Up = Make<TUpDown>(Client);
    Up->SetAssociate(Count);
    Up->SetPosition(42);

    Player = Make<TMediaPlayer>(Client);
    Player->SetBounds(10, 124, 253, 30);
    Player->SetDeviceType(dtCDAudio);
    Player->SetAutoOpen(true);

    // What showing a form does: every windowed control gets its window.
    CreateWindows(Window);
    QtPeer(Window)->Widget()->show();
  }
  ~PaintedWindow() { SetCdAudioDeviceFactory(nullptr); }

  static void CreateWindows(TWinControl& c) {
    c.HandleNeeded();
    for (int i = 0; i < c.ControlCount(); ++i)
      if (auto* w = dynamic_cast<TWinControl*>(c.Controls(i))) CreateWindows(*w);
  }
  template <class T>
  T* Make(TWinControl* parent) {
    auto* c = new T(&Window);
    c->SetParent(parent);
    return c;
  }
  QImage Grab() {
    QApplication::processEvents();
    return QtPeer(Window)->Widget()->grab().toImage();
  }

  TPanel Window;
  TImageList Images;
  TToolBar* Bar;
  TStatusBar* Status;
  TPanel* Side;
  TSplitter* Split;
  TPanel* Client;
  TLabel* Caption;
  TBevel* Bevel;
  TPaintBox* Box;
  TSpeedButton* Speed;
  TProgressBar* Progress;
  TPanel* Count;
  TUpDown* Up;
  TMediaPlayer* Player;
};

TEST(QtPaintedControls, EveryControlDrawsAtItsPlace) {
  PaintedWindow f;
  QImage img = f.Grab();
  ASSERT_EQ(img.width(), 480);
  img.save(QString::fromUtf8(QN_BINARY_DIR "/painted_controls.png"));

  // Tool bar along the top: the three images at their buttons, the checked one lighter.
  EXPECT_EQ(InWindow(f.Bar, &f.Window), Rect(0, 0, 480, 29));
  EXPECT_GT(Count(img, InWindow(f.Bar->Buttons(0), &f.Window), RGB(255, 0, 0)), 100);
  EXPECT_GT(Count(img, InWindow(f.Bar->Buttons(1), &f.Window), RGB(0, 255, 0)), 100);
  EXPECT_GT(Count(img, InWindow(f.Bar->Buttons(3), &f.Window), RGB(0, 0, 255)), 100);
  EXPECT_EQ(Count(img, InWindow(f.Bar->Buttons(2), &f.Window), RGB(255, 0, 0)), 0);
  // Status bar along the bottom, its texts in the panels.
  TRect status = InWindow(f.Status, &f.Window);
  EXPECT_EQ(status, Rect(0, 301, 480, 320));
  TRect panel0 = f.Status->PanelRect(0);
  OffsetRect(panel0, 0, status.Top);
  EXPECT_GT(Dark(img, panel0), 20);
  // Side panel and splitter on the left, the client panel beside them.
  EXPECT_EQ(InWindow(f.Side, &f.Window), Rect(0, 29, 110, 301));
  EXPECT_EQ(At(img, 0, 29), ColorToRGB(clBtnShadow));  // lowered: shadow at the top left
  EXPECT_EQ(At(img, 109, 300), ColorToRGB(clBtnHighlight));
  EXPECT_GT(Dark(img, Rect(30, 150, 80, 180)), 20);  // "Side" in the middle
  EXPECT_EQ(InWindow(f.Client, &f.Window), Rect(114, 29, 480, 301));
  // Label with its caption; the bevel's line; the paint box's ellipse.
  TRect label = InWindow(f.Caption, &f.Window);
  EXPECT_GT(label.Width(), 60);
  EXPECT_GT(Dark(img, label), 40);
  TRect bevel = InWindow(f.Bevel, &f.Window);
  EXPECT_EQ(At(img, bevel.Left + 20, bevel.Top), ColorToRGB(clBtnShadow));
  EXPECT_EQ(At(img, bevel.Left + 20, bevel.Top + 1), ColorToRGB(clBtnHighlight));
  TRect box = InWindow(f.Box, &f.Window);
  EXPECT_EQ(At(img, box.Left + 30, box.Top + 20), RGB(0, 0, 255));
  EXPECT_NE(At(img, box.Left + 1, box.Top + 1), RGB(0, 0, 255));
  // Speed button: its glyph (the key colour left out) and its caption.
  TRect speed = InWindow(f.Speed, &f.Window);
  EXPECT_GT(Count(img, speed, RGB(0, 128, 0)), 90);
  EXPECT_EQ(Count(img, speed, RGB(255, 0, 255)), 0);
  EXPECT_GT(Dark(img, Rect(speed.Left + 40, speed.Top + 4, speed.Right - 4, speed.Bottom - 4)), 15);
  // Progress bar: 60 % of it in the highlight colour.
  TRect bar = InWindow(f.Progress, &f.Window);
  COLORREF hl = ColorToRGB(clHighlight);
  EXPECT_GT(Count(img, Rect(bar.Left + 2, bar.Top + 2, bar.Left + 110, bar.Bottom - 2), hl), 900);
  EXPECT_EQ(Count(img, Rect(bar.Left + 125, bar.Top + 2, bar.Right - 2, bar.Bottom - 2), hl), 0);
  // Up-down beside its associate, which shows the position.
  EXPECT_EQ(f.Up->Left(), f.Count->Left() + f.Count->Width());
  EXPECT_EQ(f.Count->Caption(), "42");
  EXPECT_GT(Dark(img, InWindow(f.Count, &f.Window)), 10);
  EXPECT_GT(Dark(img, InWindow(f.Up, &f.Window)), 6);  // the arrows
  // Media player buttons: the play symbol, black while play is enabled.
  TRect play = f.Player->ButtonRect(TMPBtnType::btPlay);
  TPoint po = f.Window.ScreenToClient(f.Player->ClientToScreen({play.Left, play.Top}));
  EXPECT_GT(Dark(img, Bounds(po.X + 6, po.Y + 6, play.Width() - 12, play.Height() - 12)), 10);
}

TEST(QtPaintedControls, AlignLaysTheWindowOutOnResize) {
  PaintedWindow f;
  f.Window.SetBounds(0, 0, 640, 400);
  QImage img = f.Grab();
  ASSERT_EQ(img.width(), 640);
  EXPECT_EQ(InWindow(f.Bar, &f.Window), Rect(0, 0, 640, 29));
  EXPECT_EQ(InWindow(f.Status, &f.Window), Rect(0, 381, 640, 400));
  EXPECT_EQ(InWindow(f.Side, &f.Window), Rect(0, 29, 110, 381));
  EXPECT_EQ(InWindow(f.Client, &f.Window), Rect(114, 29, 640, 381));
  // The status bar's text moved down with it; the old place is the client panel now.
  EXPECT_GT(Dark(img, Rect(2, 383, 120, 400)), 20);
  EXPECT_EQ(At(img, 300, 310), ColorToRGB(clBtnFace));
  // The size grip sits at the new bottom right corner.
  EXPECT_EQ(At(img, 637, 398), ColorToRGB(clBtnShadow));
  img.save(QString::fromUtf8(QN_BINARY_DIR "/painted_controls_resized.png"));
}

}  // namespace

#include "platform/ui/scroll_box.h"

namespace {

TEST(QtPaintedControls, ScrollBoxScrollsItsChildrenIntoView) {
  TScrollBox box(nullptr);
  box.SetBorderStyle(bsNone);
  box.SetBounds(0, 0, 150, 80);
  auto* far = new TPaintBox(&box);
  far->SetBounds(10, 200, 40, 20);
  far->SetParent(&box);
  far->OnPaint = [far](TObject*) {
    far->Canvas().Brush().SetColor(clRed);
    far->Canvas().FillRect(far->ClientRect());
  };
  box.HandleNeeded();
  box.UpdateScrollBars();
  QtPeer(box)->Widget()->show();
  QApplication::processEvents();
  QImage before = QtPeer(box)->Widget()->grab().toImage();
  EXPECT_EQ(Count(before, Rect(0, 0, 120, 80), RGB(255, 0, 0)), 0);
  ASSERT_TRUE(box.VertScrollBar().IsScrollBarVisible());
  box.VertScrollBar().SetPosition(180);  // the end: 220 - the client height
  QApplication::processEvents();
  QImage after = QtPeer(box)->Widget()->grab().toImage();
  TRect shown = InWindow(far, &box);
  EXPECT_EQ(shown.Top, 220 - box.VertScrollBar().Position() - 20);
  EXPECT_GT(Count(after, shown, RGB(255, 0, 0)), 600);
  after.save(QString::fromUtf8(QN_BINARY_DIR "/painted_scroll_box.png"));
}

}  // namespace
