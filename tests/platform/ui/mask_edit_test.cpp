// The masked edit: literals, the blank character, the save-literals flag, EditText against
// Text, and the keys a mask refuses.
#include <gtest/gtest.h>

#include "platform/headless/headless_peer.h"
#include "platform/rtl/format_settings.h"
#include "platform/ui/mask_edit.h"

namespace {

class MaskEdit : public ::testing::Test {
protected:
  void SetUp() override { InstallHeadlessBackend(); }
  static void Type(TWinControl& c, const std::u32string& text) {
    for (char32_t ch : text) c.Perform(WM_CHAR, ch, 0);
  }
};

TEST_F(MaskEdit, DateMaskReadsBlanksAndTakesDigitsAroundTheLiterals) {
  TMaskEdit edit(nullptr);
  int changes = 0;
  edit.OnChange = [&](TObject*) { ++changes; };
  edit.SetEditMask("!9090/90/00;1;_");
  EXPECT_EQ(edit.EditText(), "____/__/__");
  EXPECT_EQ(edit.Text(), "    /  /  ");
  edit.SetSelStart(0);
  int refused = TNativeControl::RefusedCount();
  Type(edit, U"20x");  // the letter is refused and changes nothing
  EXPECT_EQ(TNativeControl::RefusedCount(), refused + 1);
  Type(edit, U"241231");  // the caret jumps over the literals
  EXPECT_EQ(edit.EditText(), "2024/12/31");
  EXPECT_EQ(edit.Text(), "2024/12/31");
  EXPECT_EQ(changes, 1 + 8);
  Type(edit, U"9");  // the mask is full
  EXPECT_EQ(edit.Text(), "2024/12/31");
  // Backspace blanks the input position before the caret, over a literal.
  edit.SetSelStart(8);
  Type(edit, U"\b");
  EXPECT_EQ(edit.EditText(), "2024/1_/31");
  EXPECT_EQ(edit.SelStart(), 6);
  // Typing over a selection blanks it first.
  edit.SetSelStart(0);
  edit.SetSelLength(10);
  Type(edit, U"1");
  EXPECT_EQ(edit.EditText(), "1___/__/__");
}

TEST_F(MaskEdit, SaveLiteralsFlagDecidesWhatTextReadsAndTakes) {
  TMaskEdit edit(nullptr);
  edit.SetEditMask("00/00;0;*");
  edit.SetText("1234");
  EXPECT_EQ(edit.EditText(), "12/34");
  EXPECT_EQ(edit.Text(), "1234");
  edit.SetEditText("5_/6");  // edit text: position by position
  EXPECT_EQ(edit.EditText(), "5*/6*");
  EXPECT_EQ(edit.Text(), "5 6 ");
  // With the literals saved a value is read position by position.
  EXPECT_EQ(FormatMaskText("!9090/90/00;1;_", "1999/01/2"), "1999/01/2_");
  EXPECT_EQ(FormatMaskText("!9090/90/00;1;_", "1999/1/2"), "1999/1_/__");
}

TEST_F(MaskEdit, CaseLettersEscapesAndSeparators) {
  TFormatSettingsScope scope;
  FormatSettings.DateSeparator = '.';
  TMaskEdit edit(nullptr);
  edit.SetEditMask(">LL<ll\\/99/c;1; ");
  EXPECT_EQ(edit.EditText(), "    /  . ");
  edit.SetSelStart(0);
  Type(edit, U"ab1");  // 1 is no letter: refused; letters take the mask's case
  EXPECT_EQ(edit.EditText(), "AB  /  . ");
  Type(edit, U"cD7 !");
  EXPECT_EQ(edit.Text(), "ABcd/7 .!");
  // Without a mask the edit is a plain edit.
  TMaskEdit plain(nullptr);
  Type(plain, U"x1");
  EXPECT_EQ(plain.Text(), "x1");
}

TEST_F(MaskEdit, DeleteAndReadOnly) {
  TMaskEdit edit(nullptr);
  edit.SetEditMask("000-000;1;_");
  edit.SetText("123-456");
  edit.SetSelStart(3);
  edit.Perform(WM_KEYDOWN, VK_DELETE, 0);  // on the literal: the next input position
  EXPECT_EQ(edit.EditText(), "123-_56");
  edit.SetReadOnly(true);
  edit.SetSelStart(0);
  Type(edit, U"9\b");
  EXPECT_EQ(edit.EditText(), "123-_56");
}

}  // namespace
