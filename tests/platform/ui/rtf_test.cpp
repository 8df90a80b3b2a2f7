// The RTF reader and writer: round trips, documents of another writer (pandoc), what an outside
// reader (unrtf) makes of ours, and hostile input.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>

#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace {

std::string RunCommand(const std::string& command, const std::string& input, int* status = nullptr) {
  std::string inFile = testing::TempDir() + "rtf_in_" + std::to_string(::getpid());
  {
    std::ofstream f(inFile, std::ios::binary);
    f << input;
  }
  std::string out;
  FILE* p = ::popen(("(" + command + ") < " + inFile).c_str(), "r");
  if (!p) return out;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int rc = ::pclose(p);
  if (status) *status = rc;
  std::remove(inFile.c_str());
  return out;
}

TRichCharFormat Font(const std::string& name, int halfPoints, TFontStyles style = {}, TColor color = clWindowText) {
  TRichCharFormat f;
  f.Name = name;
  f.HalfPoints = halfPoints;
  f.Style = style;
  f.Color = color;
  f.Charset = 0;
  return f;
}

// Three paragraphs with every format the reader keeps.
TRichContent Sample() {
  TRichContent c;
  c.Paragraphs.clear();
  TRichParagraph p1;
  p1.Format.Alignment = raCenter;
  p1.Runs = {{"Plain ", Font("Arial", 20)},
             {"bold", Font("Arial", 20, {fsBold})},
             {" red italic", Font("Times New Roman", 29, {fsItalic}, clRed)},
             {" under\\{x}", Font("Courier New", 16, {fsUnderline, fsStrikeOut}, static_cast<TColor>(RGB(1, 2, 3)))}};
  p1.EndFormat = Font("Courier New", 16);
  TRichParagraph p2;
  p2.Format.Bullet = true;
  p2.Format.LeftIndent = 720;
  p2.Format.FirstIndent = -360;
  p2.Format.RightIndent = 144;
  p2.Format.Alignment = raRight;
  // Windows-1252 letters, a euro (1252's 0x80), CJK, an emoji beyond the BMP, tab and line break.
  p2.Runs = {{"caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80\tx\vy", Font("Arial", 24)}};
  p2.EndFormat = Font("Arial", 24);
  TRichParagraph p3;
  p3.Format.Alignment = raJustify;
  p3.EndFormat = Font("Arial", 20);
  c.Paragraphs = {p1, p2, p3};
  return c;
}

TEST(Rtf, WrittenDocumentsReadBackAsTheyWere) {
  TRichContent c = Sample();
  std::string rtf = WriteRtf(c);
  EXPECT_TRUE(IsRtfText(rtf));
  // Only 7-bit bytes go out.
  for (unsigned char b : rtf) ASSERT_LT(b, 0x80);
  EXPECT_NE(rtf.find("\\'e9"), std::string::npos);
  EXPECT_NE(rtf.find("\\'80"), std::string::npos);
  EXPECT_NE(rtf.find("\\u20013?"), std::string::npos);
  TRichContent back = ReadRtf(rtf);
  ASSERT_EQ(back.Paragraphs.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.Paragraphs[i].Format, c.Paragraphs[i].Format) << i;
    EXPECT_EQ(back.Paragraphs[i].Runs, c.Paragraphs[i].Runs) << i;
  }
  EXPECT_EQ(back.Paragraphs[0].EndFormat, c.Paragraphs[0].EndFormat);
  // And once more: the writer is stable.
  EXPECT_EQ(WriteRtf(back), rtf);
  EXPECT_EQ(ContentLength(back), CodePointCount(ContentText(c, "\r")));
}

