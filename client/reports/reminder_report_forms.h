// The windows of the reminder, quick order and value reports, over their logic.
#pragma once

#include "client/reports/reminder_report.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TListView;
class TPanel;
class TLabel;
class TEdit;
class TButton;
class TPopupMenu;
class TMenuItem;
class TQnStringGrid;
class TCalendarPopup;

class TReminderForm : public TForm {
public:
  explicit TReminderForm(TReportWindows& Windows);
  ~TReminderForm() override;
  TReminderReport& Logic() { return FLogic; }

  void FormActivate();
  void SearchBtnClick();
  void ReminderViewDblClick();
  void AddBtnClick();
  void PrintReminderClick();

  TListView* ReminderView = nullptr;
  TListView* ReminderBuffer = nullptr;
  TPanel* ReminderPanel = nullptr;
  TEdit* FromDate = nullptr;
  TEdit* ToDate = nullptr;
  TButton* SearchBtn = nullptr;
  TButton* PrintReminder = nullptr;
  TButton* AddBtn = nullptr;
  TButton* CloseBtn = nullptr;
  TPopupMenu* DateMenu = nullptr;
  TMenuItem* SetDate = nullptr;
  TMenuItem* ClearDate = nullptr;
  TCalendarPopup* GetDate = nullptr;
  TEdit* ActiveDateBox = nullptr;

private:
  void ShowView();
  TReportWindows& FWindows;
  TReminderReport FLogic;
  bool FSetUp = false;  // the set-up runs on the first activation only
};

// The quick order report (Quantity true) and the value report share the grid window.
class TFaxReportForm : public TForm {
public:
  TFaxReportForm(TReportWindows& Windows, bool Quantity);
  ~TFaxReportForm() override;
  TQuantityReport& QuantityLogic() { return FQuantity; }
  TValueReport& ValueLogic() { return FValue; }

  void GenerateReport();
  void RGridDblClickCell(int Row);

  TQnStringGrid* RGrid = nullptr;
  TPanel* ControlPanel = nullptr;
  TButton* PrintDirectoryBtn = nullptr;
  TButton* CloseBtn = nullptr;
  TPopupMenu* PrintMenu = nullptr;

private:
  TReportWindows& FWindows;
  bool FIsQuantity;
  TQuantityReport FQuantity;
  TValueReport FValue;
  std::string FToldUnreadable;  // the message last shown about values left out of the totals
};
using TValueReportForm = TFaxReportForm;
