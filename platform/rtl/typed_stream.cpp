#include "platform/rtl/typed_stream.h"
#include "platform/rtl/utf8_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/ascii_text.h"

namespace {

// Lists and collections nested deeper than this are refused rather than recursed into.
constexpr int kMaxNesting = 256;

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

std::vector<std::uint16_t> Utf8ToUtf16(const std::string& s) {
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

}  // namespace

// ---- TFiler ----

TFiler::TFiler(TStream& Stream, int BufSize)
    : FStream(Stream), FBuffer(static_cast<std::size_t>(std::max(BufSize, 16))) {}

// ---- TWriter ----

TWriter::TWriter(TStream& Stream, int BufSize) : TFiler(Stream, BufSize) {}

TWriter::~TWriter() {
  try {
    FlushBuffer();
  } catch (...) {
    // A destructor cannot report; callers that need to know call FlushBuffer themselves.
  }
}

void TWriter::FlushBuffer() {
  if (FBufPos > 0) {
    int n = FBufPos;
    FBufPos = 0;
    FStream.WriteBuffer(FBuffer.data(), n);
  }
}

std::int64_t TWriter::Position() const { return FStream.Position() + FBufPos; }

void TWriter::Write(const void* Data, long Count) {
  const char* p = static_cast<const char*>(Data);
  const long size = static_cast<long>(FBuffer.size());
  if (Count > size - FBufPos) {
    FlushBuffer();
    if (Count >= size) {
      FStream.WriteBuffer(p, Count);
      return;
    }
  }
  std::memcpy(FBuffer.data() + FBufPos, p, static_cast<std::size_t>(Count));
  FBufPos += static_cast<int>(Count);
}

void TWriter::WriteLE(std::uint64_t Value, int Bytes) {
  std::uint8_t b[8];
  for (int i = 0; i < Bytes; ++i) b[i] = static_cast<std::uint8_t>(Value >> (8 * i));
  Write(b, Bytes);
}

void TWriter::WriteValue(TValueType Value) {
  std::uint8_t b = Value;
  Write(&b, 1);
}

void TWriter::WriteInteger(std::int64_t Value) {
  if (Value >= -128 && Value <= 127) {
    WriteValue(vaInt8);
    WriteLE(static_cast<std::uint64_t>(Value), 1);
  } else if (Value >= -32768 && Value <= 32767) {
    WriteValue(vaInt16);
    WriteLE(static_cast<std::uint64_t>(Value), 2);
  } else if (Value >= std::numeric_limits<std::int32_t>::min() &&
             Value <= std::numeric_limits<std::int32_t>::max()) {
    WriteValue(vaInt32);
    WriteLE(static_cast<std::uint64_t>(Value), 4);
  } else {
    WriteValue(vaInt64);
    WriteLE(static_cast<std::uint64_t>(Value), 8);
  }
}

void TWriter::WriteString(const std::string& Value) {
  if (Value.size() <= 255) {
    WriteValue(vaString);
    WriteLE(Value.size(), 1);
  } else {
    if (Value.size() > std::numeric_limits<std::uint32_t>::max()) throw EWriteError();
    WriteValue(vaLString);
    WriteLE(Value.size(), 4);
  }
  Write(Value.data(), static_cast<long>(Value.size()));
}

void TWriter::WriteUTF8Str(const std::string& Value) {
  if (Value.size() > std::numeric_limits<std::uint32_t>::max()) throw EWriteError();
  WriteValue(vaUTF8String);
  WriteLE(Value.size(), 4);
  Write(Value.data(), static_cast<long>(Value.size()));
}

void TWriter::WriteWideString(const std::string& Value) {
  std::vector<std::uint16_t> units = Utf8ToUtf16(Value);
  WriteValue(vaWString);
  WriteLE(units.size(), 4);
  for (std::uint16_t u : units) WriteLE(u, 2);
}

void TWriter::WriteFloat(double Value) {
  std::uint8_t b[10];
  DoubleToExtended(Value, b);
  WriteValue(vaExtended);
  Write(b, 10);
}

void TWriter::WriteSingle(float Value) {
  std::uint32_t bits;
  std::memcpy(&bits, &Value, 4);
  WriteValue(vaSingle);
  WriteLE(bits, 4);
}

void TWriter::WriteCurrency(double Value) {
  WriteValue(vaCurrency);
  WriteLE(static_cast<std::uint64_t>(std::llround(Value * 10000.0)), 8);
}

void TWriter::WriteDate(double Value) {
  std::uint64_t bits;
  std::memcpy(&bits, &Value, 8);
  WriteValue(vaDate);
  WriteLE(bits, 8);
}

void TWriter::WriteIdent(const std::string& Ident) {
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

void TWriter::WriteSet(const std::vector<std::string>& Idents) {
  WriteValue(vaSet);
  for (const std::string& s : Idents)
    if (!s.empty()) WriteStr(s);
  WriteStr("");
}

void TWriter::WriteBinary(const void* Data, std::uint32_t Count) {
  WriteValue(vaBinary);
  WriteLE(Count, 4);
  Write(Data, static_cast<long>(Count));
}

void TWriter::WriteStrings(const std::vector<std::string>& Lines) {
  WriteListBegin();
  for (const std::string& s : Lines) WriteString(s);
  WriteListEnd();
}

void TWriter::WriteStr(const std::string& Value) {
  if (Value.size() > 255) throw EWriteError();
  WriteLE(Value.size(), 1);
  Write(Value.data(), static_cast<long>(Value.size()));
}

void TWriter::WriteSignature() { Write(FilerSignature, 4); }

// ---- TReader ----

TReader::TReader(TStream& Stream, int BufSize) : TFiler(Stream, BufSize) {}

TReader::~TReader() {
  try {
    FlushBuffer();
  } catch (...) {
    // The stream cannot seek back; it stays where the buffer left it.
  }
}

void TReader::FlushBuffer() {
  int left = FBufEnd - FBufPos;
  FBufPos = FBufEnd = 0;
  if (left > 0) FStream.Seek(-static_cast<std::int64_t>(left), soCurrent);
}

std::int64_t TReader::Position() const { return FStream.Position() - (FBufEnd - FBufPos); }

std::int64_t TReader::BytesLeft() const {
  std::int64_t size = FStream.Size();
  std::int64_t pos = FStream.Position();
  if (size < 0 || pos < 0) return -1;
  return std::max<std::int64_t>(size - pos, 0) + (FBufEnd - FBufPos);
}

void TReader::ReadBuffer() {
  long n = FStream.Read(FBuffer.data(), static_cast<long>(FBuffer.size()));
  FBufPos = 0;
  FBufEnd = n > 0 ? static_cast<int>(n) : 0;
  if (FBufEnd == 0) throw EReadError();
}

void TReader::Read(void* Data, long Count) {
  char* p = static_cast<char*>(Data);
  while (Count > 0) {
    if (FBufPos == FBufEnd) {
      if (Count >= static_cast<long>(FBuffer.size())) {
        FStream.ReadBuffer(p, Count);  // large blocks bypass the buffer
        return;
      }
      ReadBuffer();
    }
    long n = std::min<long>(Count, FBufEnd - FBufPos);
    std::memcpy(p, FBuffer.data() + FBufPos, static_cast<std::size_t>(n));
    FBufPos += static_cast<int>(n);
    p += n;
    Count -= n;
  }
}

void TReader::CheckLength(std::uint64_t Count) {
  std::int64_t left = BytesLeft();
  if (left >= 0 && Count > static_cast<std::uint64_t>(left)) throw EReadError();
}

std::uint64_t TReader::ReadLE(int Bytes) {
  std::uint8_t b[8];
  Read(b, Bytes);
  std::uint64_t v = 0;
  for (int i = 0; i < Bytes; ++i) v |= static_cast<std::uint64_t>(b[i]) << (8 * i);
  return v;
}

void TReader::PropValueError() { throw EReadError("Invalid property value"); }

TValueType TReader::ReadValue() {
  std::uint8_t b;
  Read(&b, 1);
  return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
  if (FBufPos == FBufEnd) ReadBuffer();
  return static_cast<TValueType>(static_cast<std::uint8_t>(FBuffer[static_cast<std::size_t>(FBufPos)]));
}

void TReader::ReadListBegin() {
  if (ReadValue() != vaList) PropValueError();
}

void TReader::ReadListEnd() {
  if (ReadValue() != vaNull) PropValueError();
}

std::int64_t TReader::ReadIntegerOfType(TValueType Type) {
  switch (Type) {
    case vaInt8: return static_cast<std::int8_t>(ReadLE(1));
    case vaInt16: return static_cast<std::int16_t>(ReadLE(2));
    case vaInt32: return static_cast<std::int32_t>(ReadLE(4));
    case vaInt64: return static_cast<std::int64_t>(ReadLE(8));
    default: PropValueError();
  }
}

int TReader::ReadInteger() {
  std::int64_t v = ReadIntegerOfType(ReadValue());
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    PropValueError();
  return static_cast<int>(v);
}

std::int64_t TReader::ReadInt64() { return ReadIntegerOfType(ReadValue()); }

bool TReader::ReadBoolean() {
  TValueType t = ReadValue();
  if (t == vaTrue) return true;
  if (t == vaFalse) return false;
  PropValueError();
}

std::string TReader::ReadString() {
  TValueType t = ReadValue();
  std::uint64_t count;
  switch (t) {
    case vaString: count = ReadLE(1); break;
    case vaLString:
    case vaUTF8String: count = ReadLE(4); break;
    case vaWString: {
      count = ReadLE(4);
      CheckLength(count * 2);
      std::vector<std::uint16_t> units;
      std::vector<std::uint8_t> raw;
      const std::uint64_t chunk = 32768;
      // Without a known size, take the units in chunks so a forged count cannot allocate much.
      while (units.size() < count) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, count - units.size()));
        raw.resize(n * 2);
        Read(raw.data(), static_cast<long>(raw.size()));
        for (std::size_t i = 0; i < n; ++i)
          units.push_back(static_cast<std::uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8)));
      }
      return Utf16ToUtf8(units);
    }
    default: PropValueError();
  }
  CheckLength(count);
  std::string s;
  const std::uint64_t chunk = 1 << 20;
  while (s.size() < count) {
    std::size_t done = s.size();
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, count - done));
    s.resize(done + n);
    Read(s.data() + done, static_cast<long>(n));
  }
  return s;
}

