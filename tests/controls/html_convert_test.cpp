// The HTML converters: colours, entities and a rich edit's text as an HTML page, the page read
// back by Python's html.parser.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "controls/html_convert.h"
#include "platform/headless/headless_peer.h"

namespace {

TEST(RgbToHtml, ColoursBothWays) {
  TVcRgbToHtml c;
  EXPECT_EQ(c.HtmlColor(), "000000");
  c.SetRgbColor(RGB(255, 0, 0));
  EXPECT_EQ(c.HtmlColor(), "FF0000");
  c.SetRgbColor(clBtnFace);  // a system colour is resolved
  EXPECT_EQ(c.HtmlColor(), "C0C0C0");
  EXPECT_EQ(c.RgbColor(), clBtnFace);
  c.SetHtmlColor("0000FF");
  EXPECT_EQ(c.RgbColor(), static_cast<TColor>(RGB(0, 0, 255)));
  c.SetHtmlColor("#0000FF");  // seven characters: nothing changes
  c.SetHtmlColor("00GG00");   // not hexadecimal: nothing changes
  EXPECT_EQ(c.HtmlColor(), "0000FF");
  EXPECT_EQ(c.RgbColor(), static_cast<TColor>(RGB(0, 0, 255)));
  c.SetHtmlColor("a0b0c0");
  EXPECT_EQ(c.RgbColor(), static_cast<TColor>(RGB(0xA0, 0xB0, 0xC0)));
}

TEST(StrToHtml, TheTableBothWays) {
  TVcStrToHtml s;
  EXPECT_EQ(s.HtmlToText("a<b> \"c\" & \xC3\xA9t\xC3\xA9 \xC2\xA3 ^~"),
            "a&lt;b&gt; &quot;c&quot; & &eacute;t&eacute; &#163; &#136;&#152;");
  EXPECT_EQ(s.CharToHtml(0xC0), "&#192;");
  EXPECT_EQ(s.CharToHtml(0xE0), "&agrave;");  // named first, though also numbered
  EXPECT_EQ(s.CharToHtml(U'&'), "&");
  EXPECT_EQ(s.CharToHtml(0xD0), "\xC3\x90");  // 208 has no row
  EXPECT_EQ(s.TextToHtml("&LT;x&gt; &Eacute;&#233; &amp; &#136;"), "<x> \xC3\xA9\xC3\xA9 &amp; ^");
  s.SetText("&lt;");
  EXPECT_EQ(s.Html(), "<");
  EXPECT_EQ(s.Text(), "");  // the setter keeps the old text
  s.SetHtml("<");
  EXPECT_EQ(s.Text(), "&lt;");
}

class RichToHtml : public ::testing::Test {
protected:
  RichToHtml() : Edit(nullptr) { InstallHeadlessBackend(); }
  std::vector<std::string> Convert() {
    TStringList lines;
    Converter.ConvertToHtmlStrings(Edit, lines);
    std::vector<std::string> v;
    for (int i = 0; i < lines.Count(); ++i) v.push_back(lines.Strings(i));
    return v;
  }
  void Format(int start, int length, TFontStyles style, TColor color = clWindowText, int size = 10) {
    Edit.SetSelStart(start);
    Edit.SetSelLength(length);
    Edit.SelAttributes().SetStyle(style);
    Edit.SelAttributes().SetColor(color);
    Edit.SelAttributes().SetSize(size);
  }
  TRichEdit Edit;
  TVcRichEditToHtml Converter;
};

TEST_F(RichToHtml, EmptyEditGivesTheFrameOnly) {
  Converter.SetTitle("T");
  std::vector<std::string> expected = {
      "<HTML>", "<TITLE>T</TITLE>", "<BODY>", "<FONT COLOR=#000000 SIZE=2 FACE=\"Arial\">", "", "", "</FONT>",
      "</BODY>", "</HTML>"};
  EXPECT_EQ(Convert(), expected);
}

TEST_F(RichToHtml, FontsStylesAndTheirClosingOrder) {
  Edit.SetText("ab&<c\r\nd");
  Format(0, 5, {});
  Format(1, 1, {fsBold, fsUnderline}, RGB(255, 0, 0), 12);
  Format(6, 1, {}, clWindowText, 16);
  std::vector<std::string> v = Convert();
  ASSERT_EQ(v.size(), 11u);
  EXPECT_EQ(v[4], "<BR><FONT COLOR=#000000 SIZE=4 FACE=\"Arial\">a</FONT><FONT COLOR=#FF0000 SIZE=6 FACE=\"Arial\"><B><U>b</U></B></FONT>"
                  "<FONT COLOR=#000000 SIZE=4 FACE=\"Arial\">&&lt;c");
  EXPECT_EQ(v[5], "<BR></FONT><FONT COLOR=#000000 SIZE=2 FACE=\"Arial\">d");
  EXPECT_EQ(v[6], "</FONT>");
  EXPECT_EQ(v[7], "");
  EXPECT_EQ(v[8], "</FONT>");  // left-aligned throughout: no paragraph tags at all
  for (const auto& line : v) EXPECT_EQ(line.find("<P"), std::string::npos);
}

TEST_F(RichToHtml, SizesTakeThePointsModuloEightPlusTwo) {
  Edit.SetText("abcd");
  Format(0, 1, {}, clWindowText, 8);
  Format(1, 1, {}, clWindowText, 10);
  Format(2, 1, {}, clWindowText, 12);
  Format(3, 1, {}, clWindowText, 16);
  std::string line = Convert()[4];
  EXPECT_EQ(line.find("<BR>a<FONT"), 0u);  // 8 points is the default: no new font for "a"
  for (const char* s : {"SIZE=4 FACE=\"Arial\">b", "SIZE=6 FACE=\"Arial\">c",
                        "SIZE=2 FACE=\"Arial\">d"})
    EXPECT_NE(line.find(s), std::string::npos) << s;
}

TEST_F(RichToHtml, AlignmentAndBulletsOpenParagraphs) {
  Edit.SetText("one\r\ntwo\r\nthree");
  Edit.SetSelStart(4);
  Edit.Paragraph().SetAlignment(taCenter);
  Edit.SetSelStart(9);
  Edit.Paragraph().SetNumbering(nsBullet);
  std::vector<std::string> v = Convert();
  EXPECT_EQ(v[4], "<BR>one");
  EXPECT_EQ(v[5], "<BR><P ALIGN=\"CENTER\">two");
  EXPECT_EQ(v[6], "<BR></P><LI><P ALIGN=\"LEFT\">three");
  EXPECT_EQ(v[8], "</P></LI>");
}

TEST_F(RichToHtml, PythonReadsThePage) {
  Edit.SetText("Caf\xC3\xA9 <b> & \"q\"\r\nbold line");
  Format(0, 0, {});
  Format(15, 4, {fsBold, fsItalic});
  Edit.SetSelStart(16);
  Edit.Paragraph().SetAlignment(taRightJustify);
  Converter.SetTitle("Record");
  std::string file = ::testing::TempDir() + "/convert_" + std::to_string(getpid()) + ".htm";
  Converter.ConvertToHtml(Edit, file);
  std::string script =
      "import html.parser,sys\n"
      "class P(html.parser.HTMLParser):\n"
      "  def __init__(s):\n"
      "    super().__init__(convert_charrefs=True); s.tags=[]; s.text=''\n"
      "  def handle_starttag(s,t,a): s.tags.append(t)\n"
      "  def handle_data(s,d): s.text+=d\n"
      "p=P(); p.feed(open(sys.argv[1],encoding='utf-8').read()); p.close()\n"
      "print(' '.join(p.tags)); print('|'.join(l for l in p.text.split('\\n') if l))\n";
  std::string cmd = "/usr/bin/python3 -c \"$(cat <<'PY'\n" + script + "PY\n)\" " + file;
  FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buf[512];
  while (fgets(buf, sizeof buf, pipe)) out += buf;
  EXPECT_EQ(pclose(pipe), 0);
  ::unlink(file.c_str());
  EXPECT_EQ(out,
            // The font of "bold" opens before the paragraph of its line, "line" goes back.
            "html title body font br br font b i p font\n"
            "Record|Caf\xC3\xA9 <b> & \"q\"|bold line\n");
}

}  // namespace
