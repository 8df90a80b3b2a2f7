#include "controls/calendar_popup.h"

#include <algorithm>
#include <memory>

#include "platform/rtl/format_settings.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

void TYearStartAt::SetStartDay(int value) {
  if (value < 1 || value > 31) {
    MessageDlg("Invalid day. Should be in [1..31]", mtError, {mbOK});
    return;
  }
  FStartDay = value;
}

void TYearStartAt::SetStartMonth(int value) {
  if (value < 1 || value > 12) {
    MessageDlg("Invalid month. Should be in [1..12]", mtError, {mbOK});
    return;
  }
  FStartMonth = value;
}

int CalendarDaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month != 2) return kDays[month - 1];
  bool leap = (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
  return leap ? 29 : 28;
}

namespace {

// The year start in a year, its day clamped to the month's length in that year.
TDateTime YearStart(int year, int startDay, int startMonth) {
  return EncodeDate(year, startMonth, std::min(startDay, CalendarDaysInMonth(year, startMonth)));
}

// 1 = Monday ... 7 = Sunday.
int WeekdayMondayFirst(TDateTime date) {
  int d = DayOfWeek(date);  // 1 = Sunday
  return d == 1 ? 7 : d - 1;
}

}  // namespace

int CalendarWeekNumber(TDateTime date, int startDay, int startMonth) {
  WORD y, m, d;
  DecodeDate(date, y, m, d);
  TDateTime start = YearStart(y, startDay, startMonth);
  if (date < start) start = YearStart(y - 1, startDay, startMonth);
  int days = static_cast<int>(static_cast<long long>(date) - static_cast<long long>(start));
  return (days + DayOfWeek(start) - 2) / 7 + 1;
}

// ---- TCalForm -----------------------------------------------------------------------------------

TCalForm::TCalForm(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsNone);
  SetBorderIcons({});
  SetBounds(0, 0, 132, 133);
  SetCursor(crArrow);
  for (int i = 0; i < 7; ++i) DayNames[static_cast<std::size_t>(i)] = FormatSettings.ShortDayNames[static_cast<std::size_t>((i + 1) % 7)].substr(0, 2);
  for (int i = 0; i < 12; ++i) MonthNames[static_cast<std::size_t>(i)] = FormatSettings.ShortMonthNames[static_cast<std::size_t>(i)].substr(0, 3);
}

void TCalForm::SetDate(int year, int month, int day) {
  FYear = year;
  FMonth = std::clamp(month, 1, 12);
  FDay = std::clamp(day, 1, CalendarDaysInMonth(FYear, FMonth));
  FOpenYear = FYear;
  FOpenMonth = FMonth;
  FOpenDay = FDay;
  Invalidate();
}

void TCalForm::Layout() {
  TCanvas& c = Canvas();
  c.Font().Assign(Font());
  // A column as wide as its widest text (a day number or a day's name) and a gap: the names,
  // drawn to their cells' right edges, stay apart.
  int widest = c.TextWidth("99");
  for (const std::string& name : DayNames) widest = std::max(widest, c.TextWidth(name));
  FCellWidth = widest + 6;
  FCellHeight = c.TextHeight("99") + 4;
  FWeekWidth = ShowWeeks ? 20 : 0;
  SetBounds(Left(), Top(), (ShowWeeks ? 8 : 7) * FCellWidth + 10, 7 * FCellHeight + 20);
}

int TCalForm::FirstOffset() const {
  int first = WeekdayMondayFirst(EncodeDate(FYear, FMonth, 1));
  return (first - FirstDayColumn + 7) % 7;
}

TRect TCalForm::DayCell(int column, int row) const {
  int right = (column + 1) * FCellWidth + FWeekWidth;
  int top = DaysTop() + row * FCellHeight;
  return Rect(right - FCellWidth, top, right, top + FCellHeight);
}

int TCalForm::CellDay(int column, int row, int& monthOffset) const {
  int day = row * 7 + column - FirstOffset() + 1;
  int days = CalendarDaysInMonth(FYear, FMonth);
  monthOffset = 0;
  if (day < 1) {
    monthOffset = -1;
    int py = FMonth == 1 ? FYear - 1 : FYear, pm = FMonth == 1 ? 12 : FMonth - 1;
    return day + CalendarDaysInMonth(py, pm);
  }
  if (day > days) {
    monthOffset = 1;
    return day - days;
  }
  return day;
}

