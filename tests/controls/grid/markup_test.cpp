// The cell markup on the headless painter: exact layout with the fixed metrics
// (default font: line height 13, advance 7 per character).
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "controls/grid/markup.h"
#include "platform/gfx/bitmap.h"
#include "platform/headless/recording_painter.h"
#include "tests/temp_path.h"

namespace {

class MarkupTest : public ::testing::Test {
protected:
  MarkupTest() : painter(nullptr, 800, 600) {
    canvas.SetPainter(&painter);
    canvas.Font().SetColor(clBlack);
  }

  // Draws `text` in a rectangle of the given width from (0, 0).
  bool Draw(const std::string& text, int width = 400, int height = 300) {
    return RenderMarkup(canvas, text, Rect(0, 0, width, height), options, result);
  }
  std::vector<const TPaintCall*> Texts() const { return painter.TextCalls(); }
  const TPaintCall* TextCall(const std::string& text) const {
    for (const auto* c : painter.TextCalls())
      if (c->Text == text) return c;
    return nullptr;
  }

  TRecordingPainter painter;
  TCanvas canvas;
  TMarkupOptions options;
  TMarkupResult result;
};

TEST_F(MarkupTest, EntitiesAreDecodedOnce) {
  Draw("a&lt;b&gt;c &amp;lt; &x");
  EXPECT_EQ(result.StripVal, "a<b>c &lt; &x");
  EXPECT_NE(TextCall("a<b>c "), nullptr);
  EXPECT_NE(TextCall("&lt; "), nullptr);
  EXPECT_NE(TextCall("&x"), nullptr);
}

TEST_F(MarkupTest, LineBreakGivesTwoLinesAndACarriageReturn) {
  Draw("x<BR>y");
  EXPECT_EQ(result.StripVal, "x\ry");
  EXPECT_EQ(result.YSize, 26);
  EXPECT_EQ(result.XSize, 7);
  const TPaintCall* x = TextCall("x");
  const TPaintCall* y = TextCall("y");
  ASSERT_TRUE(x && y);
  EXPECT_EQ(x->Rect.Left, 1);  // the text starts one pixel in
  EXPECT_EQ(x->Rect.Top, 0);
  EXPECT_EQ(y->Rect.Top, 13);
}

TEST_F(MarkupTest, WordsWrapAndAWideWordIsPlacedAndClipped) {
  Draw("aa bb cc", 40);  // 39 wide inside: "aa bb " (42) does not fit, "bb cc" (35) does
  EXPECT_EQ(result.YSize, 26);
  ASSERT_NE(TextCall("bb "), nullptr);
  ASSERT_NE(TextCall("cc"), nullptr);
  EXPECT_EQ(TextCall("bb ")->Rect.Top, 13);
  EXPECT_EQ(TextCall("cc")->Rect.Top, 13);
  EXPECT_EQ(result.XSize, 35);
  painter.Clear();
  Draw("wwwwwwwwww next", 30);
  const TPaintCall* wide = TextCall("wwwwwwwwww ");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->Rect.Top, 0);
  ASSERT_TRUE(wide->Clipped);
  EXPECT_LE(wide->Clip[0].Right, 30);
  ASSERT_NE(TextCall("next"), nullptr);
  EXPECT_EQ(TextCall("next")->Rect.Top, 13);
}

TEST_F(MarkupTest, MeasureOnlyMeasuresPastTheBottom) {
  options.MeasureOnly = true;
  Draw("a<BR>b<BR>c<BR>d", 100, 20);
  EXPECT_EQ(result.YSize, 52);
  EXPECT_TRUE(Texts().empty());
  Draw("");
  EXPECT_EQ(result.YSize, 13);
  EXPECT_EQ(result.XSize, 0);
  options.MeasureOnly = false;
  Draw("a<BR>b<BR>c<BR>d", 100, 20);
  EXPECT_EQ(TextCall("c"), nullptr);  // drawing stops at the bottom
}

