#include "records/server_names.h"

#include "platform/rtl/path_text.h"

bool IsSafeDatabaseName(std::string_view Name) { return IsPlainName(Name); }

bool IsSafeRecordCode(std::string_view Code) {
  if (Code.empty() || Code.size() > 8) return false;
  for (char C : Code) {
    const bool Letter = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
    if (!Letter && !(C >= '0' && C <= '9')) return false;
  }
  return true;
}

bool IsRecordCode(std::string_view Code) {
  if (Code.size() != 8 || Code[0] < 'A' || Code[0] > 'Y') return false;
  for (char C : Code.substr(1))
    if (!((C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9'))) return false;
  return true;
}
