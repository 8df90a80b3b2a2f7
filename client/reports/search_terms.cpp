#include "client/reports/search_terms.h"

#include <set>

#include "client/core/record_window.h"
#include "client/core/server_requests.h"
#include "client/reports/search_list.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typed_stream.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/modal_service.h"

namespace {

constexpr const char* kIncludes = "Includes";
constexpr const char* kExcludes = "Does Not Include";

std::string Caption(const std::string& Text) { return Text; }

// The kind list entry for an index, "Text" when there is none.
template <typename List>
std::string KindAt(const List& Kinds, long Index) {
  if (Index < 0 || Index >= static_cast<long>(Kinds.size()) || Kinds[Index].empty()) return "Text";
  return Kinds[Index];
}

}  // namespace

TSearchTerms::TSearchTerms(TReportHost& Host, TSearchList& List)
    : FHost(Host), FList(List), FListGrid(std::make_unique<TQnStringGrid>(nullptr)) {
  FListGrid->SetName("ListGrid");
  FListGrid->SetColCount(2);
  FListGrid->SetRowCount(1);
  FreeAllTerms();
  ResetRows();
}

TSearchTerms::~TSearchTerms() = default;

void TSearchTerms::ResetRows() {
  Rows.assign(2, TCriteriaRow{});
  Rows[0] = {"Field", "Match", "Value", -1};
}

void TSearchTerms::FreeAllTerms() {
  for (auto& T : Terms) {
    T.FieldCode = -1;
    T.Text1.clear();
    T.Text2.clear();
  }
}

TSearchTerm* TSearchTerms::RowTerm(int Row) {
  if (Row < 1 || Row >= static_cast<int>(Rows.size())) return nullptr;
  return ValidTerm(Rows[Row].Term) ? &Terms[Rows[Row].Term] : nullptr;
}

// ---- The field menu --------------------------------------------------------------------------

void TSearchTerms::BuildFieldMenu() {
  const TFieldCaptions& C = FHost.Captions;
  FieldMenu.clear();
  auto Add = [this](int Code, const std::string& Text) { FieldMenu.push_back({Code, Caption(Text), true}); };
  Add(RemoveCode, "REMOVE SEARCH TERM");
  for (int i = 0; i < 10; ++i) Add(10 * i, C.DescriptionNames[i]);
  for (int i = 0; i < 10; ++i) Add(100 + 10 * i, C.DetailNames[i]);
  Add(200, C.StatusCaption);
  Add(210, C.RecordTitle);
  for (int i = 0; i < 3; ++i) Add(220 + 10 * i, C.NotesTitles[i]);
  Add(250, C.PageCaptions[2] + " - All");
  for (int c = 1; c < static_cast<int>(C.Grid3Headers.size()) && c <= 10; ++c)
    Add(390 + 10 * c, C.PageCaptions[2] + " - " + C.Grid3Headers[c]);
  Add(255, C.PageCaptions[3] + " - All");
  for (int c = 1; c < static_cast<int>(C.Grid4Headers.size()) && c <= 10; ++c)
    Add(490 + 10 * c, C.PageCaptions[3] + " - " + C.Grid4Headers[c]);
  Add(197, C.PageCaptions[1]);
  for (int i = 0; i < 6; ++i) Add(260 + 10 * i, C.OtherNames[i]);
  SetFieldMenuEnableState();
}

void TSearchTerms::SetFieldMenuEnableState() {
  for (auto& Item : FieldMenu) Item.Enabled = true;
  for (std::size_t r = 1; r < Rows.size(); ++r) {
    if (!ValidTerm(Rows[r].Term)) continue;
    const int Code = Terms[Rows[r].Term].FieldCode;
    if (Code == 250 || Code == 197 || Code == 195) continue;
    for (auto& Item : FieldMenu)
      if (Item.Code == Code) Item.Enabled = false;
  }
}

const TFieldMenuItem* TSearchTerms::MenuItem(int Code) const {
  for (const auto& Item : FieldMenu)
    if (Item.Code == Code) return &Item;
  return nullptr;
}

