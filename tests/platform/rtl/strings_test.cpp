#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/rtl/oem.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/resource_strings.h"
#include "platform/rtl/sysutils.h"

TEST(StringRoutines, OneBasedPositionsAndCutsOutOfRange) {
  EXPECT_EQ(Pos("lo", "hello"), 4);
  EXPECT_EQ(Pos("", "hello"), 0);
  EXPECT_EQ(Pos("x", "hello"), 0);
  EXPECT_EQ(PosEx("l", "hello", 4), 4);
  EXPECT_EQ(PosEx("l", "hello", 9), 0);
  EXPECT_EQ(Copy("hello", 2, 3), "ell");
  EXPECT_EQ(Copy("hello", 0, 2), "he");
  EXPECT_EQ(Copy("hello", 4, 100), "lo");
  EXPECT_EQ(Copy("hello", 6, 1), "");
  EXPECT_EQ(Copy("hello", 2, -1), "");
  std::string s = "hello";
  Delete(s, 2, 2);
  EXPECT_EQ(s, "hlo");
  Delete(s, 9, 1);
  EXPECT_EQ(s, "hlo");
  Insert("XY", s, 2);
  EXPECT_EQ(s, "hXYlo");
  Insert("!", s, 99);
  EXPECT_EQ(s, "hXYlo!");
}

TEST(StringRoutines, TrimCutsControlBytesButNotHighBytes) {
  EXPECT_EQ(Trim(" \t\r\nab c\x01 "), "ab c");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \n"), "  a");
  EXPECT_EQ(Trim("\xC3\xA9 "), "\xC3\xA9");
  EXPECT_EQ(Trim("   "), "");
}

TEST(StringRoutines, StringReplaceFlags) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+"), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("Abc aBC", "abc", "x", {rfReplaceAll, rfIgnoreCase}), "x x");
  EXPECT_EQ(StringReplace("Abc", "abc", "x", rfReplaceAll), "Abc");
  // Folded Latin letters keep their length, so the unchanged parts survive exactly.
  EXPECT_EQ(StringReplace("\xC3\xA9t\xC3\xA9 \xC3\x89T\xC3\x89", "\xC3\x89T\xC3\x89", "-", {rfReplaceAll, rfIgnoreCase}),
            "- -");
  // The replacement text is not searched again.
  EXPECT_EQ(StringReplace("aa", "a", "aa", rfReplaceAll), "aaaa");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
}

TEST(StringRoutines, QuotedTexts) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  std::size_t pos = 2;
  std::string src = "x='it''s' rest";
  EXPECT_EQ(AnsiExtractQuotedStr(src, pos, '\''), "it's");
  EXPECT_EQ(pos, 9u);
  pos = 0;
  EXPECT_EQ(AnsiExtractQuotedStr(src, pos, '\''), "");
  EXPECT_EQ(pos, 0u);
  pos = 0;
  std::string open = "'unterminated";
  EXPECT_EQ(AnsiExtractQuotedStr(open, pos, '\''), "unterminated");
  EXPECT_EQ(pos, open.size());
  EXPECT_EQ(AnsiDequotedStr("\"a\"\"b\"", '"'), "a\"b");
  EXPECT_EQ(AnsiDequotedStr("plain", '"'), "plain");
}

TEST(StringRoutines, DelimitersAndAsciiCase) {
  EXPECT_EQ(LastDelimiter("/.", "a/b.c/d"), 6);
  EXPECT_EQ(LastDelimiter("/", "abc"), 0);
  EXPECT_TRUE(IsDelimiter(",;", "a,b", 2));
  EXPECT_FALSE(IsDelimiter(",;", "a,b", 4));
  EXPECT_EQ(UpCase('q'), 'Q');
  EXPECT_EQ(UpperCase("ab\xC3\xA9z"), "AB\xC3\xA9Z");
  EXPECT_EQ(LowerCase("AB\xC3\x89Z"), "ab\xC3\x89z");
  EXPECT_LT(CompareStr("B", "a"), 0);
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("ab", "ABC"), 0);
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Hello", "Hell"));
  EXPECT_EQ(StringOfChar('*', 3), "***");
  EXPECT_EQ(StringOfChar('*', -1), "");
}

TEST(AnsiText, FoldsLatinLettersAndLeavesOthers) {
  EXPECT_EQ(AnsiUpperCase("stra\xC3\x9F" "e \xC3\xA9\xC3\xBF\xC5\x82 \xE2\x82\xAC"),
            "STRA\xC3\x9F" "E \xC3\x89\xC5\xB8\xC5\x81 \xE2\x82\xAC");
  EXPECT_EQ(AnsiLowerCase("\xC3\x89\xC5\xB8\xC5\x81\xC3\x97"), "\xC3\xA9\xC3\xBF\xC5\x82\xC3\x97");
  // A malformed byte passes through unchanged.
  EXPECT_EQ(AnsiUpperCase("a\xC3"), "A\xC3");
  EXPECT_TRUE(AnsiSameText("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"));
  EXPECT_FALSE(AnsiSameText("ete", "\xC3\xA9t\xC3\xA9"));
}

