// TSnapShot, the search results window ("Search Results"): the spreadsheet of the search list,
// its highlighting and tool bar, and TSelectSpreadsheetForm, the column chooser.
#pragma once

#include <memory>

#include "client/reports/search_results.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TQnStringGrid;
class TToolBar;
class TToolButton;
class TPopupMenu;
class TCheckBox;
class TLabel;
class TButton;
class TListBox;

class TSnapShot : public TForm {
public:
  explicit TSnapShot(TReportWindows& Windows);
  ~TSnapShot() override;

  TSearchResults& Results() { return *FResults; }
  void LoadSearchDisplay();
  void FormActivate();
  void SelectListBTNClick();

  TToolBar* ToolBar = nullptr;
  TToolButton* PrintTBtn = nullptr;
  TToolButton* SearchTBtn = nullptr;
  TToolButton* GraphTBtn = nullptr;
  TToolButton* ReportTBtn = nullptr;
  TToolButton* CalculatorTBtn = nullptr;
  TToolButton* CalendarTBtn = nullptr;
  TToolButton* CDTBtn = nullptr;
  TToolButton* CloseTBtn = nullptr;
  TQnStringGrid* SearchDisplay = nullptr;
  TCheckBox* Hbox = nullptr;
  TButton* SelectListBTN = nullptr;
  TLabel* Status = nullptr;
  TLabel* PStatus = nullptr;
  TControl* Progress = nullptr;
  TPopupMenu* PrintMenu = nullptr;

private:
  TReportWindows& FWindows;
  std::unique_ptr<TSearchResults> FResults;
};

class TSelectSpreadsheetForm : public TForm {
public:
  TSelectSpreadsheetForm(const TFieldCaptions& Captions, std::array<int, 51>& Map);
  TSpreadsheetChooser Chooser;
  TListBox* Fields = nullptr;
  TButton* AddBtn = nullptr;
  TButton* RemoveBtn = nullptr;
  TButton* MoveUpBtn = nullptr;
  TButton* MoveDownBtn = nullptr;
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;
  TPopupMenu* ritems = nullptr;
  void ShowList();

private:
  int Selected() const;
  std::array<int, 51>& FMap;
};
