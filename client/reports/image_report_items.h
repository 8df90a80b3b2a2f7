// The image report's report items: the pop-up menu of the fields that can be printed as text
// (captions from the record window, item codes as tags) and the chosen list in print order.
#pragma once

#include <string>
#include <vector>

#include "client/reports/quick_report.h"
#include "client/reports/report_common.h"
#include "client/reports/search_terms.h"

namespace image_report {

class TReportItems {
public:
  std::vector<TFieldMenuItem> Menu;  // `ritems`, in menu order
  std::vector<TReportItem> Fields;   // the chosen items
  bool RemoveEnabled = false;

  // Rebuilds the menu from the record window's captions; entries already chosen stay disabled.
  void Rebuild(const TFieldCaptions& Captions);
  // The field's caption for an item code; empty for an unknown code.
  std::string FieldTitle(int Code) const;
  // Appends the menu entry of Code once; false when it is unknown or already chosen.
  bool Add(int Code);
  void Remove(int Index);
  void MoveUp(int Index);
  void MoveDown(int Index);
  // Replaces the chosen list (a loaded format): the menu follows it.
  void Assign(const std::vector<TReportItem>& Items);

private:
  TFieldMenuItem* Entry(int Code);
};

}  // namespace image_report
