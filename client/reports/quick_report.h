// The quick report: its setup (the report items, the scope, the format file ".qrf" and the
// report request, command "3") and the report itself (the filters over the received rows, the
// display grid that is printed and exported, and the header and footer texts).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/reports/search_terms.h"
#include "platform/gfx/graphics.h"
#include "platform/rtl/date_time.h"

class TSearchList;
class TQnStringGrid;

struct TReportItem {
  std::string Caption;
  int Code = 0;
  friend bool operator==(const TReportItem&, const TReportItem&) = default;
};

class TQuickReportSetup {
public:
  static constexpr const char* FormatFilter = "Quick Report Format|*.qrf";
  static constexpr const char* SavedText = "Quick Report Format Saved.";
  static constexpr const char* LoadedText = "Quick Report Format file loaded.";
  static constexpr const char* InvalidText = "Report Format file is invalid.  No format loaded.";

  explicit TQuickReportSetup(TReportHost& Host);

  std::vector<TReportItem> Items;    // the list "Report Items", in column order
  std::vector<TFieldMenuItem> Menu;  // `ritems`: 29 items, tags 10 .. 290
  bool SearchListRecords = false;    // the radio buttons ("All Records" at start)
  bool RemoveEnabled = false, GenerateEnabled = false, SaveEnabled = false;

  // On activation: the menu's captions from the record window.
  void Activate();
  void OnItemClick(int Code);
  void RemoveBtnClick(int Index);
  void MoveUpBtnClick(int Index);
  void MoveDownBtnClick(int Index);
  // The request: "Record ID" over "220", then each item's caption over its code.
  std::string ReportRequest() const;
  // Posts the request ("3") and loads the reply into DataGrid; false (after the message, the
  // grid unchanged) when the transfer failed or the reply is no grid.
  bool Generate(TQnStringGrid& DataGrid);

  void WriteFormatFile(const std::string& FileName) const;
  // Reads the whole file into temporaries; a file whose codes, counts or lengths do not fit
  // changes nothing (false, after the message).
  bool ReadFormatFile(const std::string& FileName);
  void SaveQuickReportBtnClick();
  void LoadBtnClick();

private:
  void UpdateButtons();
  void SetItemEnabled(int Code, bool Enabled);
  TReportHost& FHost;
};

// Header or footer of the report ("Header and Footer" page).
enum TReportPosition { rpNone, rpLeft, rpCenter, rpRight };
struct THeaderFooterSettings {
  bool Visible = false;
  bool ShowLine = true;
  double Height = 0.5;  // inches
  TReportPosition PagePosition = rpNone;
  TReportPosition DatePosition = rpNone;
  std::string Left, Center, Right;
};
// The three captions: the position's text, then " " + " {PAGE}" where the page number goes,
// then " " + the date where it goes.
std::array<std::string, 3> HeaderFooterCaptions(const THeaderFooterSettings& S, const std::string& DateText);

class TQuickReport {
public:
  // The filter of one report column.
  struct TColumnFilter {
    std::string Caption;
    int Kind = 1;  // 1 text, 3 date
    std::string Text, From, To;
  };

  explicit TQuickReport(TSearchList* List);
  ~TQuickReport();

  TQnStringGrid& DataGrid() { return *FData; }
  TQnStringGrid& DisplayGrid() { return *FDisplay; }
  bool SearchListOnly = false;
  // The database's date format: the date cells are read with it.
  std::string DateFormat = "mm/dd/yyyy";
  std::vector<TColumnFilter> Filters;
  // Today's date; the clock by default.
  std::function<TDateTime()> Today;

  // On activation: one filter per report column (empty at first; the filters set stay while
  // the report keeps its columns); then the rows.
  void FormActivate();
  void LoadReportRows();
  // A text filter: the text, also as from and to.
  void SetTextFilter(int Row, const std::string& Text);
  // A date filter from the date range dialog (an empty range clears it).
  void SetDateFilter(int Row, const std::string& From, const std::string& To, const std::string& RangeText);
  // A "MM/DD" text as a date of this year; false when it is none.
  static bool MonthDayDate(const std::string& Text, int Year, TDateTime& Value);

private:
  bool Passes(int Row, const std::vector<std::string>* ListCodes);
  TSearchList* FList;
  std::unique_ptr<TQnStringGrid> FData;
  std::unique_ptr<TQnStringGrid> FDisplay;
};

class TPgPreview;
class TPgGridPrint;
class TStringGrid;

// The layout of a printed report: margins (inches), header, footer and the fonts.
struct TReportLayout {
  double MarginLeft = 0.5, MarginRight = 0.5, MarginTop = 0.5, MarginBottom = 0.5;
  THeaderFooterSettings Header, Footer;
  TFont ReportFont;
  std::array<TFont, 3> HeaderFonts, FooterFonts;  // left, centre, right
};

// Lays the display grid out on the preview's pages: margins, the header and footer when they
// are switched on (switched off, they stay as the last generation left them), the report font,
// the grid from the top-left margin scaled to the page width; then page 1.
void BuildReportPreview(TPgPreview& Preview, TPgGridPrint& GridPrint, TStringGrid& Display, TReportLayout& Layout,
                        const std::string& DateText);

// The results of the date range dialog ("Edit Date Range").
struct TDateRange {
  std::string From, To, Range;
};
// OK: both edits filled (neither shows the mask's empty text) gives from, to and
// from + " to " + to; otherwise all three are empty.
TDateRange DateRangeOK(const std::string& FromText, const std::string& ToText, const std::string& EmptyText);
