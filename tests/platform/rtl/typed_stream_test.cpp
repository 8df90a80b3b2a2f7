#include "platform/rtl/typed_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

std::string Bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += static_cast<char>(b);
  return s;
}

template <class F>
std::string Written(F write, int bufSize = 100) {
  TMemoryStream stream;
  {
    TWriter writer(stream, bufSize);
    write(writer);
  }
  return stream.DataString();
}

// A memory stream holding the given bytes, positioned at 0.
class TBytesStream : public TMemoryStream {
public:
  explicit TBytesStream(const std::string& bytes) {
    WriteString(bytes);
    SetPosition(0);
  }
};

// A stream that cannot tell its size or seek, like a pipe.
class TUnsizedStream : public TStream {
public:
  explicit TUnsizedStream(std::string data) : FData(std::move(data)) {}
  long Read(void* Buffer, long Count) override {
    long n = std::min<long>(Count, static_cast<long>(FData.size() - FPos));
    std::memcpy(Buffer, FData.data() + FPos, static_cast<std::size_t>(n));
    FPos += static_cast<std::size_t>(n);
    return n;
  }
  long Write(const void*, long) override { return 0; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }

private:
  std::string FData;
  std::size_t FPos = 0;
};

}  // namespace

TEST(TypedStreamWriter, PicksTheSmallestIntegerForm) {
  EXPECT_EQ(Written([](TWriter& w) { w.WriteInteger(127); }), Bytes({2, 0x7F}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteInteger(-128); }), Bytes({2, 0x80}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteInteger(128); }), Bytes({3, 0x80, 0x00}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteInteger(-129); }), Bytes({3, 0x7F, 0xFF}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteInteger(32768); }), Bytes({4, 0x00, 0x80, 0x00, 0x00}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteInteger(-32769); }), Bytes({4, 0xFF, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteInteger(std::int64_t{1} << 31); }),
            Bytes({19, 0, 0, 0, 0x80, 0, 0, 0, 0}));
}

TEST(TypedStreamWriter, ShortStringBelow256BytesLongStringFrom256) {
  std::string s255(255, 'a'), s256(256, 'b');
  std::string w255 = Written([&](TWriter& w) { w.WriteString(s255); });
  ASSERT_EQ(w255.size(), 2u + 255u);
  EXPECT_EQ(w255[0], 6);
  EXPECT_EQ(static_cast<unsigned char>(w255[1]), 255);
  std::string w256 = Written([&](TWriter& w) { w.WriteString(s256); });
  ASSERT_EQ(w256.size(), 5u + 256u);
  EXPECT_EQ(w256.substr(0, 5), Bytes({12, 0x00, 0x01, 0x00, 0x00}));
}

TEST(TypedStreamWriter, FixedEncodings) {
  EXPECT_EQ(Written([](TWriter& w) { w.WriteChar('x'); }), Bytes({6, 1, 'x'}));
  EXPECT_EQ(Written([](TWriter& w) {
              w.WriteBoolean(false);
              w.WriteBoolean(true);
              w.WriteListBegin();
              w.WriteListEnd();
            }),
            Bytes({8, 9, 1, 0}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteFloat(1.0); }),
            Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteFloat(-2.5); }),
            Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteCurrency(1.5); }),
            Bytes({16, 0x98, 0x3A, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteBinary("ab", 2); }), Bytes({10, 2, 0, 0, 0, 'a', 'b'}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteStrings({"a", ""}); }), Bytes({1, 6, 1, 'a', 6, 0, 0}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteIdent("True"); }), Bytes({9}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteIdent("alLeft"); }),
            Bytes({7, 6, 'a', 'l', 'L', 'e', 'f', 't'}));
  EXPECT_EQ(Written([](TWriter& w) { w.WriteSet({"a", "bc"}); }),
            Bytes({11, 1, 'a', 2, 'b', 'c', 0}));
}

