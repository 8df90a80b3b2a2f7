// Format: printf-like formatting over a list of variant arguments.
#include <cstdint>

#include "platform/rtl/sysutils.h"

namespace {

[[noreturn]] void InvalidFormat(const std::string& format) {
  throw EConvertError("Format '" + format + "' invalid or incompatible with argument");
}

[[noreturn]] void NoArgument(const std::string& format) {
  throw EConvertError("No argument for format '" + format + "'");
}

// Digits of an integer's magnitude padded with zeros to precision, sign in front.
std::string PadDigits(std::string digits, bool negative, int precision) {
  if (precision > static_cast<int>(digits.size()))
    digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

}  // namespace

std::string Format(const std::string& format, const std::vector<TVarRec>& args,
                   const TFormatSettings& fs) {
  std::string out;
  std::size_t next = 0;  // index of the next argument
  const std::size_t n = format.size();
  std::size_t i = 0;
  auto takeArg = [&]() -> const TVarRec& {
    if (next >= args.size()) NoArgument(format);
    return args[next++];
  };
  auto readNumber = [&](int& value) -> bool {  // digits or "*"; false when neither
    if (i < n && format[i] == '*') {
      const TVarRec& a = takeArg();
      if (!a.IsInteger()) InvalidFormat(format);
      value = static_cast<int>(a.AsInt64());
      ++i;
      return true;
    }
    if (i >= n || format[i] < '0' || format[i] > '9') return false;
    long long v = 0;
    while (i < n && format[i] >= '0' && format[i] <= '9') {
      v = v * 10 + (format[i] - '0');
      if (v > 1000000) InvalidFormat(format);
      ++i;
    }
    value = static_cast<int>(v);
    return true;
  };

  while (i < n) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i >= n) InvalidFormat(format);
    if (format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index:][-][width][.precision]type
    int number = -1;
    bool left = false;
    int width = 0, precision = -1;
    if (i < n && format[i] == '-') {
      left = true;
      ++i;
    }
    bool hadNumber = readNumber(number);
    if (hadNumber && i < n && format[i] == ':') {
      if (number < 0) InvalidFormat(format);
      next = static_cast<std::size_t>(number);
      ++i;
      if (i < n && format[i] == '-') {
        left = true;
        ++i;
      }
      if (!readNumber(width)) width = 0;
    } else if (hadNumber) {
      width = number;
    }
    if (i < n && format[i] == '.') {
      ++i;
      if (!readNumber(precision)) precision = 0;
    }
    if (width < 0) {  // a negative "*" width justifies left
      left = true;
      width = -width;
    }
    if (i >= n) InvalidFormat(format);
    char type = format[i++];
    if (type >= 'A' && type <= 'Z') type = static_cast<char>(type + 32);
    const TVarRec& a = takeArg();
    std::string text;
    switch (type) {
      case 'd': {
        if (!a.IsInteger()) InvalidFormat(format);
        long long v = a.AsInt64();
        if (a.VType() == TVarRec::vtUnsigned) {
          text = PadDigits(std::to_string(a.AsUInt64()), false, precision);
        } else {
          unsigned long long mag = v < 0 ? 0ull - static_cast<unsigned long long>(v)
                                         : static_cast<unsigned long long>(v);
          text = PadDigits(std::to_string(mag), v < 0, precision);
        }
        break;
      }
      case 'u':
      case 'x': {
        if (!a.IsInteger()) InvalidFormat(format);
        unsigned long long bits = a.AsUInt64();
        // A negative signed value shows its 32 bits when it fits in 32 bits.
        if (a.VType() != TVarRec::vtUnsigned && a.AsInt64() < 0 && a.AsInt64() >= INT32_MIN)
          bits = static_cast<std::uint32_t>(a.AsInt64());
        text = type == 'u' ? PadDigits(std::to_string(bits), false, precision)
                           : IntToHexBits(bits, precision);
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        double v;
        if (a.VType() == TVarRec::vtExtended) v = a.AsFloat();
        else InvalidFormat(format);
        switch (type) {
          case 'e':
            text = FloatToStrF(v, ffExponent, precision < 0 ? 15 : precision, 3, fs);
            break;
          case 'f':
            text = FloatToStrF(v, ffFixed, 15, precision < 0 ? 2 : precision, fs);
            break;
          case 'g':
            text = FloatToStrF(v, ffGeneral, precision < 0 ? 15 : precision, 0, fs);
            break;
          case 'n':
            text = FloatToStrF(v, ffNumber, 15, precision < 0 ? 2 : precision, fs);
            break;
          default:
            text = FloatToStrF(v, ffCurrency, 15, precision < 0 ? fs.CurrencyDecimals : precision, fs);
            break;
        }
        break;
      }
      case 's':
        if (a.VType() != TVarRec::vtString && a.VType() != TVarRec::vtChar) InvalidFormat(format);
        text = a.AsString();
        if (precision >= 0 && static_cast<std::size_t>(precision) < text.size())
          text.resize(static_cast<std::size_t>(precision));
        break;
      case 'p':
        if (a.VType() != TVarRec::vtPointer) InvalidFormat(format);
        text = IntToHexBits(reinterpret_cast<std::uintptr_t>(a.AsPointer()),
                            static_cast<int>(sizeof(void*) * 2));
        break;
      default:
        InvalidFormat(format);
    }
    if (width > static_cast<int>(text.size())) {
      std::size_t pad = static_cast<std::size_t>(width) - text.size();
      if (left) text.append(pad, ' ');
      else text.insert(0, pad, ' ');
    }
    out += text;
  }
  return out;
}

std::string Format(const std::string& format, const std::vector<TVarRec>& args) {
  return Format(format, args, FormatSettings);
}

std::string Format(const std::string& format, std::initializer_list<TVarRec> args) {
  return Format(format, std::vector<TVarRec>(args), FormatSettings);
}
