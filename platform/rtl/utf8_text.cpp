#include "platform/rtl/utf8_text.h"

void AppendUtf8(std::string& Out, char32_t CodePoint) {
  const char32_t cp = CodePoint;
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
