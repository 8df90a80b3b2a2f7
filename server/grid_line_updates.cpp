#include "server/grid_line_updates.h"

#include <algorithm>
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

std::string NewLineID(const TQnStringGrid& Grid, std::mt19937& Random) {
  std::unordered_set<std::string> Taken;
  for (int Row = 1; Row < Grid.RowCount(); ++Row) Taken.insert(Grid.Cells(0, Row));
  std::uniform_int_distribution<int> Draw(0, LineIDRange - 1);
  // Every ID may be drawn many times over before a free one comes up when the grid is nearly
  // full; past that the free IDs are looked for in order.
  for (int Attempt = 0; Attempt < 1000; ++Attempt) {
    std::string ID = std::to_string(Draw(Random));
    if (!Taken.count(ID)) return ID;
  }
  for (int Number = 0; Number < LineIDRange; ++Number)
    if (!Taken.count(std::to_string(Number))) return std::to_string(Number);
  throw Exception("No free line ID");
}

void TGridLineUpdates::UpdateGrid(const THandlerContext& Context) {
  TDatabase& D = Context.Database;
  Context.Reply("<HTML>");
  try {
    TQnStringGrid BufferGrid(nullptr), WorkGrid(nullptr);
    ReadGridPayload(Context, BufferGrid);
    PrepareWorkGrid(WorkGrid);

    for (int Row = 0; Row < BufferGrid.RowCount(); ++Row) {
      const int Index = D.FindRecordIndex(BufferGrid.Cells(0, Row));
      if (Index < 0) continue;
      const std::string& Operation = BufferGrid.Cells(1, Row);
      const std::string& LineID = BufferGrid.Cells(2, Row);

      if (Operation == "3" || Operation == "4" || Operation == "3UPDATELINE" ||
          Operation == "4UPDATELINE") {
        const TRecordGrid Which = GridOf(Operation);
        LoadRecordGrid(D, std::as_const(D).Record(Index), Which, WorkGrid);
        int Line = ReturnLineID(WorkGrid, LineID);
        if (Line < 0) {
          // The empty last row becomes the line, and a new empty row follows it.
          Line = WorkGrid.RowCount() - 1;
          WorkGrid.SetRowCount(WorkGrid.RowCount() + 1);
          WorkGrid.SetCells(0, Line, Operation.size() == 1 ? NewLineID(WorkGrid, FRandom) : LineID);
        }
        for (int Col = 3; Col < BufferGrid.ColCount(); ++Col)
          WorkGrid.SetCells(Col - 2, Line, BufferGrid.Cells(Col, Row));
        SaveRecordGrid(D.Record(Index), Which, WorkGrid);
        D.Changed = true;
        Context.Reply(std::string("Grid ") + GridName(Which) + " Update Sucessful</HTML>");
      } else if (Operation == "3Remove" || Operation == "4Remove") {
        MoveGridItem(Context, BufferGrid.Cells(0, Row), Operation.substr(0, 1), LineID,
                     TGridLineMove::Remove);
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
        LoadRecordGrid(D, std::as_const(D).Record(Index), Which, WorkGrid);
        UpdateValue(D.Record(Index), Code, WorkGrid.Cells(0, std::max(WorkGrid.RowCount() - 2, 0)));
        D.Changed = true;
        Context.Reply("Grid Internal Line ID Sucessful</HTML>");
      }
    }
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
