#include <gtest/gtest.h>

#include <random>

#include "platform/rtl/base64.h"

namespace {

TEST(Base64Coder, EveryLengthAndByteRoundTrips) {
  std::mt19937 random(7);
  for (std::size_t n = 0; n < 70; ++n) {
    std::string data(n, '\0');
    for (char& c : data) c = static_cast<char>(random() & 0xFF);
    const std::string text = Base64Encode(data);
    ASSERT_EQ(text.size(), (n + 2) / 3 * 4);
    std::string back;
    ASSERT_TRUE(Base64Decode(text, back));
    EXPECT_EQ(back, data) << n;
  }
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string back;
  ASSERT_TRUE(Base64Decode(Base64Encode(all), back));
  EXPECT_EQ(back, all);
}

TEST(Base64Coder, DecodingKeepsItsRulesForOddInput) {
  std::string out;
  EXPECT_TRUE(Base64Decode("Zm9vYmFy", out));
  EXPECT_EQ(out, "foobar");
  EXPECT_TRUE(Base64Decode("Zm9vYg==xy", out));  // a tail shorter than a group is ignored
  EXPECT_EQ(out, "foob");
  EXPECT_FALSE(Base64Decode("Zm9v\r\nYmFy", out));  // line ends are not part of the alphabet
  EXPECT_FALSE(Base64Decode("Zm9\x80", out));
  EXPECT_TRUE(Base64Decode("", out));
  EXPECT_EQ(out, "");
}

TEST(Base64Coder, LinesAreCutAndEachEnded) {
  const std::string data(100, 'x');  // 136 characters
  const std::string lines = Base64EncodeLines(data, 60, "\r\n");
  EXPECT_EQ(lines.substr(0, 62), Base64Encode(data).substr(0, 60) + "\r\n");
  EXPECT_EQ(lines.size(), 136u + 3 * 2);
  EXPECT_EQ(lines.substr(lines.size() - 2), "\r\n");
  EXPECT_EQ(Base64EncodeLines("", 60, "\r\n"), "");
}

}  // namespace
