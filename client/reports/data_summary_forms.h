// The data summary window and the grid data summary window, over their logic.
#pragma once

#include <memory>

#include "client/reports/data_summary.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TComboBox;
class TMaskEdit;
class TButton;
class TPanel;
class TQnStringGrid;
class TFindDialog;

class TDataSummaryForm : public TForm {
public:
  TDataSummaryForm(TReportWindows& Windows, TQnStringGrid& Source);
  ~TDataSummaryForm() override;
  TDataSummary& Logic() { return FLogic; }

  void FormActivate();
  void FillSummaryGrid();

  TComboBox* DateField = nullptr;
  TComboBox* FilterField = nullptr;
  TComboBox* SummaryField = nullptr;
  TMaskEdit* FromDate = nullptr;
  TMaskEdit* ToDate = nullptr;
  TQnStringGrid* SummaryGrid = nullptr;
  TButton* GenerateBtn = nullptr;
  TButton* OKBtn = nullptr;

private:
  TReportWindows& FWindows;
  TDataSummary FLogic;
  bool FSetUp = false;  // the set-up runs on the first activation only
};

class TGridDataSummaryForm : public TForm {
public:
  TGridDataSummaryForm(TReportWindows& Windows, bool Grid3, const std::string& Scope);
  ~TGridDataSummaryForm() override;
  TGridDataSummary& Logic() { return *FLogic; }

  void FormActivate();
  void EnableForm(bool Enable);
  void GridSummaryDblClickCell(int Row);
  void GridSummaryBtnClick();
  void FindBtnClick();

  TQnStringGrid* GridSummary = nullptr;
  TPanel* Panel1 = nullptr;
  TButton* CloseBtn = nullptr;
  TButton* PrintBtn = nullptr;
  TButton* FindBtn = nullptr;
  TButton* Grid3SummaryBtn = nullptr;
  TFindDialog* FindItem = nullptr;

private:
  TReportWindows& FWindows;
  std::unique_ptr<TGridDataSummary> FLogic;
  bool FSetUp = false;
};
