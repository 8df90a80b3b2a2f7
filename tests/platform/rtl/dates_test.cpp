#include <gtest/gtest.h>

#include "platform/rtl/date_time.h"
#include "platform/rtl/sysutils.h"

namespace {

struct TYmd {
  int Y, M, D;
};

TYmd Ymd(TDateTime d) {
  WORD y, m, dd;
  DecodeDate(d, y, m, dd);
  return {y, m, dd};
}

std::string Iso(TDateTime d) { return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", d); }

// Today is 15 June 2026, 14:30 for every test here (the century window depends on it).
class Dates : public ::testing::Test {
protected:
  TFixedClock Clock{EncodeDate(2026, 6, 15) + EncodeTime(14, 30, 0, 0), -120};
  TFormatSettingsScope Settings{DefaultFormatSettings()};
};

}  // namespace

TEST_F(Dates, EncodeAndDecodeAroundTheEpochAndLeapYears) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(1970, 1, 1), UnixDateDelta);
  EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2);  // 2000 is a leap year
  EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1);  // 1900 is not
  for (TDateTime d = -693593; d < 2958466; d += 997) {  // 1 January 0001 to 9999
    TYmd p = Ymd(d);
    EXPECT_EQ(EncodeDate(p.Y, p.M, p.D), d) << d;
  }
  TYmd last = Ymd(EncodeDate(9999, 12, 31));
  EXPECT_EQ(last.Y, 9999);
  EXPECT_EQ(last.D, 31);
  TYmd first = Ymd(EncodeDate(1, 1, 1));
  EXPECT_EQ(first.Y, 1);
  EXPECT_EQ(first.M, 1);
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_EQ(MonthDays[1][2], 29);
  EXPECT_EQ(DaysInAMonth(2023, 2), 28);
}

TEST_F(Dates, ImpossibleDatesAndTimesRaise) {
  for (TYmd bad : {TYmd{2023, 2, 29}, TYmd{2024, 4, 31}, TYmd{2024, 13, 1}, TYmd{2024, 0, 1}, TYmd{0, 1, 1},
                   TYmd{10000, 1, 1}, TYmd{2024, 1, 0}}) {
    TDateTime d = 123;
    EXPECT_FALSE(TryEncodeDate(bad.Y, bad.M, bad.D, d));
    EXPECT_EQ(d, 123);
    try {
      EncodeDate(bad.Y, bad.M, bad.D);
      ADD_FAILURE() << bad.Y << "-" << bad.M << "-" << bad.D;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
  try {
    EncodeTime(24, 0, 0, 0);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to time encode");
  }
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 0, 0, 1000), EConvertError);
}

TEST_F(Dates, NegativeValuesKeepTheTimeAsTheAbsoluteFraction) {
  TDateTime v = ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0));
  EXPECT_DOUBLE_EQ(v, -1.25);
  EXPECT_EQ(Iso(-1.25), "1899-12-29 06:00:00.000");
  EXPECT_EQ(Iso(-0.5), "1899-12-30 12:00:00.000");
  EXPECT_EQ(Iso(-2.75), "1899-12-28 18:00:00.000");
  EXPECT_EQ(DayOfWeek(-1.25), 6);  // a Friday
  EXPECT_EQ(Iso(IncMonth(-1.25, 1)), "1900-01-29 06:00:00.000");
  EXPECT_EQ(Iso(IncMonth(2.25, -1)), "1899-12-01 06:00:00.000");
}

TEST_F(Dates, TimesRoundToTheMillisecondWithoutShowing24) {
  WORD h, n, s, ms;
  DecodeTime(EncodeTime(13, 45, 30, 250), h, n, s, ms);
  EXPECT_EQ(h, 13);
  EXPECT_EQ(n, 45);
  EXPECT_EQ(s, 30);
  EXPECT_EQ(ms, 250);
  TDateTime almost = EncodeDate(2024, 2, 28) + (MSecsPerDay - 0.2) / MSecsPerDay;
  EXPECT_EQ(Iso(almost), "2024-02-29 00:00:00.000");
  EXPECT_EQ(Iso(EncodeDate(2023, 12, 31) + 0.9999999999), "2024-01-01 00:00:00.000");
}

TEST_F(Dates, WeekdaysAndMonthSteps) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 6, 14)), 1);  // Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
  EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1)), 7);
  EXPECT_EQ(Iso(IncMonth(EncodeDate(2024, 1, 31))), "2024-02-29 00:00:00.000");
  EXPECT_EQ(Iso(IncMonth(EncodeDate(2023, 1, 31))), "2023-02-28 00:00:00.000");
  EXPECT_EQ(Iso(IncMonth(EncodeDate(2024, 3, 31) + 0.5, -1)), "2024-02-29 12:00:00.000");
  EXPECT_EQ(Iso(IncMonth(EncodeDate(2024, 11, 30), 3)), "2025-02-28 00:00:00.000");
  EXPECT_EQ(Iso(IncMonth(EncodeDate(2024, 1, 15), -13)), "2022-12-15 00:00:00.000");
  EXPECT_EQ(Iso(IncMonth(EncodeDate(2024, 5, 10), 0)), "2024-05-10 00:00:00.000");
}