std::string TSearchTerms::FieldKindOf(int Code) const {
  const TFieldCaptions& C = FHost.Captions;
  if (Code >= 100 && Code <= 194) return KindAt(C.DetailKinds, (Code - 100) / 10);
  // 320..329 names a seventh other field that no record has: plain text.
  if (Code >= 260 && Code <= 329) return KindAt(C.OtherKinds, (Code - 260) / 10);
  if (Code >= 400 && Code <= 499) return KindAt(C.Grid3Kinds, (Code - 390) / 10);
  if (Code >= 500 && Code <= 599) return KindAt(C.Grid4Kinds, (Code - 490) / 10);
  return "Text";
}

TValueEditorInfo TSearchTerms::ValueEditorOf(int Code) const {
  TValueEditorInfo V;
  auto Range = [&](const std::string& Mask) {
    V.Editor = veRange;
    V.Mask = Mask;
    V.FieldKind = FieldKindOf(Code);
  };
  if (Code == RemoveCode) {
    V.Editor = veRemove;
  } else if (Code >= 0 && Code <= 90 && Code % 10 == 0) {
    V.Editor = veDescriptionMenu;
    V.Description = Code / 10 + 1;
  } else if (Code >= 100 && Code <= 190 && Code % 10 == 0) {
    const int Detail = (Code - 100) / 10;
    const bool Masked = Detail == 2 || Detail == 3 || Detail == 4 || Detail == 5 || Detail == 9;
    Range(Masked ? FHost.Captions.DetailMasks[Detail] : std::string());
  } else if (Code == 195) {
    V.Editor = veSchedule;
  } else if (Code == 197) {
    V.Editor = veSkills;
  } else if (Code == 200) {
    V.Editor = veStatusMenu;
  } else if (Code == 210 || Code == 220 || Code == 230 || Code == 240 || Code == 250 || Code == 255 ||
             Code == 290) {
    V.Editor = veTyped;
  } else if ((Code >= 260 && Code <= 310 && Code % 10 == 0) || Code == 320 ||
             (Code >= 330 && Code <= 335) || (Code >= 400 && Code <= 590 && Code % 10 == 0)) {
    Range("");
  }
  return V;
}

// ---- Row commands ----------------------------------------------------------------------------

void TSearchTerms::SelectField(int Row, int Code) {
  if (Row < 1 || Row >= static_cast<int>(Rows.size())) return;
  TCriteriaRow& R = Rows[Row];
  if (!ValidTerm(R.Term)) {
    int Free = -1;
    for (int i = 1; i <= MaxTerms && Free < 0; ++i)
      if (Terms[i].FieldCode == -1) Free = i;
    if (Free < 0) return;
    R.Term = Free;
  }
  TSearchTerm& T = Terms[R.Term];
  T.FieldCode = Code;
  T.Text1.clear();
  T.Text2.clear();
  const TFieldMenuItem* Item = MenuItem(Code);
  R.Field = Item ? Item->Caption : std::string();
  if (R.Match.empty()) R.Match = kIncludes;
  // The term's match follows the row's match text, also when it was chosen before the field.
  T.Match = R.Match == kExcludes ? 2 : 1;
  R.Value.clear();
  SetFieldMenuEnableState();
}

void TSearchTerms::Includes1Click(int Row, const std::string& ItemCaption) {
  if (Row < 1 || Row >= static_cast<int>(Rows.size())) return;
  const bool Excludes = ItemCaption == kExcludes;
  Rows[Row].Match = Excludes ? kExcludes : kIncludes;
  if (TSearchTerm* T = RowTerm(Row)) T->Match = Excludes ? 2 : 1;
}

void TSearchTerms::StatusClick(int Row, int Number) {
  if (Row < 1 || Row >= static_cast<int>(Rows.size()) || Number < 1 || Number > 3) return;
  Rows[Row].Value = FHost.Captions.CheckBoxCaptions[Number - 1];
  if (TSearchTerm* T = RowTerm(Row)) T->Text1 = "Checkbox" + std::to_string(Number);
}

