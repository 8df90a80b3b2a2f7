// TCalendarPopup: a small borderless month calendar shown next to a control; the user picks a
// day with the mouse or the keyboard and the component hands back day, month and year. The
// window (TCalForm) is built at every Execute, shown modally and freed before it returns.
#pragma once

#include <array>
#include <string>

#include "platform/rtl/date_time.h"
#include "platform/ui/forms.h"

enum TShowMethod { smTop, smBottom, smDependent };
enum TStartDay { sdSunday, sdMonday, sdTuesday, sdWednesday, sdThursday, sdFriday, sdSaturday };

// The day on which week 1 begins its count.
class TYearStartAt {
public:
  int StartDay() const { return FStartDay; }
  // 1..31; another value shows "Invalid day. Should be in [1..31]" and keeps the old one.
  void SetStartDay(int value);
  int StartMonth() const { return FStartMonth; }
  void SetStartMonth(int value);

private:
  int FStartDay = 1;
  int FStartMonth = 1;
};

// Days of a month in the Gregorian calendar.
int CalendarDaysInMonth(int year, int month);
// The week number of a date, counted from the year start day.month of its year (or of the
// year before when it lies before that day). A start day past the month's length (31 April,
// 29 February of a common year) is taken as the month's last day.
int CalendarWeekNumber(TDateTime date, int startDay, int startMonth);

class TCalForm : public TForm {
public:
  explicit TCalForm(TComponent* AOwner);

  enum TView { cvDays, cvMonths };
  // The shown date; the opening date comes back on a cancel.
  void SetDate(int year, int month, int day);
  int Year() const { return FYear; }
  int Month() const { return FMonth; }
  int Day() const { return FDay; }
  TView View() const { return FView; }
  void SetView(TView view) { FView = view; Invalidate(); }

  // Set-up from the component.
  int FirstDayColumn = 7;  // 1 = Monday ... 7 = Sunday
  TColor TextColor = clBlack, SelectColor = clHighlight, InversColor = clWhite, WeekendColor = clBlack;
  std::array<std::string, 7> DayNames;     // Monday first
  std::array<std::string, 12> MonthNames;
  bool ShowWeeks = false;
  int StartDay = 1, StartMonth = 1;
  // Sizes the form from its font and the week column.
  void Layout();

  int CellWidth() const { return FCellWidth; }
  int CellHeight() const { return FCellHeight; }
  int WeekWidth() const { return FWeekWidth; }
  static constexpr int HeaderHeight = 16;
  // The top of the first row of days.
  int DaysTop() const { return HeaderHeight + FCellHeight + 3; }
  // The client rectangle of a day cell (column 0..6, row 0..5).
  TRect DayCell(int column, int row) const;
  // The day shown in a cell, and the month offset it belongs to (-1, 0, +1).
  int CellDay(int column, int row, int& monthOffset) const;

  // Moves by days or months as the keys do.
  void MoveDays(int days);
  void MoveMonths(int months);

protected:
  void Paint() override;
  void DoShow() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;

private:
  void Confirm() { SetModalResult(mrOk); }
  void Cancel();
  int FirstOffset() const;
  void PaintDays(TCanvas& c);
  void PaintMonths(TCanvas& c);
  bool OnCaption(int X, int Y) const;
  bool OnLeftArrow(int X, int Y) const;
  bool OnRightArrow(int X, int Y) const;

  int FYear = 2000, FMonth = 1, FDay = 1;
  int FOpenYear = 2000, FOpenMonth = 1, FOpenDay = 1;
  TView FView = cvDays;
  int FCellWidth = 20, FCellHeight = 17, FWeekWidth = 0;
  bool FHoverLeft = false, FHoverRight = false, FHoverCaption = false;
  bool FPressed = false;
  TPoint FPressPoint;
};

class TCalendarPopup : public TComponent {
public:
  explicit TCalendarPopup(TComponent* AOwner = nullptr);
  ~TCalendarPopup() override;

  int Day() const { return FDay; }
  void SetDay(int value) { FDay = value; }
  int Month() const { return FMonth; }
  void SetMonth(int value) { FMonth = value; }
  int Year() const { return FYear; }
  void SetYear(int value) { FYear = value; }
  void SetDate(TDateTime date);
  int CalTop() const { return FCalTop; }
  void SetCalTop(int value) { FCalTop = value; }
  int CalLeft() const { return FCalLeft; }
  void SetCalLeft(int value) { FCalLeft = value; }
  TControl* AlignControl() const { return FAlignControl; }
  void SetAlignControl(TControl* value);
  TShowMethod ShowMethod() const { return FShowMethod; }
  void SetShowMethod(TShowMethod value) { FShowMethod = value; }
  TColor Color = clBtnFace, TextColor = clBlack, SelectColor = clHighlight, InversColor = clWhite,
         WeekendColor = clBlack;
  TFont& Font() { return FFont; }
  std::array<std::string, 7>& NameofDays() { return FNameofDays; }
  std::array<std::string, 12>& NameofMonths() { return FNameofMonths; }
  bool ShowWeeks = false;
  TStartDay Firstday = sdSunday;
  TYearStartAt& YearStartAt() { return FYearStartAt; }

  // True when the user confirmed a day; Day, Month and Year hold the form's date either way.
  bool Execute();
  // The form while Execute runs (null otherwise), for tests and the x11 driver.
  TCalForm* Form() const { return FForm; }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  int FDay = 1, FMonth = 1, FYear = 2000;
  int FCalTop = 0, FCalLeft = 0;
  TControl* FAlignControl = nullptr;
  TShowMethod FShowMethod = smTop;
  TFont FFont;
  std::array<std::string, 7> FNameofDays;
  std::array<std::string, 12> FNameofMonths;
  TYearStartAt FYearStartAt;
  TCalForm* FForm = nullptr;
};
