#include "client/core/grid_lines.h"

#include <algorithm>
#include <climits>

#include "client/core/record_streams.h"
#include "client/core/record_window.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/modal_service.h"
#include "records/server_names.h"

namespace {

// The grid core's ceiling on the cells of a grid the server takes from a stream.
constexpr long long MaxCommandCells = 2000000;
// Record field numbers the server updates: descriptions, details, name and others.
constexpr int MinFieldNumber = -1, MaxFieldNumber = 99;

bool IsDecimal(const std::string& S, std::size_t MaxDigits) {
  if (S.empty() || S.size() > MaxDigits) return false;
  return std::all_of(S.begin(), S.end(), [](char C) { return C >= '0' && C <= '9'; });
}

std::string Lower(const std::string& S) { return LowerCase(S); }

std::vector<std::string> ColumnCells(const TCellRows& Grid, int Col) {
  std::vector<std::string> Cells;
  for (int Row = 1; Row + 1 < static_cast<int>(Grid.size()); ++Row) Cells.push_back(CellOf(Grid, Col, Row));
  return Cells;
}

std::vector<std::string> CommandRow(int Cols, std::vector<std::string> First) {
  First.resize(static_cast<std::size_t>(std::max(Cols, 0)));
  return First;
}

}  // namespace

int ColCountOf(const TCellRows& Rows) {
  std::size_t N = 0;
  for (const auto& R : Rows) N = std::max(N, R.size());
  return static_cast<int>(N);
}

// ---- Cell editors --------------------------------------------------------------------------------

TCellInput CellInputOf(const std::string& InputKind) {
  const std::string K = Lower(InputKind);
  if (K == "date") return TCellInput::Date;
  if (K.find("menu=") != std::string::npos) return TCellInput::Menu;
  if (InputKind == "multi-line") return TCellInput::MultiLine;
  return TCellInput::Plain;
}

std::vector<std::string> ParseChoiceList(const std::string& InputKind) {
  std::vector<std::string> Choices;
  if (InputKind.size() < 7) return Choices;
  const std::string Text = InputKind.substr(6, InputKind.size() - 7);
  std::string Current;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const bool Last = i + 1 == Text.size();
    if (Text[i] != ',' && !Last) {
      Current += Text[i];
      continue;
    }
    // The last character joins the last choice, whatever it is.
    if (Last) Current += Text[i];
    Choices.push_back(Current);
    Current.clear();
  }
  return Choices;
}

std::vector<std::string> SplitNotesText(const std::string& Text) { return SplitFields(Text); }

std::string JoinNotesLines(const std::vector<std::string>& Lines) {
  std::string Text;
  for (const auto& L : Lines) Text += L + '\t';
  return Text;
}

// ---- The line-command grid ------------------------------------------------------------------------

TCellRows BuildLineUpdate(const TLineCommandInput& In, int EditedRow,
                          const std::vector<std::string>& EditValues) {
  const int n = ColCountOf(In.Grid) - 1;
  const int Cols = n + 3;
  const bool Editing = EditedRow != -1;
  auto Value = [&](int k) { return k < static_cast<int>(EditValues.size()) ? EditValues[k] : std::string(); };
  const std::string G = In.GridNumber == 3 ? "3" : "4";

  TCellRows Out;
  std::vector<std::string> First{In.RecordCode, G, Editing ? Value(0) : std::string()};
  for (int k = 1; k <= n; ++k) First.push_back(Value(k));
  Out.push_back(CommandRow(Cols, First));

  const int RowCount = static_cast<int>(In.Grid.size());
  for (int k = 1; k <= n && k <= 10; ++k) {
    const auto& Def = In.Defs[k - 1];
    const std::string Kind = Lower(Def[2]);
    const std::string Field = In.FieldNumber ? In.FieldNumber(Def[3]) : std::string("-1");
    const std::string New = Value(k);
    const std::string Old = Editing ? CellOf(In.Grid, k, EditedRow) : std::string();
    if (Kind == "add" || Kind == "subtract") {
      // Both through the number texts: "1,000" and "$5" are amounts, not 0.
      std::string Amount = SubtractNumberText(New, Editing ? Old : "0");
      if (Kind == "subtract") Amount = SubtractNumberText("0", Amount);
      Out.push_back(CommandRow(Cols, {In.RecordCode, "Add", "", Field, RoundNumberText(Amount)}));
    } else if (Kind == "total") {
      std::string Total = AddNumberText(SumNumberList(ColumnCells(In.Grid, k)), New);
      if (Editing) Total = SubtractNumberText(Total, Old);
      Out.push_back(CommandRow(Cols, {In.RecordCode, "Copy", "", Field, Total}));
    } else if (Kind == "copy") {
      Out.push_back(CommandRow(Cols, {In.RecordCode, "Copy", "", Field, New}));
    } else if (Kind == "line total") {
      const int Lines = Editing ? RowCount - 2 : RowCount - 1;
      Out.push_back(CommandRow(Cols, {In.RecordCode, "Copy", "", Field, std::to_string(Lines)}));
    }
  }
  return Out;
}

