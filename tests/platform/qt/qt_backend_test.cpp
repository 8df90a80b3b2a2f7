// The Qt backend under the offscreen platform: pixels of the QPainter painter, fonts, the
// window peer's paint and input, and the cell markup drawn for real.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <cstdlib>

#include "controls/grid/markup.h"
#include "platform/gfx/bitmap.h"
#include "platform/qt/qt_painter.h"
#include "platform/ui/mouse_tracking.h"
#include "platform/ui/screen.h"
#include "tests/qt_test_app.h"

namespace {

const auto* const kEnvironment = UseQtBackend("qt_tests");

bool IsRed(COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100; }
bool IsDark(COLORREF c) { return GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128; }

int CountPixels(const TBitmap& bmp, const TRect& r, bool (*test)(COLORREF)) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += test(bmp.PixelAt(x, y));
  return n;
}

TEST(QtPainter, FillsAndOutlinesKeepExclusiveEdges) {
  TBitmap bmp(20, 20);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(2, 2, 6, 6));
  c.Pen().SetColor(clBlue);
  c.Brush().SetColor(clLime);
  c.Rectangle(10, 10, 15, 15);
  bmp.ReleaseCanvas();
  EXPECT_EQ(bmp.PixelAt(2, 2), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(5, 5), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(6, 6), 0xFFFFFFu);
  EXPECT_EQ(bmp.PixelAt(10, 10), 0xFF0000u);
  EXPECT_EQ(bmp.PixelAt(14, 14), 0xFF0000u);
  EXPECT_EQ(bmp.PixelAt(15, 15), 0xFFFFFFu);
  EXPECT_EQ(bmp.PixelAt(12, 12), 0x00FF00u);
}

TEST(QtPainter, FocusRectangleIsAnInversion) {
  TBitmap bmp(10, 10, pf32bit);
  bmp.Canvas().DrawFocusRect(Rect(0, 0, 10, 10));
  bmp.ReleaseCanvas();
  EXPECT_EQ(bmp.PixelAt(0, 0), 0u);
  bmp.Canvas().DrawFocusRect(Rect(0, 0, 10, 10));
  bmp.ReleaseCanvas();
  EXPECT_EQ(bmp.PixelAt(0, 0), 0xFFFFFFu);
}

TEST(QtPainter, FontsAreSubstitutedAndTextIsDrawn) {
  TPaintFont f;
  f.Name = "Arial";
  EXPECT_EQ(QFontInfo(ToQFont(f)).family(), "Liberation Sans");
  TBitmap bmp(120, 30);
  TCanvas& c = bmp.Canvas();
  c.Font().SetSize(12);
  c.Font().SetColor(clBlack);
  c.Brush().SetStyle(bsClear);
  int width = c.TextWidth("Hello");
  EXPECT_GT(width, 20);
  EXPECT_LT(width, 80);
  EXPECT_GT(c.TextHeight("gh"), 12);
  c.TextOut(2, 2, "Hello");
  bmp.ReleaseCanvas();
  EXPECT_GT(CountPixels(bmp, Rect(2, 2, 2 + width, 28), IsDark), 20);
  EXPECT_EQ(CountPixels(bmp, Rect(2 + width + 2, 0, 120, 30), IsDark), 0);
}

