// The three dialogs through which the search window fills the value of a criteria row: a range
// or specific value ("Select Range"), a time range or time on a day ("Select Schedule"), and a
// skill of the item list with a proficiency range and notes ("Select Skill").  What each OK
// decides is plain functions over the term and the row's cell; the forms call them.
#pragma once

#include <array>
#include <string>

#include "client/reports/search_terms.h"
#include "platform/ui/forms.h"

class TMaskEdit;
class TButton;
class TComboBox;
class TRadioButton;
class TLabel;
class TEdit;

// The outcome of a dialog's OK: empty Message means the term and cell were written.
struct TCriterionCheck {
  std::string Message;
  int Focus = 0;  // the edit that gets the focus back: 1 from, 2 to, 3 the specific value
};

namespace criterion {
constexpr const char* FromMissing = "Please enter a value in the \"from\" search field.";
constexpr const char* ToMissing = "Please enter a value in the \"to\" search field.";
constexpr const char* ValueMissing = "Please enter a value in the search field.";
constexpr const char* SkillInvalid = "Please select a valid skill.";

// The lower-cased kind text contains "date".
bool IsDateKind(const std::string& Kind);

// The three edits of the range and schedule dialogs as they open.
struct TRangeEdits {
  std::string Low, High, Record;
};
TRangeEdits RangePrefill(const TSearchTerm& Term, const std::string& LowDefault, const std::string& HighDefault);
// Schedule: the time edits, and the day ("Any Day" when none was chosen).
TRangeEdits SchedulePrefill(const TSearchTerm& Term, std::string& Day);

// Term may be null (the row has no term): then only the cell is written.
TCriterionCheck RangeOK(TSearchTerm* Term, std::string& Cell, const std::string& From, const std::string& To);
TCriterionCheck RangeSpecificOK(TSearchTerm* Term, std::string& Cell, const std::string& Value);
TCriterionCheck ScheduleOK(TSearchTerm* Term, std::string& Cell, const std::string& From, const std::string& To,
                           const std::string& Day);
TCriterionCheck ScheduleSpecificOK(TSearchTerm* Term, std::string& Cell, const std::string& Value,
                                   const std::string& Day);
TCriterionCheck SkillsOK(TSearchTerm* Term, std::string& Cell, const std::array<std::string, 100>& ItemNames,
                         const std::string& Skill, const std::string& From, const std::string& To,
                         const std::string& Notes, bool Partial);
// The cell text of a skill term.
std::string SkillCellText(const std::string& Skill, const std::string& From, const std::string& To,
                          const std::string& Notes);
}  // namespace criterion

// "Select Range" and "Select Schedule": one form, the schedule adds the day boxes.
class TSelectRangeForm : public TForm {
public:
  TSelectRangeForm(TReportHost& Host, TSearchTerm* Term, std::string& Cell, bool Schedule);

  // Before ShowModal: the defaults, mask and kind of the range dialog (the schedule sets its own).
  void Prepare(const std::string& LowDefault, const std::string& HighDefault, const std::string& Mask,
               const std::string& FieldKind);

  TMaskEdit* LowValue = nullptr;
  TMaskEdit* HighValue = nullptr;
  TMaskEdit* RecordValue = nullptr;
  TComboBox* Day1 = nullptr;  // beside the specific value: "Any Day", Sunday .. Saturday
  TComboBox* Day2 = nullptr;  // beside the range: Sunday .. Saturday
  TButton* RangeOKBtn = nullptr;
  TButton* RecordOKBtn = nullptr;
  TButton* CancelBtn = nullptr;

private:
  void Finish(const TCriterionCheck& Check);
  void EditClick(TMaskEdit* Edit);
  TReportHost& FHost;
  TSearchTerm* FTerm;
  std::string& FCell;
  bool FSchedule;
  bool FDate = false;
};

class TSelectSkillsForm : public TForm {
public:
  TSelectSkillsForm(TReportHost& Host, TSearchTerm* Term, std::string& Cell);

  TComboBox* Skill = nullptr;
  TEdit* PLowValue = nullptr;
  TEdit* pHighValue = nullptr;
  TEdit* Notes = nullptr;
  TRadioButton* FullMatch = nullptr;
  TRadioButton* PartialMatch = nullptr;
  TLabel* SkillLabel = nullptr;
  TLabel* ProficiencyLabel = nullptr;
  TLabel* NotesLabel = nullptr;
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;

private:
  TReportHost& FHost;
  TSearchTerm* FTerm;
  std::string& FCell;
};
