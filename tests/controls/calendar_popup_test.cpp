// The calendar pop-up: month lengths, week numbers, the day grid and the modal window driven
// by keys and clicks on the headless backend (cells 20 × 17 with the fixed metrics).
#include <gtest/gtest.h>

#include "controls/calendar_popup.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/std_painted.h"
#include "../platform/headless/modal_script_check.h"

namespace {

using namespace HeadlessInput;

TEST(Calendar, MonthLengths) {
  EXPECT_EQ(CalendarDaysInMonth(1900, 2), 28);
  EXPECT_EQ(CalendarDaysInMonth(2000, 2), 29);
  EXPECT_EQ(CalendarDaysInMonth(2004, 2), 29);
  EXPECT_EQ(CalendarDaysInMonth(2023, 2), 28);
  EXPECT_EQ(CalendarDaysInMonth(2023, 4), 30);
  EXPECT_EQ(CalendarDaysInMonth(2023, 12), 31);
}

TEST(Calendar, WeekNumbers) {
  // 1 January 2018 was a Monday.
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2018, 1, 1), 1, 1), 1);
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2018, 1, 7), 1, 1), 1);
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2018, 1, 8), 1, 1), 2);
  // Before the start day the year before counts.
  // Before the start day the year before counts: 1 April 2017 was a Saturday, 364 days back.
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2018, 3, 31), 1, 4), (364 + 7 - 2) / 7 + 1);
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2018, 4, 2), 2, 4), 1);
}

TEST(Calendar, StartDaysPastTheMonthAreClampedNotRaised) {
  // 31 February, 31 April and 29 February of a common year start on the month's last day.
  EXPECT_NO_THROW(CalendarWeekNumber(EncodeDate(2023, 6, 1), 31, 2));
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2023, 2, 28), 31, 2), CalendarWeekNumber(EncodeDate(2023, 2, 28), 28, 2));
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2023, 5, 10), 31, 4), CalendarWeekNumber(EncodeDate(2023, 5, 10), 30, 4));
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2023, 3, 1), 29, 2), CalendarWeekNumber(EncodeDate(2023, 3, 1), 28, 2));
  EXPECT_EQ(CalendarWeekNumber(EncodeDate(2024, 3, 1), 29, 2), 1);  // 2024 has 29 February
}

TEST(Calendar, YearStartRejectsOutOfRangeValues) {
  InstallHeadlessBackend();
  TCheckedModalScript script;
  script.ExpectMessage("Invalid day. Should be in [1..31]", mrOk);
  script.ExpectMessage("Invalid month. Should be in [1..12]", mrOk);
  TYearStartAt y;
  y.SetStartDay(5);
  y.SetStartDay(32);
  y.SetStartMonth(13);
  EXPECT_EQ(y.StartDay(), 5);
  EXPECT_EQ(y.StartMonth(), 1);
}

class CalendarForm : public ::testing::Test {
protected:
  CalendarForm() : Field(nullptr) {
    InstallHeadlessBackend();
    Field.SetBevelOuter(bvNone);
    Field.SetBounds(100, 200, 120, 21);
    Field.HandleNeeded();
    Popup.SetDate(EncodeDate(2024, 1, 31));
    Popup.Firstday = sdMonday;
    Popup.SetAlignControl(&Field);
    Popup.SetShowMethod(smBottom);
  }
  // Runs Execute with `drive` acting on the shown form.
  bool Run(std::function<void(TCalForm&)> drive) {
    TCheckedModalScript script;
    script.ExpectForm("", [&](TCustomForm& f) {
      auto& cal = dynamic_cast<TCalForm&>(f);
      Seen = {cal.Left(), cal.Top(), cal.Width(), cal.Height()};
      drive(cal);
    });
    return Popup.Execute();
  }
  TPanel Field;
  TCalendarPopup Popup;
  TRect Seen;
};

