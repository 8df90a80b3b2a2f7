#include "platform/rtl/date_time.h"

#include <cmath>
#include <ctime>

#include "platform/rtl/sysutils.h"

// ---- Calendar ----

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return MonthDays[IsLeapYear(year) ? 1 : 0][month];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInAMonth(year, month)) return false;
  const WORD* days = MonthDays[IsLeapYear(year) ? 1 : 0];
  for (int m = 1; m < month; ++m) day += days[m];
  int y = year - 1;
  date = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + day - DateDelta);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
    return false;
  time = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

namespace {

// Whole days (truncated toward zero, the date part of both signs) and the milliseconds of the
// day from the absolute fraction. A fraction that rounds up to a whole day moves to the next day
// in the value's direction, so 23:59:59.9996 never shows as 24:00.
void SplitDateTime(TDateTime value, long long& days, long long& msOfDay) {
  if (!(std::fabs(value) < 1e9)) {  // NaN, infinite or far beyond 9999: no date at all
    days = -1000000000;
    msOfDay = 0;
    return;
  }
  double whole = std::trunc(value);
  days = static_cast<long long>(whole);
  msOfDay = static_cast<long long>(std::llround(std::fabs(value - whole) * MSecsPerDay));
  if (msOfDay >= static_cast<long long>(MSecsPerDay)) {
    msOfDay = 0;
    days += value < 0 ? -1 : 1;
  }
}

void DecodeDays(long long days, WORD& year, WORD& month, WORD& day) {
  long long t = days + DateDelta - 1;  // days since 1 January 0001
  if (t < 0 || t >= 3652059) {    // before 0001-01-01 or after 9999-12-31
    year = month = day = 0;
    return;
  }
  constexpr long long D1 = 365, D4 = 1461, D100 = 36524, D400 = 146097;
  long long y = 1;
  y += (t / D400) * 400;
  t %= D400;
  long long i = t / D100, d = t % D100;
  if (i == 4) {
    --i;
    d += D100;
  }
  y += i * 100;
  y += (d / D4) * 4;
  d %= D4;
  i = d / D1;
  d %= D1;
  if (i == 4) {
    --i;
    d += D1;
  }
  y += i;
  const WORD* table = MonthDays[IsLeapYear(static_cast<int>(y)) ? 1 : 0];
  int m = 1;
  while (d >= table[m]) {
    d -= table[m];
    ++m;
  }
  year = static_cast<WORD>(y);
  month = static_cast<WORD>(m);
  day = static_cast<WORD>(d + 1);
}

void DecodeMs(long long ms, WORD& hour, WORD& min, WORD& sec, WORD& msec) {
  hour = static_cast<WORD>(ms / 3600000);
  min = static_cast<WORD>(ms / 60000 % 60);
  sec = static_cast<WORD>(ms / 1000 % 60);
  msec = static_cast<WORD>(ms % 1000);
}

}  // namespace

void DecodeDate(TDateTime date, WORD& year, WORD& month, WORD& day) {
  long long days, ms;
  SplitDateTime(date, days, ms);
  DecodeDays(days, year, month, day);
}

void DecodeTime(TDateTime time, WORD& hour, WORD& min, WORD& sec, WORD& msec) {
  long long days, ms;
  SplitDateTime(time, days, ms);
  DecodeMs(ms, hour, min, sec, msec);
}

TDateTime DateOf(TDateTime value) { return std::trunc(value); }

TDateTime TimeOf(TDateTime value) { return std::fabs(value - std::trunc(value)); }

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  double t = TimeOf(time);
  return date < 0 ? date - t : date + t;
}

int DayOfWeek(TDateTime date) {
  long long days, ms;
  SplitDateTime(date, days, ms);
  long long r = (days + DateDelta) % 7;
  if (r < 0) r += 7;
  return static_cast<int>(r) + 1;
}

TDateTime IncMonth(TDateTime date, int months) {
  WORD y, m, d;
  DecodeDate(date, y, m, d);
  long long total = static_cast<long long>(y) * 12 + (m - 1) + months;
  int year = static_cast<int>(total / 12), month = static_cast<int>(total % 12) + 1;
  int day = d;
  int last = DaysInAMonth(year, month);
  if (day > last) day = last;
  return ComposeDateTime(EncodeDate(year, month, day), date);
}

// ---- Clock ----