TEST_F(MarkupTest, StylesAndColoursOfRuns) {
  Draw("p <B>b</B> <I>i</I> <U>u</U> <S>s</S> <FONT bgcolor=\"clred\" color=\"clblue\">f</FONT> q");
  EXPECT_TRUE(TextCall("b")->Font.Style.Contains(fsBold));
  EXPECT_FALSE(TextCall("p ")->Font.Style.Contains(fsBold));
  EXPECT_EQ(TextCall("i")->Font.Style, TFontStyles{fsItalic});
  EXPECT_EQ(TextCall("u")->Font.Style, TFontStyles{fsUnderline});
  EXPECT_EQ(TextCall("s")->Font.Style, TFontStyles{fsStrikeOut});
  const TPaintCall* f = TextCall("f");
  EXPECT_EQ(f->Color, 0xFF0000u);
  EXPECT_TRUE(f->Opaque);
  EXPECT_EQ(f->Background, 0x0000FFu);
  EXPECT_EQ(TextCall("q")->Color, 0u);
  EXPECT_FALSE(TextCall("q")->Opaque);
  EXPECT_EQ(result.StripVal, "p b i u s f q");
}

TEST_F(MarkupTest, SelectedIgnoresMarkupColours) {
  options.Selected = true;
  canvas.Font().SetColor(clWhite);
  Draw("<FONT color=\"#FF0000\">r</FONT><A href=\"h\">l</A>");
  EXPECT_EQ(TextCall("r")->Color, 0xFFFFFFu);
  EXPECT_EQ(TextCall("l")->Color, 0xFFFFFFu);
}

TEST_F(MarkupTest, FontFaceAndSizeComeBackAtTheClosingTag) {
  Draw("<FONT face=\"Courier New\" size=\"12\">big</FONT>small");
  EXPECT_EQ(TextCall("big")->Font.Name, "Courier New");
  EXPECT_EQ(TextCall("big")->Font.Height, -16);
  EXPECT_EQ(TextCall("small")->Font.Name, "Arial");
  EXPECT_EQ(result.YSize, 19);  // the tallest run of the line
}

TEST_F(MarkupTest, ParagraphAlignmentHoldsForFollowingLines) {
  Draw("<P align=\"right\">ab</P>cd<BR><P align=\"center\">ef", 101);
  // The line rectangle starts at 1, so its right edge is at 101.
  EXPECT_EQ(TextCall("ab")->Rect.Left, 101 - 14);
  EXPECT_EQ(TextCall("cd")->Rect.Left, 101 - 14);
  EXPECT_EQ(TextCall("ef")->Rect.Left, 1 + (100 - 14) / 2);
}

TEST_F(MarkupTest, ListItemsStartLinesAndBulletsAlternate) {
  Draw("<UL><LI>a<LI>b<UL><LI>c</UL></UL>");
  const TPaintCall* a = TextCall("a");
  const TPaintCall* b = TextCall("b");
  const TPaintCall* c = TextCall("c");
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(a->Rect.Top, 0);
  EXPECT_EQ(b->Rect.Top, 13);
  EXPECT_EQ(c->Rect.Top, 26);
  EXPECT_EQ(a->Rect.Left, 1 + 12);
  EXPECT_EQ(c->Rect.Left, 1 + 12 + 12);
  auto texts = Texts();
  int bullets = 0, circles = 0;
  for (const auto* t : texts) {
    if (t->Text == "\xE2\x80\xA2") {
      ++bullets;
      EXPECT_EQ(t->Font.Name, "Symbol");
    }
    if (t->Text == "o") ++circles;
  }
  EXPECT_EQ(bullets, 2);
  EXPECT_EQ(circles, 1);
}

TEST_F(MarkupTest, AnchorsAreHitTested) {
  std::string text = "go <A href=\"x.htm\">link</A> now";
  options.CheckHotSpot = true;
  options.YPos = 6;
  options.XPos = 1 + 21 + 10;  // inside "link"
  EXPECT_TRUE(Draw(text));
  EXPECT_EQ(result.AnchorVal, "x.htm");
  EXPECT_EQ(result.MouseLink, 1);
  EXPECT_EQ(result.HoverRect, Rect(22, 0, 1 + 21 + 28, 13));
  EXPECT_EQ(result.HyperLinks, 1);
  EXPECT_TRUE(Texts().empty());  // hit tests draw nothing
  result.AnchorVal = "before";
  options.XPos = 5;  // on "go"
  EXPECT_FALSE(Draw(text));
  EXPECT_EQ(result.AnchorVal, "before");
  EXPECT_EQ(result.MouseLink, -1);
}

TEST_F(MarkupTest, AnchorOnARightAlignedLineIsFoundWhereItIsDrawn) {
  std::string text = "<P align=\"right\"><A href=\"r\">ab</A>";
  options.CheckHotSpot = true;
  options.YPos = 6;
  options.XPos = 95;
  EXPECT_TRUE(Draw(text, 101));
  EXPECT_EQ(result.AnchorVal, "r");
  options.XPos = 5;
  EXPECT_FALSE(Draw(text, 101));
}

