#include "controls/grid/grid_utils.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/graphics.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/oem.h"

std::string SplitFirst(std::string& source, const std::string& delimiter) {
  const auto p = source.find(delimiter);
  if (delimiter.empty() || p == std::string::npos) return {};
  std::string head = source.substr(0, p);
  source.erase(0, p + delimiter.size());
  return head;
}

int VarPos(const std::string& sub, const std::string& text, int& position) {
  const auto p = sub.empty() ? std::string::npos : text.find(sub);
  position = p == std::string::npos ? 0 : static_cast<int>(p) + 1;
  return position;
}

char FirstCharOf(const TCharSet& set, const std::string& text) {
  for (char c : text)
    if (set.test(static_cast<unsigned char>(c))) return c;
  return '\0';
}

namespace {

bool ReadWholeInt(const std::string& s, long long& value) {
  if (s.empty() || s.size() > 18) return false;
  std::size_t i = 0;
  bool negative = false;
  if (s[0] == '-' || s[0] == '+') {
    negative = s[0] == '-';
    i = 1;
  }
  if (i == s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (auto p = text.find(from); p != std::string::npos; p = text.find(from, start)) {
    out.append(text, start, p - start);
    out += to;
    start = p + from.size();
  }
  out.append(text, start, std::string::npos);
  text.swap(out);
}

}  // namespace

bool ParseCellRef(const std::string& text, TPoint& cell) {
  const std::string s = UpperCaseText(text);
  if (s.size() < 4 || s[0] != 'R') return false;
  const auto c = s.find('C');
  if (c == std::string::npos) return false;
  long long row = 0, col = 0;
  if (!ReadWholeInt(s.substr(1, c - 1), row) || !ReadWholeInt(s.substr(c + 1), col)) return false;
  if (row < INT32_MIN || row > INT32_MAX || col < INT32_MIN || col > INT32_MAX) return false;
  cell = {static_cast<int>(col), static_cast<int>(row)};
  return true;
}

bool IsURL(const std::string& text) {
  return text.find("://") != std::string::npos || text.find("mailto:") != std::string::npos;
}

void StripURLProtocol(std::string& text) {
  if (auto p = text.find("://"); p != std::string::npos)
    text.erase(0, p + 3);
  else if (auto m = text.find("mailto:"); m != std::string::npos)
    text.erase(0, m + 7);
}

int GetTextKind(const std::string& text, bool htmlEnabled) {
  if (text.size() < 2) return 0;
  if (text[0] == '=') return 3;
  if (text[0] == '{' && text[1] == '\\') return 2;
  if (text.find("</") != std::string::npos || text.find("<B") != std::string::npos ||
      text.find("<I") != std::string::npos)
    return htmlEnabled ? 1 : 0;
  return 0;
}

bool ThousandsGroupsValid(const std::string& text) {
  const char thousand = FormatSettings.ThousandSeparator;
  const char decimal = FormatSettings.DecimalSeparator;
  int digits = 0;         // digits since the last character that is none
  bool grouped = false;   // a separator stands in the current run of digits and separators
  bool fraction = false;  // after the decimal separator
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '\0';
    if (i < text.size() && c >= '0' && c <= '9') {
      ++digits;
      continue;
    }
    if (i < text.size() && c == thousand) {
      // One to three digits before the first separator, exactly three between two.
      if (fraction || digits < 1 || digits > 3 || (grouped && digits != 3)) return false;
      grouped = true;
    } else {
      // Exactly three digits after the last separator.
      if (grouped && digits != 3) return false;
      grouped = false;
      if (c == decimal) fraction = true;
    }
    digits = 0;
  }
  return true;
}

std::string NormalizeNumber(const std::string& text) {
  const char thousand = FormatSettings.ThousandSeparator;
  const char decimal = FormatSettings.DecimalSeparator;
  const bool ungroup = ThousandsGroupsValid(text);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == thousand && ungroup) continue;
    out += c == decimal ? '.' : c;
  }
  return out;
}