namespace {

class TSystemClock : public IClock {
public:
  TDateTime LocalNow() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    TDateTime date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    int sec = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
    TDateTime time = EncodeTime(local.tm_hour, local.tm_min, sec, static_cast<int>(ts.tv_nsec / 1000000));
    return date + time;
  }
  int TimeZoneBias() override {
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return static_cast<int>(-local.tm_gmtoff / 60);
  }
  int TimeZoneBiasAt(TDateTime moment) override {
    WORD year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    DecodeDate(moment, year, month, day);
    DecodeTime(moment, hour, minute, second, ms);
    if (year <= 1900) return TimeZoneBias();
    tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;  // let the zone's rules say whether daylight saving is in force
    if (mktime(&local) == static_cast<time_t>(-1)) return TimeZoneBias();
    return static_cast<int>(-local.tm_gmtoff / 60);
  }
};

TSystemClock gSystemClock;
IClock* gClock = &gSystemClock;

}  // namespace

IClock* SetClock(IClock* clock) {
  IClock* previous = gClock;
  gClock = clock ? clock : &gSystemClock;
  return previous;
}

TFixedClock::TFixedClock(TDateTime now, int bias) : FNow(now), FBias(bias), FPrevious(SetClock(this)) {}

TFixedClock::~TFixedClock() { SetClock(FPrevious); }

TDateTime Now() { return gClock->LocalNow(); }
TDateTime Date() { return DateOf(Now()); }
TDateTime Time() { return TimeOf(Now()); }
int LocalTimeZoneBias() { return gClock->TimeZoneBias(); }
int LocalTimeZoneBiasAt(TDateTime local) { return gClock->TimeZoneBiasAt(local); }

TDateTime UnixToDateTime(long long unixSeconds) {
  return UnixDateDelta + static_cast<double>(unixSeconds) / SecsPerDay;
}

long long DateTimeToUnix(TDateTime value) {
  return std::llround((value - UnixDateDelta) * SecsPerDay);
}

// ---- FormatDateTime ----

