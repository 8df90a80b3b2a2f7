#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/win_types.h"

namespace {

template <class F>
std::string ConvertMessage(F f) {
  try {
    f();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace

TEST(Integers, ReadsDecimalAndHexadecimal) {
  EXPECT_EQ(StrToInt("  42"), 42);
  EXPECT_EQ(StrToInt("-17"), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x1f"), 31);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<long long>::max());
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<long long>::min());
  EXPECT_EQ(StrToInt64("$FFFFFFFFFF"), 0xFFFFFFFFFFll);
}

TEST(Integers, RejectsEverythingElseWithTheLibraryText) {
  EXPECT_EQ(ConvertMessage([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
  for (const char* bad : {"", " ", "12 ", "1.5", "1e3", "$", "0x", "--1", "2147483648", "-2147483649",
                          "$100000000", "9223372036854775808"}) {
    int v = 7;
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 7) << "value changed by a failed read of " << bad;
  }
  long long big = 0;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", big));
  EXPECT_EQ(StrToIntDef("x", -3), -3);
  EXPECT_EQ(StrToInt64Def("12", -3), 12);
  EXPECT_THROW(StrToInt64("1 2"), EConvertError);
}

TEST(Integers, ToText) {
  EXPECT_EQ(IntToStr(-123), "-123");
  EXPECT_EQ(IntToStr(std::numeric_limits<long long>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(static_cast<BYTE>(0xAB), 1), "AB");
  EXPECT_EQ(IntToHex(static_cast<long long>(-1), 1), "FFFFFFFFFFFFFFFF");
}

TEST(Rounding, HalfToEvenAndMulDiv) {
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-3.5), -4);
  EXPECT_EQ(Round(2.4999), 2);
  EXPECT_EQ(Round(-0.6), -1);
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_DOUBLE_EQ(Int(-2.7), -2.0);
  EXPECT_NEAR(Frac(-2.75), -0.75, 1e-12);
  EXPECT_EQ(MulDiv(10, 3, 4), 8);    // 7.5 rounds away from zero
  EXPECT_EQ(MulDiv(-10, 3, 4), -8);
  EXPECT_EQ(MulDiv(10, 1, 3), 3);
  EXPECT_EQ(MulDiv(5, 6, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 2000000000, 2), -1);           // does not fit
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);            // wide intermediate
  EXPECT_EQ(Max(3, 9), 9);
  EXPECT_EQ(Min(3, 9), 3);
}

TEST(Floats, GeneralFormat) {
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(-0.25), "-0.25");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(1e14), "100000000000000");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
  EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
}

TEST(Floats, FloatToStrFRounding) {
  EXPECT_EQ(FloatToStrF(2.675, ffFixed, 15, 2), "2.68");
  EXPECT_EQ(FloatToStrF(1.005, ffFixed, 15, 2), "1.01");
  EXPECT_EQ(FloatToStrF(-2.5, ffFixed, 15, 0), "-3");
  EXPECT_EQ(FloatToStrF(0.5, ffFixed, 15, 0), "1");
  EXPECT_EQ(FloatToStrF(9.999, ffFixed, 15, 2), "10.00");
  EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0.00");  // no "-0.00"
  EXPECT_EQ(FloatToStrF(0.05, ffFixed, 15, 1), "0.1");
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), "1,234,567.89");
  EXPECT_EQ(FloatToStrF(-999.5, ffNumber, 15, 0), "-1,000");
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "$1,234.50");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "($1,234.50)");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(-0.000123, ffExponent, 3, 0), "-1.23E-4");
  EXPECT_EQ(FloatToStrF(0, ffExponent, 3, 3), "0.00E+000");
  EXPECT_EQ(FloatToStrF(123456, ffGeneral, 3, 0), "1.23E5");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");  // too wide for fixed
}

TEST(Floats, SeparatorsComeFromTheSettings) {
  TFormatSettings de;
  de.DecimalSeparator = ',';
  de.ThousandSeparator = '.';
  de.CurrencyString = "EUR";
  de.CurrencyFormat = 3;
  de.NegCurrFormat = 8;
  EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 2, de), "1.234,50");
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2, de), "1.234,50 EUR");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2, de), "-1.234,50 EUR");
  EXPECT_DOUBLE_EQ(StrToFloat("3,25", de), 3.25);
  EXPECT_THROW(StrToFloat("3.25", de), EConvertError);
  TFormatSettingsScope scope(de);
  EXPECT_EQ(FloatToStr(0.5), "0,5");
  EXPECT_EQ(Format("%.1f", {2.25}), "2,3");
}

TEST(Floats, SettingsScopeRestores) {
  {
    TFormatSettingsScope scope;
    FormatSettings.DecimalSeparator = ',';
    EXPECT_EQ(FloatToStr(1.5), "1,5");
  }
  EXPECT_EQ(FormatSettings.DecimalSeparator, '.');
  EXPECT_EQ(FloatToStr(1.5), "1.5");
}

