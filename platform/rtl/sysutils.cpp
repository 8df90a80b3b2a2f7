#include "platform/rtl/sysutils.h"

#include <climits>
#include <cmath>

// ---- Plain string routines ----

int Pos(const std::string& sub, const std::string& s) { return PosEx(sub, s, 1); }

int PosEx(const std::string& sub, const std::string& s, int offset) {
  if (sub.empty() || offset < 1 || static_cast<std::size_t>(offset) > s.size()) return 0;
  std::size_t p = s.find(sub, static_cast<std::size_t>(offset - 1));
  return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

std::string Copy(const std::string& s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || static_cast<std::size_t>(index) > s.size()) return {};
  return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

std::string Copy(const std::string& s, int index) { return Copy(s, index, INT_MAX); }

void Delete(std::string& s, int index, int count) {
  if (index < 1 || count <= 0 || static_cast<std::size_t>(index) > s.size()) return;
  s.erase(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

void Insert(const std::string& source, std::string& s, int index) {
  if (index < 1) index = 1;
  std::size_t at = static_cast<std::size_t>(index - 1);
  if (at > s.size()) at = s.size();
  s.insert(at, source);
}

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string TrimLeft(const std::string& s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

std::string TrimRight(const std::string& s) {
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

std::string StringReplace(const std::string& s, const std::string& oldPattern,
                          const std::string& newPattern, TReplaceFlags flags) {
  if (oldPattern.empty()) return s;
  // The Ansi case folding keeps every character's byte length, so positions found in the
  // folded texts are positions in the originals.
  const bool ignoreCase = flags.Contains(rfIgnoreCase);
  const std::string searchIn = ignoreCase ? AnsiUpperCase(s) : s;
  const std::string pattern = ignoreCase ? AnsiUpperCase(oldPattern) : oldPattern;
  std::string result;
  std::size_t from = 0;
  while (true) {
    std::size_t p = searchIn.find(pattern, from);
    if (p == std::string::npos) break;
    result.append(s, from, p - from);
    result += newPattern;
    from = p + pattern.size();
    if (!flags.Contains(rfReplaceAll)) break;
  }
  result.append(s, from, std::string::npos);
  return result;
}

std::string StringOfChar(char c, int count) {
  return count > 0 ? std::string(static_cast<std::size_t>(count), c) : std::string();
}

std::string QuotedStr(const std::string& s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiQuotedStr(const std::string& s, char quote) {
  std::string r;
  r.reserve(s.size() + 2);
  r += quote;
  for (char c : s) {
    r += c;
    if (c == quote) r += quote;
  }
  r += quote;
  return r;
}

std::string AnsiExtractQuotedStr(const std::string& s, std::size_t& pos, char quote) {
  if (pos >= s.size() || s[pos] != quote) return {};
  std::string r;
  std::size_t i = pos + 1;
  while (i < s.size()) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        r += quote;
        i += 2;
        continue;
      }
      ++i;  // the closing quote
      pos = i;
      return r;
    }
    r += s[i++];
  }
  pos = i;
  return r;
}

std::string AnsiDequotedStr(const std::string& s, char quote) {
  std::size_t pos = 0;
  if (s.empty() || s[0] != quote) return s;
  return AnsiExtractQuotedStr(s, pos, quote);
}

int LastDelimiter(const std::string& delimiters, const std::string& s) {
  std::size_t p = s.find_last_of(delimiters);
  return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

bool IsDelimiter(const std::string& delimiters, const std::string& s, int index) {
  if (index < 1 || static_cast<std::size_t>(index) > s.size()) return false;
  return delimiters.find(s[static_cast<std::size_t>(index - 1)]) != std::string::npos;
}

char UpCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

namespace {
char LoCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
}  // namespace

std::string UpperCase(const std::string& s) {
  std::string r(s);
  for (char& c : r) c = UpCase(c);
  return r;
}

std::string LowerCase(const std::string& s) {
  std::string r(s);
  for (char& c : r) c = LoCase(c);
  return r;
}

namespace {
template <class Map>
int CompareBytes(const std::string& a, const std::string& b, Map map) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(map(a[i]));
    unsigned char cb = static_cast<unsigned char>(map(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}
}  // namespace

int CompareStr(const std::string& a, const std::string& b) {
  return CompareBytes(a, b, [](char c) { return c; });
}

int CompareText(const std::string& a, const std::string& b) { return CompareBytes(a, b, UpCase); }

bool SameStr(const std::string& a, const std::string& b) { return a == b; }

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

int AnsiPos(const std::string& sub, const std::string& s) { return Pos(sub, s); }

// ---- Integers ----

std::string IntToStr(long long value) { return std::to_string(value); }

std::string IntToHexBits(unsigned long long bits, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string r;
  do {
    r.insert(r.begin(), kHex[bits & 15]);
    bits >>= 4;
  } while (bits != 0);
  if (digits > static_cast<int>(r.size()))
    r.insert(0, static_cast<std::size_t>(digits) - r.size(), '0');
  return r;
}

namespace {

// Reads an integer of the given bit width (32 or 64). Hexadecimal values take the width's bits
// (so "$FFFFFFFF" is -1 as a 32-bit value); decimal values must fit.
bool ParseInteger(const std::string& s, int bits, long long& out) {
  std::size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  const unsigned long long hexLimit = bits == 32 ? 0xFFFFFFFFull : ~0ull;
  const unsigned long long decLimit =
      bits == 32 ? (negative ? 0x80000000ull : 0x7FFFFFFFull)
                 : (negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull);
  unsigned long long v = 0;
  for (; i < n; ++i) {
    char c = s[i];
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else return false;
    if (hex) {
      if (v > (hexLimit >> 4)) return false;
      v = (v << 4) | d;
    } else {
      if (v > (decLimit - d) / 10) return false;
      v = v * 10 + d;
    }
  }
  if (hex && bits == 32) {
    long long r = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    out = negative ? -r : r;
  } else {
    long long r = static_cast<long long>(v);  // two's complement wrap for the 64-bit hex case
    out = negative ? static_cast<long long>(0ull - v) : r;
  }
  if (bits == 32 && (out < INT_MIN || out > INT_MAX)) return false;
  return true;
}

[[noreturn]] void RaiseInvalidInteger(const std::string& s) {
  throw EConvertError("'" + s + "' is not a valid integer value");
}

}  // namespace

bool TryStrToInt(const std::string& s, int& value) {
  long long v;
  if (!ParseInteger(s, 32, v)) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(const std::string& s) {
  int v;
  if (!TryStrToInt(s, v)) RaiseInvalidInteger(s);
  return v;
}

int StrToIntDef(const std::string& s, int defaultValue) {
  int v;
  return TryStrToInt(s, v) ? v : defaultValue;
}

bool TryStrToInt64(const std::string& s, long long& value) { return ParseInteger(s, 64, value); }

long long StrToInt64(const std::string& s) {
  long long v;
  if (!TryStrToInt64(s, v)) RaiseInvalidInteger(s);
  return v;
}

long long StrToInt64Def(const std::string& s, long long defaultValue) {
  long long v;
  return TryStrToInt64(s, v) ? v : defaultValue;
}

// ---- Numbers ----

namespace {
// The conversion to a 64-bit integer, saturating (NaN gives 0) instead of undefined behaviour.
long long ToInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return LLONG_MAX;
  if (value <= -9223372036854775808.0) return LLONG_MIN;
  return static_cast<long long>(value);
}
}  // namespace

long long Round(double value) {
  double f = std::floor(value);
  double diff = value - f;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0)) f += 1;
  return ToInt64(f);
}

long long Trunc(double value) { return ToInt64(value); }

double Int(double value) { return std::trunc(value); }

double Frac(double value) { return value - std::trunc(value); }

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long p = static_cast<long long>(number) * numerator;
  bool negative = (p < 0) != (denominator < 0);
  unsigned long long ap = p < 0 ? 0ull - static_cast<unsigned long long>(p)
                                : static_cast<unsigned long long>(p);
  unsigned long long ad = denominator < 0 ? 0ull - static_cast<unsigned long long>(denominator)
                                          : static_cast<unsigned long long>(denominator);
  unsigned long long q = (ap + ad / 2) / ad;
  if (q > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return -1;
  return negative ? static_cast<int>(-static_cast<long long>(q)) : static_cast<int>(q);
}