char TReader::ReadChar() {
  if (ReadValue() != vaString) PropValueError();
  if (ReadLE(1) != 1) PropValueError();
  char c;
  Read(&c, 1);
  return c;
}

double TReader::ReadFloat() {
  TValueType t = NextValue();
  switch (t) {
    case vaExtended: {
      ReadValue();
      std::uint8_t b[10];
      Read(b, 10);
      return ExtendedToDouble(b);
    }
    case vaSingle: return ReadSingle();
    case vaDate: return ReadDate();
    case vaCurrency: return ReadCurrency();
    default: return static_cast<double>(ReadInt64());
  }
}

float TReader::ReadSingle() {
  if (NextValue() != vaSingle) return static_cast<float>(ReadInt64());
  ReadValue();
  std::uint32_t bits = static_cast<std::uint32_t>(ReadLE(4));
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

double TReader::ReadCurrency() {
  if (NextValue() != vaCurrency) return static_cast<double>(ReadInt64());
  ReadValue();
  return static_cast<double>(static_cast<std::int64_t>(ReadLE(8))) / 10000.0;
}

double TReader::ReadDate() {
  if (NextValue() != vaDate) return static_cast<double>(ReadInt64());
  ReadValue();
  std::uint64_t bits = ReadLE(8);
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

std::string TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default: PropValueError();
  }
}

