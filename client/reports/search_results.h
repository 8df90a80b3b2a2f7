// The search results window's logic: the spreadsheet of the search list whose columns the user
// chooses (the column map), the display request (command "5") and its reply, opening a record
// from a display row, the highlighting by the last search, the count text, and the column
// chooser ("Select Spreadsheet Fields").
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "client/reports/search_terms.h"
#include "platform/gfx/graphics.h"

class TSearchList;
class TQnStringGrid;

// A status cell of the display as the server writes it ("Working ", "Available ", "Not Available "
// for the three check boxes, in that order, joined) shown under the database's own check box
// captions, joined by ", "; a text of any other form is shown as it is.
std::string StatusDisplayText(const std::string& ServerText, const std::array<std::string, 3>& Captions);

class TSearchResults {
public:
  static constexpr const char* GoneText =
      "The record you selected is no longer in the database.  Another user may have removed it.";
  // Light green and light yellow (blue in the high byte): black text stays readable on both.
  static constexpr TColor FoundColor = 0xB0F0B0;
  static constexpr TColor OlderColor = 0xC0FFFF;

  TSearchResults(TReportHost& Host, TSearchList& List, TQnStringGrid& Display);

  // Entry i is the field number of the i-th spreadsheet column, -1 = none ("SEARCHCOL:").
  std::array<int, 51> ColumnMap;
  // The 29 spreadsheet fields in menu order (tag = field number).
  static std::vector<TFieldMenuItem> SpreadsheetFields(const TFieldCaptions& Captions);
  std::string FieldCaption(int Number) const;

  // Rebuilds the display: with columns, asks the server ("5"); without, copies code and name.
  // False (after the message) when the request or its reply failed; the display is then left
  // with the search list's codes and names.
  bool LoadSearchDisplay();
  // The request of the last LoadSearchDisplay ("" when none was sent).
  const std::string& LastRequest() const { return FLastRequest; }
  // The search list row that a display row shows (0: none).
  int ListRow(int DisplayRow) const;
  // Saves the shown record and opens the display row's record in the record window.
  void SearchDisplayDblClickCell(int DisplayRow);
  // The colour of a display row while "Highlight" is checked (clNone for the header).
  TColor RowColor(int DisplayRow, TQnStringGrid& LastReply) const;
  bool Highlight = true;
  std::string StatusText() const;

private:
  void ShowListOnly();
  TReportHost& FHost;
  TSearchList& FList;
  TQnStringGrid& FDisplay;
  std::vector<int> FSlots;  // display row -> search list row
  std::string FLastRequest;
};

// "Select Spreadsheet Fields": the list of chosen fields and the field menu's enable state.
class TSpreadsheetChooser {
public:
  explicit TSpreadsheetChooser(const TFieldCaptions& Captions);
  std::vector<TFieldMenuItem> Menu;
  std::vector<int> Fields;  // the list "Search List Items", in order
  bool RemoveEnabled = false;
  // On activation: the list from the map, each listed field's item disabled.
  void Activate(const std::array<int, 51>& Map);
  void Add(int Number);
  // Removes the entry (the last selected one when several are).
  void Remove(int Index);
  void MoveUp(int Index);
  void MoveDown(int Index);
  // OK: every entry -1, then entry i := the field of list entry i.
  void Apply(std::array<int, 51>& Map) const;
  std::string Caption(int Number) const;

private:
  void SetItemEnabled(int Number, bool Enabled);
};
