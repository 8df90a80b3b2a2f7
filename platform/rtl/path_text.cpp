#include "platform/rtl/path_text.h"

#include "platform/rtl/utf8_text.h"

#include <vector>

#include <unistd.h>

namespace {

std::size_t NameStart(const std::string& fileName) {
  std::size_t p = fileName.rfind(PathDelim);
  return p == std::string::npos ? 0 : p + 1;
}

}  // namespace

std::string ExtractFilePath(const std::string& fileName) { return fileName.substr(0, NameStart(fileName)); }

std::string ExtractFileDir(const std::string& fileName) {
  std::string path = ExtractFilePath(fileName);
  if (path.size() > 1 && path.back() == PathDelim) path.pop_back();
  return path;
}

std::string ExtractFileName(const std::string& fileName) { return fileName.substr(NameStart(fileName)); }

std::string ExtractFileExt(const std::string& fileName) {
  std::size_t start = NameStart(fileName);
  std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || dot < start) return {};
  return fileName.substr(dot);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  std::size_t start = NameStart(fileName);
  std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || dot < start) return fileName + extension;
  return fileName.substr(0, dot) + extension;
}

std::string ExpandFileName(const std::string& fileName) {
  std::string full = fileName;
  if (full.empty() || full[0] != PathDelim) {
    std::string cwd;
    std::vector<char> buf(4096);
    if (getcwd(buf.data(), buf.size())) cwd = buf.data();
    full = IncludeTrailingPathDelimiter(cwd.empty() ? "/" : cwd) + fileName;
  }
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= full.size()) {
    std::size_t j = full.find(PathDelim, i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string r;
  for (const std::string& p : parts) r += PathDelim + p;
  if (r.empty()) r = "/";
  // A trailing delimiter of the input stays (it names a folder).
  if (full.size() > 1 && full.back() == PathDelim && r.back() != PathDelim) r += PathDelim;
  return r;
}

std::string IncludeTrailingPathDelimiter(const std::string& s) {
  if (!s.empty() && s.back() == PathDelim) return s;
  return s + PathDelim;
}

std::string IncludeTrailingBackslash(const std::string& s) { return IncludeTrailingPathDelimiter(s); }

std::string ExcludeTrailingPathDelimiter(const std::string& s) {
  if (s.size() > 1 && s.back() == PathDelim) return s.substr(0, s.size() - 1);
  return s;
}

std::string ExcludeTrailingBackslash(const std::string& s) { return ExcludeTrailingPathDelimiter(s); }

bool IsPlainName(std::string_view Name) {
  if (Name.empty() || Name.size() > 64 || Name[0] == '.' || Name[0] == '-') return false;
  const std::string Text(Name);
  for (std::size_t At = 0; At < Text.size();) {
    const auto B = static_cast<unsigned char>(Text[At]);
    if (B < 0x20 || B == 0x7F) return false;
    if (B < 0x80) {
      if (std::string_view("/\\:;*?\"<>|").find(static_cast<char>(B)) != std::string_view::npos) return false;
      ++At;
      continue;
    }
    // A code point is taken only in its shortest UTF-8 form.
    const std::size_t From = At;
    const char32_t CodePoint = Utf8Decode(Text, At);
    if (At <= From || Text.compare(From, At - From, Utf8Encode(CodePoint)) != 0) return false;
  }
  return true;
}