void TSearchTerms::DescClick(int Row, const std::vector<std::string>& Path) {
  if (Row < 1 || Row >= static_cast<int>(Rows.size()) || Path.empty()) return;
  const std::string Value = TRecordWindow::MenuPathValue(Path);
  if (TSearchTerm* T = RowTerm(Row)) T->Text1 = Value;
  Rows[Row].Value = Value;
}

bool TSearchTerms::CanEditCell(int Row, int Col) {
  const TSearchTerm* T = RowTerm(Row);
  return Col == 2 && T && T->FieldCode >= 210;
}

void TSearchTerms::CellValidate(int Row, int Col, const std::string& Text) {
  if (Row < 1 || Row >= static_cast<int>(Rows.size())) return;
  TCriteriaRow& R = Rows[Row];
  if (Col == 0) R.Field = Text;
  if (Col == 1) R.Match = Text;
  if (Col != 2) return;
  R.Value = Text;
  if (TSearchTerm* T = RowTerm(Row); T && T->FieldCode > 200 && T->FieldCode < 300) T->Text1 = Text;
}

void TSearchTerms::AddTermBtnClick() {
  if (Rows.size() < MaxTerms + 1) {
    Rows.push_back(TCriteriaRow{});
    return;
  }
  MessageDlg(TooManyText, mtInformation, TMsgDlgButtons{mbOK});
}

void TSearchTerms::RemoveTermBtnClick(int Row) {
  if (Row < 1 || Row >= static_cast<int>(Rows.size())) return;
  if (TSearchTerm* T = RowTerm(Row)) T->FieldCode = -1;
  Rows[Row] = TCriteriaRow{};
  if (Rows.size() > 2) Rows.erase(Rows.begin() + Row);
  SetFieldMenuEnableState();
}

void TSearchTerms::NewSearchBtnClick() {
  if (MessageDlg(NewSearchQuestion, mtConfirmation, mbYesNo) != mrYes) return;
  ResetRows();
  for (auto& Item : FieldMenu) Item.Enabled = true;
  FreeAllTerms();
  SearchProgress = 0;
}

void TSearchTerms::ClearClick() {
  if (MessageDlg(ClearListQuestion, mtConfirmation, mbYesNo) != mrYes) return;
  FList.Clear();
  if (OnSearchListChanged) OnSearchListChanged();
}

// ---- The search --------------------------------------------------------------------------------

std::string TSearchTerms::SearchRequest() {
  TQnStringGrid Grid(nullptr);
  const int Count = static_cast<int>(Rows.size()) - 1;
  Grid.SetColCount(11);
  Grid.SetRowCount(std::max(Count, 1));
  for (int r = 1; r <= Count; ++r) {
    const TCriteriaRow& R = Rows[r];
    const TSearchTerm Free{-1, 0, "", "", "", "", "", 0};
    const TSearchTerm& T = ValidTerm(R.Term) ? Terms[R.Term] : Free;
    const std::string Cells[11] = {R.Field, R.Match, R.Value, std::to_string(T.FieldCode),
                                   std::to_string(T.Match), T.Text1, T.Text2, T.Text3, T.Text4,
                                   T.Text5, std::to_string(T.Number)};
    for (int c = 0; c < 11; ++c) Grid.SetCells(c, r - 1, Cells[c]);
  }
  return GridStreamText(Grid);
}

