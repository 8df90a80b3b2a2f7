#include "platform/sys/mime_types.h"

#include <fstream>
#include <mutex>
#include <sstream>

namespace {

std::map<std::string, std::string> DefaultTable() {
  return {
      {".txt", "text/plain"},       {".htm", "text/html"},        {".html", "text/html"},
      {".rtf", "text/rtf"},         {".eml", "message/rfc822"},   {".gif", "image/gif"},
      {".jpg", "image/jpeg"},       {".jpeg", "image/jpeg"},      {".bmp", "image/bmp"},
      {".pdf", "application/pdf"},  {".zip", "application/zip"},
  };
}

struct Table {
  std::mutex lock;
  std::map<std::string, std::string> builtIn = DefaultTable();
  std::string systemFile = "/etc/mime.types";
  bool systemLoaded = false;
  std::map<std::string, std::string> system;
};

Table& TheTable() {
  static Table table;
  return table;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// One line: a type, then the extensions it owns (without dots); '#' starts a comment.
void LoadSystemTable(Table& t) {
  t.systemLoaded = true;
  t.system.clear();
  if (t.systemFile.empty()) return;
  std::ifstream in(t.systemFile);
  std::string line;
  while (std::getline(in, line)) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string type, ext;
    if (!(words >> type)) continue;
    while (words >> ext) t.system.emplace("." + Lower(ext), type);  // the first owner wins
  }
}

}  // namespace

std::string MimeTypeOfExtension(const std::string& extension) {
  const std::string key = Lower(extension);
  if (key.size() > 1 && key[0] == '.') {
    Table& t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    if (auto i = t.builtIn.find(key); i != t.builtIn.end() && !i->second.empty()) return i->second;
    if (!t.systemLoaded) LoadSystemTable(t);
    if (auto i = t.system.find(key); i != t.system.end() && !i->second.empty()) return i->second;
  }
  return "application/octet-stream";
}

void SetMimeTypeTable(std::map<std::string, std::string> builtIn, std::string systemFile) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> guard(t.lock);
  t.builtIn.clear();
  for (auto& [k, v] : builtIn) t.builtIn.emplace(Lower(k), v);
  t.systemFile = std::move(systemFile);
  t.systemLoaded = false;
}

void ResetMimeTypeTable() { SetMimeTypeTable(DefaultTable(), "/etc/mime.types"); }
