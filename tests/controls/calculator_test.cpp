// The adding machine: the engine's sums, percentages, memory and tape, and the window driven
// by its buttons and typed keys, printing its tape to the recording printer.
#include <gtest/gtest.h>

#include "controls/calculator.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_printing.h"
#include "../platform/headless/modal_script_check.h"

namespace {

void Keys(TCalculatorEngine& e, const std::string& keys) {
  for (char k : keys) e.Key(static_cast<unsigned char>(k));
}

// A tape line: padded on the left to 14 characters.
std::string Pad(const std::string& s) { return std::string(s.size() < 14 ? 14 - s.size() : 0, ' ') + s; }

TEST(CalculatorEngine, StartsWithItsCaptionAndARule) {
  TCalculatorEngine e;
  ASSERT_EQ(e.Tape().size(), 3u);
  EXPECT_EQ(e.Tape()[0], Pad("Calculator"));
  EXPECT_EQ(e.Tape()[1], Pad(""));
  EXPECT_EQ(e.Tape()[2], "--------------");
  EXPECT_EQ(e.Display(), "0.00 ");
}

TEST(CalculatorEngine, PercentOfASumGoesOnTheTape) {
  TCalculatorEngine e;
  Keys(e, "12+30%");
  EXPECT_EQ(e.Display(), "15.60 ");
  std::vector<std::string> tail(e.Tape().begin() + 3, e.Tape().end());
  EXPECT_EQ(tail, (std::vector<std::string>{Pad("12.00   "), Pad("30.00 %+"), Pad("15.60 %="), "--------------"}));
}

TEST(CalculatorEngine, DivisionsByZeroGiveZero) {
  TCalculatorEngine e;
  Keys(e, "5/0=");
  EXPECT_EQ(e.Shown(), 0);
  TCalculatorEngine p;
  Keys(p, "50/0%");  // a percentage after "/" with an entry of 0
  EXPECT_EQ(p.Shown(), 0);
  EXPECT_EQ(p.Display(), "0.00 ");
  TCalculatorEngine q;
  Keys(q, "50/4%");
  EXPECT_DOUBLE_EQ(q.Shown(), 0.125);
}

TEST(CalculatorEngine, RepeatedOperatorsReuseTheLastEntry) {
  TCalculatorEngine e;
  Keys(e, "2++");
  EXPECT_EQ(e.Shown(), 4);
  TCalculatorEngine f;
  Keys(f, "2+3=");
  EXPECT_EQ(f.Shown(), 5);
  EXPECT_EQ(f.Tape().back(), "--------------");
  EXPECT_EQ(f.Tape()[f.Tape().size() - 2], Pad("5.00  ="));
  // A second "=" totals the result again; it does not bring back the last entry.
  f.Key('=');
  EXPECT_EQ(f.Shown(), 5);
  f.Key(ckEnter);  // Enter counts as "="
  EXPECT_EQ(f.Shown(), 5);
  EXPECT_EQ(f.Tape()[f.Tape().size() - 3], Pad("5.00   "));
}

// After "=" the result is the first operand of what follows, and every figure on the tape is the
// one that was computed with: the total line is the sum or product of the lines above it.
TEST(CalculatorEngine, AResultChainsIntoTheNextOperation) {
  TCalculatorEngine e;
  Keys(e, "12.5+7.25=");
  EXPECT_DOUBLE_EQ(e.Shown(), 19.75);
  Keys(e, "*3=");
  EXPECT_DOUBLE_EQ(e.Shown(), 59.25);
  Keys(e, "-9.25=");
  EXPECT_DOUBLE_EQ(e.Shown(), 50);
  std::vector<std::string> tail(e.Tape().begin() + 3, e.Tape().end());
  const std::string rule = "--------------";
  EXPECT_EQ(tail, (std::vector<std::string>{Pad("12.50   "), Pad("7.25  +"), Pad("19.75  ="), rule,
                                            Pad("19.75   "), Pad("3.00  *"), Pad("59.25  ="), rule,
                                            Pad("59.25   "), Pad("9.25  -"), Pad("50.00  ="), rule}));
  // The result kept in the memory, or typed over by a new number, chains the same way.
  TCalculatorEngine m;
  Keys(m, "4*5=");
  m.Key(ckMPlus);
  Keys(m, "/8=");
  EXPECT_DOUBLE_EQ(m.Shown(), 2.5);
  Keys(m, "6+1=");
  EXPECT_DOUBLE_EQ(m.Shown(), 7);
}

TEST(CalculatorEngine, DecimalsLimitTypedDigits) {
  TCalculatorEngine e;
  Keys(e, "1.2345");
  EXPECT_EQ(e.Display(), "1.23 ");
  e.Key(ckBack);  // the ignored digits never reached the text
  EXPECT_EQ(e.Display(), "1.20 ");
  e.Key('7');  // and do not count: there is room for a second decimal again
  EXPECT_EQ(e.Display(), "1.27 ");
  e.Key(ckBack);
  e.Key(ckBack);
  e.Key(ckBack);  // the point goes: a new one may be typed
  Keys(e, ".5");
  EXPECT_EQ(e.Display(), "1.50 ");
  TCalculatorEngine z;
  z.SetDecimals(0);
  Keys(z, "7.89");
  EXPECT_EQ(z.Shown(), 7);
  Keys(z, "..");
  EXPECT_EQ(z.Display(), "7 ");
  TCalculatorEngine big;
  Keys(big, "1234567");
  EXPECT_EQ(big.Display(), "1,234,567.00 ");
}

TEST(CalculatorEngine, ClearOnceAndTwice) {
  TCalculatorEngine e;
  Keys(e, "8+5");
  e.Key(ckClear);
  EXPECT_EQ(e.Shown(), 0);
  Keys(e, "1=");
  EXPECT_EQ(e.Shown(), 9);  // the pending "+" survived one C
  Keys(e, "4+");
  e.Key('c');
  e.Key('C');
  EXPECT_EQ(e.Tape()[e.Tape().size() - 2], Pad("C"));
  Keys(e, "2=");
  EXPECT_EQ(e.Shown(), 2);
}

TEST(CalculatorEngine, MemoryKeys) {
  TCalculatorEngine e;
  Keys(e, "25");
  e.Key(ckMPlus);
  e.Key(ckMPlus);
  EXPECT_EQ(e.Memory(), 50);
  EXPECT_EQ(e.Tape().back(), Pad("25.00 M+"));
  e.Key(ckClear);
  e.Key(ckMR);
  EXPECT_EQ(e.Tape().back(), Pad("50.00 MR"));
  Keys(e, "+1=");
  EXPECT_EQ(e.Shown(), 51);  // the recalled value is the entry
  e.Key(ckMC);
  EXPECT_EQ(e.Memory(), 0);
}

// A click at the middle of a key's oval, as a person presses it.
void Press(TTheCalculator& c, int key) {
  TRoundButton* b = c.ButtonFor(key);
  ASSERT_NE(b, nullptr);
  HeadlessInput::Click(c, b->Left() + b->Width() / 2, b->Top() + b->Height() / 2);
}

class CalculatorWindow : public ::testing::Test {
protected:
  CalculatorWindow() { InstallHeadlessBackend(); }
  TCalculator Calc;
};

TEST_F(CalculatorWindow, ButtonsAndTypedKeysThenUse) {
  TCheckedModalScript script;
  script.ExpectForm("Calculator", [](TCustomForm& f) {
    auto& c = dynamic_cast<TTheCalculator&>(f);
    EXPECT_FALSE(c.Button_MC->Visible());
    Press(c, '7');
    Press(c, '*');
    HeadlessInput::Type(c, "6");
    HeadlessInput::Key(c, VK_RETURN);
    EXPECT_EQ(c.Display->Caption(), "42.00 ");
    Press(c, ckMPlus);
    EXPECT_TRUE(c.Button_MC->Visible());
    EXPECT_EQ(c.ScreenTicket->Lines().Strings(c.ScreenTicket->Lines().Count() - 1), Pad("42.00 M+"));
    c.Button_Use->SetVisible(true);  // the opener shows "Use" when it takes the value
    Press(c, ckUse);
  });
  EXPECT_TRUE(Calc.Execute());
  EXPECT_EQ(Calc.Value(), 42);
  TCheckedModalScript again;
  again.ExpectForm("Calculator", [](TCustomForm& f) {
    auto& c = dynamic_cast<TTheCalculator&>(f);
    EXPECT_EQ(c.ScreenTicket->Lines().Count(), 3);  // a new window, a new tape
    HeadlessInput::Type(c, "9");
    HeadlessInput::Key(c, VK_ESCAPE);
  });
  EXPECT_FALSE(Calc.Execute());
  EXPECT_EQ(Calc.Value(), 9);
}

TEST_F(CalculatorWindow, OptionsSetTheDecimals) {
  TCheckedModalScript script;
  script.ExpectForm("Calculator", [](TCustomForm& f) {
    auto& c = dynamic_cast<TTheCalculator&>(f);
    Press(c, ckOpt);
    EXPECT_TRUE(c.Edit1->Visible());
    EXPECT_FALSE(c.Display->Visible());
    EXPECT_EQ(c.Edit1->Text(), "2");
    c.Edit1->SetText("4");
    Press(c, ckOpt);
    EXPECT_TRUE(c.Button1->Visible());
    Press(c, ckOpt);
    EXPECT_TRUE(c.Display->Visible());
    HeadlessInput::Type(c, "1/3=");
    EXPECT_EQ(c.Display->Caption(), "0.3333 ");
    Press(c, ckQuit);
  });
  EXPECT_FALSE(Calc.Execute());
}

TEST_F(CalculatorWindow, PrintWritesEveryTapeLine) {
  TRecordingPrinter& printer = InstallRecordingPrinter();
  TCheckedModalScript script;
  script.ExpectForm("Calculator", [&](TCustomForm& f) {
    auto& c = dynamic_cast<TTheCalculator&>(f);
    HeadlessInput::Type(c, "3+4=");
    Press(c, ckPrint);
    Press(c, ckQuit);
  });
  script.Expect(mkPrint, "", TModalAnswer{});
  Calc.Execute();
  ASSERT_EQ(printer.Jobs().size(), 1u);
  std::vector<std::string> printed;
  for (const TPaintCall& call : printer.Jobs()[0].Pages[0].Calls)
    if (call.Kind == TPaintKind::Text) printed.push_back(call.Text);
  ASSERT_EQ(printed.size(), 7u);
  EXPECT_EQ(printed[3], Pad("3.00   "));
  EXPECT_EQ(printed[4], Pad("4.00  +"));
  EXPECT_EQ(printed[5], Pad("7.00  ="));
  RemovePrintDevices();
}

}  // namespace
