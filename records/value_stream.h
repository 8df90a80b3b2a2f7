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

// The reads below take the forms the writer makes (a Boolean, a short String, a Chars block of
// one-byte Strings) in place, without a call per value: a record holds hundreds of values, most
// of them empty.  Any other form, and every fault, goes to the decoder's general read from the
// same place, so a stream is accepted or refused with the same error either way, and no length
// is believed beyond the bytes left.
class TValueReader : public TValueDecoder {
public:
  using TValueDecoder::TValueDecoder;
  // A Chars block; each Char in any string form of one byte.
  std::string ReadChars() {
    std::string Bytes;
    ReadCharsInto(Bytes);
    return Bytes;
  }
  void ReadCharsInto(std::string& Bytes);
  void SkipChars() { ReadChars(); }

  bool ReadBooleanFast() {
    if (FPos < FData.size()) {
      const auto Tag = static_cast<std::uint8_t>(FData[FPos]);
      if (Tag == vaTrue || Tag == vaFalse) {
        ++FPos;
        return Tag == vaTrue;
      }
    }
    return ReadBoolean();
  }
  // Any string form, as ReadString.
  void ReadStringInto(std::string& Value) {
    std::string_view Bytes;
    if (TakeShortString(Bytes))
      Value.assign(Bytes);
    else
      ReadOtherStringInto(Value);
  }
  // A list of strings, as ReadStrings.
  void ReadStringsInto(std::vector<std::string>& Lines);

  // The bytes of a short String (tag 6) when the next value is one and whole; otherwise false
  // and nothing read.
  bool TakeShortString(std::string_view& Bytes) {
    if (FData.size() - FPos >= 2 && static_cast<std::uint8_t>(FData[FPos]) == vaString) {
      const std::size_t Length = static_cast<std::uint8_t>(FData[FPos + 1]);
      if (Length <= FData.size() - FPos - 2) {
        Bytes = FData.substr(FPos + 2, Length);
        FPos += 2 + Length;
        return true;
      }
    }
    return false;
  }

  // True, and the bytes read, when the stream goes on with exactly these.
  bool TakeExactly(std::string_view Bytes) {
    if (FData.size() - FPos < Bytes.size() || FData.compare(FPos, Bytes.size(), Bytes) != 0) return false;
    FPos += Bytes.size();
    return true;
  }

private:
  // Any other form, or the error, of ReadString.
  void ReadOtherStringInto(std::string& Value);
  // True, and the list end read, when the next value is one.
  bool TakeListEnd() {
    if (FPos < FData.size() && FData[FPos] == vaNull) {
      ++FPos;
      return true;
    }
    return false;
  }
};

template <std::size_t N>
void WriteStringArray(TValueWriter& Writer, const std::array<std::string, N>& Values) {
  for (const auto& Value : Values) Writer.WriteString(Value);
}

template <std::size_t N>
void ReadStringArray(TValueReader& Reader, std::array<std::string, N>& Values) {
  for (auto& Value : Values) Reader.ReadStringInto(Value);
}
