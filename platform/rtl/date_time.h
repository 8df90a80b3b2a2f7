// TDateTime: days since 30 December 1899 plus the fraction of the day. For negative values the
// absolute fraction is the time (-1.25 is 29 December 1899, 6:00).
#pragma once

#include <string>

#include "platform/rtl/format_settings.h"
#include "platform/rtl/win_types.h"

using TDateTime = double;

inline constexpr double HoursPerDay = 24;
inline constexpr double MinsPerDay = 24 * 60;
inline constexpr double SecsPerDay = 24 * 60 * 60;
inline constexpr double MSecsPerDay = 24.0 * 60 * 60 * 1000;
// Days from 1 January 0001 to 30 December 1899.
inline constexpr int DateDelta = 693594;
// TDateTime of 1 January 1970.
inline constexpr double UnixDateDelta = 25569;

// Days of each month, indexed [leap year][month 1..12]; element 0 is unused.
inline constexpr WORD MonthDays[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

bool IsLeapYear(int year);
// Days in month of year; 0 for a month outside 1..12.
int DaysInAMonth(int year, int month);

// Year 1..9999, month 1..12, day within the month; otherwise EConvertError
// "Invalid argument to date encode".
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// Hour 0..23, minute and second 0..59, millisecond 0..999; otherwise EConvertError
// "Invalid argument to time encode".
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
void DecodeDate(TDateTime date, WORD& year, WORD& month, WORD& day);
void DecodeTime(TDateTime time, WORD& hour, WORD& min, WORD& sec, WORD& msec);

// The date part (whole days) and the time part, following the negative-value rule.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);
// Date and time combined the way the class library does: date + time for dates on or after
// 30 December 1899, date - time before it.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime date);
// Moves by months, keeping the time; the day is clamped to the new month's length.
TDateTime IncMonth(TDateTime date, int months = 1);

// The local clock (or the test clock when one is installed).
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Windows-style bias of the local time zone in minutes, daylight saving included:
// UTC = local time + bias (Central Europe in summer: -120).
int LocalTimeZoneBias();
// The bias in force at a given local moment (summer and winter dates differ).
int LocalTimeZoneBiasAt(TDateTime local);

// The seam behind Now/Date/Time and the bias.
class IClock {
public:
  virtual ~IClock() = default;
  virtual TDateTime LocalNow() = 0;
  virtual int TimeZoneBias() = 0;
  virtual int TimeZoneBiasAt(TDateTime) { return TimeZoneBias(); }
};

// Installs clock (nullptr: the system clock again) and returns the previous one. Not owned.
IClock* SetClock(IClock* clock);

// A clock that stands still where a test puts it; installs itself for its lifetime.
class TFixedClock : public IClock {
public:
  explicit TFixedClock(TDateTime now, int bias = 0);
  ~TFixedClock() override;
  TFixedClock(const TFixedClock&) = delete;
  TFixedClock& operator=(const TFixedClock&) = delete;
  TDateTime LocalNow() override { return FNow; }
  int TimeZoneBias() override { return FBias; }
  void SetNow(TDateTime now) { FNow = now; }
  void SetBias(int bias) { FBias = bias; }

private:
  TDateTime FNow;
  int FBias;
  IClock* FPrevious;
};

// ---- Date text ----

// Format specifiers (any case): c, d, dd, ddd, dddd, ddddd (short date), dddddd (long date),
// m, mm, mmm, mmmm (minutes when right after an hour), yy, yyyy, h, hh, n, nn, s, ss, z, zzz,
// t (short time), tt (long time), am/pm, a/p, ampm, "/" (date separator), ":" (time separator),
// '...' and "..." literals.
std::string FormatDateTime(const std::string& format, TDateTime value);
std::string FormatDateTime(const std::string& format, TDateTime value,
                           const TFormatSettings& settings);

std::string DateToStr(TDateTime date);
std::string DateToStr(TDateTime date, const std::string& format);
std::string DateToStr(TDateTime date, const TFormatSettings& settings);
std::string TimeToStr(TDateTime time);
std::string TimeToStr(TDateTime time, const std::string& format);
std::string TimeToStr(TDateTime time, const TFormatSettings& settings);
// Date, and the long time unless the time part is zero.
std::string DateTimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// Reading: the day, month and year are taken in the order of the short date format (or the
// given format), separated by the date separator. A missing year is the current year; a year of
// one or two digits is placed in the century window. "'s' is not a valid date".
TDateTime StrToDate(const std::string& s);
TDateTime StrToDate(const std::string& s, const std::string& format);
TDateTime StrToDate(const std::string& s, const TFormatSettings& settings);
TDateTime StrToDateDef(const std::string& s, TDateTime defaultValue);
TDateTime StrToDateDef(const std::string& s, TDateTime defaultValue, const std::string& format);
bool TryStrToDate(const std::string& s, TDateTime& value);
bool TryStrToDate(const std::string& s, TDateTime& value, const std::string& format);
bool TryStrToDate(const std::string& s, TDateTime& value, const TFormatSettings& settings);

// Hours, optional minutes and seconds (and milliseconds after the decimal separator), separated
// by the time separator, with an optional AM/PM marker. "'s' is not a valid time".
TDateTime StrToTime(const std::string& s);
TDateTime StrToTime(const std::string& s, const TFormatSettings& settings);
TDateTime StrToTimeDef(const std::string& s, TDateTime defaultValue);
bool TryStrToTime(const std::string& s, TDateTime& value);
bool TryStrToTime(const std::string& s, TDateTime& value, const TFormatSettings& settings);

// A date, optionally followed by blanks and a time. "'s' is not a valid date and time".
TDateTime StrToDateTime(const std::string& s);
TDateTime StrToDateTime(const std::string& s, const std::string& dateFormat);
TDateTime StrToDateTime(const std::string& s, const TFormatSettings& settings);
TDateTime StrToDateTimeDef(const std::string& s, TDateTime defaultValue);
bool TryStrToDateTime(const std::string& s, TDateTime& value);
bool TryStrToDateTime(const std::string& s, TDateTime& value, const std::string& dateFormat);
bool TryStrToDateTime(const std::string& s, TDateTime& value, const TFormatSettings& settings);

// Conversions to and from time_t (UTC seconds) for file times and HTTP dates.
TDateTime UnixToDateTime(long long unixSeconds);
long long DateTimeToUnix(TDateTime value);