bool TSearchTerms::PerformSearchBtnClick() {
  TServerSession& Session = *FHost.Session;
  std::string Reply;
  try {
    Reply = Session.Post("2", SearchRequest(), true);
  } catch (const std::exception&) {
    MessageDlg(RequestProblemText, mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  Session.WriteDiagnostic("logdata.txt", Reply);
  // The reply is read whole before anything changes: an error page leaves the list as it was.
  auto Loaded = std::make_unique<TQnStringGrid>(nullptr);
  Loaded->SetName("ListGrid");
  Loaded->SetColCount(2);
  Loaded->SetRowCount(1);
  try {
    LoadGridStream(*Loaded, Reply);
  } catch (const std::exception& E) {
    MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  FListGrid = std::move(Loaded);
  const int Added = FList.Merge(*FListGrid);
  FSearchResult = Added == 1 ? std::string("1 new record was found in the last search.")
                             : std::to_string(Added) + " new records were found in the last search.";
  if (OnSearchListChanged) OnSearchListChanged();
  if (OnShowResults) OnShowResults();
  return true;
}

// ---- Saved searches --------------------------------------------------------------------------

void TSearchTerms::WriteSearchFile(const std::string& FileName) {
  TFileStream File(FileName, fmCreate);
  TWriter W(File, 100);
  W.WriteInteger(static_cast<int>(Rows.size()));
  for (std::size_t r = 1; r < Rows.size(); ++r) {
    W.WriteString(Rows[r].Match);
    W.WriteString(Rows[r].Value);
    W.WriteInteger(Rows[r].Term);
  }
  for (int i = 1; i <= MaxTerms; ++i) {
    const TSearchTerm& T = Terms[i];
    W.WriteString(T.Text1);
    W.WriteString(T.Text2);
    W.WriteInteger(T.Match);
    W.WriteInteger(T.FieldCode);
    W.WriteString(T.Text3);
    W.WriteString(T.Text4);
    W.WriteString(T.Text5);
    W.WriteInteger(T.Number);
  }
}

bool TSearchTerms::ReadSearchFile(const std::string& FileName) {
  std::vector<TCriteriaRow> NewRows;
  std::array<TSearchTerm, MaxTerms + 1> NewTerms;
  try {
    TFileStream File(FileName, fmOpenRead);
    TReader Reader(File, 100);
    const int Count = Reader.ReadInteger();
    if (Count < 1 || Count > MaxTerms + 1) throw EReadError("row count");
    NewRows.assign(1, Rows.empty() ? TCriteriaRow{} : Rows[0]);
    std::set<int> Used;
    for (int r = 1; r < Count; ++r) {
      TCriteriaRow R;
      R.Match = Reader.ReadString();
      R.Value = Reader.ReadString();
      R.Term = Reader.ReadInteger();
      if (R.Term != -1 && (!ValidTerm(R.Term) || !Used.insert(R.Term).second))
        throw EReadError("term index");
      NewRows.push_back(R);
    }
    for (int i = 1; i <= MaxTerms; ++i) {
      TSearchTerm& T = NewTerms[i];
      T.Text1 = Reader.ReadString();
      T.Text2 = Reader.ReadString();
      T.Match = Reader.ReadInteger();
      T.FieldCode = Reader.ReadInteger();
      T.Text3 = Reader.ReadString();
      T.Text4 = Reader.ReadString();
      T.Text5 = Reader.ReadString();
      T.Number = Reader.ReadInteger();
    }
  } catch (const std::exception&) {
    MessageDlg(InvalidFileText, mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  if (NewRows.size() < 2) NewRows.push_back(TCriteriaRow{});  // the grid keeps one term row
  Rows = std::move(NewRows);
  Terms = NewTerms;
  for (std::size_t r = 1; r < Rows.size(); ++r) {
    const TFieldMenuItem* Item = ValidTerm(Rows[r].Term) ? MenuItem(Terms[Rows[r].Term].FieldCode) : nullptr;
    Rows[r].Field = Item ? Item->Caption : std::string();
  }
  SetFieldMenuEnableState();
  return true;
}

void TSearchTerms::SaveSearchBtnClick() {
  TSaveDialog Dialog(nullptr);
  Dialog.SetFilter(SearchFilter);
  Dialog.SetDefaultExt("srh");
  Dialog.SetFileName("");
  if (!Dialog.Execute() || Dialog.FileName().empty()) return;
  try {
    WriteSearchFile(Dialog.FileName());
  } catch (const std::exception& E) {
    MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK});
    return;
  }
  MessageDlg(SavedText, mtInformation, TMsgDlgButtons{mbOK});
}

void TSearchTerms::LoadSearchBtnClick() {
  if (MessageDlg(NewSearchQuestion, mtConfirmation, mbYesNo) != mrYes) return;
  TOpenDialog Dialog(nullptr);
  Dialog.SetFilter(SearchFilter);
  Dialog.SetDefaultExt("srh");
  Dialog.SetFileName("");
  if (!Dialog.Execute() || Dialog.FileName().empty()) return;
  ReadSearchFile(Dialog.FileName());
}
