#include "net/mail_coders.h"

#include <gtest/gtest.h>

#include "net/net_headers.h"
#include "net/net_text.h"
#include "net_test_support.h"

using namespace nettest;

namespace {

std::string Join(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

}  // namespace

TEST(Base64, EncodesGroupsWithPadding) {
  EXPECT_EQ(EncodeBase64("abc"), "YWJj");
  EXPECT_EQ(EncodeBase64("ab"), "YWI=");
  EXPECT_EQ(EncodeBase64("a"), "YQ==");
  EXPECT_EQ(EncodeBase64(""), "");
  EXPECT_EQ(EncodeBase64(std::string(300, 'x')).size(), 255u);
}

TEST(Base64, DecodesAndRefusesForeignCharacters) {
  EXPECT_EQ(DecodeBase64("YWJj"), "abc");
  EXPECT_EQ(DecodeBase64("YWI="), "ab");
  EXPECT_EQ(DecodeBase64("YQ=="), "a");
  EXPECT_EQ(DecodeBase64("YWJjYQ"), "abc");  // an incomplete last group is ignored
  try {
    DecodeBase64("YW*j");
    FAIL() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Invalid Character");
  }
}

TEST(QuotedPrintable, SoftBreaksAndCodedEqualsSign) {
  EXPECT_EQ(TQuotedPrintable::DecodeLines({"abc=", "def"}), "abcdef\r\n");
  EXPECT_EQ(TQuotedPrintable::DecodeLines({"abc=3D"}), "abc=\r\n");
  EXPECT_EQ(TQuotedPrintable::DecodeLines({"a=ZZb"}), "a=ZZb\r\n");  // not hexadecimal: kept
  EXPECT_EQ(DecodeQuotedPrintableText("caf=E9 au lait"), "caf\xE9 au lait");
}

TEST(QuotedPrintable, CutsLongParagraphsAndCodesSpecialBytes) {
  const std::string text = "=\x01\xE9 end";
  const auto lines = TQuotedPrintable::EncodeText(text + "\r\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "=3D=01=E9 end");

  std::string sentence;
  for (int i = 0; i < 40; ++i) sentence += "word" + std::to_string(i) + " ";
  const auto cut = TQuotedPrintable::EncodeText(sentence + "\r\n");
  ASSERT_GT(cut.size(), 2u);
  for (std::size_t i = 0; i + 1 < cut.size(); ++i) {
    EXPECT_LE(cut[i].size(), 66u) << cut[i];
    EXPECT_EQ(cut[i].back(), '=');
  }
  EXPECT_EQ(TQuotedPrintable::DecodeLines(cut), sentence + "\r\n");
}

TEST(QuotedPrintable, WordsOfSixtyFiveAndMoreCharactersEnd) {
  // A blank at the start of a piece and a word longer than a piece used to cut nothing.
  const std::string word(200, 'w');
  const std::string text = " " + word + " " + word + "\r\n";
  const auto lines = TQuotedPrintable::EncodeText(text);
  ASSERT_LT(lines.size(), 20u);
  EXPECT_EQ(TQuotedPrintable::DecodeLines(lines), text);
}

TEST(QuotedPrintable, KeepsEmptyLinesTrailingBlanksAndAMissingLastLineEnd) {
  const std::string text = "one\r\n\r\n\r\ntwo  \r\nthree";
  const auto lines = TQuotedPrintable::EncodeText(text);
  EXPECT_EQ(TQuotedPrintable::DecodeLines(lines), text);
  EXPECT_EQ(lines[3], "two =20");
}

TEST(QuotedPrintable, RefusesHugeParagraphs) {
  EXPECT_THROW(TQuotedPrintable::EncodeText(std::string(30000, 'a')), Exception);
  EXPECT_THROW(TQuotedPrintable::DecodeLines(std::vector<std::string>(500, std::string(60, 'a') + "=")), Exception);
}

TEST(HeaderWords, DecodesEncodedWords) {
  EXPECT_EQ(DecodeHeaderText("=?iso-8859-1?Q?caf=E9?= ok"), "caf\xE9ok");
  EXPECT_EQ(DecodeHeaderText("Re: =?UTF-8?B?w6l0w6k=?="), "Re: \xC3\xA9t\xC3\xA9");
  EXPECT_EQ(DecodeHeaderText("open =?iso-8859-1?Q?never"), "open =?iso-8859-1?Q?never");
  EXPECT_EQ(DecodeHeaderText("=?x?Z?abc?= tail"), "tail");  // an unknown kind decodes to nothing
}

TEST(HeaderWords, AWordThatIsNotBase64StaysAsWritten) {
  // Found by the reply fuzzer: a header such as this one ended the program.
  const std::string bad = "=?utf-8?b?caf=C3ntent=?Q?caf=C==A9?=";
  EXPECT_EQ(DecodeHeaderText(bad), bad);
  EXPECT_EQ(DecodeHeaderText("Re: " + bad + " =?UTF-8?B?w6l0w6k=?="), "Re: " + bad + " \xC3\xA9t\xC3\xA9");
  TNetHeaders headers;
  headers.SetText("Subject: " + bad + "\r\nTransfer-Encoding: =?x?b?%%%%?=\r\n");
  EXPECT_EQ(headers.GetFieldBody("Subject"), bad);
  EXPECT_EQ(headers.GetFieldBody("Transfer-Encoding"), "=?x?b?%%%%?=");
}

TEST(HeaderWords, UnderscoresAreBlanksOnlyInsideQData) {
  EXPECT_EQ(DecodeHeaderText("john_doe@example.com"), "john_doe@example.com");
  EXPECT_EQ(DecodeHeaderText("=?us-ascii?Q?a_b?= c_d"), "a bc_d");
}

TEST(HeaderWords, EncodesIso2022JpAndEightBitTextAndReadsItBack) {
  const std::string jp = "\x1B$B0!\x1B(B";
  EXPECT_EQ(EncodeHeaderWord(jp), "=?ISO-2022-JP?B?" + EncodeBase64Data(jp) + "?=");
  EXPECT_EQ(EncodeHeaderWord("plain text"), "plain text");
  std::string subject;
  for (int i = 0; i < 30; ++i) subject += "Gr\xC3\xBC\xC3\x9F" "e ";
  const std::string encoded = EncodeHeaderWord(subject.substr(0, 200));
  EXPECT_EQ(encoded.find_first_of("\r\n\x80\xC3"), std::string::npos);
  EXPECT_EQ(DecodeHeaderText(encoded), subject.substr(0, 200));
}

TEST(Uuencode, LinesAndFrames) {
  EXPECT_EQ(UuEncodeLine("Cat"), "#0V%T`");
  EXPECT_EQ(UuDecodeLine("#0V%T`"), "Cat");
  EXPECT_EQ(UuDecodeLine("#0V%T"), "Cat");
  EXPECT_EQ(UuEncodeLine(std::string(45, 'a')).size(), 61u);
  EXPECT_THROW(UuDecodeLine("#0V%~"), EInOutError);
  EXPECT_TRUE(IsUUBeginLine("begin 600 report.txt"));
  EXPECT_TRUE(IsUUBeginLine("BEGIN 644 x.bin"));
  EXPECT_FALSE(IsUUBeginLine("begin the day"));
  EXPECT_FALSE(IsUUBeginLine("begin 6"));
  EXPECT_EQ(GetUUFileName("begin 600 report.txt"), "report.txt");
  EXPECT_EQ(GetUUFileName("begin 600 \"two words.txt\" x"), "two words.txt");
}

TEST(Uuencode, RoundTripsRandomBlocks) {
  for (std::size_t n = 0; n <= 45; ++n) {
    const std::string block = RandomBytes(n, static_cast<unsigned>(n));
    EXPECT_EQ(UuDecodeLine(UuEncodeLine(block)), block) << n;
  }
}

TEST(AttachmentNames, LoseFoldersAndParentSteps) {
  EXPECT_EQ(SafeAttachmentName("../../etc/passwd"), "passwd");
  EXPECT_EQ(SafeAttachmentName("C:\\temp\\..\\x.doc"), "x.doc");
  EXPECT_EQ(SafeAttachmentName(".."), "");
  EXPECT_EQ(SafeAttachmentName("a..b.txt"), "ab.txt");
  EXPECT_EQ(SafeAttachmentName("report.pdf"), "report.pdf");
}

TEST(TextRoutines, HeaderParametersWordsAndQuotes) {
  EXPECT_EQ(GetHeaderParameter("multipart/mixed; boundary=\"0123\"", "Boundary"), "0123");
  EXPECT_EQ(GetHeaderParameter("text/plain; charset=us-ascii; format=flowed", "charset"), "us-ascii");
  EXPECT_EQ(GetHeaderParameter("text/plain", "name"), "");
  EXPECT_EQ(GetWordNumber("HTTP/1.1 200 OK", 1), 200);
  EXPECT_EQ(GetWordNumber("HTTP/1.1 abc", 1), -1);
  EXPECT_EQ(GetWord("a  b c", 2), "c");
  EXPECT_EQ(StripQuotes("  \"Jo Doe\" "), "Jo Doe");
  EXPECT_EQ(FirstWord("text/html; charset=x"), "text/html");
}

// Python's coders read what ours write, and ours read what Python's write, on random data.
TEST(CodersAgainstPython, Base64QuotedPrintableAndUuencode) {
  const std::string data = RandomBytes(5000, 7);
  std::string b64, uu;
  for (std::size_t pos = 0; pos < data.size(); pos += 57) b64 += EncodeBase64Data(data.substr(pos, 57)) + "\n";
  for (std::size_t pos = 0; pos < data.size(); pos += 45) uu += UuEncodeLine(data.substr(pos, 45)) + "\n";
  std::string text;
  for (int i = 0; i < 50; ++i) text += "Line " + std::to_string(i) + " = caf\xE9 \t tab and a long run " + std::string(90, 'x') + "\r\n";
  text += "\r\nlast line without end";
  const std::string qp = Join(TQuotedPrintable::EncodeText(text));

  const std::string dataPath = TempPath("data.bin"), textPath = TempPath("text.txt");
  const std::string b64Path = TempPath("b64.txt"), uuPath = TempPath("uu.txt"), qpPath = TempPath("qp.txt");
  WriteWholeFile(dataPath, data);
  WriteWholeFile(textPath, text);
  WriteWholeFile(b64Path, b64);
  WriteWholeFile(uuPath, uu);
  WriteWholeFile(qpPath, qp);
  const std::string outB64 = TempPath("py_b64.txt"), outUu = TempPath("py_uu.txt"), outQp = TempPath("py_qp.txt");
  const std::string script =
      "import base64, binascii, quopri, sys\n"
      "data = open('" + dataPath + "','rb').read()\n"
      "text = open('" + textPath + "','rb').read()\n"
      "b = base64.b64decode(open('" + b64Path + "','rb').read())\n"
      "u = b''.join(binascii.a2b_uu(l) for l in open('" + uuPath + "','rb').read().splitlines())\n"
      "q = quopri.decodestring(open('" + qpPath + "','rb').read())\n"
      "print('b64', b == data)\n"
      "print('uu', u == data)\n"
      "print('qp', q == text.replace(b'\\r\\n', b'\\n'))\n"
      "open('" + outB64 + "','wb').write(base64.encodebytes(data))\n"
      "open('" + outUu + "','wb').write(b''.join(binascii.b2a_uu(data[i:i+45]) for i in range(0, len(data), 45)))\n"
      "open('" + outQp + "','wb').write(quopri.encodestring(text.replace(b'\\r\\n', b'\\n')))\n";
  int status = 0;
  const std::string out = RunPython(script, status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_NE(out.find("b64 True"), std::string::npos) << out;
  EXPECT_NE(out.find("uu True"), std::string::npos) << out;
  EXPECT_NE(out.find("qp True"), std::string::npos) << out;

  auto lines = [](const std::string& s) {
    std::vector<std::string> v;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
  };
  std::string fromB64, fromUu;
  for (const auto& l : lines(ReadWholeFile(outB64))) fromB64 += DecodeBase64(l);
  for (const auto& l : lines(ReadWholeFile(outUu))) fromUu += UuDecodeLine(l);
  EXPECT_EQ(fromB64, data);
  EXPECT_EQ(fromUu, data);
  // Our reader ends every line with CR LF, the last one included.
  EXPECT_EQ(TQuotedPrintable::DecodeLines(lines(ReadWholeFile(outQp))), text + "\r\n");
  for (const auto& p : {dataPath, textPath, b64Path, uuPath, qpPath, outB64, outUu, outQp}) ::unlink(p.c_str());
}
