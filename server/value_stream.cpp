#include "server/value_stream.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__)
// The writer's form of a Chars block, sixteen Chars (48 bytes) at a time: checks that each is a
// String of length 1 and gathers their bytes.  Returns the Chars taken; it stops before the
// first group of sixteen not in that form.
__attribute__((target("ssse3"))) std::size_t TakeCharsSsse3(const char* In, char* Out, std::size_t Count) {
  alignas(16) static const std::uint8_t Expect[48] = {
      vaString, 1, 0, vaString, 1, 0, vaString, 1, 0, vaString, 1, 0, vaString, 1, 0, vaString,
      1, 0, vaString, 1, 0, vaString, 1, 0, vaString, 1, 0, vaString, 1, 0, vaString, 1,
      0, vaString, 1, 0, vaString, 1, 0, vaString, 1, 0, vaString, 1, 0, vaString, 1, 0};
  alignas(16) static const std::uint8_t Mask[48] = {
      255, 255, 0, 255, 255, 0, 255, 255, 0, 255, 255, 0, 255, 255, 0, 255,
      255, 0, 255, 255, 0, 255, 255, 0, 255, 255, 0, 255, 255, 0, 255, 255,
      0, 255, 255, 0, 255, 255, 0, 255, 255, 0, 255, 255, 0, 255, 255, 0};
  const __m128i E0 = _mm_load_si128(reinterpret_cast<const __m128i*>(Expect));
  const __m128i E1 = _mm_load_si128(reinterpret_cast<const __m128i*>(Expect + 16));
  const __m128i E2 = _mm_load_si128(reinterpret_cast<const __m128i*>(Expect + 32));
  const __m128i M0 = _mm_load_si128(reinterpret_cast<const __m128i*>(Mask));
  const __m128i M1 = _mm_load_si128(reinterpret_cast<const __m128i*>(Mask + 16));
  const __m128i M2 = _mm_load_si128(reinterpret_cast<const __m128i*>(Mask + 32));
  // The data bytes sit at 2, 5, ..., 47: five in the first vector, five in the second, six in the
  // third.
  const __m128i S0 = _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i S1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1);
  const __m128i S2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15);
  std::size_t Done = 0;
  for (; Done + 16 <= Count; Done += 16, In += 48) {
    const __m128i V0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(In));
    const __m128i V1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(In + 16));
    const __m128i V2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(In + 32));
    const __m128i Same = _mm_and_si128(
        _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(V0, M0), E0), _mm_cmpeq_epi8(_mm_and_si128(V1, M1), E1)),
        _mm_cmpeq_epi8(_mm_and_si128(V2, M2), E2));
    if (_mm_movemask_epi8(Same) != 0xFFFF) break;
    const __m128i Bytes = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(V0, S0), _mm_shuffle_epi8(V1, S1)),
                                       _mm_shuffle_epi8(V2, S2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + Done), Bytes);
  }
  return Done;
}

const bool HasSsse3 = __builtin_cpu_supports("ssse3");
#endif

// As many Chars of the writer's form as there are from In, up to Count; returns how many.
std::size_t TakeChars(const char* In, char* Out, std::size_t Count) {
  std::size_t i = 0;
#if defined(__x86_64__)
  if (HasSsse3) {
    i = TakeCharsSsse3(In, Out, Count);
    In += 3 * i;
  }
#endif
  for (; i < Count; ++i, In += 3) {
    if (In[0] != vaString || In[1] != 1) break;
    Out[i] = In[2];
  }
  return i;
}

void PutLE(std::string& Out, std::uint32_t Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i) Out.push_back(static_cast<char>((Value >> (8 * i)) & 0xFF));
}

std::uint32_t GetLE(const char* Data, int Bytes) {
  std::uint32_t Value = 0;
  for (int i = 0; i < Bytes; ++i)
    Value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(Data[i])) << (8 * i);
  return Value;
}

// A stream nested deeper than this is not one the system writes.
constexpr int MaxNesting = 64;

}  // namespace

