// Barcodes: check digits, texts kept or stored back, module widths, the bars drawn on a bitmap
// (run lengths of one scan line against the published element widths), rotation, the text
// positions, and the symbols read back by zbarimg.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/recording_painter.h"
#include "print/barcode.h"
#include "tests/outside_programs.h"

namespace {

// The symbol drawn on a white bitmap with a quiet zone of `quiet` pixels round it.
std::unique_ptr<TBitmap> Render(TBarcodeSymbol& bc, int quiet, double angle = 0) {
  bc.SetAngle(angle);
  bc.SetLeft(quiet);
  bc.SetTop(quiet);
  int w = bc.Width(), h = bc.Height();
  bool turned = angle == 90 || angle == 270;
  auto bmp = std::make_unique<TBitmap>(turned ? h + 2 * quiet : w + 2 * quiet, turned ? w + 2 * quiet : h + 2 * quiet);
  bmp->Canvas().Brush().SetColor(clWhite);
  bmp->Canvas().FillRect(Rect(0, 0, bmp->Width(), bmp->Height()));
  bc.DrawOnCanvas(bmp->Canvas());
  bmp->ReleaseCanvas();
  return bmp;
}

bool Dark(const TBitmap& b, int x, int y) { return (b.PixelAt(x, y) & 0xFFFFFF) == 0; }

// Runs of equal colour along a row (or a column), without the light runs at both ends.
std::vector<int> Runs(const TBitmap& b, bool row, int at) {
  std::vector<int> runs;
  int n = row ? b.Width() : b.Height();
  bool last = false;
  int length = 0;
  for (int i = 0; i < n; ++i) {
    bool d = row ? Dark(b, i, at) : Dark(b, at, n - 1 - i);
    if (i > 0 && d != last) {
      runs.push_back(length);
      length = 0;
    }
    last = d;
    ++length;
  }
  runs.push_back(length);
  if (!runs.empty() && !(row ? Dark(b, 0, at) : Dark(b, at, n - 1))) runs.erase(runs.begin());
  if (!runs.empty() && !last) runs.pop_back();
  return runs;
}

// Runs from element widths given in modules, bar first.
std::vector<int> ModuleRuns(const std::string& widths, int modul) {
  std::vector<int> runs;
  for (char c : widths) runs.push_back((c - '0') * modul);
  return runs;
}

// Runs a bar string should give: adjacent elements of one colour merge.
std::vector<int> ExpectedRuns(TBarcodeSymbol& bc) {
  std::string data = bc.BarData();
  const auto& m = bc.ModuleWidths();
  std::vector<int> runs;
  int lastBar = -1;
  for (char c : data) {
    int bar = c >= '5' ? 1 : 0;
    int index = c >= 'A' ? c - 'A' : c >= '5' ? c - '5' : c - '0';
    if (bar == lastBar) runs.back() += m[static_cast<std::size_t>(index)];
    else runs.push_back(m[static_cast<std::size_t>(index)]);
    lastBar = bar;
  }
  if (lastBar == 0) runs.pop_back();  // the light end is the quiet zone
  return runs;
}

class BarcodeTest : public ::testing::Test {
protected:
  BarcodeTest() {
    InstallHeadlessBackend();
    Bc.SetHeight(40);
  }
  TBarcodeSymbol Bc;
};

TEST_F(BarcodeTest, CheckDigits) {
  EXPECT_EQ(Modulo10CheckDigit("400638133393"), 1);
  EXPECT_EQ(Modulo10CheckDigit("03600029145"), 2);
  EXPECT_EQ(CheckSumAppend("1234567"), "12345670");
  EXPECT_EQ(CheckSumAppend("1234", csmNone), "1234");
  EXPECT_EQ(Modulo10CheckDigit(""), 0);
}

TEST_F(BarcodeTest, Ean13WithChecksumEncodesThirteenDigitsAndKeepsText) {
  Bc.SetTyp(bcCodeEAN13);
  Bc.SetChecksum(true);
  Bc.SetText("400638133393");
  std::string withCheck = Bc.BarData();
  EXPECT_EQ(Bc.Text(), "400638133393");
  TBarcodeSymbol plain;
  plain.SetText("4006381333931");
  EXPECT_EQ(plain.BarData(), withCheck);
  // 95 modules: guards 3 + 5 + 3, twelve digits of 7.
  EXPECT_EQ(Bc.Width(), 95);
}

TEST_F(BarcodeTest, EanLengthsRaiseInEveryBuild) {
  Bc.SetTyp(bcCodeEAN13);
  Bc.SetText("12345678901234");
  try {
    Bc.Width();
    FAIL() << "no error";
  } catch (const EBarcodeError& e) {
    EXPECT_STREQ(e.what(), "Invalid Text len (EAN13)");
  }
  Bc.SetTyp(bcCodeEAN8);
  Bc.SetText("123456789");
  try {
    Bc.DrawOnCanvas(TBitmap(10, 10).Canvas());
    FAIL() << "no error";
  } catch (const EBarcodeError& e) {
    EXPECT_STREQ(e.what(), "Invalid Text len (EAN8)");
  }
  // With the check digit the last seven digits count, so a long text still fits.
  Bc.SetChecksum(true);
  EXPECT_EQ(Bc.Width(), 67);
}

TEST_F(BarcodeTest, NumericTextsAreTrimmedAndChecked) {
  Bc.SetTyp(bcCodeEAN8);
  Bc.SetText("12a");
  EXPECT_THROW(
      try { Bc.Width(); } catch (const EBarcodeError& e) {
        EXPECT_STREQ(e.what(), "Barcode must be numeric");
        throw;
      },
      EBarcodeError);
  Bc.SetText("  1234567 ");
  Bc.Width();
  EXPECT_EQ(Bc.Text(), "1234567");
  // A text type keeps its blanks.
  Bc.SetTyp(bcCode128B);
  Bc.SetText(" a ");
  Bc.Width();
  EXPECT_EQ(Bc.Text(), " a ");
}

TEST_F(BarcodeTest, ModulRatioAndWidthSetter) {
  Bc.SetModul(0);
  Bc.SetModul(50);
  EXPECT_EQ(Bc.Modul(), 1);
  Bc.SetModul(49);
  EXPECT_EQ(Bc.Modul(), 49);
  Bc.SetModul(2);
  Bc.SetRatio(1.5);
  Bc.SetTyp(bcCode39);
  Bc.SetText("A");
  Bc.Width();
  EXPECT_EQ(Bc.ModuleWidths()[1], 4);  // limited to 2.0
  EXPECT_EQ(Bc.ModuleWidths()[3], 8);
  Bc.SetTyp(bcCode128B);
  Bc.Width();
  EXPECT_EQ(Bc.ModuleWidths()[1], 3);  // 1.5 used as it is
  EXPECT_EQ(Bc.ModuleWidths()[2], 4);
  Bc.SetTyp(bcCode_2_5_matrix);
  Bc.SetText("1");
  Bc.Width();
  EXPECT_EQ(Bc.ModuleWidths()[1], 4);  // 2.25 x 2 = 4.5, rounded to even

  Bc.SetRatio(2.0);
  Bc.SetTyp(bcCodeEAN13);
  Bc.SetText("4006381333931");
  Bc.SetModul(1);
  EXPECT_EQ(Bc.Width(), 95);
  Bc.SetWidth(300);
  EXPECT_EQ(Bc.Modul(), 3);
  EXPECT_EQ(Bc.Width(), 285);
}

TEST_F(BarcodeTest, Code128SetCPadsAndPairs) {
  Bc.SetTyp(bcCode128C);
  Bc.SetText("12345");
  std::string data = Bc.BarData();
  EXPECT_EQ(Bc.Text(), "012345");
  // Start C (105), 01, 23, 45, check (105 + 1 + 46 + 135) mod 103 = 81, stop.
  TBarcodeSymbol byHand;
  byHand.SetTyp(bcCode128C);
  byHand.SetText("012345");
  EXPECT_EQ(byHand.BarData(), data);
  auto bmp = Render(Bc, 10);
  EXPECT_EQ(Runs(*bmp, true, 15),
            ModuleRuns(std::string("211232") + "222122" + "312131" + "113123" + "121142" + "2331112", 1));
}

TEST_F(BarcodeTest, Interleaved2of5DropsTheUnpairedDigit) {
  Bc.SetTyp(bcCode_2_5_interleaved);
  Bc.SetText("12345");
  std::string odd = Bc.BarData();
  Bc.SetText("1234");
  EXPECT_EQ(Bc.BarData(), odd);
  // Start, pairs 12 and 34 (bars of 1 and 3, spaces of 2 and 4 interleaved), stop.
  auto bmp = Render(Bc, 10);
  EXPECT_EQ(Runs(*bmp, true, 20), ModuleRuns("1111" "2112111122" "2121121112" "211", 1));
}

TEST_F(BarcodeTest, Gs1CheckDigitIsStoredOnce) {
  Bc.SetTyp(bcCodeEAN128C);
  Bc.SetChecksum(true);
  Bc.SetText("1234");
  int w = Bc.Width();
  EXPECT_EQ(Bc.Text(), "012348");  // check digit 8, then the leading 0 of set C
  std::string data = Bc.BarData();
  EXPECT_EQ(Bc.Width(), w);
  Bc.DrawOnCanvas(TBitmap(400, 60).Canvas());
  EXPECT_EQ(Bc.Text(), "012348");
  EXPECT_EQ(Bc.BarData(), data);
  // A new text gets its own check digit.
  Bc.SetTyp(bcCodeEAN128B);
  Bc.SetText("ABC1");
  Bc.Width();
  Bc.Width();
  EXPECT_EQ(Bc.Text(), "ABC17");
  Bc.SetCheckSumMethod(csmNone);
  Bc.SetText("XY");
  Bc.Width();
  EXPECT_EQ(Bc.Text(), "XY");
}

TEST_F(BarcodeTest, ErrorsNameTheClass) {
  Bc.SetTyp(bcCode93);
  Bc.SetText("abc");
  try {
    Bc.Width();
    FAIL();
  } catch (const EBarcodeError& e) {
    EXPECT_STREQ(e.what(), "TBarcodeSymbol:Code93 bad Data <abc>");
  }
  Bc.SetTyp(bcCode93Extended);
  EXPECT_NO_THROW(Bc.Width());
  Bc.SetTyp(static_cast<TBarcodeType>(23));
  try {
    Bc.Width();
    FAIL();
  } catch (const EBarcodeError& e) {
    EXPECT_STREQ(e.what(), "TBarcodeSymbol: wrong BarcodeType");
  }
}

// Every symbology drawn at module width 2 and 3, turned 0 and 90 degrees: the dark and light
// runs of a scan line across the bars are the element widths of the bar string.
TEST_F(BarcodeTest, DrawnRunsFollowTheBarString) {
  const char* texts[kBarcodeTypeCount] = {"123456", "1234", "1234", "CODE39", "Mixed 39",
                                          "ABC", "Abc", "1234", "CODE 93", "Code 93",
                                          "1234", "12345", "40156", "1234567", "400638133393",
                                          "03600029145", "123456", "123456", "12", "52495",
                                          "AB12", "Ab12", "1234"};
  for (int t = 0; t < kBarcodeTypeCount; ++t) {
    for (int modul : {2, 3}) {
      for (double angle : {0.0, 90.0}) {
        TBarcodeSymbol bc;
        bc.SetTyp(static_cast<TBarcodeType>(t));
        bc.SetText(texts[t]);
        bc.SetModul(modul);
        bc.SetHeight(30);
        bc.SetChecksum(true);
        auto bmp = Render(bc, 12, angle);
        std::vector<int> runs = angle == 0 ? Runs(*bmp, true, 12 + 25) : Runs(*bmp, false, 12 + 25);
        EXPECT_EQ(runs, ExpectedRuns(bc)) << BarcodeTypeData(bc.Typ()).Name << " modul " << modul << " angle " << angle;
      }
    }
  }
}

// The symbologies no checker here reads, against their published element widths.
TEST_F(BarcodeTest, PublishedWidthsOfUncheckedSymbologies) {
  Bc.SetModul(1);
  Bc.SetTyp(bcCode_2_5_industrial);
  Bc.SetText("1");
  // Start wide wide narrow; "1" is wide narrow narrow narrow wide; stop wide narrow wide; each
  // bar followed by a narrow space.
  auto bmp = Render(Bc, 10);
  EXPECT_EQ(Runs(*bmp, true, 20), ModuleRuns("212111" "2111111121" "21112", 1));

  Bc.SetTyp(bcCodeMSI);
  Bc.SetText("12");  // Luhn check digit 5: 2 x 2 + 1 = 5 -> 5
  bmp = Render(Bc, 10);
  // Start 1; 0001 0010 0101 as narrow-bar/wide-space (0) and wide-bar/narrow-space (1); stop.
  std::string expected = "21";
  for (const char* bits : {"0001", "0010", "0101"})
    for (const char* b = bits; *b; ++b) expected += *b == '1' ? "21" : "12";
  expected += "121";
  EXPECT_EQ(Runs(*bmp, true, 20), ModuleRuns(expected, 1));

  Bc.SetTyp(bcCodeUPC_Supp2);
  Bc.SetText("12");  // 12 mod 4 = 0: both digits of odd parity
  bmp = Render(Bc, 10);
  EXPECT_EQ(Runs(*bmp, true, 20), ModuleRuns("112" "2221" "11" "2122", 1));

  Bc.SetTyp(bcCodeUPC_Supp5);
  Bc.SetText("52495");  // check 3 x (5 + 4 + 5) + 9 x (2 + 9) = 141 -> 1: even odd even odd odd
  bmp = Render(Bc, 10);
  EXPECT_EQ(Runs(*bmp, true, 20),
            ModuleRuns("112" "1321" "11" "2122" "11" "2311" "11" "3112" "11" "1231", 1));
}

// Runs of a module string ("1" a bar module, "0" a space module).
std::vector<int> ModuleStringRuns(const std::string& modules) {
  std::vector<int> runs;
  for (std::size_t i = 0; i < modules.size(); ++i) {
    if (i > 0 && modules[i] == modules[i - 1]) ++runs.back();
    else runs.push_back(1);
  }
  return runs;
}

TEST_F(BarcodeTest, UpcENumberSystemOneInvertsTheParities) {
  // 123456 in number system 1 expands to 11234500006, check digit 2; system 0 would take
  // even-even-odd-odd-even-odd for it, system 1 the opposite.
  Bc.SetTyp(bcCodeUPC_E1);
  Bc.SetText("123456");
  auto bmp = Render(Bc, 10);
  EXPECT_EQ(Runs(*bmp, true, 20), ModuleStringRuns(std::string("101") + "0011001" + "0010011" + "0100001" +
                                                   "0011101" + "0110001" + "0000101" + "010101"));
  Bc.SetText("1234562");  // the check digit given
  std::string given = Bc.BarData();
  Bc.SetText("123456");
  EXPECT_EQ(Bc.BarData(), given);
}

TEST_F(BarcodeTest, PostNetBarsAndCheckDigit) {
  Bc.SetTyp(bcCodePostNet);
  Bc.SetText("1");  // check digit 9: digits 1 and 9 -> 00011 10100
  Bc.SetHeight(20);
  auto bmp = Render(Bc, 5);
  // Tall bars reach the top row of the symbol, every bar the bottom row (a common baseline).
  std::string tall, any;
  for (int x = 0; x < bmp->Width(); ++x) {
    bool top = Dark(*bmp, x, 5 + 2), bottom = Dark(*bmp, x, 5 + 18);
    if (bottom && (x == 0 || !Dark(*bmp, x - 1, 5 + 18))) tall += top ? 'T' : 's';
    EXPECT_FALSE(top && !bottom);
  }
  EXPECT_EQ(tall, "T" "sssTT" "TsTss" "T");
}

TEST_F(BarcodeTest, RotationKeepsTheSymbolRightOfAndBelowTheCorner) {
  Bc.SetTyp(bcCode128B);
  Bc.SetText("R");
  int w = Bc.Width();
  for (double angle : {0.0, 45.0, 90.0, 135.0, 180.0, 225.0, 270.0, 315.0}) {
    Bc.SetAngle(angle);
    Bc.SetLeft(100);
    Bc.SetTop(100);
    TBitmap bmp(400, 400);
    bmp.Canvas().Brush().SetColor(clWhite);
    bmp.Canvas().FillRect(Rect(0, 0, 400, 400));
    Bc.DrawOnCanvas(bmp.Canvas());
    int minX = 400, minY = 400, maxX = -1, maxY = -1;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 400; ++x)
        if (Dark(bmp, x, y)) {
          minX = std::min(minX, x); minY = std::min(minY, y);
          maxX = std::max(maxX, x); maxY = std::max(maxY, y);
        }
    EXPECT_GE(minX, 99) << angle;
    EXPECT_GE(minY, 99) << angle;
    EXPECT_LE(minX, 102) << angle;
    EXPECT_LE(minY, 102) << angle;
    EXPECT_LE(maxX, 100 + w + Bc.Height() + 2) << angle;
  }
}