void TCalForm::MoveDays(int days) {
  TDateTime d = EncodeDate(FYear, FMonth, FDay) + days;
  WORD y, m, dd;
  DecodeDate(d, y, m, dd);
  FYear = y;
  FMonth = m;
  FDay = dd;
  Invalidate();
}

void TCalForm::MoveMonths(int months) {
  int index = FYear * 12 + (FMonth - 1) + months;
  FYear = index / 12;
  FMonth = index % 12 + 1;
  FDay = std::min(FDay, CalendarDaysInMonth(FYear, FMonth));
  Invalidate();
}

void TCalForm::Cancel() {
  FYear = FOpenYear;
  FMonth = FOpenMonth;
  FDay = FOpenDay;
  SetModalResult(mrCancel);
}

void TCalForm::DoShow() {
  TForm::DoShow();
  SetCapture();
}

bool TCalForm::OnLeftArrow(int X, int Y) const { return X >= 6 && X <= 14 && Y >= 1 && Y <= 14; }

bool TCalForm::OnRightArrow(int X, int Y) const {
  int x0 = 13 * FCellWidth / 2;
  return X >= x0 + 1 && X <= x0 + 9 && Y >= 1 && Y <= 14;
}

bool TCalForm::OnCaption(int X, int Y) const {
  return Y >= 1 && Y <= 14 && !OnLeftArrow(X, Y) && !OnRightArrow(X, Y);
}

void TCalForm::Paint() {
  TCanvas& c = Canvas();
  c.Font().Assign(Font());
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  const int left = FWeekWidth, right = FWeekWidth + 7 * FCellWidth;
  // Caption and arrows.
  std::string caption = FView == cvDays ? MonthNames[static_cast<std::size_t>(FMonth - 1)] + " " + std::to_string(FYear)
                                        : std::to_string(FYear);
  caption = caption.substr(0, 12);
  c.Brush().SetStyle(bsClear);
  c.Font().SetColor(FHoverCaption ? SelectColor : TextColor);
  int tw = c.TextWidth(caption);
  c.TextOut(left + (right - left - tw) / 2, 1, caption);
  auto arrow = [&](int x, bool pointsLeft, bool hover) {
    TColor color = hover ? SelectColor : TextColor;
    c.Pen().SetColor(color);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(color);
    if (pointsLeft) c.Polygon({{x, 7}, {x + 5, 2}, {x + 5, 12}});
    else c.Polygon({{x + 5, 7}, {x, 2}, {x, 12}});
    c.Brush().SetStyle(bsClear);
  };
  arrow(8, true, FHoverLeft);
  arrow(13 * FCellWidth / 2 + 3, false, FHoverRight);
  if (FView == cvDays) PaintDays(c);
  else PaintMonths(c);
}

