#include "server/searches.h"

#include <algorithm>

#include "platform/rtl/sysutils.h"

namespace {

bool Contains(const std::string& Text, const std::string& Part) { return Text.find(Part) != std::string::npos; }

// The text as a number when all of it reads as one.
bool ReadNumber(const std::string& Text, double& Value) { return !Text.empty() && TryStrToFloat(Text, Value); }

double FilteredNumber(const std::string& Text) {
  double Value = 0;
  return TryStrToFloat(NumberText(Text), Value) ? Value : 0;
}

std::size_t At(int Index) { return static_cast<std::size_t>(Index); }

// The request body loaded into a cleared grid of Cols columns and Rows rows; replies Error and
// keeps the grid as it was when the body is not a grid text stream.
void LoadBodyGrid(const THandlerContext& Context, TQnStringGrid& Grid, int Cols, int Rows, const char* Error) {
  PrepareWorkGrid(Grid);
  ClearGrid(Grid, Cols, Rows);
  try {
    LoadGridText(Grid, Context.ReadBody(), Cols, Rows);
  } catch (const std::exception&) {
    Context.Reply(Error);
  }
}

// The term's field kinds, decided once from its code.
enum class TKind { Description, Detail, Item, Status, Name, Memo, GridCells, GridColumn, Other, None };

TKind KindOf(int Code, int& Slot, bool& Grid3) {
  Grid3 = true;
  Slot = 0;
  if (Code < 0) return TKind::None;
  const int Tens = Code / 10;
  const bool Round = Code % 10 == 0;
  if (Code == 197) return TKind::Item;
  if (Code == 200) return TKind::Status;
  if (Code == 210) return TKind::Name;
  if (Code == 250 || Code == 255) {
    Grid3 = Code == 250;
    return TKind::GridCells;
  }
  if (!Round) return TKind::None;
  if (Tens <= 9) return Slot = Tens, TKind::Description;
  if (Tens >= 10 && Tens <= 19) return Slot = Tens - 10, TKind::Detail;
  if (Tens >= 22 && Tens <= 24) return Slot = Tens - 22, TKind::Memo;
  if (Tens >= 26 && Tens <= 31) return Slot = Tens - 26, TKind::Other;
  if (Tens >= 40 && Tens <= 49) return Slot = Tens - 39, TKind::GridColumn;
  if (Tens >= 50 && Tens <= 59) return Grid3 = false, Slot = Tens - 49, TKind::GridColumn;
  return TKind::None;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Terms and their tests

std::vector<TSearchTerm> ReadSearchTerms(const TQnStringGrid& Grid) {
  std::vector<TSearchTerm> Terms;
  for (int Row = 0; Row < Grid.RowCount() && static_cast<int>(Terms.size()) < MaxSearchTerms; ++Row) {
    bool Blank = true;
    for (int Col = 0; Col < Grid.ColCount() && Blank; ++Col) Blank = Grid.Cells(Col, Row).empty();
    if (Blank) continue;
    TSearchTerm T;
    T.Field = StrToInt(Grid.Cells(3, Row));
    T.Invert = StrToInt(Grid.Cells(4, Row)) == 2;
    T.Low = Grid.Cells(5, Row);
    T.High = Grid.Cells(6, Row);
    T.ItemText = Grid.Cells(8, Row);
    T.ItemName = Grid.Cells(9, Row);
    T.ItemExact = StrToInt(Grid.Cells(10, Row)) == 1;
    Terms.push_back(std::move(T));
  }
  return Terms;
}

std::string NumberText(const std::string& Text) {
  const std::size_t LastDot = Text.rfind('.');
  std::string Out;
  for (std::size_t i = 0; i < Text.size(); ++i)
    if ((Text[i] >= '0' && Text[i] <= '9') || i == LastDot) Out += Text[i];
  return Out.empty() ? "0" : Out;
}

// The range test with the term's texts already lower-cased and read as numbers.
struct TRange {
  std::string Low, High, LowerLow, LowerHigh;
  bool Numeric = false;
  double LowValue = 0, HighValue = 0;

  TRange() = default;
  TRange(const std::string& L, const std::string& H)
      : Low(L), High(H), LowerLow(LowerCase(L)), LowerHigh(LowerCase(H)) {
    Numeric = ReadNumber(Low, LowValue) && ReadNumber(High, HighValue);
  }

  bool Matches(const std::string& Value) const {
    double v = 0;
    if (Numeric && ReadNumber(Value, v)) return LowValue <= v && v <= HighValue;
    const std::string Lower = LowerCase(Value);
    if (Low.empty() || High.empty()) return Contains(Lower, Low.empty() ? LowerHigh : LowerLow);
    return Lower.compare(0, LowerLow.size(), LowerLow) >= 0 && Lower.compare(0, LowerHigh.size(), LowerHigh) <= 0;
  }
};

bool RangeMatches(const std::string& Value, const std::string& Low, const std::string& High) {
  return TRange(Low, High).Matches(Value);
}

struct TRecordSearch::TPrepared {
  TSearchTerm Term;
  TKind Kind = TKind::None;
  int Slot = 0;
  bool Grid3 = true;
  TRange Range;
  std::string LowerLow, LowerItemText;
  int ItemRow = -1;  // the configuration's item row named by the term, -1 when none
  double ItemLow = 0, ItemHigh = 0;
  const TFieldColumn* Column = nullptr;  // the field of every record, for a text field's term
};

TRecordSearch::TRecordSearch(const TDatabase& Database, std::vector<TSearchTerm> Terms)
    : FDatabase(Database), FGrid3(nullptr), FGrid4(nullptr) {
  PrepareWorkGrid(FGrid3);
  PrepareWorkGrid(FGrid4);
  if (Terms.size() > At(MaxSearchTerms)) Terms.resize(At(MaxSearchTerms));
  for (TSearchTerm& T : Terms) {
    TPrepared P;
    P.Kind = KindOf(T.Field, P.Slot, P.Grid3);
    P.Range = TRange(T.Low, T.High);
    P.LowerLow = LowerCase(T.Low);
    P.LowerItemText = LowerCase(T.ItemText);
    if (P.Kind == TKind::Item) {
      const auto& Names = Database.Config.ItemNames;
      for (int i = static_cast<int>(Names.size()) - 1; i >= 0 && P.ItemRow < 0; --i)
        if (Names[At(i)] == T.ItemName) P.ItemRow = i;
      P.ItemLow = FilteredNumber(T.Low);
      P.ItemHigh = FilteredNumber(T.High);
    }
    // Description, detail, name and other fields are read from their columns, in record order.
    if (P.Kind == TKind::Description) P.Column = Database.Column(P.Slot);
    if (P.Kind == TKind::Detail) P.Column = Database.Column(10 + P.Slot);
    if (P.Kind == TKind::Name) P.Column = Database.Column(20);
    if (P.Kind == TKind::Other) P.Column = Database.Column(21 + P.Slot);
    P.Term = std::move(T);
    FTerms.push_back(std::move(P));
  }
}

TQnStringGrid& TRecordSearch::RecordGrid(const ItemRecord& Record, bool Grid3) {
  TQnStringGrid& Grid = Grid3 ? FGrid3 : FGrid4;
  const ItemRecord*& Of = Grid3 ? FGrid3Of : FGrid4Of;
  if (Of != &Record) {
    Of = nullptr;
    LoadRecordGrid(FDatabase, Record, Grid3 ? TRecordGrid::Grid3 : TRecordGrid::Grid4, Grid);
    Of = &Record;
  }
  return Grid;
}

namespace {

// A decimal number of at most nine digits at the start of Text, taken with the byte after it,
// which must be Stop.
bool TakeNumber(std::string_view& Text, char Stop, int& Value) {
  std::size_t i = 0;
  Value = 0;
  for (; i < Text.size() && i < 10 && Text[i] >= '0' && Text[i] <= '9'; ++i) Value = Value * 10 + (Text[i] - '0');
  if (i == 0 || i > 9 || i >= Text.size() || Text[i] != Stop) return false;
  Text.remove_prefix(i + 1);
  return true;
}

// The next line of a grid text: up to a CR, which goes with the byte after it.
std::string_view TakeLine(std::string_view& Text) {
  const std::size_t Cr = Text.find('\r');
  const std::string_view Line = Text.substr(0, Cr);
  Text.remove_prefix(Cr == std::string_view::npos ? Text.size() : std::min(Text.size(), Cr + 2));
  return Line;
}

}  // namespace

bool TRecordSearch::ScanGridColumn(const TPrepared& P, const ItemRecord& Record, bool& Found) {
  // The grid's own form: "cols,rows", then "col,row,text" lines of plain numbers, texts without
  // coded line breaks, and a size the grid takes as it is.  Anything else is the grid's to read.
  std::string_view Text = P.Grid3 ? Record.Grid3 : Record.Grid4;
  if (Text.empty()) return false;
  std::string_view Head = TakeLine(Text);
  int Cols = 0, Rows = 0;
  std::string_view Size = Head;
  if (!TakeNumber(Size, ',', Cols)) return false;
  for (char C : Size)
    if (C < '0' || C > '9') return false;
  if (Size.empty() || Size.size() > 7) return false;
  for (char C : Size) Rows = Rows * 10 + (C - '0');
  if (Cols < 1 || Rows < 1 || Rows > 4096 || P.Slot >= Cols || static_cast<long long>(Cols) * Rows > 2000000)
    return false;
  FColumn.assign(static_cast<std::size_t>(Rows), std::string_view());
  while (!Text.empty()) {
    std::string_view Line = TakeLine(Text);
    int Col = 0, Row = 0;
    if (!TakeNumber(Line, ',', Col) || !TakeNumber(Line, ',', Row)) return false;
    if (Line.find_first_of("\b\t\n") != std::string_view::npos) return false;
    // The last line of a cell wins; an empty text is an empty cell.
    if (Col == P.Slot && Row < Rows) FColumn[static_cast<std::size_t>(Row)] = Line.empty() ? std::string_view() : Line;
  }
  bool AnyEmpty = false;
  Found = false;
  for (std::size_t Row = 1; Row < FColumn.size() && !Found; ++Row) {
    if (FColumn[Row].empty())
      AnyEmpty = true;
    else
      Found = P.Range.Matches(std::string(FColumn[Row]));
  }
  if (!Found && AnyEmpty) Found = P.Range.Matches(std::string());
  return true;
}

bool TRecordSearch::TestTerm(const TPrepared& P, const ItemRecord& Record) {
  const TSearchTerm& T = P.Term;
  switch (P.Kind) {
    case TKind::Description:
      return Contains(Record.Descriptions[At(P.Slot)], T.Low);
    case TKind::Detail:
      return P.Range.Matches(Record.Details[At(P.Slot)]);
    case TKind::Name:
      return P.Range.Matches(Record.Name);
    case TKind::Other:
      return P.Range.Matches(Record.Others[At(P.Slot)]);
    case TKind::Status:
      return (T.Low == "Checkbox1" && Record.Checks[0]) || (T.Low == "Checkbox2" && Record.Checks[1]) ||
             (T.Low == "Checkbox3" && Record.Checks[2]);
    case TKind::Memo:
      return std::any_of(Record.Memos[At(P.Slot)].begin(), Record.Memos[At(P.Slot)].end(),
                         [&](const std::string& Line) { return Contains(LowerCase(Line), P.LowerLow); });
    case TKind::GridCells:
      return RecordGrid(Record, P.Grid3).FindText(T.Low).X >= 0;
    case TKind::GridColumn: {
      bool Found = false;
      if (ScanGridColumn(P, Record, Found)) return Found;
      const TQnStringGrid& Grid = RecordGrid(Record, P.Grid3);
      for (int Row = 1; Row < Grid.RowCount(); ++Row)
        if (P.Range.Matches(Grid.Cells(P.Slot, Row))) return true;
      return false;
    }
    case TKind::Item: {
      if (P.ItemRow < 0 || !Record.ItemChecks[At(P.ItemRow)]) return false;
      const double Value = FilteredNumber(Record.ItemNames[At(P.ItemRow)]);
      const bool HasLow = !T.Low.empty(), HasHigh = !T.High.empty();
      if (HasLow && Value < P.ItemLow) return false;
      if (HasHigh && Value > P.ItemHigh) return false;
      if (T.ItemText.empty()) return true;
      const std::string Second = LowerCase(Record.ItemValues[At(P.ItemRow)]);
      return T.ItemExact ? Second == P.LowerItemText : Contains(Second, P.LowerItemText);
    }
    case TKind::None:
      break;
  }
  return true;  // a code without a test leaves the previous result, which was a pass
}

bool TRecordSearch::Matches(int Index) {
  if (FTerms.empty()) return false;
  const ItemRecord* Record = nullptr;  // looked up when a term needs more than a column
  for (const TPrepared& P : FTerms) {
    bool Result;
    if (P.Column) {
      const std::string_view Text = P.Column->At(static_cast<std::size_t>(Index));
      Result = P.Kind == TKind::Description ? Text.find(P.Term.Low) != std::string_view::npos
                                            : P.Range.Matches(std::string(Text));
    } else {
      if (!Record) Record = &FDatabase.Record(Index);
      Result = TestTerm(P, *Record);
    }
    if (P.Kind != TKind::None && Result == P.Term.Invert) return false;
  }
  return true;
}

bool TRecordSearch::Matches(const ItemRecord& Record) {
  if (FTerms.empty()) return false;
  for (const TPrepared& P : FTerms) {
    const bool Result = TestTerm(P, Record);
    if (P.Kind != TKind::None && Result == P.Term.Invert) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Commands "2" and "5"

void LoadSearch(const THandlerContext& Context) {
  TQnStringGrid SearchGrid(nullptr);
  LoadBodyGrid(Context, SearchGrid, 11, 1, "<HTML>Error in Search Request</HTML>");
  PerformSearch(Context, ReadSearchTerms(SearchGrid));
}

void PerformSearch(const THandlerContext& Context, std::vector<TSearchTerm> Terms) {
  const TDatabase& D = Context.Database;
  TRecordSearch Search(D, std::move(Terms));
  std::vector<int> Found;
  for (int i = 0; i < D.Count(); ++i)
    if (Search.Matches(i)) Found.push_back(i);

  TQnStringGrid& Result = Context.ResultGrid;
  PrepareWorkGrid(Result);
  ClearGrid(Result, 2, static_cast<int>(Found.size()) + 1);
  for (std::size_t Row = 0; Row < Found.size(); ++Row) {
    const ItemRecord& R = D.Record(Found[Row]);
    Result.SetCells(0, static_cast<int>(Row), R.Code);
    Result.SetCells(1, static_cast<int>(Row), R.Name);
  }
  ReturnData(Context);
}

std::string DisplayValue(const ItemRecord& Record, int Code) {
  if (Code >= 0 && Code <= 9) return Record.Descriptions[At(Code)];
  if (Code >= 10 && Code <= 19) return Record.Details[At(Code - 10)];
  if (Code == 20) {
    std::string Status;
    if (Record.Checks[0]) Status += "Working ";
    if (Record.Checks[1]) Status += "Available ";
    if (Record.Checks[2]) Status += "Not Available ";
    return Status;
  }
  if (Code == 21) return Record.Name;
  if (Code >= 22 && Code <= 27) return Record.Others[At(Code - 22)];
  if (Code == 28) return Record.Code;
  return {};
}

void SendSearchDisplay(const THandlerContext& Context) {
  TQnStringGrid SearchGrid(nullptr);
  LoadBodyGrid(Context, SearchGrid, 11, 100, "<HTML>Error in Search Display Request</HTML>");
  const TDatabase& D = Context.Database;
  const int Cols = SearchGrid.ColCount();
  TQnStringGrid& Result = Context.ResultGrid;
  PrepareWorkGrid(Result);
  ClearGrid(Result, Cols, 1);
  for (int Col = 0; Col < Cols; ++Col) Result.SetCells(Col, 0, SearchGrid.Cells(Col, 0));

  std::vector<int> Found;
  for (int Row = 2; Row < SearchGrid.RowCount(); ++Row) {
    const int Index = D.FindRecordIndex(SearchGrid.Cells(0, Row));
    if (Index >= 0) Found.push_back(Index);
  }
  try {
    // The column codes are read when the first record needs them.
    std::vector<int> Codes;
    if (!Found.empty())
      for (int Col = 0; Col < Cols; ++Col) Codes.push_back(StrToInt(SearchGrid.Cells(Col, 1)));
    Result.SetRowCount(static_cast<int>(Found.size()) + 1);
    for (std::size_t k = 0; k < Found.size(); ++k) {
      const ItemRecord& R = D.Record(Found[k]);
      for (int Col = 0; Col < Cols; ++Col) {
        std::string Value = DisplayValue(R, Codes[At(Col)]);
        if (!Value.empty()) Result.SetCells(Col, static_cast<int>(k) + 1, Value);
      }
    }
  } catch (const std::exception&) {
    Context.Reply("<HTML>Error in search display request</html>");
  }
  ReturnData(Context);
}