TEST_F(MarkupTest, AnchorsTakeTheUrlColourAndUnderline) {
  options.URLColor = clGreen;
  Draw("<A href=\"u\">link</A> plain");
  EXPECT_EQ(TextCall("link")->Color, 0x008000u);
  EXPECT_TRUE(TextCall("link")->Font.Style.Contains(fsUnderline));
  EXPECT_EQ(TextCall("plain")->Color, 0u);
  EXPECT_FALSE(TextCall("plain")->Font.Style.Contains(fsUnderline));
}

TEST_F(MarkupTest, HiddenTextIsStrippedButNeitherMeasuredNorDrawn) {
  Draw("a<Z>hid</Z>b");
  EXPECT_EQ(result.StripVal, "ahidb");
  EXPECT_EQ(TextCall("hid"), nullptr);
  EXPECT_EQ(result.XSize, 14);
}

TEST_F(MarkupTest, SubscriptsAddAQuarterOfTheTextHeight) {
  Draw("x<SUB>2</SUB>");
  EXPECT_EQ(result.YSize, 13 + 13 / 4);
  EXPECT_EQ(TextCall("2")->Rect.Bottom, 16);
  EXPECT_EQ(TextCall("x")->Rect.Bottom, 13);
  Draw("x<SUP>2</SUP>");
  EXPECT_EQ(result.YSize, 16);
}

TEST_F(MarkupTest, ImageListPictures) {
  TImageList images(16, 16);
  TBitmap strip(16, 16);
  images.Add(strip, nullptr);
  options.Images = &images;
  Draw("<IMG src=\"idx:0\">ab");
  EXPECT_EQ(result.XSize, 16 + 14);
  EXPECT_EQ(result.YSize, 16);
  EXPECT_EQ(TextCall("ab")->Rect.Left, 17);
  EXPECT_EQ(TextCall("ab")->Rect.Bottom, 16);
  Draw("<IMG src=\"idx:5\">ab");  // no such picture: left out
  EXPECT_EQ(result.XSize, 14);
}

TEST_F(MarkupTest, OddTagsAndSequences) {
  Draw("<#12> and <B>rest");
  EXPECT_EQ(result.StripVal, "#12 and rest");
  Draw("before <B unfinished");
  EXPECT_EQ(result.StripVal, "before ");
  Draw("a<IND x=\"50\">b");
  EXPECT_EQ(TextCall("b")->Rect.Left, 51);
  EXPECT_EQ(result.XSize, 57);
}

TEST_F(MarkupTest, EveryNumberTagOfALineShowsItsNumber) {
  Draw("a <#1> b <#2> c<#3><BR><#4>x <#5>");
  EXPECT_EQ(result.StripVal, "a #1 b #2 c#3\r#4x #5");
  ASSERT_NE(TextCall("#2 "), nullptr);
  ASSERT_NE(TextCall("#4x "), nullptr);
  EXPECT_EQ(TextCall("#4x ")->Rect.Top, 13);
}

TEST_F(MarkupTest, WordsFollowWhereTheDrawnWordEnded) {
  // The rotation's closing tag on a later line keeps the drawing pass in the larger font while
  // the layout measured the smaller one: the pen still moves by what was drawn.
  Draw("<R a=\"90\">a<BR><FONT size=\"20\">b</R> c d");
  const TPaintCall* c = TextCall("c ");
  const TPaintCall* d = TextCall("d");
  ASSERT_TRUE(c && d);
  EXPECT_EQ(c->Font.Height, TextCall("b")->Font.Height);
  EXPECT_EQ(d->Rect.Left, c->Rect.Right);
  // Words measured by the layout and drawn in the same font: each starts where the last ended.
  painter.Clear();
  Draw("one <B>two</B> <I>three</I> four");
  const char* words[] = {"one ", "two", " ", "three", " ", "four"};
  auto calls = Texts();
  ASSERT_EQ(calls.size(), 6u);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i]->Text, words[i]);
    if (i > 0) {
      EXPECT_EQ(calls[i]->Rect.Left, calls[i - 1]->Rect.Right) << words[i];
    }
  }
}

