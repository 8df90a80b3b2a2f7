// The visual controls drawn by the Qt backend (offscreen), their pixels looked at: the HTML
// label's bold and coloured runs, its anchor under a point, the tab strip's turned captions
// and the diagram's links where their geometry says.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <string>
#include <vector>

#include "controls/calculator.h"
#include "controls/calendar_popup.h"
#include "controls/diagram.h"
#include "controls/html_label.h"
#include "controls/mini_html.h"
#include "controls/tab_strip.h"
#include "platform/gfx/bitmap.h"
#include "tests/qt_test_app.h"

namespace {

const auto* const kEnvironment = UseQtBackend("controls_qt_tests");

struct TInk {
  int Count = 0;
  TRect Box{1 << 30, 1 << 30, -1, -1};
};

// The pixels of `img` in `r` that pass `test`, and their bounding box.
template <class F>
TInk Ink(const QImage& img, const TRect& r, F test) {
  TInk ink;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, img.height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, img.width()); ++x) {
      QRgb p = img.pixel(x, y);
      if (!test(qRed(p), qGreen(p), qBlue(p))) continue;
      ++ink.Count;
      ink.Box.Left = std::min(ink.Box.Left, x);
      ink.Box.Top = std::min(ink.Box.Top, y);
      ink.Box.Right = std::max(ink.Box.Right, x + 1);
      ink.Box.Bottom = std::max(ink.Box.Bottom, y + 1);
    }
  return ink;
}

bool Dark(int r, int g, int b) { return r < 110 && g < 110 && b < 110; }
bool Red(int r, int g, int b) { return r > 160 && g < 90 && b < 90; }

QImage Grab(TWinControl& c) {
  QApplication::processEvents();
  return QtPeer(c)->Widget()->grab().toImage();
}

TEST(ControlsOnQt, BoldRunIsWiderAndInkierAndColouredRunsHaveTheirColour) {
  TPanel window(nullptr);
  window.SetBevelOuter(bvNone);
  window.SetColor(clWhite);
  window.SetBounds(0, 0, 400, 120);
  auto* plain = new TMarkupLabel(&window);
  plain->SetParent(&window);
  plain->SetBounds(0, 0, 400, 30);
  plain->SetColor(clWhite);
  plain->Font().SetName("Arial");
  plain->Font().SetSize(14);
  plain->HTMLText().SetText("Measure me");
  auto* bold = new TMarkupLabel(&window);
  bold->SetParent(&window);
  bold->SetBounds(0, 40, 400, 30);
  bold->SetColor(clWhite);
  bold->Font().Assign(plain->Font());
  bold->HTMLText().SetText("<B>Measure me</B>");
  auto* red = new TMarkupLabel(&window);
  red->SetParent(&window);
  red->SetBounds(0, 80, 400, 30);
  red->SetColor(clWhite);
  red->Font().Assign(plain->Font());
  red->HTMLText().SetText("black <FONT color=\"#FF0000\">redword</FONT> <A href=\"go\">link</A>");
  window.HandleNeeded();
  QtPeer(window)->Widget()->show();
  QImage img = Grab(window);
  img.save(QString::fromStdString(std::string(QN_BINARY_DIR) + "/tests/controls/label_runs.png"));
  TInk p = Ink(img, Rect(0, 0, 400, 30), Dark);
  TInk b = Ink(img, Rect(0, 40, 400, 70), Dark);
  ASSERT_GT(p.Count, 50);
  EXPECT_GT(b.Box.Width(), p.Box.Width()) << "the bold run is not wider";
  EXPECT_GT(b.Count, p.Count * 11 / 10) << "the bold run has no more ink";
  TInk r = Ink(img, Rect(0, 80, 400, 110), Red);
  EXPECT_GT(r.Count, 30);
  TInk blackWord = Ink(img, Rect(0, 80, r.Box.Left, 110), Dark);
  EXPECT_GT(blackWord.Count, 20);  // "black" before it stays black
  // The anchor is found where it is drawn: the blue ink after the red word.
  TInk blue = Ink(img, Rect(r.Box.Right, 80, 400, 110), [](int rr, int g, int bb) { return bb > 160 && rr < 90 && g < 90; });
  ASSERT_GT(blue.Count, 10);
  int x = (blue.Box.Left + blue.Box.Right) / 2, y = (blue.Box.Top + blue.Box.Bottom) / 2 - 80;
  EXPECT_EQ(red->AnchorAt(x, y), "go");
  EXPECT_EQ(red->AnchorAt(r.Box.Left + 2, y), "");
}

