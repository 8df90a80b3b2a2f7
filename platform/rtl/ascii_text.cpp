#include "platform/rtl/ascii_text.h"

namespace qn_ascii {

namespace {

// Primary weight: class (other 0, digit 1, letter 2, non-ASCII 3) and value within it.
int Primary(unsigned char c) {
  if (c >= '0' && c <= '9') return 0x100 + c;
  if (c >= 'a' && c <= 'z') return 0x200 + (c - 32);
  if (c >= 'A' && c <= 'Z') return 0x200 + c;
  if (c >= 0x80) return 0x300 + c;
  return c;
}

}  // namespace

int CompareListText(std::string_view a, std::string_view b, bool caseSensitive) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    int pa = Primary(static_cast<unsigned char>(a[i]));
    int pb = Primary(static_cast<unsigned char>(b[i]));
    if (pa != pb) return pa < pb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  if (!caseSensitive) return 0;
  // Same letters: the first case difference decides, lower case first.
  for (std::size_t i = 0; i < n; ++i) {
    char ca = a[i], cb = b[i];
    if (ca != cb) return (ca >= 'a' && ca <= 'z') ? -1 : 1;
  }
  return 0;
}

}  // namespace qn_ascii
