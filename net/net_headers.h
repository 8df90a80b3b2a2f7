// A list of header lines, one entry per line; continuation lines are entries of their own.
#pragma once

#include <string>

#include "platform/rtl/string_list.h"

class TNetHeaders : public TStringList {
public:
  // The value of the first field `name` (without case), continuation lines joined by a blank.
  // Encoded words are decoded, except in "Content-Type" and "X-UIDL".
  std::string GetFieldBody(const std::string& name) const;
  // Every value of the fields `name`, split at commas outside double quotes, each decoded.
  void GetFieldList(const std::string& name, TStrings& list) const;
  // Deletes the first field `name` with its continuation lines.
  void RemoveField(const std::string& name);
};
