#include "platform/rtl/typed_stream.h"
#include "platform/rtl/utf8_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/ascii_text.h"

// ---- TFiler ----

TFiler::TFiler(TStream& Stream, int BufSize)
    : FStream(Stream), FBuffer(static_cast<std::size_t>(std::max(BufSize, 16))) {}

// ---- TWriter ----

TWriter::TWriter(TStream& Stream, int BufSize) : TFiler(Stream, BufSize) { FPending.reserve(FBuffer.size()); }

TWriter::~TWriter() {
  try {
    FlushBuffer();
  } catch (...) {
    // A destructor cannot report; callers that need to know call FlushBuffer themselves.
  }
}

void TWriter::FlushBuffer() {
  if (!FPending.empty()) {
    std::string out;
    out.swap(FPending);
    FStream.WriteBuffer(out.data(), static_cast<long>(out.size()));
    out.clear();
    FPending.swap(out);  // keeps the capacity
  }
}

std::int64_t TWriter::Position() const { return FStream.Position() + static_cast<std::int64_t>(FPending.size()); }

void TWriter::Pending() {
  if (FPending.size() >= FBuffer.size()) FlushBuffer();
}

void TWriter::Write(const void* Data, long Count) {
  if (Count <= 0) return;
  if (static_cast<std::size_t>(Count) >= FBuffer.size()) {
    FlushBuffer();
    FStream.WriteBuffer(Data, Count);  // large blocks bypass the buffer
    return;
  }
  FPending.append(static_cast<const char*>(Data), static_cast<std::size_t>(Count));
  Pending();
}

void TWriter::WriteValue(TValueType Value) {
  Codec().WriteValue(Value);
  Pending();
}

void TWriter::WriteInteger(std::int64_t Value) {
  Codec().WriteInteger(Value);
  Pending();
}

void TWriter::WriteString(const std::string& Value) {
  if (Value.size() >= FBuffer.size()) {
    // A long string's bytes go straight to the stream after its head.
    if (Value.size() > std::numeric_limits<std::uint32_t>::max()) throw EWriteError();
    Codec().WriteValue(Value.size() < 256 ? vaString : vaLString);
    for (int i = 0, n = Value.size() < 256 ? 1 : 4; i < n; ++i)
      FPending.push_back(static_cast<char>((Value.size() >> (8 * i)) & 0xFF));
    Write(Value.data(), static_cast<long>(Value.size()));
    return;
  }
  Codec().WriteString(Value);
  Pending();
}

void TWriter::WriteUTF8Str(const std::string& Value) {
  Codec().WriteUTF8Str(Value);
  Pending();
}

void TWriter::WriteWideString(const std::string& Value) {
  Codec().WriteWideString(Value);
  Pending();
}

void TWriter::WriteFloat(double Value) {
  Codec().WriteFloat(Value);
  Pending();
}

void TWriter::WriteSingle(float Value) {
  Codec().WriteSingle(Value);
  Pending();
}

void TWriter::WriteCurrency(double Value) {
  Codec().WriteCurrency(Value);
  Pending();
}

void TWriter::WriteDate(double Value) {
  Codec().WriteDate(Value);
  Pending();
}

void TWriter::WriteIdent(const std::string& Ident) {
  Codec().WriteIdent(Ident);
  Pending();
}

void TWriter::WriteSet(const std::vector<std::string>& Idents) {
  Codec().WriteSet(Idents);
  Pending();
}

void TWriter::WriteBinary(const void* Data, std::uint32_t Count) {
  Codec().WriteValue(vaBinary);
  for (int i = 0; i < 4; ++i) FPending.push_back(static_cast<char>((Count >> (8 * i)) & 0xFF));
  Write(Data, static_cast<long>(Count));
}

void TWriter::WriteStrings(const std::vector<std::string>& Lines) {
  WriteListBegin();
  for (const std::string& s : Lines) WriteString(s);
  WriteListEnd();
}

