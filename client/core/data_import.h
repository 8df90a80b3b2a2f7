// Data import: a delimited file or an HTML table loaded into the import grid, a record field
// assigned to each column, and the whole grid sent to the server in one "M" request; and the
// book import that fills the shown record from a catalogue page.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "records/configuration.h"

class TQnStringGrid;
class TServerSession;

// Import field codes of the mapping row.
inline constexpr int ImportUnchosen = -1;
inline constexpr int ImportNotAssigned = 1000;
inline constexpr int ImportCodeCount = 100;

struct TImportFieldItem {
  std::string Caption;
  int Code = ImportNotAssigned;
  bool Enabled = true;
};
// "Not Assigned", the ten descriptions, the ten details, the record name, the six others.
std::vector<TImportFieldItem> ImportFieldMenu(const TConfiguration& Config, const std::string& RecordTitle);

// The HTML table of Lines as comma-separated lines of double-quoted cells.
std::vector<std::string> ParseImport(const std::vector<std::string>& Lines);
// Every list-item line of Lines as one line of quoted fields (an "&amp;" first becomes " & ").
std::vector<std::string> ListItemImport(const std::vector<std::string>& Lines);

// The body of "M": the grid stream wrapper of the grid, then 100 column codes.
std::string ImportBody(TQnStringGrid& Grid, const std::vector<int>& ColumnCodes);

class TImportLogic {
public:
  TImportLogic(TServerSession& Session, TQnStringGrid& Grid);

  static constexpr const char* SuccessText = "Import Succesful !";
  static constexpr const char* FailureText =
      "There was a problem with the import.  Please check your internet connection and try again.";
  static constexpr const char* TooManyColumnsText =
      "The file has more than 100 columns; only files of up to 100 columns can be imported.";

  // The window's lock and the HTTP client's time-out (seconds), set around the import.
  std::function<void(bool Enable)> EnableForm;
  std::function<void(int Seconds)> SetTimeOut;

  // A chosen file: loaded as comma-separated text, an empty mapping row put on top.  True when
  // there is something to import ("Perform Import" enabled).
  bool LoadFile(const std::string& FileName);
  // The HTML page of Lines turned into a table (saved as "html.csv" in Folder) and loaded.
  bool LoadHtml(std::vector<std::string>& Lines, const std::string& Folder);
  // The menu choice for a column: its caption into row 0 and its code.
  void SelectField(int Column, const TImportFieldItem& Item);
  // The enabled state of the menu: a field assigned to one column is not offered for another.
  void SetFieldMenuEnableState(std::vector<TImportFieldItem>& Items) const;
  const std::vector<int>& ColumnCodes() const { return FCodes; }
  // Sends the grid with "M"; the grid is emptied and the success shown, or the failure shown.
  // The time-out and the window's state come back on every path.
  bool PerformImport();
  void ClearImportGrid();

private:
  TServerSession& FSession;
  TQnStringGrid& FGrid;
  std::vector<int> FCodes;
};

// ---- Book import ------------------------------------------------------------------------------------
struct TBookFields {
  std::string RecordName;
  std::array<std::string, 6> Details;  // Detail0 .. Detail5
};
// The page text of a catalogue reply: lines at each CR, URL-decoded, control bytes dropped.
std::string BookPageText(const std::string& Reply);
TBookFields ParseBookPage(const std::string& Page);
