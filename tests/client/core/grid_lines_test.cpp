// The line commands of grids 3 and 4: the command grids they build, the checks before sending,
// and the commands against the real dispatcher in-process (what the server stores).
#include "client/core/grid_lines.h"

#include <gtest/gtest.h>

#include "client/core/record_window.h"
#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/streams.h"
#include "records/value_stream.h"
#include "tests/client/core/client_fixture.h"
#include "tests/decimal_comma_locale.h"

namespace {

TColumnDefs Defs(std::vector<std::array<std::string, 4>> Cols) {
  TColumnDefs D{};
  for (std::size_t i = 0; i < Cols.size(); ++i) D[i] = Cols[i];
  return D;
}

TLineCommandInput Input(TCellRows Grid, TColumnDefs D) {
  TLineCommandInput In;
  In.RecordCode = "AB12";
  In.GridNumber = 3;
  In.Grid = std::move(Grid);
  In.Defs = D;
  In.FieldNumber = [](const std::string& Caption) { return Caption == "Stock" ? std::string("4") : std::string("-1"); };
  return In;
}

}  // namespace

TEST(GridLineCells, ChoicesAndNotes) {
  EXPECT_EQ(CellInputOf("Date"), TCellInput::Date);
  EXPECT_EQ(CellInputOf("x MENU=[a]"), TCellInput::Menu);
  EXPECT_EQ(CellInputOf("multi-line"), TCellInput::MultiLine);
  EXPECT_EQ(CellInputOf("dates"), TCellInput::Plain);
  EXPECT_EQ(ParseChoiceList("menu=[Red,Green,Blue]"), (std::vector<std::string>{"Red", "Green", "Blue"}));
  // Empty pieces give empty items; a trailing comma stays part of the last choice.
  EXPECT_EQ(ParseChoiceList("menu=[a,,b]"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(ParseChoiceList("menu=[a,b,]"), (std::vector<std::string>{"a", "b,"}));
  EXPECT_TRUE(ParseChoiceList("menu=").empty());
  // Every line comes back followed by a TAB; a text without separators is one line.
  EXPECT_EQ(SplitNotesText("one\rtwo\tthree\nfour"), (std::vector<std::string>{"one", "two", "three\nfour"}));
  EXPECT_EQ(JoinNotesLines(SplitNotesText("a\tb\t")), "a\tb\t");
  EXPECT_EQ(SplitNotesText("plain text"), (std::vector<std::string>{"plain text"}));
}

TEST(GridLineCommand, UpdateRowsFollowTheTotalKinds) {
  const TCellRows Grid{{"LINE ID", "Qty", "Price", "Note", "Count"},
                       {"11", "5", "2.50", "x", "1"},
                       {"12", "1", "4", "y", "2"},
                       {"", "", "", "", ""}};
  const auto D = Defs({{"Qty", "", "add", "Stock"},
                       {"Price", "", "total", "Stock"},
                       {"Note", "", "copy", "Nowhere"},
                       {"Count", "", "line total", "Stock"}});
  // Editing line 1: 5 -> 8 adds 3; the total is 6.50 + 3.00 - 2.50.
  const TCellRows Edit = BuildLineUpdate(Input(Grid, D), 1, {"11", "8", "3.00", "z", "1"});
  ASSERT_EQ(Edit.size(), 5u);
  EXPECT_EQ(Edit[0], (std::vector<std::string>{"AB12", "3", "11", "8", "3.00", "z", "1"}));
  EXPECT_EQ(Edit[1], (std::vector<std::string>{"AB12", "Add", "", "4", "3", "", ""}));
  EXPECT_EQ(Edit[2][4], "7.00");
  EXPECT_EQ(Edit[3][3], "-1");  // a caption no label carries
  EXPECT_EQ(Edit[3][4], "z");
  EXPECT_EQ(Edit[4][4], "2");   // lines after the edit
  // A new line: no line ID, the amount rounded to a whole number, one line more.
  const TCellRows New = BuildLineUpdate(Input(Grid, D), -1, {"NEW", "2.5", "1", "", ""});
  EXPECT_EQ(New[0][2], "");
  EXPECT_EQ(New[1][4], "2");
  EXPECT_EQ(New[2][4], "7.50");
  EXPECT_EQ(New[4][4], "3");
  // A subtract column sends the negated difference.
  const auto S = Defs({{"Qty", "", "Subtract", "Stock"}});
  EXPECT_EQ(BuildLineUpdate(Input(Grid, S), 1, {"11", "8", "", "", ""})[1][4], "-3");
}

// A line edited on a desktop with a decimal comma sends the server what it sends under the C
// locale: amounts and totals with a point.
TEST(GridLineCommand, ALineEditSendsTheSameFiguresUnderADecimalCommaLocale) {
  const TCellRows Grid{{"LINE ID", "Qty", "Price"}, {"11", "5", "2.50"}, {"12", "1.5", "4.25"}, {"", "", ""}};
  const auto D = Defs({{"Qty", "", "add", "Stock"}, {"Price", "", "total", "Stock"}});
  auto edits = [&] {
    return std::vector<TCellRows>{BuildLineUpdate(Input(Grid, D), 1, {"11", "7.5", "3.75"}),
                                  BuildLineUpdate(Input(Grid, D), -1, {"NEW", "2.5", "0.5"}),
                                  BuildLineRemoval(Input(Grid, D), 2)};
  };
  const std::vector<TCellRows> plain = edits();
  EXPECT_EQ(plain[0][1][4], "2");      // 7.5 - 5 = 2.50, rounded half to even
  EXPECT_EQ(plain[0][2][4], "8.00");   // 6.75 + 3.75 - 2.50
  EXPECT_EQ(plain[1][2][4], "7.25");   // 6.75 + 0.5
  EXPECT_EQ(plain[2][1][4], "-2");     // -1.5 rounded half to even
  EXPECT_EQ(plain[2][2][4], "2.50");
  TDecimalCommaLocale comma;
  ASSERT_TRUE(comma.Active()) << "no decimal-comma locale could be made";
  EXPECT_EQ(edits(), plain);
}

TEST(GridLineCommand, RemovalUndoesTheLine) {
  const TCellRows Grid{{"LINE ID", "Qty", "Price", "Count"}, {"11", "5", "2.50", "1"}, {"", "", "", ""}};
  const auto D = Defs({{"Qty", "", "add", "Stock"}, {"Price", "", "total", "Stock"}, {"Count", "", "line total", "Stock"}});
  const TCellRows R = BuildLineRemoval(Input(Grid, D), 1);
  ASSERT_EQ(R.size(), 4u);
  EXPECT_EQ(R[0][1], "3Remove");
  EXPECT_EQ(R[0][2], "11");
  EXPECT_EQ(R[0].size(), 6u);
  EXPECT_EQ(R[1], (std::vector<std::string>{"AB12", "Add", "11", "4", "-5", ""}));
  EXPECT_EQ(R[2][4], "0.00");
  EXPECT_EQ(R[3][2], "");
  EXPECT_EQ(R[3][4], "0");  // the only line removed
}

TEST(GridLineCommand, ChecksRefuseWhatTheServerCannotTake) {
  TCellRows Good{{"AB12", "3", "", "v"}, {"AB12", "Add", "", "4", "-12"}};
  EXPECT_EQ(CheckLineCommand(Good), "");
  auto Bad = Good;
  Bad[0][0] = "AB12;x";
  EXPECT_NE(CheckLineCommand(Bad), "");
  Bad = Good;
  Bad[1][4] = "99999999999";  // no 32-bit whole number
  EXPECT_NE(CheckLineCommand(Bad).find("whole number"), std::string::npos);
  Bad = Good;
  Bad[0][2] = "12a";
  EXPECT_NE(CheckLineCommand(Bad), "");
  Bad = Good;
  Bad[1][3] = "x";
  EXPECT_NE(CheckLineCommand(Bad), "");
  TCellRows Huge(700000, std::vector<std::string>{"AB12", "Copy", "", "4", "1"});
  EXPECT_NE(CheckLineCommand(Huge).find("too many"), std::string::npos);
  // The body is the grid stream wrapper: columns, rows, then the grid text.
  const std::string Body = LineCommandBody(Good);
  TValueReader Reader(Body);
  EXPECT_EQ(Reader.ReadInteger(), 5);
  EXPECT_EQ(Reader.ReadInteger(), 2);
}

TEST(GridLineCommand, Guards) {
  // No lines: nothing but Insert.
  EXPECT_FALSE(TGridLineCommands::CanEdit(2, 1, false));
  EXPECT_FALSE(TGridLineCommands::CanRemove(2, 1, false));
  EXPECT_FALSE(TGridLineCommands::CanMoveUp(2, 1, false));
  EXPECT_FALSE(TGridLineCommands::CanMoveDown(2, 1, false));
  // The trailing empty row.
  EXPECT_FALSE(TGridLineCommands::CanEdit(4, 3, false));
  EXPECT_FALSE(TGridLineCommands::CanRemove(4, 3, false));
  EXPECT_TRUE(TGridLineCommands::CanEdit(4, 2, false));
  EXPECT_FALSE(TGridLineCommands::CanEdit(4, 2, true));
  // First line up, last line down.
  EXPECT_FALSE(TGridLineCommands::CanMoveUp(4, 1, false));
  EXPECT_TRUE(TGridLineCommands::CanMoveUp(4, 2, false));
  EXPECT_FALSE(TGridLineCommands::CanMoveDown(4, 2, false));
  EXPECT_TRUE(TGridLineCommands::CanMoveDown(4, 1, false));
}

// ---- Against the dispatcher ----------------------------------------------------------------------

class GridLineServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    Root = TestFolder("lines");
    Served = std::make_unique<TServedDatabase>(Root);
    Window = std::make_unique<TRecordWindow>(Served->Session, View);
    ASSERT_TRUE(Window->OpenDatabase(nullptr));
    Window->Buffers.Configuration.DetailNames[4] = "Stock";
    Window->Buffers.ConfigMask.Set(ConfigMask::DetailNames, 4);
    ASSERT_TRUE(Window->SaveServerConfiguration());
    Commands = std::make_unique<TGridLineCommands>(*Window);
    Commands->GridInput = [this](int) {
      TLineCommandInput In;
      In.RecordCode = Window->Number();
      In.GridNumber = 3;
      In.Grid = Shown();
      In.Defs = Defs({{"Qty", "", "add", "Stock"}, {"Item", "", "", ""}});
      In.FieldNumber = [this](const std::string& C) { return Window->ReturnFieldString(C); };
      return In;
    };
    Commands->ReadOnly = [this] { return View.Editors.ReadOnly; };
  }
  // Grid 3 as the record shows it.
  TCellRows Shown() {
    TQnStringGrid G(nullptr);
    G.SetFixedRows(0);
    G.SetColCount(3);
    G.SetRowCount(std::max(View.Editors.Grid3Rows, 2));
    TMemoryStream S;
    S.WriteBuffer(View.Editors.Grid3.data(), static_cast<long>(View.Editors.Grid3.size()));
    S.SetPosition(0);
    if (!View.Editors.Grid3.empty()) G.LoadFromStream(S);
    TCellRows Rows;
    for (int r = 0; r < G.RowCount(); ++r) {
      Rows.emplace_back();
      for (int c = 0; c < G.ColCount(); ++c) Rows.back().push_back(G.Cells(c, r));
    }
    return Rows;
  }
  void TearDown() override {
    Commands.reset();
    Window.reset();
    Served.reset();
    fs::remove_all(Root);
  }
  fs::path Root;
  std::unique_ptr<TServedDatabase> Served;
  TModelView View;
  std::unique_ptr<TRecordWindow> Window;
  std::unique_ptr<TGridLineCommands> Commands;
};