namespace {

char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool StartsWithNoCase(const std::string& s, std::size_t at, const char* word) {
  for (std::size_t k = 0; word[k]; ++k)
    if (at + k >= s.size() || Up(s[at + k]) != Up(word[k])) return false;
  return true;
}

std::string Pad2(int v) { return v < 10 ? "0" + std::to_string(v) : std::to_string(v); }

// Whether an am/pm marker follows before the next hour specifier (12-hour clock).
bool HasAmPmAhead(const std::string& f, std::size_t from) {
  char quote = 0;
  for (std::size_t i = from; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') quote = c;
    else if (Up(c) == 'H') return false;
    else if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") || StartsWithNoCase(f, i, "ampm"))
      return true;
  }
  return false;
}

struct TParts {
  long long Days;
  WORD Year, Month, Day, Hour, Min, Sec, MSec;
  int WeekDay;  // 0 = Sunday
  bool HasTime;
};

void AppendFormatted(std::string& out, const std::string& f, const TParts& p, const TFormatSettings& fs,
                     int depth) {
  if (depth > 2) return;  // "c", "ddddd" and "t" formats may name each other; stop loops
  char lastToken = ' ';
  std::size_t i = 0;
  const std::size_t n = f.size();
  auto run = [&](char letter) {
    std::size_t count = 0;
    while (i < n && Up(f[i]) == letter) {
      ++count;
      ++i;
    }
    return count;
  };
  while (i < n) {
    char c = f[i];
    char token = Up(c);
    if (token >= 'A' && token <= 'Z') {
      if (token == 'M' && lastToken == 'H') token = 'N';
      lastToken = token;
    }
    switch (token) {
      case '"':
      case '\'': {
        std::size_t end = f.find(c, i + 1);
        if (end == std::string::npos) end = n;
        out.append(f, i + 1, end - i - 1);
        i = end < n ? end + 1 : n;
        break;
      }
      case 'C':
        ++i;
        AppendFormatted(out, fs.ShortDateFormat, p, fs, depth + 1);
        if (p.HasTime) {
          out += ' ';
          AppendFormatted(out, fs.LongTimeFormat, p, fs, depth + 1);
        }
        break;
      case 'D': {
        std::size_t count = run('D');
        switch (count) {
          case 1: out += std::to_string(p.Day); break;
          case 2: out += Pad2(p.Day); break;
          case 3: out += fs.ShortDayNames[static_cast<std::size_t>(p.WeekDay)]; break;
          case 4: out += fs.LongDayNames[static_cast<std::size_t>(p.WeekDay)]; break;
          case 5: AppendFormatted(out, fs.ShortDateFormat, p, fs, depth + 1); break;
          default: AppendFormatted(out, fs.LongDateFormat, p, fs, depth + 1); break;
        }
        break;
      }
      case 'Y': {
        std::size_t count = run('Y');
        if (count <= 2) out += Pad2(p.Year % 100);
        else {
          std::string y = std::to_string(p.Year);
          if (y.size() < 4) y.insert(0, 4 - y.size(), '0');
          out += y;
        }
        break;
      }
      case 'M': {
        std::size_t count = run('M');
        if (p.Month < 1) {
          out += count >= 3 ? "" : std::string(count, '0');
          break;
        }
        switch (count) {
          case 1: out += std::to_string(p.Month); break;
          case 2: out += Pad2(p.Month); break;
          case 3: out += fs.ShortMonthNames[p.Month - 1u]; break;
          default: out += fs.LongMonthNames[p.Month - 1u]; break;
        }
        break;
      }
      case 'H': {
        std::size_t start = i;
        std::size_t count = run('H');
        bool use12 = HasAmPmAhead(f, start + count);
        int h = p.Hour;
        if (use12) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += count == 1 ? std::to_string(h) : Pad2(h);
        break;
      }
      case 'N': {
        // "m" right after an hour counts as minutes, as its own letter run.
        std::size_t count = run(Up(c));
        out += count == 1 ? std::to_string(p.Min) : Pad2(p.Min);
        break;
      }
      case 'S': {
        std::size_t count = run('S');
        out += count == 1 ? std::to_string(p.Sec) : Pad2(p.Sec);
        break;
      }
      case 'Z': {
        std::size_t count = run('Z');
        std::string ms = std::to_string(p.MSec);
        if (count >= 3 && ms.size() < 3) ms.insert(0, 3 - ms.size(), '0');
        out += ms;
        break;
      }
      case 'T': {
        std::size_t count = run('T');
        AppendFormatted(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, fs, depth + 1);
        break;
      }
      case 'A': {
        bool pm = p.Hour >= 12;
        if (StartsWithNoCase(f, i, "am/pm")) {
          std::string word = f.substr(pm ? i + 3 : i, 2);
          out += word;
          i += 5;
        } else if (StartsWithNoCase(f, i, "a/p")) {
          out += f[pm ? i + 2 : i];
          i += 3;
        } else if (StartsWithNoCase(f, i, "ampm")) {
          out += pm ? fs.TimePMString : fs.TimeAMString;
          i += 4;
        } else {
          out += c;
          ++i;
        }
        break;
      }
      case '/':
        out += fs.DateSeparator;
        ++i;
        break;
      case ':':
        out += fs.TimeSeparator;
        ++i;
        break;
      default:
        out += c;
        ++i;
        break;
    }
  }
}

TParts PartsOf(TDateTime value) {
  TParts p{};
  long long ms;
  SplitDateTime(value, p.Days, ms);
  DecodeDays(p.Days, p.Year, p.Month, p.Day);
  DecodeMs(ms, p.Hour, p.Min, p.Sec, p.MSec);
  long long wd = (p.Days + DateDelta) % 7;
  p.WeekDay = static_cast<int>(wd < 0 ? wd + 7 : wd);
  p.HasTime = ms != 0;
  return p;
}

}  // namespace

std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& fs) {
  std::string out;
  AppendFormatted(out, format.empty() ? std::string("c") : format, PartsOf(value), fs, 0);
  return out;
}

std::string FormatDateTime(const std::string& format, TDateTime value) {
  return FormatDateTime(format, value, FormatSettings);
}

std::string DateToStr(TDateTime date, const TFormatSettings& fs) { return FormatDateTime("ddddd", date, fs); }
std::string DateToStr(TDateTime date) { return DateToStr(date, FormatSettings); }
std::string DateToStr(TDateTime date, const std::string& format) {
  return FormatDateTime(format, date, FormatSettings);
}
std::string TimeToStr(TDateTime time, const TFormatSettings& fs) { return FormatDateTime("tt", time, fs); }
std::string TimeToStr(TDateTime time) { return TimeToStr(time, FormatSettings); }
std::string TimeToStr(TDateTime time, const std::string& format) {
  return FormatDateTime(format, time, FormatSettings);
}
std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime("c", value, fs); }
std::string DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings); }

// ---- Reading dates and times ----