TEST_F(Dates, ClockSeam) {
  EXPECT_EQ(Iso(Now()), "2026-06-15 14:30:00.000");
  EXPECT_EQ(Date(), EncodeDate(2026, 6, 15));
  EXPECT_NEAR(Time(), EncodeTime(14, 30, 0, 0), 1e-9);
  EXPECT_EQ(LocalTimeZoneBias(), -120);
  {
    TFixedClock inner(EncodeDate(2001, 1, 1));
    EXPECT_EQ(Date(), EncodeDate(2001, 1, 1));
  }
  EXPECT_EQ(Date(), EncodeDate(2026, 6, 15));
  EXPECT_EQ(UnixToDateTime(0), UnixDateDelta);
  EXPECT_EQ(DateTimeToUnix(EncodeDate(2001, 9, 9) + EncodeTime(1, 46, 40, 0)), 1000000000);
}

TEST_F(Dates, FormatDateTimeSpecifiers) {
  TDateTime v = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 45);
  EXPECT_EQ(FormatDateTime("d/m/yy", v), "5/3/24");
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy", v), "05.03.2024");
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", v), "Tue Tuesday Mar March");
  EXPECT_EQ(FormatDateTime("DDDDD", v), "3/5/2024");
  EXPECT_EQ(FormatDateTime("dddddd", v), "Tuesday, March 5, 2024");
  EXPECT_EQ(FormatDateTime("h:m:s", v), "7:8:9");          // m after h is minutes
  EXPECT_EQ(FormatDateTime("hh:mm:ss.zzz", v), "07:08:09.045");
  EXPECT_EQ(FormatDateTime("hh 'at' mm", v), "07 at 08");  // still minutes after a literal
  EXPECT_EQ(FormatDateTime("mm hh", v), "03 07");          // before the hour: the month
  EXPECT_EQ(FormatDateTime("z", v), "45");
  EXPECT_EQ(FormatDateTime("\"d\"d 'y'y", v), "d5 y24");
  EXPECT_EQ(FormatDateTime("t", v), "7:08 AM");
  EXPECT_EQ(FormatDateTime("tt", v + 0.5), "7:08:09 PM");
  EXPECT_EQ(FormatDateTime("h am/pm", v + 0.5), "7 pm");
  EXPECT_EQ(FormatDateTime("h AM/PM", v), "7 AM");
  EXPECT_EQ(FormatDateTime("hh a/p", EncodeTime(12, 0, 0, 0)), "12 p");
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(0, 30, 0, 0)), "12 AM");
  EXPECT_EQ(FormatDateTime("hh:nn", EncodeTime(0, 30, 0, 0)), "00:30");
  EXPECT_EQ(FormatDateTime("c", v), "3/5/2024 7:08:09 AM");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "3/5/2024");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "3/5/2024");
  EXPECT_EQ(TimeToStr(EncodeTime(23, 5, 0, 0)), "11:05:00 PM");
  EXPECT_EQ(DateToStr(v, "YYYY/MM/DD"), "2024/03/05");
  TFormatSettings de = DefaultFormatSettings();
  de.DateSeparator = '.';
  de.TimeSeparator = '-';
  de.ShortDateFormat = "dd/mm/yyyy";
  EXPECT_EQ(FormatDateTime("ddddd hh:nn", v, de), "05.03.2024 07-08");
  // A format that names itself through the settings ends.
  de.ShortDateFormat = "ddddd";
  EXPECT_NO_THROW(FormatDateTime("c", v, de));
}

