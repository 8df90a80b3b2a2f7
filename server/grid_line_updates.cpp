#include "server/grid_line_updates.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"
#include "server/server_functions.h"

namespace {

constexpr int LineIDRange = 100000;

TRecordGrid GridOf(const std::string& Operation) {
  return Operation[0] == '3' ? TRecordGrid::Grid3 : TRecordGrid::Grid4;
}

const char* GridName(TRecordGrid Which) { return Which == TRecordGrid::Grid3 ? "3" : "4"; }

}  // namespace

std::string NewLineID(const std::function<bool(const std::string& ID)>& Taken, std::mt19937& Random) {
  std::uniform_int_distribution<int> Draw(0, LineIDRange - 1);
  // Every ID may be drawn many times over before a free one comes up when the grid is nearly
  // full; past that the free IDs are looked for in order.
  for (int Attempt = 0; Attempt < 1000; ++Attempt) {
    std::string ID = std::to_string(Draw(Random));
    if (!Taken(ID)) return ID;
  }
  for (int Number = 0; Number < LineIDRange; ++Number)
    if (!Taken(std::to_string(Number))) return std::to_string(Number);
  throw Exception("No free line ID");
}

std::string NewLineID(const TQnStringGrid& Grid, std::mt19937& Random) {
  std::unordered_set<std::string> Taken;
  for (int Row = 1; Row < Grid.RowCount(); ++Row) Taken.insert(Grid.Cells(0, Row));
  return NewLineID([&Taken](const std::string& ID) { return Taken.count(ID) != 0; }, Random);
}

namespace {

// A record's grid loaded once for a whole batch: its rows' cells, the rows that a line command
// removed, and the rows of each line ID; stored back into the record once, at the end.
class TBatchGrid {
public:
  TBatchGrid(const TDatabase& Database, const ItemRecord& Record, TRecordGrid Which) : FWhich(Which) {
    TQnStringGrid Grid(nullptr);
    PrepareWorkGrid(Grid);
    LoadRecordGrid(Database, Record, Which, Grid);
    FCols = Grid.ColCount();
    FRows.resize(static_cast<std::size_t>(Grid.RowCount()));
    for (int Row = 0; Row < Grid.RowCount(); ++Row) {
      auto& Cells = FRows[static_cast<std::size_t>(Row)].Cells;
      Cells.resize(static_cast<std::size_t>(FCols));
      for (int Col = 0; Col < FCols; ++Col) Cells[static_cast<std::size_t>(Col)] = Grid.Cells(Col, Row);
      if (Row >= 1) Index(Row);
    }
  }

  // The last row (from 1) whose line ID is ID; -1 when ID is empty or no row has it.
  int Find(const std::string& ID) const {
    const auto Found = FByID.find(ID);
    return ID.empty() || Found == FByID.end() || Found->second.empty() ? -1 : Found->second.back();
  }
  bool Taken(const std::string& ID) const { return Find(ID) >= 0; }

  // The empty last row becomes a line with this ID, and a new empty row follows it.
  int Append(const std::string& ID) {
    const int Line = Last();
    Unindex(Line);
    Cell(0, Line) = ID;
    Index(Line);
    FRows.emplace_back();
    FRows.back().Cells.resize(static_cast<std::size_t>(FCols));
    FChanged = true;
    return Line;
  }
  void Set(int Col, int Row, const std::string& Text) {
    if (Col < 0 || Col >= FCols) return;
    Cell(Col, Row) = Text;
    FChanged = true;
  }
  void Remove(int Row) {
    Unindex(Row);
    FRows[static_cast<std::size_t>(Row)].Gone = true;
    FChanged = true;
  }
  // The line ID of the last line (the row before the empty last row).
  const std::string& LastLineID() const {
    const int L = Last();
    int Before = L - 1;
    while (Before >= 0 && FRows[static_cast<std::size_t>(Before)].Gone) --Before;
    return FRows[static_cast<std::size_t>(Before >= 0 ? Before : L)].Cells[0];
  }

