// String routines, integer and floating-point conversions, Format and the small numeric helpers.
// Positions are 1-based and count bytes, as in the class library's string routines.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/var_rec.h"

// ---- Plain string routines (ASCII) ----

// Position of the first occurrence of sub in s, 1-based; 0 when absent or sub is empty.
int Pos(const std::string& sub, const std::string& s);
// Position of the first occurrence at or after offset (1-based); 0 when absent.
int PosEx(const std::string& sub, const std::string& s, int offset = 1);
// Count bytes from index (1-based); out-of-range parts are cut, never an error.
std::string Copy(const std::string& s, int index, int count);
// Same with count up to the end of the text.
std::string Copy(const std::string& s, int index);
void Delete(std::string& s, int index, int count);
// Inserts source before byte index (1-based); an index past the end appends.
void Insert(const std::string& source, std::string& s, int index);

// Cut bytes <= ' ' at the ends.
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };

// A set of TReplaceFlag: StringReplace(s, a, b, {rfReplaceAll, rfIgnoreCase}).
class TReplaceFlags {
public:
  TReplaceFlags() = default;
  TReplaceFlags(TReplaceFlag f) : FBits(f) {}
  TReplaceFlags(std::initializer_list<TReplaceFlag> flags) {
    for (TReplaceFlag f : flags) FBits |= f;
  }
  bool Contains(TReplaceFlag f) const { return (FBits & f) != 0; }

private:
  unsigned FBits = 0;
};

// Replaces the first (or, with rfReplaceAll, every) occurrence of oldPattern; rfIgnoreCase
// matches with the Ansi case folding.
std::string StringReplace(const std::string& s, const std::string& oldPattern,
                          const std::string& newPattern, TReplaceFlags flags = {});
std::string StringOfChar(char c, int count);

// 'text' with inner quotes doubled.
std::string QuotedStr(const std::string& s);
std::string AnsiQuotedStr(const std::string& s, char quote);
// Reads a quoted text starting at pos (0-based index into s): when s[pos] is the quote, returns
// the text up to the closing quote with doubled quotes made single and moves pos past the closing
// quote (or to the end when it is missing). Otherwise returns "" and leaves pos.
std::string AnsiExtractQuotedStr(const std::string& s, std::size_t& pos, char quote);
// The text without one pair of surrounding quotes (doubled inner quotes made single); a text not
// starting with the quote is returned unchanged.
std::string AnsiDequotedStr(const std::string& s, char quote);

// 1-based position of the last byte of s that is one of delimiters; 0 when none.
int LastDelimiter(const std::string& delimiters, const std::string& s);
// Whether byte index (1-based) of s is one of delimiters.
bool IsDelimiter(const std::string& delimiters, const std::string& s, int index);

char UpCase(char c);
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
// Byte comparison; < 0, 0 or > 0.
int CompareStr(const std::string& a, const std::string& b);
// Byte comparison with ASCII letters folded to upper case.
int CompareText(const std::string& a, const std::string& b);
bool SameStr(const std::string& a, const std::string& b);
bool SameText(const std::string& a, const std::string& b);

// ---- Locale case and order: ASCII plus the Latin letters U+00C0-U+017F (UTF-8) ----

std::string AnsiUpperCase(const std::string& s);
std::string AnsiLowerCase(const std::string& s);
// Fixed order: other characters, then digits, then letters; letters by base letter, then
// accent, then lower before upper. Only the sign is meaningful.
int AnsiCompareStr(const std::string& a, const std::string& b);
// As AnsiCompareStr without the case step.
int AnsiCompareText(const std::string& a, const std::string& b);
bool AnsiSameStr(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);
int AnsiPos(const std::string& sub, const std::string& s);

// ---- Integers ----

std::string IntToStr(long long value);
// Upper-case hexadecimal of the value's bits in its own width (IntToHex(-1, 2) of an int is
// "FFFFFFFF"), zero-padded on the left to at least digits.
std::string IntToHexBits(unsigned long long bits, int digits);
template <class T>
  requires std::is_integral_v<T>
std::string IntToHex(T value, int digits) {
  return IntToHexBits(static_cast<std::make_unsigned_t<T>>(value), digits);
}

// Accept leading blanks, a sign, decimal or "$"/"0x" hexadecimal. Anything else (or overflow)
// raises EConvertError "'s' is not a valid integer value".
int StrToInt(const std::string& s);
int StrToIntDef(const std::string& s, int defaultValue);
bool TryStrToInt(const std::string& s, int& value);
long long StrToInt64(const std::string& s);
long long StrToInt64Def(const std::string& s, long long defaultValue);
bool TryStrToInt64(const std::string& s, long long& value);

// ---- Floating point ----

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// General format with 15 significant digits.
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings);
// Picture formats of "0", "#", ".", ",", "E+"/"E-"/"e+"/"e-", quoted literals and up to three
// ";" sections (positive; negative; zero).
std::string FormatFloat(const std::string& format, double value);
std::string FormatFloat(const std::string& format, double value, const TFormatSettings& settings);
std::string CurrToStr(double value);

// Reads blanks, sign, digits, DecimalSeparator, digits, optional exponent, blanks.
// EConvertError "'s' is not a valid floating point value".
double StrToFloat(const std::string& s);
double StrToFloat(const std::string& s, const TFormatSettings& settings);
double StrToFloatDef(const std::string& s, double defaultValue);
double StrToFloatDef(const std::string& s, double defaultValue, const TFormatSettings& settings);
bool TryStrToFloat(const std::string& s, double& value);
bool TryStrToFloat(const std::string& s, double& value, const TFormatSettings& settings);
// The same reading; false where StrToFloat would raise.
bool TextToFloat(const std::string& s, double& value);
bool TextToFloat(const std::string& s, double& value, const TFormatSettings& settings);

// ---- Format ----

// %[index:][-][width][.precision]type with type d u x e f g n m s p (either case) and "%%".
// Width and precision may be "*" (taken from the arguments). A wrong argument type or a missing
// argument raises EConvertError "Format 'fmt' invalid or incompatible with argument".
std::string Format(const std::string& format, std::initializer_list<TVarRec> args);
std::string Format(const std::string& format, const std::vector<TVarRec>& args);
std::string Format(const std::string& format, const std::vector<TVarRec>& args,
                   const TFormatSettings& settings);

// ---- Numbers ----

// Half to even (Round(2.5) = 2, Round(3.5) = 4).
long long Round(double value);
long long Trunc(double value);
double Frac(double value);
double Int(double value);
// number * numerator / denominator in 64 bits, rounded half away from zero; -1 when the
// denominator is 0 or the result does not fit an int.
int MulDiv(int number, int numerator, int denominator);

inline int Max(int a, int b) { return a > b ? a : b; }
inline int Min(int a, int b) { return a < b ? a : b; }
inline long long Max(long long a, long long b) { return a > b ? a : b; }
inline long long Min(long long a, long long b) { return a < b ? a : b; }
inline double Max(double a, double b) { return a > b ? a : b; }
inline double Min(double a, double b) { return a < b ? a : b; }
