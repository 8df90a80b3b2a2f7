// What the search and report windows share: the captions and kinds of the record window's
// fields as the windows name them, the main window's services they call back into, and the
// helpers that move a grid to and from the grid text stream of a request or reply.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "records/configuration.h"

class TServerSession;
class TRecordWindow;
class TQnStringGrid;
class TStringGrid;
class TCustomEdit;

// The captions of the record window's labels, pages, grid headers and check boxes, and the
// field kinds and edit masks, as the field menus of the search and report windows show them.
struct TFieldCaptions {
  std::array<std::string, 10> DescriptionNames;
  std::array<std::string, 10> DetailNames;
  std::array<std::string, 10> DetailKinds;
  std::array<std::string, 10> DetailMasks;  // the edit masks of the detail editors
  std::array<std::string, 6> OtherNames;
  std::array<std::string, 6> OtherKinds;
  std::string StatusCaption;                   // the status label ("boxname")
  std::string RecordTitle;                     // the record name's title
  std::array<std::string, 3> NotesTitles;
  std::array<std::string, 3> CheckBoxCaptions;
  std::array<std::string, 3> ItemColumns;      // the item list's column captions
  // The record book's pages, counted from 0: the fields, the item list, grid 3, grid 4, the
  // notes, the rich text, the pictures.
  std::array<std::string, 8> PageCaptions;
  static constexpr int ItemListPage = 1, NotesPage = 4, RichTextPage = 5;
  // Grid 3 and grid 4: the header of each column (column 0 is the line ID) and its kind.
  std::vector<std::string> Grid3Headers, Grid3Kinds, Grid4Headers, Grid4Kinds;
  std::array<std::string, 100> ItemNames;
  std::array<TDescriptionTree, 10> Trees;
};

// The kind a grid column reports (the data summary's combos, the search terms' editors) from
// the input kind of its definition: "Date" for a date column, a money or numeric kind as it is,
// "Text" for every other column (plain text, a choice menu, multi-line text).
std::string GridColumnKind(const std::string& InputKind);

// Whether a report column headed Caption holds a field of the barcode kind: its values are codes,
// written out as texts (a number would lose their leading zeros and long digits).
bool IsBarcodeColumn(const TFieldCaptions& Captions, const std::string& Caption);

// Captions taken from a configuration alone (names, kinds, item names, trees); the rest get the
// record window's default texts.
TFieldCaptions CaptionsFromConfiguration(const TConfiguration& Config);

// The main window as these windows see it.
struct TReportHost {
  TServerSession* Session = nullptr;
  TRecordWindow* Record = nullptr;  // record saving and loading (the search results' double click)
  TFieldCaptions Captions;
  // The tool bar's buttons that lead to the record window and its tools.
  std::function<void()> ShowRecordWindow;
  std::function<void(const std::string& Tool)> OpenTool;  // "Calculator", "Calendar", "CD Player"
  // The record window's date pop-up, with the edit that takes the chosen date.
  std::function<void(TCustomEdit* Target)> PopupDateMenu;
  // The record window's status label ("Wait" in red, "Ready" in green).
  std::function<void(const std::string& Text, bool Busy)> SetStatus;
  // A mouse move or key press in a window: the record window's idle counter starts again.
  std::function<void()> UserActivity;
};

// The grid as a grid text stream.
std::string GridStreamText(TQnStringGrid& Grid);
// Loads a grid text stream into Grid (whole or nothing); raises EConvertError for anything
// that is not one.  An empty text leaves the grid as it is.
void LoadGridStream(TQnStringGrid& Grid, const std::string& Text);
// The grid's print settings dialog over the grid; true when the person pressed OK.
bool RunPrintSettings(TQnStringGrid& Grid);
// Prints the grid on the printer as it is shown.
void PrintGridDirectly(TQnStringGrid& Grid);
// Empties every cell of the grid.
void ClearCells(TStringGrid& Grid);
// The grid as the string grid it is (for the files that cannot include both the grid's and
// the printer's headers: they name enumerators alike).
TStringGrid& AsStringGrid(TQnStringGrid& Grid);
// Each column of the grid made as wide as its widest text in the grid's font (only wider with
// OnlyGrow), so that no name is cut; a string grid that is no report grid is left as it is.
void FitColumnsToText(TStringGrid& Grid, bool OnlyGrow);
// Writes the grid to a file: 0 workbook, 1 delimited text, 2 HTML table.  Raises on failure.
void ExportGrid(TQnStringGrid& Grid, int Kind, const std::string& FileName);
// The name an export of that kind (as ExportGrid) is written under: a name without extension
// gets the one its file filter names (".xlsx", ".csv", ".htm"); workbooks are .xlsx files, so
// the older ".xls" becomes ".xlsx" too.
std::string ExportFileName(const std::string& FileName, int Kind);