TEST(Rtf, ReadsControlsOfOtherWriters) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff1{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
      "{\\f1\\fswiss\\fprq2\\fcharset0{\\*\\panose 020b0604020202020204}Arial;}\\f2\\fmodern Courier New;}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
      "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Secret title}{\\author Someone}}"
      "{\\*\\generator Another writer}{\\*\\unknowndest with text {nested} inside}"
      "\\viewkind4\\uc1\\pard\\qc\\f0\\fs28 Centred \\b bold\\b0  \\cf1 red\\cf0\\par"
      "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-360\\li720 "
      "\\plain\\f2\\ul item\\ulnone  one\\line two\\par"
      "{\\pict\\wmetafile8 0102ff\\bin3 }}}}x\\par"
      "\\pard\\uc2\\u8364\\'80\\'80 euro \\uc1\\u-10179?\\u-8704? face\\~\\emdash\\lquote q\\rquote\\par"
      "{\\field{\\*\\fldinst{HYPERLINK \"http://x.example\"}}{\\fldrslt{\\ul link}}}"
      "\\bogusword123  end\\par}";
  TRichContent c = ReadRtf(rtf);
  // The last \\par ends the last paragraph: no empty one follows.
  ASSERT_EQ(c.Paragraphs.size(), 5u);
  const TRichParagraph& p0 = c.Paragraphs[0];
  EXPECT_EQ(p0.Format.Alignment, raCenter);
  ASSERT_EQ(p0.Runs.size(), 4u);
  EXPECT_EQ(p0.Runs[0].Text, "Centred ");
  EXPECT_EQ(p0.Runs[0].Format.Name, "Times New Roman");
  EXPECT_EQ(p0.Runs[0].Format.HalfPoints, 28);
  EXPECT_EQ(p0.Runs[1].Text, "bold");
  EXPECT_TRUE(p0.Runs[1].Format.Style.Contains(fsBold));
  EXPECT_EQ(p0.Runs[3].Text, "red");
  EXPECT_EQ(p0.Runs[3].Format.Color, static_cast<TColor>(RGB(255, 0, 0)));

  const TRichParagraph& p1 = c.Paragraphs[1];
  EXPECT_TRUE(p1.Format.Bullet);
  EXPECT_EQ(p1.Format.LeftIndent, 720);
  EXPECT_EQ(p1.Format.FirstIndent, -360);
  ASSERT_FALSE(p1.Runs.empty());
  EXPECT_EQ(p1.Runs[0].Text, "item");
  EXPECT_EQ(p1.Runs[0].Format.Name, "Courier New");
  EXPECT_EQ(p1.Runs[0].Format.HalfPoints, 24);  // \plain: RTF's default size
  EXPECT_TRUE(p1.Runs[0].Format.Style.Contains(fsUnderline));

  EXPECT_EQ(ContentText(c, "\r\n"),
            "Centred bold red\r\n"
            "item one\vtwo\r\n"
            "x\r\n"
            "\xE2\x82\xAC euro \xF0\x9F\x98\x80 face\xC2\xA0\xE2\x80\x94\xE2\x80\x98q\xE2\x80\x99\r\n"
            "link end");
  // Unknown destinations, tables, the info group and the picture leave nothing behind.
  EXPECT_EQ(RtfToPlainText(rtf).find("Secret"), std::string::npos);
}

TEST(Rtf, HostileDocumentsRaiseTheReadersError) {
  EXPECT_THROW(ReadRtf("plain text"), ERtfError);
  EXPECT_THROW(ReadRtf(""), ERtfError);
  EXPECT_THROW(ReadRtf("{\\rtf1 " + std::string(100000, '{') + "x"), ERtfError);
  EXPECT_THROW(ReadRtf("{\\rtf1 \\" + std::string(40, 'a') + " x}"), ERtfError);
  EXPECT_THROW(ReadRtf("{\\rtf1 \\fs123456789012 x}"), ERtfError);
  EXPECT_THROW(ReadRtf("{\\rtf1 {\\pict \\bin99999 abc}}"), ERtfError);
  EXPECT_THROW(ReadRtf("{\\rtf1 \\'4"), ERtfError);
  EXPECT_THROW(ReadRtf("{\\rtf1 \\'zz}"), ERtfError);
  TRtfLimits small;
  small.MaxTextBytes = 1000;
  EXPECT_THROW(ReadRtf("{\\rtf1 " + std::string(5000, 'a') + "}", small), ERtfError);
  // Large numbers are clamped, a truncated document keeps what it had.
  TRichContent c = ReadRtf("{\\rtf1 \\fs2147483647 \\li-2147483648 big \\u65535? text");
  EXPECT_EQ(c.Paragraphs[0].Runs[0].Format.HalfPoints, 3276);
  EXPECT_EQ(c.Paragraphs[0].Format.LeftIndent, -31680);
  EXPECT_EQ(ContentText(c, ""), "big \xEF\xBF\xBF text");
}

// A font name holding control characters (a raw tab, \'01) loses them, and one beyond
// Windows-1252 keeps its characters: the name read is one the writer can write and read back.
TEST(Rtf, FontNamesKeepTheirCharactersButNoControlOnes) {
  TRichContent c = ReadRtf("{\\rtf1{\\fonttbl{\\f0\\fnil Cou\trier\\'01 New;}}\\f0 x\\par}");
  ASSERT_FALSE(c.Paragraphs[0].Runs.empty());
  EXPECT_EQ(c.Paragraphs[0].Runs[0].Format.Name, "Courier New");
  const std::string once = WriteRtf(c);
  EXPECT_EQ(WriteRtf(ReadRtf(once)), once);
  // A name beyond Windows-1252 is written with \uN and its fallback, and read back whole.
  c.Paragraphs[0].Runs[0].Format.Name = "\xE5\xAE\x8B\xE4\xBD\x93 Ming";
  TRichContent back = ReadRtf(WriteRtf(c));
  ASSERT_FALSE(back.Paragraphs[0].Runs.empty());
  EXPECT_EQ(back.Paragraphs[0].Runs[0].Format.Name, "\xE5\xAE\x8B\xE4\xBD\x93 Ming");
}