void TValueWriter::WriteInteger(std::int32_t Value) {
  if (Value >= -128 && Value <= 127) {
    FBuffer.push_back(static_cast<char>(vaInt8));
    PutLE(FBuffer, static_cast<std::uint32_t>(Value), 1);
  } else if (Value >= -32768 && Value <= 32767) {
    FBuffer.push_back(static_cast<char>(vaInt16));
    PutLE(FBuffer, static_cast<std::uint32_t>(Value), 2);
  } else {
    FBuffer.push_back(static_cast<char>(vaInt32));
    PutLE(FBuffer, static_cast<std::uint32_t>(Value), 4);
  }
}

void TValueWriter::WriteString(std::string_view Value) {
  if (Value.size() < 256) {
    FBuffer.push_back(static_cast<char>(vaString));
    FBuffer.push_back(static_cast<char>(Value.size()));
  } else {
    FBuffer.push_back(static_cast<char>(vaLString));
    PutLE(FBuffer, static_cast<std::uint32_t>(Value.size()), 4);
  }
  FBuffer.append(Value);
}

void TValueWriter::WriteChar(char Value) {
  const char Bytes[3] = {static_cast<char>(vaString), 1, Value};
  FBuffer.append(Bytes, 3);
}

void TValueWriter::WriteBinary(std::string_view Data) {
  FBuffer.push_back(static_cast<char>(vaBinary));
  PutLE(FBuffer, static_cast<std::uint32_t>(Data.size()), 4);
  FBuffer.append(Data);
}

void TValueWriter::WriteStrings(const std::vector<std::string>& Lines) {
  WriteListBegin();
  for (const std::string& Line : Lines) WriteString(Line);
  WriteListEnd();
}

void TValueWriter::WriteChars(std::string_view Bytes) {
  WriteInteger(static_cast<std::int32_t>(Bytes.size()));
  const std::size_t Start = FBuffer.size();
  FBuffer.resize(Start + 3 * Bytes.size());
  char* Out = FBuffer.data() + Start;
  for (char Byte : Bytes) {
    *Out++ = static_cast<char>(vaString);
    *Out++ = 1;
    *Out++ = Byte;
  }
}

void TValueWriter::WriteStr(std::string_view Value) {
  if (Value.size() > 255) Value = Value.substr(0, 255);
  FBuffer.push_back(static_cast<char>(Value.size()));
  FBuffer.append(Value);
}

void TValueWriter::WriteInt32Raw(std::int32_t Value) {
  PutLE(FBuffer, static_cast<std::uint32_t>(Value), 4);
}

void TValueReader::Invalid() { throw EReadError("Invalid property value"); }

std::uint8_t TValueReader::Tag() {
  Need(1);
  return static_cast<std::uint8_t>(FData[FPos++]);
}

TValueType TValueReader::NextValue() const {
  Need(1);
  return static_cast<TValueType>(static_cast<std::uint8_t>(FData[FPos]));
}

bool TValueReader::ReadBoolean() {
  const std::uint8_t T = Tag();
  if (T == vaTrue) return true;
  if (T == vaFalse) return false;
  Invalid();
}

std::int32_t TValueReader::ReadInteger() {
  const std::uint8_t T = Tag();
  switch (T) {
    case vaInt8:
      Need(1);
      return static_cast<std::int8_t>(FData[FPos++]);
    case vaInt16: {
      Need(2);
      const auto V = static_cast<std::int16_t>(GetLE(FData.data() + FPos, 2));
      FPos += 2;
      return V;
    }
    case vaInt32: {
      Need(4);
      const auto V = static_cast<std::int32_t>(GetLE(FData.data() + FPos, 4));
      FPos += 4;
      return V;
    }
    default:
      Invalid();
  }
}

std::string_view TValueReader::StringBytes() {
  const std::uint8_t T = Tag();
  std::size_t Length;
  if (T == vaString) {
    Need(1);
    Length = static_cast<std::uint8_t>(FData[FPos++]);
  } else if (T == vaLString || T == vaUTF8String) {
    Need(4);
    Length = GetLE(FData.data() + FPos, 4);
    FPos += 4;
  } else {
    Invalid();
  }
  Need(Length);
  std::string_view Bytes = FData.substr(FPos, Length);
  FPos += Length;
  return Bytes;
}

std::string TValueReader::ReadString() { return std::string(StringBytes()); }

void TValueReader::SkipString() { StringBytes(); }

