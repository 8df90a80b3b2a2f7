#include "platform/rtl/utf8_text.h"

#include <algorithm>

void AppendUtf8(std::string& Out, char32_t CodePoint) {
  char32_t cp = CodePoint;
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    Out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    Out += static_cast<char>(0xC0 | (cp >> 6));
    Out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    Out += static_cast<char>(0xE0 | (cp >> 12));
    Out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (cp >> 18));
    Out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t Utf8Decode(const std::string& text, std::size_t& at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char c = byte(at++);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
  if (extra < 0 || (c & 0xC0) == 0x80) return 0xFFFD;
  char32_t cp = c & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    if (at >= text.size() || (byte(at) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (byte(at++) & 0x3F);
  }
  return cp;
}

namespace {
bool IsContinuation(const std::string& s, int i) {
  return i > 0 && i < static_cast<int>(s.size()) && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
}
}  // namespace

std::string Utf8Encode(char32_t cp) {
  std::string out;
  AppendUtf8(out, cp);
  return out;
}

int Utf8Floor(const std::string& s, int offset) {
  offset = std::clamp(offset, 0, static_cast<int>(s.size()));
  while (IsContinuation(s, offset)) --offset;
  return offset;
}

int Utf8Next(const std::string& s, int offset) {
  int n = static_cast<int>(s.size());
  if (offset >= n) return n;
  ++offset;
  while (IsContinuation(s, offset)) ++offset;
  return offset;
}

int Utf8Prev(const std::string& s, int offset) {
  if (offset <= 0) return 0;
  --offset;
  while (IsContinuation(s, offset)) --offset;
  return offset;
}
