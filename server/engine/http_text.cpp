#include "server/engine/http_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/rtl/date_time.h"
#include "platform/sys/process.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string AsciiUpper(std::string Text) {
  for (char& c : Text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return Text;
}

std::string TrimBlanks(const std::string& Text) {
  size_t first = 0, last = Text.size();
  while (first < last && static_cast<unsigned char>(Text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(Text[last - 1]) <= ' ') --last;
  return Text.substr(first, last - first);
}

bool ContainsNoCase(const std::string& Text, const std::string& Part) {
  return AsciiUpper(Text).find(AsciiUpper(Part)) != std::string::npos;
}

std::string UrlDecode(const std::string& Text) {
  std::string result;
  result.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    char c = Text[i];
    if (c == '+') {
      result += ' ';
    } else if (c == '%' && i + 2 < Text.size() + 0 && HexValue(Text[i + 1]) >= 0 &&
               HexValue(Text[i + 2]) >= 0) {
      result += static_cast<char>(HexValue(Text[i + 1]) * 16 + HexValue(Text[i + 2]));
      i += 2;
    } else {
      result += c;
    }
  }
  return result;
}

std::string UrlEncode(const std::string& Text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(Text.size() * 3);
  for (unsigned char c : Text) {
    if (c == ' ') {
      result += '+';
    } else if (c == '.' || c == '/' || c == '\\' || (c >= '0' && c <= '9') ||
               (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      result += static_cast<char>(c);
    } else {
      result += '%';
      result += digits[c >> 4];
      result += digits[c & 15];
    }
  }
  return result;
}

std::string GetUrlEncodedField(const std::string& Name, const std::string& FieldText,
                               const std::string& Default) {
  const std::string wanted = AsciiUpper(TrimBlanks(Name));
  std::string result;
  bool found = false;
  size_t start = 0;
  const size_t size = FieldText.size();
  while (start <= size) {
    size_t end = FieldText.find('&', start);
    if (end == std::string::npos) end = size;
    size_t eq = FieldText.find('=', start);
    if (eq != std::string::npos && eq < end) {
      std::string itemName = AsciiUpper(TrimBlanks(UrlDecode(FieldText.substr(start, eq - start))));
      if (itemName == wanted) {
        if (found) result += "\r\n";
        result += UrlDecode(FieldText.substr(eq + 1, end - eq - 1));
        found = true;
      }
    }
    start = end + 1;
  }
  return found ? result : Default;
}

std::string HttpDateString(double DateTime) {
  // UTC = local time + the bias in force at that moment; then the calendar of that moment.
  const double seconds = (DateTime - 25569.0) * 86400.0 + LocalTimeZoneBiasAt(DateTime) * 60.0;
  const std::time_t moment = static_cast<std::time_t>(std::floor(seconds + 0.5));
  std::tm gmt{};
  gmtime_r(&moment, &gmt);
  static const char dayNames[] = "SunMonTueWedThuFriSat";
  static const char monthNames[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  char text[64];
  std::snprintf(text, sizeof text, "%.3s, %02d %.3s %04d %02d:%02d:%02d GMT",
                dayNames + 3 * gmt.tm_wday, gmt.tm_mday, monthNames + 3 * gmt.tm_mon,
                gmt.tm_year + 1900, gmt.tm_hour, gmt.tm_min, gmt.tm_sec);
  return text;
}

std::string GetEnvVar(const std::string& Name) {
  const char* value = std::getenv(Name.c_str());
  if (!value) return {};
  std::string result(value);
  if (result.size() > 4095) result.resize(4095);
  if (Name == "SERVER_SOFTWARE" && result.find("ZB") != std::string::npos) return {};
  return result;
}

namespace {

std::string ReducePath(std::string Path) {
  for (size_t at; (at = Path.find("/./")) != std::string::npos;) Path.erase(at, 2);
  for (size_t at; (at = Path.find("//")) != std::string::npos;) Path.erase(at, 1);
  return Path;
}

std::string FolderOf(const std::string& Path) {
  size_t slash = Path.rfind('/');
  return slash == std::string::npos ? std::string() : Path.substr(0, slash);
}

}  // namespace

void BuildFilePath(const std::string& ModulePath, const std::string& Folder, bool /*KeepModuleName*/,
                   std::string& Path, const std::string& Extension, bool /*KeepModuleExtension*/,
                   const std::string& Name) {
  if (!Name.empty() && Name[0] == '/') {
    Path = Name;
    return;
  }
  std::string folder = !Folder.empty() && Folder[0] == '/' ? Folder : FolderOf(ModulePath) + "/" + Folder;
  size_t slash = Name.rfind('/');
  std::string fileName = slash == std::string::npos ? Name : Name.substr(slash + 1);
  size_t dot = fileName.find('.');
  std::string base = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  std::string extension = Extension;
  if (extension.empty()) {
    size_t last = fileName.rfind('.');
    if (last != std::string::npos) extension = fileName.substr(last + 1);
  }
  Path = ReducePath(folder + "/" + base + "." + extension);
}

std::string GetModuleName() { return ParamStr(0); }

void THttpCookie::Rename(const std::string& NewName) {
  if (CookieName.empty() || AsciiUpper(CookieName) == AsciiUpper(FLastName)) CookieName = NewName;
  FLastName = NewName;
}

std::string LogTimeStamp() {
  // The short date and long time of the fixed format settings: "12/9/2026 7:05:00 AM".
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%04d %d:%02d:%02d %s", local.tm_mon + 1, local.tm_mday,
                local.tm_year + 1900, hour, local.tm_min, local.tm_sec, local.tm_hour < 12 ? "AM" : "PM");
  return text;
}
