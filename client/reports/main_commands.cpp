#include "client/reports/main_commands.h"

#include <algorithm>

#include "client/core/record_window.h"
#include "client/core/server_requests.h"
#include "client/reports/barcode_forms.h"
#include "client/reports/data_summary_forms.h"
#include "client/reports/email_form.h"
#include "client/reports/record_print_form.h"
#include "client/reports/reminder_report_forms.h"
#include "client/reports/report_windows.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"

bool TMainCommands::Save() {
  TRecordWindow* R = FWindows.Host.Record;
  return R && R->SaveRecord(R->Buffers.Current, true);
}

void TMainCommands::ReminderReportClick(const std::string& Caption, int FieldNo) {
  Save();
  TReminderForm Form(FWindows);
  Form.SetCaption(Caption);
  Form.Logic().ReminderFieldNo = FieldNo;
  Form.ShowModal();
}

bool TMainCommands::QuickOrderReport1Click(int Scope) {
  Save();
  const TConfiguration& C = FWindows.Host.Record->Buffers.Configuration;
  const int Barcode = FindFieldOfKind(C, "barcode"), Quantity = FindFieldOfKind(C, "quantity");
  if (Quantity < 0) {
    MessageDlg(QuantityWord + " field is not defined.", mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  const int Desired = FindFieldOfKind(C, "desired quantity");
  if (Desired < 0) {
    MessageDlg("Desired " + QuantityWord + " field is not defined.", mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  TFaxReportForm Form(FWindows, true);
  Form.SetCaption("Quick " + QuantityWord + " Report");
  Form.QuantityLogic().QuantityFieldNo = Quantity;
  Form.QuantityLogic().DesiredFieldNo = Desired;
  Form.QuantityLogic().BarcodeFieldNo = Barcode;
  Form.QuantityLogic().Scope = Scope;
  Form.ShowModal();
  return true;
}

std::vector<std::string> TMainCommands::MoneyFields() const {
  const TConfiguration& C = FWindows.Host.Record->Buffers.Configuration;
  std::vector<std::string> Out;
  for (int i = 0; i < 10; ++i)
    if (LowerCase(C.DetailKinds[static_cast<std::size_t>(i)]) == "money") Out.push_back(std::to_string(i));
  for (int i = 0; i < 6; ++i)
    if (LowerCase(C.OtherKinds[static_cast<std::size_t>(i)]) == "money") Out.push_back(std::to_string(21 + i));
  return Out;
}

void TMainCommands::TotalMoneyClick(int Scope) {
  Save();
  TValueReportForm Form(FWindows, false);
  Form.SetCaption("Quick Financial Report");
  Form.ValueLogic().Scope = Scope;
  Form.ValueLogic().FieldList = MoneyFields();
  Form.ShowModal();
}

int TMainCommands::NameFieldBefore(int E) const {
  const TConfiguration& C = FWindows.Host.Record->Buffers.Configuration;
  const int Before = E == 21 ? 9 : E - 1;
  std::string Name;
  if (Before >= 0 && Before <= 9) Name = C.DetailNames[static_cast<std::size_t>(Before)];
  else if (Before >= 21 && Before <= 26) Name = C.OtherNames[static_cast<std::size_t>(Before - 21)];
  else return -1;
  return LowerCase(Name).find("name") != std::string::npos ? Before : -1;
}

bool TMainCommands::Email1Click(int Index) {
  const int E = Index >= 0 && Index < 3 ? EmailFields[static_cast<std::size_t>(Index)] : -1;
  if (E < 0) {
    MessageDlg(EmailFieldMissing, mtInformation, TMsgDlgButtons{mbOK});
    return false;
  }
  const int N = NameFieldBefore(E);
  Save();
  TEmailForm Form(FWindows);
  Form.SetCaption("Email");
  std::vector<TEmailRecipient> Items;
  TEmailSender::LoadEmailList(*FWindows.Host.Session, E, N, Items);
  Form.SetRecipients(Items);
  Form.ShowModal();
  return true;
}

std::vector<TEmailRecipient> TMainCommands::GridRecipients(TQnStringGrid& Grid) {
  int EmailCol = -1, NameCol = -1;
  for (int c = 0; c < Grid.ColCount(); ++c) {
    const std::string T = LowerCase(Grid.Cells(c, 0));
    if (T.find("email") != std::string::npos) EmailCol = c;
    if (T.find("name") != std::string::npos) NameCol = c;
  }
  std::vector<TEmailRecipient> Out;
  for (int r = 1; r <= Grid.RowCount() - 2; ++r) {
    TEmailRecipient R;
    R.Code = Grid.Cells(0, r);
    if (NameCol >= 0) R.Name = Grid.Cells(NameCol, r);
    if (EmailCol >= 0) R.Address = Grid.Cells(EmailCol, r);
    Out.push_back(R);
  }
  return Out;
}

void TMainCommands::EmailGrid(TQnStringGrid& Grid) {
  TEmailForm Form(FWindows);
  Form.SetCaption("Email");
  Form.SetRecipients(GridRecipients(Grid));
  Form.ShowModal();
}

std::string TMainCommands::EditBarcode(const std::string& Value, bool& SettingsChanged) {
  TEditBarcodeForm Form(FWindows, BarcodeSettings);
  Form.Logic().CurrentBarcode = Value;
  Form.OnPrintLabel = [this](TEditBarcodeForm& E) {
    TRTFForm Print(FWindows);
    Print.SetCaption(E.PrintBarCodeBtn->Caption());
    Print.PrintMode = 3;
    Print.TemplateName = E.SelectTemplateList->Text();
    Print.HandedColumn = E.PrintColumn->Value();
    Print.HandedRow = E.PrintRow->Value();
    Print.HandedColumns = E.PrintColumn->MaxValue();
    Print.HandedRows = E.PrintRow->MaxValue();
    Print.BarcodeImage = E.BarCodeImage;
    Print.ShowModal();
  };
  Form.ShowModal();
  SettingsChanged = Form.Logic().SettingsChanged;
  return Form.Logic().CurrentBarcode;
}

void TMainCommands::BarcodeClick() {
  Save();
  TBarCodeForm Form(FWindows);
  Form.ShowModal();
  if (TRecordWindow* R = FWindows.Host.Record) R->GetRecord("G" + R->Number());
}

void TMainCommands::GridSummaryBtnClick(TQnStringGrid& Grid, const std::vector<std::string>& Kinds) {
  Save();
  TDataSummaryForm Form(FWindows, Grid);
  for (std::size_t c = 1; c <= 10 && c < Kinds.size(); ++c) Form.Logic().ColumnKinds[c] = Kinds[c];
  Form.ShowModal();
}

void TMainCommands::GridDSClick(bool Grid3, bool AllRecords) {
  Save();
  TGridDataSummaryForm Form(FWindows, Grid3, AllRecords ? "All" : "Search");
  Form.ShowModal();
}

void TMainCommands::PrintRTF1BtnClick(const std::string& Caption) {
  Save();
  TRTFForm Form(FWindows);
  Form.SetCaption(Caption);
  Form.PrintMode = 1;
  if (FWindows.Host.Record) Form.RichText = FWindows.Host.Record->Buffers.Current.RichText;
  Form.ShowModal();
}

void TMainCommands::PrintAddressBTNClick(const std::string& Caption) {
  Save();
  TRTFForm Form(FWindows);
  Form.SetCaption(Caption);
  Form.PrintMode = 2;
  if (FWindows.Host.Record) {
    const ItemRecord& R = FWindows.Host.Record->Buffers.Current;
    for (const auto& L : R.Memos[0]) Form.PlainLines.push_back(L);
    for (const auto& L : R.Memos[2]) Form.PlainLines.push_back(L);
  }
  Form.ShowModal();
}

std::vector<std::string> TMainCommands::AddressOrder(const TEntryList& Entries, int Scope) const {
  std::vector<std::string> Order;
  // A record without name or address gets no label: it would print as a blank one.
  for (std::size_t i = 0; i < Entries.size(); ++i)
    if ((Scope == 1 || FWindows.List.Contains(Entries[i]->Key)) && !PrintsNoAddress(*Entries[i])) Order.push_back(std::to_string(i));
  return Order;
}

void TMainCommands::AllRecords1Click(int Scope, const std::string& Caption) {
  Save();
  TRTFForm Form(FWindows);
  try {
    ReadEntryList(FWindows.Host.Session->Get("A"), Form.AddressList);
  } catch (const std::exception&) {
    Form.AddressList.clear();
  }
  Form.OrderList = AddressOrder(Form.AddressList, Scope);
  Form.SetCaption("Print " + Caption);
  Form.PrintMode = 4;
  Form.ShowModal();
}
