#include "client/view_search_list.h"

#include "client/core/record_window.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_list.h"
#include "client/reports/search_results_form.h"
#include "client/view.h"
#include "client/view_reports.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/modal_service.h"

namespace {

constexpr const char* NoItemsText = "There are no items on the search list.";
constexpr const char* RemovedText =
    "The record you selected is no longer in the database.  Another user may have removed it.";

}  // namespace

void TView::NextSearchClick() { StepSearchList(1); }

void TView::PreviousSearchClick() { StepSearchList(-1); }

void TView::StepSearchList(int Direction) {
  if (!Logic) return;
  TSearchList& List = ViewSearchList(*this);
  if (List.RowCount() < 3) {
    MessageDlg(NoItemsText, mtInformation, TMsgDlgButtons{mbOK});
    return;
  }
  const int Last = List.RowCount() - 2;
  if (SearchPosition < 0) {
    SearchPosition = 1;
  } else {
    SearchPosition += Direction;
    if (SearchPosition > Last) SearchPosition = Direction > 0 ? 1 : Last;  // the list may have shrunk
    if (SearchPosition < 1) SearchPosition = Last;
  }
  const std::string Code = List.Code(SearchPosition);
  if (Code.empty()) return;
  // A save the server refused keeps the edits on the screen: the walk stops there.
  if (!Logic->SaveRecord(Logic->Buffers.Current, true)) return;
  const bool Fetched = Logic->GetRecord("G" + Code);
  if (Logic->Number() != Code) {
    // A failed fetch has already said so.
    if (Fetched) MessageDlg(RemovedText, mtInformation, TMsgDlgButtons{mbOK});
    return;
  }
  Show();
  BringToFront();
}

void TView::SearchListBoxClick() {
  if (!Logic) return;
  const std::string Code = Logic->Number();
  if (Code.empty()) return;  // no record is shown
  TSearchList& List = ViewSearchList(*this);
  if (SearchListBox->Checked()) {
    if (!List.Contains(Code)) List.Add(Code, RecordName->Text());
  } else {
    // Only entries: the header and the empty last row stay.
    for (int Row = List.RowCount() - 2; Row >= 1; --Row)
      if (List.Code(Row) == Code) {
        List.Grid().DeleteRows(Row, 1);
        break;
      }
  }
  ReportWindowsOf(*this).SnapShot().LoadSearchDisplay();
}

void TView::FillSearchList(TStringList& Out) {
  Out.Clear();
  Out.SetSorted(true);
  if (!Reports) return;
  TSearchList& List = Reports->List;
  for (int Row = 0; Row < List.RowCount(); ++Row) Out.Add(List.Code(Row));
}

bool TView::InSearchList(const std::string& Code) {
  // The list lives with the report windows; before they exist it is empty.
  return Reports && Reports->List.Contains(Code);
}

void TView::ViewtheSpreadSheet1Click() {
  // The search results window is made with the search window; this command does not make it.
  if (Reports) Reports->ShowSearchResults();
  else ViewRecordClick();
}

void TView::ReadonlyBoxClick() {
  if (!Logic) return;
  Logic->Buffers.Current.ReadOnly = ReadonlyBox->Checked();
  SetReadOnlyState(ReadonlyBox->Checked());
}

int SearchList(const std::string& Text, const TStrings& List, int Start) {
  const std::string Wanted = LowerCase(Text);
  for (int i = std::max(0, Start); i < List.Count(); ++i)
    if (LowerCase(List[i]).find(Wanted) != std::string::npos) return i;
  return -1;
}

bool ReturnURL(const std::string& Text, bool IncludeMarker, const std::string& Marker, std::string& Result) {
  Result.clear();
  const std::size_t At = LowerCase(Text).find(LowerCase(Marker));
  if (At == std::string::npos) return false;
  std::size_t From = IncludeMarker ? At : At + Marker.size();
  std::size_t To = From;
  while (To < Text.size() && Text[To] != '"' && Text[To] != ' ' && Text[To] != '>') ++To;
  Result = Text.substr(From, To - From);
  return true;
}
