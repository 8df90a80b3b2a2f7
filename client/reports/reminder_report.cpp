#include "client/reports/reminder_report.h"

#include <charconv>

#include "client/core/record_streams.h"
#include "client/core/record_window.h"
#include "client/core/server_requests.h"
#include "client/reports/search_list.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/plain_numbers.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/modal_service.h"

std::vector<std::vector<std::string>> ReadReplyBlocks(const std::vector<std::string>& Lines, std::size_t Width,
                                                      const std::string& EndMarker) {
  std::vector<std::vector<std::string>> Blocks;
  if (Lines.empty() || Width == 0) return Blocks;
  const std::size_t Last = Lines.size() - 1;
  for (std::size_t i = 2; i < Last; i += Width) {
    if (Lines[i].find(EndMarker) != std::string::npos) break;
    if (i + Width > Last) break;  // a cut reply: the block is not whole
    std::vector<std::string> Block(Lines.begin() + static_cast<std::ptrdiff_t>(i),
                                   Lines.begin() + static_cast<std::ptrdiff_t>(i + Width));
    bool Whole = true;
    for (const auto& L : Block)
      if (L.find(EndMarker) != std::string::npos) Whole = false;
    if (!Whole) break;
    Blocks.push_back(std::move(Block));
  }
  return Blocks;
}

int FindFieldOfKind(const TConfiguration& Config, const std::string& Kind, int N) {
  int Seen = 0;
  for (int i = 0; i < 10; ++i)
    if (LowerCase(Config.DetailKinds[i]) == Kind && ++Seen == N) return i;
  for (int i = 0; i < 6; ++i)
    if (LowerCase(Config.OtherKinds[i]) == Kind && ++Seen == N) return 21 + i;
  return -1;
}

bool OpenReportRecord(TReportHost& Host, const std::string& Code) {
  if (Host.Record) Host.Record->GetRecord("G" + Code);
  if (Host.Record && Host.Record->Number() == Code) return true;
  MessageDlg(NoLongerInDatabaseText, mtError, TMsgDlgButtons{mbOK});
  return false;
}

// ---- Reminders -------------------------------------------------------------------------------

void TReminderReport::InitDates() {
  const std::string Today = DateToStr(Date(), DateFormat);
  if (FromDate.empty()) FromDate = Today;
  if (ToDate.empty()) ToDate = Today;
}

bool TReminderReport::FindReminders() {
  Buffer.clear();
  TServerSession& S = *FHost.Session;
  S.InitializeRequest();
  S.SetParameter("Function", "ReminderReport", true);
  S.SetParameter("ReminderField", std::to_string(ReminderFieldNo), false);
  S.SetParameter("FromDate", FromDate, false);
  std::vector<std::string> Lines;
  if (!S.GetServerPath() || !S.CheckResult("ReminderReport", &Lines)) return false;
  for (auto& B : ReadReplyBlocks(Lines, 3, "*** Reminder Data End ***"))
    Buffer.push_back({B[0], B[1], B[2], false});
  return true;
}

void TReminderReport::FilterReminders() {
  View.clear();
  const TDateTime Current = Now();
  auto Read = [&](const std::string& Text) {
    TDateTime D;
    return TryStrToDate(Text, D, DateFormat) ? D : Current;
  };
  const bool HasFrom = !FromDate.empty(), HasTo = !ToDate.empty();
  const TDateTime From = HasFrom ? Read(FromDate) : 0, To = HasTo ? Read(ToDate) : 0;
  for (const TItem& I : Buffer) {
    if (I.Date.empty()) continue;
    const TDateTime D = Read(I.Date);
    if ((HasFrom && D < From) || (HasTo && D > To)) continue;
    View.push_back({I.Code, I.Name, I.Date, true});
  }
  if (View.empty()) MessageDlg(NoneText, mtInformation, TMsgDlgButtons{mbOK});
}

