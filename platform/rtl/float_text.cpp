// Floating-point text: FloatToStr, FloatToStrF, FormatFloat and the readers.
//
// A double carries 15 reliable decimal digits, so values are first turned into at most 15
// significant decimal digits and only then rounded (half away from zero) to the digits asked
// for: 2.675 read from text shows as 2.68 with two decimals, as it did in the original program
// whose numbers had more precision than a double.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/rtl/float_text.h"
#include "platform/rtl/plain_numbers.h"
#include "platform/rtl/sysutils.h"

namespace {

constexpr int kMaxPrecision = 15;
constexpr int kNoDecimals = 9999;

// Keeps the first keep digits, rounding half away from zero on the next one.
void RoundDigits(TFloatRec& rec, long long keep) {
  if (keep >= static_cast<long long>(rec.Digits.size())) return;
  bool up = keep >= 0 && rec.Digits[static_cast<std::size_t>(keep)] >= '5';
  rec.Digits.resize(keep > 0 ? static_cast<std::size_t>(keep) : 0);
  if (!up) return;
  std::size_t i = rec.Digits.size();
  while (i > 0 && rec.Digits[i - 1] == '9') rec.Digits[--i] = '0';
  if (i == 0) {
    rec.Digits.insert(rec.Digits.begin(), '1');
    ++rec.Exponent;
  } else {
    ++rec.Digits[i - 1];
  }
}

}  // namespace

TFloatRec FloatToDecimal(double value, int precision, int decimals) {
  TFloatRec rec;
  if (std::isnan(value)) {
    rec.Special = TFloatRec::fsNaN;
    return rec;
  }
  if (std::isinf(value)) {
    rec.Special = TFloatRec::fsInf;
    rec.Negative = value < 0;
    return rec;
  }
  rec.Negative = std::signbit(value);
  if (value == 0) {
    rec.Negative = false;
    return rec;
  }
  if (precision < 1) precision = 1;
  if (precision > kMaxPrecision) precision = kMaxPrecision;
  // All 17 significant digits first, then decimal rounding: first to the precision, then to the
  // decimals, each half away from zero.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 16);
  std::string text(buf, res.ptr);
  std::size_t e = text.find('e');
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] != '.') rec.Digits += text[i];
  rec.Exponent = std::stoi(text.substr(e + 1)) + 1;
  RoundDigits(rec, precision);
  if (decimals < kNoDecimals) RoundDigits(rec, static_cast<long long>(rec.Exponent) + decimals);
  while (!rec.Digits.empty() && rec.Digits.back() == '0') rec.Digits.pop_back();
  if (rec.Digits.empty()) {  // rounded to zero: no sign, no exponent
    rec.Negative = false;
    rec.Exponent = 0;
  }
  return rec;
}