TEST_F(GridLineServerTest, InsertEditMoveRemoveChangeTheLinkedDetail) {
  // Insert: the editor sends a new line of 5; the detail grows by 5.
  Commands->OpenRowEditor = [this](int Grid, int Row) {
    return Commands->SendRowEditor(Grid, Row, {"NEW", "5", "bolts"});
  };
  Commands->InsertClick(3);
  EXPECT_EQ(View.Editors.Details[4], "5");
  Commands->OpenRowEditor = [this](int Grid, int Row) {
    return Commands->SendRowEditor(Grid, Row, {"NEW", "2", "nuts"});
  };
  Commands->InsertClick(3);
  EXPECT_EQ(View.Editors.Details[4], "7");
  TCellRows G = Shown();
  ASSERT_EQ(G.size(), 4u);
  EXPECT_EQ(G[2][2], "nuts");
  // Edit line 1 from 5 to 8: +3.
  Commands->OpenRowEditor = [&](int Grid, int Row) {
    return Commands->SendRowEditor(Grid, Row, {G[1][0], "8", "bolts"});
  };
  Commands->EditClick(3, 1);
  EXPECT_EQ(View.Editors.Details[4], "10");
  EXPECT_EQ(Shown()[1][1], "8");
  // Move the second line up.
  int Selected = -1;
  Commands->SelectRow = [&](int, int Row) { Selected = Row; };
  Commands->MoveClick(3, 2, true);
  EXPECT_EQ(Selected, 1);
  EXPECT_EQ(Shown()[1][2], "nuts");
  // Remove "nuts" (now row 1): its 2 are taken back.
  TCheckedModalScript Script;
  Script.ExpectMessage("delete the selected line", mrYes);
  Commands->RemoveClick(3, 1);
  EXPECT_EQ(View.Editors.Details[4], "8");
  ASSERT_EQ(Shown().size(), 3u);
  EXPECT_EQ(Shown()[1][2], "bolts");
}

