// The main window's commands that open the report, barcode, mail, summary and print windows:
// what each saves first, which window opens with which inputs, and what the user sees when a
// field it needs is missing.  The main window calls these from its menus and buttons.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "client/core/record_streams.h"
#include "client/reports/barcode_windows.h"
#include "client/reports/email_window.h"

class TReportWindows;
class TQnStringGrid;

class TMainCommands {
public:
  explicit TMainCommands(TReportWindows& Windows) : FWindows(Windows) {}

  static constexpr const char* EmailFieldMissing = "Email field is not defined.";

  std::string QuantityWord = "Quantity";
  std::array<int, 3> EmailFields{-1, -1, -1};
  TBarcodeSettings BarcodeSettings;

  // "Report" of a date field's pop-up: the reminders of field FieldNo.
  void ReminderReportClick(const std::string& Caption, int FieldNo);
  // "Quick Order Report" > "All Records" (1) / "Search List Records" (2); false when a field
  // is missing (the message shown).
  bool QuickOrderReport1Click(int Scope);
  void TotalMoneyClick(int Scope);
  // The money fields' numbers (details 0-9, then others 21-26), as decimal texts.
  std::vector<std::string> MoneyFields() const;
  // "Email 1" .. "Email 3" (Index 0-2); false when that field is missing.
  bool Email1Click(int Index);
  // The name field before the e-mail field E when its name contains "name" (any case), else -1.
  int NameFieldBefore(int E) const;
  // The grid's "Email" button: the recipients from its columns.
  static std::vector<TEmailRecipient> GridRecipients(TQnStringGrid& Grid);
  void EmailGrid(TQnStringGrid& Grid);
  // The barcode editor over Value: the value it took (Value when unchanged or cancelled);
  // SettingsChanged tells the opener to send the configuration.  Its "Print Selected Barcode"
  // opens the print window for one barcode label.
  std::string EditBarcode(const std::string& Value, bool& SettingsChanged);
  // The scanner station; the record is reloaded afterwards.
  void BarcodeClick();
  // Grid 3 / grid 4 "Summary" over the current record's grid with its column kinds.
  void GridSummaryBtnClick(TQnStringGrid& Grid, const std::vector<std::string>& Kinds);
  // "Grid3Summary" / "Grid 4 Summary" > "All Records" / "Search List Records".
  void GridDSClick(bool Grid3, bool AllRecords);
  // The rich-text panel's and the address panel's "Print".
  void PrintRTF1BtnClick(const std::string& Caption);
  void PrintAddressBTNClick(const std::string& Caption);
  // "Print Address Labels" > "All Records" (1) / "Search List Records" (2): the entries of "A".
  void AllRecords1Click(int Scope, const std::string& Caption);
  // The entry indexes to print: every entry (scope 1) or those on the search list.
  std::vector<std::string> AddressOrder(const TEntryList& Entries, int Scope) const;

private:
  bool Save();
  TReportWindows& FWindows;
};
