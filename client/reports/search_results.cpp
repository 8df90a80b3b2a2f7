#include "client/reports/search_results.h"

#include <unordered_map>

#include "client/core/record_window.h"
#include "client/core/server_requests.h"
#include "client/reports/search_list.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/modal_service.h"

namespace {
// The display column code of the record code: the request carries it as a last column so
// that each reply row names its record (the server leaves unknown codes out).
constexpr int kRecordCodeField = 28;
constexpr int kStatusField = 20;
}  // namespace

std::string StatusDisplayText(const std::string& ServerText, const std::array<std::string, 3>& Captions) {
  static const char* const kWords[3] = {"Working ", "Available ", "Not Available "};
  std::string Out;
  std::size_t At = 0;
  for (int i = 0; i < 3; ++i) {
    const std::string Word = kWords[i];
    if (ServerText.compare(At, Word.size(), Word) != 0) continue;
    At += Word.size();
    if (!Out.empty()) Out += ", ";
    Out += Captions[static_cast<std::size_t>(i)];
  }
  return At == ServerText.size() ? Out : ServerText;
}

TSearchResults::TSearchResults(TReportHost& Host, TSearchList& List, TQnStringGrid& Display)
    : FHost(Host), FList(List), FDisplay(Display) {
  ColumnMap.fill(-1);
}

std::vector<TFieldMenuItem> TSearchResults::SpreadsheetFields(const TFieldCaptions& C) {
  std::vector<TFieldMenuItem> Items;
  for (int i = 0; i < 10; ++i) Items.push_back({i, C.DescriptionNames[i], true});
  for (int i = 0; i < 10; ++i) Items.push_back({10 + i, C.DetailNames[i], true});
  Items.push_back({20, C.StatusCaption, true});
  Items.push_back({21, C.RecordTitle, true});
  for (int i = 0; i < 6; ++i) Items.push_back({22 + i, C.OtherNames[i], true});
  Items.push_back({28, "Record ID", true});
  return Items;
}

std::string TSearchResults::FieldCaption(int Number) const {
  for (const auto& Item : SpreadsheetFields(FHost.Captions))
    if (Item.Code == Number) return Item.Caption;
  return "";
}

int TSearchResults::ListRow(int DisplayRow) const {
  if (DisplayRow < 0 || DisplayRow >= static_cast<int>(FSlots.size())) return 0;
  return FSlots[DisplayRow];
}

void TSearchResults::ShowListOnly() {
  FDisplay.SetColCount(2);
  FDisplay.SetRowCount(FList.RowCount());
  FSlots.assign(FList.RowCount(), 0);
  for (int r = 0; r < FList.RowCount(); ++r) {
    FDisplay.SetCells(0, r, FList.Code(r));
    FDisplay.SetCells(1, r, FList.Name(r));
    if (r >= 1) FSlots[r] = r;
  }
  // The list's own header row is empty: the two columns are named for what they hold.
  FDisplay.SetCells(0, 0, FieldCaption(kRecordCodeField));
  FDisplay.SetCells(1, 0, FHost.Captions.RecordTitle);
  if (FDisplay.RowCount() > 1) FDisplay.SetFixedRows(1);
  FDisplay.SetFixedCols(0);
}

