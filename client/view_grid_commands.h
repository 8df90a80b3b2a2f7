// The buttons of the grid 3 and grid 4 pages that print and find, the grid print menu with its
// address labels, the grids' own print pop-up (print settings with their preview, and print),
// and the "Select" and "Clear Field" entries of a relational description's menu.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TView;
class TQnStringGrid;
class TPopupMenu;
class TMenuItem;
class TFindDialog;
class TGridDataSummary;

// A record the relational select offers: code and name.
using TRelatedChoice = std::pair<std::string, std::string>;

class TGridPageCommands {
public:
  explicit TGridPageCommands(TView& View);
  ~TGridPageCommands();

  // The column of the grid whose title holds Word (any case); -1 when none.
  static int GridFieldFound(const std::string& Word, TQnStringGrid& Grid);

  // ---- Printing ----
  // The page's "Print": the grid print menu at the mouse when the grid has a "name" and an
  // "address" column (the grid is remembered for the menu), else the grid's quick report.
  void PrintDirClick(TQnStringGrid& Grid);
  // "List": the remembered grid's quick report.
  void List1Click();
  // "Selected Address" / "All Addresses": address labels of the remembered grid's selected line
  // or of every line.
  void SelectedAddress1Click();
  void AllAddresses1Click();
  // "Print Address Labels" > "Grid3Address" / "Grid4Address": every line of that grid.
  void Grid3Address1Click();
  void Grid4Address1Click();
  // The grid's own pop-up: its print settings dialog, and its print on the current printer.
  void PrintSettings1Click(TQnStringGrid& Grid);
  void Print1Click(TQnStringGrid& Grid);
  TQnStringGrid* PrintedGrid() const { return FPrintedGrid; }
  TPopupMenu* GridPopup = nullptr;

  // ---- Find ----
  // The page's "Find": the find dialog over that grid, from its current cell.
  void FindGridBtnClick(TQnStringGrid& Grid);
  TFindDialog& FindItem() { return *FFindItem; }

  // ---- Relational descriptions ----
  // The records of a "ListRecords" reply that the select offers: every whole code and name
  // pair before the end marker, without the record Current, and only those on the search list
  // when SearchListOnly.
  std::vector<TRelatedChoice> RelatedChoices(const std::vector<std::string>& Lines, const std::string& Current,
                                             bool SearchListOnly) const;
  // "Select" > "From Entire Database" / "From Search List" for description Index (0-9): the
  // chosen record becomes the field's value as name + " : " + code.
  void Select1Click(int Index, bool SearchListOnly, const std::string& Caption);
  // "Clear Field": the field and its value emptied, the record saved.
  void ClearField1Click(int Index);
  // The description whose relational menu was opened last (-1 before any).
  int RelationIndex = -1;

private:
  void PrintAddresses(TQnStringGrid* Grid, bool SelectedOnly);
  void WireGrids();
  void WireRelationMenu();
  TView& V;
  TQnStringGrid* FPrintedGrid = nullptr;
  TQnStringGrid* FPopupGrid = nullptr;  // the grid whose pop-up was opened
  std::unique_ptr<TFindDialog> FFindItem;
  std::unique_ptr<TGridDataSummary> FFinder;
};