namespace {

struct TDateLayout {
  char Order[3];   // 'D', 'M', 'Y' in the order of the format
  char Separator;
};

TDateLayout LayoutOf(const std::string& format, const TFormatSettings& fs) {
  TDateLayout layout{{0, 0, 0}, fs.DateSeparator};
  int found = 0;
  bool separatorSeen = false;
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      continue;
    }
    char u = Up(c);
    if (u == 'D' || u == 'M' || u == 'Y') {
      bool seen = false;
      for (int k = 0; k < found; ++k) seen = seen || layout.Order[k] == u;
      if (!seen && found < 3) layout.Order[found++] = u;
    } else if (found > 0 && !separatorSeen && c != ' ') {
      layout.Separator = c == '/' ? fs.DateSeparator : c;
      separatorSeen = true;
    }
  }
  // Fill what the format leaves out in the month, day, year order.
  for (char u : {'M', 'D', 'Y'}) {
    bool seen = false;
    for (int k = 0; k < found; ++k) seen = seen || layout.Order[k] == u;
    if (!seen) layout.Order[found++] = u;
  }
  return layout;
}

void SkipBlanks(const std::string& s, std::size_t& i) {
  while (i < s.size() && s[i] == ' ') ++i;
}

// Up to 9 digits; false when there is none.
bool ScanNumber(const std::string& s, std::size_t& i, int& value, int& digits) {
  SkipBlanks(s, i);
  value = 0;
  digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    if (digits == 9) return false;
    value = value * 10 + (s[i] - '0');
    ++digits;
    ++i;
  }
  return digits > 0;
}

bool ScanChar(const std::string& s, std::size_t& i, char c) {
  SkipBlanks(s, i);
  if (i < s.size() && s[i] == c) {
    ++i;
    return true;
  }
  return false;
}

bool ScanDate(const std::string& s, std::size_t& i, const TDateLayout& layout, const TFormatSettings& fs,
              TDateTime& date) {
  int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
  if (!ScanNumber(s, i, n[0], digits[0]) || !ScanChar(s, i, layout.Separator) ||
      !ScanNumber(s, i, n[1], digits[1]))
    return false;
  int count = 2;
  std::size_t save = i;
  if (ScanChar(s, i, layout.Separator)) {
    if (!ScanNumber(s, i, n[2], digits[2])) return false;
    count = 3;
  } else {
    i = save;
  }
  int day = 0, month = 0, year = -1, yearDigits = 0;
  if (count == 3) {
    for (int k = 0; k < 3; ++k) {
      if (layout.Order[k] == 'D') day = n[k];
      else if (layout.Order[k] == 'M') month = n[k];
      else {
        year = n[k];
        yearDigits = digits[k];
      }
    }
  } else {
    // Two numbers: day and month in the format's order, the year is the current one.
    int k = 0;
    for (char u : layout.Order) {
      if (u == 'Y') continue;
      (u == 'D' ? day : month) = n[k++];
    }
  }
  WORD cy, cm, cd;
  DecodeDate(Date(), cy, cm, cd);
  if (year < 0) {
    year = cy;
  } else if (yearDigits <= 2) {
    int window = fs.TwoDigitYearCenturyWindow;
    int threshold = cy - window;
    year += (threshold / 100) * 100;
    if (window > 0 && year < threshold) year += 100;
  }
  return TryEncodeDate(year, month, day, date);
}

bool ScanAmPm(const std::string& s, std::size_t& i, const TFormatSettings& fs, int& base) {
  SkipBlanks(s, i);
  for (int pm = 0; pm < 2; ++pm) {
    for (const std::string& word : {pm ? fs.TimePMString : fs.TimeAMString, std::string(pm ? "PM" : "AM")}) {
      if (!word.empty() && StartsWithNoCase(s, i, word.c_str())) {
        i += word.size();
        base = pm ? 12 : 0;
        return true;
      }
    }
  }
  return false;
}

bool ScanTime(const std::string& s, std::size_t& i, const TFormatSettings& fs, TDateTime& time) {
  int base = -1;
  ScanAmPm(s, i, fs, base);  // a marker may also stand in front
  int hour, min = 0, sec = 0, msec = 0, digits;
  if (!ScanNumber(s, i, hour, digits)) return false;
  if (ScanChar(s, i, fs.TimeSeparator)) {
    if (!ScanNumber(s, i, min, digits)) return false;
    if (ScanChar(s, i, fs.TimeSeparator)) {
      if (!ScanNumber(s, i, sec, digits)) return false;
      if (i < s.size() && s[i] == fs.DecimalSeparator) {
        ++i;
        // The digits after the separator are a fraction of the second.
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
        int scale = 100;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
          msec += (s[i] - '0') * scale;
          scale /= 10;
          ++i;
        }
      }
    }
  }
  if (base < 0) ScanAmPm(s, i, fs, base);
  if (base >= 0) {
    if (hour < 1 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += base;
  }
  return TryEncodeTime(hour, min, sec, msec, time);
}