std::string UnreadableLineAmount(const TLineCommandInput& In, const std::vector<std::string>& EditValues) {
  for (std::size_t k = 1; k < EditValues.size() && k <= In.Defs.size(); ++k) {
    const auto& Def = In.Defs[k - 1];
    const std::string Kind = Lower(Def[2]);
    const bool Amount = IsMoneyKind(Def[1]) || Kind == "add" || Kind == "subtract" || Kind == "total";
    if (!Amount) continue;
    if (std::string Refusal = AmountRefusal(EditValues[k], Def[0]); !Refusal.empty()) return Refusal;
  }
  return "";
}

TCellRows BuildLineRemoval(const TLineCommandInput& In, int Row) {
  const int GridCols = ColCountOf(In.Grid);
  const int Cols = GridCols + 2;
  const std::string LineID = CellOf(In.Grid, 0, Row);
  const int RowCount = static_cast<int>(In.Grid.size());
  TCellRows Out;
  Out.push_back(CommandRow(Cols, {In.RecordCode, In.GridNumber == 3 ? "3Remove" : "4Remove", LineID}));
  for (int k = 1; k < GridCols && k <= 10; ++k) {
    const auto& Def = In.Defs[k - 1];
    const std::string Kind = Lower(Def[2]);
    const std::string Field = In.FieldNumber ? In.FieldNumber(Def[3]) : std::string("-1");
    const std::string Value = CellOf(In.Grid, k, Row);
    if (Kind == "add") {
      Out.push_back(CommandRow(Cols, {In.RecordCode, "Add", LineID, Field,
                                      RoundNumberText(SubtractNumberText("0", Value))}));
    } else if (Kind == "subtract") {
      Out.push_back(CommandRow(Cols, {In.RecordCode, "Add", LineID, Field, RoundNumberText(Value)}));
    } else if (Kind == "total") {
      Out.push_back(CommandRow(Cols, {In.RecordCode, "Copy", LineID, Field,
                                      SubtractNumberText(SumNumberList(ColumnCells(In.Grid, k)), Value)}));
    } else if (Kind == "line total") {
      Out.push_back(CommandRow(Cols, {In.RecordCode, "Copy", "", Field, std::to_string(RowCount - 3)}));
    }
  }
  return Out;
}

std::string CheckLineCommand(const TCellRows& Command) {
  const long long Cols = ColCountOf(Command);
  if (Command.empty()) return "the command is empty.";
  if ((Cols + 1) * static_cast<long long>(Command.size()) > MaxCommandCells)
    return "the line has too many cells.";
  for (const auto& Row : Command) {
    auto Cell = [&](std::size_t i) { return i < Row.size() ? Row[i] : std::string(); };
    if (!IsSafeRecordCode(Cell(0))) return "the record code \"" + Cell(0) + "\" is not valid.";
    const std::string Op = Cell(1);
    const std::string LineID = Cell(2);
    if (Op == "3" || Op == "4" || Op == "3Remove" || Op == "4Remove") {
      const bool NewLine = Op.size() == 1 && LineID.empty();
      if (!NewLine && !IsDecimal(LineID, 5)) return "the line ID \"" + LineID + "\" is not valid.";
    } else if (Op == "Add" || Op == "Copy") {
      int Field = 0;
      if (!TryStrToInt(Cell(3), Field) || Field < MinFieldNumber || Field > MaxFieldNumber)
        return "the field number \"" + Cell(3) + "\" is not valid.";
      if (!LineID.empty() && !IsDecimal(LineID, 5)) return "the line ID \"" + LineID + "\" is not valid.";
      int Amount = 0;
      if (Op == "Add" && !TryStrToInt(Cell(4), Amount))
        return "the amount \"" + Cell(4) + "\" is not a whole number the server can add.";
    } else {
      return "the operation \"" + Op + "\" is not known.";
    }
  }
  return "";
}

std::string LineCommandBody(const TCellRows& Command) {
  TQnStringGrid G(nullptr);
  G.SetFixedRows(0);
  G.SetFixedCols(0);
  G.SetColCount(std::max(ColCountOf(Command), 1));
  G.SetRowCount(std::max(static_cast<int>(Command.size()), 1));
  for (int Row = 0; Row < static_cast<int>(Command.size()); ++Row)
    for (int Col = 0; Col < static_cast<int>(Command[Row].size()); ++Col) G.SetCells(Col, Row, Command[Row][Col]);
  return GridToStream(G);
}

// ---- The commands --------------------------------------------------------------------------------

TGridLineCommands::TGridLineCommands(TRecordWindow& Window) : FW(Window) {}

