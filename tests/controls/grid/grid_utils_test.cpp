#include <gtest/gtest.h>

#include "controls/grid/grid_utils.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format_settings.h"

namespace {

TEST(GridFilterMatch, ComparisonsPatternsAndCombiners) {
  EXPECT_TRUE(MatchFilter(">10 & <20", "15"));
  EXPECT_FALSE(MatchFilter(">10 & <20", "25"));
  EXPECT_TRUE(MatchFilter("a*;b*", "bob"));
  EXPECT_FALSE(MatchFilter("!a*", "apple"));
  EXPECT_TRUE(MatchFilter("!a*", "pear"));
  EXPECT_TRUE(MatchFilter("a?c", "abc"));
  EXPECT_FALSE(MatchFilter("a*a", "a"));
  EXPECT_TRUE(MatchFilter("*", ""));
  EXPECT_FALSE(MatchFilter("", "x"));
  EXPECT_TRUE(MatchFilter(">=5", "5"));
  EXPECT_FALSE(MatchFilter(">5", "5"));
  // Strictly left to right: (false & true) ; true.
  EXPECT_TRUE(MatchFilter("x & y* ; z", "z"));
}

TEST(GridFilterMatch, OperandsCompareAsNumbersDatesOrBytes) {
  EXPECT_TRUE(MatchCondition(">5", "abc"));   // bytes: "a" > "5"
  EXPECT_TRUE(MatchCondition(">9", "10"));    // numbers, not bytes
  EXPECT_FALSE(MatchCondition("<9", "10"));
  TFormatSettingsScope scope;
  FormatSettings.ShortDateFormat = "d/m/yyyy";
  EXPECT_TRUE(MatchCondition(">1/2/2020", "3/1/2021"));  // dates, though "3" > "1" too
  EXPECT_TRUE(MatchCondition("<1/2/2020", "31/12/2019"));
  double d = 0;
  EXPECT_FALSE(ParseFilterDate("31/2/2020", d));
  EXPECT_TRUE(ParseFilterDate("29/2/2020", d));
  EXPECT_DOUBLE_EQ(d, EncodeDate(2020, 2, 29));
}

TEST(GridTextKinds, NumbersCellReferencesAndLinks) {
  EXPECT_EQ(IsNumericText("1,234.5"), 1);
  EXPECT_EQ(IsNumericText("12-3"), 0);
  EXPECT_EQ(IsNumericText(""), 0);
  EXPECT_EQ(IsNumericText("1.2.3"), 2);
  EXPECT_EQ(IsNumericText("--1"), 2);
  EXPECT_EQ(IsNumericText(",123"), 2);
  EXPECT_EQ(IsNumericText("1,23,456"), 2);
  TPoint cell{};
  EXPECT_TRUE(ParseCellRef("r12c3", cell));
  EXPECT_EQ(cell.X, 3);
  EXPECT_EQ(cell.Y, 12);
  EXPECT_FALSE(ParseCellRef("R12", cell));
  EXPECT_FALSE(ParseCellRef("R1xC2", cell));
  EXPECT_EQ(GetTextKind("=A1", true), 3);
  EXPECT_EQ(GetTextKind("{\\rtf1}", true), 2);
  EXPECT_EQ(GetTextKind("<B>x</B>", true), 1);
  EXPECT_EQ(GetTextKind("<B>x</B>", false), 0);
  std::string url = "http://host/x";
  EXPECT_TRUE(IsURL(url));
  StripURLProtocol(url);
  EXPECT_EQ(url, "host/x");
  EXPECT_EQ(ColorToHex(0x00336699), "996633");
}

// The program's one number format: "," groups exactly three digits (after a first group of one
// to three), "." is the decimal point.  A text with a comma anywhere else is no number: it sorts,
// aligns and exports as the text it is, and nothing reads its digits run together.
TEST(GridTextKinds, ThousandsSeparatorsOnlyBetweenGroupsOfThree) {
  TFormatSettingsScope scope(DefaultFormatSettings());
  for (const char* grouped : {"1,234.50", "1,234", "-1,234.50", "12,345,678.9", "999,999", "1,000"}) {
    EXPECT_TRUE(ThousandsGroupsValid(grouped)) << grouped;
    EXPECT_EQ(IsNumericText(grouped), 1) << grouped;
  }
  for (const char* other : {"99,95", "1.234,50", "12,34", "1,2345", "1234,567", "1,23,456", ",123", "1,", "-,123",
                            "1,234,5", "0.5,000"}) {
    EXPECT_FALSE(ThousandsGroupsValid(other)) << other;
    EXPECT_EQ(IsNumericText(other), 2) << other;
  }
  EXPECT_TRUE(ThousandsGroupsValid("12.5"));
  EXPECT_EQ(IsNumericText(" 12.5"), 2);  // blanks make a text
  EXPECT_EQ(IsNumericText("1 234.50"), 2);
  // What is read of them: well-grouped separators go, others stay so that nothing reads.
  EXPECT_EQ(NormalizeNumber("1,234.50"), "1234.50");
  EXPECT_EQ(NormalizeNumber("-1,234"), "-1234");
  EXPECT_EQ(NormalizeNumber("99,95"), "99,95");
  EXPECT_EQ(NormalizeNumber("1.234,50"), "1.234,50");
  std::string text = "12,34";
  EXPECT_FALSE(RemoveThousandSeparators(text));
  EXPECT_EQ(text, "12,34");
  text = "12,345.5";
  EXPECT_TRUE(RemoveThousandSeparators(text));
  EXPECT_EQ(text, "12345.5");
  double value = 0;
  EXPECT_FALSE(ReadPlainNumber(NormalizeNumber("99,95"), value));
  ASSERT_TRUE(ReadPlainNumber(NormalizeNumber("1,234.50"), value));
  EXPECT_DOUBLE_EQ(value, 1234.5);
}

TEST(GridTextCodings, LineBreaksAndLiteralNewlines) {
  EXPECT_EQ(EncodeLineBreaks("a\r\nb"), "a\t\bb");
  EXPECT_EQ(EncodeLineBreaks("a\nb\tc"), "a\nb\tc");  // no CR: unchanged
  EXPECT_EQ(DecodeLineBreaks("a\t\bb", true), "a\r\nb");
  EXPECT_EQ(DecodeLineBreaks("a\tb", true), "a\tb");  // no byte 8: unchanged
  EXPECT_EQ(DecodeLineBreaks("a\t\bb", false), "a");
  EXPECT_EQ(CRToLiteralNL("A\r\nB"), "A\\nB");
  EXPECT_EQ(LiteralNLToCR("A\\nB"), "A\rB");
  std::string text = "one\r\ntwo\rthree";
  EXPECT_EQ(CutFirstLine(text, true), "one");
  EXPECT_EQ(text, "two\rthree");
  EXPECT_EQ(LineCount("a\rb\rc", true), 3);
  EXPECT_EQ(LineCount("a\rb\rc", false), 1);
  std::string lf = "x\ny";
  LFToCRLF(lf);
  EXPECT_EQ(lf, "x\r\ny");
}

TEST(GridTextCodings, SingleQuoteSearchAndUnquoting) {
  EXPECT_EQ(FindSingleChar('"', "ab\"\"cd\"\""), 8);  // the doubled pair at the end
  EXPECT_EQ(FindSingleChar('"', "ab\"\"cd"), 0);
  EXPECT_EQ(FindSingleChar('"', "a\"b"), 2);
  EXPECT_EQ(CountSingleChar(';', "a;b;;c;d"), 2);
  EXPECT_EQ(UnquoteField('"', "a\"\"b\"\"\"c"), "a\"b\"c");
  EXPECT_EQ(UnquoteField('"', "\""), "\"");
}

TEST(GridDateParts, StepsYearsMonthsOrDays) {
  const double d = EncodeDate(2020, 1, 31);
  EXPECT_DOUBLE_EQ(IncDateParts(0, 0, 3, 0, d), d + 3);
  EXPECT_DOUBLE_EQ(IncDateParts(1, 0, 0, 0, d), EncodeDate(2021, 1, 31));
  EXPECT_DOUBLE_EQ(IncDateParts(0, 1, 0, 0, d), EncodeDate(2020, 2, 29));  // day kept in range
  EXPECT_DOUBLE_EQ(IncDateParts(0, -1, 0, 0, d), EncodeDate(2019, 12, 31));
  EXPECT_DOUBLE_EQ(IncDateParts(1, 1, 0, 7, d), d + 7);
}

}  // namespace

#include "platform/gfx/bitmap.h"
#include "platform/gfx/graphics.h"

namespace {

TEST(GridTransparentBitmap, BottomLeftColourLetsTheBackgroundThrough) {
  TBitmap target(4, 4);
  target.Canvas().Brush().SetColor(clBlue);
  target.Canvas().FillRect(Rect(0, 0, 4, 4));
  TBitmap glyph(2, 2);
  glyph.SetPixelAt(0, 0, clRed);
  glyph.SetPixelAt(1, 0, clWhite);
  glyph.SetPixelAt(0, 1, clWhite);  // bottom-left: the key colour
  glyph.SetPixelAt(1, 1, clWhite);
  DrawTransparentBitmap(&target.Canvas(), {1, 1}, &glyph);
  target.ReleaseCanvas();
  EXPECT_EQ(target.PixelAt(1, 1), static_cast<COLORREF>(clRed));
  EXPECT_EQ(target.PixelAt(2, 1), static_cast<COLORREF>(clBlue));
  EXPECT_EQ(target.PixelAt(2, 2), static_cast<COLORREF>(clBlue));
  EXPECT_FALSE(glyph.Transparent());
}

}  // namespace
