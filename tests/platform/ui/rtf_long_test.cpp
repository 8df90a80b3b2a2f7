// A 10 MB rich text document read, written back, and loaded into a rich edit and saved from it,
// in processor time that grows with its length: 8 times the bytes take about 8 times as long,
// where a path that rescans the document (or moves what follows) for every paragraph or run
// takes 64 times as long.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/headless/headless_peer.h"
#include "platform/rtl/streams.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"
#include "tests/linear_time.h"

namespace {

// Paragraphs with fonts, colours, bold runs and Unicode characters, until the document passes
// that many bytes.
std::string LongDocument(long bytes, int& paragraphs) {
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                    "{\\colortbl;\\red255\\green0\\blue0;}\n";
  paragraphs = 0;
  while (rtf.size() < static_cast<std::size_t>(bytes)) {
    rtf += "\\pard\\f" + std::to_string(paragraphs % 2) + "\\fs20 Paragraph " + std::to_string(paragraphs) +
           " with {\\b bold} and \\cf1 red\\cf0  text \\u8364? and a tab\\tab here.\\par\n";
    ++paragraphs;
  }
  rtf += "}";
  return rtf;
}

// 1.25 MB against 10 MB: the document read and written back, then loaded into a rich edit and
// saved from it, each part checked.
TEST(RtfLong, TenMegabytesReadWrittenAndLoadedInLinearTime) {
  InstallHeadlessBackend();
  const auto ReadAndWrite = [](long bytes) {
    int paragraphs = 0;
    const std::string rtf = LongDocument(bytes, paragraphs);
    TRichContent content;
    std::string written;
    const double seconds = ThreadCpuSeconds([&] {
      content = ReadRtf(rtf);
      written = WriteRtf(content);
    });
    EXPECT_EQ(content.Paragraphs.size(), static_cast<std::size_t>(paragraphs));
    TRichContent one;
    one.Paragraphs = {content.Paragraphs.at(1234)};
    EXPECT_EQ(ContentText(one, "\r\n"), "Paragraph 1234 with bold and red text \u20ac and a tab\there.");
    EXPECT_EQ(ReadRtf(written), content);
    return seconds;
  };
  double growth = Growth(ReadAndWrite, 10l << 17, 8, 2);
  std::printf("read and written, 1.25 to 10 MB: %.1f times the processor time\n", growth);
  EXPECT_LT(growth, LinearGrowthBound(8));

  const auto LoadAndSave = [](long bytes) {
    int paragraphs = 0;
    const std::string rtf = LongDocument(bytes, paragraphs);
    TRichEdit edit(nullptr);
    edit.SetPlainText(false);
    std::string saved;
    const double seconds = ThreadCpuSeconds([&] {
      TMemoryStream in;
      in.WriteBuffer(rtf.data(), static_cast<long>(rtf.size()));
      in.SetPosition(0);
      edit.Lines().LoadFromStream(in);
      TMemoryStream out;
      edit.Lines().SaveToStream(out);
      saved = out.DataString();
    });
    EXPECT_EQ(edit.Lines().Count(), paragraphs);
    EXPECT_EQ(ReadRtf(saved), ReadRtf(rtf));
    return seconds;
  };
  growth = Growth(LoadAndSave, 10l << 17, 8, 2);
  std::printf("loaded and saved, 1.25 to 10 MB: %.1f times the processor time\n", growth);
  EXPECT_LT(growth, LinearGrowthBound(8));
}

}  // namespace