bool AtEnd(const std::string& s, std::size_t i) {
  SkipBlanks(s, i);
  return i == s.size();
}

bool TryDate(const std::string& s, TDateTime& value, const std::string& format, const TFormatSettings& fs) {
  std::size_t i = 0;
  TDateTime d;
  if (!ScanDate(s, i, LayoutOf(format, fs), fs, d) || !AtEnd(s, i)) return false;
  value = d;
  return true;
}

bool TryTime(const std::string& s, TDateTime& value, const TFormatSettings& fs) {
  std::size_t i = 0;
  TDateTime t;
  if (!ScanTime(s, i, fs, t) || !AtEnd(s, i)) return false;
  value = t;
  return true;
}

bool TryDateTime(const std::string& s, TDateTime& value, const std::string& format, const TFormatSettings& fs) {
  std::size_t i = 0;
  TDateTime d, t = 0;
  if (ScanDate(s, i, LayoutOf(format, fs), fs, d)) {
    if (!AtEnd(s, i)) {
      if (!ScanTime(s, i, fs, t) || !AtEnd(s, i)) return false;
    }
    value = ComposeDateTime(d, t);
    return true;
  }
  return TryTime(s, value, fs);
}

}  // namespace

bool TryStrToDate(const std::string& s, TDateTime& value, const TFormatSettings& fs) {
  return TryDate(s, value, fs.ShortDateFormat, fs);
}
bool TryStrToDate(const std::string& s, TDateTime& value, const std::string& format) {
  return TryDate(s, value, format, FormatSettings);
}
bool TryStrToDate(const std::string& s, TDateTime& value) { return TryStrToDate(s, value, FormatSettings); }

TDateTime StrToDate(const std::string& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDate(s, v, fs)) throw EConvertError("'" + s + "' is not a valid date");
  return v;
}
TDateTime StrToDate(const std::string& s, const std::string& format) {
  TDateTime v;
  if (!TryStrToDate(s, v, format)) throw EConvertError("'" + s + "' is not a valid date");
  return v;
}
TDateTime StrToDate(const std::string& s) { return StrToDate(s, FormatSettings); }

TDateTime StrToDateDef(const std::string& s, TDateTime defaultValue) {
  TDateTime v;
  return TryStrToDate(s, v) ? v : defaultValue;
}
TDateTime StrToDateDef(const std::string& s, TDateTime defaultValue, const std::string& format) {
  TDateTime v;
  return TryStrToDate(s, v, format) ? v : defaultValue;
}

bool TryStrToTime(const std::string& s, TDateTime& value, const TFormatSettings& fs) { return TryTime(s, value, fs); }
bool TryStrToTime(const std::string& s, TDateTime& value) { return TryTime(s, value, FormatSettings); }

TDateTime StrToTime(const std::string& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryTime(s, v, fs)) throw EConvertError("'" + s + "' is not a valid time");
  return v;
}
TDateTime StrToTime(const std::string& s) { return StrToTime(s, FormatSettings); }
TDateTime StrToTimeDef(const std::string& s, TDateTime defaultValue) {
  TDateTime v;
  return TryTime(s, v, FormatSettings) ? v : defaultValue;
}

bool TryStrToDateTime(const std::string& s, TDateTime& value, const TFormatSettings& fs) {
  return TryDateTime(s, value, fs.ShortDateFormat, fs);
}
bool TryStrToDateTime(const std::string& s, TDateTime& value, const std::string& dateFormat) {
  return TryDateTime(s, value, dateFormat, FormatSettings);
}
bool TryStrToDateTime(const std::string& s, TDateTime& value) { return TryStrToDateTime(s, value, FormatSettings); }

TDateTime StrToDateTime(const std::string& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDateTime(s, v, fs)) throw EConvertError("'" + s + "' is not a valid date and time");
  return v;
}
TDateTime StrToDateTime(const std::string& s, const std::string& dateFormat) {
  TDateTime v;
  if (!TryStrToDateTime(s, v, dateFormat)) throw EConvertError("'" + s + "' is not a valid date and time");
  return v;
}
TDateTime StrToDateTime(const std::string& s) { return StrToDateTime(s, FormatSettings); }
TDateTime StrToDateTimeDef(const std::string& s, TDateTime defaultValue) {
  TDateTime v;
  return TryStrToDateTime(s, v) ? v : defaultValue;
}
