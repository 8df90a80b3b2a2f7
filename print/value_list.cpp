#include "print/value_list.h"

#include <cmath>
#include <limits>

#include "platform/rtl/format_settings.h"
#include "platform/rtl/sysutils.h"

namespace {

const TFormatSettings& Dot() {
  static const TFormatSettings settings = [] {
    TFormatSettings s = DefaultFormatSettings();
    s.DecimalSeparator = '.';
    s.ThousandSeparator = ',';
    return s;
  }();
  return settings;
}

long long Thousandths(double inches) { return std::llround(inches * 1000); }

[[noreturn]] void Bad(const std::string& name, const std::string& value) {
  throw EPgStreamError("Invalid value \"" + value + "\" for " + name);
}

long long ParseInteger(const std::string& name, const std::string& text) {
  std::string t = Trim(text);
  if (t.empty()) Bad(name, text);
  std::size_t i = 0;
  bool negative = false;
  if (t[0] == '-' || t[0] == '+') {
    negative = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) Bad(name, text);
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') Bad(name, text);
    if (v > (std::numeric_limits<long long>::max() - 9) / 10) Bad(name, text);
    v = v * 10 + (t[i] - '0');
  }
  return negative ? -v : v;
}

// The coordinates of a point or rectangle: `count` integers, each within what an inch value
// of a page may be (a million inches either way).
std::vector<double> ParseCoordinates(const std::string& name, const std::string& text, int count) {
  TStringList parts;
  parts.SetCommaText(text);
  if (parts.Count() != count) Bad(name, text);
  std::vector<double> out;
  for (int i = 0; i < count; ++i) {
    long long v = ParseInteger(name, parts[i]);
    if (v < -1000000000LL || v > 1000000000LL) Bad(name, text);
    out.push_back(v / 1000.0);
  }
  return out;
}

}  // namespace

// ---- TPgValueList ---------------------------------------------------------------------------

void TPgValueList::WriteInteger(const std::string& name, long long value) { WriteString(name, IntToStr(value)); }

void TPgValueList::WriteString(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (i >= 0) Put(i, name + "=" + value);
  else Add(name + "=" + value);
}

void TPgValueList::WriteFloat(const std::string& name, double value) {
  WriteString(name, FormatFloat("0.000", value, Dot()));
}

void TPgValueList::WritePoint(const std::string& name, const TPgPointExt& p) {
  WriteString(name, IntToStr(Thousandths(p.X)) + "," + IntToStr(Thousandths(p.Y)));
}

void TPgValueList::WriteRect(const std::string& name, const TPgRectExt& r) {
  WriteString(name, IntToStr(Thousandths(r.Left)) + "," + IntToStr(Thousandths(r.Top)) + "," +
                        IntToStr(Thousandths(r.Right)) + "," + IntToStr(Thousandths(r.Bottom)));
}

std::string TPgValueList::Raw(const std::string& name, bool& found) const {
  int i = IndexOfName(name);
  found = i >= 0;
  return found ? ValueFromIndex(i) : std::string();
}

long long TPgValueList::ReadInteger(const std::string& name, long long def) const {
  bool found;
  std::string v = Raw(name, found);
  return found ? ParseInteger(name, v) : def;
}

long long TPgValueList::ReadInteger(const std::string& name, long long def, long long minValue,
                                    long long maxValue) const {
  bool found;
  std::string v = Raw(name, found);
  if (!found) return def;
  long long n = ParseInteger(name, v);
  if (n < minValue || n > maxValue) Bad(name, v);
  return n;
}

std::string TPgValueList::ReadString(const std::string& name, const std::string& def) const {
  bool found;
  std::string v = Raw(name, found);
  return found ? v : def;
}

double TPgValueList::ReadFloat(const std::string& name, double def) const {
  bool found;
  std::string v = Raw(name, found);
  if (!found) return def;
  double d;
  if (!TryStrToFloat(Trim(v), d, Dot()) || !std::isfinite(d)) Bad(name, v);
  return d;
}

TPgPointExt TPgValueList::ReadPoint(const std::string& name, const TPgPointExt& def) const {
  bool found;
  std::string v = Raw(name, found);
  if (!found) return def;
  std::vector<double> c = ParseCoordinates(name, v, 2);
  return {c[0], c[1]};
}

TPgRectExt TPgValueList::ReadRect(const std::string& name, const TPgRectExt& def) const {
  bool found;
  std::string v = Raw(name, found);
  if (!found) return def;
  std::vector<double> c = ParseCoordinates(name, v, 4);
  return {c[0], c[1], c[2], c[3]};
}

void TPgValueList::SaveToStream(TStream& stream) const { TPgWriter(stream).WriteStrings(*this); }

void TPgValueList::LoadFromStream(TStream& stream) { TPgReader(stream).ReadStrings(*this); }

// ---- TPgWriter ------------------------------------------------------------------------------

void TPgWriter::WriteInteger(std::int32_t value) {
  std::uint32_t u = static_cast<std::uint32_t>(value);
  BYTE b[4] = {BYTE(u), BYTE(u >> 8), BYTE(u >> 16), BYTE(u >> 24)};
  FStream.WriteBuffer(b, 4);
}

void TPgWriter::WriteByte(std::uint8_t value) { FStream.WriteBuffer(&value, 1); }

void TPgWriter::WriteBytes(const std::string& bytes) {
  WriteInteger(static_cast<std::int32_t>(bytes.size()));
  if (!bytes.empty()) FStream.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
}

void TPgWriter::WriteStream(TStream& source) {
  std::int64_t size = source.Size();
  WriteInteger(static_cast<std::int32_t>(size));
  source.SetPosition(0);
  if (size > 0) FStream.CopyFrom(source, size);
}

void TPgWriter::WriteStrings(const TStrings& strings) {
  std::string text;
  for (int i = 0; i < strings.Count(); ++i) text += strings[i] + "\r\n";
  WriteBytes(text);
}

// ---- TPgReader ------------------------------------------------------------------------------

std::int64_t TPgReader::BytesLeft() { return FStream.Size() - FStream.Position(); }

std::int32_t TPgReader::ReadInteger() {
  if (BytesLeft() < 4) throw EPgStreamError("Block ends before its length");
  BYTE b[4];
  FStream.ReadBuffer(b, 4);
  return static_cast<std::int32_t>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                                   std::uint32_t(b[3]) << 24);
}

std::uint8_t TPgReader::ReadByte() {
  if (BytesLeft() < 1) throw EPgStreamError("Block ends early");
  std::uint8_t b;
  FStream.ReadBuffer(&b, 1);
  return b;
}

int TPgReader::ReadCount(int maxCount, int minBytesEach) {
  std::int32_t n = ReadInteger();
  if (n < 0 || n > maxCount || static_cast<std::int64_t>(n) * minBytesEach > BytesLeft())
    throw EPgStreamError("Invalid count " + IntToStr(n));
  return n;
}

std::string TPgReader::ReadBytes() {
  std::int32_t n = ReadInteger();
  if (n < 0 || n > BytesLeft()) throw EPgStreamError("Invalid block length " + IntToStr(n));
  std::string bytes(static_cast<std::size_t>(n), '\0');
  if (n > 0) FStream.ReadBuffer(bytes.data(), n);
  return bytes;
}

void TPgReader::ReadStream(TStream& target) {
  std::string bytes = ReadBytes();
  if (!bytes.empty()) target.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
}

void TPgReader::ReadStrings(TStrings& strings) {
  TStringList scratch;
  scratch.SetText(ReadBytes());
  strings.Assign(&scratch);
}
