// The standard controls on the headless backend: state in fields, typing through WM_CHAR and
// WM_KEYDOWN, and each event once per change, from the user and from code.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/headless_peer.h"
#include "platform/rtl/format_settings.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/date_time_picker.h"
#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "tests/linear_time.h"

namespace {

class StdControls : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    form.SetBounds(0, 0, 400, 300);
  }
  void TearDown() override { SetKeyboardShiftState({}); }

  static void Type(TWinControl& c, const std::u32string& text) {
    for (char32_t ch : text) c.Perform(WM_CHAR, ch, 0);
  }
  static void Key(TWinControl& c, WORD vk, TShiftState shift = {}) {
    SetKeyboardShiftState(shift);
    c.Perform(WM_KEYDOWN, vk, 0);
    c.Perform(WM_KEYUP, vk, 0);
    SetKeyboardShiftState({});
  }
  static void ClickAt(TWinControl& c, int x, int y) {
    c.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    c.Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }

  TCustomControl form{nullptr};
};

TEST_F(StdControls, EditFiresOnChangeOncePerChangeFromCodeAndTyping) {
  TEdit edit(nullptr);
  edit.SetParent(&form);
  int changes = 0;
  edit.OnChange = [&](TObject* s) { EXPECT_EQ(s, &edit); ++changes; };
  edit.SetText("abc");
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(edit.Modified());
  edit.SetText("abc");
  EXPECT_EQ(changes, 1);
  edit.SetSelStart(3);
  Type(edit, U"de");
  EXPECT_EQ(edit.Text(), "abcde");
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(edit.Modified());
  Key(edit, VK_HOME);
  Type(edit, U"\b");  // nothing before the caret: no change
  EXPECT_EQ(changes, 3);
  edit.Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
  EXPECT_EQ(edit.Text(), "x");
  EXPECT_EQ(changes, 4);
  EXPECT_FALSE(edit.Modified());
}

TEST_F(StdControls, EditLimitsCaseAndReadOnly) {
  TEdit edit(nullptr);
  edit.SetMaxLength(4);
  edit.SetCharCase(ecUpperCase);
  int refused = TNativeControl::RefusedCount();
  Type(edit, U"abé");  // 4 bytes: a, b and the two of é
  Type(edit, U"z");
  EXPECT_EQ(edit.Text(), "ABÉ");
  EXPECT_EQ(TNativeControl::RefusedCount(), refused + 1);
  // A paste longer than the room is cut on a character boundary.
  edit.SetMaxLength(5);
  Clipboard().SetAsText("éé");
  edit.SetSelStart(4);
  edit.PasteFromClipboard();
  EXPECT_EQ(edit.Text(), "ABÉ");
  edit.SetReadOnly(true);
  Type(edit, U"q");
  Key(edit, VK_DELETE);
  EXPECT_EQ(edit.Text(), "ABÉ");
}

TEST_F(StdControls, EditSelectionKeysAndUtf8Boundaries) {
  TEdit edit(nullptr);
  edit.SetText("añb");
  edit.SetSelStart(2);  // inside ñ: moved to its start
  EXPECT_EQ(edit.SelStart(), 1);
  Key(edit, VK_RIGHT, {ssShift});
  EXPECT_EQ(edit.SelText(), "ñ");
  Type(edit, U"x");
  EXPECT_EQ(edit.Text(), "axb");
  Key(edit, VK_END);
  Key(edit, VK_LEFT, {ssShift});
  Key(edit, VK_LEFT, {ssShift});
  EXPECT_EQ(edit.SelStart(), 1);
  EXPECT_EQ(edit.SelLength(), 2);
  Key(edit, VK_DELETE);
  EXPECT_EQ(edit.Text(), "a");
  edit.SelectAll();
  edit.SetSelText("new");
  EXPECT_EQ(edit.Text(), "new");
  EXPECT_EQ(edit.SelStart(), 3);
}

class TGuardedEdit : public TEdit {
public:
  using TEdit::TEdit;
  bool EditorEnabled = true;
  void WndProc(TMessage& m) override {
    if ((m.Msg == WM_PASTE || m.Msg == WM_CUT) && !EditorEnabled) return;
    TEdit::WndProc(m);
  }
};

