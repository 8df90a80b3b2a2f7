// The line commands of grids 3 and 4: the line-command grid that inserts, edits or removes one
// line together with the updates its columns make to the record's own fields (command "X"),
// the move of a line up or down (server function), the choice lists and multi-line texts of the
// row editor, and the checks that keep a command within what the server takes.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

class TRecordWindow;

// A grid as rows of cells; row 0 the titles, the last row the empty one.
using TCellRows = std::vector<std::vector<std::string>>;
// The ten column definitions of a grid: title, input kind, total kind, linked field caption.
using TColumnDefs = std::array<std::array<std::string, 4>, 10>;

inline const std::string& CellOf(const TCellRows& Rows, int Col, int Row) {
  static const std::string Empty;
  if (Row < 0 || Row >= static_cast<int>(Rows.size())) return Empty;
  const auto& R = Rows[Row];
  return Col >= 0 && Col < static_cast<int>(R.size()) ? R[Col] : Empty;
}
int ColCountOf(const TCellRows& Rows);

// ---- The row editor's cell editors ---------------------------------------------------------------
enum class TCellInput { Plain, Date, Menu, MultiLine };
TCellInput CellInputOf(const std::string& InputKind);
// The choices of an input kind "menu=[a,b,c]" (see the row editor).
std::vector<std::string> ParseChoiceList(const std::string& InputKind);
// A multi-line value as memo lines: split at every CR and every TAB.
std::vector<std::string> SplitNotesText(const std::string& Text);
// Memo lines back into one value, each line followed by a TAB.
std::string JoinNotesLines(const std::vector<std::string>& Lines);

// ---- The line-command grid -------------------------------------------------------------------------
struct TLineCommandInput {
  std::string RecordCode;
  int GridNumber = 3;             // 3 or 4
  TCellRows Grid;                 // the edited grid as shown
  TColumnDefs Defs{};             // its column definitions (definition k describes column k)
  // The field number of a linked field's caption ("-1" when no label carries it).
  std::function<std::string(const std::string& Caption)> FieldNumber;
};

// The row editor's OK: EditValues are column 1 of the editor (row 0 the line ID or "NEW",
// rows 1..n the values); EditedRow is the grid row edited, -1 for a new line.
TCellRows BuildLineUpdate(const TLineCommandInput& In, int EditedRow,
                          const std::vector<std::string>& EditValues);
// What the person is told when a value typed into the row editor that must be an amount (a
// money column's, or one that is added to, subtracted from or totalled into a field) does not
// read as one ("99,95"): the column and the value; "" when every such value reads.
std::string UnreadableLineAmount(const TLineCommandInput& In, const std::vector<std::string>& EditValues);
// The removal of grid row Row.
TCellRows BuildLineRemoval(const TLineCommandInput& In, int Row);
// Why the server would not take the command grid ("" when it would): record codes, line IDs,
// whole-number amounts, field numbers and the grid's size.
std::string CheckLineCommand(const TCellRows& Command);
// The body of "X": the grid stream wrapper of the command grid.
std::string LineCommandBody(const TCellRows& Command);

// ---- The commands of the main window -----------------------------------------------------------------
class TGridLineCommands {
public:
  explicit TGridLineCommands(TRecordWindow& Window);

  // The message of a command the client will not send.
  static constexpr const char* RefusedText = "The line could not be sent: ";

  // The grid as shown and its definitions (the window supplies them).
  std::function<TLineCommandInput(int GridNumber)> GridInput;
  // Opens the row editor modally for row Row (-1 new) of the grid; returns whether it sent.
  std::function<bool(int GridNumber, int Row)> OpenRowEditor;
  // Selects a row of the grid after a move.
  std::function<void(int GridNumber, int Row)> SelectRow;
  // The "Read Only" box (the shown record's flag when not given).
  std::function<bool()> ReadOnly;

  // Guards of each command (RowCount of the grid, r its selected row).
  static bool CanEdit(int RowCount, int Row, bool ReadOnly);
  static bool CanRemove(int RowCount, int Row, bool ReadOnly);
  static bool CanMoveUp(int RowCount, int Row, bool ReadOnly);
  static bool CanMoveDown(int RowCount, int Row, bool ReadOnly);

  void InsertClick(int GridNumber);
  void EditClick(int GridNumber, int Row);
  void RemoveClick(int GridNumber, int Row);
  void MoveClick(int GridNumber, int Row, bool Up);

  // Checks and posts a command grid with "X"; false (nothing sent, the reason shown) when the
  // check refuses it or the transfer fails.
  bool PostLineCommand(const TCellRows& Command);
  // The row editor's OK: builds, checks and posts; false keeps the editor open.
  bool SendRowEditor(int GridNumber, int EditedRow, const std::vector<std::string>& EditValues);

private:
  bool Reload();
  bool IsReadOnly() const;
  TRecordWindow& FW;
};