void TCalForm::PaintDays(TCanvas& c) {
  const int nameTop = HeaderHeight;
  for (int col = 0; col < 7; ++col) {
    int weekday = (FirstDayColumn - 1 + col) % 7;  // 0 = Monday
    const std::string& name = DayNames[static_cast<std::size_t>(weekday)];
    TRect r = Rect(col * FCellWidth + FWeekWidth, nameTop, (col + 1) * FCellWidth + FWeekWidth, nameTop + FCellHeight);
    c.Font().SetColor(weekday >= 5 ? WeekendColor : TextColor);
    c.DrawText(name, r, DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  TRect line = Rect(2, nameTop + FCellHeight + 1, Width() - 2, nameTop + FCellHeight + 3);
  c.DrawEdge(line, BDR_SUNKENOUTER, BF_TOP | BF_BOTTOM);
  WORD ty, tm, td;
  DecodeDate(Date(), ty, tm, td);
  for (int row = 0; row < 6; ++row) {
    for (int col = 0; col < 7; ++col) {
      int offset = 0;
      int day = CellDay(col, row, offset);
      TRect r = DayCell(col, row);
      int weekday = (FirstDayColumn - 1 + col) % 7;
      bool selected = offset == 0 && day == FDay;
      if (selected) {
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(SelectColor);
        c.FillRect(r);
        c.Brush().SetStyle(bsClear);
        c.Font().SetColor(InversColor);
      } else if (offset != 0) {
        c.Font().SetColor(InversColor);
      } else {
        c.Font().SetColor(weekday >= 5 ? WeekendColor : TextColor);
      }
      TRect t = r;
      t.Right -= 2;
      c.DrawText(std::to_string(day), t, DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      if (offset == 0 && FYear == ty && FMonth == tm && day == td) {
        c.Pen().SetColor(RGB(128, 128, 128));
        c.MoveTo(r.Left + 3, r.Bottom - 1);
        c.LineTo(r.Right - 2, r.Bottom - 1);
      }
    }
  }
  if (ShowWeeks) {
    c.Pen().SetColor(TextColor);
    c.MoveTo(18, DaysTop());
    c.LineTo(18, DaysTop() + 6 * FCellHeight);
    int first = CalendarWeekNumber(EncodeDate(FYear, FMonth, 1), StartDay, StartMonth);
    c.Font().SetColor(TextColor);
    for (int row = 0; row < 6; ++row) {
      int week = first + row;
      if (week >= 54) week = 1;
      c.TextOut(2, DaysTop() + row * FCellHeight + 2, std::to_string(week));
    }
  }
}

void TCalForm::PaintMonths(TCanvas& c) {
  c.Font().SetColor(TextColor);
  const std::string title = "Select month";
  c.TextOut((Width() - c.TextWidth(title)) / 2, HeaderHeight, title);
  int colWidth = Width() / 4;
  int rowHeight = (Height() - HeaderHeight) / 4;
  for (int m = 0; m < 12; ++m) {
    int row = m / 4, col = m % 4;
    std::string name = MonthNames[static_cast<std::size_t>(m)];
    for (std::size_t i = 0; i < name.size(); ++i)
      name[i] = static_cast<char>(i == 0 ? std::toupper(static_cast<unsigned char>(name[i]))
                                         : std::tolower(static_cast<unsigned char>(name[i])));
    TRect r = Rect(col * colWidth, HeaderHeight + (row + 1) * rowHeight - 10, (col + 1) * colWidth,
                   HeaderHeight + (row + 1) * rowHeight - 10 + FCellHeight);
    if (m + 1 == FMonth) {
      c.Brush().SetStyle(bsSolid);
      c.Brush().SetColor(SelectColor);
      c.FillRect(r);
      c.Brush().SetStyle(bsClear);
      c.Font().SetColor(InversColor);
    } else {
      c.Font().SetColor(TextColor);
    }
    c.DrawText(name, r, DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

void TCalForm::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TForm::MouseDown(Button, Shift, X, Y);
  FPressed = false;
  if (Button != mbLeft) return;
  if (X < 0 || Y < 0 || X >= Width() || Y >= Height() - 4) {
    ReleaseCapture();
    SetModalResult(mrCancel);
    return;
  }
  if (OnLeftArrow(X, Y)) {
    if (FView == cvDays) MoveMonths(-1);
    else FYear -= 1;
    Invalidate();
  } else if (OnRightArrow(X, Y)) {
    if (FView == cvDays) MoveMonths(1);
    else FYear += 1;
    Invalidate();
  } else if (OnCaption(X, Y)) {
    SetView(FView == cvDays ? cvMonths : cvDays);
  } else if (FView == cvMonths) {
    if (Y > HeaderHeight + 12) {
      int col = std::clamp(X / std::max(1, Width() / 4), 0, 3);
      int row = std::max(0, (Y - HeaderHeight + 10) / std::max(1, (Height() - HeaderHeight) / 4) - 1);
      int month = col + 1 + 4 * row;
      if (month > 12) month -= 4;
      FMonth = month;
      FDay = std::min(FDay, CalendarDaysInMonth(FYear, FMonth));
      SetView(cvDays);
    }
  } else if (Y >= DaysTop() && X >= FWeekWidth) {
    int col = (X - FWeekWidth) / FCellWidth, row = (Y - DaysTop()) / FCellHeight;
    if (col <= 6 && row <= 5) {
      int offset = 0;
      int day = CellDay(col, row, offset);
      if (offset != 0) MoveMonths(offset);
      FDay = day;
      FPressed = true;
      FPressPoint = {X, Y};
      Invalidate();
    }
  }
}

void TCalForm::MouseMove(TShiftState Shift, int X, int Y) {
  TForm::MouseMove(Shift, X, Y);
  bool left = OnLeftArrow(X, Y), right = OnRightArrow(X, Y), caption = OnCaption(X, Y);
  if (left != FHoverLeft || right != FHoverRight || caption != FHoverCaption) {
    FHoverLeft = left;
    FHoverRight = right;
    FHoverCaption = caption;
    Invalidate();
  }
}

void TCalForm::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TForm::MouseUp(Button, Shift, X, Y);
  if (Button == mbRight) {
    Cancel();
    return;
  }
  if (FPressed && std::abs(X - FPressPoint.X) <= 4 && std::abs(Y - FPressPoint.Y) <= 4) {
    Confirm();
    return;
  }
  if (ModalResult() == mrNone) SetCapture();
}

void TCalForm::KeyDown(WORD& Key, TShiftState Shift) {
  TForm::KeyDown(Key, Shift);
  switch (Key) {
    case VK_LEFT: MoveDays(-1); break;
    case VK_RIGHT: MoveDays(1); break;
    case VK_UP: if (FView == cvDays) MoveDays(-7); break;
    case VK_DOWN: if (FView == cvDays) MoveDays(7); break;
    case VK_PRIOR: MoveMonths(-1); break;
    case VK_NEXT: MoveMonths(1); break;
    case VK_SPACE: SetView(FView == cvDays ? cvMonths : cvDays); break;
    case VK_RETURN: Confirm(); break;
    case VK_ESCAPE: Cancel(); break;
    default: return;
  }
  Key = 0;
}

// ---- TCalendarPopup ---------------------------------------------------------------------------

TCalendarPopup::TCalendarPopup(TComponent* AOwner) : TComponent(AOwner) {
  SetDate(Date());
  for (int i = 0; i < 7; ++i)
    FNameofDays[static_cast<std::size_t>(i)] = FormatSettings.ShortDayNames[static_cast<std::size_t>((i + 1) % 7)].substr(0, 2);
  for (int i = 0; i < 12; ++i)
    FNameofMonths[static_cast<std::size_t>(i)] = FormatSettings.ShortMonthNames[static_cast<std::size_t>(i)].substr(0, 3);
}

TCalendarPopup::~TCalendarPopup() {
  if (FAlignControl) FAlignControl->RemoveFreeNotification(this);
}

void TCalendarPopup::SetDate(TDateTime date) {
  WORD y, m, d;
  DecodeDate(date, y, m, d);
  FYear = y;
  FMonth = m;
  FDay = d;
}

void TCalendarPopup::SetAlignControl(TControl* value) {
  if (FAlignControl) FAlignControl->RemoveFreeNotification(this);
  FAlignControl = value;
  if (value) value->FreeNotification(this);
}

void TCalendarPopup::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FAlignControl) FAlignControl = nullptr;
}

bool TCalendarPopup::Execute() {
  auto form = std::make_unique<TCalForm>(nullptr);
  form->Font().Assign(FFont);
  form->DayNames = FNameofDays;
  form->MonthNames = FNameofMonths;
  form->SetDate(FYear, FMonth, FDay);
  form->FirstDayColumn = Firstday == sdSunday ? 7 : static_cast<int>(Firstday);
  form->TextColor = TextColor;
  form->SelectColor = SelectColor;
  form->InversColor = InversColor;
  form->WeekendColor = WeekendColor;
  form->SetColor(Color);
  form->ShowWeeks = ShowWeeks;
  form->StartDay = FYearStartAt.StartDay();
  form->StartMonth = FYearStartAt.StartMonth();
  form->Layout();
  int left = FCalLeft, top = FCalTop;
  if (FAlignControl) {
    TPoint p = FAlignControl->Parent() ? FAlignControl->Parent()->ClientToScreen({FAlignControl->Left(), FAlignControl->Top()})
                                       : TPoint{FAlignControl->Left(), FAlignControl->Top()};
    left = p.X;
    int above = p.Y - form->Height(), below = p.Y + FAlignControl->Height();
    if (FShowMethod == smTop) top = above;
    else if (FShowMethod == smBottom) top = below;
    else top = below + form->Height() <= Screen().Height() ? below : above;
  }
  form->SetBounds(left, top, form->Width(), form->Height());
  FForm = form.get();
  bool ok = false;
  try {
    ok = form->ShowModal() == mrOk;
  } catch (...) {
    FForm = nullptr;
    throw;
  }
  FForm = nullptr;
  FYear = form->Year();
  FMonth = form->Month();
  FDay = form->Day();
  return ok;
}