TEST_F(BarcodeTest, TextPositionsAndRestoredCanvas) {
  Bc.SetTyp(bcCode128B);
  Bc.SetText("ABCD");
  Bc.SetLeft(20);
  Bc.SetTop(30);
  Bc.SetShowText(bcoBoth);
  Bc.SetShowTextPosition(stpBottomCenter);
  TRecordingPainter painter(nullptr, 400, 200);
  TCanvas canvas;
  canvas.SetPainter(&painter);
  canvas.Pen().SetColor(clRed);
  canvas.Brush().SetColor(clBlue);
  canvas.Font().SetName("Courier New");
  Bc.DrawOnCanvas(canvas);
  auto texts = painter.TextCalls();
  ASSERT_EQ(texts.size(), 2u);
  int w = Bc.Width();
  TCanvas measure;
  TRecordingPainter mp(nullptr, 10, 10);
  measure.SetPainter(&mp);
  measure.Font().Assign(Bc.ShowTextFont());
  int tw = measure.TextWidth("ABCD"), th = measure.TextHeight("ABCD");
  EXPECT_EQ(texts[0]->Text, "ABCD");
  EXPECT_EQ(texts[0]->Rect.Left, 20 + (w - tw) / 2);
  EXPECT_EQ(texts[0]->Rect.Top, 30 + 40 - th);
  EXPECT_EQ(texts[1]->Text, "Code128B");
  EXPECT_EQ(texts[1]->Rect.Left, 20);
  EXPECT_EQ(canvas.Pen().Color(), clRed);
  EXPECT_EQ(canvas.Brush().Color(), clBlue);
  EXPECT_EQ(canvas.Font().Name(), "Courier New");
}