TEST_F(CalendarForm, OpensBelowItsFieldWithItsSize) {
  Run([](TCalForm& f) { Key(f, VK_RETURN); });
  EXPECT_EQ(Seen.Left, 100);
  EXPECT_EQ(Seen.Top, 221);
  EXPECT_EQ(Seen.Right, 7 * 20 + 10);
  EXPECT_EQ(Seen.Bottom, 7 * 17 + 20);
  Popup.ShowWeeks = true;
  Popup.SetShowMethod(smTop);
  Run([](TCalForm& f) { Key(f, VK_ESCAPE); });
  EXPECT_EQ(Seen.Right, 8 * 20 + 10);
  EXPECT_EQ(Seen.Top, 200 - (7 * 17 + 20));
}

TEST_F(CalendarForm, KeysMoveTheDayAndMonthsKeepItWithinTheMonth) {
  EXPECT_TRUE(Run([](TCalForm& f) {
    Key(f, VK_NEXT);  // 31 January to February: its last day
    EXPECT_EQ(f.Day(), 29);
    EXPECT_EQ(f.Month(), 2);
    Key(f, VK_RIGHT);
    Key(f, VK_DOWN);
    Key(f, VK_UP);
    Key(f, VK_LEFT);
    Key(f, VK_LEFT);
    Key(f, VK_RETURN);
  }));
  EXPECT_EQ(Popup.Year(), 2024);
  EXPECT_EQ(Popup.Month(), 2);
  EXPECT_EQ(Popup.Day(), 28);
}

TEST_F(CalendarForm, EscapeGivesBackTheOpeningDate) {
  EXPECT_FALSE(Run([](TCalForm& f) {
    Key(f, VK_NEXT);
    Key(f, VK_RIGHT);
    Key(f, VK_ESCAPE);
  }));
  EXPECT_EQ(Popup.Month(), 1);
  EXPECT_EQ(Popup.Day(), 31);
  EXPECT_FALSE(Run([](TCalForm& f) {
    Key(f, VK_RIGHT);
    MouseDown(f, 30, 60, mbRight);
    MouseUp(f, 30, 60, mbRight);
  }));
  EXPECT_EQ(Popup.Day(), 31);
}

TEST_F(CalendarForm, AClickOnADayPicksItAndCellsOutsideTheMonthMoveIt) {
  // January 2024 starts on a Monday: with Monday first, the 1st is column 0 of row 0.
  EXPECT_TRUE(Run([](TCalForm& f) {
    int offset = 0;
    EXPECT_EQ(f.CellDay(0, 0, offset), 1);
    EXPECT_EQ(offset, 0);
    TRect r = f.DayCell(2, 1);  // the 10th
    Click(f, r.Left + 5, r.Top + 5);
  }));
  EXPECT_EQ(Popup.Day(), 10);
  EXPECT_EQ(Popup.Month(), 1);
  Popup.Firstday = sdSunday;  // now the 1st is column 1; column 0 is 31 December
  EXPECT_TRUE(Run([](TCalForm& f) {
    TRect r = f.DayCell(0, 0);
    Click(f, r.Left + 5, r.Top + 5);
  }));
  EXPECT_EQ(Popup.Year(), 2023);
  EXPECT_EQ(Popup.Month(), 12);
  EXPECT_EQ(Popup.Day(), 31);
}

TEST_F(CalendarForm, ArrowsCaptionAndMonthViewAndOutsideClicks) {
  EXPECT_FALSE(Run([](TCalForm& f) {
    Click(f, 10, 5);  // left arrow: December 2023
    EXPECT_EQ(f.Month(), 12);
    EXPECT_EQ(f.Year(), 2023);
    Click(f, 13 * 20 / 2 + 5, 5);  // right arrow
    Click(f, 13 * 20 / 2 + 5, 5);
    EXPECT_EQ(f.Month(), 2);
    EXPECT_EQ(f.Day(), 29);
    Click(f, 70, 5);  // the caption: month view
    EXPECT_EQ(f.View(), TCalForm::cvMonths);
    // Row 2, column 1: month 10.
    int rowHeight = (f.Height() - 16) / 4;
    Click(f, f.Width() / 4 + 3, 16 + 3 * rowHeight - 10 + 2);
    EXPECT_EQ(f.Month(), 10);
    EXPECT_EQ(f.View(), TCalForm::cvDays);
    MouseDown(f, -20, -20);  // outside: closes without OK
  }));
}

}  // namespace
