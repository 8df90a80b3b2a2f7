#include "client/core/replace_logic.h"

#include "client/core/record_window.h"
#include "platform/ui/modal_service.h"

namespace {

const std::string Q = "\"";

void ErrorBox(const std::string& Text) { MessageDlg(Text, mtError, {mbOK}); }
bool Confirmed(const std::string& Text) { return MessageDlg(Text, mtConfirmation, mbYesNo) != mrNo; }

}  // namespace

std::vector<TReplaceField> ReplaceFieldList(const TConfiguration& Config) {
  std::vector<TReplaceField> List;
  for (int i = 0; i < 10; ++i) List.push_back({Config.DescriptionNames[i], i});
  for (int i = 0; i < 10; ++i) List.push_back({Config.DetailNames[i], 10 + i});
  for (int i = 0; i < 6; ++i) List.push_back({Config.OtherNames[i], 23 + i});
  return List;
}

int TReplaceChecks::CodeOf(const std::string& Text) const {
  for (const auto& F : FFields)
    if (F.Name == Text) return F.Code;
  return -1;
}

bool TReplaceChecks::OKBtnClick(const std::string& Field, const std::string& OldValue,
                                const std::string& NewValue, TReplaceChoice& Choice) const {
  const int Code = CodeOf(Field);
  if (Code < 0) {
    ErrorBox("Please select a field from the field list.");
    return false;
  }
  if (!Confirmed("All occurrences of " + Q + OldValue + Q + " will be replaced by " + Q + NewValue + Q +
                 " in field " + Field + ". Are you sure you want to continue ?"))
    return false;
  Choice = {1, true, Code, -1, OldValue, NewValue};
  return true;
}

bool TReplaceChecks::OKDefaultClick(const std::string& Field, const std::string& Value,
                                    TReplaceChoice& Choice) const {
  const int Code = CodeOf(Field);
  if (Code < 0) {
    ErrorBox("Please select a field from the field list.");
    return false;
  }
  if (Value.empty()) {
    ErrorBox("Please enter default value.");
    return false;
  }
  if (!Confirmed(Field + " will be loaded with " + Value + ".  Are you sure you want to continue ?")) return false;
  Choice = {2, true, Code, -1, "", Value};
  return true;
}

bool TReplaceChecks::ConditionalOKClick(const std::string& ConditionalField, const std::string& LoadField,
                                        const std::string& Conditional, const std::string& LoadValue,
                                        TReplaceChoice& Choice) const {
  const int CCode = CodeOf(ConditionalField), LCode = CodeOf(LoadField);
  if (CCode < 0) {
    ErrorBox("Please select a conditional field from the field list.");
    return false;
  }
  if (LCode < 0) {
    ErrorBox("Please select a load field from the field list.");
    return false;
  }
  if (Conditional.empty()) {
    ErrorBox("Please enter a conditional value.");
    return false;
  }
  if (LoadValue.empty()) {
    ErrorBox("Please enter a load value.");
    return false;
  }
  if (!Confirmed(LoadField + " will be loaded with " + LoadValue +
                 " when the condition is met.  Are you sure you want to continue ?"))
    return false;
  Choice = {3, true, LCode, CCode, Conditional, LoadValue};
  return true;
}

std::string ReplaceCountText(const std::string& Count, const std::string& OldValue) {
  if (Count == "0") return OldValue + " was not found.";
  if (Count == "1") return "1 replacement was made.";
  return Count + " replacements were made.";
}

void SearchandReplace(TRecordWindow& W, const std::function<TReplaceChoice()>& ShowWindow) {
  W.SaveRecord(W.Buffers.Current, true);
  W.BeginModal();
  const TReplaceChoice Choice = ShowWindow ? ShowWindow() : TReplaceChoice{};
  W.EndModal();
  if (Choice.Accepted && Choice.Mode >= 1 && Choice.Mode <= 3) {
    static const char* const Functions[] = {"Replace", "SetDefault", "SetConditional"};
    TServerSession& S = W.Session();
    S.InitializeRequest();
    S.SetParameter("Function", Functions[Choice.Mode - 1], true);
    S.SetParameter("field", std::to_string(Choice.Field), false);
    S.SetParameter("cfield", Choice.Mode == 3 ? std::to_string(Choice.ConditionalField) : "", false);
    S.SetParameter("oldvalue", Choice.OldValue, false);
    S.SetParameter("newvalue", Choice.NewValue, false);
    std::vector<std::string> Lines;
    W.BeginModal();
    if (S.GetServerPath() && S.CheckResult("Replace", &Lines))
      MessageDlg(ReplaceCountText(Lines[2], Choice.OldValue), mtInformation, {mbOK});
    else
      MessageDlg(TRecordWindow::RequestProblemText, mtError, {mbOK});
    W.EndModal();
  }
  W.GetRecord("G" + W.Number());
}