// A window's painters share one font cache from paint to paint: a text drawn again by a later
// painter comes from what an earlier one kept, and shows what Qt's own text drawing shows, in
// the styles and sizes grids and labels use, plain and clipped.
TEST(QtPainter, AKeptFontCacheDrawsTextAsQtDoes) {
  const char* texts[] = {"Column 0", "name 123456", "9972.99", "text 345", "Hello, World!", "a_b-c {x}|~",
                         "Tea ", "office  ", "AVAT"};
  std::shared_ptr<TQtFontCache> cache = TQtFontCache::Make();
  for (int height : {-11, -13, -16, -21})
    for (TFontStyles style : {TFontStyles{}, TFontStyles{fsBold}, TFontStyles{fsItalic}})
      for (const char* text : texts) {
        TPaintFont f;
        f.Name = "Arial";
        f.Height = height;
        f.Style = style;
        QImage ours(260, 40, QImage::Format_RGB32), theirs(260, 40, QImage::Format_RGB32);
        for (QImage* i : {&ours, &theirs}) {
          i->setDotsPerMeterX(3780);
          i->setDotsPerMeterY(3780);
          i->fill(Qt::white);
        }
        for (int pass = 0; pass < 2; ++pass) {  // the second draw comes from the cache
          TQtPainter p(&ours, cache);
          p.TextRun(3, 5, text, f, RGB(0, 0, 128), false, 0);
        }
        const QFont qf = ToQFont(f);
        const QFontMetrics fm(qf, &theirs);
        {
          QPainter p(&theirs);
          p.setRenderHint(QPainter::TextAntialiasing, false);
          p.setFont(qf);
          p.setPen(QColor(0, 0, 128));
          p.drawText(3, 5 + fm.ascent(), QString::fromLatin1(text));
        }
        int differing = 0, inked = 0;
        for (int y = 0; y < 40; ++y)
          for (int x = 0; x < 260; ++x) {
            if (ours.pixel(x, y) != theirs.pixel(x, y)) ++differing;
            if (ours.pixel(x, y) != qRgb(255, 255, 255)) ++inked;
          }
        EXPECT_EQ(differing, 0) << text << " at height " << height;
        EXPECT_GT(inked, 10) << text;
        // Clipped to two rectangles, as a cell's text is: only their part shows, as with Qt.
        ours.fill(Qt::white);
        theirs.fill(Qt::white);
        const std::vector<TRect> clip = {Rect(0, 0, 20, 40), Rect(30, 12, 45, 40)};
        {
          TQtPainter p(&ours, cache);
          p.SetClip(clip, true);
          p.TextRun(3, 5, text, f, RGB(0, 0, 128), false, 0);
        }
        {
          QPainter p(&theirs);
          p.setRenderHint(QPainter::TextAntialiasing, false);
          p.setClipRegion(QRegion(0, 0, 20, 40) + QRegion(30, 12, 15, 28));
          p.setFont(qf);
          p.setPen(QColor(0, 0, 128));
          p.drawText(3, 5 + fm.ascent(), QString::fromLatin1(text));
        }
        differing = 0;
        for (int y = 0; y < 40; ++y)
          for (int x = 0; x < 260; ++x)
            if (ours.pixel(x, y) != theirs.pixel(x, y)) ++differing;
        EXPECT_EQ(differing, 0) << text << " clipped, at height " << height;
        EXPECT_EQ(ours.pixel(25, 20), qRgb(255, 255, 255));
        TQtPainter measure(&ours, cache);
        EXPECT_EQ(measure.TextWidth(f, text), fm.horizontalAdvance(QString::fromLatin1(text))) << text;
      }
}

// Solid fills on a window's or bitmap's pixels are written directly: inside the clip, with
// the exclusive right and bottom edges, exactly as QPainter fills.
TEST(QtPainter, SolidFillsKeepToTheClipAsQtFills) {
  QImage ours(120, 80, QImage::Format_RGB32), theirs(120, 80, QImage::Format_RGB32);
  ours.fill(Qt::white);
  theirs.fill(Qt::white);
  TPaintBrush brush;
  brush.Color = RGB(10, 200, 30);
  {
    TQtPainter p(&ours);
    p.FillRect(Rect(5, 5, 40, 30), brush);
    p.SetClip({Rect(50, 0, 70, 80), Rect(60, 40, 110, 60)}, true);
    brush.Color = clRed;
    p.FillRect(Rect(-10, 20, 200, 50), brush);
    p.SetClip({}, false);
    brush.Color = RGB(0, 0, 255);
    p.FillRect(Rect(100, 70, 130, 90), brush);  // partly outside the image
  }
  {
    QPainter p(&theirs);
    p.fillRect(QRect(5, 5, 35, 25), QColor(10, 200, 30));
    p.setClipRegion(QRegion(50, 0, 20, 80) + QRegion(60, 40, 50, 20));
    p.fillRect(QRect(-10, 20, 210, 30), QColor(255, 0, 0));
    p.setClipping(false);
    p.fillRect(QRect(100, 70, 30, 20), QColor(0, 0, 255));
  }
  EXPECT_EQ(ours, theirs);
  EXPECT_EQ(ours.pixel(55, 25), qRgb(255, 0, 0));
  EXPECT_EQ(ours.pixel(45, 25), qRgb(255, 255, 255));
}