TEST_F(MarkupTest, CanvasStateIsRestored) {
  canvas.Brush().SetColor(clYellow);
  canvas.Font().SetName("Times New Roman");
  canvas.Font().SetColor(clMaroon);
  Draw("<B><I><FONT face=\"x\" color=\"clred\" bgcolor=\"clblue\">t<R a=\"90\">r");
  EXPECT_EQ(canvas.Brush().Color(), clYellow);
  EXPECT_EQ(canvas.Brush().Style(), bsSolid);
  EXPECT_EQ(canvas.Font().Name(), "Times New Roman");
  EXPECT_EQ(canvas.Font().Color(), clMaroon);
  EXPECT_TRUE(canvas.Font().Style().Empty());
  EXPECT_EQ(canvas.Font().Orientation(), 0);
  EXPECT_EQ(TextCall("r")->Font.Orientation, 900);
}

TEST_F(MarkupTest, CellEntryMeasuresAndHitTests) {
  std::string anchor, strip;
  int xs = 0, ys = 0;
  RenderCellMarkup(canvas, "<B>ab</B><BR>cde", Rect(0, 0, 65535, 65535), nullptr, 0, 0, false, true, false,
                   true, true, 0, clBlue, anchor, strip, xs, ys);
  EXPECT_EQ(xs, 21);
  EXPECT_EQ(ys, 26);
  EXPECT_EQ(strip, "ab\rcde");
  bool hit = RenderCellMarkup(canvas, "<A href=\"mailto:a\">mail</A>", Rect(2, 2, 100, 20), nullptr, 10, 8,
                              true, false, false, true, true, 0, clBlue, anchor, strip, xs, ys);
  EXPECT_TRUE(hit);
  EXPECT_EQ(anchor, "mailto:a");
}

TEST_F(MarkupTest, RulesFillsAndShadows) {
  Draw("<BODY bgcolor=\"#00FF00\">a<HR>b");
  const auto& calls = painter.Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].Kind, TPaintKind::FillRect);
  EXPECT_EQ(calls[0].Rect, Rect(0, 0, 400, 300));
  EXPECT_EQ(calls[0].Brush.Color, 0x00FF00u);
  bool rule = false;
  for (const auto& c : calls)
    if (c.Kind == TPaintKind::Polyline && c.Points.front().Y == 13 && c.Pen.Color == 0) rule = true;
  EXPECT_TRUE(rule);
  EXPECT_EQ(TextCall("b")->Rect.Top, 13);

  painter.Clear();
  Draw("<P bgcolor=\"clyellow\">band</P>after", 100);
  bool band = false;
  for (const auto& c : painter.Calls())
    if (c.Kind == TPaintKind::FillRect && c.Brush.Color == 0x00FFFFu && c.Rect.Left == 0 && c.Rect.Right == 100) band = true;
  EXPECT_TRUE(band);
  EXPECT_FALSE(TextCall("after")->Opaque);  // the paragraph's colour ends with it

  painter.Clear();
  options.ShadowOffset = 2;
  Draw("<SHAD>s</SHAD>");
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0]->Color, 0x808080u);
  EXPECT_EQ(texts[0]->Rect.Left, texts[1]->Rect.Left + 2);
  EXPECT_EQ(texts[0]->Rect.Top, texts[1]->Rect.Top + 2);
}

TEST_F(MarkupTest, BlinkingTextHidesInTheOffPhase) {
  canvas.Brush().SetColor(clSilver);
  options.Blink = false;
  Draw("<BLINK>on</BLINK>x");
  EXPECT_EQ(TextCall("on")->Color, 0xC0C0C0u);
  EXPECT_EQ(TextCall("x")->Color, 0u);
  painter.Clear();
  options.Blink = true;
  Draw("<BLINK>on</BLINK>");
  EXPECT_EQ(TextCall("on")->Color, 0u);
}

TEST_F(MarkupTest, HoverStyleMarksOnlyTheHoveredAnchor) {
  options.HoverStyle = true;
  options.HoverLink = 2;
  options.HoverFontColor = clRed;
  Draw("<A href=\"1\">one</A> <A href=\"2\">two</A>");
  EXPECT_FALSE(TextCall("one")->Font.Style.Contains(fsUnderline));
  EXPECT_EQ(TextCall("one")->Color, ColorToRGB(options.URLColor));
  EXPECT_TRUE(TextCall("two")->Font.Style.Contains(fsUnderline));
  EXPECT_EQ(TextCall("two")->Color, 0x0000FFu);
  EXPECT_EQ(result.HyperLinks, 2);
}

