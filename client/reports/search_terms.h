// The search window's logic: the table of 50 search terms, the criteria rows that name them,
// the field menu and its enable state, the value editors each field code opens, the search
// request (command "2") and the merge of its reply into the search list, and the saved search
// file (".srh").
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/reports/report_common.h"

class TSearchList;
class TQnStringGrid;

struct TSearchTerm {
  int FieldCode = -1;  // -1: a free entry
  int Match = 0;       // 1 includes, 2 does not include
  std::string Text1, Text2, Text3, Text4, Text5;
  int Number = 0;      // skill terms: 1 full match, 2 partial match
  friend bool operator==(const TSearchTerm&, const TSearchTerm&) = default;
};

// One row of the criteria grid: its three cells and the index of its term (1..50, or -1 while
// no field has been chosen).
struct TCriteriaRow {
  std::string Field, Match, Value;
  int Term = -1;
  friend bool operator==(const TCriteriaRow&, const TCriteriaRow&) = default;
};

struct TFieldMenuItem {
  int Code = 0;
  std::string Caption;
  bool Enabled = true;
};

// What column 2 of a row opens for its field code.
enum TValueEditor { veNone, veRemove, veDescriptionMenu, veRange, veSchedule, veSkills, veStatusMenu, veTyped };

struct TValueEditorInfo {
  TValueEditor Editor = veNone;
  int Description = 0;   // veDescriptionMenu: 1..10
  std::string Mask;      // veRange: the edit mask
  std::string FieldKind; // veRange: the field's kind text
};

class TSearchTerms {
public:
  static constexpr int MaxTerms = 50;
  static constexpr int RemoveCode = 1000;
  static constexpr const char* TooManyText = "You may add a maximum of 50 search terms per search.";
  static constexpr const char* NewSearchQuestion =
      "Existing search will be cleared.  Are you sure you want to continue ?";
  static constexpr const char* ClearListQuestion = "Are you sure you want to clear the search list ?";
  static constexpr const char* SavedText = "Search Saved.";
  static constexpr const char* InvalidFileText = "Search file is invalid.  No search loaded.";
  static constexpr const char* RequestProblemText =
      "There was a problem with the request.  Please try again.";
  static constexpr const char* SearchFilter = "Database Search File|*.srh";

  TSearchTerms(TReportHost& Host, TSearchList& List);
  ~TSearchTerms();

  // ---- State ----
  std::array<TSearchTerm, MaxTerms + 1> Terms;  // 1..50; entry 0 unused
  // Row 0 is the header.
  std::vector<TCriteriaRow> Rows;
  std::vector<TFieldMenuItem> FieldMenu;
  // The last search reply (code, name): the search results window highlights by it.
  TQnStringGrid& ListGrid() { return *FListGrid; }
  const std::string& SearchResult() const { return FSearchResult; }
  int SearchProgress = 0;
  // After a merge: the search results window rebuilds its display and shows itself.
  std::function<void()> OnSearchListChanged;
  std::function<void()> OnShowResults;

  // The term the row names, or null.
  TSearchTerm* RowTerm(int Row);
  bool ValidTerm(int Index) const { return Index >= 1 && Index <= MaxTerms; }

  // ---- The field menu ----
  // Rebuilt on each activation: the order of the window's field menu.
  void BuildFieldMenu();
  void SetFieldMenuEnableState();
  const TFieldMenuItem* MenuItem(int Code) const;
  // What the field code's value cell opens (and the range dialog's mask and kind).
  TValueEditorInfo ValueEditorOf(int Code) const;
  // The kind text the range dialog gets for a code ("Text" for any code whose kind list has
  // no entry).
  std::string FieldKindOf(int Code) const;

  // ---- Row commands ----
  void SelectField(int Row, int Code);
  void Includes1Click(int Row, const std::string& Caption);
  void StatusClick(int Row, int Number);  // 1..3
  // A value menu choice: Path from the top-level category down to the chosen one.
  void DescClick(int Row, const std::vector<std::string>& Path);
  bool CanEditCell(int Row, int Col);
  void CellValidate(int Row, int Col, const std::string& Text);
  void AddTermBtnClick();
  void RemoveTermBtnClick(int Row);
  void NewSearchBtnClick();
  void ClearClick();

  // ---- The search ----
  // The 11-column search terms grid, one row per criteria row, as a grid text stream.
  std::string SearchRequest();
  // Posts the terms ("2"), merges the reply into the search list and sets the result text.
  // False (nothing changed) when the transfer failed or the reply was no grid.
  bool PerformSearchBtnClick();

  // ---- Saved searches ----
  void WriteSearchFile(const std::string& FileName);
  // Reads into temporaries first; a file that does not hold a whole, consistent search leaves
  // everything as it was (false, after the message).
  bool ReadSearchFile(const std::string& FileName);
  void SaveSearchBtnClick();
  void LoadSearchBtnClick();

private:
  void ResetRows();
  void FreeAllTerms();

  TReportHost& FHost;
  TSearchList& FList;
  std::unique_ptr<TQnStringGrid> FListGrid;
  std::string FSearchResult;
};
