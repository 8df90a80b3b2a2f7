#include "net/net_text.h"

#include "platform/rtl/streams.h"

std::string TrimBlanks(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string UpperCaseAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string LowerCaseAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Cut255(const std::string& s) { return s.size() > 255 ? s.substr(0, 255) : s; }

bool ParseDecimalNumber(const std::string& s, std::int64_t& value) {
  const std::string t = TrimBlanks(s);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  if (i >= t.size() || t.size() - i > 18) return false;
  std::int64_t v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

bool ParseHexNumber(const std::string& s, std::int64_t& value) {
  if (s.empty() || s.size() > 15) return false;
  std::int64_t v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * 16 + d;
  }
  value = v;
  return true;
}

std::string ReadWholeStream(TStream& stream) {
  stream.SetPosition(0);
  std::string data(static_cast<std::size_t>(stream.Size()), '\0');
  if (!data.empty()) data.resize(static_cast<std::size_t>(stream.Read(data.data(), static_cast<long>(data.size()))));
  return data;
}

std::string OneLine(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

std::string GetHeaderParameter(const std::string& line, const std::string& name) {
  if (name.empty()) return {};
  const std::string lower = LowerCaseAscii(line);
  const std::string key = LowerCaseAscii(name);
  std::size_t pos = lower.find(key);
  if (pos == std::string::npos) return {};
  pos += key.size();
  if (pos < line.size() && line[pos] == '=') ++pos;
  while (pos < line.size() && line[pos] == ' ') ++pos;
  std::string value;
  if (pos < line.size() && line[pos] == '"') {
    const std::size_t close = line.find('"', pos + 1);
    value = line.substr(pos + 1, close == std::string::npos ? std::string::npos : close - pos - 1);
  } else {
    const std::size_t blank = line.find(' ', pos);
    value = line.substr(pos, blank == std::string::npos ? std::string::npos : blank - pos);
  }
  if (!value.empty() && value.back() == ';') value.pop_back();
  return TrimBlanks(value);
}

std::string GetWord(const std::string& line, int n) {
  std::size_t pos = 0;
  for (int k = 0; k <= n; ++k) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    const std::size_t end = line.find(' ', pos);
    const std::string word = line.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (k == n) return word;
    if (end == std::string::npos) return {};
    pos = end;
  }
  return {};
}

int GetWordNumber(const std::string& line, int n) {
  std::int64_t v = 0;
  const std::string w = GetWord(line, n);
  if (w.empty() || !ParseDecimalNumber(w, v) || v > INT32_MAX || v < INT32_MIN) return -1;
  return static_cast<int>(v);
}

std::string StripQuotes(const std::string& text) {
  std::string t = TrimBlanks(text);
  if (!t.empty() && t.front() == '"') t.erase(0, 1);
  if (!t.empty() && t.back() == '"') t.pop_back();
  return t;
}

std::string FirstWord(const std::string& text) {
  const std::size_t end = text.find_first_of(" ;");
  return TrimBlanks(text.substr(0, end));
}
