#include "client/reports/criterion_dialogs.h"

#include "client/reports/form_parts.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

using form_parts::Make;
using form_parts::MakeCaptioned;

namespace criterion {

bool IsDateKind(const std::string& Kind) { return LowerCase(Kind).find("date") != std::string::npos; }

TRangeEdits RangePrefill(const TSearchTerm& Term, const std::string& LowDefault, const std::string& HighDefault) {
  TRangeEdits E;
  E.Record = Term.Text2 == Term.Text1 ? Term.Text2 : std::string();
  E.Low = Term.Text1.empty() ? LowDefault : Term.Text1;
  E.High = Term.Text2.empty() ? HighDefault : Term.Text2;
  return E;
}

TRangeEdits SchedulePrefill(const TSearchTerm& Term, std::string& Day) {
  TRangeEdits E;
  E.Record = E.Low = Term.Text1.empty() ? "00:00" : Term.Text1;
  E.High = Term.Text2.empty() ? "24:00" : Term.Text2;
  Day = Term.Text3.empty() ? "Any Day" : Term.Text3;
  return E;
}

static TCriterionCheck CheckRange(const std::string& From, const std::string& To) {
  if (From.empty()) return {FromMissing, 1};
  if (To.empty()) return {ToMissing, 2};
  return {};
}

TCriterionCheck RangeOK(TSearchTerm* Term, std::string& Cell, const std::string& From, const std::string& To) {
  TCriterionCheck C = CheckRange(From, To);
  if (!C.Message.empty()) return C;
  if (Term) {
    Term->Text1 = From;
    Term->Text2 = To;
  }
  Cell = From + " < " + To;
  return C;
}

TCriterionCheck RangeSpecificOK(TSearchTerm* Term, std::string& Cell, const std::string& Value) {
  if (Value.empty()) return {ValueMissing, 3};
  if (Term) Term->Text1 = Term->Text2 = Value;
  Cell = Value;
  return {};
}

TCriterionCheck ScheduleOK(TSearchTerm* Term, std::string& Cell, const std::string& From, const std::string& To,
                           const std::string& Day) {
  TCriterionCheck C = CheckRange(From, To);
  if (!C.Message.empty()) return C;
  if (Term) {
    Term->Text1 = From;
    Term->Text2 = To;
    Term->Text3 = Day;
  }
  Cell = From + " < " + To + " on " + Day;
  return C;
}

TCriterionCheck ScheduleSpecificOK(TSearchTerm* Term, std::string& Cell, const std::string& Value,
                                   const std::string& Day) {
  if (Value.empty()) return {ValueMissing, 3};
  if (Term) {
    Term->Text1 = Term->Text2 = Value;
    Term->Text3 = Day;
  }
  Cell = Value + " on " + Day;
  return {};
}

std::string SkillCellText(const std::string& Skill, const std::string& From, const std::string& To,
                          const std::string& Notes) {
  std::string Text = Skill;
  if (!From.empty() && !To.empty())
    Text += " with proficiency " + From + " < " + To;
  else if (!From.empty())
    Text += " with proficiency >" + From;
  else if (!To.empty())
    Text += " with proficiency < " + To;
  if (!Notes.empty()) Text += " Notes " + Notes;
  return Text;
}

TCriterionCheck SkillsOK(TSearchTerm* Term, std::string& Cell, const std::array<std::string, 100>& ItemNames,
                         const std::string& Skill, const std::string& From, const std::string& To,
                         const std::string& Notes, bool Partial) {
  bool Known = false;
  if (!Skill.empty())
    for (const auto& Name : ItemNames) Known = Known || (Name == Skill);
  if (!Known) return {SkillInvalid, 1};
  if (Term) {
    Term->Text1 = From;
    Term->Text2 = To;
    Term->Text4 = Notes;
    Term->Text5 = Skill;
    Term->Number = Partial ? 2 : 1;
  }
  Cell = SkillCellText(Skill, From, To, Notes);
  return {};
}

}  // namespace criterion

// ---- The range and schedule dialog -------------------------------------------------------------

namespace {
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
}

