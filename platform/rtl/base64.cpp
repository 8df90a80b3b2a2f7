#include "platform/rtl/base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kInvalid = 0x80;

// Six-bit value of each byte; kInvalid for bytes outside the alphabet; "=" reads as zero.
constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
  std::array<std::uint8_t, 256> table{};
  for (auto& v : table) v = kInvalid;
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  table['='] = 0;
  return table;
}

constexpr std::array<std::uint8_t, 256> kDecode = MakeDecodeTable();

// Writes the encoding of n bytes at p into out (room for 4 * ceil(n / 3) characters).
char* EncodeInto(const unsigned char* p, std::size_t n, char* out) {
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const std::uint32_t v = (std::uint32_t{p[i]} << 16) | (std::uint32_t{p[i + 1]} << 8) | p[i + 2];
    out[0] = kAlphabet[v >> 18];
    out[1] = kAlphabet[(v >> 12) & 63];
    out[2] = kAlphabet[(v >> 6) & 63];
    out[3] = kAlphabet[v & 63];
    out += 4;
  }
  if (const std::size_t rest = n - i; rest > 0) {
    std::uint32_t v = std::uint32_t{p[i]} << 16;
    if (rest == 2) v |= std::uint32_t{p[i + 1]} << 8;
    out[0] = kAlphabet[v >> 18];
    out[1] = kAlphabet[(v >> 12) & 63];
    out[2] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out[3] = '=';
    out += 4;
  }
  return out;
}

}  // namespace

std::string Base64Encode(std::string_view data) {
  std::string out((data.size() + 2) / 3 * 4, '\0');
  EncodeInto(reinterpret_cast<const unsigned char*>(data.data()), data.size(), out.data());
  return out;
}

std::string Base64EncodeLines(std::string_view data, std::size_t LineLength, std::string_view LineEnd) {
  const std::string plain = Base64Encode(data);
  if (LineLength == 0) return plain;
  std::string out;
  out.reserve(plain.size() + (plain.size() / LineLength + 1) * LineEnd.size());
  for (std::size_t pos = 0; pos < plain.size(); pos += LineLength) {
    out.append(plain, pos, LineLength);
    out += LineEnd;
  }
  return out;
}

bool Base64Decode(std::string_view text, std::string& Out) {
  const std::size_t groups = text.size() / 4;
  Out.resize(groups * 3);
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  auto* out = reinterpret_cast<unsigned char*>(Out.data());
  std::uint8_t bad = 0;
  for (std::size_t g = 0; g < groups; ++g, in += 4, out += 3) {
    const std::uint8_t a = kDecode[in[0]], b = kDecode[in[1]], c = kDecode[in[2]], d = kDecode[in[3]];
    bad |= a | b | c | d;
    const std::uint32_t v = (std::uint32_t{a} << 18) | (std::uint32_t{b} << 12) | (std::uint32_t{c} << 6) | d;
    out[0] = static_cast<unsigned char>(v >> 16);
    out[1] = static_cast<unsigned char>(v >> 8);
    out[2] = static_cast<unsigned char>(v);
  }
  if (bad & kInvalid) return false;
  std::size_t pads = 0;
  const std::size_t used = groups * 4;
  while (pads < used && pads < 2 && text[used - 1 - pads] == '=') ++pads;
  Out.resize(Out.size() - pads);
  return true;
}