namespace {

std::string ExponentText(int exponent, int minDigits, bool alwaysSign) {
  std::string r;
  if (exponent < 0) r += '-';
  else if (alwaysSign) r += '+';
  std::string d = std::to_string(exponent < 0 ? -exponent : exponent);
  if (minDigits > 4) minDigits = 4;
  if (static_cast<int>(d.size()) < minDigits) d.insert(0, static_cast<std::size_t>(minDigits) - d.size(), '0');
  return r + d;
}

std::string SpecialText(const TFloatRec& rec) {
  if (rec.Special == TFloatRec::fsNaN) return "NAN";
  return rec.Negative ? "-INF" : "INF";
}

std::string GroupThousands(const std::string& intPart, char separator) {
  std::string r;
  const std::size_t n = intPart.size();
  for (std::size_t i = 0; i < n; ++i) {
    r += intPart[i];
    std::size_t rest = n - 1 - i;
    if (rest > 0 && rest % 3 == 0 && separator != '\0') r += separator;
  }
  return r;
}

// Integer and fraction digits of a fixed-point rendering; the fraction is padded with zeros to
// minFrac digits.
void FixedParts(const TFloatRec& rec, std::size_t minFrac, std::string& intPart, std::string& frac) {
  intPart.clear();
  frac.clear();
  if (rec.Exponent <= 0) {
    intPart = "0";
    frac.assign(static_cast<std::size_t>(-rec.Exponent), '0');
    frac += rec.Digits;
  } else {
    std::size_t e = static_cast<std::size_t>(rec.Exponent);
    intPart = rec.Digits.substr(0, e);
    if (intPart.size() < e) intPart.append(e - intPart.size(), '0');
    if (rec.Digits.size() > e) frac = rec.Digits.substr(e);
  }
  if (frac.size() < minFrac) frac.append(minFrac - frac.size(), '0');
}

std::string GeneralText(const TFloatRec& rec, int precision, int expDigits, char decimal) {
  if (rec.Special != TFloatRec::fsNormal) return SpecialText(rec);
  if (rec.Digits.empty()) return "0";
  std::string r = rec.Negative ? "-" : "";
  if (rec.Exponent > precision || rec.Exponent < -3) {
    r += rec.Digits[0];
    if (rec.Digits.size() > 1) {
      r += decimal;
      r.append(rec.Digits, 1, std::string::npos);
    }
    return r + "E" + ExponentText(rec.Exponent - 1, expDigits, false);
  }
  std::string intPart, frac;
  FixedParts(rec, 0, intPart, frac);
  r += intPart;
  if (!frac.empty()) r += decimal + frac;
  return r;
}

std::string ExponentFormText(const TFloatRec& rec, int precision, int expDigits, char decimal) {
  if (rec.Special != TFloatRec::fsNormal) return SpecialText(rec);
  std::string digits = rec.Digits;
  if (digits.size() < static_cast<std::size_t>(precision))
    digits.append(static_cast<std::size_t>(precision) - digits.size(), '0');
  std::string r = rec.Negative ? "-" : "";
  r += digits[0];
  if (digits.size() > 1) {
    r += decimal;
    r.append(digits, 1, std::string::npos);
  }
  int exponent = rec.Digits.empty() ? 0 : rec.Exponent - 1;
  return r + "E" + ExponentText(exponent, expDigits, true);
}

// The unsigned number of ffFixed/ffNumber/ffCurrency.
std::string FixedText(const TFloatRec& rec, int digits, char thousands, char decimal) {
  std::string intPart, frac;
  FixedParts(rec, static_cast<std::size_t>(digits), intPart, frac);
  std::string r = thousands ? GroupThousands(intPart, thousands) : intPart;
  if (digits > 0) r += decimal + frac;
  return r;
}

std::string CurrencyText(const std::string& number, bool negative, const TFormatSettings& fs) {
  const std::string& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: return number + c;
      case 2: return c + " " + number;
      case 3: return number + " " + c;
      default: return c + number;
    }
  }
  switch (fs.NegCurrFormat) {
    case 1: return "-" + c + number;
    case 2: return c + "-" + number;
    case 3: return c + number + "-";
    case 4: return "(" + number + c + ")";
    case 5: return "-" + number + c;
    case 6: return number + "-" + c;
    case 7: return number + c + "-";
    case 8: return "-" + number + " " + c;
    case 9: return "-" + c + " " + number;
    case 10: return number + " " + c + "-";
    case 11: return c + " " + number + "-";
    case 12: return c + " -" + number;
    case 13: return number + "- " + c;
    case 14: return "(" + c + " " + number + ")";
    case 15: return "(" + number + " " + c + ")";
    default: return "(" + c + number + ")";
  }
}

}  // namespace

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs) {
  if (precision < 1) precision = 1;
  if (precision > kMaxPrecision) precision = kMaxPrecision;
  if (digits < 0) digits = 0;
  if (digits > 18) digits = 18;
  switch (format) {
    case ffGeneral:
      return GeneralText(FloatToDecimal(value, precision, kNoDecimals), precision, digits,
                         fs.DecimalSeparator);
    case ffExponent:
      return ExponentFormText(FloatToDecimal(value, precision, kNoDecimals), precision, digits,
                              fs.DecimalSeparator);
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      TFloatRec rec = FloatToDecimal(value, precision, digits);
      if (rec.Special != TFloatRec::fsNormal) return SpecialText(rec);
      if (rec.Exponent > precision)  // too many integer digits for the precision
        return GeneralText(FloatToDecimal(value, precision, kNoDecimals), precision, 0,
                           fs.DecimalSeparator);
      char thousands = format == ffFixed ? '\0' : fs.ThousandSeparator;
      std::string number = FixedText(rec, digits, thousands, fs.DecimalSeparator);
      if (format == ffCurrency) return CurrencyText(number, rec.Negative, fs);
      return rec.Negative ? "-" + number : number;
    }
  }
  return {};
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings);
}

std::string FloatToStr(double value, const TFormatSettings& fs) {
  return FloatToStrF(value, ffGeneral, 15, 0, fs);
}

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings); }

std::string CurrToStr(double value) {
  return FloatToStrF(value, ffCurrency, 15, FormatSettings.CurrencyDecimals, FormatSettings);
}

// ---- FormatFloat ----

