// The server's additions to the typed value codec (platform/rtl/value_codec.h) for the record,
// configuration and database streams: Chars blocks (an Integer count, then that many Char values)
// and arrays of strings.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/value_codec.h"

class TValueWriter : public TValueEncoder {
public:
  using TValueEncoder::TValueEncoder;
  // A Chars block: Integer n, then n Char values, one per byte.
  void WriteChars(std::string_view Bytes);
};

class TValueReader : public TValueDecoder {
public:
  using TValueDecoder::TValueDecoder;
  // A Chars block; each Char in any string form of one byte.
  std::string ReadChars();
  void SkipChars() { ReadChars(); }
};

template <std::size_t N>
void WriteStringArray(TValueWriter& Writer, const std::array<std::string, N>& Values) {
  for (const auto& Value : Values) Writer.WriteString(Value);
}

template <std::size_t N>
void ReadStringArray(TValueReader& Reader, std::array<std::string, N>& Values) {
  for (auto& Value : Values) Value = Reader.ReadString();
}
