#include "client/reports/reminder_report_forms.h"

#include "client/core/record_window.h"
#include "client/reports/form_parts.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_results_form.h"
#include "controls/calendar_popup.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/date_time.h"
#include "platform/ui/containers.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_view.h"
#include "platform/ui/menus.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

using namespace form_parts;

namespace {
TListView* MakeReminderList(TComponent* Owner, TWinControl* Parent, const std::string& Name) {
  auto* V = Make<TListView>(Owner, Parent, Name, 0, 0, 500, 260);
  V->SetViewStyle(vsReport);
  V->SetCheckboxes(true);
  for (const char* Caption : {"Record ID", "Name", "Date"}) {
    TListColumn* C = V->Columns().Add();
    C->SetCaption(Caption);
    C->SetWidth(150);
  }
  return V;
}
}  // namespace

TReminderForm::TReminderForm(TReportWindows& Windows)
    : TForm(nullptr), FWindows(Windows), FLogic(Windows.Host, Windows.List) {
  SetName("ReminderForm");
  SetCaption("Upcoming Reminders");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 520, 420);
  ReminderView = MakeReminderList(this, this, "ReminderView");
  ReminderView->SetAlign(alTop);
  ReminderBuffer = MakeReminderList(this, this, "ReminderBuffer");
  ReminderBuffer->SetVisible(false);
  ReminderPanel = Make<TPanel>(this, this, "ReminderPanel", 10, 280, 490, 100);
  ReminderPanel->SetCaption("");
  MakeCaptioned<TLabel>(this, ReminderPanel, "ShowLabel", "Show reminders:", 8, 8, 110, 17);
  MakeCaptioned<TLabel>(this, ReminderPanel, "FromLabel", "From", 120, 8, 40, 17);
  FromDate = Make<TEdit>(this, ReminderPanel, "FromDate", 160, 6, 100, 21);
  MakeCaptioned<TLabel>(this, ReminderPanel, "ToLabel", "To", 270, 8, 30, 17);
  ToDate = Make<TEdit>(this, ReminderPanel, "ToDate", 300, 6, 100, 21);
  FromDate->SetReadOnly(true);
  ToDate->SetReadOnly(true);
  MakeCaptioned<TLabel>(this, ReminderPanel, "HintLabel", "Double click record to view details.", 8, 36, 300, 17);
  SearchBtn = MakeCaptioned<TButton>(this, ReminderPanel, "SearchBtn", "Find", 8, 64, 80, 25);
  PrintReminder = MakeCaptioned<TButton>(this, ReminderPanel, "PrintReminder", "Print", 100, 64, 80, 25);
  AddBtn = MakeCaptioned<TButton>(this, ReminderPanel, "AddBtn", "Add", 192, 64, 80, 25);
  CloseBtn = MakeCaptioned<TButton>(this, ReminderPanel, "CloseBtn", "Close", 284, 64, 80, 25);
  DateMenu = new TPopupMenu(this);
  DateMenu->SetName("DateMenu");
  SetDate = AddItem(this, DateMenu->Items(), "SetDate", "Set Date");
  ClearDate = AddItem(this, DateMenu->Items(), "ClearDate", "Clear Date");
  GetDate = new TCalendarPopup(this);

  auto DateClick = [this](TEdit* Box) {
    ActiveDateBox = Box;
    const TPoint P = CursorPosition();
    DateMenu->Popup(P.X, P.Y);
  };
  FromDate->OnClick = [this, DateClick](TObject*) { DateClick(FromDate); };
  ToDate->OnClick = [this, DateClick](TObject*) { DateClick(ToDate); };
  SetDate->OnClick = [this](TObject*) {
    if (!ActiveDateBox) return;
    TDateTime D = Date();
    if (!ActiveDateBox->Text().empty()) TryStrToDate(ActiveDateBox->Text(), D, FLogic.DateFormat);
    GetDate->SetDate(D);
    const TPoint P = CursorPosition();
    GetDate->SetCalLeft(P.X + 10);
    GetDate->SetCalTop(P.Y + 10);
    if (GetDate->Execute())
      ActiveDateBox->SetText(DateToStr(EncodeDate(GetDate->Year(), GetDate->Month(), GetDate->Day()), FLogic.DateFormat));
  };
  ClearDate->OnClick = [this](TObject*) {
    if (ActiveDateBox) ActiveDateBox->SetText("");
  };
  SearchBtn->OnClick = [this](TObject*) { SearchBtnClick(); };
  PrintReminder->OnClick = [this](TObject*) { PrintReminderClick(); };
  AddBtn->OnClick = [this](TObject*) { AddBtnClick(); };
  CloseBtn->OnClick = [this](TObject*) { Close(); };
  ReminderView->OnDblClick = [this](TObject*) { ReminderViewDblClick(); };
  FLogic.OnSearchListChanged = [this] { FWindows.SnapShot().LoadSearchDisplay(); };
  OnActivate = [this](TObject*) { FormActivate(); };
  OnResize = [this](TObject*) {
    ReminderPanel->SetLeft((Width() - ReminderPanel->Width()) / 2);
    ReminderPanel->SetTop(Height() - 140);
  };
}