TEST_F(StdControls, EditClipboardThroughMessagesThatASubclassCanStop) {
  TGuardedEdit edit(nullptr);
  edit.SetText("one two");
  edit.SetSelStart(4);
  edit.SetSelLength(3);
  Type(edit, U"\x03");  // Ctrl+C
  EXPECT_EQ(Clipboard().AsText(), "two");
  Type(edit, U"\x18");  // Ctrl+X
  EXPECT_EQ(edit.Text(), "one ");
  Clipboard().SetAsText("three\r\nfour");
  Type(edit, U"\x16");  // Ctrl+V: a single-line edit takes the first line
  EXPECT_EQ(edit.Text(), "one three");
  edit.EditorEnabled = false;
  Type(edit, U"\x16\x01\x18");
  EXPECT_EQ(edit.Text(), "one three");
  Type(edit, U"!");  // typing is still allowed
  EXPECT_EQ(edit.Text(), "!");
  // A password edit gives nothing away.
  TEdit secret(nullptr);
  secret.SetPasswordChar('*');
  secret.SetText("pw");
  secret.SelectAll();
  secret.CopyToClipboard();
  EXPECT_EQ(Clipboard().AsText(), "three\r\nfour");
}

TEST_F(StdControls, EditKeyPressCanSwallowOrReplaceACharacter) {
  TEdit edit(nullptr);
  edit.OnKeyPress = [](TObject*, char32_t& key) {
    if (key == '#') key = 0;
    if (key == 'a') key = 'b';
  };
  Type(edit, U"a#c");
  EXPECT_EQ(edit.Text(), "bc");
}

TEST_F(StdControls, EditMessagesForRectanglesPositionsAndLines) {
  TEdit edit(nullptr);
  edit.SetParent(&form);
  edit.SetText("abcdef");
  TRect r;
  edit.Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.Left, 1);
  TRect narrow = Rect(10, 2, 60, 19);
  edit.Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&narrow));
  edit.Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.Left, 10);
  EXPECT_EQ(r.Right, 60);
  // The default font advances 7 pixels: x = 10 + 7 * 3 + 2 lies after the third character.
  EXPECT_EQ(LOWORD(edit.Perform(EM_CHARFROMPOS, 0, MAKELPARAM(33, 5))), 3);
  EXPECT_EQ(LOWORD(edit.Perform(EM_CHARFROMPOS, 0, MAKELPARAM(0, 5))), 0);
  EXPECT_EQ(LOWORD(edit.Perform(EM_CHARFROMPOS, 0, MAKELPARAM(300, 5))), 6);
  edit.Perform(EM_SETSEL, 1, -1);
  DWORD start = 0, end = 0;
  edit.Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 6u);
  char buffer[4];
  EXPECT_EQ(edit.Perform(WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 3);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(edit.Perform(EM_GETLINECOUNT), 1);
}

TEST_F(StdControls, MemoLinesAreBoundToTheText) {
  TMemo memo(nullptr);
  int changes = 0;
  memo.OnChange = [&](TObject*) { ++changes; };
  memo.Lines().Add("one");
  memo.Lines().Add("two");
  EXPECT_EQ(memo.Text(), "one\r\ntwo\r\n");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(memo.Lines().Count(), 2);
  EXPECT_EQ(memo.Lines()[1], "two");
  memo.Lines().Insert(0, "zero");
  memo.Lines().SetStrings(2, "TWO");
  memo.Lines().Delete(1);
  EXPECT_EQ(memo.Text(), "zero\r\nTWO\r\n");
  memo.SetText("a\r\nb");
  memo.Lines().Add("c");
  EXPECT_EQ(memo.Text(), "a\r\nb\r\nc");
  changes = 0;
  memo.Lines().SetText("x\r\ny\r\n");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(memo.Perform(EM_LINEFROMCHAR, 3), 1);
  EXPECT_EQ(memo.Perform(EM_GETLINECOUNT), 3);
}

