// What the command handlers outside the dispatcher work on: the open database, the request at
// hand, the reply table and the dispatcher's body reader and database save.  Also the record grid
// helpers they share: a record's grid 3 or grid 4 in and out of a work grid, and a table sent as
// its grid text stream.
#pragma once

#include <functional>
#include <string>

#include "controls/grid/qn_grid.h"
#include "server/database_store.h"
#include "server/server_request.h"

struct THandlerContext {
  TDatabase& Database;
  TServerRequest& Request;
  // The reply table, kept by the form between requests ("1" sends it again).
  TQnStringGrid& ResultGrid;
  // The whole request body; raises when it is too large or shorter than announced.
  std::function<std::string()> ReadBody;
  // Writes the open database to its file; raises when that fails.
  std::function<void()> SaveDatabase;

  void Reply(const std::string& Text) const { Request.WriteString(Text); }
  void ReplyBytes(const std::string& Bytes) const;
  // The query field as an integer; raises EConvertError when it is not one.
  int IntField(const std::string& Name) const;
};

// Which of a record's two line grids.
enum class TRecordGrid { Grid3, Grid4 };

// A grid that is not shown: no fixed rows or columns.
void PrepareWorkGrid(TQnStringGrid& Grid);
// Empties every cell and leaves the grid at Cols columns and Rows rows.
void ClearGrid(TQnStringGrid& Grid, int Cols, int Rows);
// Loads a grid text stream into a cleared grid of Cols columns and Rows rows; the stream's own
// counts win.  Raises (EConvertError) on a malformed stream or one beyond the grid's ceiling.
void LoadGridText(TQnStringGrid& Grid, const std::string& Text, int Cols, int Rows);
std::string SaveGridText(TQnStringGrid& Grid);

// The grid payload of "M" and "X", read with the progress replies both send: the body whole
// ("Stream Read"), its column and row counts ("Cols<n>", "Rows<n>") and its grid text; After
// (when given) reads what follows the text; then "Grid Loaded", the size checked (EReadError
// beyond the grid's ceiling) and the text loaded into Grid, a work grid of the counts + 1
// columns ("Buffer Grid Loaded").
// MaxRows (when not negative) refuses a payload of more rows, by its counts or by its text, with
// EReadError.
void ReadGridPayload(const THandlerContext& Context, TQnStringGrid& Grid,
                     const std::function<void(TValueReader& Reader)>& After = {}, int MaxRows = -1);

// A record's grid in a work grid of the configured column count + 1 columns.
void LoadRecordGrid(const TDatabase& Database, const ItemRecord& Record, TRecordGrid Which,
                    TQnStringGrid& Grid);
// Stores the work grid back into the record: its grid text stream and its row count.
void SaveRecordGrid(ItemRecord& Record, TRecordGrid Which, TQnStringGrid& Grid);

// Command "1", and the reply of every command that answers with the reply table: ResultGrid as
// its grid text stream; "<HTML>Error in Search or Grid Data Request" + the Referer + "</HTML>"
// when that fails.
void ReturnData(const THandlerContext& Context);

// The last row from 1 to RowCount - 1 whose column 0 is LineID; -1 when LineID is empty or no
// row has it.
int ReturnLineID(const TQnStringGrid& Grid, const std::string& LineID);
