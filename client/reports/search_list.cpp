#include "client/reports/search_list.h"

#include <unordered_set>

#include "controls/grid/qn_grid.h"

TSearchList::TSearchList() : FGrid(std::make_unique<TQnStringGrid>(nullptr)) {
  FGrid->SetName("SearchResults");
  FGrid->SetColCount(2);
  FGrid->SetRowCount(2);
  FGrid->SetFixedRows(1);
}

TSearchList::~TSearchList() = default;

int TSearchList::RowCount() const { return FGrid->RowCount(); }
const std::string& TSearchList::Code(int Row) const { return FGrid->Cells(0, Row); }
const std::string& TSearchList::Name(int Row) const { return FGrid->Cells(1, Row); }

bool TSearchList::Contains(const std::string& Code) const {
  for (int r = 0; r < FGrid->RowCount(); ++r)
    if (FGrid->Cells(0, r) == Code) return true;
  return false;
}

void TSearchList::Add(const std::string& Code, const std::string& Name) {
  FGrid->SetRowCount(FGrid->RowCount() + 1);
  const int Row = FGrid->RowCount() - 2;
  FGrid->SetCells(0, Row, Code);
  FGrid->SetCells(1, Row, Name);
}

int TSearchList::Merge(TQnStringGrid& Reply) {
  // The codes already held, so that a large list merges in one pass.
  std::unordered_set<std::string> Held;
  for (int r = 0; r < FGrid->RowCount(); ++r) Held.insert(FGrid->Cells(0, r));
  int Added = 0;
  for (int r = 0; r <= Reply.RowCount() - 2; ++r) {
    const std::string& Code = Reply.Cells(0, r);
    if (!Held.insert(Code).second) continue;
    Add(Code, Reply.Cells(1, r));
    ++Added;
  }
  return Added;
}

void TSearchList::Clear() {
  for (int r = 0; r < FGrid->RowCount(); ++r) {
    FGrid->SetCells(0, r, "");
    FGrid->SetCells(1, r, "");
  }
  FGrid->SetRowCount(2);
}

std::string TSearchList::CountText() const {
  const int Rows = RowCount();
  if (Rows < 3) return "0 records are on the search list.";
  if (Rows == 3) return "1 record is on the search list.";
  return std::to_string(Rows - 2) + " records are on the search list.";
}