bool TReminderReport::AddToSearchList() {
  if (MessageDlg(AddQuestion, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes) return false;
  for (const TItem& I : View)
    if (I.Checked && !FList.Contains(I.Code)) FList.Add(I.Code, I.Name);
  if (OnSearchListChanged) OnSearchListChanged();
  if (FHost.Record) FHost.Record->GetRecord("G" + FHost.Record->Number());
  return true;
}

// ---- Quick order -----------------------------------------------------------------------------

namespace {
std::int32_t Int32Or0(const std::string& Text) {
  int V = 0;
  return TryStrToInt(Text, V) ? V : 0;
}
}  // namespace

std::string TQuantityReport::Required(const std::string& Current, const std::string& Desired) {
  const std::int64_t R = static_cast<std::int64_t>(Int32Or0(Desired)) - static_cast<std::int64_t>(Int32Or0(Current));
  return std::to_string(R);
}

bool TQuantityReport::Generate() {
  Rows.clear();
  TServerSession& S = *FHost.Session;
  S.InitializeRequest();
  S.SetParameter("Function", "QuantityReport", true);
  S.SetParameter("QuantityField", std::to_string(QuantityFieldNo), false);
  S.SetParameter("BarcodeField", std::to_string(BarcodeFieldNo), false);
  S.SetParameter("DesiredField", std::to_string(DesiredFieldNo), false);
  std::vector<std::string> Lines;
  if (!S.GetServerPath() || !S.CheckResult("QuantityReport", &Lines)) return false;
  for (auto& B : ReadReplyBlocks(Lines, 5, "*** Quantity Data End ***")) {
    if (Scope == 2 && !FList.Contains(B[0])) continue;
    B.push_back(Required(B[3], B[4]));
    Rows.push_back(std::move(B));
  }
  return true;
}

// ---- Value report ----------------------------------------------------------------------------

bool TValueReport::Generate() {
  ValueFieldNos.fill(-1);
  Rows.clear();
  const TConfiguration* Config = FHost.Record ? &FHost.Record->Buffers.Configuration : nullptr;
  Headers = {"Record ID", "Name"};
  const std::size_t Columns = std::min<std::size_t>(FieldList.size(), 5);
  for (std::size_t k = 0; k < Columns; ++k) {
    const int n = StrToIntDef(FieldList[k], -1);
    ValueFieldNos[k] = n;
    std::string Caption;
    if (Config && n >= 0 && n <= 9) Caption = Config->DetailNames[n];
    if (Config && n >= 21 && n <= 26) Caption = Config->OtherNames[n - 21];
    Headers.push_back(Caption);
  }
  TotalRow.assign(Columns + 2, "");
  TotalRow[0] = "Total";
  TServerSession& S = *FHost.Session;
  S.InitializeRequest();
  S.SetParameter("Function", "ValueReport", true);
  for (int k = 0; k < 5; ++k)
    S.SetParameter("Value" + std::to_string(k + 1) + "Field", std::to_string(ValueFieldNos[k]), false);
  std::vector<std::string> Lines;
  const bool Ok = S.GetServerPath() && S.CheckResult("ValueReport", &Lines);
  if (Ok)
    for (auto& B : ReadReplyBlocks(Lines, 2 + Columns, "*** Value Data End ***"))
      if (Scope != 2 || FList.Contains(B[0])) Rows.push_back(std::move(B));
  // A value that does not read as an amount is left out of its total and named, never counted
  // as another number ("99,95" is not 9995).
  Unreadable.clear();
  if (!Rows.empty())
    for (std::size_t c = 2; c < Columns + 2; ++c) {
      double Sum = 0;
      for (const auto& R : Rows) {
        double Value = 0;
        if (ReadAmountText(R[c], Value)) Sum += Value;
        else if (R[c].find_first_not_of(' ') != std::string::npos)
          Unreadable.push_back(R[0] + " " + R[1] + ", " + Headers[c] + ": \"" + R[c] + "\"");
      }
      TotalRow[c] = FixedPointText(Sum, 2);
    }
  return Ok;
}

std::string TValueReport::UnreadableText() const {
  if (Unreadable.empty()) return "";
  std::string Text = "These values are not amounts as this program reads them (1234.50 or 1,234.50) and are left "
                     "out of the totals:";
  const std::size_t Shown = std::min<std::size_t>(Unreadable.size(), 20);
  for (std::size_t i = 0; i < Shown; ++i) Text += "\n" + Unreadable[i];
  if (Unreadable.size() > Shown) Text += "\n... and " + std::to_string(Unreadable.size() - Shown) + " more.";
  return Text;
}
