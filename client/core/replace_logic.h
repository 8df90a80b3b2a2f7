// Search and replace: the field list of the window, the checks of its three pages, and the
// server function that changes one field in every record, with the count it reports.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "records/configuration.h"

class TRecordWindow;

struct TReplaceField {
  std::string Name;
  int Code = 0;  // descriptions 0-9, details 10-19, others 23-28
};
// The ten description names, the ten detail names and the six other names with their codes.
std::vector<TReplaceField> ReplaceFieldList(const TConfiguration& Config);

// What the window hands back.
struct TReplaceChoice {
  int Mode = 0;  // 1 replace, 2 default, 3 conditional
  bool Accepted = false;
  int Field = -1;
  int ConditionalField = -1;
  std::string OldValue;
  std::string NewValue;
};

// The checks of the three pages; each asks its question and, when it is confirmed, fills
// Choice and returns true (the window then closes).  A failed check shows its message.
class TReplaceChecks {
public:
  explicit TReplaceChecks(std::vector<TReplaceField> Fields) : FFields(std::move(Fields)) {}
  const std::vector<TReplaceField>& Fields() const { return FFields; }
  // The code of the entry named Text; -1 when no entry is.
  int CodeOf(const std::string& Text) const;

  bool OKBtnClick(const std::string& Field, const std::string& OldValue, const std::string& NewValue,
                  TReplaceChoice& Choice) const;
  bool OKDefaultClick(const std::string& Field, const std::string& Value, TReplaceChoice& Choice) const;
  bool ConditionalOKClick(const std::string& ConditionalField, const std::string& LoadField,
                          const std::string& Conditional, const std::string& LoadValue,
                          TReplaceChoice& Choice) const;

private:
  std::vector<TReplaceField> FFields;
};

// The count message of a successful reply ("" when the reply failed).
std::string ReplaceCountText(const std::string& Count, const std::string& OldValue);

// The menu command: saves the record, shows the window (ShowWindow returns its choice), sends
// the chosen function, reports the count and reloads the record in every case.
void SearchandReplace(TRecordWindow& Window, const std::function<TReplaceChoice()>& ShowWindow);