// A long memo is read and filled line by line in time that grows with its length: no line's
// read rescans the text (200,000 lines read in about 0.05 s; a rescan for each took minutes).
TEST_F(StdControls, ALongMemoIsReadAndFilledInLinearTime) {
  const auto Source = [](int n) {
    auto source = std::make_unique<TStringList>();
    for (int i = 0; i < n; ++i) source->Add("memo line " + std::to_string(i));
    return source;
  };
  // Fills a memo of n lines at once and reads it back line by line: the seconds of both.
  const auto ReadAndFill = [&](long n) {
    const auto source = Source(static_cast<int>(n));
    TMemo memo(nullptr);
    int changes = 0;
    memo.OnChange = [&](TObject*) { ++changes; };
    std::vector<std::string> read;
    read.reserve(static_cast<std::size_t>(n));
    const double seconds = ThreadCpuSeconds([&] {
      memo.Lines().Assign(source.get());
      for (int i = 0; i < memo.Lines().Count(); ++i) read.push_back(memo.Lines()[i]);
    });
    EXPECT_EQ(read.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(read.back(), "memo line " + std::to_string(n - 1));
    EXPECT_EQ(changes, 1) << "the lines go in as one change";
    return seconds;
  };
  const double growth = Growth(ReadAndFill, 25000, 8);
  std::printf("25,000 to 200,000 lines: %.1f times the processor time\n", growth);
  EXPECT_LT(growth, LinearGrowthBound(8));

  const int n = 200000;
  TMemo memo(nullptr);
  memo.Lines().Assign(Source(n).get());
  EXPECT_EQ(memo.Lines()[123456], "memo line 123456");
  // The line index follows every change of the text.
  memo.Lines().SetStrings(1, "changed");
  EXPECT_EQ(memo.Lines()[1], "changed");
  EXPECT_EQ(memo.Lines()[2], "memo line 2");
  memo.Lines().Delete(0);
  EXPECT_EQ(memo.Lines()[0], "changed");
  EXPECT_EQ(memo.Lines().Count(), n - 1);
  memo.SetText("a\r\n\r\nb");
  EXPECT_EQ(memo.Lines().Count(), 3);
  EXPECT_EQ(memo.Lines()[1], "");
  EXPECT_EQ(memo.Lines()[2], "b");
  EXPECT_EQ(memo.Perform(EM_LINEFROMCHAR, 5), 2);
  EXPECT_EQ(memo.Perform(EM_LINEINDEX, 3), -1);
  // Lines added to a text without a closing line end start after a new one.
  TStringList two;
  two.Add("c");
  two.Add("d");
  memo.Lines().AddStrings(two);
  EXPECT_EQ(memo.Text(), "a\r\n\r\nb\r\nc\r\nd");
  memo.Lines().AddStrings(memo.Lines());
  EXPECT_EQ(memo.Lines().Count(), 10);
}

// Lines added one by one at the end of a long memo each cost their own length, not the
// length of the text before them (100,000 lines: well under a second; copying the text for each
// took minutes).
TEST_F(StdControls, LinesAddedOneByOneToALongMemoTakeLinearTime) {
  const auto AddLines = [](long n) {
    TMemo memo(nullptr);
    int changes = 0;
    memo.OnChange = [&](TObject*) { ++changes; };
    const double seconds = ThreadCpuSeconds([&] {
      for (long i = 0; i < n; ++i) memo.Lines().Add("added line " + std::to_string(i));
    });
    EXPECT_EQ(changes, n) << "each line is a change of its own";
    EXPECT_EQ(memo.Lines().Count(), n);
    EXPECT_EQ(memo.Lines()[5432], "added line 5432");
    EXPECT_EQ(memo.Text().size(), memo.Lines().Text().size());
    return seconds;
  };
  const double growth = Growth(AddLines, 12500, 8);
  std::printf("12,500 to 100,000 lines: %.1f times the processor time\n", growth);
  EXPECT_LT(growth, LinearGrowthBound(8));
  TMemo memo(nullptr);
  // A text without a closing line end takes the next line after a new one.
  memo.SetText("a\r\nb");
  memo.Lines().Add("c");
  memo.Lines().Add("d");
  EXPECT_EQ(memo.Text(), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(memo.LineTexts(), (std::vector<std::string>{"a", "b", "c", "d"}));
  memo.SetText("");
  memo.Lines().Add("");
  memo.Lines().Add("x");
  EXPECT_EQ(memo.Text(), "\r\nx\r\n");
  EXPECT_EQ(memo.Lines().Count(), 2);
}

// All the lines at once are the lines one by one, for every shape of text.
TEST_F(StdControls, AMemosLinesReadAndSetAtOnceAreItsLines) {
  TMemo memo(nullptr);
  for (const char* text : {"", "\r\n", "a", "a\r\n", "a\r\nb", "a\r\n\r\nb\r\n", "\r\n\r\n", "a\nb\r\nc\r", "\r\nx"}) {
    memo.SetText(text);
    std::vector<std::string> oneByOne;
    for (int i = 0; i < memo.Lines().Count(); ++i) oneByOne.push_back(memo.Lines()[i]);
    EXPECT_EQ(memo.LineTexts(), oneByOne) << "text \"" << text << "\"";
  }
  int changes = 0;
  memo.OnChange = [&](TObject*) { ++changes; };
  memo.SetLineTexts({"one", "", "three"});
  EXPECT_EQ(memo.Text(), "one\r\n\r\nthree\r\n");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(memo.LineTexts(), (std::vector<std::string>{"one", "", "three"}));
  memo.SetLineTexts({});
  EXPECT_EQ(memo.Text(), "");
  EXPECT_EQ(memo.Lines().Count(), 0);
}

TEST_F(StdControls, MemoTypingReturnsTabsAndLineMoves) {
  TMemo memo(nullptr);
  Type(memo, U"ab\rcd");
  EXPECT_EQ(memo.Text(), "ab\r\ncd");
  Key(memo, VK_UP);
  EXPECT_EQ(memo.CaretPos(), 2);
  Key(memo, VK_DOWN);
  Key(memo, VK_HOME);
  Type(memo, U"\b");  // the line end goes as one
  EXPECT_EQ(memo.Text(), "abcd");
  Type(memo, U"\t");
  EXPECT_EQ(memo.Text(), "abcd");
  memo.SetWantTabs(true);
  memo.SetWantReturns(false);
  Type(memo, U"\t\r");
  EXPECT_EQ(memo.Text(), "ab\tcd");
  Clipboard().SetAsText("1\n2");
  memo.PasteFromClipboard();
  EXPECT_EQ(memo.Text(), "ab\t1\r\n2cd");
}

TEST_F(StdControls, ListBoxChoiceByUserFiresClickOnceAndCodeFiresNone) {
  TListBox list(nullptr);
  list.SetParent(&form);
  list.SetBounds(10, 10, 100, 80);
  int clicks = 0;
  list.OnClick = [&](TObject*) { ++clicks; };
  for (const char* s : {"alpha", "beta", "gamma", "delta"}) list.Items().Add(s);
  list.SetItemIndex(1);
  EXPECT_EQ(clicks, 0);
  ClickAt(list, 5, 16 * 2 + 3);
  EXPECT_EQ(list.ItemIndex(), 2);
  EXPECT_EQ(clicks, 1);
  ClickAt(list, 5, 16 * 2 + 3);
  EXPECT_EQ(clicks, 1);
  Key(list, VK_DOWN);
  EXPECT_EQ(list.ItemIndex(), 3);
  Key(list, VK_DOWN);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(list.ItemAtPos({5, 70}, true), -1);
  EXPECT_EQ(list.ItemAtPos({5, 70}, false), 4);
  list.Items().Delete(3);
  EXPECT_EQ(list.ItemIndex(), -1);
  TObject tag;
  list.Items().SetObjects(1, &tag);
  EXPECT_EQ(list.Perform(LB_GETITEMDATA, 1), reinterpret_cast<LRESULT>(&tag));
  EXPECT_EQ(list.Perform(LB_GETITEMDATA, 9), -1);
  list.SetSorted(true);
  list.Items().Add("aardvark");
  EXPECT_EQ(list.Items()[0], "aardvark");
}

TEST_F(StdControls, ListBoxMultiSelectAndOwnerDraw) {
  TListBox list(nullptr);
  list.SetParent(&form);
  list.SetBounds(0, 0, 100, 40);
  list.SetMultiSelect(true);
  for (const char* s : {"a", "b", "c"}) list.Items().Add(s);
  ClickAt(list, 5, 3);
  ClickAt(list, 5, 16 + 3);
  EXPECT_TRUE(list.Selected(0));
  EXPECT_TRUE(list.Selected(1));
  EXPECT_EQ(list.SelCount(), 2);
  ClickAt(list, 5, 3);
  EXPECT_FALSE(list.Selected(0));
  EXPECT_EQ(list.SelCount(), 1);
  list.SetStyle(lbOwnerDrawFixed);
  list.SetItemHeight(20);
  std::vector<std::string> drawn;
  list.OnDrawItem = [&](TWinControl*, int index, TRect r, TOwnerDrawState state) {
    drawn.push_back(std::to_string(index) + "@" + std::to_string(r.Top) + (state.Contains(odSelected) ? "s" : ""));
  };
  list.Repaint();
  EXPECT_EQ(drawn, (std::vector<std::string>{"0@0", "1@20s"}));  // the third lies below the list
}

TEST_F(StdControls, ComboBoxSelectChangeAndDropDown) {
  TComboBox combo(nullptr);
  combo.SetParent(&form);
  for (const char* s : {"Apple", "Apricot", "Banana"}) combo.Items().Add(s);
  std::vector<std::string> log;
  combo.OnChange = [&](TObject*) { log.push_back("change " + combo.Text()); };
  combo.OnClick = [&](TObject*) { log.push_back("click"); };
  combo.OnDropDown = [&](TObject*) { log.push_back("drop"); };
  combo.OnCloseUp = [&](TObject*) { log.push_back("close"); };
  combo.SetItemIndex(0);
  combo.SetText("Pear");
  EXPECT_TRUE(log.empty());
  Key(combo, VK_DOWN);
  EXPECT_EQ(combo.ItemIndex(), 1);
  EXPECT_EQ(combo.Text(), "Apricot");
  Key(combo, VK_F4);
  Key(combo, VK_RETURN);
  EXPECT_FALSE(combo.DroppedDown());
  combo.SetSelStart(7);
  Type(combo, U"s");
  EXPECT_EQ(log, (std::vector<std::string>{"click", "change Apricot", "drop", "close", "change Apricots"}));
  log.clear();
  combo.OnSelect = [&](TObject*) { log.push_back("select"); };
  combo.SetStyle(csDropDownList);
  Type(combo, U"b");  // a list jumps to the item starting with the letter
  EXPECT_EQ(combo.ItemIndex(), 2);
  Type(combo, U"q");
  EXPECT_EQ(combo.Text(), "Banana");
  EXPECT_EQ(log, (std::vector<std::string>{"click", "select"}));
  combo.SetText("Apple");
  EXPECT_EQ(combo.ItemIndex(), 0);
  combo.SetText("Cherry");  // no such item: a list keeps what it shows
  EXPECT_EQ(combo.Text(), "Apple");
  EXPECT_EQ(combo.Perform(CB_SETDROPPEDWIDTH, 300), 300);
  EXPECT_EQ(combo.DroppedWidth(), 300);
  EXPECT_EQ(combo.Perform(CB_GETDROPPEDWIDTH), 300);
}

TEST_F(StdControls, CheckBoxClicksForEveryStateChange) {
  TCheckBox box(nullptr);
  box.SetParent(&form);
  int clicks = 0;
  box.OnClick = [&](TObject*) { ++clicks; };
  box.SetChecked(true);
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  ClickAt(box, 3, 3);
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicks, 2);
  box.SetAllowGrayed(true);
  Key(box, VK_SPACE);
  EXPECT_EQ(box.State(), cbGrayed);
  box.Perform(BM_CLICK);
  EXPECT_EQ(box.State(), cbChecked);
  EXPECT_EQ(clicks, 4);
  // A press that leaves the box before the release is no click.
  box.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  box.Perform(WM_LBUTTONUP, 0, MAKELPARAM(300, 3));
  EXPECT_EQ(clicks, 4);
}

TEST_F(StdControls, RadioButtonsAreGroupedByParent) {
  TCustomControl other(nullptr);
  other.SetParent(&form);
  TRadioButton a(nullptr), b(nullptr), c(nullptr);
  a.SetParent(&form);
  b.SetParent(&form);
  c.SetParent(&other);
  std::vector<std::string> log;
  a.OnClick = [&](TObject*) { log.push_back("a"); };
  b.OnClick = [&](TObject*) { log.push_back("b"); };
  a.SetChecked(true);
  c.SetChecked(true);
  ClickAt(b, 2, 2);
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  EXPECT_TRUE(c.Checked());
  ClickAt(b, 2, 2);  // already checked: no change, no click
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
}

TEST_F(StdControls, ButtonDefaultCancelAndModalResult) {
  TForm dialog(nullptr);
  TButton ok(nullptr), cancel(nullptr);
  ok.SetParent(&dialog);
  cancel.SetParent(&dialog);
  ok.SetDefault(true);
  ok.SetModalResult(mrOk);
  cancel.SetCancel(true);
  cancel.SetModalResult(mrCancel);
  std::vector<std::string> log;
  ok.OnClick = [&](TObject*) { log.push_back("ok " + std::to_string(dialog.ModalResult())); };
  cancel.OnClick = [&](TObject*) { log.push_back("cancel"); };
  dialog.Show();
  EXPECT_EQ(ok.Perform(CM_DIALOGKEY, VK_RETURN), 1);
  EXPECT_EQ(cancel.Perform(CM_DIALOGKEY, VK_RETURN), 0);
  // OnClick runs before the form learns the result.
  EXPECT_EQ(dialog.ModalResult(), mrOk);
  EXPECT_EQ(cancel.Perform(CM_DIALOGKEY, VK_ESCAPE), 1);
  EXPECT_EQ(dialog.ModalResult(), mrCancel);
  ok.SetEnabled(false);
  EXPECT_EQ(ok.Perform(CM_DIALOGKEY, VK_RETURN), 0);
  ClickAt(ok, 5, 5);
  ClickAt(cancel, 5, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"ok 0", "cancel", "cancel"}));
  // A button without a form to end, or without a result, changes nothing.
  dialog.SetModalResult(mrNone);
  TButton plain(nullptr);
  plain.SetParent(&dialog);
  plain.Click();
  EXPECT_EQ(dialog.ModalResult(), mrNone);
}