TEST(ControlsOnQt, VerticalTabsDrawTheirCaptionsTurned) {
  TPanel window(nullptr);
  window.SetBevelOuter(bvNone);
  window.SetBounds(0, 0, 200, 260);
  auto* tabs = new TTabStripControl(&window);
  tabs->SetParent(&window);
  tabs->SetBounds(0, 0, 200, 260);
  tabs->SetVerticalTabs(true);
  tabs->SetTextRotation(trVertical);
  tabs->Font().SetSize(12);
  tabs->TabInactiveFont().SetSize(12);
  tabs->Tabs().Add("Horizontal");
  tabs->Tabs().Add("Second");
  tabs->SetTabIndex(0);
  window.HandleNeeded();
  QtPeer(window)->Widget()->show();
  QImage img = Grab(window);
  img.save(QString::fromStdString(std::string(QN_BINARY_DIR) + "/tests/controls/tabs_vertical.png"));
  TRect r = tabs->TabRect(0);
  InflateRect(r, -2, -2);
  TInk ink = Ink(img, r, Dark);
  ASSERT_GT(ink.Count, 30);
  EXPECT_GT(ink.Box.Height(), 2 * ink.Box.Width()) << "the caption runs across, not up";
}

TEST(ControlsOnQt, DiagramLinksAreDrawnWhereTheirGeometrySays) {
  TDgDiagram diagram(nullptr);
  diagram.SetBounds(0, 0, 500, 300);
  diagram.SetScrollBars(ssNone);
  diagram.AutoItemPos = false;
  diagram.HandleNeeded();
  TDgDiagramItem* a = diagram.Items().Add();
  a->SetBounds(20, 20, 100, 60);
  TDgDiagramItem* b = diagram.Items().Add();
  b->SetBounds(300, 150, 100, 60);
  TDgDiagramLink* l = diagram.Links().Add();
  l->SetBeginItemName("Item1");
  l->SetEndItemName("Item2");
  l->SetColor(clRed);
  QtPeer(diagram)->Widget()->show();
  diagram.Repaint();
  QImage img = Grab(diagram);
  img.save(QString::fromStdString(std::string(QN_BINARY_DIR) + "/tests/controls/diagram_link.png"));
  auto* info = dynamic_cast<TDgStdLinkDrawInfo*>((*diagram.LinkDrawCache())[0].DrawInfo.get());
  ASSERT_NE(info, nullptr);
  TPoint mid{(info->BeginBend.X + info->EndBend.X) / 2, (info->BeginBend.Y + info->EndBend.Y) / 2};
  TInk near = Ink(img, Rect(mid.X - 2, mid.Y - 2, mid.X + 3, mid.Y + 3), Red);
  EXPECT_GT(near.Count, 0) << "no link ink at the middle of its line";
  TInk bar = Ink(img, Rect(info->BeginPoint.X, info->BeginPoint.Y - 1, info->BeginBend.X, info->BeginPoint.Y + 2), Red);
  EXPECT_GE(bar.Count, (info->BeginBend.X - info->BeginPoint.X) * 3 - 3) << "the bar to the item is not 3 pixels high";
  TInk away = Ink(img, Rect(mid.X - 60, mid.Y + 30, mid.X - 40, mid.Y + 50), Red);
  EXPECT_EQ(away.Count, 0);
  // Moving the item clears the old drawing.
  a->SetTop(200);
  QImage moved = Grab(diagram);
  TInk old = Ink(moved, Rect(info->BeginPoint.X, info->BeginPoint.Y - 1, info->BeginBend.X, info->BeginPoint.Y + 2), Red);
  EXPECT_EQ(old.Count, 0);
}

// The day names of the calendar, each drawn to its column's right edge, stand apart: blank
// pixel columns between every two of them.
TEST(ControlsOnQt, CalendarDayNamesStandApart) {
  TCalForm form(nullptr);
  form.SetColor(clWhite);
  form.SetDate(2026, 12, 9);
  form.Layout();
  form.HandleNeeded();
  QtPeer(form)->Widget()->show();
  const QImage img = Grab(form);
  const int top = TCalForm::HeaderHeight, bottom = top + form.CellHeight();
  // Inked pixel columns of the names' row.
  std::vector<bool> inked(static_cast<std::size_t>(form.Width()), false);
  for (int x = 0; x < form.Width(); ++x)
    inked[static_cast<std::size_t>(x)] = Ink(img, TRect{x, top, x + 1, bottom}, Dark).Count > 0;
  // The runs of inked columns: one per name, each at least 3 columns from the next.
  std::vector<std::pair<int, int>> runs;
  for (int x = 0; x < form.Width(); ++x) {
    if (!inked[static_cast<std::size_t>(x)]) continue;
    if (!runs.empty() && x - runs.back().second <= 3) runs.back().second = x;
    else runs.push_back({x, x});
  }
  EXPECT_EQ(runs.size(), 7u) << "the day names run together";
  QtPeer(form)->Widget()->hide();
}

