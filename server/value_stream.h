// The typed value stream over a contiguous byte buffer, as the record, configuration and database
// streams use it: each value is a tag byte followed by its little-endian data.  The writer always
// picks the smallest form; the reader accepts every form and checks every length against the
// bytes that are left, so a short or forged stream raises EReadError instead of reading past its
// end.  Records travel in the tens of thousands, so both sides work on memory directly.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/typed_stream.h"

// The tags are those of the run-time library's typed value stream (TValueType).

class TValueWriter {
public:
  explicit TValueWriter(std::string& Buffer) : FBuffer(Buffer) {}

  void WriteBoolean(bool Value) { FBuffer.push_back(static_cast<char>(Value ? vaTrue : vaFalse)); }
  void WriteInteger(std::int32_t Value);
  void WriteString(std::string_view Value);
  void WriteChar(char Value);
  void WriteListBegin() { FBuffer.push_back(static_cast<char>(vaList)); }
  void WriteListEnd() { FBuffer.push_back(static_cast<char>(vaNull)); }
  void WriteBinary(std::string_view Data);
  // A list of strings: list begin, one String per line, list end.
  void WriteStrings(const std::vector<std::string>& Lines);
  // A Chars block: Integer n, then n Char values, one per byte.
  void WriteChars(std::string_view Bytes);
  // Component stream pieces: the signature "TPF0" and length-byte names (cut at 255 bytes).
  void WriteSignature() { FBuffer.append("TPF0", 4); }
  void WriteStr(std::string_view Value);
  void WriteRaw(const void* Data, std::size_t Count) {
    FBuffer.append(static_cast<const char*>(Data), Count);
  }
  void WriteInt32Raw(std::int32_t Value);

  std::string& Buffer() { return FBuffer; }

private:
  std::string& FBuffer;
};

class TValueReader {
public:
  explicit TValueReader(std::string_view Data) : FData(Data) {}

  bool ReadBoolean();
  std::int32_t ReadInteger();
  std::string ReadString();
  void SkipString();
  char ReadChar();
  void ReadListBegin();
  bool EndOfList() const;
  void ReadListEnd();
  std::string ReadBinary();
  std::vector<std::string> ReadStrings();
  void SkipStrings();
  std::string ReadChars();
  void SkipChars();
  // Skips one value of any kind, nested lists and collections included.
  void SkipValue();
  void ReadSignature();
  std::string ReadStr();
  std::int32_t ReadInt32Raw();
  TValueType NextValue() const;

  std::size_t Position() const { return FPos; }
  std::size_t Remaining() const { return FData.size() - FPos; }
  bool AtEnd() const { return FPos >= FData.size(); }

private:
  void Need(std::size_t Count) const {
    if (Count > FData.size() - FPos) throw EReadError();
  }
  std::uint8_t Tag();
  std::string_view StringBytes();
  [[noreturn]] static void Invalid();
  void SkipValue(int Depth);

  std::string_view FData;
  std::size_t FPos = 0;
};

template <std::size_t N>
void WriteStringArray(TValueWriter& Writer, const std::array<std::string, N>& Values) {
  for (const auto& Value : Values) Writer.WriteString(Value);
}

template <std::size_t N>
void ReadStringArray(TValueReader& Reader, std::array<std::string, N>& Values) {
  for (auto& Value : Values) Value = Reader.ReadString();
}
