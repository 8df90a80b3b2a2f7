#include "client/reports/email_form.h"

#include "client/core/client_settings.h"
#include "client/reports/form_parts.h"
#include "client/reports/report_windows.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/list_view.h"
#include "platform/ui/page_control.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

using namespace form_parts;

TEmailForm::TEmailForm(TReportWindows& Windows) : TForm(nullptr), FWindows(Windows) {
  SetName("EmailForm");
  SetCaption("Email");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientWidth(569);
  SetClientHeight(438);
  MailBook = Make<TPageControl>(this, this, "MailBook", 4, 4, 561, 430);
  auto Sheet = [this](const std::string& Name, const std::string& Caption) {
    auto* S = new TTabSheet(this);
    S->SetName(Name);
    S->SetCaption(Caption);
    S->SetPageControl(MailBook);
    return S;
  };
  TTabSheet* MessagePage = Sheet("MessagePage", "Message");
  TTabSheet* SendPage = Sheet("SendPage", "Send Email");
  MakeCaptioned<TLabel>(this, MessagePage, "SubjectLabel", "Subject", 8, 10, 60, 17);
  Subject = Make<TEdit>(this, MessagePage, "Subject", 70, 6, 300, 21);
  MakeCaptioned<TLabel>(this, MessagePage, "PriorityLabel", "Priority", 390, 10, 60, 17);
  pMail = Make<TComboBox>(this, MessagePage, "pMail", 450, 6, 90, 21);
  for (const char* P : {"Normal", "High", "Low"}) pMail->Items().Add(P);
  pMail->SetItemIndex(0);
  MakeCaptioned<TLabel>(this, MessagePage, "MessageLabel", "Message ", 8, 36, 80, 17);
  MessageBody = Make<TRichEdit>(this, MessagePage, "MessageBody", 8, 56, 536, 330);
  MessageBody->SetPlainText(true);

  MakeCaptioned<TLabel>(this, SendPage, "ServerLabel", "Mail Server", 8, 10, 90, 17);
  MailServer = Make<TEdit>(this, SendPage, "MailServer", 100, 6, 170, 21);
  MakeCaptioned<TLabel>(this, SendPage, "PortLabel", "Mail Port", 290, 10, 70, 17);
  MailPort = Make<TEdit>(this, SendPage, "MailPort", 370, 6, 60, 21);
  MakeCaptioned<TLabel>(this, SendPage, "SenderEmailLabel", "Sender (Email)", 8, 38, 90, 17);
  SenderEmail = Make<TEdit>(this, SendPage, "SenderEmail", 100, 34, 170, 21);
  MakeCaptioned<TLabel>(this, SendPage, "SenderNameLabel", "Sender (Name)", 290, 38, 90, 17);
  SenderName = Make<TEdit>(this, SendPage, "SenderName", 380, 34, 160, 21);
  MakeCaptioned<TLabel>(this, SendPage, "RecipientsLabel", "Recipients", 8, 66, 90, 17);
  RList = Make<TListView>(this, SendPage, "RList", 8, 86, 536, 260);
  RList->SetViewStyle(vsReport);
  RList->SetCheckboxes(true);
  const std::pair<const char*, int> Columns[] = {{"Record ID", 100}, {"Name", 150}, {"Email", 125}, {"Status", 125}};
  for (const auto& [Caption, Width] : Columns) {
    TListColumn* C = RList->Columns().Add();
    C->SetCaption(Caption);
    C->SetWidth(Width);
  }
  BitBtn1 = MakeCaptioned<TButton>(this, SendPage, "BitBtn1", "Send", 8, 356, 80, 27);
  SelectAllBtn = MakeCaptioned<TButton>(this, SendPage, "SelectAllBtn", "Select All", 100, 356, 90, 27);
  SearchListBtn = MakeCaptioned<TButton>(this, SendPage, "SearchListBtn", "Search List", 200, 356, 90, 27);
  CloseEmail = MakeCaptioned<TButton>(this, SendPage, "CloseEmail", "Close", 460, 356, 80, 27);
  CloseEmail->SetHint("Close the Report Window");
  BitBtn1->OnClick = [this](TObject*) { BitBtn1Click(); };
  SelectAllBtn->OnClick = [this](TObject*) {
    ReadList();
    FLogic.SelectAll();
    ShowList();
  };
  SearchListBtn->OnClick = [this](TObject*) {
    ReadList();
    FLogic.SelectSearchList(FWindows.List);
    ShowList();
  };
  CloseEmail->OnClick = [this](TObject*) { Close(); };
  OnActivate = [this](TObject*) { FormActivate(); };
  OnClose = [this](TObject*, TCloseAction&) { FormClose(); };
  FLogic.OnStatus = [this] { ShowList(); };
}

TEmailForm::~TEmailForm() = default;

void TEmailForm::SetRecipients(const std::vector<TEmailRecipient>& Items) {
  FLogic.Items = Items;
  for (auto& I : FLogic.Items) {
    I.Checked = true;
    I.Status = TEmailSender::NotSent;
  }
  ShowList();
}

void TEmailForm::ShowList() {
  RList->Items().Clear();
  for (const auto& I : FLogic.Items) {
    TListItem* Item = RList->Items().Add();
    Item->SetCaption(I.Code);
    Item->SubItems().Add(I.Name);
    Item->SubItems().Add(I.Address);
    Item->SubItems().Add(I.Status);
    Item->SetChecked(I.Checked);
  }
}

void TEmailForm::ReadList() {
  for (int i = 0; i < RList->Items().Count() && i < static_cast<int>(FLogic.Items.size()); ++i)
    FLogic.Items[static_cast<std::size_t>(i)].Checked = RList->Items().Item(i)->Checked();
}

void TEmailForm::FormActivate() {
  if (auto Key = OpenSettingsKey()) FLogic.ReadSettings(*Key);
  MailServer->SetText(FLogic.MailServer);
  MailPort->SetText(FLogic.MailPort);
  SenderEmail->SetText(FLogic.SenderEmail);
  SenderName->SetText(FLogic.SenderName);
  MailBook->SetActivePageIndex(0);
}

void TEmailForm::BitBtn1Click() {
  ReadList();
  FLogic.MailServer = MailServer->Text();
  FLogic.MailPort = MailPort->Text();
  FLogic.SenderEmail = SenderEmail->Text();
  FLogic.SenderName = SenderName->Text();
  FLogic.Subject = Subject->Text();
  FLogic.Priority = pMail->Text();
  FLogic.Body.clear();
  for (int i = 0; i < MessageBody->Lines().Count(); ++i) FLogic.Body.push_back(MessageBody->Lines()[i]);
  FLogic.Send();
}

void TEmailForm::FormClose() {
  FLogic.MailServer = MailServer->Text();
  FLogic.MailPort = MailPort->Text();
  FLogic.SenderEmail = SenderEmail->Text();
  FLogic.SenderName = SenderName->Text();
  if (auto Key = OpenSettingsKey()) FLogic.WriteSettings(*Key);
}