TEST_F(StdControls, OnAFormTheEditorsKeepTheArrowsAndTheMemoItsReturn) {
  TForm dialog(nullptr);
  TEdit edit(nullptr);
  TMemo memo(nullptr);
  TListBox list(nullptr);
  TComboBox combo(nullptr);
  TCheckBox check(nullptr);
  TButton ok(nullptr);
  for (TWinControl* c : std::initializer_list<TWinControl*>{&edit, &memo, &list, &combo, &check, &ok}) c->SetParent(&dialog);
  for (const char* s : {"One", "Two", "Three"}) {
    list.Items().Add(s);
    combo.Items().Add(s);
  }
  list.SetItemIndex(0);
  combo.SetItemIndex(0);
  memo.SetText("a\r\nb");
  ok.SetDefault(true);
  int pressed = 0;
  ok.OnClick = [&](TObject*) { ++pressed; };
  dialog.Show();
  // The arrows move inside the editors and lists instead of moving the focus on.
  list.SetFocus();
  Key(list, VK_DOWN);
  EXPECT_EQ(GetFocus(), &list);
  EXPECT_EQ(list.ItemIndex(), 1);
  combo.SetFocus();
  Key(combo, VK_DOWN);
  EXPECT_EQ(GetFocus(), &combo);
  EXPECT_EQ(combo.Text(), "Two");
  edit.SetFocus();
  edit.SetText("xy");
  edit.SetSelStart(0);
  Key(edit, VK_RIGHT);
  EXPECT_EQ(GetFocus(), &edit);
  EXPECT_EQ(edit.SelStart(), 1);
  memo.SetFocus();
  memo.SetSelStart(0);
  Key(memo, VK_DOWN);
  EXPECT_EQ(GetFocus(), &memo);
  EXPECT_EQ(memo.SelStart(), 3);
  // A check box has no use for them: the focus moves to the next control.
  check.SetFocus();
  Key(check, VK_DOWN);
  EXPECT_EQ(GetFocus(), &ok);
  // Return breaks the memo's line; in the edit it presses the default button.
  memo.SetFocus();
  memo.Perform(WM_KEYDOWN, VK_RETURN, 0);
  memo.Perform(WM_CHAR, '\r', 0);
  EXPECT_EQ(pressed, 0);
  EXPECT_EQ(memo.Lines().Count(), 3);
  memo.SetWantReturns(false);
  Key(memo, VK_RETURN);
  EXPECT_EQ(pressed, 1);
  edit.SetFocus();
  Key(edit, VK_RETURN);
  EXPECT_EQ(pressed, 2);
}

