// Small ASCII text helpers shared by the lists, string lists, INI files and the object model.
#pragma once

#include <string>
#include <string_view>

namespace qn_ascii {

inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

inline std::string UpperText(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = Upper(c);
  return r;
}

// Bytes <= ' ' cut from both ends.
inline std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

// AnsiCompareStr (withCase) or AnsiCompareText, decided without building collation keys while
// the texts are ASCII up to the point of decision: other characters, then digits, then letters by
// their upper-case form; texts equal over the shorter one's length put the shorter first; then,
// with case, the first case difference puts the lower-case letter first.  Returns false (and
// leaves Result alone) when a non-ASCII byte comes first: the caller then takes the full routine.
// Sorted string lists spend their time here.
inline bool CompareAsciiCollated(std::string_view a, std::string_view b, bool withCase,
                                 int& Result) {
  auto primary = [](unsigned char c) -> unsigned {
    if (c >= '0' && c <= '9') return 0x100u + c;
    if (c >= 'a' && c <= 'z') return 0x200u + (c - 32u);
    if (c >= 'A' && c <= 'Z') return 0x200u + c;
    return c;
  };
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca >= 0x80 || cb >= 0x80) return false;
    unsigned pa = primary(ca), pb = primary(cb);
    if (pa != pb) {
      Result = pa < pb ? -1 : 1;
      return true;
    }
  }
  if (a.size() != b.size()) {
    // The longer text has at least one more character, whatever its bytes.
    Result = a.size() < b.size() ? -1 : 1;
    return true;
  }
  Result = 0;
  if (withCase)
    for (std::size_t i = 0; i < n; ++i)
      if (a[i] != b[i]) {
        Result = (a[i] >= 'a' && a[i] <= 'z') ? -1 : 1;
        break;
      }
  return true;
}

}  // namespace qn_ascii