TSelectRangeForm::TSelectRangeForm(TReportHost& Host, TSearchTerm* Term, std::string& Cell, bool Schedule)
    : TForm(nullptr), FHost(Host), FTerm(Term), FCell(Cell), FSchedule(Schedule) {
  SetName(Schedule ? "SelectScheduleForm" : "SelectRangeForm");
  SetCaption(Schedule ? "Select Schedule" : "Select Range");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 400, 210);
  auto* RangeBox = MakeCaptioned<TGroupBox>(this, this, "RangeBox", "Include Record Range:", 8, 8, 384, 80);
  MakeCaptioned<TLabel>(this, RangeBox, "FromLabel", "From:", 8, 24, 40, 17);
  LowValue = Make<TMaskEdit>(this, RangeBox, "LowValue", 50, 20, 90, 21);
  MakeCaptioned<TLabel>(this, RangeBox, "ToLabel", "To:", 150, 24, 24, 17);
  HighValue = Make<TMaskEdit>(this, RangeBox, "HighValue", 176, 20, 90, 21);
  RangeOKBtn = MakeCaptioned<TButton>(this, RangeBox, "RangeOKBtn", "OK", 300, 18, 75, 25);
  auto* RecordBox = MakeCaptioned<TGroupBox>(this, this, "RecordBox", "Include Specific Record:", 8, 96, 384, 64);
  RecordValue = Make<TMaskEdit>(this, RecordBox, "RecordValue", 50, 24, 216, 21);
  RecordOKBtn = MakeCaptioned<TButton>(this, RecordBox, "RecordOKBtn", "OK", 300, 22, 75, 25);
  CancelBtn = MakeCaptioned<TButton>(this, this, "CancelBtn", "Cancel", 317, 170, 75, 25);
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  if (Schedule) {
    MakeCaptioned<TLabel>(this, RangeBox, "OnLabel", "On:", 8, 52, 30, 17);
    Day2 = Make<TComboBox>(this, RangeBox, "Day2", 50, 48, 120, 21);
    Day1 = Make<TComboBox>(this, RecordBox, "Day1", 150, 24, 116, 21);
    RecordValue->SetWidth(90);
    Day1->Items().Add("Any Day");
    for (const char* D : kDays) {
      Day1->Items().Add(D);
      Day2->Items().Add(D);
    }
    for (TMaskEdit* E : {LowValue, HighValue, RecordValue}) E->SetEditMask("!90:00;1;_");
    std::string Day;
    const TSearchTerm Empty;
    const auto Edits = criterion::SchedulePrefill(Term ? *Term : Empty, Day);
    LowValue->SetText(Edits.Low);
    HighValue->SetText(Edits.High);
    RecordValue->SetText(Edits.Record);
    Day1->SetText(Day);
    Day2->SetText(Day);
  }
  RangeOKBtn->OnClick = [this](TObject*) {
    const std::string From = Trim(LowValue->Text()), To = Trim(HighValue->Text());
    Finish(FSchedule ? criterion::ScheduleOK(FTerm, FCell, From, To, Day2->Text())
                     : criterion::RangeOK(FTerm, FCell, From, To));
  };
  RecordOKBtn->OnClick = [this](TObject*) {
    const std::string Value = Trim(RecordValue->Text());
    Finish(FSchedule ? criterion::ScheduleSpecificOK(FTerm, FCell, Value, Day1->Text())
                     : criterion::RangeSpecificOK(FTerm, FCell, Value));
  };
  for (TMaskEdit* E : {LowValue, HighValue, RecordValue})
    E->OnClick = [this, E](TObject*) { EditClick(E); };
}

void TSelectRangeForm::Prepare(const std::string& LowDefault, const std::string& HighDefault,
                               const std::string& Mask, const std::string& FieldKind) {
  for (TMaskEdit* E : {LowValue, HighValue, RecordValue}) E->SetEditMask(Mask);
  const TSearchTerm Empty;
  const auto Edits = criterion::RangePrefill(FTerm ? *FTerm : Empty, LowDefault, HighDefault);
  LowValue->SetText(Edits.Low);
  HighValue->SetText(Edits.High);
  RecordValue->SetText(Edits.Record);
  FDate = criterion::IsDateKind(FieldKind);
  for (TMaskEdit* E : {LowValue, HighValue, RecordValue}) E->SetReadOnly(FDate);
}