  void StoreInto(ItemRecord& Record) const {
    TQnStringGrid Grid(nullptr);
    PrepareWorkGrid(Grid);
    int Live = 0;
    for (const TRow& Row : FRows) Live += Row.Gone ? 0 : 1;
    ClearGrid(Grid, FCols, Live);
    int To = 0;
    for (const TRow& Row : FRows) {
      if (Row.Gone) continue;
      for (int Col = 0; Col < FCols; ++Col)
        if (!Row.Cells[static_cast<std::size_t>(Col)].empty())
          Grid.SetCells(Col, To, Row.Cells[static_cast<std::size_t>(Col)]);
      ++To;
    }
    SaveRecordGrid(Record, FWhich, Grid);
  }
  bool Changed() const { return FChanged; }

private:
  struct TRow {
    std::vector<std::string> Cells;
    bool Gone = false;
  };
  std::string& Cell(int Col, int Row) {
    return FRows[static_cast<std::size_t>(Row)].Cells[static_cast<std::size_t>(Col)];
  }
  int Last() const {
    int Row = static_cast<int>(FRows.size()) - 1;
    while (Row > 0 && FRows[static_cast<std::size_t>(Row)].Gone) --Row;
    return Row;
  }
  // A row's ID joins or leaves the index.  Rows of an ID are kept in order, and only the last
  // one of them is ever removed or renamed (Find gives that one; the empty last row is last).
  void Index(int Row) {
    const std::string& ID = FRows[static_cast<std::size_t>(Row)].Cells[0];
    if (!ID.empty() && Row >= 1) FByID[ID].push_back(Row);
  }
  void Unindex(int Row) {
    const std::string& ID = FRows[static_cast<std::size_t>(Row)].Cells[0];
    const auto Found = FByID.find(ID);
    if (Found != FByID.end() && !Found->second.empty() && Found->second.back() == Row) Found->second.pop_back();
  }

  TRecordGrid FWhich;
  int FCols = 1;
  std::vector<TRow> FRows;
  std::unordered_map<std::string, std::vector<int>> FByID;
  bool FChanged = false;
};

}  // namespace

void TGridLineUpdates::UpdateGrid(const THandlerContext& Context) {
  TDatabase& D = Context.Database;
  Context.Reply("<HTML>");
  try {
    TQnStringGrid BufferGrid(nullptr);
    ReadGridPayload(Context, BufferGrid, {}, MaxLineCommands);

    // Each record's grid is loaded at its first line command and stored after the last.
    std::map<std::pair<int, TRecordGrid>, std::unique_ptr<TBatchGrid>> Grids;
    auto GridOfRecord = [&](int Index, TRecordGrid Which) -> TBatchGrid& {
      std::unique_ptr<TBatchGrid>& Grid = Grids[{Index, Which}];
      if (!Grid) Grid = std::make_unique<TBatchGrid>(D, std::as_const(D).Record(Index), Which);
      return *Grid;
    };

    // The grids changed so far go back into their records: at the end of the batch, and when a
    // row fails, for the rows before it, whose success lines have gone out.
    auto StoreChangedGrids = [&] {
      for (const auto& [Key, Grid] : Grids) {
        if (!Grid->Changed()) continue;
        Grid->StoreInto(D.Record(Key.first));
        D.Changed = true;
      }
      Grids.clear();
    };

    try {
      for (int Row = 0; Row < BufferGrid.RowCount(); ++Row) {
        const int Index = D.FindRecordIndex(BufferGrid.Cells(0, Row));
        if (Index < 0) continue;
        const std::string& Operation = BufferGrid.Cells(1, Row);
        const std::string& LineID = BufferGrid.Cells(2, Row);

        if (Operation == "3" || Operation == "4" || Operation == "3UPDATELINE" ||
            Operation == "4UPDATELINE") {
          const TRecordGrid Which = GridOf(Operation);
          TBatchGrid& Grid = GridOfRecord(Index, Which);
          int Line = Grid.Find(LineID);
          if (Line < 0)
            Line = Grid.Append(Operation.size() == 1
                                   ? NewLineID([&Grid](const std::string& ID) { return Grid.Taken(ID); }, FRandom)
                                   : LineID);
          for (int Col = 3; Col < BufferGrid.ColCount(); ++Col) Grid.Set(Col - 2, Line, BufferGrid.Cells(Col, Row));
          Context.Reply(std::string("Grid ") + GridName(Which) + " Update Sucessful</HTML>");
        } else if (Operation == "3Remove" || Operation == "4Remove") {
          TBatchGrid& Grid = GridOfRecord(Index, GridOf(Operation));
          const int Line = Grid.Find(LineID);
          if (Line >= 0) Grid.Remove(Line);
          Context.Reply(std::string("Grid ") + GridName(GridOf(Operation)) + " Remove Sucessful</HTML>");
        } else if (Operation == "Add") {
          const int Code = StrToInt(BufferGrid.Cells(3, Row));
          const int Amount = StrToIntDef(BufferGrid.Cells(4, Row), 0);
          const std::string Value = AddAmount(Context, ReturnValue(std::as_const(D).Record(Index), Code), Amount);
          UpdateValue(D.Record(Index), Code, Value);
          D.Changed = true;
          Context.Reply("Grid 4 Add Sucessful</HTML>");
        } else if (Operation == "Copy") {
          UpdateValue(D.Record(Index), StrToInt(BufferGrid.Cells(3, Row)), BufferGrid.Cells(4, Row));
          D.Changed = true;
          Context.Reply("Grid 4 Copy Sucessful</HTML>");
        } else if (Operation == "LastLineID") {
          const int Code = StrToInt(BufferGrid.Cells(3, Row));
          const TRecordGrid Which = BufferGrid.Cells(4, Row) == "3" ? TRecordGrid::Grid3 : TRecordGrid::Grid4;
          const std::string ID = GridOfRecord(Index, Which).LastLineID();
          UpdateValue(D.Record(Index), Code, ID);
          D.Changed = true;
          Context.Reply("Grid Internal Line ID Sucessful</HTML>");
        }
      }
    } catch (...) {
      // The rows before the failing one were answered as done: they are stored as a batch that
      // ended there would be, so that the records show them and a later request finds them.  A
      // save that fails drops them from memory as well, and the reply ends in the error line.
      StoreChangedGrids();
      if (D.Changed) Context.SaveDatabase();
      throw;
    }
    StoreChangedGrids();
    Context.SaveDatabase();
  } catch (const std::exception&) {
    Context.Reply("Error in Grid Save</HTML>");
  }
}

