#include "server/handler_context.h"

#include <algorithm>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

void THandlerContext::ReplyBytes(const std::string& Bytes) const {
  constexpr std::size_t Chunk = 1 << 20;
  for (std::size_t At = 0; At < Bytes.size(); At += Chunk) {
    const std::size_t Count = std::min(Chunk, Bytes.size() - At);
    Request.WriteBytes(Bytes.data() + At, static_cast<int>(Count));
  }
}

int THandlerContext::IntField(const std::string& Name) const { return StrToInt(Request.GetField(Name)); }

void PrepareWorkGrid(TQnStringGrid& Grid) {
  Grid.SetFixedRows(0);
  Grid.SetFixedCols(0);
}

void ClearGrid(TQnStringGrid& Grid, int Cols, int Rows) {
  // Shrinking drops the cells; growing again brings empty ones.
  Grid.SetRowCount(1);
  Grid.SetColCount(1);
  Grid.SetCells(0, 0, std::string());
  Grid.SetColCount(std::max(Cols, 1));
  Grid.SetRowCount(std::max(Rows, 1));
}

void LoadGridText(TQnStringGrid& Grid, const std::string& Text, int Cols, int Rows) {
  ClearGrid(Grid, Cols, Rows);
  TMemoryStream Stream;
  if (!Text.empty()) Stream.WriteBuffer(Text.data(), static_cast<long>(Text.size()));
  Stream.SetPosition(0);
  Grid.LoadFromStream(Stream);
}

void ReadGridPayload(const THandlerContext& Context, TQnStringGrid& Grid,
                     const std::function<void(TValueReader& Reader)>& After, int MaxRows) {
  constexpr long long MaxGridCells = 2000000;  // the grid core's ceiling for a stream
  const std::string Body = Context.ReadBody();
  Context.Reply("Stream Read");
  TValueReader Reader(Body);
  const std::int32_t Cols = Reader.ReadInteger();
  Context.Reply("Cols" + std::to_string(Cols));
  const std::int32_t Rows = Reader.ReadInteger();
  Context.Reply("Rows" + std::to_string(Rows));
  const std::string Text = Reader.ReadChars();
  if (After) After(Reader);
  Context.Reply("Grid Loaded");
  if (Cols < 0 || Rows < 0 || (static_cast<long long>(Cols) + 1) * Rows > MaxGridCells)
    throw EReadError("Grid size out of range");
  if (MaxRows >= 0 && Rows > MaxRows) throw EReadError("Too many rows");
  PrepareWorkGrid(Grid);
  LoadGridText(Grid, Text, Cols + 1, Rows);
  if (MaxRows >= 0 && Grid.RowCount() > MaxRows) throw EReadError("Too many rows");
  Context.Reply("Buffer Grid Loaded");
}

std::string SaveGridText(TQnStringGrid& Grid) {
  TMemoryStream Stream;
  Grid.SaveToStream(Stream);
  return Stream.DataString();
}

void LoadRecordGrid(const TDatabase& Database, const ItemRecord& Record, TRecordGrid Which,
                    TQnStringGrid& Grid) {
  const bool Three = Which == TRecordGrid::Grid3;
  const int Cols = (Three ? Database.Config.Grid3Columns : Database.Config.Grid4Columns) + 1;
  const int Rows = Three ? Record.Grid3Rows : Record.Grid4Rows;
  // A stored row count beyond the ceiling is not believed: the stream sets the real one.
  LoadGridText(Grid, Three ? Record.Grid3 : Record.Grid4, Cols,
               Rows > 0 && static_cast<long long>(Rows) * Cols <= 2000000 ? Rows : 2);
}

void SaveRecordGrid(ItemRecord& Record, TRecordGrid Which, TQnStringGrid& Grid) {
  if (Which == TRecordGrid::Grid3) {
    Record.Grid3 = SaveGridText(Grid);
    Record.Grid3Rows = Grid.RowCount();
  } else {
    Record.Grid4 = SaveGridText(Grid);
    Record.Grid4Rows = Grid.RowCount();
  }
}

void ReturnData(const THandlerContext& Context) {
  std::string Text;
  try {
    Text = SaveGridText(Context.ResultGrid);
  } catch (const std::exception&) {
    return Context.Reply("<HTML>Error in Search or Grid Data Request" + Context.Request.GetReferer() + "</HTML>");
  }
  Context.ReplyBytes(Text);
}

int ReturnLineID(const TQnStringGrid& Grid, const std::string& LineID) {
  if (LineID.empty()) return -1;
  for (int Row = Grid.RowCount() - 1; Row >= 1; --Row)
    if (Grid.Cells(0, Row) == LineID) return Row;
  return -1;
}