// An amount typed with a decimal comma is told where it is typed, and nothing is sent: "99,95"
// was added to the linked detail as 9995.
TEST_F(GridLineServerTest, AnAmountThatDoesNotReadIsToldInTheEditorAndNotSent) {
  int Tries = 0;
  Commands->OpenRowEditor = [&](int Grid, int Row) {
    ++Tries;
    return Commands->SendRowEditor(Grid, Row, {"NEW", Tries == 1 ? "99,95" : "1,000", "x"});
  };
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("The value \"99,95\" of Qty is not an amount as this program reads numbers", mrOk);
    Served->Recorder.Clear();
    Commands->InsertClick(3);
    for (const auto& V : Served->Recorder.Verbs()) EXPECT_NE(V, "X");
  }
  EXPECT_EQ(View.Editors.Details[4], "");
  // Grouped in threes it is an amount, and is added.
  Commands->InsertClick(3);
  EXPECT_EQ(View.Editors.Details[4], "1000");
  // Only amounts are read: a money column, or one added, subtracted or totalled.
  const auto D = Defs({{"Note", "", "copy", "Stock"}, {"Cost", "Money", "", ""}, {"Qty", "", "Subtract", "Stock"}});
  const TLineCommandInput In = Input({{"LINE ID", "Note", "Cost", "Qty"}}, D);
  EXPECT_EQ(UnreadableLineAmount(In, {"NEW", "1,5", "$1,234.50", "2"}), "");
  EXPECT_EQ(UnreadableLineAmount(In, {"NEW", "", "", " "}), "");
  EXPECT_NE(UnreadableLineAmount(In, {"NEW", "", "12,50", ""}).find("\"12,50\" of Cost"), std::string::npos);
  EXPECT_NE(UnreadableLineAmount(In, {"NEW", "", "", "1.000,5"}).find("of Qty"), std::string::npos);
}

TEST_F(GridLineServerTest, RefusedAndReadOnlyCommandsChangeNothing) {
  // An amount beyond a whole number the server adds is refused before anything is sent.
  Commands->OpenRowEditor = [this](int Grid, int Row) {
    return Commands->SendRowEditor(Grid, Row, {"NEW", "99999999999", "x"});
  };
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("could not be sent", mrOk);
    Served->Recorder.Clear();
    Commands->InsertClick(3);
    for (const auto& V : Served->Recorder.Verbs()) EXPECT_NE(V, "X");
  }
  EXPECT_EQ(Shown().size(), 2u);
  EXPECT_EQ(View.Editors.Details[4], "");
  // Read only: the editor never opens, no line command goes.
  View.Editors.ReadOnly = true;
  bool Opened = false;
  Commands->OpenRowEditor = [&](int, int) { return Opened = true; };
  Served->Recorder.Clear();
  Commands->InsertClick(3);
  Commands->EditClick(3, 1);
  Commands->RemoveClick(3, 1);
  EXPECT_FALSE(Opened);
  for (const auto& V : Served->Recorder.Verbs()) EXPECT_TRUE(V[0] == 'S' || V == "CL" || V[0] == 'G') << V;
}