void TWriter::WriteStr(const std::string& Value) {
  Codec().WriteStr(Value);
  Pending();
}

void TWriter::WriteSignature() {
  Codec().WriteSignature();
  Pending();
}

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
  const std::size_t left = FBufEnd - FBufPos;
  FBufPos = FBufEnd = 0;
  if (left > 0) FStream.Seek(-static_cast<std::int64_t>(left), soCurrent);
}

std::int64_t TReader::Position() const {
  return FStream.Position() - static_cast<std::int64_t>(FBufEnd - FBufPos);
}

std::int64_t TReader::BytesLeft() const {
  std::int64_t size = FStream.Size();
  std::int64_t pos = FStream.Position();
  if (size < 0 || pos < 0) return -1;
  return std::max<std::int64_t>(size - pos, 0) + static_cast<std::int64_t>(FBufEnd - FBufPos);
}

void TReader::Fill(std::size_t Count) {
  if (FBufEnd - FBufPos >= Count) return;
  if (FBufPos > 0) {
    std::memmove(FBuffer.data(), FBuffer.data() + FBufPos, FBufEnd - FBufPos);
    FBufEnd -= FBufPos;
    FBufPos = 0;
  }
  while (FBufEnd < Count) {
    // The buffer grows with what arrives, so a length no stream holds allocates little.
    if (FBufEnd == FBuffer.size()) FBuffer.resize(std::min(Count, std::max<std::size_t>(2 * FBuffer.size(), 4096)));
    const long n = FStream.Read(FBuffer.data() + FBufEnd, static_cast<long>(FBuffer.size() - FBufEnd));
    if (n <= 0) return;  // the stream ended: the codec raises
    FBufEnd += static_cast<std::size_t>(n);
  }
}

void TReader::Read(void* Data, long Count) {
  char* p = static_cast<char*>(Data);
  while (Count > 0) {
    if (FBufPos == FBufEnd) {
      if (Count >= static_cast<long>(FBuffer.size())) {
        FStream.ReadBuffer(p, Count);  // large blocks bypass the buffer
        return;
      }
      Fill(1);
      if (FBufPos == FBufEnd) throw EReadError();
    }
    const long n = std::min<long>(Count, static_cast<long>(FBufEnd - FBufPos));
    std::memcpy(p, FBuffer.data() + FBufPos, static_cast<std::size_t>(n));
    FBufPos += static_cast<std::size_t>(n);
    p += n;
    Count -= n;
  }
}

void TReader::CheckLength(std::uint64_t Count) {
  std::int64_t left = BytesLeft();
  if (left >= 0 && Count > static_cast<std::uint64_t>(left)) throw EReadError();
}

void TReader::PropValueError() { throw EReadError("Invalid property value"); }

std::uint64_t TReader::NextValueBytes() {
  Fill(5);
  const std::string_view b(FBuffer.data() + FBufPos, FBufEnd - FBufPos);
  if (b.empty()) throw EReadError();
  auto length = [&](int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes && static_cast<std::size_t>(1 + i) < b.size(); ++i)
      v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(b[static_cast<std::size_t>(1 + i)])) << (8 * i);
    return v;
  };
  switch (static_cast<TValueType>(static_cast<std::uint8_t>(b[0]))) {
    case vaInt8: return 2;
    case vaInt16: return 3;
    case vaInt32:
    case vaSingle: return 5;
    case vaInt64:
    case vaCurrency:
    case vaDate: return 9;
    case vaExtended: return 11;
    case vaString:
    case vaIdent: return 2 + length(1);
    case vaLString:
    case vaUTF8String:
    case vaBinary: return 5 + length(4);
    case vaWString: return 5 + 2 * length(4);
    default: return 1;  // a tag alone (or one the codec refuses)
  }
}

