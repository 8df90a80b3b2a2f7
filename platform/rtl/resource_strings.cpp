#include "platform/rtl/resource_strings.h"

#include <map>
#include <mutex>

namespace {

std::mutex& Mutex() {
  static std::mutex m;
  return m;
}

std::map<int, const char*>& Strings() {
  static std::map<int, const char*> strings;
  return strings;
}

}  // namespace

void RegisterResourceStrings(const TResourceString* table, int count) {
  std::lock_guard<std::mutex> lock(Mutex());
  for (int i = 0; i < count; ++i) Strings()[table[i].Id] = table[i].Text ? table[i].Text : "";
}

std::string LoadStr(int id) {
  std::lock_guard<std::mutex> lock(Mutex());
  auto it = Strings().find(id);
  return it == Strings().end() ? std::string() : std::string(it->second);
}