TEST_F(MarkupTest, FocusedAnchorGetsAFocusRectangle) {
  options.FocusLink = 1;
  Draw("<A href=\"a\">x</A> <A href=\"b\">yy</A>");
  EXPECT_EQ(result.FocusAnchor, "b");
  int focus = 0;
  TRect r;
  for (const auto& c : painter.Calls())
    if (c.Kind == TPaintKind::FocusRect) {
      ++focus;
      r = c.Rect;
    }
  EXPECT_EQ(focus, 1);
  const TPaintCall* yy = TextCall("yy");
  EXPECT_EQ(r.Left, yy->Rect.Left - 1);
  EXPECT_EQ(r.Right, yy->Rect.Right + 1);
  EXPECT_EQ(r.Bottom, 13);
}

TEST_F(MarkupTest, PictureThatDoesNotFitWaitsForTheNextLine) {
  TImageList images(20, 20);
  TBitmap strip(20, 20);
  images.Add(strip, nullptr);
  options.Images = &images;
  Draw("abcd<IMG src=\"idx:0\">", 40);  // 28 + 20 > 39
  EXPECT_EQ(result.YSize, 13 + 20);
  EXPECT_EQ(result.XSize, 28);
  painter.Clear();
  Draw("<IMG src=\"idx:0\" align=\"top\">ab");
  EXPECT_EQ(TextCall("ab")->Rect.Bottom, 13);  // raised to the picture's top line
}

TEST_F(MarkupTest, FilePicturesAreDrawnAndStretched) {
  TBitmap picture(4, 3);
  std::string path = TempPath("qn_markup_test_" + std::to_string(::getpid()) + ".bmp");
  picture.SaveToFile(path);
  Draw("<IMG src=\"file://" + path + "\">");
  EXPECT_EQ(result.XSize, 4);
  Draw("<IMG src=\"file://" + path + "\" width=\"10\" height=\"30\">");
  EXPECT_EQ(result.XSize, 10);
  EXPECT_EQ(result.YSize, 30);
  std::remove(path.c_str());
  Draw("<IMG src=\"file://" + path + "\">x");  // gone: left out
  EXPECT_EQ(result.XSize, 7);
}

