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

}  // namespace qn_ascii