TEST(QtPainter, ClipAndOpaqueTextBackground) {
  TBitmap bmp(40, 20);
  TCanvas& c = bmp.Canvas();
  c.IntersectClipRect(0, 0, 10, 20);
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(0, 0, 40, 20));
  c.SelectClipRgn(nullptr);
  c.Brush().SetColor(clBlue);
  c.Font().SetColor(clWhite);
  c.TextOut(20, 2, "ii");
  bmp.ReleaseCanvas();
  EXPECT_EQ(bmp.PixelAt(9, 10), 0x0000FFu);
  EXPECT_EQ(bmp.PixelAt(10, 10), 0xFFFFFFu);
  EXPECT_EQ(bmp.PixelAt(20, 3), 0xFF0000u);  // the run's extent in the background colour
}

class TRedControl : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::string> Log;

protected:
  void Paint() override {
    Canvas().Brush().SetColor(clRed);
    Canvas().FillRect(ClientRect());
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    Log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                  (s.Contains(ssCtrl) ? " ctrl" : ""));
  }
  void KeyDown(WORD& key, TShiftState) override { Log.push_back("key " + std::to_string(key)); }
  void KeyPress(char32_t& key) override { Log.push_back("char " + std::to_string(static_cast<unsigned>(key))); }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_TIMER) Log.push_back("timer " + std::to_string(m.WParam));
    TCustomControl::WndProc(m);
  }
};

TEST(QtWindowPeer, PaintsThroughTheBackingImage) {
  TRedControl c(nullptr);
  c.SetBounds(0, 0, 30, 20);
  TQtWindowPeer* peer = QtPeer(c);
  ASSERT_NE(peer, nullptr);
  QImage shot = peer->Widget()->grab().toImage();
  ASSERT_EQ(shot.width(), 30);
  EXPECT_EQ(QColor(shot.pixel(15, 10)), QColor(Qt::red));
  EXPECT_EQ(QColor(peer->Backing().pixel(29, 19)), QColor(Qt::red));
}

TEST(QtWindowPeer, DrawingOutsidePaintThenPaintAndResize) {
  TRedControl c(nullptr);
  c.SetBounds(0, 0, 30, 20);
  QtPeer(c)->Widget()->show();  // on the screen: what is drawn is kept until the next paint
  c.Canvas().Brush().SetColor(clLime);
  c.Canvas().FillRect(Rect(0, 0, 5, 5));
  EXPECT_EQ(QColor(QtPeer(c)->Backing().pixel(2, 2)), QColor(Qt::green));
  QImage shot = QtPeer(c)->Widget()->grab().toImage();  // a paint: the canvas lets go first
  EXPECT_EQ(QColor(shot.pixel(2, 2)), QColor(Qt::red));
  c.Canvas().FillRect(Rect(0, 0, 5, 5));
  c.SetBounds(0, 0, 40, 30);  // a new backing image
  shot = QtPeer(c)->Widget()->grab().toImage();
  EXPECT_EQ(shot.width(), 40);
  EXPECT_EQ(QColor(shot.pixel(35, 25)), QColor(Qt::red));
  c.Canvas().FillRect(Rect(0, 0, 5, 5));
  c.RecreateWnd();
  EXPECT_EQ(QColor(QtPeer(c)->Widget()->grab().toImage().pixel(2, 2)), QColor(Qt::red));
}

// A control not on the screen yet (its form being built) measures its texts as it does once
// shown, though it has no backing image to draw on; what it draws then is not kept: its first
// paint draws it whole.
TEST(QtWindowPeer, AControlNotShownYetMeasuresAsWhenShown) {
  TRedControl c(nullptr);
  c.SetBounds(0, 0, 60, 40);
  c.Canvas().Font().SetName("Liberation Sans");
  c.Canvas().Font().SetSize(14);  // in points: the width depends on the target's resolution
  const int hiddenWidth = c.Canvas().TextWidth("Description 10");
  const int hiddenHeight = c.Canvas().TextHeight("Wg");
  c.Canvas().Brush().SetColor(clLime);
  c.Canvas().FillRect(Rect(0, 0, 60, 40));
  EXPECT_EQ(QColor(QtPeer(c)->Widget()->grab().toImage().pixel(30, 20)), QColor(Qt::red));
  QtPeer(c)->Widget()->show();
  c.Canvas().Font().SetName("Liberation Sans");
  c.Canvas().Font().SetSize(14);
  EXPECT_GT(hiddenWidth, 60);
  EXPECT_EQ(c.Canvas().TextWidth("Description 10"), hiddenWidth);
  EXPECT_EQ(c.Canvas().TextHeight("Wg"), hiddenHeight);
  // Shown, it draws on its backing image.
  c.Canvas().Brush().SetColor(clLime);
  c.Canvas().FillRect(Rect(0, 0, 5, 5));
  EXPECT_EQ(QColor(QtPeer(c)->Backing().pixel(2, 2)), QColor(Qt::green));
}

