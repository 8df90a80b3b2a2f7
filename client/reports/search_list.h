// The search list: the records the searches have collected, kept in the hidden two-column grid
// of the search results window.  Row 0 is a header, rows 1 .. RowCount - 2 hold record code and
// name, and one empty row always ends it, so an empty list has 2 rows.
#pragma once

#include <memory>
#include <string>

class TQnStringGrid;

class TSearchList {
public:
  TSearchList();
  ~TSearchList();

  TQnStringGrid& Grid() { return *FGrid; }
  int RowCount() const;
  // The records on the list.
  int Count() const { return RowCount() - 2; }
  const std::string& Code(int Row) const;
  const std::string& Name(int Row) const;
  // Exact comparison with column 0 of every row.
  bool Contains(const std::string& Code) const;
  // Adds the rows 0 .. RowCount - 2 of a search reply (code, name) whose code is not yet on
  // the list, each into the row before the empty last row; the number added.
  int Merge(TQnStringGrid& Reply);
  void Add(const std::string& Code, const std::string& Name);
  // Columns 0 and 1 emptied, 2 rows.
  void Clear();
  // "0 records are on the search list.", "1 record is on the search list." or n + " records
  // are on the search list.".
  std::string CountText() const;

private:
  std::unique_ptr<TQnStringGrid> FGrid;
};