namespace {

// Splits a picture format into its ";" sections, leaving quoted text whole.
std::vector<std::string> FormatSections(const std::string& format) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

struct TPicture {
  int IntPlaces = 0;       // digit placeholders before the decimal point (or exponent)
  int IntZeros = 0;        // of those, from the first "0" on
  int FracPlaces = 0;      // digit placeholders after the decimal point
  int FracZeros = 0;       // up to and including the last "0" after the point
  bool Thousands = false;
  bool Scientific = false;
  bool ExpAlwaysSign = false;
  int ExpDigits = 0;
};

TPicture Analyse(const std::string& section) {
  TPicture p;
  bool afterPoint = false;
  int firstZero = -1;
  char quote = 0;
  for (std::size_t i = 0; i < section.size(); ++i) {
    char c = section[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (p.Scientific) continue;
    switch (c) {
      case '"':
      case '\'':
        quote = c;
        break;
      case '0':
      case '#':
        if (afterPoint) {
          ++p.FracPlaces;
          if (c == '0') p.FracZeros = p.FracPlaces;
        } else {
          if (c == '0' && firstZero < 0) firstZero = p.IntPlaces;
          ++p.IntPlaces;
        }
        break;
      case '.':
        afterPoint = true;
        break;
      case ',':
        p.Thousands = true;
        break;
      case 'E':
      case 'e':
        if (i + 1 < section.size() && (section[i + 1] == '+' || section[i + 1] == '-')) {
          p.Scientific = true;
          p.ExpAlwaysSign = section[i + 1] == '+';
          for (std::size_t k = i + 2; k < section.size() && section[k] == '0'; ++k) ++p.ExpDigits;
        }
        break;
      default:
        break;
    }
  }
  p.IntZeros = firstZero < 0 ? 0 : p.IntPlaces - firstZero;
  return p;
}

// Renders the absolute value into one section.
std::string RenderSection(const std::string& section, const TPicture& pic, const TFloatRec& rec,
                          const TFormatSettings& fs) {
  std::string intDigits, fracDigits, exponentText;
  if (pic.Scientific) {
    int intPlaces = pic.IntPlaces > 0 ? pic.IntPlaces : 1;
    std::string digits = rec.Digits;
    int exponent = rec.Digits.empty() ? 0 : rec.Exponent - intPlaces;
    std::size_t need = static_cast<std::size_t>(intPlaces + pic.FracPlaces);
    if (digits.size() < need) digits.append(need - digits.size(), '0');
    intDigits = digits.substr(0, static_cast<std::size_t>(intPlaces));
    fracDigits = digits.substr(static_cast<std::size_t>(intPlaces));
    std::size_t start = intDigits.find_first_not_of('0');
    intDigits = start == std::string::npos ? "" : intDigits.substr(start);
    exponentText = ExponentText(exponent, pic.ExpDigits, pic.ExpAlwaysSign);
  } else {
    FixedParts(rec, 0, intDigits, fracDigits);
    if (intDigits == "0") intDigits.clear();
  }
  if (static_cast<int>(intDigits.size()) < pic.IntZeros)
    intDigits.insert(0, static_cast<std::size_t>(pic.IntZeros) - intDigits.size(), '0');
  // Fraction digits shown: at least up to the last "0", the significant ones up to the places.
  std::size_t fracShown = fracDigits.find_last_not_of('0');
  fracShown = fracShown == std::string::npos ? 0 : fracShown + 1;
  if (fracShown > static_cast<std::size_t>(pic.FracPlaces)) fracShown = static_cast<std::size_t>(pic.FracPlaces);
  if (fracShown < static_cast<std::size_t>(pic.FracZeros)) fracShown = static_cast<std::size_t>(pic.FracZeros);
  if (fracDigits.size() < fracShown) fracDigits.append(fracShown - fracDigits.size(), '0');

  const int len = static_cast<int>(intDigits.size());
  auto emitInt = [&](std::string& out, int from, int to) {  // digit indexes [from, to)
    for (int d = from; d < to; ++d) {
      out += intDigits[static_cast<std::size_t>(d)];
      int rest = len - 1 - d;
      if (pic.Thousands && rest > 0 && rest % 3 == 0) out += fs.ThousandSeparator;
    }
  };

  std::string out;
  int intPlace = 0, fracPlace = 0;
  bool afterPoint = false, exponentDone = false;
  char quote = 0;
  for (std::size_t i = 0; i < section.size(); ++i) {
    char c = section[i];
    if (quote) {
      if (c == quote) quote = 0;
      else out += c;
      continue;
    }
    if (exponentDone && (c == '0')) continue;
    switch (c) {
      case '"':
      case '\'':
        quote = c;
        break;
      case '0':
      case '#':
        if (!afterPoint) {
          // Placeholder k stands for digit len - (IntPlaces - k); the first takes any extra.
          int digit = len - (pic.IntPlaces - intPlace);
          if (intPlace == 0) emitInt(out, 0, digit + 1 > 0 ? digit + 1 : 0);
          else if (digit >= 0) emitInt(out, digit, digit + 1);
          ++intPlace;
        } else {
          if (static_cast<std::size_t>(fracPlace) < fracShown) out += fracDigits[static_cast<std::size_t>(fracPlace)];
          ++fracPlace;
        }
        break;
      case '.':
        if (!afterPoint) {
          if (intPlace == 0 && pic.IntPlaces == 0) emitInt(out, 0, len);
          afterPoint = true;
          if (fracShown > 0) out += fs.DecimalSeparator;
        }
        break;
      case ',':
        break;
      case 'E':
      case 'e':
        if (!exponentDone && pic.Scientific && i + 1 < section.size() &&
            (section[i + 1] == '+' || section[i + 1] == '-')) {
          out += c;
          out += exponentText;
          exponentDone = true;
          ++i;
          break;
        }
        out += c;
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

}  // namespace

std::string FormatFloat(const std::string& format, double value, const TFormatSettings& fs) {
  if (std::isnan(value) || std::isinf(value))
    return FloatToStrF(value, ffGeneral, 15, 0, fs);
  std::vector<std::string> sections = FormatSections(format);
  if (format.empty()) return FloatToStr(value, fs);
  auto decimalsOf = [](const TPicture& p) { return p.Scientific ? kNoDecimals : p.FracPlaces; };
  auto precisionOf = [](const TPicture& p) {
    return p.Scientific ? (p.IntPlaces > 0 ? p.IntPlaces : 1) + p.FracPlaces : kMaxPrecision;
  };

  std::size_t index = 0;
  if (value < 0 && sections.size() >= 2 && !sections[1].empty()) index = 1;
  TPicture pic = Analyse(sections[index]);
  TFloatRec rec = FloatToDecimal(std::fabs(value), precisionOf(pic), decimalsOf(pic));
  if (rec.Digits.empty() && sections.size() >= 3 && !sections[2].empty()) {
    index = 2;
    pic = Analyse(sections[index]);
    rec = FloatToDecimal(0.0, precisionOf(pic), decimalsOf(pic));
  }
  std::string text = RenderSection(sections[index], pic, rec, fs);
  // The first section carries the minus sign itself; a value that rounds to zero has none.
  if (value < 0 && index == 0 && !rec.Digits.empty()) text.insert(0, 1, '-');
  return text;
}

std::string FormatFloat(const std::string& format, double value) {
  return FormatFloat(format, value, FormatSettings);
}

// ---- Reading ----

bool TextToFloat(const std::string& s, double& value, const TFormatSettings& fs) {
  std::size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  std::string plain;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') plain += '-';
    ++i;
  }
  std::size_t digits = 0;
  while (i < n && s[i] >= '0' && s[i] <= '9') {
    plain += s[i++];
    ++digits;
  }
  if (i < n && s[i] == fs.DecimalSeparator) {
    plain += '.';
    ++i;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
      plain += s[i++];
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) plain += s[i++];
    std::size_t expDigits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
      plain += s[i++];
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  while (i < n && s[i] == ' ') ++i;
  if (i != n) return false;
  double v = 0;
  auto res = std::from_chars(plain.data(), plain.data() + plain.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow is no valid value.
    std::size_t e = plain.find('e');
    if (e == std::string::npos || plain.compare(e + 1, 1, "-") != 0) return false;
    v = 0;
  } else if (res.ec != std::errc() || res.ptr != plain.data() + plain.size()) {
    return false;
  }
  value = v;
  return true;
}

bool TextToFloat(const std::string& s, double& value) { return TextToFloat(s, value, FormatSettings); }

std::string FixedPointText(double value, int decimals) {
  if (!std::isfinite(value)) return SpecialText(FloatToDecimal(value, 1, 0));
  char buf[400];  // the largest double has 309 integer digits
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, std::clamp(decimals, 0, 60));
  return std::string(buf, res.ptr);
}

bool TryStrToFloat(const std::string& s, double& value, const TFormatSettings& fs) {
  return TextToFloat(s, value, fs);
}

bool TryStrToFloat(const std::string& s, double& value) { return TextToFloat(s, value, FormatSettings); }

double StrToFloat(const std::string& s, const TFormatSettings& fs) {
  double v;
  if (!TextToFloat(s, v, fs)) throw EConvertError("'" + s + "' is not a valid floating point value");
  return v;
}

double StrToFloat(const std::string& s) { return StrToFloat(s, FormatSettings); }

double StrToFloatDef(const std::string& s, double defaultValue, const TFormatSettings& fs) {
  double v;
  return TextToFloat(s, v, fs) ? v : defaultValue;
}

double StrToFloatDef(const std::string& s, double defaultValue) {
  return StrToFloatDef(s, defaultValue, FormatSettings);
}