std::vector<std::string> TReader::ReadSet() {
  if (ReadValue() != vaSet) PropValueError();
  std::vector<std::string> idents;
  for (;;) {
    std::string s = ReadStr();
    if (s.empty()) break;
    idents.push_back(std::move(s));
  }
  return idents;
}

std::string TReader::ReadBinary() {
  if (ReadValue() != vaBinary) PropValueError();
  std::uint64_t count = ReadLE(4);
  CheckLength(count);
  std::string data;
  const std::uint64_t chunk = 1 << 20;
  while (data.size() < count) {
    std::size_t done = data.size();
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, count - done));
    data.resize(done + n);
    Read(data.data() + done, static_cast<long>(n));
  }
  return data;
}

std::vector<std::string> TReader::ReadStrings() {
  ReadListBegin();
  std::vector<std::string> lines;
  while (!EndOfList()) lines.push_back(ReadString());
  ReadListEnd();
  return lines;
}

std::string TReader::ReadStr() {
  std::size_t n = static_cast<std::size_t>(ReadLE(1));
  std::string s(n, '\0');
  if (n > 0) Read(s.data(), static_cast<long>(n));
  return s;
}

void TReader::ReadSignature() {
  char sig[4];
  Read(sig, 4);
  if (std::memcmp(sig, FilerSignature, 4) != 0) throw EReadError("Invalid stream format");
}

void TReader::SkipBytes(std::uint64_t Count) {
  CheckLength(Count);
  char scratch[4096];
  while (Count > 0) {
    long n = static_cast<long>(std::min<std::uint64_t>(Count, sizeof scratch));
    Read(scratch, n);
    Count -= n;
  }
}

void TReader::SkipSetBody() {
  for (;;) {
    std::size_t n = static_cast<std::size_t>(ReadLE(1));
    if (n == 0) break;
    SkipBytes(n);
  }
}

void TReader::SkipValue() {
  static thread_local int depth = 0;
  struct DepthGuard {
    DepthGuard() {
      if (++depth > kMaxNesting) {
        --depth;
        throw EReadError();
      }
    }
    ~DepthGuard() { --depth; }
  } guard;

  TValueType t = ReadValue();
  switch (t) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      break;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      break;
    case vaInt8: SkipBytes(1); break;
    case vaInt16: SkipBytes(2); break;
    case vaInt32:
    case vaSingle: SkipBytes(4); break;
    case vaInt64:
    case vaCurrency:
    case vaDate: SkipBytes(8); break;
    case vaExtended: SkipBytes(10); break;
    case vaString:
    case vaIdent: SkipBytes(ReadLE(1)); break;
    case vaBinary:
    case vaLString:
    case vaUTF8String: {
      SkipBytes(ReadLE(4));
      break;
    }
    case vaWString: {
      SkipBytes(ReadLE(4) * 2);
      break;
    }
    case vaSet: SkipSetBody(); break;
    case vaCollection:
      while (!EndOfList()) {
        if (IsIntegerValue(NextValue())) SkipValue();
        ReadListBegin();
        while (!EndOfList()) SkipProperty();
        ReadListEnd();
      }
      ReadListEnd();
      break;
    default: PropValueError();
  }
}

void TReader::SkipProperty() {
  ReadStr();
  SkipValue();
}