TReminderForm::~TReminderForm() = default;

void TReminderForm::FormActivate() {
  // The window comes back active after the calendar of its date boxes: no second request and
  // no second start message.
  if (FSetUp) return;
  FSetUp = true;
  if (FWindows.Host.Record) FLogic.DateFormat = FWindows.Host.Record->Buffers.Configuration.DateFormat;
  if (FLogic.DateFormat.empty()) FLogic.DateFormat = "mm/dd/yyyy";
  FLogic.FromDate = FromDate->Text();
  FLogic.ToDate = ToDate->Text();
  FLogic.InitDates();
  FromDate->SetText(FLogic.FromDate);
  ToDate->SetText(FLogic.ToDate);
  FLogic.FindReminders();
  ReminderBuffer->Items().Clear();
  for (const auto& I : FLogic.Buffer) {
    TListItem* Item = ReminderBuffer->Items().Add();
    Item->SetCaption(I.Code);
    Item->SubItems().Add(I.Name);
    Item->SubItems().Add(I.Date);
  }
  MessageDlg(TReminderReport::StartText, mtInformation, TMsgDlgButtons{mbOK});
}

void TReminderForm::ShowView() {
  ReminderView->Items().Clear();
  for (const auto& I : FLogic.View) {
    TListItem* Item = ReminderView->Items().Add();
    Item->SetCaption(I.Code);
    Item->SubItems().Add(I.Name);
    Item->SubItems().Add(I.Date);
    Item->SetChecked(I.Checked);
  }
}

void TReminderForm::SearchBtnClick() {
  FLogic.FromDate = FromDate->Text();
  FLogic.ToDate = ToDate->Text();
  FLogic.FilterReminders();
  ShowView();
}

void TReminderForm::ReminderViewDblClick() {
  TListItem* Item = ReminderView->Selected();
  if (!Item) return;
  if (OpenReportRecord(FWindows.Host, Item->Caption())) Close();
}

void TReminderForm::AddBtnClick() {
  for (int i = 0; i < ReminderView->Items().Count() && i < static_cast<int>(FLogic.View.size()); ++i)
    FLogic.View[static_cast<std::size_t>(i)].Checked = ReminderView->Items().Item(i)->Checked();
  if (FLogic.AddToSearchList()) FWindows.ShowSearchResults();
}

namespace {
// Half an inch in the grid printer's units (tenths of a millimetre).
constexpr int kReminderMargin = 127;
}  // namespace

void TReminderForm::PrintReminderClick() {
  TQnStringGrid Grid(nullptr);
  Grid.SetColCount(3);
  Grid.SetRowCount(static_cast<int>(FLogic.View.size()) + 1);
  Grid.SetCells(0, 0, "Record ID");
  Grid.SetCells(1, 0, "Name");
  Grid.SetCells(2, 0, "Date");
  for (std::size_t r = 0; r < FLogic.View.size(); ++r) {
    const int R = static_cast<int>(r) + 1;
    Grid.SetCells(0, R, FLogic.View[r].Code);
    Grid.SetCells(1, R, FLogic.View[r].Name);
    Grid.SetCells(2, R, FLogic.View[r].Date);
  }
  // Half an inch of paper on every side, as the report windows print with; the job is named
  // after the window.
  TPrintsettings& Settings = Grid.PrintSettings();
  Settings.LeftSize = Settings.RightSize = Settings.HeaderSize = Settings.FooterSize = kReminderMargin;
  Settings.JobName = Caption();
  Grid.Print();
  MessageDlg(Caption() + " printed.", mtInformation, TMsgDlgButtons{mbOK});
}

// ---- Quick order and value reports -----------------------------------------------------------

