// Command "2", the search over all records from the client's search terms, and command "5", the
// search display: a table of chosen fields for a list of record codes.
// Invariant: a search reads the records as they are now: the field columns it uses are made anew
// after any record was taken for change, added or deleted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "server/handler_context.h"

// Terms after this many are not tested.
constexpr int MaxSearchTerms = 50;

// One row of the uploaded search terms grid.
struct TSearchTerm {
  int Field = -1;         // search field code
  bool Invert = false;    // match 2: "does not include"
  std::string Low;        // column 5: the low or text value
  std::string High;       // column 6
  std::string ItemText;   // column 8
  std::string ItemName;   // column 9
  bool ItemExact = false; // column 10 is 1
};

// The terms of a search terms grid: every row that is not wholly empty, at most MaxSearchTerms.
// Raises EConvertError when a term's column 3, 4 or 10 is not an integer.
std::vector<TSearchTerm> ReadSearchTerms(const TQnStringGrid& Grid);

// A search over the open database, terms prepared once.
class TRecordSearch {
public:
  TRecordSearch(const TDatabase& Database, std::vector<TSearchTerm> Terms);
  // True when the record passes every term; a search with no terms matches nothing.
  bool Matches(const ItemRecord& Record);
  // The same for the database's record Index, reading the fields that have columns from them.
  bool Matches(int Index);

private:
  struct TPrepared;
  bool TestTerm(const TPrepared& Term, const ItemRecord& Record);
  TQnStringGrid& RecordGrid(const ItemRecord& Record, bool Grid3);
  // A grid column term read straight from the record's grid text; false when the text is not
  // in the form the grid writes, and the grid must read it.
  bool ScanGridColumn(const TPrepared& Term, const ItemRecord& Record, bool& Found);

  const TDatabase& FDatabase;
  std::vector<TPrepared> FTerms;
  // The record's grids, loaded when a term first needs them.
  TQnStringGrid FGrid3, FGrid4;
  const ItemRecord* FGrid3Of = nullptr;
  const ItemRecord* FGrid4Of = nullptr;
  std::vector<std::string_view> FColumn;  // the cells of the column a scan reads, by row
};

// The range test of a value against a term's low and high columns.
bool RangeMatches(const std::string& Value, const std::string& Low, const std::string& High);
// The digits of a text and its last "."; "0" when nothing is left.
std::string NumberText(const std::string& Text);

// A record's field for a display column code: 0-9 descriptions, 10-19 details, 20 status text,
// 21 name, 22-27 others, 28 code; any other code is empty.
std::string DisplayValue(const ItemRecord& Record, int Code);

// "2": loads the terms and sends code and name of each matching record.
void LoadSearch(const THandlerContext& Context);
// Fills the reply table with the matches (one empty row ends it) and sends it.
void PerformSearch(const THandlerContext& Context, std::vector<TSearchTerm> Terms);
// "5": row 0 the captions, row 1 the display column codes, rows 2 on the record codes.
void SendSearchDisplay(const THandlerContext& Context);
