// Units, paper sizes, tokens and the value-list and stream-block forms.
#include <gtest/gtest.h>

#include "platform/rtl/streams.h"
#include "print/page_units.h"
#include "print/value_list.h"
#include "print_test_support.h"

namespace {

TEST(PageUnits, ConversionsAndPaperSizes) {
  const double odd = 3.14159265358979;
  for (int u = pgUnits; u <= gmTwips; ++u) {
    auto m = static_cast<TPgMeasurement>(u);
    EXPECT_EQ(ConvertValue(odd, m, m), odd);  // bit for bit
  }
  EXPECT_DOUBLE_EQ(ConvertValue(1, gmInches, pgUnits), 2540);
  EXPECT_DOUBLE_EQ(ConvertValue(1, gmInches, gmPixels), 96);
  EXPECT_DOUBLE_EQ(ConvertValue(1, gmInches, gmMillimeters), 25.4);
  EXPECT_DOUBLE_EQ(ConvertValue(1, gmInches, gmCentimeters), 2.54);
  EXPECT_DOUBLE_EQ(ConvertValue(1, gmInches, gmTwips), 1440);
  EXPECT_NEAR(ConvertValue(2540, pgUnits, gmTwips), 1440, 1e-9);
  EXPECT_NEAR(ConvertValue(96, gmPixels, gmCentimeters), 2.54, 1e-12);

  TPgSizeExt a4 = GetPaperDimensions(A4);
  EXPECT_NEAR(a4.Width, 8.2677, 1e-4);
  EXPECT_NEAR(a4.Height, 11.6929, 1e-4);
  TPgSizeExt ledger = GetPaperDimensions(Ledger), tabloid = GetPaperDimensions(Tabloid);
  EXPECT_EQ(ledger.Width, tabloid.Height);
  EXPECT_EQ(ledger.Height, tabloid.Width);
  EXPECT_EQ(StringToPaperSize("Envelope_10"), Envelope_10);
  EXPECT_EQ(StringToPaperSize("a4"), Custom);
  EXPECT_EQ(StringToPaperSize("Folio"), Custom);
  EXPECT_EQ(PaperSizeToString(Executive), "Executive");
  int envelopes = 0;
  for (int i = 0; i < kPgPaperSizeCount; ++i) envelopes += IsEnvelopeStylePaper(static_cast<TPgPaperSize>(i));
  EXPECT_EQ(envelopes, 8);
  EXPECT_TRUE(IsEnvelopeStylePaper(B4));
  EXPECT_FALSE(IsEnvelopeStylePaper(Letter));
}

TEST(PageUnits, TokensAndReplaceAll) {
  EXPECT_EQ(ReplaceHeaderTokens("Page {PAGE} of {NUMPAGES}", 2, 5, "dd/mm/yyyy", "hh/mm"), "Page 2 of 5");
  EXPECT_EQ(ReplaceHeaderTokens("No tokens here", 2, 5, "dd/mm/yyyy", "hh/mm"), "No tokens here");
  EXPECT_EQ(ReplaceHeaderTokens("{PAGE}{PAGE}", 7, 9, "", ""), "77");
  // A replacement that holds what it replaces is not scanned again (it used to loop for ever).
  EXPECT_EQ(ReplaceAll("a{X}b{X}", "{X}", "[{X}]"), "a[{X}]b[{X}]");
  EXPECT_EQ(ReplaceAll("xxx", "x", "xx"), "xxxxxx");
  EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
  EXPECT_EQ(FontStylesToString(TFontStyles{fsBold, fsUnderline, fsStrikeOut}), "b,u");
  EXPECT_EQ(StringToFontStyles("i,u"), (TFontStyles{fsItalic, fsUnderline}));
}

TEST_F(PrintTest, ErrorBoxAndAboutText) {
  TPrintTestScript script;
  script.ExpectMessage("TObject Error!\r\rThe \"Preview\" property must be set", mrOk);
  TObject object;
  ShowPgError(&object, "The \"Preview\" property must be set to a TPgPreview component");
  EXPECT_EQ(script.Remaining(), 0);
  EXPECT_EQ(GetAboutText(&object), "TObject v2.92");
}

TEST(ValueLists, TextFormsAndDefaults) {
  TPgValueList v;
  v.WriteInteger("P", 0);
  v.WriteFloat("TH", 1.0 / 6);
  v.WritePoint("XY", {1.5, 0.25});
  v.WriteRect("R", {0.5, 0.5, 2, 1.25});
  v.WritePoint("Z", {0.0004, -0.0004});
  v.WriteInteger("P", 3);  // replaces, does not append
  EXPECT_EQ(v.Text(), "P=3\r\nTH=0.167\r\nXY=1500,250\r\nR=500,500,2000,1250\r\nZ=0,0\r\n");
  TPgPointExt p = v.ReadPoint("XY", {});
  EXPECT_DOUBLE_EQ(p.X, 1.5);
  EXPECT_DOUBLE_EQ(p.Y, 0.25);
  EXPECT_DOUBLE_EQ(v.ReadFloat("TH", 0), 0.167);
  TPgRectExt missing = v.ReadRect("Q", {1, 2, 3, 4});
  EXPECT_EQ(missing.Right, 3);
  EXPECT_EQ(v.ReadPoint("Q", {7, 8}).Y, 8);
  EXPECT_EQ(v.ReadString("Q", "none"), "none");
  // Values that are not what the engine wrote are refused, not half read.
  TPgValueList bad;
  bad.SetText("A=12x\r\nB=1,2,3\r\nC=5\r\nD=abc");
  EXPECT_THROW(bad.ReadInteger("A", 0), EPgStreamError);
  EXPECT_THROW(bad.ReadPoint("B", {}), EPgStreamError);
  EXPECT_THROW(bad.ReadInteger("C", 0, 0, 4), EPgStreamError);
  EXPECT_THROW(bad.ReadFloat("D", 0), EPgStreamError);
}

TEST(ValueLists, BlocksOnAStream) {
  TMemoryStream s;
  TPgValueList empty;
  empty.SaveToStream(s);
  EXPECT_EQ(s.DataString(), std::string(4, '\0'));
  TMemoryStream nothing;
  TPgWriter(s).WriteStream(nothing);
  TPgValueList v;
  v.WriteString("T", "Total");
  v.SaveToStream(s);
  EXPECT_EQ(s.DataString().substr(8), std::string("\x09\0\0\0T=Total\r\n", 13));
  s.SetPosition(0);
  TPgReader r(s);
  TPgValueList back;
  back.WriteString("old", "gone");
  back.LoadFromStream(s);
  EXPECT_EQ(back.Count(), 0);
  TMemoryStream target;
  r.ReadStream(target);
  EXPECT_EQ(target.Size(), 0);
  back.LoadFromStream(s);
  EXPECT_EQ(back.ReadString("T", ""), "Total");

  // A length past the bytes left raises and allocates nothing.
  TMemoryStream lying;
  TPgWriter(lying).WriteInteger(0x7FFFFFF0);
  lying.WriteString("abc");
  lying.SetPosition(0);
  TPgValueList victim;
  EXPECT_THROW(victim.LoadFromStream(lying), EPgStreamError);
  TMemoryStream negative;
  TPgWriter(negative).WriteInteger(-5);
  negative.SetPosition(0);
  EXPECT_THROW(TPgReader(negative).ReadBytes(), EPgStreamError);
}

}  // namespace
