// A 10 MB rich text document read, written back, and loaded into a rich edit and saved from it,
// in processor time that grows with its length: a bound far above the linear path and far below
// a path that rescans the document (or moves what follows) for every paragraph or run.
#include <gtest/gtest.h>

#include <string>

#include "platform/headless/headless_peer.h"
#include "platform/rtl/streams.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"
#include "tests/linear_time.h"

namespace {

// Paragraphs with fonts, colours, bold runs and Unicode characters, until the document passes
// 10 MB.
std::string LongDocument(int& paragraphs) {
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                    "{\\colortbl;\\red255\\green0\\blue0;}\n";
  paragraphs = 0;
  while (rtf.size() < (10u << 20)) {
    rtf += "\\pard\\f" + std::to_string(paragraphs % 2) + "\\fs20 Paragraph " + std::to_string(paragraphs) +
           " with {\\b bold} and \\cf1 red\\cf0  text \\u8364? and a tab\\tab here.\\par\n";
    ++paragraphs;
  }
  rtf += "}";
  return rtf;
}

TEST(RtfLong, TenMegabytesReadWrittenAndLoadedInLinearTime) {
  InstallHeadlessBackend();
  int paragraphs = 0;
  const std::string rtf = LongDocument(paragraphs);
  TRichContent content;
  std::string written;
  double seconds = ThreadCpuSeconds([&] {
    content = ReadRtf(rtf);
    written = WriteRtf(content);
  });
  EXPECT_LT(seconds, 60.0);
  ASSERT_EQ(content.Paragraphs.size(), static_cast<std::size_t>(paragraphs));
  TRichContent one;
  one.Paragraphs = {content.Paragraphs[12345]};
  EXPECT_EQ(ContentText(one, "\r\n"), "Paragraph 12345 with bold and red text \u20ac and a tab\there.");

  TRichEdit edit(nullptr);
  edit.SetPlainText(false);
  std::string saved;
  seconds = ThreadCpuSeconds([&] {
    TMemoryStream in;
    in.WriteBuffer(rtf.data(), static_cast<long>(rtf.size()));
    in.SetPosition(0);
    edit.Lines().LoadFromStream(in);
    TMemoryStream out;
    edit.Lines().SaveToStream(out);
    saved = out.DataString();
  });
  EXPECT_LT(seconds, 60.0);
  EXPECT_EQ(edit.Lines().Count(), paragraphs);
  EXPECT_EQ(ReadRtf(saved), content);
}

}  // namespace