TEST(Floats, FormatFloatPictures) {
  EXPECT_EQ(FormatFloat("0.00", 2.675), "2.68");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatFloat("#,##0.00", -1234.5), "-1,234.50");
  EXPECT_EQ(FormatFloat("0.##", 5), "5");
  EXPECT_EQ(FormatFloat("0.##", 5.1), "5.1");
  EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("#", 0), "");
  EXPECT_EQ(FormatFloat("0", 1234.5), "1235");  // half away from zero, unlike Round
  EXPECT_EQ(FormatFloat("0", 1235.5), "1236");
  EXPECT_EQ(FormatFloat("0.0;(0.0)", -3.14), "(3.1)");
  EXPECT_EQ(FormatFloat("0.0;(0.0);'zero'", 0.01), "zero");
  EXPECT_EQ(FormatFloat("0.0;;'zero'", 0), "zero");
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");
  EXPECT_EQ(FormatFloat("'$'#,##0", 1500), "$1,500");
  EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
  EXPECT_EQ(FormatFloat("0.00E-00", 12345), "1.23E04");
  EXPECT_EQ(FormatFloat("0.0E+0", 0.000123), "1.2E-4");
  EXPECT_EQ(FormatFloat("", 1.5), "1.5");
  EXPECT_EQ(FormatFloat("0 kg", 5), "5 kg");
}

TEST(Floats, ReadingFloats) {
  EXPECT_DOUBLE_EQ(StrToFloat(" 1.5 "), 1.5);
  EXPECT_DOUBLE_EQ(StrToFloat("-.5"), -0.5);
  EXPECT_DOUBLE_EQ(StrToFloat("5."), 5.0);
  EXPECT_DOUBLE_EQ(StrToFloat("1e3"), 1000);
  EXPECT_DOUBLE_EQ(StrToFloat("+2.5E-2"), 0.025);
  EXPECT_EQ(StrToFloat("1e-400"), 0.0);
  EXPECT_EQ(ConvertMessage([] { StrToFloat("x"); }), "'x' is not a valid floating point value");
  for (const char* bad : {"", ".", "-", "1,5", "1.5.2", "1e", "1e+", "1e999", "nan", "inf", "0x10", "1 2"}) {
    double v = 9;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(v, 9) << bad;
  }
  EXPECT_DOUBLE_EQ(StrToFloatDef("?", 4.5), 4.5);
  double v = 0;
  EXPECT_TRUE(TextToFloat("12.5", v));
  EXPECT_DOUBLE_EQ(v, 12.5);
}

TEST(FormatText, IntegersWidthsAndIndexes) {
  EXPECT_EQ(Format("%d %s", {5, "x"}), "5 x");
  EXPECT_EQ(Format("[%5d]", {42}), "[   42]");
  EXPECT_EQ(Format("[%-5d]", {42}), "[42   ]");
  EXPECT_EQ(Format("[%.4d]", {-42}), "[-0042]");
  EXPECT_EQ(Format("[%*d]", {4, 7}), "[   7]");
  EXPECT_EQ(Format("[%-*d]", {3, 7}), "[7  ]");
  EXPECT_EQ(Format("%x %X %.4x", {255, 255, 10}), "FF FF 000A");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("[%3s|%-3s|%.2s]", {"a", "b", "xyz"}), "[  a|b  |xy]");
  EXPECT_EQ(Format("%s", {'c'}), "c");
  EXPECT_EQ(Format("%d", {static_cast<long long>(-9000000000)}), "-9000000000");
  std::string s = "name";
  EXPECT_EQ(Format("%s!", {s}), "name!");
}

TEST(FormatText, FloatTypes) {
  EXPECT_EQ(Format("%.2f", {2.675}), "2.68");
  EXPECT_EQ(Format("%f", {1.0}), "1.00");
  EXPECT_EQ(Format("[%8.3f]", {-3.14159}), "[  -3.142]");
  EXPECT_EQ(Format("%n", {1234567.0}), "1,234,567.00");
  EXPECT_EQ(Format("%.0n", {1234567.5}), "1,234,568");
  EXPECT_EQ(Format("%m", {-5.0}), "($5.00)");
  EXPECT_EQ(Format("%e", {1000.0}), "1.00000000000000E+003");
  EXPECT_EQ(Format("%.3e", {1000.0}), "1.00E+003");
  EXPECT_EQ(Format("%g", {0.5}), "0.5");
  EXPECT_EQ(Format("%.3g", {1234.0}), "1.23E3");
}

TEST(FormatText, BadFormatsRaise) {
  EXPECT_EQ(ConvertMessage([] { Format("%d", {"x"}); }), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(ConvertMessage([] { Format("%d %d", {1}); }), "No argument for format '%d %d'");
  EXPECT_THROW(Format("%s", {1}), EConvertError);
  EXPECT_THROW(Format("%f", {1}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  EXPECT_THROW(Format("abc%", {}), EConvertError);
  EXPECT_THROW(Format("%5:s", {"a"}), EConvertError);
  EXPECT_THROW(Format("%99999999d", {1}), EConvertError);
}

TEST(FormatText, ExceptionMessagesByFormat) {
  EConvertError e("Value %d of %s", {3, "list"});
  EXPECT_EQ(e.Message(), "Value 3 of list");
  EXPECT_STREQ(e.ClassName(), "EConvertError");
}

TEST(FormatText, IndexesMoveTheArgumentPointer) {
  EXPECT_EQ(Format("%2:s%s %0:s", {"a", "b", "c", "d"}), "cd a");
  EXPECT_EQ(Format("%0:-4s|", {"ab"}), "ab  |");
  EXPECT_EQ(Format("%0:5s|", {"ab"}), "   ab|");
  TFormatSettings de;
  de.DecimalSeparator = ',';
  de.ThousandSeparator = '.';
  EXPECT_EQ(Format("%.2n / %.1f", {1234.5, 0.25}, de), "1.234,50 / 0,3");
}

TEST(Rounding, OutOfRangeValuesSaturate) {
  EXPECT_EQ(Trunc(1e300), std::numeric_limits<long long>::max());
  EXPECT_EQ(Round(-1e300), std::numeric_limits<long long>::min());
  EXPECT_EQ(Round(std::nan("")), 0);
}
