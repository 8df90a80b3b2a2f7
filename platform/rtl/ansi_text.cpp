// Case folding and collation of the Ansi routines: ASCII plus the Latin letters U+00C0-U+017F,
// from our own table. Every folded character keeps its UTF-8 byte length.
#include <array>

#include "platform/rtl/sysutils.h"

namespace {

constexpr char32_t kFirst = 0xC0, kLast = 0x17F;

struct TLatinEntry {
  char Base = 0;         // 'A'..'Z', or 0 for a non-letter (U+00D7, U+00F7)
  bool Upper = false;
  char32_t Partner = 0;  // the other case, 0 when there is none
};

// Base letters of U+00C0..U+017F, one character each ('.' for the two signs).
constexpr const char* kBases =
    // C0-DF
    "AAAAAAACEEEEIIIIDNOOOOO.OUUUUYTS"
    // E0-FF
    "AAAAAAACEEEEIIIIDNOOOOO.OUUUUYTY"
    // 100-13F
    "AAAAAACCCCCCCCDDDDEEEEEEEEEEGGGGGGGGHHHHIIIIIIIIIIIIJJKKKLLLLLLL"
    // 140-17F
    "LLLNNNNNNNNNOOOOOOOORRRRRRSSSSSSSSTTTTTTUUUUUUUUUUUUWWYYYZZZZZZS";

std::array<TLatinEntry, kLast - kFirst + 1> BuildTable() {
  std::array<TLatinEntry, kLast - kFirst + 1> t{};
  for (char32_t c = kFirst; c <= kLast; ++c) t[c - kFirst].Base = kBases[c - kFirst] == '.' ? 0 : kBases[c - kFirst];
  auto pair = [&](char32_t upper, char32_t lower) {
    t[upper - kFirst].Upper = true;
    t[upper - kFirst].Partner = lower;
    t[lower - kFirst].Partner = upper;
  };
  for (char32_t c = 0xC0; c <= 0xDE; ++c)
    if (c != 0xD7) pair(c, c + 0x20);
  pair(0x178, 0xFF);
  // Even upper, odd lower; U+0130/U+0131 (dotted and dotless i) have no same-length partner.
  for (char32_t c = 0x100; c <= 0x137; c += 2)
    if (c != 0x130) pair(c, c + 1);
  for (char32_t c = 0x139; c <= 0x147; c += 2) pair(c, c + 1);
  for (char32_t c = 0x14A; c <= 0x177; c += 2) pair(c, c + 1);
  for (char32_t c = 0x179; c <= 0x17D; c += 2) pair(c, c + 1);
  t[0x130 - kFirst].Upper = true;
  return t;
}

const std::array<TLatinEntry, kLast - kFirst + 1>& Table() {
  static const auto table = BuildTable();
  return table;
}

// One decoded character: its code point (or, for a byte that is not well-formed UTF-8, the byte
// value marked by the high bit 0x80000000) and its length in bytes.
struct TChar {
  char32_t Code;
  std::size_t Length;
};

constexpr char32_t kRawByte = 0x80000000u;

TChar Decode(const std::string& s, std::size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return {c, 1};
  std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
  if (len == 0 || len > 4 || i + len > s.size()) return {kRawByte | c, 1};
  char32_t cp = c & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return {kRawByte | c, 1};
    cp = (cp << 6) | (cc & 0x3F);
  }
  return {cp, len};
}

void AppendLatin(std::string& out, char32_t cp) {  // U+0080..U+07FF
  out += static_cast<char>(0xC0 | (cp >> 6));
  out += static_cast<char>(0x80 | (cp & 0x3F));
}

std::string FoldCase(const std::string& s, bool toUpper) {
  std::string r;
  r.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    TChar ch = Decode(s, i);
    char32_t c = ch.Code;
    if (c < 0x80) {
      char b = static_cast<char>(c);
      if (toUpper && b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
      if (!toUpper && b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
      r += b;
    } else if (c >= kFirst && c <= kLast) {
      const TLatinEntry& e = Table()[c - kFirst];
      if (e.Partner != 0 && e.Upper != toUpper) c = e.Partner;
      AppendLatin(r, c);
    } else {
      r.append(s, i, ch.Length);
    }
    i += ch.Length;
  }
  return r;
}

// Collation keys of one character, compared level by level over the whole texts.
struct TKey {
  unsigned Primary;  // class in the top bits, then the value within the class
  unsigned Accent;   // 0 for an unaccented letter and for non-letters
  unsigned Case;     // 0 lower (or no case), 1 upper
};

TKey KeyOf(char32_t c) {
  constexpr unsigned kOther = 0u << 28, kDigit = 1u << 28, kLetter = 2u << 28, kForeign = 3u << 28;
  if (c < 0x80) {
    if (c >= '0' && c <= '9') return {kDigit | c, 0, 0};
    if (c >= 'a' && c <= 'z') return {kLetter | (c - 32), 0, 0};
    if (c >= 'A' && c <= 'Z') return {kLetter | c, 0, 1};
    return {kOther | c, 0, 0};
  }
  if (c >= kFirst && c <= kLast) {
    const TLatinEntry& e = Table()[c - kFirst];
    if (e.Base == 0) return {kOther | 0x100 | c, 0, 0};
    char32_t upperForm = e.Upper || e.Partner == 0 ? c : e.Partner;
    return {kLetter | static_cast<unsigned char>(e.Base), static_cast<unsigned>(upperForm), e.Upper ? 1u : 0u};
  }
  if (c & kRawByte) return {kForeign | (c & 0xFF), 0, 0};
  // Other characters: symbols and spaces of the Latin-1 block join the non-alphanumerics;
  // everything else sorts after the letters by code point.
  if (c < kFirst) return {kOther | 0x100 | c, 0, 0};
  return {kForeign | 0x100 | c, 0, 0};
}

int Sign(long long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// One level of the comparison over the whole texts, decoding as it goes (no allocation).
template <class Level>
int CompareLevel(const std::string& a, const std::string& b, Level level) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    TChar ca = Decode(a, i), cb = Decode(b, j);
    unsigned la = level(KeyOf(ca.Code)), lb = level(KeyOf(cb.Code));
    if (la != lb) return la < lb ? -1 : 1;
    i += ca.Length;
    j += cb.Length;
  }
  return Sign(static_cast<long long>(i < a.size()) - static_cast<long long>(j < b.size()));
}

int Collate(const std::string& a, const std::string& b, bool withCase) {
  if (int r = CompareLevel(a, b, [](const TKey& k) { return k.Primary; })) return r;
  if (int r = CompareLevel(a, b, [](const TKey& k) { return k.Accent; })) return r;
  if (withCase) return CompareLevel(a, b, [](const TKey& k) { return k.Case; });
  return 0;
}

}  // namespace

std::string AnsiUpperCase(const std::string& s) { return FoldCase(s, true); }
std::string AnsiLowerCase(const std::string& s) { return FoldCase(s, false); }
int AnsiCompareStr(const std::string& a, const std::string& b) { return Collate(a, b, true); }
int AnsiCompareText(const std::string& a, const std::string& b) { return Collate(a, b, false); }
bool AnsiSameStr(const std::string& a, const std::string& b) { return a == b; }
bool AnsiSameText(const std::string& a, const std::string& b) { return Collate(a, b, false) == 0; }