TEST_F(StdControls, RadioGroupClicksOncePerItemIndexChange) {
  TRadioGroup group(nullptr);
  group.SetParent(&form);
  int clicks = 0;
  group.OnClick = [&](TObject*) { ++clicks; };
  for (const char* s : {"Add", "Remove"}) group.Items().Add(s);
  ASSERT_EQ(group.ButtonCount(), 2);
  EXPECT_EQ(group.Buttons(1)->Caption(), "Remove");
  group.SetItemIndex(0);
  EXPECT_TRUE(group.Buttons(0)->Checked());
  EXPECT_EQ(clicks, 1);
  ClickAt(*group.Buttons(1), 2, 2);
  EXPECT_EQ(group.ItemIndex(), 1);
  EXPECT_FALSE(group.Buttons(0)->Checked());
  EXPECT_EQ(clicks, 2);
  group.SetItemIndex(1);
  EXPECT_EQ(clicks, 2);
  EXPECT_GT(group.Buttons(1)->Top(), group.Buttons(0)->Top());
  group.Items().Delete(1);
  EXPECT_EQ(group.ItemIndex(), -1);
  EXPECT_EQ(group.ButtonCount(), 1);
}

TEST_F(StdControls, SpinEditKeepsItsValueInRange) {
  TSpinEdit spin(nullptr);
  spin.SetMinValue(0);
  spin.SetMaxValue(100);
  int changes = 0;
  spin.OnChange = [&](TObject*) { ++changes; };
  spin.SetValue(99);
  Key(spin, VK_UP);
  Key(spin, VK_UP);
  EXPECT_EQ(spin.Value(), 100);
  EXPECT_EQ(changes, 2);
  spin.SetValue(500);
  EXPECT_EQ(spin.Text(), "100");
  spin.SelectAll();
  Type(spin, U"x");
  EXPECT_EQ(spin.Text(), "100");
  Type(spin, U"-7");
  EXPECT_EQ(spin.Value(), 0);  // below the range reads as its limit
  spin.SetText("abc");
  EXPECT_EQ(spin.Value(), 0);
  spin.SetMaxValue(0);  // equal limits: none
  spin.SetValue(-5);
  Key(spin, VK_DOWN);
  EXPECT_EQ(spin.Value(), -6);
}

TEST_F(StdControls, DateTimePickerShowsAndStepsItsParts) {
  TFormatSettingsScope scope;
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  TDateTimePicker picker(nullptr);
  int changes = 0;
  picker.OnChange = [&](TObject*) { ++changes; };
  picker.SetDate(EncodeDate(2000, 5, 12));
  EXPECT_EQ(picker.DisplayText(), "12/05/2000");
  EXPECT_EQ(changes, 0);
  Key(picker, VK_RIGHT);
  Key(picker, VK_UP);
  EXPECT_EQ(picker.DisplayText(), "12/06/2000");
  Key(picker, VK_LEFT);
  Key(picker, VK_DOWN);
  EXPECT_EQ(picker.DisplayText(), "11/06/2000");
  EXPECT_EQ(changes, 2);
  FormatSettings.LongTimeFormat = "hh:nn:ss";
  picker.SetKind(dtkTime);
  picker.SetTime(EncodeTime(23, 30, 0, 0));
  Key(picker, VK_UP);
  EXPECT_EQ(picker.DisplayText(), "00:30:00");
  EXPECT_EQ(picker.Date(), EncodeDate(2000, 6, 11));
}

}  // namespace
