#include "server/server_names.h"

bool IsSafeDatabaseName(std::string_view Name) {
  if (Name.empty() || Name.size() > 64 || Name[0] == '.') return false;
  for (char C : Name) {
    const auto B = static_cast<unsigned char>(C);
    if (B < 0x20 || B == 0x7F || C == '/' || C == '\\') return false;
  }
  return true;
}

bool IsSafeRecordCode(std::string_view Code) {
  if (Code.empty() || Code.size() > 8) return false;
  for (char C : Code) {
    const bool Letter = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
    if (!Letter && !(C >= '0' && C <= '9')) return false;
  }
  return true;
}