bool RemoveThousandSeparators(std::string& text) {
  if (!ThousandsGroupsValid(text)) return false;
  text.erase(std::remove(text.begin(), text.end(), FormatSettings.ThousandSeparator), text.end());
  return true;
}

int IsNumericText(const std::string& text) {
  const char thousand = FormatSettings.ThousandSeparator;
  const char decimal = FormatSettings.DecimalSeparator;
  int minus = 0, decimals = 0;
  bool integer = true;
  for (char c : text) {
    if (c >= '0' && c <= '9') continue;
    if (c == '-') {
      ++minus;
      continue;
    }
    integer = false;
    if (c == decimal)
      ++decimals;
    else if (c != thousand)
      return 2;
  }
  if (minus >= 2 || decimals >= 2 || !ThousandsGroupsValid(text)) return 2;
  return integer ? 0 : 1;
}

std::string ColorToHex(int colour) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (int shift : {0, 8, 16}) {
    const int b = (colour >> shift) & 0xFF;
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string CRToBR(const std::string& text) {
  if (text.find('\r') == std::string::npos) return text;
  std::string out = text;
  ReplaceAll(out, "\r", "<br>");
  return out;
}

std::string LiteralNLToCR(const std::string& text) {
  std::string out = text;
  ReplaceAll(out, "\\n", "\r");
  return out;
}

std::string CRToLiteralNL(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\r')
      out += "\\n";
    else if (c != '\n')
      out += c;
  }
  return out;
}

void FillWithChar(std::string& text, char c) { text.assign(text.size(), c); }

std::string UpperCaseText(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string CutFirstLine(std::string& text, bool keepRest) {
  const auto p = text.find('\r');
  if (p == std::string::npos) {
    std::string all;
    all.swap(text);
    return all;
  }
  std::string first = text.substr(0, p);
  std::size_t cut = p + 1;
  if (cut < text.size() && text[cut] == '\n') ++cut;
  if (keepRest)
    text.erase(0, cut);
  else
    text.clear();
  return first;
}

int LineCount(const std::string& text, bool multiLine) {
  if (!multiLine) return 1;
  int n = 1;
  for (char c : text)
    if (c == '\r') ++n;
  return n;
}

double IncDateParts(int years, int months, int days, double step, double date) {
  if (days != 0 && years == 0 && months == 0) return date + days;
  const bool onlyYears = years != 0 && months == 0 && days == 0;
  const bool onlyMonths = months != 0 && years == 0 && days == 0;
  if (!onlyYears && !onlyMonths) return date + step;
  WORD y = 0, m = 0, d = 0;
  DecodeDate(date, y, m, d);
  int year = y, month = m;
  if (onlyYears) {
    year += years;
  } else {
    month += months;
    if (month <= 0) {
      month += 12;
      --year;
    } else if (month > 12) {
      month -= 12;
      ++year;
    }
  }
  if (month < 1 || month > 12 || year < 1 || year > 9999) return date + step;
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, std::min<int>(d, DaysInAMonth(year, month)), result))
    return date + step;
  return result + (date - std::floor(date));
}

std::string EncodeLineBreaks(const std::string& text) {
  if (text.find('\r') == std::string::npos) return text;
  std::string out = text;
  for (char& c : out) {
    if (c == '\r')
      c = '\t';
    else if (c == '\n')
      c = '\b';
  }
  return out;
}

std::string DecodeLineBreaks(const std::string& text, bool multiLine) {
  std::string out = text;
  if (out.find('\b') != std::string::npos) {
    for (char& c : out) {
      if (c == '\t')
        c = '\r';
      else if (c == '\b')
        c = '\n';
    }
  }
  if (!multiLine) return CutFirstLine(out, false);
  return out;
}

void QuoteMultiLine(std::string& text) {
  ReplaceAll(text, "\r\n", "\n");
  text = "\"" + text + "\"";
}

