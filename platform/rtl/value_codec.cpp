#include "platform/rtl/value_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/ascii_text.h"
#include "platform/rtl/utf8_text.h"

namespace {

// ---- 80-bit extended <-> double ----

void DoubleToExtended(double value, std::uint8_t out[10]) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, 8);
  const unsigned sign = static_cast<unsigned>(bits >> 63);
  const unsigned exp = static_cast<unsigned>((bits >> 52) & 0x7FF);
  const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
  std::uint64_t mant = 0;
  unsigned e = 0;
  if (exp == 0 && frac == 0) {
    // zero
  } else if (exp == 0x7FF) {
    e = 0x7FFF;
    mant = (std::uint64_t{1} << 63) | (frac << 11);
  } else if (exp == 0) {
    // A subnormal double is a normal extended.
    mant = frac << 11;
    int shift = 0;
    while (!(mant & (std::uint64_t{1} << 63))) {
      mant <<= 1;
      ++shift;
    }
    e = static_cast<unsigned>(15361 - shift);
  } else {
    mant = (std::uint64_t{1} << 63) | (frac << 11);
    e = exp - 1023 + 16383;
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(mant >> (8 * i));
  const unsigned se = (sign << 15) | e;
  out[8] = static_cast<std::uint8_t>(se);
  out[9] = static_cast<std::uint8_t>(se >> 8);
}

double ExtendedToDouble(const std::uint8_t in[10]) {
  std::uint64_t mant = 0;
  for (int i = 0; i < 8; ++i) mant |= static_cast<std::uint64_t>(in[i]) << (8 * i);
  const unsigned se = in[8] | (static_cast<unsigned>(in[9]) << 8);
  const bool negative = (se & 0x8000) != 0;
  const int e = static_cast<int>(se & 0x7FFF);
  double v;
  if (e == 0 && mant == 0) {
    v = 0.0;
  } else if (e == 0x7FFF) {
    v = (mant << 1) == 0 ? std::numeric_limits<double>::infinity()
                         : std::numeric_limits<double>::quiet_NaN();
  } else {
    v = std::ldexp(static_cast<double>(mant), e - 16383 - 63);
  }
  return negative ? -v : v;
}

// ---- UTF-8 <-> UTF-16 ----

std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;  // a lone surrogate
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::vector<std::uint16_t> Utf8ToUtf16(std::string_view s) {
  std::vector<std::uint16_t> out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::uint32_t cp = 0xFFFD;
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) {
      ++i;
    } else {
      cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
      bool ok = true;
      for (int k = 1; k < len; ++k) {
        unsigned char d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((d & 0xC0) != 0x80) ok = false;
        cp = (cp << 6) | (d & 0x3F);
      }
      if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = 0xFFFD;
        len = 1;
      }
      i += static_cast<std::size_t>(len);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<std::uint16_t>(cp));
    }
  }
  return out;
}

std::uint64_t GetLE(const char* Data, int Bytes) {
  std::uint64_t Value = 0;
  for (int i = 0; i < Bytes; ++i)
    Value |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(Data[i])) << (8 * i);
  return Value;
}

}  // namespace

// ---- Encoder ------------------------------------------------------------------------------------

void TValueEncoder::PutLE(std::uint64_t Value, int Bytes) {
  char B[8];
  for (int i = 0; i < Bytes; ++i) B[i] = static_cast<char>((Value >> (8 * i)) & 0xFF);
  FBuffer.append(B, static_cast<std::size_t>(Bytes));
}

void TValueEncoder::WriteInteger(std::int64_t Value) {
  if (Value >= -128 && Value <= 127) {
    WriteValue(vaInt8);
    PutLE(static_cast<std::uint64_t>(Value), 1);
  } else if (Value >= -32768 && Value <= 32767) {
    WriteValue(vaInt16);
    PutLE(static_cast<std::uint64_t>(Value), 2);
  } else if (Value >= std::numeric_limits<std::int32_t>::min() && Value <= std::numeric_limits<std::int32_t>::max()) {
    WriteValue(vaInt32);
    PutLE(static_cast<std::uint64_t>(Value), 4);
  } else {
    WriteValue(vaInt64);
    PutLE(static_cast<std::uint64_t>(Value), 8);
  }
}

