#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/rtl/date_time.h"
#include "server/engine/http_text.h"

namespace {

TEST(UrlCoding, DecodeKeepsBrokenEscapes) {
  EXPECT_EQ(UrlDecode("a+b%41%4"), "a bA%4");
  EXPECT_EQ(UrlDecode("%zz%"), "%zz%");
  EXPECT_EQ(UrlDecode("%00%ff"), std::string("\0\xff", 2));
}

TEST(UrlCoding, EncodeAndRoundTrip) {
  EXPECT_EQ(UrlEncode("a b:c"), "a+b%3Ac");
  EXPECT_EQ(UrlEncode("./\\Az9"), "./\\Az9");
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(UrlDecode(UrlEncode(all)), all);
}

TEST(UrlEncodedField, RepeatedNamesJoinAndMissingGivesDefault) {
  EXPECT_EQ(GetUrlEncodedField("a", "A=1&b=2&a=3", "d"), "1\r\n3");
  EXPECT_EQ(GetUrlEncodedField("c", "A=1&b=2&a=3", "d"), "d");
  EXPECT_EQ(GetUrlEncodedField(" b ", "x=1&+b+=two+words", ""), "two words");
  EXPECT_EQ(GetUrlEncodedField("e", "e=&f=1", "d"), "");
  EXPECT_EQ(GetUrlEncodedField("f", "novalue&f=1", "d"), "1");
}

TEST(HttpDate, FormatInGmt) {
  setenv("TZ", "CET-1", 1);
  tzset();
  // 9 December 2026, 08:05:06 local = 07:05:06 GMT; 46365 = days from 30 December 1899.
  const double moment = 46365.0 + (8 * 3600 + 5 * 60 + 6) / 86400.0;
  EXPECT_EQ(HttpDateString(moment), "Wed, 09 Dec 2026 07:05:06 GMT");
  EXPECT_EQ(HttpDateString(46365.0 + 15.0 / (24 * 60)), "Tue, 08 Dec 2026 23:15:00 GMT");
  unsetenv("TZ");
  tzset();
}

TEST(HttpDate, EachDateTakesTheOffsetInForceOnItsOwnDay) {
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  // 1 July 2026 12:00 local is summer time (UTC+2), whatever the season of today.
  EXPECT_EQ(HttpDateString(EncodeDate(2026, 7, 1) + 0.5), "Wed, 01 Jul 2026 10:00:00 GMT");
  EXPECT_EQ(HttpDateString(EncodeDate(2026, 1, 15) + 0.5), "Thu, 15 Jan 2026 11:00:00 GMT");
  unsetenv("TZ");
  tzset();
}

TEST(EnvironmentLookup, ServerSoftwareOfOneHostReadsAsEmpty) {
  setenv("SERVER_SOFTWARE", "ZB web", 1);
  EXPECT_EQ(GetEnvVar("SERVER_SOFTWARE"), "");
  setenv("SERVER_SOFTWARE", "lighttpd", 1);
  EXPECT_EQ(GetEnvVar("SERVER_SOFTWARE"), "lighttpd");
  setenv("OTHER_ZB", "ZB", 1);
  EXPECT_EQ(GetEnvVar("OTHER_ZB"), "ZB");
  EXPECT_EQ(GetEnvVar("NO_SUCH_VARIABLE_HERE"), "");
}

TEST(FilePath, RelativeFoldersCountFromTheProgram) {
  std::string path;
  BuildFilePath("/srv/db/qnserver.exe", "up", false, path, "tmp", false, "123photo.jpg");
  EXPECT_EQ(path, "/srv/db/up/123photo.tmp");
  BuildFilePath("/srv/db/qnserver.exe", "/var/./x/", false, path, "", false, "a.b.txt");
  EXPECT_EQ(path, "/var/x/a.txt");
  BuildFilePath("/srv/db/qnserver.exe", "", false, path, "tmp", false, "/abs/name");
  EXPECT_EQ(path, "/abs/name");
}

}  // namespace
