// The editor controls on their own: spin editors, edits with a button, the flat combo box.
#include <gtest/gtest.h>

#include "controls/grid/cell_edit_btn.h"
#include "controls/grid/cell_spin.h"
#include "controls/grid/qn_combo.h"
#include "platform/headless/headless_modal.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/format_settings.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/screen.h"

namespace {

// Date and time formats for one test, put back afterwards.
struct TFormats {
  TFormatSettings saved = FormatSettings;
  TFormats(const char* date, const char* time) {
    FormatSettings.ShortDateFormat = date;
    FormatSettings.DateSeparator = '/';
    FormatSettings.LongTimeFormat = time;
    FormatSettings.TimeSeparator = ':';
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ThousandSeparator = ',';
  }
  ~TFormats() { FormatSettings = saved; }
};

int Beeps() { return ScreenService().Beeps(); }

TEST(SpinEdit, IntegerLimitsAndTheFloatFallback) {
  InstallHeadlessBackend();
  TCellSpinEdit spin(nullptr);
  spin.SetValue(100);
  spin.UpClick(nullptr);
  EXPECT_EQ(spin.Value(), 100);  // the cell family's 0..100
  spin.MinValue = spin.MaxValue = 0;
  spin.UpClick(nullptr);
  EXPECT_EQ(spin.Value(), 101);  // equal limits: none
  TQnSpinEdit free(nullptr);
  free.SetValue(-5);
  EXPECT_EQ(free.Value(), -5);

  // A text that is no number falls back to the float lower limit, not the integer one.
  spin.SetSpinType(sptFloat);
  spin.MinValue = 7;
  spin.MinFloatValue = 2.5;
  spin.MaxFloatValue = 10;
  spin.SetText("abc");
  EXPECT_DOUBLE_EQ(spin.FloatValue(), 2.5);
}

TEST(SpinEdit, FloatPrecisionRefusesAThirdDecimal) {
  InstallHeadlessBackend();
  TFormats formats("dd/mm/yyyy", "hh:nn:ss");
  TCellSpinEdit spin(nullptr);
  spin.SetSpinType(sptFloat);
  spin.SetPrecision(2);
  spin.SetFloatValue(1.5);
  EXPECT_EQ(spin.Text(), "1.50");
  spin.SetSelection(4, 4);
  int beeps = Beeps();
  spin.Perform(WM_CHAR, '7');
  EXPECT_EQ(spin.Text(), "1.50");
  EXPECT_EQ(Beeps(), beeps + 1);
  spin.SetSelection(0, 0);
  spin.Perform(WM_CHAR, '2');
  EXPECT_EQ(spin.Text(), "21.50");
  EXPECT_TRUE(spin.IsValidChar(8));
  EXPECT_TRUE(spin.IsValidChar(27));
  EXPECT_FALSE(spin.IsValidChar(13));
  // The thousand separator becomes the decimal one in the cell family; the other refuses it.
  spin.SetText("3");
  spin.SetSelection(1, 1);
  spin.Perform(WM_CHAR, ',');
  EXPECT_EQ(spin.Text(), "3.");
  TQnSpinEdit other(nullptr);
  other.SetSpinType(sptFloat);
  EXPECT_FALSE(other.IsValidChar(','));
}

TEST(SpinEdit, DateStepsByThePartUnderTheCaret) {
  InstallHeadlessBackend();
  TFormats formats("dd/mm/yyyy", "hh:nn:ss");
  TCellSpinEdit spin(nullptr);
  spin.SetSpinType(sptDate);
  spin.MinDateValue = spin.MaxDateValue = 0;
  spin.SetText("0");
  EXPECT_NEAR(spin.DateValue(), Now(), 1.0 / 24);
  spin.SetText("12/05/2000");
  spin.SetSelection(4, 4);
  spin.UpClick(nullptr);
  EXPECT_EQ(spin.Text(), "12/06/2000");
  spin.SetSelection(1, 1);
  spin.UpClick(nullptr);
  EXPECT_EQ(spin.Text(), "13/06/2000");
  spin.SetSelection(8, 8);
  spin.UpClick(nullptr);
  EXPECT_EQ(spin.Text(), "13/06/2001");
  // A year step from 29 February clamps to 28 February instead of raising.
  spin.SetText("29/02/2000");
  spin.SetSelection(8, 8);
  EXPECT_NO_THROW(spin.UpClick(nullptr));
  EXPECT_EQ(spin.Text(), "28/02/2001");
  spin.SetText("29/02/2000");
  spin.SetSelection(8, 8);
  spin.DownClick(nullptr);
  EXPECT_EQ(spin.Text(), "28/02/1999");
}

TEST(SpinEdit, MonthDayOrderStillStepsDaysFirst) {
  InstallHeadlessBackend();
  TFormats formats("mm/dd/yyyy", "hh:nn:ss");
  TCellSpinEdit spin(nullptr);
  spin.SetSpinType(sptDate);
  spin.SetText("05/12/2000");
  spin.SetSelection(0, 0);
  spin.UpClick(nullptr);
  EXPECT_EQ(spin.Text(), "05/13/2000");
}

TEST(SpinEdit, TimeStepsWrapAroundMidnightBothWays) {
  InstallHeadlessBackend();
  TFormats formats("dd/mm/yyyy", "hh:nn:ss");
  TCellSpinEdit spin(nullptr);
  spin.SetSpinType(sptTime);
  spin.SetText("23:30:00");
  spin.SetSelection(0, 0);
  spin.UpClick(nullptr);
  EXPECT_EQ(spin.Text(), "00:30:00");
  // Below 00:00:00 the time wraps to the day's end instead of turning negative.
  spin.SetSelection(0, 0);
  spin.DownClick(nullptr);
  spin.SetSelection(0, 0);
  spin.DownClick(nullptr);
  EXPECT_EQ(spin.Text(), "22:30:00");
  spin.SetText("00:00:10");
  spin.SetSelection(7, 7);
  for (int i = 0; i < 11; ++i) spin.DownClick(nullptr);
  EXPECT_EQ(spin.Text(), "23:59:59");
  EXPECT_GE(spin.TimeValue(), 0.0);
}

TEST(SpinEdit, HexadecimalTextAndItsPrefix) {
  InstallHeadlessBackend();
  TQnSpinEdit spin(nullptr);
  spin.SetSpinType(sptHex);
  spin.SetText("0x1F");
  EXPECT_EQ(spin.HexValue(), 31);
  spin.SetText("0x1f");
  EXPECT_EQ(spin.HexValue(), 31);
  spin.SetText("0x1A2");
  EXPECT_EQ(spin.HexValue(), 0x1A2);
  spin.SetSelection(1, 1);
  EXPECT_FALSE(spin.IsValidChar('5'));
  spin.Perform(WM_KEYDOWN, VK_DELETE);
  EXPECT_EQ(spin.Text(), "0x1A2");
  spin.SetHexValue(255);
  EXPECT_EQ(spin.Text(), "0xFF");
  // The cell family has no hexadecimal kind.
  TCellSpinEdit cell(nullptr);
  cell.SetSpinType(sptHex);
  EXPECT_EQ(cell.SpinType(), sptNormal);
}

TEST(SpinEdit, EditorDisabledStillStepsAndReadOnlyBeeps) {
  InstallHeadlessBackend();
  TCellSpinEdit spin(nullptr);
  spin.EditorEnabled = false;
  spin.SetValue(5);
  spin.SetSelection(1, 1);
  spin.Perform(WM_CHAR, '3');
  EXPECT_EQ(spin.Text(), "5");
  spin.Perform(WM_KEYDOWN, VK_UP);
  EXPECT_EQ(spin.Value(), 6);
  Clipboard().SetAsText("9");
  spin.Perform(WM_PASTE);
  EXPECT_EQ(spin.Value(), 6);
  spin.SetReadOnly(true);
  const int beeps = Beeps();
  spin.UpClick(nullptr);
  EXPECT_EQ(spin.Value(), 6);
  EXPECT_EQ(Beeps(), beeps + 1);
}

TEST(SpinEdit, HeldButtonRepeatsAfter400AndEvery100Milliseconds) {
  InstallHeadlessBackend();
  TCellSpinEdit spin(nullptr);
  spin.SetBounds(0, 0, 80, 24);
  TQnTimerSpeedButton& up = spin.Button().UpButton();
  int clicks = 0;
  spin.Button().OnUpClick = [&clicks](TObject*) { ++clicks; };
  up.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ASSERT_NE(up.RepeatTimer(), nullptr);
  EXPECT_EQ(up.RepeatTimer()->Interval(), 400u);
  EXPECT_TRUE(up.RepeatTimer()->Enabled());
  for (int tick = 0; tick < 7; ++tick) up.TimerExpired();  // 400, 500, ... 1000 ms
  EXPECT_EQ(up.RepeatTimer()->Interval(), 100u);
  up.Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_FALSE(up.RepeatTimer()->Enabled());
  EXPECT_EQ(clicks, 7 + 1);  // the timer's clicks and the button's own
}

TEST(EditButton, SizesUnitsAndTheClipboardSwitch) {
  InstallHeadlessBackend();
  TCellEditButton button(nullptr);
  button.SetWidth(10);
  EXPECT_EQ(button.Width(), 15);

  TCellEditBtn edit(nullptr);
  EXPECT_EQ(edit.Text(), "0");
  edit.EditorEnabled = false;
  edit.SetText("kept");
  edit.SelectAll();
  Clipboard().SetAsText("pasted");
  edit.Perform(WM_PASTE);
  edit.Perform(WM_CUT);
  EXPECT_EQ(edit.Text(), "kept");
  edit.SetSelection(4, 4);
  edit.Perform(WM_CHAR, 's');
  EXPECT_EQ(edit.Text(), "kepts");
  int clicked = 0;
  edit.OnClickBtn = [&clicked](TObject*) { ++clicked; };
  edit.Perform(WM_KEYDOWN, VK_F4);
  EXPECT_EQ(clicked, 1);

  TCellUnitEditBtn unit(nullptr);
  unit.SetBounds(0, 0, 120, 24);
  EXPECT_TRUE(unit.RightAlign());
  const int right = unit.FormatRect().Right;
  unit.SetUnitSpace(40);
  EXPECT_EQ(unit.FormatRect().Right, right - 20);
  // The units menu: an empty list leaves the unit as it is; a choice takes that unit.
  unit.SetUnitID("kg");
  {
    THeadlessModalScript script;
    script.ExpectCancel(mkPopupMenu, "");
    unit.ClickButton();
  }
  EXPECT_EQ(unit.UnitID(), "kg");
  unit.Units().Add("kg");
  unit.Units().Add("lb");
  {
    THeadlessModalScript script;
    script.ExpectMenu("", "lb");
    unit.ClickButton();
  }
  EXPECT_EQ(unit.UnitID(), "lb");
}

TEST(FlatCombo, ButtonWidthColoursAndTheSimpleStyle) {
  InstallHeadlessBackend();
  TQnComboBox combo(nullptr);
  const int width = combo.ButtonWidth();
  combo.SetButtonWidth(13);
  combo.SetButtonWidth(33);
  EXPECT_EQ(combo.ButtonWidth(), width);
  combo.SetButtonWidth(14);
  EXPECT_EQ(combo.ButtonWidth(), 14);
  combo.SetButtonWidth(32);
  EXPECT_EQ(combo.ButtonWidth(), 32);

  TCustomControl parent(nullptr);
  parent.SetColor(clGray);
  combo.SetParent(&parent);
  combo.SetColor(clYellow);
  combo.SetEnabled(false);
  EXPECT_EQ(combo.Color(), clGray);
  combo.SetParentColor(true);
  combo.SetEnabled(true);
  EXPECT_EQ(combo.Color(), clYellow);
  EXPECT_FALSE(combo.ParentColor());

  // The flat button face lies right; a simple combo box gets the frame only.
  combo.SetButtonWidth(18);
  combo.SetBounds(0, 0, 100, 24);
  auto buttonFace = [&combo](TComboBoxStyle style) {
    combo.SetStyle(style);
    TBitmap image(100, 24);
    image.Canvas().Brush().SetColor(clWhite);
    image.Canvas().FillRect(Rect(0, 0, 100, 24));
    combo.DrawFlat(image.Canvas());
    const COLORREF px = image.PixelAt(83, 12);
    image.ReleaseCanvas();
    return px;
  };
  EXPECT_EQ(buttonFace(csDropDown), ColorToRGB(clBtnFace));
  EXPECT_EQ(buttonFace(csSimple), ColorToRGB(clWhite));
  combo.SetParent(nullptr);
}

}  // namespace
