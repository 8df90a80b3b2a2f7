#include "client/reports/quick_report.h"

#include <algorithm>
#include <set>

#include "client/core/server_requests.h"
#include "client/reports/search_list.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typed_stream.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/modal_service.h"

// ---- Setup -------------------------------------------------------------------------------------

namespace {
constexpr int kMenuItems = 29;
bool ValidItemCode(int Code) { return Code >= 10 && Code <= 10 * kMenuItems && Code % 10 == 0; }
}  // namespace

TQuickReportSetup::TQuickReportSetup(TReportHost& Host) : FHost(Host) { Activate(); }

void TQuickReportSetup::Activate() {
  const TFieldCaptions& C = FHost.Captions;
  std::vector<TFieldMenuItem> Old = std::move(Menu);
  Menu.clear();
  for (int i = 0; i < kMenuItems; ++i) {
    const int Code = 10 * i + 10;
    std::string Caption;
    if (Code <= 100) Caption = C.DescriptionNames[i];
    else if (Code <= 200) Caption = C.DetailNames[i - 10];
    else if (Code == 210) Caption = C.PageCaptions[TFieldCaptions::NotesPage];
    else if (Code == 220) Caption = "Record ID";
    else if (Code == 230) Caption = C.RecordTitle;
    else Caption = C.OtherNames[(Code - 240) / 10];
    const bool Enabled = static_cast<int>(Old.size()) > i ? Old[i].Enabled : true;
    Menu.push_back({Code, Caption, Enabled});
  }
}

void TQuickReportSetup::SetItemEnabled(int Code, bool Enabled) {
  for (auto& Item : Menu)
    if (Item.Code == Code) Item.Enabled = Enabled;
}

void TQuickReportSetup::UpdateButtons() {
  RemoveEnabled = GenerateEnabled = SaveEnabled = !Items.empty();
}

void TQuickReportSetup::OnItemClick(int Code) {
  for (const auto& Item : Menu)
    if (Item.Code == Code && Item.Enabled) {
      Items.push_back({Item.Caption, Code});
      SetItemEnabled(Code, false);
      UpdateButtons();
      return;
    }
}

void TQuickReportSetup::RemoveBtnClick(int Index) {
  if (Index < 0 || Index >= static_cast<int>(Items.size())) return;
  SetItemEnabled(Items[Index].Code, true);
  Items.erase(Items.begin() + Index);
  UpdateButtons();
}

void TQuickReportSetup::MoveUpBtnClick(int Index) {
  if (Index <= 0 || Index >= static_cast<int>(Items.size())) return;
  std::swap(Items[Index], Items[Index - 1]);
}

void TQuickReportSetup::MoveDownBtnClick(int Index) {
  if (Index < 0 || Index >= static_cast<int>(Items.size()) - 1) return;
  std::swap(Items[Index], Items[Index + 1]);
}

std::string TQuickReportSetup::ReportRequest() const {
  TQnStringGrid Grid(nullptr);
  Grid.SetColCount(static_cast<int>(Items.size()) + 1);
  Grid.SetRowCount(2);
  Grid.SetCells(0, 0, "Record ID");
  Grid.SetCells(0, 1, "220");
  for (std::size_t i = 0; i < Items.size(); ++i) {
    Grid.SetCells(static_cast<int>(i) + 1, 0, Items[i].Caption);
    Grid.SetCells(static_cast<int>(i) + 1, 1, std::to_string(Items[i].Code));
  }
  return GridStreamText(Grid);
}