TFaxReportForm::TFaxReportForm(TReportWindows& Windows, bool Quantity)
    : TForm(nullptr), FWindows(Windows), FIsQuantity(Quantity), FQuantity(Windows.Host, Windows.List),
      FValue(Windows.Host, Windows.List) {
  SetName(Quantity ? "FaxReportForm" : "ValueReportForm");
  SetCaption(Quantity ? "Quick Order Report" : "Value Report");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 600, 420);
  RGrid = Make<TQnStringGrid>(this, this, "RGrid", 0, 0, 600, 310);
  RGrid->SetColCount(Quantity ? 6 : 4);
  RGrid->SetRowCount(2);
  RGrid->SetFixedRows(1);
  RGrid->SetFixedCols(0);
  RGrid->SetLeftCol(0);
  RGrid->SetDefaultColWidth(90);
  RGrid->SetOptions(RGrid->Options() + goRowSelect);
  if (Quantity)
    for (int c = 0; c < 6; ++c) RGrid->SetCells(c, 0, TQuantityReport::Headers[static_cast<std::size_t>(c)]);
  else {
    const char* H[] = {"Record ID", "Name", "Value 1", "Value 2"};
    for (int c = 0; c < 4; ++c) RGrid->SetCells(c, 0, H[c]);
  }
  ControlPanel = Make<TPanel>(this, this, "ControlPanel", 100, 324, 400, 60);
  ControlPanel->SetCaption("");
  MakeCaptioned<TLabel>(this, ControlPanel, "HintLabel", "To view record, double click row.", 8, 8, 240, 17);
  PrintDirectoryBtn = MakeCaptioned<TButton>(this, ControlPanel, "PrintDirectoryBtn", "Print", 220, 28, 80, 25);
  CloseBtn = MakeCaptioned<TButton>(this, ControlPanel, "CloseBtn", "OK", 310, 28, 80, 25);
  PrintMenu = new TPopupMenu(this);
  PrintMenu->SetName("PrintMenu");
  AddItem(this, PrintMenu->Items(), "MenuItem1", "Print Settings");
  TMenuItem* PrintItem = AddItem(this, PrintMenu->Items(), "MenuItem2", "Print");
  PrintItem->OnClick = [this](TObject*) { RGrid->Print(); };
  PrintDirectoryBtn->OnClick = [this](TObject*) { FWindows.PrintGrid(*RGrid); };
  CloseBtn->OnClick = [this](TObject*) { Close(); };
  RGrid->OnDblClickCell = [this](TObject*, int Row, int) { RGridDblClickCell(Row); };
  OnActivate = [this](TObject*) { GenerateReport(); };
  OnResize = [this](TObject*) {
    ControlPanel->SetLeft((Width() - ControlPanel->Width()) / 2);
    ControlPanel->SetTop(Height() - 96);
    RGrid->SetBounds(0, 0, Width(), std::max(40, Height() - 110));
  };
}

TFaxReportForm::~TFaxReportForm() = default;

void TFaxReportForm::GenerateReport() {
  for (int r = 1; r < RGrid->RowCount(); ++r)
    for (int c = 0; c < RGrid->ColCount(); ++c) RGrid->SetCells(c, r, "");
  RGrid->SetRowCount(2);
  if (FIsQuantity) {
    FQuantity.Generate();
    RGrid->SetRowCount(std::max<int>(2, static_cast<int>(FQuantity.Rows.size()) + 1));
    for (std::size_t r = 0; r < FQuantity.Rows.size(); ++r)
      for (int c = 0; c < 6; ++c) RGrid->SetCells(c, static_cast<int>(r) + 1, FQuantity.Rows[r][static_cast<std::size_t>(c)]);
    FitColumnsToText(*RGrid, true);
    if (FQuantity.BarcodeFieldNo == -1) RGrid->HideColumn(2);
    return;
  }
  FValue.Generate();
  RGrid->SetColCount(static_cast<int>(FValue.Headers.size()));
  RGrid->SetRowCount(static_cast<int>(FValue.Rows.size()) + 2);
  for (std::size_t c = 0; c < FValue.Headers.size(); ++c) RGrid->SetCells(static_cast<int>(c), 0, FValue.Headers[c]);
  for (std::size_t r = 0; r < FValue.Rows.size(); ++r)
    for (std::size_t c = 0; c < FValue.Rows[r].size(); ++c)
      RGrid->SetCells(static_cast<int>(c), static_cast<int>(r) + 1, FValue.Rows[r][c]);
  const int Last = RGrid->RowCount() - 1;
  for (std::size_t c = 0; c < FValue.TotalRow.size(); ++c) RGrid->SetCells(static_cast<int>(c), Last, FValue.TotalRow[c]);
  FitColumnsToText(*RGrid, true);
  // The report is made again at every activation, the box's close among them: the same values
  // are told once.
  const std::string Told = FValue.UnreadableText();
  if (!Told.empty() && Told != FToldUnreadable) {
    FToldUnreadable = Told;
    MessageDlg(Told, mtWarning, TMsgDlgButtons{mbOK});
  }
  if (Told.empty()) FToldUnreadable.clear();
}

void TFaxReportForm::RGridDblClickCell(int Row) {
  if (Row >= RGrid->RowCount()) return;
  const std::string Code = RGrid->Cells(0, Row);
  // The value report's total row is no record.
  if (!FIsQuantity && Row == RGrid->RowCount() - 1) return;
  if (!ReportRowOpens(Row, Code)) return;
  if (OpenReportRecord(FWindows.Host, Code)) Close();
}
