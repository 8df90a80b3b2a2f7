#include "net/net_headers.h"

#include "net/mail_coders.h"
#include "net/net_text.h"

namespace {

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && LowerCaseAscii(s.substr(0, prefix.size())) == LowerCaseAscii(prefix);
}

bool IsContinuation(const std::string& s) { return !s.empty() && (s[0] == ' ' || s[0] == '\t'); }

std::string FieldPrefix(const std::string& name) {
  return !name.empty() && name.back() == ':' ? name : name + ":";
}

}  // namespace

std::string TNetHeaders::GetFieldBody(const std::string& name) const {
  const std::string prefix = FieldPrefix(name);
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    const std::string line = Get(i);
    if (!StartsWithNoCase(line, prefix)) continue;
    std::string value = TrimBlanks(line.substr(line.find(':') + 1));
    for (int k = i + 1; k < n && IsContinuation(Get(k)); ++k) value += " " + TrimBlanks(Get(k));
    const std::string bare = LowerCaseAscii(prefix.substr(0, prefix.size() - 1));
    if (bare != "content-type" && bare != "x-uidl") value = DecodeHeaderText(value);
    return value;
  }
  return {};
}

void TNetHeaders::GetFieldList(const std::string& name, TStrings& list) const {
  list.Clear();
  const std::string prefix = FieldPrefix(name);
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    const std::string line = Get(i);
    if (!StartsWithNoCase(line, prefix)) continue;
    std::string text = line.substr(line.find(':') + 1);
    for (int k = i + 1; k < n && Get(k).find(':') == std::string::npos; ++k) text += " " + Get(k);
    bool quoted = false;
    std::string piece;
    auto flush = [&] {
      const std::string t = TrimBlanks(piece);
      if (!t.empty()) list.Add(DecodeHeaderText(t));
      piece.clear();
    };
    for (char c : text) {
      if (c == '"') quoted = !quoted;
      if (c == ',' && !quoted) {
        flush();
        continue;
      }
      piece += c;
    }
    flush();
  }
}

void TNetHeaders::RemoveField(const std::string& name) {
  const std::string prefix = FieldPrefix(name);
  for (int i = 0; i < Count(); ++i) {
    if (!StartsWithNoCase(Get(i), prefix)) continue;
    Delete(i);
    while (i < Count() && IsContinuation(Get(i))) Delete(i);
    return;
  }
}