TEST(AnsiText, FixedOrder) {
  // Non-alphanumerics, then digits, then letters.
  EXPECT_LT(AnsiCompareStr("-", "1"), 0);
  EXPECT_LT(AnsiCompareStr("9", "a"), 0);
  EXPECT_LT(AnsiCompareStr("_x", "0x"), 0);
  // Letters by base letter first: accented e sorts between e and f, not after z.
  EXPECT_LT(AnsiCompareStr("\xC3\xA9", "f"), 0);
  EXPECT_GT(AnsiCompareStr("\xC3\xA9", "e"), 0);
  EXPECT_LT(AnsiCompareText("\xC3\xA9tude", "etuds"), 0);  // base letters decide before accents
  // Then case, lower before upper, only in the case-sensitive compare.
  EXPECT_LT(AnsiCompareStr("abc", "Abc"), 0);
  EXPECT_EQ(AnsiCompareText("abc", "ABC"), 0);
  EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
  // The accent outranks the case.
  EXPECT_LT(AnsiCompareStr("Ete", "\xC3\xA9te"), 0);
  EXPECT_LT(AnsiCompareStr("ab", "abc"), 0);
  EXPECT_EQ(AnsiCompareStr("", ""), 0);
  EXPECT_EQ(AnsiPos("b", "abc"), 2);
}

TEST(PathText, SplitsAndJoins) {
  EXPECT_EQ(ExtractFilePath("/data/db/a.qnd"), "/data/db/");
  EXPECT_EQ(ExtractFileDir("/data/db/a.qnd"), "/data/db");
  EXPECT_EQ(ExtractFileDir("/a.qnd"), "/");
  EXPECT_EQ(ExtractFileName("/data/db/a.qnd"), "a.qnd");
  EXPECT_EQ(ExtractFileName("a.qnd"), "a.qnd");
  EXPECT_EQ(ExtractFileExt("/data/db/a.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("/data.d/readme"), "");
  EXPECT_EQ(ChangeFileExt("/data.d/readme", ".txt"), "/data.d/readme.txt");
  EXPECT_EQ(ChangeFileExt("a.qnd", ".bak"), "a.bak");
  EXPECT_EQ(ChangeFileExt("a.qnd", ""), "a");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/x"), "/x/");
  EXPECT_EQ(IncludeTrailingBackslash("/x/"), "/x/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/x/"), "/x");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
  EXPECT_EQ(ExpandFileName("/a/b/../c/./d"), "/a/c/d");
  EXPECT_EQ(ExpandFileName("/../../x"), "/x");
  std::string rel = ExpandFileName("x/../y");
  ASSERT_FALSE(rel.empty());
  EXPECT_EQ(rel[0], '/');
  EXPECT_EQ(ExtractFileName(rel), "y");
}

TEST(ResourceStrings, RegisteredTablesAreFound) {
  static const TResourceString table[] = {{71000, "[0] No Error"}, {71013, "[10013] Permission denied."}};
  RegisterResourceStrings(table);
  EXPECT_EQ(LoadStr(71013), "[10013] Permission denied.");
  EXPECT_EQ(LoadStr(71000), "[0] No Error");
  EXPECT_EQ(LoadStr(71001), "");
}

TEST(OemCodePage, RoundTripsAndReplacesUnmapped) {
  // e acute is 0x82, box drawing 0xC4, German sharp s 0xE1, pound sign 0x9C.
  const std::string utf8 = "caf\xC3\xA9 \xE2\x94\x80 \xC3\x9F \xC2\xA3";
  const std::string oem = AnsiToOem(utf8);
  EXPECT_EQ(oem, "caf\x82 \xC4 \xE1 \x9C");
  EXPECT_EQ(OemToAnsi(oem), utf8);
  EXPECT_EQ(AnsiToOem("\xE2\x82\xAC x"), "? x");  // the euro sign has no place
  EXPECT_EQ(AnsiToOem("a\xC3"), "a?");            // cut-off sequence
  std::string all;
  for (int b = 0x80; b < 0x100; ++b) all += static_cast<char>(b);
  EXPECT_EQ(AnsiToOem(OemToAnsi(all)), all);
}

TEST(AnsiText, SortsAListInTheFixedOrder) {
  std::vector<std::string> words = {"zebra", "\xC3\x89" "cole", "ecole", "Ecole", "10", "2", "#tag",
                                    "\xC3\xA9" "cole", "eco", "\xC5\xBB" "aba", "apple"};
  std::sort(words.begin(), words.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareStr(a, b) < 0; });
  const std::vector<std::string> expected = {"#tag", "10", "2", "apple", "eco", "ecole", "Ecole",
                                             "\xC3\xA9" "cole", "\xC3\x89" "cole", "\xC5\xBB" "aba", "zebra"};
  EXPECT_EQ(words, expected);
}