// The extension buttons' icons, read when first drawn, are the toolkit style's own.
TEST(QtWindowPeer, TheStylesExtensionIconsAreItsOwnWhenDrawn) {
  auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
  ASSERT_NE(style, nullptr);
  for (auto which : {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
    const QIcon lazy = style->standardIcon(which);
    const QIcon own = style->baseStyle()->standardIcon(which);
    ASSERT_FALSE(own.isNull());
    EXPECT_FALSE(lazy.isNull());
    EXPECT_EQ(lazy.availableSizes(), own.availableSizes());
    EXPECT_EQ(lazy.pixmap(16, 16).toImage(), own.pixmap(16, 16).toImage());
    QImage drawn(16, 16, QImage::Format_ARGB32), expected(16, 16, QImage::Format_ARGB32);
    drawn.fill(Qt::white);
    expected.fill(Qt::white);
    QPainter(&drawn).drawPixmap(0, 0, lazy.pixmap(16, 16, QIcon::Disabled));
    QPainter(&expected).drawPixmap(0, 0, own.pixmap(16, 16, QIcon::Disabled));
    EXPECT_EQ(drawn, expected);
    int inked = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) inked += (drawn.pixel(x, y) & 0xFFFFFF) != 0xFFFFFFu;
    EXPECT_GT(inked, 4) << "the icon draws nothing";
  }
}

TEST(QtWindowPeer, ChildWindowsOutliveTheirParentsWindow) {
  TRedControl parent(nullptr);
  parent.SetBounds(0, 0, 50, 50);
  auto* child = new TRedControl(&parent);
  child->SetBounds(5, 5, 10, 10);
  child->SetParent(&parent);
  child->HandleNeeded();
  EXPECT_EQ(QtPeer(*child)->Widget()->parentWidget(), QtPeer(parent)->Widget());
  parent.RecreateWnd();
  EXPECT_EQ(QtPeer(*child)->Widget()->parentWidget(), QtPeer(parent)->Widget());
  QImage shot = QtPeer(parent)->Widget()->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(7, 7)), QColor(Qt::red));
  // The parent frees its owned child: neither widget is freed twice.
}

TEST(QtWindowPeer, MouseAndKeysArriveAsMessages) {
  TRedControl c(nullptr);
  c.SetBounds(0, 0, 30, 20);
  QWidget* w = QtPeer(c)->Widget();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(4, 5), w->mapToGlobal(QPointF(4, 5)), Qt::LeftButton,
                    Qt::LeftButton, Qt::ControlModifier);
  QApplication::sendEvent(w, &press);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(w, &key);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(w, &down);
  EXPECT_EQ(c.Log, (std::vector<std::string>{"down 0 4,5 ctrl", "key 65", "char 97", "key 40"}));
}

// A window made when its control is first shown goes where the control stands among its
// siblings, under those above it, not on top of them all.
TEST(QtWindowPeer, WindowMadeWhenShownKeepsItsPlaceAmongItsSiblings) {
  TRedControl parent(nullptr), below(nullptr), middle(nullptr), above(nullptr);
  parent.SetBounds(0, 0, 100, 100);
  for (TRedControl* c : {&below, &middle, &above}) {
    c->SetBounds(0, 0, 50, 50);
    c->SetParent(&parent);
  }
  middle.SetVisible(false);
  QWidget* top = QtPeer(parent)->Widget();
  ASSERT_FALSE(middle.HandleAllocated());
  middle.SetVisible(true);
  ASSERT_TRUE(middle.HandleAllocated());
  std::vector<QWidget*> order;
  for (QObject* child : top->children())
    if (auto* w = qobject_cast<QWidget*>(child)) order.push_back(w);
  EXPECT_EQ(order, (std::vector<QWidget*>{QtPeer(below)->Widget(), QtPeer(middle)->Widget(), QtPeer(above)->Widget()}));
  EXPECT_FALSE(QtPeer(middle)->Widget()->isHidden());
}