void TGridLineUpdates::GenerateGridSummary(const THandlerContext& Context, const std::string& Command) {
  const TDatabase& D = Context.Database;
  const TRecordGrid Which = Command.size() > 1 && Command[1] == '3' ? TRecordGrid::Grid3 : TRecordGrid::Grid4;
  TStringList Codes;
  Codes.SetSorted(true);
  Codes.SetDuplicates(dupIgnore);
  Codes.SetText(Context.ReadBody());
  const bool All = Codes.Get(0) == "All";  // an empty body has no first entry and fails here

  TQnStringGrid& Result = Context.ResultGrid;
  TQnStringGrid WorkGrid(nullptr);
  PrepareWorkGrid(Result);
  PrepareWorkGrid(WorkGrid);
  const int LineCols =
      Which == TRecordGrid::Grid3 ? D.Config.Grid3Columns : D.Config.Grid4Columns;
  ClearGrid(Result, LineCols + 2, 2);
  // Last is the table's empty last row; the grid grows ahead in steps and is cut at the end.
  int Last = 1;
  for (int i = 0; i < D.Count(); ++i) {
    const ItemRecord& R = D.Record(i);
    int Found = 0;
    if (!All && !Codes.Find(R.Code, Found)) continue;
    LoadRecordGrid(D, R, Which, WorkGrid);
    for (int Line = 1; Line <= WorkGrid.RowCount() - 2; ++Line, ++Last) {
      if (Last + 1 >= Result.RowCount()) Result.SetRowCount(std::max(Result.RowCount() * 2, 64));
      Result.SetCells(0, Last, R.Code);
      Result.SetCells(1, Last, R.Name);
      for (int Col = 1; Col < WorkGrid.ColCount() && Col + 1 < Result.ColCount(); ++Col)
        Result.SetCells(Col + 1, Last, WorkGrid.Cells(Col, Line));
    }
  }
  Result.SetRowCount(Last + 1);
  ReturnData(Context);
}