void TValueEncoder::WriteString(std::string_view Value) {
  if (Value.size() < 256) {
    WriteValue(vaString);
    PutLE(Value.size(), 1);
  } else {
    if (Value.size() > std::numeric_limits<std::uint32_t>::max()) throw EWriteError();
    WriteValue(vaLString);
    PutLE(Value.size(), 4);
  }
  FBuffer.append(Value);
}

void TValueEncoder::WriteChar(char Value) {
  const char Bytes[3] = {static_cast<char>(vaString), 1, Value};
  FBuffer.append(Bytes, 3);
}

void TValueEncoder::WriteUTF8Str(std::string_view Value) {
  if (Value.size() > std::numeric_limits<std::uint32_t>::max()) throw EWriteError();
  WriteValue(vaUTF8String);
  PutLE(Value.size(), 4);
  FBuffer.append(Value);
}

void TValueEncoder::WriteWideString(std::string_view Value) {
  const std::vector<std::uint16_t> Units = Utf8ToUtf16(Value);
  WriteValue(vaWString);
  PutLE(Units.size(), 4);
  for (std::uint16_t U : Units) PutLE(U, 2);
}

void TValueEncoder::WriteFloat(double Value) {
  std::uint8_t B[10];
  DoubleToExtended(Value, B);
  WriteValue(vaExtended);
  WriteRaw(B, 10);
}

void TValueEncoder::WriteSingle(float Value) {
  std::uint32_t Bits;
  std::memcpy(&Bits, &Value, 4);
  WriteValue(vaSingle);
  PutLE(Bits, 4);
}

void TValueEncoder::WriteCurrency(double Value) {
  WriteValue(vaCurrency);
  PutLE(static_cast<std::uint64_t>(std::llround(Value * 10000.0)), 8);
}

void TValueEncoder::WriteDate(double Value) {
  std::uint64_t Bits;
  std::memcpy(&Bits, &Value, 8);
  WriteValue(vaDate);
  PutLE(Bits, 8);
}

void TValueEncoder::WriteIdent(std::string_view Ident) {
  if (qn_ascii::SameText(Ident, "False")) {
    WriteValue(vaFalse);
  } else if (qn_ascii::SameText(Ident, "True")) {
    WriteValue(vaTrue);
  } else if (qn_ascii::SameText(Ident, "Null")) {
    WriteValue(vaNull);
  } else if (qn_ascii::SameText(Ident, "nil")) {
    WriteValue(vaNil);
  } else {
    WriteValue(vaIdent);
    WriteStr(Ident);
  }
}

void TValueEncoder::WriteSet(const std::vector<std::string>& Idents) {
  WriteValue(vaSet);
  for (const std::string& S : Idents)
    if (!S.empty()) WriteStr(S);
  WriteStr("");
}

void TValueEncoder::WriteBinary(std::string_view Data) {
  if (Data.size() > std::numeric_limits<std::uint32_t>::max()) throw EWriteError();
  WriteValue(vaBinary);
  PutLE(Data.size(), 4);
  FBuffer.append(Data);
}

void TValueEncoder::WriteStrings(const std::vector<std::string>& Lines) {
  // Room for the whole list at once: a long list grows the buffer once, not once per doubling.
  std::size_t Size = FBuffer.size() + 2;
  for (const std::string& Line : Lines) Size += Line.size() + 5;
  if (Size > FBuffer.capacity()) FBuffer.reserve(std::max(Size, FBuffer.capacity() * 2));
  WriteListBegin();
  for (const std::string& Line : Lines) WriteString(Line);
  WriteListEnd();
}

void TValueEncoder::WriteStr(std::string_view Value) {
  if (Value.size() > 255) throw EWriteError();
  PutLE(Value.size(), 1);
  FBuffer.append(Value);
}

// ---- Decoder ------------------------------------------------------------------------------------

void TValueDecoder::Invalid() { throw EReadError("Invalid property value"); }