void LFToCRLF(std::string& text) {
  if (text.find('\n') == std::string::npos) return;
  ReplaceAll(text, "\n", "\r\n");
}

std::string RemoveCR(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

int FindSingleChar(char c, const std::string& text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    if (text[i] != c) {
      ++i;
      continue;
    }
    std::size_t run = i;
    while (run < n && text[run] == c) ++run;
    if (run - i == 1) return static_cast<int>(i) + 1;  // lone occurrence
    if (run == n) return static_cast<int>(n);           // a run that ends the text
    i = run;
  }
  return 0;
}

int CountSingleChar(char c, const std::string& text) {
  int count = 0;
  std::string rest = text;
  for (int p = FindSingleChar(c, rest); p > 0; p = FindSingleChar(c, rest)) {
    ++count;
    rest.erase(0, static_cast<std::size_t>(p));
  }
  return count;
}

std::string UnquoteField(char quote, const std::string& text) {
  if (text.size() <= 1 || text.find(quote) == std::string::npos) return text;
  std::string out;
  out.reserve(text.size());
  out += text[0];
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == quote && text[i - 1] == quote) continue;
    out += text[i];
  }
  return out;
}

bool ReadPlainNumber(const std::string& text, double& value) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  if (i == n) return false;
  std::size_t start = i;
  if (text[i] == '+' || text[i] == '-') ++i;
  bool digits = false;
  while (i < n && text[i] >= '0' && text[i] <= '9') { ++i; digits = true; }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') { ++i; digits = true; }
  }
  if (!digits) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t e = i + 1;
    if (e < n && (text[e] == '+' || text[e] == '-')) ++e;
    if (e >= n || text[e] < '0' || text[e] > '9') return false;
    while (e < n && text[e] >= '0' && text[e] <= '9') ++e;
    i = e;
  }
  if (i != n) return false;
  if (text[start] == '+') ++start;  // from_chars takes no plus sign
  double v = 0;
  const auto result = std::from_chars(text.data() + start, text.data() + n, v);
  if (result.ec != std::errc() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool ParseFilterDate(const std::string& text, double& date) {
  const std::string fmt = UpperCaseText(FormatSettings.ShortDateFormat);
  const auto dp = fmt.find('D'), mp = fmt.find('M'), yp = fmt.find('Y');
  if (dp == std::string::npos || mp == std::string::npos || yp == std::string::npos) return false;
  const char sep = FormatSettings.DateSeparator;
  const auto s1 = text.find(sep);
  if (s1 == std::string::npos) return false;
  const auto s2 = text.find(sep, s1 + 1);
  if (s2 == std::string::npos || text.find(sep, s2 + 1) != std::string::npos) return false;
  long long parts[3];
  if (!ReadWholeInt(text.substr(0, s1), parts[0]) ||
      !ReadWholeInt(text.substr(s1 + 1, s2 - s1 - 1), parts[1]) ||
      !ReadWholeInt(text.substr(s2 + 1), parts[2]))
    return false;
  // Rank of each field by its place in the format.
  auto rank = [&](std::size_t p) { return (p > dp) + (p > mp) + (p > yp); };
  const long long day = parts[rank(dp)], month = parts[rank(mp)], year = parts[rank(yp)];
  if (day >= 32 || month >= 13) return false;
  if (year < 1 || year > 9999 || month < 1 || day < 1) return false;
  TDateTime value = 0;
  if (!TryEncodeDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day), value))
    return false;
  date = value;
  return true;
}