char TValueReader::ReadChar() {
  // The common form first: a String of length 1.
  if (FData.size() - FPos >= 3 && FData[FPos] == vaString && FData[FPos + 1] == 1) {
    FPos += 3;
    return FData[FPos - 1];
  }
  std::string_view Bytes = StringBytes();
  if (Bytes.size() != 1) Invalid();
  return Bytes[0];
}

void TValueReader::ReadListBegin() {
  if (Tag() != vaList) Invalid();
}

bool TValueReader::EndOfList() const { return NextValue() == vaNull; }

void TValueReader::ReadListEnd() {
  if (Tag() != vaNull) Invalid();
}

std::string TValueReader::ReadBinary() {
  if (Tag() != vaBinary) Invalid();
  const std::size_t Length = static_cast<std::size_t>(ReadInt32Raw()) & 0xFFFFFFFFu;
  Need(Length);
  std::string Bytes(FData.substr(FPos, Length));
  FPos += Length;
  return Bytes;
}

std::vector<std::string> TValueReader::ReadStrings() {
  std::vector<std::string> Lines;
  ReadListBegin();
  while (!EndOfList()) Lines.push_back(ReadString());
  ReadListEnd();
  return Lines;
}

void TValueReader::SkipStrings() {
  ReadListBegin();
  while (!EndOfList()) SkipString();
  ReadListEnd();
}

std::string TValueReader::ReadChars() {
  const std::int32_t Count = ReadInteger();
  // Every Char takes at least three bytes: refuse a count the stream cannot hold before
  // allocating for it.
  if (Count < 0 || static_cast<std::size_t>(Count) > Remaining() / 3) throw EReadError();
  std::string Bytes(static_cast<std::size_t>(Count), '\0');
  // Fast path over the writer's own form; anything else goes through ReadChar.
  std::size_t i = TakeChars(FData.data() + FPos, Bytes.data(), Bytes.size());
  FPos += 3 * i;
  for (; i < Bytes.size(); ++i) Bytes[i] = ReadChar();
  return Bytes;
}

void TValueReader::SkipChars() { ReadChars(); }

void TValueReader::SkipValue() { SkipValue(0); }

void TValueReader::SkipValue(int Depth) {
  if (Depth > MaxNesting) Invalid();
  const std::uint8_t T = Tag();
  auto Skip = [this](std::size_t Count) {
    Need(Count);
    FPos += Count;
  };
  switch (T) {
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
    case vaIdent: {
      Need(1);
      const std::size_t Length = static_cast<std::uint8_t>(FData[FPos++]);
      return Skip(Length);
    }
    case vaLString:
    case vaUTF8String:
    case vaBinary:
      return Skip(static_cast<std::uint32_t>(ReadInt32Raw()));
    case vaWString:
      return Skip(2 * static_cast<std::size_t>(static_cast<std::uint32_t>(ReadInt32Raw())));
    case vaSet:
      for (;;) {
        const std::string Name = ReadStr();
        if (Name.empty()) return;
      }
    case vaCollection:
      if (!EndOfList() && NextValue() >= vaInt8 && NextValue() <= vaInt32) ReadInteger();
      while (!EndOfList()) {
        ReadListBegin();
        while (!EndOfList()) {
          ReadStr();
          SkipValue(Depth + 1);
        }
        ReadListEnd();
        if (!EndOfList() && NextValue() >= vaInt8 && NextValue() <= vaInt32) ReadInteger();
      }
      ReadListEnd();
      return;
    default:
      Invalid();
  }
}

void TValueReader::ReadSignature() {
  Need(4);
  if (FData.substr(FPos, 4) != "TPF0") throw EReadError("Invalid stream format");
  FPos += 4;
}

std::string TValueReader::ReadStr() {
  Need(1);
  const std::size_t Length = static_cast<std::uint8_t>(FData[FPos++]);
  Need(Length);
  std::string Value(FData.substr(FPos, Length));
  FPos += Length;
  return Value;
}

std::int32_t TValueReader::ReadInt32Raw() {
  Need(4);
  const auto V = static_cast<std::int32_t>(GetLE(FData.data() + FPos, 4));
  FPos += 4;
  return V;
}