std::uint64_t TValueDecoder::TakeLE(int Bytes) {
  Need(static_cast<std::size_t>(Bytes));
  const std::uint64_t Value = GetLE(FData.data() + FPos, Bytes);
  FPos += static_cast<std::size_t>(Bytes);
  return Value;
}

TValueType TValueDecoder::ReadValue() {
  Need(1);
  return static_cast<TValueType>(static_cast<std::uint8_t>(FData[FPos++]));
}

TValueType TValueDecoder::NextValue() const {
  Need(1);
  return static_cast<TValueType>(static_cast<std::uint8_t>(FData[FPos]));
}

void TValueDecoder::ReadListBegin() {
  if (ReadValue() != vaList) Invalid();
}

void TValueDecoder::ReadListEnd() {
  if (ReadValue() != vaNull) Invalid();
}

std::int64_t TValueDecoder::IntegerOfType(TValueType Type) {
  switch (Type) {
    case vaInt8: return static_cast<std::int8_t>(TakeLE(1));
    case vaInt16: return static_cast<std::int16_t>(TakeLE(2));
    case vaInt32: return static_cast<std::int32_t>(TakeLE(4));
    case vaInt64: return static_cast<std::int64_t>(TakeLE(8));
    default: Invalid();
  }
}

std::int32_t TValueDecoder::ReadInteger() {
  const std::int64_t Value = IntegerOfType(ReadValue());
  if (Value < std::numeric_limits<std::int32_t>::min() || Value > std::numeric_limits<std::int32_t>::max()) Invalid();
  return static_cast<std::int32_t>(Value);
}

std::int64_t TValueDecoder::ReadInt64() { return IntegerOfType(ReadValue()); }

bool TValueDecoder::ReadBoolean() {
  const TValueType T = ReadValue();
  if (T == vaTrue) return true;
  if (T == vaFalse) return false;
  Invalid();
}

std::string_view TValueDecoder::StringBytes() {
  const TValueType T = ReadValue();
  std::size_t Length;
  if (T == vaString)
    Length = static_cast<std::size_t>(TakeLE(1));
  else if (T == vaLString || T == vaUTF8String)
    Length = static_cast<std::size_t>(TakeLE(4));
  else
    Invalid();
  return ReadRaw(Length);
}

std::string TValueDecoder::ReadString() {
  if (NextValue() == vaWString) {
    ReadValue();
    const std::uint64_t Count = TakeLE(4);
    Need(static_cast<std::size_t>(2 * Count));
    std::vector<std::uint16_t> Units(static_cast<std::size_t>(Count));
    for (std::uint16_t& Unit : Units) Unit = static_cast<std::uint16_t>(TakeLE(2));
    return Utf16ToUtf8(Units);
  }
  return std::string(StringBytes());
}

void TValueDecoder::SkipString() {
  if (NextValue() == vaWString)
    ReadString();
  else
    StringBytes();
}

char TValueDecoder::ReadChar() {
  // The common form first: a String of length 1.
  if (FData.size() - FPos >= 3 && FData[FPos] == vaString && FData[FPos + 1] == 1) {
    FPos += 3;
    return FData[FPos - 1];
  }
  const std::string Bytes = ReadString();
  if (Bytes.size() != 1) Invalid();
  return Bytes[0];
}

double TValueDecoder::ReadFloat() {
  switch (NextValue()) {
    case vaExtended: {
      ReadValue();
      const std::string_view B = ReadRaw(10);
      return ExtendedToDouble(reinterpret_cast<const std::uint8_t*>(B.data()));
    }
    case vaSingle: return ReadSingle();
    case vaDate: return ReadDate();
    case vaCurrency: return ReadCurrency();
    default: return static_cast<double>(ReadInt64());
  }
}

float TValueDecoder::ReadSingle() {
  if (NextValue() != vaSingle) return static_cast<float>(ReadInt64());
  ReadValue();
  const std::uint32_t Bits = static_cast<std::uint32_t>(TakeLE(4));
  float F;
  std::memcpy(&F, &Bits, 4);
  return F;
}