TEST(ControlsOnQt, CalculatorKeysAreOvals) {
  TTheCalculator calc(nullptr);
  calc.Show();
  QImage img = Grab(calc);
  img.save(QString::fromStdString(std::string(QN_BINARY_DIR) + "/tests/controls/calculator_keys.png"));
  TRoundButton* seven = calc.ButtonFor('7');
  ASSERT_NE(seven, nullptr);
  TRect r = seven->BoundsRect();
  auto face = [](int rr, int g, int b) { return rr == 192 && g == 192 && b == 192; };
  // The corners of the key's rectangle lie outside its ellipse: the form shows there.
  EXPECT_EQ(Ink(img, Rect(r.Left, r.Top, r.Left + 3, r.Top + 2), face).Count, 6);
  EXPECT_EQ(Ink(img, Rect(r.Right - 3, r.Bottom - 2, r.Right, r.Bottom), face).Count, 6);
  // The ring runs through the top and bottom middle; the caption sits inside.
  TInk top = Ink(img, Rect(r.Left + r.Width() / 2 - 2, r.Top, r.Left + r.Width() / 2 + 2, r.Top + 3),
                 [](int rr, int g, int b) { return !(rr == 192 && g == 192 && b == 192); });
  EXPECT_GT(top.Count, 0);
  TInk caption = Ink(img, Rect(r.Left + 8, r.Top + 5, r.Right - 8, r.Bottom - 5), Dark);
  EXPECT_GT(caption.Count, 5);
  EXPECT_TRUE(caption.Box.Left > r.Left + 10 && caption.Box.Right < r.Right - 10);
  // The print key shows its printer picture: its white paper in the middle of the key.
  TRect p = calc.ButtonFor(ckPrint)->BoundsRect();
  TInk paper = Ink(img, Rect(p.Left + p.Width() / 2 - 4, p.Top + 4, p.Left + p.Width() / 2 + 4, p.Top + 12),
                   [](int rr, int g, int b) { return rr == 255 && g == 255 && b == 255; });
  EXPECT_GT(paper.Count, 10);
  calc.Hide();
}

// Labels look the same however much the painter's caches hold: each drawn on a bitmap of its
// own (every cache empty) and again on one bitmap after thousands of other labels (words and
// pairs found in the caches, or dropped from them and made again) give the same pixels.
TEST(ControlsOnQt, LabelsDrawTheSamePixelsFreshAndFromTheCaches) {
  auto record = [](int i) {
    return "Record <B>#" + std::to_string(10000 + i) + "</B>: <FONT color=\"clRed\">overdue</FONT> since <I>" +
           std::to_string(1 + i % 12) + "/" + std::to_string(1 + i % 28) + "</I> - <A href=\"go\">open it</A> or <U>mail</U> " +
           std::to_string(i * 7 % 1000) + ".00";
  };
  std::vector<std::string> texts = {
      "<U>caf\xC3\xA9 cr\xC3\xA8me</U> <I>Wolf &amp; Sons</I> <B>AVAT To, office</B>",
      "<FONT face=\"Times New Roman\" size=\"14\">Tea for <U>two</U></FONT> <FONT face=\"Courier New\">a\ttab</FONT>",
      "<A href=\"x\">link\r\n</A> <U>\t</U> <U>\n</U> <S>struck</S> <SHAD>shadow</SHAD> &lt;tag&gt;",
      "<FONT face=\"DejaVu Sans\" size=\"11\">fi fl ffi <I>Wave</I></FONT> <FONT face=\"Lato\">Lato <B>AVAT</B></FONT>",
      record(3), record(4711)};
  auto draw = [](TBitmap& target, const std::string& text) {
    TCanvas& c = target.Canvas();
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clWhite);
    c.FillRect(Rect(0, 0, 400, 60));
    c.Font().SetName("Arial");
    c.Font().SetSize(9);
    c.Font().SetColor(clBlack);
    TMiniHTMLParams measure;
    measure.MeasureOnly = true;
    TMiniHTMLResult r;
    DrawMiniHTML(c, text, Rect(0, 0, 400, 60), measure, r);
    DrawMiniHTML(c, text, Rect(0, 0, 400, 60), TMiniHTMLParams(), r);
  };
  auto pixels = [](const TBitmap& b) {
    std::vector<COLORREF> all;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) all.push_back(b.PixelAt(x, y));
    return all;
  };
  std::vector<std::vector<COLORREF>> fresh;
  for (const std::string& t : texts) {
    TBitmap own(400, 60);
    draw(own, t);
    own.ReleaseCanvas();
    fresh.push_back(pixels(own));
    EXPECT_GT(std::count(fresh.back().begin(), fresh.back().end(), 0xFFFFFFu), 0);
    EXPECT_GT(std::count_if(fresh.back().begin(), fresh.back().end(), [](COLORREF c) { return c != 0xFFFFFF; }), 200);
  }
  TBitmap shared(400, 60);
  // Between the rounds, as many other labels as keep the texts' words in the caches, move them
  // to the caches' older halves, or drop them.
  const int between[] = {0, 300, 700, 2500};
  int drawn = 0;
  for (int round = 0; round < 4; ++round) {
    for (std::size_t k = 0; k < texts.size(); ++k) {
      draw(shared, texts[k]);
      std::vector<COLORREF> again = pixels(shared);
      int differing = 0;
      for (std::size_t i = 0; i < again.size(); ++i) differing += again[i] != fresh[k][i];
      EXPECT_EQ(differing, 0) << "round " << round << " text " << k;
    }
    for (int i = 0; i < between[round]; ++i) draw(shared, record(++drawn));
  }
}

}  // namespace