bool TQuickReportSetup::Generate(TQnStringGrid& DataGrid) {
  TServerSession& Session = *FHost.Session;
  std::string Reply;
  try {
    Reply = Session.Post("3", ReportRequest(), false);
  } catch (const std::exception&) {
    MessageDlg(TSearchTerms::RequestProblemText, mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  Session.WriteDiagnostic("testdata.txt", Reply);
  TQnStringGrid Loaded(nullptr);
  Loaded.SetColCount(2);
  Loaded.SetRowCount(1);
  try {
    LoadGridStream(Loaded, Reply);
  } catch (const std::exception& E) {
    MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  ClearCells(DataGrid);
  DataGrid.SetColCount(Loaded.ColCount());
  DataGrid.SetRowCount(Loaded.RowCount());
  for (int r = 0; r < Loaded.RowCount(); ++r)
    for (int c = 0; c < Loaded.ColCount(); ++c) DataGrid.SetCells(c, r, Loaded.Cells(c, r));
  return true;
}

void TQuickReportSetup::WriteFormatFile(const std::string& FileName) const {
  TFileStream File(FileName, fmCreate);
  TWriter W(File, 100);
  W.WriteListBegin();
  for (const auto& Item : Items) {
    W.WriteString(Item.Caption);
    W.WriteInteger(Item.Code);
  }
  W.WriteListEnd();
  W.WriteBoolean(SearchListRecords);
}

bool TQuickReportSetup::ReadFormatFile(const std::string& FileName) {
  std::vector<TReportItem> Read;
  bool SearchList = false;
  try {
    TFileStream File(FileName, fmOpenRead);
    TReader Reader(File, 100);
    Reader.ReadListBegin();
    std::set<int> Codes;
    while (!Reader.EndOfList()) {
      TReportItem Item;
      Item.Caption = Reader.ReadString();
      Item.Code = Reader.ReadInteger();
      // Each menu item can be chosen once: at most 29 entries, each code once.
      if (!ValidItemCode(Item.Code) || !Codes.insert(Item.Code).second) throw EReadError("item code");
      Read.push_back(std::move(Item));
    }
    Reader.ReadListEnd();
    SearchList = Reader.ReadBoolean();
    if (Reader.BytesLeft() > 0) throw EReadError("trailing bytes");
  } catch (const std::exception&) {
    MessageDlg(InvalidText, mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  Items.clear();
  for (auto& Item : Menu) Item.Enabled = true;
  for (auto& Item : Read) {
    SetItemEnabled(Item.Code, false);
    Items.push_back(std::move(Item));
  }
  if (SearchList) SearchListRecords = true;
  MessageDlg(LoadedText, mtInformation, TMsgDlgButtons{mbOK});
  UpdateButtons();
  return true;
}

void TQuickReportSetup::SaveQuickReportBtnClick() {
  TSaveDialog Dialog(nullptr);
  Dialog.SetFilter(FormatFilter);
  Dialog.SetDefaultExt("qrf");
  Dialog.SetFileName("");
  if (!Dialog.Execute() || Dialog.FileName().empty()) return;
  try {
    WriteFormatFile(Dialog.FileName());
  } catch (const std::exception& E) {
    MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK});
    return;
  }
  MessageDlg(SavedText, mtInformation, TMsgDlgButtons{mbOK});
}

void TQuickReportSetup::LoadBtnClick() {
  TOpenDialog Dialog(nullptr);
  Dialog.SetFilter(FormatFilter);
  Dialog.SetDefaultExt("qrf");
  Dialog.SetFileName("");
  if (!Dialog.Execute() || Dialog.FileName().empty()) return;
  ReadFormatFile(Dialog.FileName());
}

// ---- Header and footer -------------------------------------------------------------------------

std::array<std::string, 3> HeaderFooterCaptions(const THeaderFooterSettings& S, const std::string& DateText) {
  const std::string* Texts[3] = {&S.Left, &S.Center, &S.Right};
  std::array<std::string, 3> Out;
  for (int p = 0; p < 3; ++p) {
    const auto Position = static_cast<TReportPosition>(p + 1);
    Out[p] = *Texts[p];
    if (S.PagePosition == Position) Out[p] += std::string(" ") + " {PAGE}";
    if (S.DatePosition == Position) Out[p] += " " + DateText;
  }
  return Out;
}

// ---- The report ----------------------------------------------------------------------------

TQuickReport::TQuickReport(TSearchList* List)
    : FList(List), FData(std::make_unique<TQnStringGrid>(nullptr)), FDisplay(std::make_unique<TQnStringGrid>(nullptr)) {
  FData->SetName("DataGrid");
  FData->SetColCount(2);
  FData->SetRowCount(1);
  FDisplay->SetName("DisplayGrid");
  Today = [] { return Date(); };
}

TQuickReport::~TQuickReport() = default;

void TQuickReport::FormActivate() {
  // The window is activated again after each filter's dialog: what the person set stays.
  const int Columns = std::min(FData->ColCount(), 101);
  bool Same = static_cast<int>(Filters.size()) == Columns;
  for (int c = 0; Same && c < Columns; ++c) Same = Filters[static_cast<std::size_t>(c)].Caption == FData->Cells(c, 0);
  if (!Same) {
    Filters.clear();
    for (int c = 0; c < Columns; ++c) {
      TColumnFilter F;
      F.Caption = FData->Cells(c, 0);
      F.Kind = LowerCase(F.Caption).find("date") != std::string::npos ? 3 : 1;
      Filters.push_back(F);
    }
  }
  LoadReportRows();
}

bool TQuickReport::MonthDayDate(const std::string& Text, int Year, TDateTime& Value) {
  // Exactly "MM/DD" (one-digit parts allowed), a real day of that year.
  const auto Slash = Text.find('/');
  if (Slash == std::string::npos || Slash == 0 || Slash > 2 || Text.size() - Slash - 1 < 1 ||
      Text.size() - Slash - 1 > 2)
    return false;
  int Month = 0, Day = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (i == Slash) continue;
    if (Text[i] < '0' || Text[i] > '9') return false;
    (i < Slash ? Month : Day) = (i < Slash ? Month : Day) * 10 + (Text[i] - '0');
  }
  return TryEncodeDate(Year, Month, Day, Value);
}

bool TQuickReport::Passes(int Row, const std::vector<std::string>* ListCodes) {
  const TDateTime Now = Today();
  WORD Year = 0, Month = 0, Day = 0;
  DecodeDate(Now, Year, Month, Day);
  for (int c = 0; c < static_cast<int>(Filters.size()); ++c) {
    const TColumnFilter& F = Filters[c];
    if (F.Text.empty()) continue;
    const std::string& Cell = FData->Cells(c, Row);
    if (F.Kind == 3) {
      // Dates are compared as month and day of this year: the range as "MM/DD", each cell read
      // in the database's date format.
      TDateTime From = 0, To = 0, Value = 0;
      bool Ok = MonthDayDate(F.From, Year, From) && MonthDayDate(F.To, Year, To);
      if (Cell.empty()) {
        Value = static_cast<double>(static_cast<long long>(Now));
      } else {
        TDateTime CellDate = 0;
        WORD CellYear = 0, CellMonth = 0, CellDay = 0;
        Ok = Ok && TryStrToDate(Cell, CellDate, DateFormat);
        if (Ok) DecodeDate(CellDate, CellYear, CellMonth, CellDay);
        // 29 February of a leap year falls on 1 March of a common one.
        Ok = Ok && (TryEncodeDate(Year, CellMonth, CellDay, Value) ||
                    (CellMonth == 2 && CellDay == 29 && TryEncodeDate(Year, 3, 1, Value)));
      }
      if (!Ok || Value < From || Value > To) return false;
    } else if (LowerCase(Cell) != LowerCase(F.Text)) {
      return false;
    }
  }
  if (ListCodes && !std::binary_search(ListCodes->begin(), ListCodes->end(), FData->Cells(0, Row))) return false;
  return true;
}

void TQuickReport::LoadReportRows() {
  ClearCells(*FDisplay);
  const int Cols = std::max(1, FData->ColCount() - 1);
  FDisplay->SetColCount(Cols);
  FDisplay->SetRowCount(2);
  for (int c = 1; c < FData->ColCount(); ++c) FDisplay->SetCells(c - 1, 0, FData->Cells(c, 0));
  std::vector<std::string> Codes;
  if (SearchListOnly && FList) {
    for (int r = 0; r < FList->RowCount(); ++r) Codes.push_back(FList->Code(r));
    std::sort(Codes.begin(), Codes.end());
  }
  for (int r = 1; r < FData->RowCount(); ++r) {
    if (!Passes(r, SearchListOnly && FList ? &Codes : nullptr)) continue;
    const int Last = FDisplay->RowCount() - 1;
    for (int c = 1; c < FData->ColCount(); ++c) FDisplay->SetCells(c - 1, Last, FData->Cells(c, r));
    FDisplay->SetRowCount(Last + 2);
  }
  if (FDisplay->RowCount() > 2) FDisplay->SetRowCount(FDisplay->RowCount() - 1);
  FDisplay->SetFixedRows(1);
  FDisplay->SetFixedCols(0);  // the first column is data: printed and exported as such
  FitColumnsToText(*FDisplay, true);
}

void TQuickReport::SetTextFilter(int Row, const std::string& Text) {
  if (Row < 0 || Row >= static_cast<int>(Filters.size())) return;
  Filters[Row].Text = Filters[Row].From = Filters[Row].To = Text;
  LoadReportRows();
}

void TQuickReport::SetDateFilter(int Row, const std::string& From, const std::string& To, const std::string& RangeText) {
  if (Row < 0 || Row >= static_cast<int>(Filters.size())) return;
  Filters[Row].From = From;
  Filters[Row].To = To;
  Filters[Row].Text = RangeText;
  LoadReportRows();
}

TDateRange DateRangeOK(const std::string& FromText, const std::string& ToText, const std::string& EmptyText) {
  if (FromText == EmptyText || ToText == EmptyText) return {};
  return {FromText, ToText, FromText + " to " + ToText};
}
