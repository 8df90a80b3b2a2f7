#include "client/reports/email_window.h"

#include "client/core/server_requests.h"
#include "client/reports/reminder_report.h"
#include "client/reports/search_list.h"
#include "net/smtp_client.h"
#include "platform/rtl/ini_files.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/modal_service.h"

namespace {
// Header and envelope texts: no line breaks, at most 255 characters.
std::string HeaderText(const std::string& S) {
  std::string Out;
  for (char c : S)
    if (c != '\r' && c != '\n') Out += c;
  return Out.substr(0, 255);
}
bool HasControl(const std::string& S) {
  for (unsigned char c : S)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}
}  // namespace

TEmailSender::TEmailSender() : FClient(std::make_unique<TNetSMTPClient>()), FMessage(std::make_unique<TNetMessage>()) {
  FClient->SetMailMessage(FMessage.get());
  FMessage->SetContentType("text/plain");
}

TEmailSender::~TEmailSender() { FClient->SetMailMessage(nullptr); }

bool TEmailSender::Eligible(const TEmailRecipient& R) {
  return R.Checked && R.Address.find('@') != std::string::npos && !HasControl(R.Address);
}

int TEmailSender::Send() {
  for (auto& I : Items) I.Status = NotSent;
  TNetMessage& M = *FMessage;
  M.Body().Clear();
  M.Recipients().Clear();
  M.Priority = Priority == "High" ? ptHigh : Priority == "Low" ? ptLow : ptNormal;
  int Port = 0;
  if (!TryStrToInt(MailPort, Port)) Port = 80;
  FClient->SetHost(MailServer.substr(0, 255));
  FClient->SetPort(static_cast<short>(Port));
  M.Sender().SetName(HeaderText(SenderName));
  M.Sender().SetAddress(HeaderText(SenderEmail));
  M.SetSubject(HeaderText(Subject));
  for (const auto& L : Body) M.Body().Add(L);
  int Count = 0;
  bool Failed = false;
  for (auto& I : Items) {
    if (!Eligible(I)) continue;
    if (Failed && Count == 0) continue;
    M.Recipients().Clear();
    auto* A = new TNetMailAddress;
    A->SetName(HeaderText(I.Name));
    A->SetAddress(I.Address.substr(0, 255));
    M.Recipients().Add(A);
    try {
      FClient->Send();
      ++Count;
      I.Status = Sent;
    } catch (const std::exception&) {
      Failed = true;
      I.Status = Error;
    }
  }
  if (OnStatus) OnStatus();
  if (Count == 0 && !Failed) MessageDlg(NoRecipientsText, mtError, TMsgDlgButtons{mbOK});
  else if (Count == 0) MessageDlg(FailedText, mtError, TMsgDlgButtons{mbOK});
  else if (Failed) MessageDlg(PartlyText, mtError, TMsgDlgButtons{mbOK});
  else MessageDlg(SentText, mtInformation, TMsgDlgButtons{mbOK});
  M.Recipients().Clear();
  return Count;
}

void TEmailSender::SelectAll() {
  for (auto& I : Items) I.Checked = true;
}

bool TEmailSender::SelectSearchList(const TSearchList& List) {
  if (MessageDlg(SearchListQuestion, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes) return false;
  bool Any = false;
  for (auto& I : Items) {
    I.Checked = List.Contains(I.Code);
    Any = Any || I.Checked;
  }
  if (!Any) MessageDlg(NoSearchListText, mtInformation, TMsgDlgButtons{mbOK});
  return true;
}

void TEmailSender::ReadSettings(TCustomIniFile& Key) {
  MailServer = Key.ReadString("SETTINGS", "MailServer", FClient->Host());
  MailPort = Key.ReadString("SETTINGS", "MailPort", "25");
  SenderEmail = Key.ReadString("SETTINGS", "SenderEmail", "");
  SenderName = Key.ReadString("SETTINGS", "SenderName", "");
}

void TEmailSender::WriteSettings(TCustomIniFile& Key) const {
  Key.WriteString("SETTINGS", "MailServer", MailServer);
  Key.WriteString("SETTINGS", "MailPort", MailPort);
  Key.WriteString("SETTINGS", "SenderEmail", SenderEmail);
  Key.WriteString("SETTINGS", "SenderName", SenderName);
}

bool TEmailSender::LoadEmailList(TServerSession& S, int E, int N, std::vector<TEmailRecipient>& Out) {
  Out.clear();
  S.InitializeRequest();
  S.SetParameter("Function", "EmailList", true);
  S.SetParameter("EmailField", std::to_string(E), false);
  S.SetParameter("NameField", std::to_string(N), false);
  std::vector<std::string> Lines;
  if (!S.GetServerPath() || !S.CheckResult("EmailList", &Lines)) return false;
  for (const auto& B : ReadReplyBlocks(Lines, 3, "*** Email Data End ***")) {
    TEmailRecipient R;
    R.Code = B[0];
    R.Name = B[1];
    R.Address = B[2];
    Out.push_back(std::move(R));
  }
  return true;
}