bool TSearchResults::LoadSearchDisplay() {
  std::vector<int> Columns;
  for (int Number : ColumnMap)
    if (Number != -1) Columns.push_back(Number);
  FDisplay.SetVisible(false);
  ClearCells(FDisplay);
  FDisplay.SetFixedRows(0);
  FLastRequest.clear();
  if (Columns.empty()) {
    ShowListOnly();
    FDisplay.SetVisible(true);
    return true;
  }
  TQnStringGrid Request(nullptr);
  const int Cols = static_cast<int>(Columns.size());
  Request.SetColCount(Cols + 1);
  Request.SetRowCount(2 + FList.RowCount());
  for (int c = 0; c < Cols; ++c) {
    Request.SetCells(c, 0, FieldCaption(Columns[c]));
    Request.SetCells(c, 1, std::to_string(Columns[c]));
  }
  Request.SetCells(Cols, 1, std::to_string(kRecordCodeField));
  for (int r = 1; r < FList.RowCount(); ++r) Request.SetCells(0, r + 1, FList.Code(r));
  FLastRequest = GridStreamText(Request);
  TServerSession& Session = *FHost.Session;
  Session.WriteDiagnostic("logsend.txt", FLastRequest);
  TQnStringGrid Reply(nullptr);
  Reply.SetColCount(2);
  Reply.SetRowCount(1);
  try {
    const std::string Body = Session.Post("5", FLastRequest, true);
    Session.WriteDiagnostic("logdata.txt", Body);
    LoadGridStream(Reply, Body);
  } catch (const std::exception& E) {
    ShowListOnly();
    FDisplay.SetVisible(true);
    MessageDlg(dynamic_cast<const EConvertError*>(&E) ? std::string(E.what())
                                                       : std::string(TSearchTerms::RequestProblemText),
               mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  // Each reply row names its record in the last column: the slot is that record's list row.
  std::unordered_map<std::string, int> ListRows;
  for (int r = 1; r < FList.RowCount() - 1; ++r) ListRows.emplace(FList.Code(r), r);
  const int ReplyCols = Reply.ColCount();
  // The record code column stays out of the display.
  FDisplay.SetColCount(std::max(1, std::min(ReplyCols, Cols)));
  FDisplay.SetRowCount(Reply.RowCount());
  FSlots.assign(Reply.RowCount(), 0);
  for (int r = 0; r < Reply.RowCount(); ++r) {
    for (int c = 0; c < FDisplay.ColCount(); ++c)
      FDisplay.SetCells(c, r, r > 0 && c < Cols && Columns[c] == kStatusField
                                  ? StatusDisplayText(Reply.Cells(c, r), FHost.Captions.CheckBoxCaptions)
                                  : Reply.Cells(c, r));
    if (r == 0) continue;
    auto It = ListRows.find(Reply.Cells(Cols, r));
    if (It != ListRows.end()) FSlots[r] = It->second;
  }
  if (FDisplay.RowCount() > 1) FDisplay.SetFixedRows(1);
  FDisplay.SetFixedCols(0);
  FDisplay.SetVisible(true);
  return true;
}

void TSearchResults::SearchDisplayDblClickCell(int DisplayRow) {
  const int Row = ListRow(DisplayRow);
  if (DisplayRow <= 0 || Row <= 0 || Row >= FList.RowCount() - 1) return;
  const std::string Code = FList.Code(Row);
  TRecordWindow& Record = *FHost.Record;
  if (!Record.SaveRecord(Record.Buffers.Current, true)) return;
  Record.GetRecord("G" + Code);
  if (Record.Number() == Code) {
    if (FHost.ShowRecordWindow) FHost.ShowRecordWindow();
  } else {
    MessageDlg(GoneText, mtInformation, TMsgDlgButtons{mbOK});
  }
}

TColor TSearchResults::RowColor(int DisplayRow, TQnStringGrid& LastReply) const {
  if (DisplayRow <= 0 || !Highlight) return clNone;
  const int Row = ListRow(DisplayRow);
  const std::string& Code = Row > 0 ? FList.Code(Row) : std::string();
  // A row that shows no record (the list's empty last row) is not coloured.
  if (Code.empty()) return clNone;
  for (int r = 0; r < LastReply.RowCount(); ++r)
    if (LastReply.Cells(0, r) == Code) return FoundColor;
  return OlderColor;
}

std::string TSearchResults::StatusText() const { return FList.CountText(); }

// ---- The column chooser ----------------------------------------------------------------------

TSpreadsheetChooser::TSpreadsheetChooser(const TFieldCaptions& Captions)
    : Menu(TSearchResults::SpreadsheetFields(Captions)) {}

std::string TSpreadsheetChooser::Caption(int Number) const {
  for (const auto& Item : Menu)
    if (Item.Code == Number) return Item.Caption;
  return "";
}

void TSpreadsheetChooser::SetItemEnabled(int Number, bool Enabled) {
  for (auto& Item : Menu)
    if (Item.Code == Number) Item.Enabled = Enabled;
}

void TSpreadsheetChooser::Activate(const std::array<int, 51>& Map) {
  Fields.clear();
  for (auto& Item : Menu) Item.Enabled = true;
  for (int Number : Map)
    if (Number >= 0 && Number <= 28) {
      Fields.push_back(Number);
      SetItemEnabled(Number, false);
    }
  RemoveEnabled = !Fields.empty();
}

void TSpreadsheetChooser::Add(int Number) {
  if (Fields.size() >= 51) return;
  Fields.push_back(Number);
  SetItemEnabled(Number, false);
  RemoveEnabled = true;
}

void TSpreadsheetChooser::Remove(int Index) {
  if (Index < 0 || Index >= static_cast<int>(Fields.size())) return;
  SetItemEnabled(Fields[Index], true);
  Fields.erase(Fields.begin() + Index);
  if (Fields.size() < 2) RemoveEnabled = false;
}

void TSpreadsheetChooser::MoveUp(int Index) {
  if (Index <= 0 || Index >= static_cast<int>(Fields.size())) return;
  std::swap(Fields[Index], Fields[Index - 1]);
}

void TSpreadsheetChooser::MoveDown(int Index) {
  if (Fields.size() < 2 || Index < 0 || Index >= static_cast<int>(Fields.size()) - 1) return;
  std::swap(Fields[Index], Fields[Index + 1]);
}

void TSpreadsheetChooser::Apply(std::array<int, 51>& Map) const {
  Map.fill(-1);
  for (std::size_t i = 0; i < Fields.size() && i < Map.size(); ++i) Map[i] = Fields[i];
}