TEST_F(Dates, ReadingDatesInTheFormatsOrder) {
  EXPECT_EQ(StrToDate("3/5/2024"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDate(" 12 / 31 / 1999 "), EncodeDate(1999, 12, 31));
  EXPECT_EQ(StrToDate("2/29/2024"), EncodeDate(2024, 2, 29));
  EXPECT_EQ(StrToDate("3/5"), EncodeDate(2026, 3, 5));  // the current year
  EXPECT_EQ(StrToDate("5.3.2024", "dd.mm.yyyy"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDate("2024/03/05", "YYYY/MM/DD"), EncodeDate(2024, 3, 5));
  TFormatSettings uk = DefaultFormatSettings();
  uk.ShortDateFormat = "dd/mm/yyyy";
  EXPECT_EQ(StrToDate("3/5/2024", uk), EncodeDate(2024, 5, 3));
  {
    TFormatSettingsScope scope(uk);
    EXPECT_EQ(StrToDate("31/12/2024"), EncodeDate(2024, 12, 31));
  }
}

TEST_F(Dates, TwoDigitYearsUseTheCenturyWindow) {
  // Today is 2026 and the window 50: two-digit years fall in 1976..2075.
  EXPECT_EQ(Ymd(StrToDate("1/1/76")).Y, 1976);
  EXPECT_EQ(Ymd(StrToDate("1/1/75")).Y, 2075);
  EXPECT_EQ(Ymd(StrToDate("1/1/99")).Y, 1999);
  EXPECT_EQ(Ymd(StrToDate("1/1/00")).Y, 2000);
  EXPECT_EQ(Ymd(StrToDate("1/1/0099")).Y, 99);  // four digits are taken as written
  TFormatSettings fs = DefaultFormatSettings();
  fs.TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(Ymd(StrToDate("1/1/99", fs)).Y, 2099);
  EXPECT_EQ(Ymd(StrToDate("1/1/5", fs)).Y, 2005);
}

TEST_F(Dates, BadDateTextRaises) {
  for (const char* bad : {"", "abc", "2/30/2024", "13/1/2024", "1/2/3/4", "1-2-2024", "1/", "1/2/", "1/2/2024x",
                          "0/1/2024", "1/1/10000"}) {
    TDateTime v = 77;
    EXPECT_FALSE(TryStrToDate(bad, v)) << bad;
    EXPECT_EQ(v, 77) << bad;
  }
  try {
    StrToDate("x");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x' is not a valid date");
  }
  EXPECT_EQ(StrToDateDef("x", 5), 5);
}

TEST_F(Dates, ReadingTimes) {
  EXPECT_DOUBLE_EQ(StrToTime("13:45"), EncodeTime(13, 45, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("1:45:30 PM"), EncodeTime(13, 45, 30, 0));
  EXPECT_DOUBLE_EQ(StrToTime("12:10 am"), EncodeTime(0, 10, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("12:10 PM"), EncodeTime(12, 10, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("7"), EncodeTime(7, 0, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("10:00:00.5"), EncodeTime(10, 0, 0, 500));
  EXPECT_DOUBLE_EQ(StrToTime("10:00:00.045"), EncodeTime(10, 0, 0, 45));
  for (const char* bad : {"", "25:00", "13:00 PM", "0 AM", "10:", "10:60", "10:00:00.", "ten"}) {
    TDateTime v = 3;
    EXPECT_FALSE(TryStrToTime(bad, v)) << bad;
  }
  try {
    StrToTime("x");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x' is not a valid time");
  }
}

TEST_F(Dates, ReadingDateAndTime) {
  EXPECT_DOUBLE_EQ(StrToDateTime("3/5/2024 1:30 PM"), EncodeDate(2024, 3, 5) + EncodeTime(13, 30, 0, 0));
  EXPECT_EQ(StrToDateTime("3/5/2024"), EncodeDate(2024, 3, 5));
  EXPECT_DOUBLE_EQ(StrToDateTime("13:30"), EncodeTime(13, 30, 0, 0));
  EXPECT_DOUBLE_EQ(StrToDateTime("12/29/1899 06:00"), -1.25);
  try {
    StrToDateTime("3/5/2024 xx");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'3/5/2024 xx' is not a valid date and time");
  }
}

TEST_F(Dates, TextRoundTrips) {
  TFormatSettings de = DefaultFormatSettings();
  de.ShortDateFormat = "dd.mm.yyyy";
  de.DateSeparator = '.';
  de.LongTimeFormat = "hh:nn:ss";
  for (TDateTime d = EncodeDate(1900, 1, 1); d < EncodeDate(2100, 1, 1); d += 89.375) {
    TDateTime whole = DateOf(d);
    EXPECT_EQ(StrToDate(DateToStr(whole)), whole);
    EXPECT_EQ(StrToDate(DateToStr(whole, de), de), whole);
    TDateTime back = StrToDateTime(DateTimeToStr(d, de), de);
    EXPECT_NEAR(back, d, 1.0 / SecsPerDay) << DateTimeToStr(d, de);
  }
}

TEST_F(Dates, YearFirstShortDateFormatOfTheProcess) {
  FormatSettings.ShortDateFormat = "YYYY/MM/DD";
  TDateTime d = EncodeDate(2024, 3, 5);
  EXPECT_EQ(DateToStr(d), "2024/03/05");
  EXPECT_EQ(StrToDate("2024/03/05"), d);
  EXPECT_EQ(StrToDate("24/3/5"), d);          // two-digit year, still year first
  EXPECT_EQ(StrToDate("3/5"), EncodeDate(2026, 3, 5));  // month and day, this year
  EXPECT_FALSE(TryStrToDate("03/05/2024", d));  // 2024 is no day
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5) + 0.75), "2024/03/05 6:00:00 PM");
}

TEST_F(Dates, ValuesOutsideTheCalendarDecodeAsZero) {
  for (TDateTime v : {-693594.0, 2958466.0, 1e300, -1e300}) {
    TYmd p = Ymd(v);
    EXPECT_EQ(p.Y, 0) << v;
    EXPECT_EQ(p.M, 0) << v;
    EXPECT_EQ(p.D, 0) << v;
  }
  EXPECT_THROW(IncMonth(1e300), EConvertError);
}
