#include "records/value_stream.h"

#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
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

// The processor is asked at the first use, not at the start: a CGI process never reads a
// stream, and a processor query costs a short process (a CGI request's) tens of microseconds
// under virtualisation.
bool HasSsse3() {
  static const bool Has = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & bit_SSSE3) != 0;
  }();
  return Has;
}
#endif

// As many Chars of the writer's form as there are from In, up to Count; returns how many.
std::size_t TakeChars(const char* In, char* Out, std::size_t Count) {
  std::size_t i = 0;
#if defined(__x86_64__)
  if (HasSsse3()) {
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


}  // namespace

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

void TValueReader::ReadCharsInto(std::string& Bytes) {
  const std::int32_t Count = ReadInteger();
  // Every Char takes at least three bytes: refuse a count the stream cannot hold before
  // allocating for it.
  if (Count < 0 || static_cast<std::size_t>(Count) > Remaining() / 3) throw EReadError();
  Bytes.resize(static_cast<std::size_t>(Count));
  // Fast path over the writer's own form; anything else goes through ReadChar.
  std::size_t i = TakeChars(FData.data() + FPos, Bytes.data(), Bytes.size());
  FPos += 3 * i;
  for (; i < Bytes.size(); ++i) Bytes[i] = ReadChar();
}

void TValueReader::ReadStringsInto(std::vector<std::string>& Lines) {
  ReadListBegin();
  // Counted first, so that a long list is not moved as it grows.
  const std::size_t Start = FPos;
  std::size_t Count = 0;
  for (std::string_view Bytes; !TakeListEnd(); ++Count)
    if (!TakeShortString(Bytes)) SkipString();
  FPos = Start;
  Lines.clear();
  Lines.reserve(Count);
  for (std::size_t i = 0; i < Count; ++i) ReadStringInto(Lines.emplace_back());
  ReadListEnd();
}

void TValueReader::ReadOtherStringInto(std::string& Value) { Value = ReadString(); }
