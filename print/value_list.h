// Value lists (Name=Value lines in which the page engine's objects and resources keep their
// fields) and the engine's stream blocks: 4-byte little-endian lengths in front of every list,
// string and embedded stream.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"
#include "print/page_units.h"

// A block or value that cannot be what the engine wrote: a length past the bytes left, a
// number that is not one, a value out of its range.
class EPgStreamError : public Exception {
public:
  using Exception::Exception;
};

class TPgValueList : public TStringList {
public:
  void WriteInteger(const std::string& name, long long value);
  void WriteEnum(const std::string& name, int value) { WriteInteger(name, value & 0xFF); }
  void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
  void WriteString(const std::string& name, const std::string& value);
  // "0.000" with "." whatever the locale.
  void WriteFloat(const std::string& name, double value);
  // Inches as thousandths, rounded.
  void WritePoint(const std::string& name, const TPgPointExt& point);
  void WriteRect(const std::string& name, const TPgRectExt& rect);

  bool HasValue(const std::string& name) const { return IndexOfName(name) >= 0; }
  // The value of the first line of that name, or the default. A value that is not a number of
  // its kind raises EPgStreamError.
  long long ReadInteger(const std::string& name, long long defaultValue) const;
  // An integer that must lie in minValue..maxValue (EPgStreamError otherwise).
  long long ReadInteger(const std::string& name, long long defaultValue, long long minValue, long long maxValue) const;
  int ReadEnum(const std::string& name, int defaultValue, int count) const {
    return static_cast<int>(ReadInteger(name, defaultValue, 0, count - 1));
  }
  bool ReadBool(const std::string& name, bool defaultValue) const {
    return ReadInteger(name, defaultValue ? 1 : 0, 0, 1) != 0;
  }
  std::string ReadString(const std::string& name, const std::string& defaultValue) const;
  double ReadFloat(const std::string& name, double defaultValue) const;
  TPgPointExt ReadPoint(const std::string& name, const TPgPointExt& defaultValue) const;
  TPgRectExt ReadRect(const std::string& name, const TPgRectExt& defaultValue) const;

  // One string-list block.
  void SaveToStream(TStream& stream) const override;
  void LoadFromStream(TStream& stream) override;

private:
  std::string Raw(const std::string& name, bool& found) const;
};

class TPgWriter {
public:
  explicit TPgWriter(TStream& stream) : FStream(stream) {}
  void WriteInteger(std::int32_t value);
  void WriteByte(std::uint8_t value);
  // The source's size, then its bytes from position 0.
  void WriteStream(TStream& source);
  void WriteBytes(const std::string& bytes);
  void WriteStrings(const TStrings& strings);
  TStream& Stream() { return FStream; }

private:
  TStream& FStream;
};

// Every length read is checked against the bytes left (EPgStreamError).
class TPgReader {
public:
  explicit TPgReader(TStream& stream) : FStream(stream) {}
  std::int32_t ReadInteger();
  std::uint8_t ReadByte();
  // A count that must lie in 0..maxCount and needs at least minBytesEach bytes per item.
  int ReadCount(int maxCount, int minBytesEach);
  void ReadStream(TStream& target);
  std::string ReadBytes();
  void ReadStrings(TStrings& strings);
  std::int64_t BytesLeft();
  TStream& Stream() { return FStream; }

private:
  TStream& FStream;
};
