// The separators, date and time formats and names that the conversion routines use.
// One settable object with fixed defaults; nothing is read from the Linux locale.
#pragma once

#include <array>
#include <string>

struct TFormatSettings {
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char ListSeparator = ',';
  std::string CurrencyString = "$";
  int CurrencyFormat = 0;     // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  int NegCurrFormat = 0;      // 0 "($1)", 1 "-$1", ... as the class library numbers them (0..15)
  int CurrencyDecimals = 2;
  std::string ShortDateFormat = "m/d/yyyy";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "h:nn AMPM";
  std::string LongTimeFormat = "h:nn:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  // Index 0 is Sunday.
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  int TwoDigitYearCenturyWindow = 50;
};

// The process's settings, read by every routine that is not given settings of its own.
extern TFormatSettings FormatSettings;

// The fixed defaults (a fresh TFormatSettings).
TFormatSettings DefaultFormatSettings();

// Sets FormatSettings for a scope and puts the previous values back at its end (tests).
class TFormatSettingsScope {
public:
  TFormatSettingsScope() : FSaved(FormatSettings) {}
  explicit TFormatSettingsScope(const TFormatSettings& settings) : FSaved(FormatSettings) {
    FormatSettings = settings;
  }
  ~TFormatSettingsScope() { FormatSettings = FSaved; }
  TFormatSettingsScope(const TFormatSettingsScope&) = delete;
  TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

private:
  TFormatSettings FSaved;
};