double TValueDecoder::ReadCurrency() {
  if (NextValue() != vaCurrency) return static_cast<double>(ReadInt64());
  ReadValue();
  return static_cast<double>(static_cast<std::int64_t>(TakeLE(8))) / 10000.0;
}

double TValueDecoder::ReadDate() {
  if (NextValue() != vaDate) return static_cast<double>(ReadInt64());
  ReadValue();
  const std::uint64_t Bits = TakeLE(8);
  double D;
  std::memcpy(&D, &Bits, 8);
  return D;
}

std::string TValueDecoder::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default: Invalid();
  }
}

std::vector<std::string> TValueDecoder::ReadSet() {
  if (ReadValue() != vaSet) Invalid();
  std::vector<std::string> Idents;
  for (;;) {
    std::string S = ReadStr();
    if (S.empty()) break;
    Idents.push_back(std::move(S));
  }
  return Idents;
}

std::string TValueDecoder::ReadBinary() {
  if (ReadValue() != vaBinary) Invalid();
  return std::string(ReadRaw(static_cast<std::size_t>(TakeLE(4))));
}

std::vector<std::string> TValueDecoder::ReadStrings() {
  std::vector<std::string> Lines;
  ReadListBegin();
  // Counted first, so that a long list is not moved as it grows.
  const std::size_t Start = FPos;
  std::size_t Count = 0;
  for (; !EndOfList(); ++Count) SkipString();
  FPos = Start;
  Lines.reserve(Count);
  while (!EndOfList()) Lines.push_back(ReadString());
  ReadListEnd();
  return Lines;
}

void TValueDecoder::SkipStrings() {
  ReadListBegin();
  while (!EndOfList()) SkipString();
  ReadListEnd();
}

void TValueDecoder::SkipValue() { SkipValue(0); }

void TValueDecoder::SkipValue(int Depth) {
  if (Depth > MaxNesting) throw EReadError();
  auto Skip = [this](std::uint64_t Count) {
    Need(static_cast<std::size_t>(Count));
    FPos += static_cast<std::size_t>(Count);
  };
  switch (ReadValue()) {
    case vaNull:
    case vaNil:
    case vaFalse:
    case vaTrue:
      return;
    case vaList:
      while (!EndOfList()) SkipValue(Depth + 1);
      ReadListEnd();
      return;
    case vaInt8: return Skip(1);
    case vaInt16: return Skip(2);
    case vaInt32:
    case vaSingle: return Skip(4);
    case vaInt64:
    case vaCurrency:
    case vaDate: return Skip(8);
    case vaExtended: return Skip(10);
    case vaString:
    case vaIdent: return Skip(TakeLE(1));
    case vaLString:
    case vaUTF8String:
    case vaBinary: return Skip(TakeLE(4));
    case vaWString: return Skip(2 * TakeLE(4));
    case vaSet:
      for (;;) {
        const std::uint64_t Length = TakeLE(1);
        if (Length == 0) return;
        Skip(Length);
      }
    case vaCollection:
      while (!EndOfList()) {
        if (IsIntegerValue(NextValue())) SkipValue(Depth + 1);
        ReadListBegin();
        while (!EndOfList()) {
          Skip(TakeLE(1));  // the property's name
          SkipValue(Depth + 1);
        }
        ReadListEnd();
      }
      ReadListEnd();
      return;
    default:
      Invalid();
  }
}

std::string TValueDecoder::ReadStr() { return std::string(ReadRaw(static_cast<std::size_t>(TakeLE(1)))); }

void TValueDecoder::ReadSignature() {
  Need(4);
  if (std::memcmp(FData.data() + FPos, FilerSignature, 4) != 0) throw EReadError("Invalid stream format");
  FPos += 4;
}

std::int32_t TValueDecoder::ReadInt32Raw() { return static_cast<std::int32_t>(TakeLE(4)); }

std::string_view TValueDecoder::ReadRaw(std::size_t Count) {
  Need(Count);
  const std::string_view Bytes = FData.substr(FPos, Count);
  FPos += Count;
  return Bytes;
}