// A layout kept from call to call gives what laying the text out anew gives: the same sizes,
// stripped text, anchors under every point and drawing calls, whichever call kept it (a
// measure, a draw, a hit test) and whichever takes it; a call with another text, font or
// rectangle lays out anew.
TEST_F(MarkupTest, AKeptLayoutGivesWhatLayingOutAnewGives) {
  const char* texts[] = {
      "Record <B>#10123</B>: <FONT color=\"clRed\">overdue</FONT> since <I>1/5</I> - <A href=\"go\">open it</A> or <U>mail</U>",
      "see <A href=\"a\">a long anchor that wraps over the end of the line</A> then <A href=\"b\">b</A> end",
      "see <A href=\"a\">anchor a wraps here</A> and <A href=\"b\">anchor b wraps too</A> end",
      "<#12> and <#7> numbers<BR>second <SUB>low</SUB> <SUP>high</SUP> <SHAD>shade</SHAD>",
      "<UL><LI>one<LI>two <UL><LI>inner</UL></UL> <IND x=\"40\">indented <Z>hidden</Z> <S>gone</S>",
      "<P align=\"right\" bgcolor=\"#00FF00\">right and more words <R a=\"90\">up</R> here</P><HR>after",
      "&amp; &lt;b&gt; a&b <BLINK>blink</BLINK> <FONT face=\"Courier New\" size=\"14\" bgcolor=\"#FFFF00\">big</FONT>",
      "",
      "word\ttab and a\r\nline end in <A href=\"t\">a\tlink</A> <BODY bgcolor=\"#0000FF\">"};
  const TRect rects[] = {Rect(0, 0, 400, 300), Rect(0, 0, 90, 300), Rect(10, 5, 150, 40)};
  enum TMode { Measure, Paint, HitTest };
  // One call's results and paint calls, as text.
  auto call = [&](TMarkupLayout* layout, const std::string& text, const TRect& rect, TMode mode, int x, int y) {
    TMarkupOptions o;
    o.Layout = layout;
    o.MeasureOnly = mode == Measure;
    o.CheckHotSpot = mode == HitTest;
    o.XPos = x;
    o.YPos = y;
    TMarkupResult res;
    painter.Clear();
    bool on = RenderMarkup(canvas, text, rect, o, res);
    std::string out = std::to_string(on) + " " + std::to_string(res.XSize) + "x" + std::to_string(res.YSize) + " " +
                      std::to_string(res.HyperLinks) + " [" + res.StripVal + "] [" + res.AnchorVal + "] " +
                      std::to_string(res.MouseLink) + " " + std::to_string(res.HoverRect.Left) + "," +
                      std::to_string(res.HoverRect.Top) + "," + std::to_string(res.HoverRect.Right) + "," +
                      std::to_string(res.HoverRect.Bottom) + "\n";
    for (const TPaintCall& c : painter.Calls()) {
      out += std::to_string(static_cast<int>(c.Kind)) + " " + std::to_string(c.Rect.Left) + "," + std::to_string(c.Rect.Top) +
             "," + std::to_string(c.Rect.Right) + "," + std::to_string(c.Rect.Bottom) + " [" + c.Text + "] " + c.Font.Name +
             " " + std::to_string(c.Font.Height) + " " + std::to_string(c.Font.Style.Contains(fsBold)) +
             std::to_string(c.Font.Style.Contains(fsItalic)) + std::to_string(c.Font.Style.Contains(fsUnderline)) +
             std::to_string(c.Font.Style.Contains(fsStrikeOut)) + " " + std::to_string(c.Color) + " " +
             std::to_string(c.Brush.Color) + " " + std::to_string(static_cast<int>(c.Brush.Style)) + " " +
             std::to_string(c.Pen.Color) + " " + std::to_string(c.Points.size()) + "\n";
    }
    return out;
  };
  TMarkupLayout kept;
  int compared = 0;
  for (int size : {0, 14}) {
    canvas.Font().SetSize(size == 0 ? canvas.Font().Size() : size);
    for (const char* text : texts) {
      for (const TRect& rect : rects) {
        auto same = [&](TMode mode, int x, int y) {
          std::string fresh = call(nullptr, text, rect, mode, x, y);
          EXPECT_EQ(call(&kept, text, rect, mode, x, y), fresh)
              << "'" << text << "' in " << rect.Right << "x" << rect.Bottom << " mode " << mode << " at " << x << "," << y;
          ++compared;
        };
        same(Measure, -1, -1);
        same(Paint, -1, -1);
        for (int y = rect.Top; y < rect.Top + 60; y += 4)
          for (int x = rect.Left; x < rect.Right; x += 9) same(HitTest, x, y);
        same(Paint, -1, -1);
        same(Measure, -1, -1);
        // Kept by a draw that stopped at the rectangle's bottom, taken by a measure of every line.
        kept.Clear();
        same(Paint, -1, -1);
        same(Measure, -1, -1);
      }
    }
  }
  EXPECT_GT(compared, 3000);
}

TEST(MarkupText, StripMarkup) {
  EXPECT_EQ(StripMarkup("a<B>b</B><br>c"), "ab\r\nc");
  EXPECT_EQ(StripMarkup("x<HR>y"), "x\r\ny");
  EXPECT_EQ(StripMarkup("&lt;<I>"), "&lt;");
  EXPECT_EQ(StripMarkup("keep <unclosed"), "keep ");
  EXPECT_EQ(StripMarkup("plain"), "plain");
}

TEST(MarkupText, AttributesAreFoundWithoutRegardToCase) {
  bool found = true;
  EXPECT_EQ(MarkupAttribute("<FONT CoLoR=\"clRed\" size=\"3\">", "color", &found), "clRed");
  EXPECT_TRUE(found);
  EXPECT_EQ(MarkupAttribute("<font SIZE=\"3\">", "Size"), "3");
  EXPECT_EQ(MarkupAttribute("<B>", "background", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(MarkupAttribute("<A href=\"x", "href", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(StripMarkup("a<bR>b<Hr>c<B"), "a\r\nb\r\nc");
}

TEST(MarkupText, ColourNamesAndHex) {
  EXPECT_EQ(ColorFromName("cl3ddkshadow"), SysColor(21));
  EXPECT_EQ(ColorFromName("clinfobk"), SysColor(24));
  EXPECT_EQ(ColorFromName("clteal"), 0x808000);
  EXPECT_EQ(ColorFromName("clnothing"), 0);
  EXPECT_EQ(ColorFromHex("#FF8000"), 0x0080FF);
  EXPECT_EQ(ColorFromHex("#00ff7f"), 0x7FFF00);
  EXPECT_EQ(QueryFileVersion("/bin/sh"), -1);
}

}  // namespace