void TSelectRangeForm::EditClick(TMaskEdit* Edit) {
  if (FDate && FHost.PopupDateMenu) FHost.PopupDateMenu(Edit);
}

void TSelectRangeForm::Finish(const TCriterionCheck& Check) {
  if (Check.Message.empty()) {
    SetModalResult(mrOk);
    return;
  }
  MessageDlg(Check.Message, mtInformation, TMsgDlgButtons{mbOK});
  TMaskEdit* Target = Check.Focus == 1 ? LowValue : Check.Focus == 2 ? HighValue : RecordValue;
  if (Target->CanFocus()) Target->SetFocus();
}

// ---- The skills dialog -------------------------------------------------------------------------

TSelectSkillsForm::TSelectSkillsForm(TReportHost& Host, TSearchTerm* Term, std::string& Cell)
    : TForm(nullptr), FHost(Host), FTerm(Term), FCell(Cell) {
  SetName("SelectSkillsForm");
  SetCaption("Select Skill");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 380, 220);
  const TFieldCaptions& C = Host.Captions;
  SkillLabel = MakeCaptioned<TLabel>(this, this, "SkillLabel", C.ItemColumns[0].empty() ? "Select Skill:" : C.ItemColumns[0], 8, 12, 100, 17);
  Skill = Make<TComboBox>(this, this, "Skill", 110, 8, 250, 21);
  for (const auto& Name : C.ItemNames) Skill->Items().Add(Name);
  ProficiencyLabel = MakeCaptioned<TLabel>(this, this, "ProficiencyLabel", C.ItemColumns[1].empty() ? "Proficiency" : C.ItemColumns[1], 8, 44, 100, 17);
  MakeCaptioned<TLabel>(this, this, "PFromLabel", "From", 110, 44, 36, 17);
  PLowValue = Make<TEdit>(this, this, "PLowValue", 148, 40, 70, 21);
  MakeCaptioned<TLabel>(this, this, "PToLabel", "To", 226, 44, 20, 17);
  pHighValue = Make<TEdit>(this, this, "pHighValue", 250, 40, 70, 21);
  NotesLabel = MakeCaptioned<TLabel>(this, this, "NotesLabel", C.ItemColumns[2].empty() ? "Notes:" : C.ItemColumns[2], 8, 76, 100, 17);
  Notes = Make<TEdit>(this, this, "Notes", 110, 72, 250, 21);
  FullMatch = MakeCaptioned<TRadioButton>(this, this, "FullMatch", "Full Match", 110, 104, 100, 17);
  PartialMatch = MakeCaptioned<TRadioButton>(this, this, "PartialMatch", "Partial Match", 220, 104, 110, 17);
  OKBtn = MakeCaptioned<TButton>(this, this, "OKBtn", "OK", 204, 150, 75, 25);
  OKBtn->SetDefault(true);
  CancelBtn = MakeCaptioned<TButton>(this, this, "CancelBtn", "Cancel", 285, 150, 75, 25);
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  if (Term) {
    PLowValue->SetText(Term->Text1);
    pHighValue->SetText(Term->Text2);
    Notes->SetText(Term->Text4);
    Skill->SetText(Term->Text5);
  }
  (Term && Term->Number == 1 ? FullMatch : PartialMatch)->SetChecked(true);
  OKBtn->OnClick = [this](TObject*) {
    const auto Check = criterion::SkillsOK(FTerm, FCell, FHost.Captions.ItemNames, Skill->Text(), PLowValue->Text(),
                                           pHighValue->Text(), Notes->Text(), PartialMatch->Checked());
    if (Check.Message.empty()) {
      SetModalResult(mrOk);
      return;
    }
    MessageDlg(Check.Message, mtInformation, TMsgDlgButtons{mbOK});
    if (Skill->CanFocus()) Skill->SetFocus();
  };
}