namespace {

// Compares a text with a comparison operand: numbers, then dates, then bytes.
int CompareOperand(const std::string& text, const std::string& operand) {
  double a = 0, b = 0;
  if (ReadPlainNumber(text, a) && ReadPlainNumber(operand, b)) return (a > b) - (a < b);
  if (ParseFilterDate(text, a) && ParseFilterDate(operand, b)) return (a > b) - (a < b);
  const int r = std::strncmp(text.substr(0, 255).c_str(), operand.substr(0, 255).c_str(), 255);
  return (r > 0) - (r < 0);
}

std::string OperandAfter(const std::string& part, std::size_t signPos, bool& orEqual) {
  std::size_t i = signPos + 1;
  orEqual = i < part.size() && part[i] == '=';
  if (orEqual) ++i;
  while (i < part.size() && part[i] == ' ') ++i;
  std::size_t end = i;
  while (end < part.size() && part[end] != ' ' && part[end] != '&' && part[end] != '|') ++end;
  return part.substr(i, end - i);
}

// "?" matches one byte, a run of "*" any sequence (the shortest suffix tried first).
bool MatchPattern(const char* p, const char* pe, const char* t, const char* te) {
  while (p < pe) {
    if (*p == '*') {
      while (p < pe && *p == '*') ++p;
      if (p == pe) return true;
      for (const char* s = te;; --s) {
        if (MatchPattern(p, pe, s, te)) return true;
        if (s == t) return false;
      }
    }
    if (t == te || (*p != '?' && *p != *t)) return false;
    ++p;
    ++t;
  }
  return t == te;
}

}  // namespace

bool MatchCondition(const std::string& part, const std::string& text) {
  const auto gt = part.find('>');
  const auto lt = part.find('<');
  if (gt != std::string::npos) {
    bool orEqual = false;
    const std::string operand = OperandAfter(part, gt, orEqual);
    const int r = CompareOperand(text, operand);
    if (r > 0 || (orEqual && r == 0)) return true;
  }
  if (lt != std::string::npos) {
    bool orEqual = false;
    const std::string operand = OperandAfter(part, lt, orEqual);
    const int r = CompareOperand(text, operand);
    if (r < 0 || (orEqual && r == 0)) return true;
  }
  // "!" anywhere negates the match and is not part of the pattern.
  std::string pattern;
  pattern.reserve(part.size());
  for (char ch : part)
    if (ch != '!') pattern += ch;
  const bool negate = pattern.size() != part.size();
  const bool match = MatchPattern(pattern.data(), pattern.data() + pattern.size(), text.data(),
                                  text.data() + text.size());
  return negate ? !match : match;
}

bool MatchFilter(const std::string& condition, const std::string& text) {
  std::string c = condition;
  // Trim.
  const auto first = c.find_first_not_of(' ');
  c = first == std::string::npos ? std::string() : c.substr(first, c.find_last_not_of(' ') - first + 1);
  for (bool changed = true; changed;) {
    changed = false;
    for (const char* pair : {" &", " ;", " ^"}) {
      if (auto p = c.find(pair); p != std::string::npos) { c.erase(p, 1); changed = true; }
    }
    for (const char* pair : {"& ", "; ", "^ "}) {
      if (auto p = c.find(pair); p != std::string::npos) { c.erase(p + 1, 1); changed = true; }
    }
  }
  bool total = false;
  char combiner = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= c.size(); ++i) {
    if (i < c.size() && c[i] != '&' && c[i] != ';' && c[i] != '^') continue;
    const bool r = MatchCondition(c.substr(start, i - start), text);
    if (combiner == 0)
      total = r;
    else if (combiner == '&')
      total = total && r;
    else
      total = total || r;
    if (i < c.size()) combiner = c[i];
    start = i + 1;
  }
  return total;
}

std::string AnsiToOemString(const std::string& text) { return AnsiToOem(text); }
std::string OemToAnsiString(const std::string& text) { return OemToAnsi(text); }

void DrawTransparentBitmap(TCanvas* canvas, TPoint position, TBitmap* bitmap) {
  if (!canvas || !bitmap || bitmap->Width() == 0 || bitmap->Height() == 0) return;
  // A copy keyed on its bottom-left pixel, so the caller's bitmap keeps its settings.
  TBitmap keyed;
  keyed.Assign(*bitmap);
  keyed.SetTransparentMode(tmAuto);
  keyed.SetTransparent(true);
  canvas->Draw(position.X, position.Y, keyed);
}
