// TSearch, the search window ("Search"): the criteria grid over the search terms, the field,
// match, status and value menus, the buttons of a search, and the tool bar.
#pragma once

#include <array>
#include <memory>

#include "client/reports/search_terms.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TQnStringGrid;
class TToolBar;
class TToolButton;
class TPopupMenu;
class TMenuItem;
class TPanel;
class TButton;
class TLabel;
class TTimer;

class TSearch : public TForm {
public:
  explicit TSearch(TReportWindows& Windows);
  ~TSearch() override;

  TSearchTerms& Terms() { return *FTerms; }

  TToolBar* ToolBar = nullptr;
  TToolButton* PrintTBtn = nullptr;
  TToolButton* PerformSearchTBtn = nullptr;
  TToolButton* GraphTBtn = nullptr;
  TToolButton* ReportTBtn = nullptr;
  TToolButton* ViewTBtn = nullptr;
  TToolButton* SearchListTBtn = nullptr;
  TToolButton* CalculatorTBtn = nullptr;
  TToolButton* CalendarTBtn = nullptr;
  TToolButton* CDTBtn = nullptr;
  TToolButton* CloseTBtn = nullptr;
  TQnStringGrid* SearchGrid = nullptr;
  TPanel* ControlPanel = nullptr;
  TPanel* ButtonPanel = nullptr;
  TButton* PerformSearchBtn = nullptr;
  TButton* AddTermBtn = nullptr;
  TButton* RemoveTermBtn = nullptr;
  TButton* ClearBtn = nullptr;
  TButton* NewSearchBtn = nullptr;
  TButton* SaveSearchBtn = nullptr;
  TButton* LoadSearchBtn = nullptr;
  TLabel* SearchResult = nullptr;
  TLabel* PStatus = nullptr;
  TControl* Progress = nullptr;
  TControl* SearchProgress = nullptr;
  TPopupMenu* FieldMenu = nullptr;
  TPopupMenu* TypeMenu = nullptr;
  TPopupMenu* StatusMenu = nullptr;
  TPopupMenu* PrintMenu = nullptr;
  TTimer* ActTimer = nullptr;
  std::array<TPopupMenu*, 10> SearchMenu{};  // SearchMenu1 .. SearchMenu10

  // The criteria rows into the grid.
  void ShowRows();
  // The typed values of the grid into their terms.
  void SyncTypedCells();
  // The menus from the field captions (each activation).
  void FormActivate();
  // Column 0, 1 or 2 of the current row: the field menu, the match menu, the value editor.
  void GetField();
  void GetValue();
  void PerformSearchBtnClick();
  void FormResize();
  void FormDeactivate();

private:
  void CreateMenu(int Description);
  void BuildFieldMenu();
  int CurrentRow() const;
  void ActOnCell();
  void ActSoon();
  TReportWindows& FWindows;
  std::unique_ptr<TSearchTerms> FTerms;
  bool FBusy = false;
};