TEST_F(BarcodeTest, AssignCopiesAndSettersNotify) {
  int changes = 0;
  Bc.OnChange = [&](TObject*) { ++changes; };
  Bc.SetRatio(2.0);  // unchanged: no notice
  Bc.SetAngle(0.0);
  EXPECT_EQ(changes, 0);
  Bc.SetRatio(2.5);
  Bc.SetModul(99);  // ignored
  EXPECT_EQ(changes, 1);
  TBarcodeSymbol other;
  other.SetTyp(bcCode93);
  other.SetText("XYZ");
  other.SetModul(4);
  other.SetColorBar(clNavy);
  other.ShowTextFont().SetSize(14);
  Bc.Assign(&other);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Bc.Typ(), bcCode93);
  EXPECT_EQ(Bc.Text(), "XYZ");
  EXPECT_EQ(Bc.Modul(), 4);
  EXPECT_EQ(Bc.ColorBar(), clNavy);
  EXPECT_EQ(Bc.ShowTextFont().Size(), 14);
  EXPECT_EQ(Bc.BarData(), other.BarData());
}

// zbarimg reads what we draw. Each case: type, text, check digit flag, what zbarimg reports.
TEST_F(BarcodeTest, ZbarimgReadsTheSymbols) {
  ASSERT_TRUE(HaveProgram("zbarimg")) << "the checker zbarimg is missing: scripts/setup installs the package zbar-tools";
  ASSERT_TRUE(HaveProgram("/usr/bin/python3")) << "python3 is missing: scripts/setup installs the package python3";
  struct Case {
    TBarcodeType type;
    const char* text;
    bool check;
    const char* expected;
  };
  const Case cases[] = {
      {bcCodeEAN13, "400638133393", true, "EAN-13:4006381333931"},
      {bcCodeEAN8, "1234567", true, "EAN-8:12345670"},
      {bcCodeUPC_A, "03600029145", true, "UPC-A:036000291452"},
      {bcCodeUPC_E0, "123456", false, "UPC-E:01234565"},
      {bcCode128A, "HELLO 128", false, "CODE-128:HELLO 128"},
      {bcCode128B, "Hello-128b", false, "CODE-128:Hello-128b"},
      {bcCode128C, "12345678", false, "CODE-128:12345678"},
      {bcCodeEAN128A, "01234567", true, "CODE-128:012345670"},
      {bcCodeEAN128B, "10AB12", false, "CODE-128:10AB12"},
      {bcCodeEAN128C, "0101234567890128", false, "CODE-128:0101234567890128"},
      {bcCode93, "CODE 93", false, "CODE-93:CODE 93"},
      {bcCode93Extended, "Code 93+x", false, "CODE-93:Code 93+x"},
      {bcCode39Extended, "Ab", false, "CODE-39:A+B"},
      {bcCode39, "CODE39", true, "CODE-39:CODE39W"},
      {bcCode39, "A-1", false, "CODE-39:A-1"},
      {bcCodeCodabar, "40156", false, "Codabar:A40156B"},
      {bcCode_2_5_interleaved, "12345670", false, "I2/5:12345670"},
  };
  std::string dir = std::filesystem::temp_directory_path() / ("qn_barcode_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  int n = 0;
  for (const Case& c : cases) {
    for (int modul : {2, 3}) {
      for (double angle : {0.0, 90.0}) {
        TBarcodeSymbol bc;
        bc.SetTyp(c.type);
        bc.SetText(c.text);
        bc.SetChecksum(c.check);
        bc.SetModul(modul);
        bc.SetHeight(60);
        auto bmp = Render(bc, 12 * modul, angle);
        std::string base = dir + "/bc" + std::to_string(n++);
        bmp->SaveToFile(base + ".bmp");
        CaptureCommand("/usr/bin/python3 -c \"from PIL import Image; Image.open('" + base + ".bmp').save('" + base + ".png')\"");
        std::string out = CaptureCommand("zbarimg -q -Supca.enable -Supce.enable '" + base + ".png' 2>/dev/null");
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
        EXPECT_EQ(out, c.expected) << BarcodeTypeData(c.type).Name << " modul " << modul << " angle " << angle;
      }
    }
  }
  if (!getenv("QN_KEEP")) std::filesystem::remove_all(dir);
}

}  // namespace