bool TGridLineCommands::CanEdit(int RowCount, int Row, bool ReadOnly) {
  return !ReadOnly && RowCount > 2 && Row > 0 && Row < RowCount - 1;
}
bool TGridLineCommands::CanRemove(int RowCount, int Row, bool ReadOnly) { return CanEdit(RowCount, Row, ReadOnly); }
bool TGridLineCommands::CanMoveUp(int RowCount, int Row, bool ReadOnly) {
  return !ReadOnly && RowCount > 2 && Row >= 2 && Row < RowCount - 1;
}
bool TGridLineCommands::CanMoveDown(int RowCount, int Row, bool ReadOnly) {
  return !ReadOnly && RowCount > 2 && Row >= 1 && Row < RowCount - 2;
}

bool TGridLineCommands::IsReadOnly() const { return ReadOnly ? ReadOnly() : FW.Buffers.Current.ReadOnly; }

bool TGridLineCommands::Reload() { return FW.GetRecord("G" + FW.Number()); }

bool TGridLineCommands::PostLineCommand(const TCellRows& Command) {
  const std::string Why = CheckLineCommand(Command);
  if (!Why.empty()) {
    FW.BeginModal();
    MessageDlg(RefusedText + Why, mtError, {mbOK});
    FW.EndModal();
    return false;
  }
  TServerSession& S = FW.Session();
  const std::string Body = LineCommandBody(Command);
  S.WriteDiagnostic("logsend.txt", Body);
  try {
    S.WriteDiagnostic("logdata.txt", S.Post("X" + FW.Number(), Body));
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool TGridLineCommands::SendRowEditor(int GridNumber, int EditedRow, const std::vector<std::string>& EditValues) {
  if (!GridInput) return false;
  const TLineCommandInput In = GridInput(GridNumber);
  // An amount that does not read is told where it is typed: the editor stays open with it.
  if (const std::string Unread = UnreadableLineAmount(In, EditValues); !Unread.empty()) {
    MessageDlg(Unread, mtWarning, TMsgDlgButtons{mbOK});
    return false;
  }
  return PostLineCommand(BuildLineUpdate(In, EditedRow, EditValues));
}

void TGridLineCommands::InsertClick(int GridNumber) {
  if (!FW.SaveRecord(FW.Buffers.Current, true)) return;
  if (IsReadOnly()) return;
  if (OpenRowEditor) {
    FW.BeginModal();
    OpenRowEditor(GridNumber, -1);
    FW.EndModal();
  }
  Reload();
}

void TGridLineCommands::EditClick(int GridNumber, int Row) {
  if (!GridInput) return;
  const TLineCommandInput In = GridInput(GridNumber);
  if (!CanEdit(static_cast<int>(In.Grid.size()), Row, IsReadOnly())) return;
  if (OpenRowEditor) {
    FW.BeginModal();
    OpenRowEditor(GridNumber, Row);
    FW.EndModal();
  }
  if (FW.SaveRecord(FW.Buffers.Current, true)) Reload();
}

void TGridLineCommands::RemoveClick(int GridNumber, int Row) {
  if (!GridInput) return;
  const TLineCommandInput In = GridInput(GridNumber);
  if (!CanRemove(static_cast<int>(In.Grid.size()), Row, IsReadOnly())) return;
  FW.BeginModal();
  const int Answer = MessageDlg("Are you sure you want to delete the selected line ?", mtConfirmation, mbYesNo);
  FW.EndModal();
  if (Answer != mrYes) return;
  if (!FW.SaveRecord(FW.Buffers.Current, true)) return;
  // The record as saved: the removal names its line as the server holds it.
  if (PostLineCommand(BuildLineRemoval(GridInput(GridNumber), Row))) Reload();
}

void TGridLineCommands::MoveClick(int GridNumber, int Row, bool Up) {
  if (!GridInput) return;
  const TLineCommandInput In = GridInput(GridNumber);
  const int RowCount = static_cast<int>(In.Grid.size());
  const bool ReadOnly = IsReadOnly();
  if (!(Up ? CanMoveUp(RowCount, Row, ReadOnly) : CanMoveDown(RowCount, Row, ReadOnly))) return;
  const std::string LineID = CellOf(In.Grid, 0, Row);
  if (!IsDecimal(LineID, 5) || !IsSafeRecordCode(FW.Number())) {
    FW.BeginModal();
    MessageDlg(std::string(RefusedText) + "the line ID \"" + LineID + "\" is not valid.", mtError, {mbOK});
    FW.EndModal();
    return;
  }
  if (!FW.SaveRecord(FW.Buffers.Current, true)) return;
  TServerSession& S = FW.Session();
  S.InitializeRequest();
  S.SetParameter("Record", FW.Number(), true);
  S.SetParameter("GridID", GridNumber == 3 ? "3" : "4", false);
  S.SetParameter("LineID", LineID, false);
  S.SetParameter("Function", Up ? "MoveUpLine" : "MoveDownLine", false);
  S.GetServerPath();
  if (Reload() && SelectRow) SelectRow(GridNumber, Up ? Row - 1 : Row + 1);
}