TEST(QtWindowPeer, TimersTickWhileTheLoopRuns) {
  TRedControl c(nullptr);
  ASSERT_TRUE(c.SetTimer(7, 5));
  QElapsedTimer clock;
  clock.start();
  while (c.Log.empty() && clock.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_FALSE(c.Log.empty());
  EXPECT_EQ(c.Log.front(), "timer 7");
  EXPECT_TRUE(c.KillTimer(7));
}

namespace {

class THoverProbe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::string> Heard;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_MOUSEHOVER) Heard.push_back("hover");
    if (m.Msg == WM_MOUSELEAVE) Heard.push_back("leave");
    TCustomControl::WndProc(m);
  }
};

}  // namespace

TEST(QtWindowPeer, MouseTrackingHoversOnTheLoopAndLeavesWithTheWidget) {
  THoverProbe c(nullptr);
  c.SetBounds(0, 0, 60, 40);
  c.HandleNeeded();
  QWidget* w = QtPeer(c)->Widget();
  w->show();
  TPoint inside = c.ClientToScreen({10, 10});
  SetCursorPos(inside.X, inside.Y);
  TRACKMOUSEEVENT t;
  t.dwFlags = TME_HOVER | TME_LEAVE;
  t.hwndTrack = &c;
  t.dwHoverTime = 30;
  ASSERT_TRUE(TrackMouseEvent(t));
  QElapsedTimer clock;
  clock.start();
  while (c.Heard.empty() && clock.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(c.Heard, std::vector<std::string>{"hover"});
  // The widget's leave event is the control's leave.
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(w, &leave);
  QApplication::processEvents();
  EXPECT_EQ(c.Heard, (std::vector<std::string>{"hover", "leave"}));
  w->hide();
}

class QtMarkupTest : public ::testing::Test {
protected:
  QtMarkupTest() : bmp(400, 60) {
    TCanvas& c = bmp.Canvas();
    c.Font().SetSize(12);
    c.Font().SetColor(clBlack);
  }
  TBitmap bmp;
  TMarkupOptions options;
  TMarkupResult result;
};

TEST_F(QtMarkupTest, BoldRunIsWiderThanPlain) {
  options.MeasureOnly = true;
  RenderMarkup(bmp.Canvas(), "Measured text", Rect(0, 0, 400, 60), options, result);
  int plain = result.XSize;
  RenderMarkup(bmp.Canvas(), "<B>Measured text</B>", Rect(0, 0, 400, 60), options, result);
  EXPECT_GT(result.XSize, plain);
  EXPECT_GT(plain, 40);
}

TEST_F(QtMarkupTest, ColouredRunHasItsColour) {
  RenderMarkup(bmp.Canvas(), "plain <FONT color=\"clred\">REDRED</FONT>", Rect(0, 0, 400, 60), options, result);
  bmp.ReleaseCanvas();
  int plainWidth = 0;
  {
    TBitmap scratch(10, 10);
    scratch.Canvas().Font().SetSize(12);
    plainWidth = scratch.Canvas().TextWidth("plain ");
  }
  EXPECT_EQ(CountPixels(bmp, Rect(0, 0, plainWidth, 60), IsRed), 0);
  EXPECT_GT(CountPixels(bmp, Rect(plainWidth, 0, 400, 60), IsRed), 20);
}

TEST_F(QtMarkupTest, AnchorIsFoundByHitTest) {
  std::string text = "see <A href=\"http://x\">this link</A> here";
  options.CheckHotSpot = true;
  int seeWidth = bmp.Canvas().TextWidth("see ");
  int linkWidth = bmp.Canvas().TextWidth("this link");
  options.XPos = 1 + seeWidth + linkWidth / 2;
  options.YPos = bmp.Canvas().TextHeight("gh") / 2;
  EXPECT_TRUE(RenderMarkup(bmp.Canvas(), text, Rect(0, 0, 400, 60), options, result));
  EXPECT_EQ(result.AnchorVal, "http://x");
  result.AnchorVal.clear();
  options.XPos = 3;
  EXPECT_FALSE(RenderMarkup(bmp.Canvas(), text, Rect(0, 0, 400, 60), options, result));
  EXPECT_EQ(result.AnchorVal, "");
}

}  // namespace