template <class F>
auto TReader::Decode(std::uint64_t Bytes, F&& Work) {
  // Every length is checked against the bytes left before the buffer grows for it (a value that
  // stands in the buffer already is there).
  if (Bytes > FBufEnd - FBufPos) {
    CheckLength(Bytes);
    Fill(static_cast<std::size_t>(Bytes));
  }
  TValueDecoder codec(std::string_view(FBuffer.data() + FBufPos, FBufEnd - FBufPos));
  auto value = Work(codec);
  FBufPos += codec.Position();
  return value;
}

template <class F>
auto TReader::DecodeValue(F&& Work) {
  return Decode(NextValueBytes(), std::forward<F>(Work));
}

TValueType TReader::ReadValue() {
  return Decode(1, [](TValueDecoder& c) { return c.ReadValue(); });
}

TValueType TReader::NextValue() {
  Fill(1);
  if (FBufPos == FBufEnd) throw EReadError();
  return static_cast<TValueType>(static_cast<std::uint8_t>(FBuffer[FBufPos]));
}

void TReader::ReadListBegin() {
  if (ReadValue() != vaList) PropValueError();
}

void TReader::ReadListEnd() {
  if (ReadValue() != vaNull) PropValueError();
}

int TReader::ReadInteger() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadInteger(); });
}

std::int64_t TReader::ReadInt64() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadInt64(); });
}

bool TReader::ReadBoolean() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadBoolean(); });
}

std::string TReader::ReadString() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadString(); });
}

char TReader::ReadChar() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadChar(); });
}

double TReader::ReadFloat() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadFloat(); });
}

float TReader::ReadSingle() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadSingle(); });
}

double TReader::ReadCurrency() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadCurrency(); });
}

double TReader::ReadDate() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadDate(); });
}

std::string TReader::ReadIdent() {
  return DecodeValue([](TValueDecoder& c) { return c.ReadIdent(); });
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
  return DecodeValue([](TValueDecoder& c) { return c.ReadBinary(); });
}

std::vector<std::string> TReader::ReadStrings() {
  ReadListBegin();
  std::vector<std::string> lines;
  while (!EndOfList()) lines.push_back(ReadString());
  ReadListEnd();
  return lines;
}

std::string TReader::ReadStr() {
  Fill(1);
  const std::size_t n = FBufPos < FBufEnd ? static_cast<std::uint8_t>(FBuffer[FBufPos]) : 0;
  return Decode(1 + n, [](TValueDecoder& c) { return c.ReadStr(); });
}

void TReader::ReadSignature() {
  Decode(4, [](TValueDecoder& c) {
    c.ReadSignature();
    return 0;
  });
}

void TReader::SkipBytes(std::uint64_t Count) {
  CheckLength(Count);
  char scratch[4096];
  while (Count > 0) {
    long n = static_cast<long>(std::min<std::uint64_t>(Count, sizeof scratch));
    Read(scratch, n);
    Count -= static_cast<std::uint64_t>(n);
  }
}

void TReader::SkipValue() {
  static thread_local int depth = 0;
  struct DepthGuard {
    DepthGuard() {
      if (++depth > TValueDecoder::MaxNesting) {
        --depth;
        throw EReadError();
      }
    }
    ~DepthGuard() { --depth; }
  } guard;

  switch (NextValue()) {
    case vaList:
      ReadValue();
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      break;
    case vaSet:
      ReadSet();
      break;
    case vaCollection:
      ReadValue();
      while (!EndOfList()) {
        if (IsIntegerValue(NextValue())) SkipValue();
        ReadListBegin();
        while (!EndOfList()) SkipProperty();
        ReadListEnd();
      }
      ReadListEnd();
      break;
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      ReadValue();
      break;
    default: {
      // A value of its own length: taken in pieces, never held whole.
      const TValueType t = NextValue();
      if (t > vaLast || t == vaNull) PropValueError();
      const std::uint64_t bytes = NextValueBytes();
      if (bytes == 1) PropValueError();
      SkipBytes(bytes);
    }
  }
}

void TReader::SkipProperty() {
  ReadStr();
  SkipValue();
}
