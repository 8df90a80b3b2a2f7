// String resources by number: each library registers its static table once, LoadStr reads it.
#pragma once

#include <string>

struct TResourceString {
  int Id;
  const char* Text;
};

// Registers count entries; the table must outlive the program (a static array). A later
// registration of the same number replaces the earlier text.
void RegisterResourceStrings(const TResourceString* table, int count);

template <int N>
void RegisterResourceStrings(const TResourceString (&table)[N]) {
  RegisterResourceStrings(table, N);
}

// The text of id; "" when no table has it.
std::string LoadStr(int id);
