// The HTML label and its mini-HTML on the headless backend: exact layout with the fixed text
// metrics (default font: 7 pixels a character, 13 a line).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "controls/html_label.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/resources.h"
#include "platform/headless/headless_backend_parts.h"
#include "platform/headless/headless_clipboard.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/application.h"

namespace {

class HtmlLabelTest : public ::testing::Test {
protected:
  HtmlLabelTest() : Form(nullptr) {
    InstallHeadlessBackend();
    InstallHeadlessClipboard();
    HeadlessShellRequests().clear();
    Form.SetBevelOuter(bvNone);
    Form.SetBounds(0, 0, 400, 300);
    Form.HandleNeeded();
    Label = new TMarkupLabel(&Form);
    Label->SetParent(&Form);
    Label->SetBounds(10, 20, 300, 100);
    Label->Font().SetColor(clBlack);
  }
  void Show(const std::string& html) {
    Label->HTMLText().SetText(html);
    Recorder().Clear();
    Form.Repaint();
  }
  TRecordingPainter& Recorder() { return HeadlessPeer(Form)->Recorder(); }
  const TPaintCall* TextCall(const std::string& text) {
    for (const auto* c : Recorder().TextCalls())
      if (c->Text == text) return c;
    return nullptr;
  }
  TPanel Form;
  TMarkupLabel* Label;
};

TEST_F(HtmlLabelTest, EmptyTextDrawsNothingAndMeasuresOneLine) {
  Show("");
  EXPECT_TRUE(Recorder().TextCalls().empty());
  TMiniHTMLResult r;
  TMiniHTMLParams p;
  p.Measuring = true;
  TCanvas& c = MeasureCanvas(Label->Font());
  DrawMiniHTML(c, "", Rect(0, 0, 100, 100), p, r);
  EXPECT_EQ(r.YSize, 13);
  EXPECT_EQ(r.XSize, 0);
}

TEST_F(HtmlLabelTest, LinesAreJoinedAndDrawnAtTheLabel) {
  Label->HTMLText().Add("one ");
  Label->HTMLText().Add("<B>two</B>");
  EXPECT_EQ(Label->Caption(), "");
  Recorder().Clear();
  Form.Repaint();
  const TPaintCall* one = TextCall("one ");
  const TPaintCall* two = TextCall("two");
  ASSERT_TRUE(one && two);
  EXPECT_EQ(one->Rect.Left, 11);  // the label's left plus the line's one pixel
  EXPECT_EQ(two->Rect.Left, 11 + 28);
  EXPECT_EQ(one->Rect.Bottom, 33);
  EXPECT_TRUE(two->Font.Style.Contains(fsBold));
  EXPECT_FALSE(one->Font.Style.Contains(fsBold));
}

TEST_F(HtmlLabelTest, EntitiesStopAtAStrayAmpersandAndNbspStays) {
  Show("&amp; a&lt;b a&b&amp; x&nbsp;y");
  EXPECT_NE(TextCall("& "), nullptr);
  EXPECT_NE(TextCall("a<b "), nullptr);
  EXPECT_NE(TextCall("a&b&amp; "), nullptr);  // the stray "&" ends decoding of its word
  EXPECT_NE(TextCall("x&nbsp;y"), nullptr);
}

TEST_F(HtmlLabelTest, TagsTheLabelDoesNotKnowAreDroppedButTextStays) {
  Show("a<Z>hidden</Z>b<XYZ>c");
  EXPECT_NE(TextCall("hidden"), nullptr);  // unlike the cell markup, Z hides nothing
  EXPECT_NE(TextCall("c"), nullptr);
}

TEST_F(HtmlLabelTest, ColourNamesAndHexGiveTheSameRed) {
  Show("<FONT color=\"clRed\">a</FONT> <FONT color=\"#FF0000\">b</FONT> <FONT color=\"CLRED\">c</FONT>");
  ASSERT_TRUE(TextCall("a") && TextCall("b") && TextCall("c"));
  EXPECT_EQ(TextCall("a")->Color, 0x0000FFu);
  EXPECT_EQ(TextCall("b")->Color, 0x0000FFu);
  EXPECT_EQ(TextCall("c")->Color, 0x000000u);  // capitals hold no "cl": nothing changes
}

TEST_F(HtmlLabelTest, WideWordStaysOnItsLineAndWordsWrap) {
  Label->SetWidth(40);
  Show("aa bb cc abcdefghij");
  const TPaintCall* wide = TextCall("abcdefghij");
  ASSERT_NE(wide, nullptr);
  ASSERT_NE(TextCall("aa "), nullptr);
  ASSERT_NE(TextCall("cc "), nullptr);
  EXPECT_GT(TextCall("cc ")->Rect.Top, TextCall("aa ")->Rect.Top);
  EXPECT_EQ(wide->Rect.Width(), 70);  // not broken
}

TEST_F(HtmlLabelTest, AnchorIsFoundAtItsPlaceWithItsRectangle) {
  Show("go <A href=\"target\">here</A> now");
  TRect r;
  EXPECT_EQ(Label->AnchorAt(1 + 21 + 5, 6, &r), "target");
  EXPECT_EQ(r.Left, 22);
  EXPECT_EQ(r.Right, 22 + 28);
  EXPECT_EQ(Label->AnchorAt(5, 6), "");
  EXPECT_EQ(Label->AnchorAt(1 + 21 + 5, 30), "");  // below the line
  const TPaintCall* here = TextCall("here");
  ASSERT_NE(here, nullptr);
  EXPECT_EQ(here->Color, 0xFF0000u);  // URLColor blue
  EXPECT_TRUE(here->Font.Style.Contains(fsUnderline));
}

TEST_F(HtmlLabelTest, ClicksOpenOnlyWebAndMailThroughTheShell) {
  std::vector<std::string> clicked;
  Label->OnAnchorClick = [&](TObject*, const std::string& a) { clicked.push_back(a); };
  auto clickOn = [&](const std::string& href) {
    Show("<A href=\"" + href + "\">link</A>");
    HeadlessInput::Click(Form, 10 + 5, 20 + 6);
  };
  clickOn("mailto:someone@example.org");
  clickOn("http://example.org/");
  clickOn("HTTPS://example.org/");
  clickOn("file:///etc/passwd");
  clickOn("res://INTLI1");
  clickOn("showrecord");
  ASSERT_EQ(HeadlessShellRequests().size(), 3u);
  EXPECT_EQ(HeadlessShellRequests()[0].File, "mailto:someone@example.org");
  EXPECT_EQ(HeadlessShellRequests()[0].Verb, "open");
  EXPECT_EQ(HeadlessShellRequests()[0].ShowCmd, SW_SHOWNORMAL);
  EXPECT_EQ(HeadlessShellRequests()[2].File, "HTTPS://example.org/");
  EXPECT_EQ(clicked, (std::vector<std::string>{"file:///etc/passwd", "res://INTLI1", "showrecord"}));
  HeadlessInput::Click(Form, 10 + 100, 20 + 6);  // beside the anchor: nothing
  EXPECT_EQ(clicked.size(), 3u);
}

TEST_F(HtmlLabelTest, HoverEntersAndLeavesAnchorsWithTheHandCursor) {
  std::vector<std::string> events;
  Label->OnAnchorEnter = [&](TObject*, const std::string& a) { events.push_back("enter " + a); };
  Label->OnAnchorExit = [&](TObject*, const std::string& a) { events.push_back("exit " + a); };
  Label->SetHover(true);
  Show("x <A href=\"a\">aa</A> <A href=\"b\">bb</A>");
  HeadlessInput::MouseMove(Form, 10 + 1 + 14 + 3, 26);
  EXPECT_EQ(Label->Cursor(), crHandPoint);
  EXPECT_EQ(Label->HoverAnchor(), 1);
  HeadlessInput::MouseMove(Form, 10 + 1 + 14 + 21 + 3, 26);
  EXPECT_EQ(Label->HoverAnchor(), 2);
  HeadlessInput::MouseMove(Form, 10 + 200, 26);
  EXPECT_EQ(Label->Cursor(), crDefault);
  EXPECT_EQ(events, (std::vector<std::string>{"enter a", "enter b", "exit "}));
}

TEST_F(HtmlLabelTest, AutoSizingTakesTheMeasuredSizePlusSix) {
  Label->SetAutoSizing(true);
  Show("abc<BR>abcdef");
  EXPECT_EQ(Label->Width(), 42 + 6);
  EXPECT_EQ(Label->Height(), 26 + 6);
}

TEST_F(HtmlLabelTest, CentredTextMovesDownByHalfTheSpareHeight) {
  Label->SetVAlignment(tvaCenter);
  Show("mid");
  ASSERT_NE(TextCall("mid"), nullptr);
  EXPECT_EQ(TextCall("mid")->Rect.Bottom, 20 + (100 - 13) / 2 + 13);
  Label->SetVAlignment(tvaBottom);
  Show("low");
  EXPECT_EQ(TextCall("low")->Rect.Bottom, 120);
}

TEST_F(HtmlLabelTest, ImagesFromTheListAndTheListGoingAway) {
  auto* images = new TImageList(16, 16);
  TBitmap b;
  b.SetSize(16, 16);
  b.Canvas().Brush().SetColor(clRed);
  b.Canvas().FillRect(Rect(0, 0, 16, 16));
  images->Add(b, nullptr);
  Label->SetImages(images);
  TMiniHTMLResult r;
  TMiniHTMLParams p;
  p.Images = images;
  p.MeasureOnly = true;
  DrawMiniHTML(MeasureCanvas(Label->Font()), "a<IMG src=\"idx:0\">b<IMG src=\"idx:5\">", Rect(0, 0, 300, 100), p, r);
  EXPECT_EQ(r.XSize, 7 + 16 + 7);  // image 5 is past the list: no room
  EXPECT_EQ(r.YSize, 16);
  delete images;
  EXPECT_EQ(Label->Images(), nullptr);
}

// A small BMP file's bytes, for the picture tests.
std::vector<BYTE> BmpBytes(int w, int h) {
  TBitmap b;
  b.SetSize(w, h);
  b.SetPixelFormat(pf24bit);
  TMemoryStream s;
  b.SaveToStream(s);
  return std::vector<BYTE>(s.Memory(), s.Memory() + s.Size());
}

TEST_F(HtmlLabelTest, WebPicturesLoadFromResourcesAndFilesOnly) {
  RegisterDataResource("LABELPIC", BmpBytes(12, 9));
  TWebPicture res;
  res.LoadFromURL("res://LABELPIC");
  EXPECT_FALSE(res.Empty());
  EXPECT_EQ(res.Width(), 12);
  EXPECT_EQ(res.Height(), 9);
  EXPECT_EQ(res.ID(), "res://LABELPIC");

  TWebPicture web;  // asynchronous: the address is noted once, nothing loads
  web.LoadFromURL("http://example.org/a.gif");
  EXPECT_TRUE(web.Empty());
  EXPECT_TRUE(web.DownloadStarted());
  EXPECT_EQ(web.ID(), "");
  TWebPicture sync;
  sync.SetAsynchronous(false);
  sync.LoadFromURL("http://example.org/a.gif");
  EXPECT_EQ(sync.ID(), "http://example.org/a.gif");
  EXPECT_TRUE(sync.Empty());

  TWebPicture bad;
  TMemoryStream junk;
  junk.Write("not a picture", 13);
  junk.SetPosition(0);
  try {
    bad.LoadFromStream(junk);
    ADD_FAILURE() << "junk loaded";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Could not load image. Invalid format");
  }
  EXPECT_TRUE(bad.Empty());

  TWebPicture copy;
  copy.Assign(&res);
  EXPECT_EQ(copy.Width(), 12);
  TMemoryStream saved;
  res.SaveToStream(saved);
  EXPECT_EQ(saved.Size(), static_cast<std::int64_t>(BmpBytes(12, 9).size()));
}

TEST_F(HtmlLabelTest, PicturesInTextTakeTheirRoomAndBrokenOnesNone) {
  RegisterDataResource("LABELPIC2", BmpBytes(20, 18));
  std::string file = std::string(::testing::TempDir()) + "/label_pic_" + std::to_string(getpid()) + ".bmp";
  {
    std::vector<BYTE> bytes = BmpBytes(10, 8);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  TWebPictureCache cache;
  TMiniHTMLParams p;
  p.Cache = &cache;
  p.MeasureOnly = true;
  auto width = [&](const std::string& html) {
    TMiniHTMLResult r;
    DrawMiniHTML(MeasureCanvas(Label->Font()), html, Rect(0, 0, 500, 100), p, r);
    return r.XSize;
  };
  EXPECT_EQ(width("<IMG src=\"res://LABELPIC2\">"), 20);
  EXPECT_EQ(width("<IMG src=\"file://" + file + "\">"), 10);
  EXPECT_EQ(width("<IMG src=\"file://" + file + "\" width=\"30\" height=\"5\">"), 30);
  EXPECT_EQ(width("<IMG src=\"file:///no/such/picture.bmp\">x"), 7);
  EXPECT_EQ(width("<IMG src=\"http://example.org/p.gif\">x"), 7);
  EXPECT_EQ(width("<IMG src=\"ssys:0\">"), 16);
  EXPECT_EQ(width("<IMG src=\"lsys:readme.txt\">"), 32);
  EXPECT_EQ(cache.Count(), 4);  // one entry per address (the file twice), broken ones too
  EXPECT_EQ(width("<IMG src=\"res://LABELPIC2\">"), 20);
  EXPECT_EQ(cache.Count(), 4);
  ::unlink(file.c_str());

  // Changing the label's text empties its cache.
  Show("<IMG src=\"res://LABELPIC2\">");
  EXPECT_EQ(Label->Pictures().Count(), 1);
  Label->HTMLText().SetText("plain");
  EXPECT_EQ(Label->Pictures().Count(), 0);
}

TEST_F(HtmlLabelTest, AnchorHintShowsTheHrefBesideTheCursor) {
  Label->SetAnchorHint(true);
  Show("<A href=\"tip\">tip</A>");
  THintInfo info;
  info.CursorPos = {5, 5};
  info.HintStr = "plain";
  EXPECT_EQ(Label->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.HintStr, "tip");
  TPoint s = Label->ClientToScreen({5, 5});
  EXPECT_EQ(info.HintPos.X, s.X + 10);
  EXPECT_EQ(info.HintPos.Y, s.Y - 10);
}

}  // namespace
