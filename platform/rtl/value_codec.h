// The typed value codec over memory: each value is a tag byte (TValueType) followed by its
// little-endian data.  TValueEncoder appends values to a string, always in the smallest form;
// TValueDecoder reads them from a byte view and accepts every form, checking every length and
// count against the bytes that are left, so a short or forged input raises EReadError before
// anything is allocated for it.  TWriter and TReader (typed_stream.h) stream through it.
// Invariant: what the encoder writes the decoder reads back unchanged, and no length read from
// input is trusted beyond the bytes that follow it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/invariant.h"

enum TValueType : std::uint8_t {
  vaNull = 0,        // list end
  vaList = 1,        // list begin
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,    // 10-byte x87 extended, held as double
  vaString = 6,      // length byte, bytes
  vaIdent = 7,       // length byte, bytes
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,     // 4-byte length, bytes
  vaSet = 11,        // identifiers (length byte, bytes) until an empty one
  vaLString = 12,    // 4-byte length, bytes
  vaNil = 13,
  vaCollection = 14, // items (optional Integer index, list begin, properties, list end), list end
  vaSingle = 15,     // 4-byte float
  vaCurrency = 16,   // int64 scaled by 10000
  vaDate = 17,       // 8-byte double
  vaWString = 18,    // 4-byte count of UTF-16 units, the units
  vaInt64 = 19,
  vaUTF8String = 20, // 4-byte length, bytes
};
inline constexpr std::uint8_t vaLast = vaUTF8String;

inline bool IsIntegerValue(TValueType t) {
  return t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64;
}

// The component stream's signature.
inline constexpr char FilerSignature[4] = {'T', 'P', 'F', '0'};

class TValueEncoder {
public:
  explicit TValueEncoder(std::string& Buffer) : FBuffer(Buffer) {}

  void WriteValue(TValueType Value) { FBuffer.push_back(static_cast<char>(Value)); }
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
  // The smallest of the 1-, 2-, 4- and 8-byte forms.
  void WriteInteger(std::int64_t Value);
  void WriteInteger(std::int32_t Value) { WriteInteger(static_cast<std::int64_t>(Value)); }
  // A short string (tag 6) below 256 bytes, else a long string (tag 12).
  void WriteString(std::string_view Value);
  // A string of length 1.
  void WriteChar(char Value);
  // Tag 20 with a 4-byte length.
  void WriteUTF8Str(std::string_view Value);
  // Tag 18: the UTF-8 text as UTF-16 units.
  void WriteWideString(std::string_view Value);
  void WriteFloat(double Value);  // extended
  void WriteSingle(float Value);
  // Value x 10000, rounded, as an 8-byte integer.
  void WriteCurrency(double Value);
  void WriteDate(double Value);
  // An identifier; "False", "True", "nil" and "Null" take their own tags.
  void WriteIdent(std::string_view Ident);
  void WriteSet(const std::vector<std::string>& Idents);
  void WriteBinary(std::string_view Data);
  // A list of strings: list begin, one String per line, list end.
  void WriteStrings(const std::vector<std::string>& Lines);

  // Untagged pieces: a length byte and at most 255 bytes (longer raises EWriteError), the
  // signature, a raw 4-byte integer, raw bytes.
  void WriteStr(std::string_view Value);
  void WriteSignature() { FBuffer.append(FilerSignature, 4); }
  void WriteInt32Raw(std::int32_t Value) { PutLE(static_cast<std::uint32_t>(Value), 4); }
  void WriteRaw(const void* Data, std::size_t Count) { FBuffer.append(static_cast<const char*>(Data), Count); }

  std::string& Buffer() { return FBuffer; }

protected:
  void PutLE(std::uint64_t Value, int Bytes);
  std::string& FBuffer;
};

class TValueDecoder {
public:
  explicit TValueDecoder(std::string_view Data) : FData(Data) {}

  TValueType ReadValue();
  // The tag of the next value, not consumed.
  TValueType NextValue() const;
  bool EndOfList() const { return NextValue() == vaNull; }
  void ReadListBegin();
  void ReadListEnd();
  // Tags 2, 3, 4, and 19 when the value fits 32 bits.
  std::int32_t ReadInteger();
  // Tags 2, 3, 4, 19.
  std::int64_t ReadInt64();
  bool ReadBoolean();
  // Tags 6, 12, 20, and 18 (converted to UTF-8).
  std::string ReadString();
  void SkipString();
  // A string of length 1, in any string form.
  char ReadChar();
  // Extended (5), single, date, currency, or any integer form.
  double ReadFloat();
  // Single (15), or any integer form.
  float ReadSingle();
  // Currency (16) as a decimal value, or any integer form.
  double ReadCurrency();
  // Date (17), or any integer form.
  double ReadDate();
  // Tags 7, 8 ("False"), 9 ("True"), 13 ("nil"), 0 ("Null").
  std::string ReadIdent();
  std::vector<std::string> ReadSet();
  // The bytes of a binary value (tag 10).
  std::string ReadBinary();
  std::vector<std::string> ReadStrings();
  void SkipStrings();
  // Skips one value of any kind, nested lists and collections included.
  void SkipValue();

  // Untagged pieces.
  std::string ReadStr();
  // Raises EReadError "Invalid stream format" unless the next 4 bytes are the signature.
  void ReadSignature();
  std::int32_t ReadInt32Raw();
  // Count raw bytes.
  std::string_view ReadRaw(std::size_t Count);

  std::size_t Position() const { return FPos; }
  std::size_t Remaining() const { return FData.size() - FPos; }
  bool AtEnd() const { return FPos >= FData.size(); }

  // Lists and collections nested deeper than this are refused rather than recursed into.
  static constexpr int MaxNesting = 256;

protected:
  void Need(std::size_t Count) const {
    QN_ASSERT(FPos <= FData.size());  // nothing was read past the end
    if (Count > FData.size() - FPos) throw EReadError();
  }
  std::uint64_t TakeLE(int Bytes);
  std::int64_t IntegerOfType(TValueType Type);
  std::string_view StringBytes();
  [[noreturn]] static void Invalid();
  void SkipValue(int Depth);

  std::string_view FData;
  std::size_t FPos = 0;
};