TEST(TypedStreamRoundTrip, EveryTag) {
  const std::string longText(70000, 'q');
  std::string data = Written([&](TWriter& w) {
    w.WriteListBegin();
    w.WriteInteger(-5);
    w.WriteInteger(1000);
    w.WriteInteger(-100000);
    w.WriteInteger(std::int64_t{-1} << 40);
    w.WriteFloat(3.14159);
    w.WriteString("short");
    w.WriteIdent("clRed");
    w.WriteBoolean(false);
    w.WriteBoolean(true);
    w.WriteBinary("\0\1\2", 3);
    w.WriteSet({"fsBold", "fsItalic"});
    w.WriteString(longText);
    w.WriteIdent("nil");
    w.WriteSingle(0.25f);
    w.WriteCurrency(-12.3456);
    w.WriteDate(45000.75);
    w.WriteWideString("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    w.WriteUTF8Str("\xC3\xBC");
    w.WriteChar('\0');
    w.WriteListEnd();
  });
  TBytesStream stream(data);
  TReader r(stream, 100);
  r.ReadListBegin();
  EXPECT_EQ(r.ReadInteger(), -5);
  EXPECT_EQ(r.ReadInteger(), 1000);
  EXPECT_EQ(r.ReadInteger(), -100000);
  EXPECT_EQ(r.NextValue(), vaInt64);
  EXPECT_EQ(r.ReadInt64(), std::int64_t{-1} << 40);
  EXPECT_DOUBLE_EQ(r.ReadFloat(), 3.14159);
  EXPECT_EQ(r.ReadString(), "short");
  EXPECT_EQ(r.ReadIdent(), "clRed");
  EXPECT_FALSE(r.ReadBoolean());
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_EQ(r.ReadBinary(), std::string("\0\1\2", 3));
  EXPECT_EQ(r.ReadSet(), (std::vector<std::string>{"fsBold", "fsItalic"}));
  EXPECT_EQ(r.ReadString(), longText);
  EXPECT_EQ(r.ReadIdent(), "nil");
  EXPECT_FLOAT_EQ(r.ReadSingle(), 0.25f);
  EXPECT_DOUBLE_EQ(r.ReadCurrency(), -12.3456);
  EXPECT_DOUBLE_EQ(r.ReadDate(), 45000.75);
  EXPECT_EQ(r.ReadString(), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(r.ReadString(), "\xC3\xBC");
  EXPECT_EQ(r.ReadChar(), '\0');
  EXPECT_TRUE(r.EndOfList());
  EXPECT_TRUE(r.EndOfList());  // peeking does not consume
  r.ReadListEnd();
  EXPECT_THROW(r.ReadValue(), EReadError);
}

TEST(TypedStreamRoundTrip, ExtendedKeepsEveryDouble) {
  const double values[] = {0.0,
                           -0.0,
                           1e-300,
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::denorm_min() * 12345,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           123456789.123456789};
  for (double v : values) {
    std::string data = Written([&](TWriter& w) { w.WriteFloat(v); });
    TBytesStream stream(data);
    TReader r(stream);
    double back = r.ReadFloat();
    EXPECT_EQ(back, v) << v;
    EXPECT_EQ(std::signbit(back), std::signbit(v)) << v;
  }
  std::string nan = Written([](TWriter& w) { w.WriteFloat(std::nan("")); });
  TBytesStream stream(nan);
  TReader r(stream);
  EXPECT_TRUE(std::isnan(r.ReadFloat()));
}

TEST(TypedStreamReader, AcceptsEveryIntegerAndStringForm) {
  TBytesStream stream(Bytes({4, 5, 0, 0, 0, 3, 0xFE, 0xFF, 19, 7, 0, 0, 0, 0, 0, 0, 0,
                                         12, 2, 0, 0, 0, 'h', 'i', 20, 1, 0, 0, 0, 'u',
                                         18, 2, 0, 0, 0, 'o', 0, 'k', 0}));
  TReader r(stream);
  EXPECT_EQ(r.ReadInteger(), 5);
  EXPECT_EQ(r.ReadInteger(), -2);
  EXPECT_EQ(r.ReadInteger(), 7);
  EXPECT_EQ(r.ReadString(), "hi");
  EXPECT_EQ(r.ReadString(), "u");
  EXPECT_EQ(r.ReadString(), "ok");
}

TEST(TypedStreamReader, Utf16SurrogatesAndLoneHalves) {
  // U+1F600 as a pair, then a lone high surrogate.
  TBytesStream stream(Bytes({18, 3, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE, 0x3D, 0xD8}));
  TReader r(stream);
  EXPECT_EQ(r.ReadString(), "\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(TypedStreamReader, WrongTagsRaiseReadError) {
  {
    TBytesStream s(Bytes({6, 1, 'a'}));
    TReader r(s);
    EXPECT_THROW(r.ReadInteger(), EReadError);
  }
  {
    TBytesStream s(Bytes({2, 1}));
    TReader r(s);
    EXPECT_THROW(r.ReadString(), EReadError);
  }
  {
    TBytesStream s(Bytes({6, 2, 'a', 'b'}));
    TReader r(s);
    EXPECT_THROW(r.ReadChar(), EReadError);
  }
  {
    TBytesStream s(Bytes({19, 0, 0, 0, 0, 1, 0, 0, 0}));
    TReader r(s);
    EXPECT_THROW(r.ReadInteger(), EReadError);  // does not fit 32 bits
  }
  {
    TBytesStream s(Bytes({99}));
    TReader r(s);
    EXPECT_THROW(r.SkipValue(), EReadError);
  }
  {
    TBytesStream s(Bytes({2, 1}));
    TReader r(s);
    EXPECT_THROW(r.ReadBoolean(), EReadError);
  }
}

TEST(TypedStreamReader, EveryTruncationRaisesReadError) {
  std::string full = Written([](TWriter& w) {
    w.WriteListBegin();
    w.WriteInteger(70000);
    w.WriteString(std::string(300, 'z'));
    w.WriteFloat(2.0);
    w.WriteBinary("xyz", 3);
    w.WriteWideString("ab");
    w.WriteSet({"s"});
    w.WriteListEnd();
  });
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    TBytesStream s(full.substr(0, cut));
    TReader r(s, 16);
    EXPECT_THROW(r.SkipValue(), EReadError) << "cut at " << cut;
  }
  TBytesStream s(full);
  TReader r(s, 16);
  EXPECT_NO_THROW(r.SkipValue());
}

TEST(TypedStreamReader, OversizedLengthsAreRefusedBeforeAllocating) {
  const std::string forged[] = {Bytes({12, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'}),
                                Bytes({10, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}),
                                Bytes({20, 0x00, 0x00, 0x00, 0x80}),
                                Bytes({18, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0})};
  for (const std::string& bytes : forged) {
    TBytesStream s(bytes);
    TReader r(s);
    if (bytes[0] == 10)
      EXPECT_THROW(r.ReadBinary(), EReadError);
    else
      EXPECT_THROW(r.ReadString(), EReadError);
    TBytesStream s2(bytes);
    TReader r2(s2);
    EXPECT_THROW(r2.SkipValue(), EReadError);
  }
  // A stream that cannot tell its size still fails cleanly at its end.
  TUnsizedStream pipe(Bytes({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}));
  TReader r(pipe);
  EXPECT_EQ(r.BytesLeft(), -1);
  EXPECT_THROW(r.ReadString(), EReadError);
}

TEST(TypedStreamReader, DeepNestingIsRefused) {
  std::string deep(100000, '\x01');
  TBytesStream s(deep);
  TReader r(s);
  EXPECT_THROW(r.SkipValue(), EReadError);
}

TEST(TypedStreamReader, StreamStandsAfterTheLastValueWhenFreed) {
  std::string data = Written([](TWriter& w) {
    w.WriteInteger(1);
    w.WriteString("two");
    w.WriteInteger(3);
  });
  TBytesStream s(data);
  {
    TReader r(s, 100);
    EXPECT_EQ(r.ReadInteger(), 1);
    EXPECT_EQ(r.ReadString(), "two");
    EXPECT_EQ(r.Position(), 7);
  }
  EXPECT_EQ(s.Position(), 7);
  TReader r2(s);
  EXPECT_EQ(r2.ReadInteger(), 3);
}

TEST(TypedStreamReader, SkipsCollectionsAndNestedLists) {
  std::string data = Bytes({14, 2, 0, 1, 1, 'A', 2, 5, 0, 1, 0, 0,  // collection of two items
                            1, 1, 6, 0, 0, 0,                         // nested lists
                            2, 42});
  TBytesStream s(data);
  TReader r(s);
  r.SkipValue();
  r.SkipValue();
  EXPECT_EQ(r.ReadInteger(), 42);
}

TEST(TypedStreamWriter, LongBlocksBypassASmallBuffer) {
  std::string big(5000, 'k');
  std::string data = Written(
      [&](TWriter& w) {
        w.WriteInteger(1);
        w.WriteBinary(big.data(), static_cast<std::uint32_t>(big.size()));
        w.WriteInteger(2);
      },
      16);
  TBytesStream s(data);
  TReader r(s, 16);
  EXPECT_EQ(r.ReadInteger(), 1);
  EXPECT_EQ(r.ReadBinary(), big);
  EXPECT_EQ(r.ReadInteger(), 2);
}

// The codec over memory that the stream classes go through, used directly by the record server.
TEST(ValueCodec, MemoryDecoderTakesWhatTheStreamReaderTakes) {
  const std::string In = Bytes({4, 5, 0, 0, 0, 3, 0xFE, 0xFF, 19, 7, 0, 0, 0, 0, 0, 0, 0, 12, 2, 0, 0, 0,
                                'h', 'i', 20, 1, 0, 0, 0, 'u', 18, 2, 0, 0, 0, 'o', 0, 'k', 0, 12, 1, 0, 0, 0, 'q', 9});
  TValueDecoder Memory(In);
  TBytesStream Stream(In);
  TReader R(Stream);
  for (int Round = 0; Round < 2; ++Round) {
    auto Int = [&] { return Round == 0 ? Memory.ReadInteger() : R.ReadInteger(); };
    auto Str = [&] { return Round == 0 ? Memory.ReadString() : R.ReadString(); };
    EXPECT_EQ(Int(), 5);
    EXPECT_EQ(Int(), -2);
    EXPECT_EQ(Int(), 7);  // an Int64 that fits
    EXPECT_EQ(Str(), "hi");
    EXPECT_EQ(Str(), "u");
    EXPECT_EQ(Str(), "ok");  // UTF-16
    EXPECT_EQ(Round == 0 ? Memory.ReadChar() : R.ReadChar(), 'q');  // a long string of one byte
    EXPECT_TRUE(Round == 0 ? Memory.ReadBoolean() : R.ReadBoolean());
  }
  EXPECT_TRUE(Memory.AtEnd());
}

TEST(ValueCodec, MemoryEncoderWritesWhatTheStreamWriterWrites) {
  std::string Memory;
  TValueEncoder E(Memory);
  const std::string Stream = Written([](TWriter& w) {
    w.WriteInteger(std::int64_t{1} << 40);
    w.WriteString(std::string(300, 'y'));
    w.WriteWideString("\xC3\xA9");
    w.WriteIdent("nil");
    w.WriteSet({"a", "bc"});
    w.WriteBinary("\0\1", 2);
    w.WriteCurrency(1.5);
  }, 16);
  E.WriteInteger(std::int64_t{1} << 40);
  E.WriteString(std::string(300, 'y'));
  E.WriteWideString("\xC3\xA9");
  E.WriteIdent("nil");
  E.WriteSet({"a", "bc"});
  E.WriteBinary(std::string_view("\0\1", 2));
  E.WriteCurrency(1.5);
  EXPECT_EQ(Memory, Stream);
  TValueDecoder D(Memory);
  EXPECT_THROW(D.ReadInteger(), EReadError);  // does not fit 32 bits
}

TEST(ValueCodec, MemoryDecoderRefusesShortAndForgedInput) {
  TValueDecoder Long(Bytes({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}));
  EXPECT_THROW(Long.ReadString(), EReadError);
  TValueDecoder Wide(Bytes({18, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}));
  EXPECT_THROW(Wide.ReadString(), EReadError);
  TValueDecoder Wrong(Bytes({6, 1, 'a'}));
  EXPECT_THROW(Wrong.ReadBoolean(), EReadError);
  TValueDecoder Empty("");
  EXPECT_THROW(Empty.ReadInteger(), EReadError);
  std::string Deep(TValueDecoder::MaxNesting + 2, static_cast<char>(vaList));
  Deep += std::string(TValueDecoder::MaxNesting + 2, static_cast<char>(vaNull));
  TValueDecoder Nested(Deep);
  EXPECT_THROW(Nested.SkipValue(), EReadError);
}