// Text keeps tabs and line breaks but no other control character, raw or escaped: the writer
// could not write them, and a run of nothing else came back as no run at all.
TEST(Rtf, TextKeepsNoControlCharactersButTabsAndLineBreaks) {
  TRichContent c = ReadRtf("{\\rtf1 a\x05" "b\\'01c\\u2?d\te\\tab f\\line g{\\b \\'07}\\par}");
  EXPECT_EQ(ContentText(c, "|"), "abcd\te\tf\vg");
  const std::string once = WriteRtf(c);
  EXPECT_EQ(WriteRtf(ReadRtf(once)), once);
}

TEST(Rtf, PandocDocumentsReadWithTheirTextAndFormats) {
  int status = 0;
  std::string rtf = RunCommand(
      "pandoc -f markdown -t rtf -s",
      "# Heading\n\nSome *slanted* and **strong** words, `mono`, caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD.\n\n"
      "- first\n- second\n\n[a link](http://x.example)\n",
      &status);
  ASSERT_EQ(status, 0) << "pandoc failed";
  ASSERT_TRUE(IsRtfText(rtf)) << rtf;
  TRichContent c = ReadRtf(rtf);
  std::string text = ContentText(c, "\n");
  EXPECT_NE(text.find("Heading\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Some slanted and strong words, mono, caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD."), std::string::npos) << text;
  EXPECT_NE(text.find("\xE2\x80\xA2\tfirst\n"), std::string::npos) << text;
  EXPECT_NE(text.find("a link"), std::string::npos);
  EXPECT_EQ(text.find("http://"), std::string::npos);
  auto runOf = [&](const std::string& word) -> const TRichRun* {
    for (const auto& p : c.Paragraphs)
      for (const auto& r : p.Runs)
        if (r.Text.find(word) != std::string::npos) return &r;
    return nullptr;
  };
  ASSERT_TRUE(runOf("Heading"));
  EXPECT_TRUE(runOf("Heading")->Format.Style.Contains(fsBold));
  EXPECT_GT(runOf("Heading")->Format.HalfPoints, 24);
  EXPECT_TRUE(runOf("slanted")->Format.Style.Contains(fsItalic));
  EXPECT_FALSE(runOf("slanted")->Format.Style.Contains(fsBold));
  EXPECT_TRUE(runOf("strong")->Format.Style.Contains(fsBold));
  EXPECT_NE(runOf("mono")->Format.Name, runOf("strong")->Format.Name);
  EXPECT_TRUE(runOf("a link")->Format.Style.Contains(fsUnderline));
  int bulleted = 0;
  for (const auto& p : c.Paragraphs)
    if (ContentText(TRichContent{{p}}, "").find("first") != std::string::npos) {
      ++bulleted;
      EXPECT_EQ(p.Format.LeftIndent, 360);
    }
  EXPECT_EQ(bulleted, 1);
}

// unrtf's text output shows the document's text in Latin-1 and each other character as "?";
// its HTML output names every character.
std::string UnrtfText(const std::string& rtf, const char* mode) {
  int status = 0;
  std::string command = std::string("unrtf --nopict ") + mode + " 2>/dev/null";
  if (std::string(mode) == "--html")
    command += " | python3 -c \"import html,re,sys; t=sys.stdin.read(); t=re.sub(r'\\s*<br>\\s*', '\\n', t);"
               " t=t[t.find('<body>')+6:t.find('</body>')]; t=html.unescape(re.sub(r'<[^>]*>', '', t)); sys.stdout.write(re.sub(r'\\n+', '\\n', t))\"";
  else
    command += " | grep -a -v -e '^###' -e '^-----' | iconv -f latin1 -t utf-8";
  std::string out = RunCommand(command, rtf, &status);
  EXPECT_EQ(status, 0) << command;
  auto blank = [](char c) { return c == '\n' || c == ' '; };
  while (!out.empty() && blank(out.front())) out.erase(out.begin());
  while (!out.empty() && blank(out.back())) out.pop_back();
  return out;
}

TEST(Rtf, UnrtfReadsTheSamePlainText) {
  TRichContent c = Sample();
  c.Paragraphs[1].Format.Bullet = false;  // unrtf would show our bullet's fallback text
  c.Paragraphs[1].Runs[0].Text = "caf\xC3\xA9 na\xC3\xAFve, \xC2\xA3 and braces {\\} end";
  c.Paragraphs[2].Runs = {{"last line", Font("Arial", 20)}};
  std::string rtf = WriteRtf(c);
  EXPECT_EQ(UnrtfText(rtf, "--text"), ContentText(c, "\n"));

  c.Paragraphs[1].Runs[0].Text = "euro \xE2\x82\xAC, CJK \xE4\xB8\xAD\xE6\x96\x87 and quotes \xE2\x80\x9Cq\xE2\x80\x9D";
  EXPECT_EQ(UnrtfText(WriteRtf(c), "--html"), ContentText(c, "\n"));
}

}  // namespace
