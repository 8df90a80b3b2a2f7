#include <set>

#include "platform/rtl/sysutils.h"
#include "server/grid_line_updates.h"
#include "tests/server/handler_fixture.h"

namespace {

class GridLinesTest : public HandlerTest {
protected:
  void SetUp() override {
    Database.Config.Grid3Columns = 3;
    Database.Config.Grid4Columns = 2;
    ItemRecord& A = AddRecord("AAAAAAAA", "Anvil");
    // Grid 3: header, lines 11 and 22, empty last row.
    A.Grid3 = GridText(4, 4, {{1, 0, "Qty"}, {0, 1, "11"}, {1, 1, "one"}, {0, 2, "22"}, {1, 2, "two"}});
    A.Grid3Rows = 4;
    A.Grid4 = GridText(3, 3, {{0, 1, "7"}, {1, 1, "x"}, {2, 1, "y"}});
    A.Grid4Rows = 3;
    A.Details[0] = "5";
    ItemRecord& B = AddRecord("BBBBBBBB", "Bolt");
    B.Grid4 = GridText(3, 4, {{0, 1, "8"}, {1, 1, "p"}, {0, 2, "9"}, {1, 2, "q"}});
    B.Grid4Rows = 4;
  }

  // The body of "X": column count, row count, Chars block of the command rows.
  static std::string Batch(int Cols, const std::vector<std::vector<std::string>>& Rows) {
    std::vector<TCell> Cells;
    for (int r = 0; r < static_cast<int>(Rows.size()); ++r)
      for (int c = 0; c < static_cast<int>(Rows[static_cast<std::size_t>(r)].size()); ++c)
        if (!Rows[r][c].empty()) Cells.push_back({c, r, Rows[r][c]});
    std::string Body;
    TValueWriter W(Body);
    W.WriteInteger(Cols);
    W.WriteInteger(static_cast<int>(Rows.size()));
    W.WriteChars(GridText(Cols + 1, static_cast<int>(Rows.size()), Cells));
    return Body;
  }

  std::string Update(const std::string& Body) {
    return Run([this](const THandlerContext& C) { Updates.UpdateGrid(C); }, Body);
  }
  std::string Summary(const std::string& Command, const std::string& Body) {
    return Run([&](const THandlerContext& C) { Updates.GenerateGridSummary(C, Command); }, Body);
  }

  void Grid(int Index, TRecordGrid Which, TQnStringGrid& Out) {
    PrepareWorkGrid(Out);
    LoadRecordGrid(Database, std::as_const(Database).Record(Index), Which, Out);
  }

  TGridLineUpdates Updates{12345};
};

const std::vector<std::string> Header = {"<HTML>", "Stream Read", "Cols6", "Rows1", "Grid Loaded",
                                         "Buffer Grid Loaded"};

std::vector<std::string> WithHeader(std::vector<std::string> Tail, int Rows = 1) {
  std::vector<std::string> Out = Header;
  Out[3] = "Rows" + std::to_string(Rows);
  Out.insert(Out.end(), Tail.begin(), Tail.end());
  return Out;
}

TEST_F(GridLinesTest, UpdatesAnExistingLineInPlace) {
  const auto Reply = Update(Batch(6, {{"AAAAAAAA", "3", "22", "2", "new"}}));
  EXPECT_EQ(Lines(Reply), WithHeader({"Grid 3 Update Sucessful</HTML>"}));
  TQnStringGrid G(nullptr);
  Grid(0, TRecordGrid::Grid3, G);
  EXPECT_EQ(G.RowCount(), 4);
  EXPECT_EQ(G.Cells(1, 2), "2");
  EXPECT_EQ(G.Cells(2, 2), "new");
  EXPECT_EQ(G.Cells(1, 1), "one");
  EXPECT_EQ(Saves, 1);
}

TEST_F(GridLinesTest, UnknownLineIsAppendedUnderANewOrTheSentID) {
  Update(Batch(6, {{"AAAAAAAA", "3", "999", "a"}, {"AAAAAAAA", "3UPDATELINE", "555", "b"}}));
  TQnStringGrid G(nullptr);
  Grid(0, TRecordGrid::Grid3, G);
  ASSERT_EQ(G.RowCount(), 6);
  EXPECT_EQ(std::as_const(Database).Record(0).Grid3Rows, 6);
  // The random ID is none of the others and a number below 100000.
  const std::string Fresh = G.Cells(0, 3);
  EXPECT_NE(Fresh, "999");
  EXPECT_NE(Fresh, "11");
  EXPECT_NE(Fresh, "22");
  EXPECT_LT(StrToInt(Fresh), 100000);
  EXPECT_EQ(G.Cells(1, 3), "a");
  EXPECT_EQ(G.Cells(0, 4), "555");
  EXPECT_EQ(G.Cells(1, 4), "b");
  for (int c = 0; c < G.ColCount(); ++c) EXPECT_EQ(G.Cells(c, 5), "") << c;
}

TEST_F(GridLinesTest, ValuesBeyondTheConfiguredColumnsAreDropped) {
  // Grid 4 has 2 value columns: the third value sent has nowhere to go.
  Update(Batch(6, {{"AAAAAAAA", "4", "7", "u", "v", "w"}}));
  TQnStringGrid G(nullptr);
  Grid(0, TRecordGrid::Grid4, G);
  EXPECT_EQ(G.ColCount(), 3);
  EXPECT_EQ(G.Cells(1, 1), "u");
  EXPECT_EQ(G.Cells(2, 1), "v");
}

TEST_F(GridLinesTest, RemoveAddCopyAndLastLineID) {
  const auto Reply = Update(Batch(6, {{"BBBBBBBB", "4Remove", "8"},
                                      {"AAAAAAAA", "Add", "", "0", "3"},
                                      {"AAAAAAAA", "Copy", "", "21", "+50%"},
                                      {"BBBBBBBB", "LastLineID", "", "27", "4"},
                                      {"AAAAAAAA", "LastLineID", "", "1", "3"}}));
  EXPECT_EQ(Lines(Reply), WithHeader({"Grid 4 Remove Sucessful</HTML>", "AT ADD 5",
                                      "Grid 4 Add Sucessful</HTML>", "Grid 4 Copy Sucessful</HTML>",
                                      "Grid Internal Line ID Sucessful</HTML>",
                                      "Grid Internal Line ID Sucessful</HTML>"},
                                     5));
  const ItemRecord& A = std::as_const(Database).Record(0);
  const ItemRecord& B = std::as_const(Database).Record(1);
  EXPECT_EQ(A.Details[0], "8");
  EXPECT_EQ(A.Others[0], "+50%");
  EXPECT_EQ(A.Details[1], "22");
  EXPECT_EQ(B.Name, "9");  // line 8 removed: line 9 is the last one
  EXPECT_EQ(B.Grid4Rows, 3);
  EXPECT_EQ(Saves, 1);  // the batch is saved once, at its end, removals included
}

// One batch of many commands on the same grids: each command sees what the ones before it did,
// as if the grid were loaded and stored for each.
TEST_F(GridLinesTest, ABatchOnOneGridSeesItsOwnChanges) {
  std::vector<std::vector<std::string>> Rows;
  for (int i = 0; i < 3000; ++i) Rows.push_back({"AAAAAAAA", "3UPDATELINE", "L" + std::to_string(i), "v" + std::to_string(i)});
  Rows.push_back({"AAAAAAAA", "3", "L5", "again"});    // updates the line added above
  Rows.push_back({"AAAAAAAA", "3Remove", "L2999"});    // the last line goes
  Rows.push_back({"AAAAAAAA", "3Remove", "11"});       // a line loaded from the record goes
  Rows.push_back({"AAAAAAAA", "LastLineID", "", "27", "3"});
  Rows.push_back({"AAAAAAAA", "3", "", "fresh"});      // a new line under a new ID
  Rows.push_back({"AAAAAAAA", "3UPDATELINE", "L2999", "back"});  // removed, so appended again
  Rows.push_back({"BBBBBBBB", "4UPDATELINE", "9", "Q"});
  const auto L = Lines(Update(Batch(6, Rows)));
  EXPECT_EQ(L.size(), Header.size() + Rows.size());
  EXPECT_EQ(Saves, 1);
  const ItemRecord& A = std::as_const(Database).Record(0);
  EXPECT_EQ(A.Name, "L2998");
  TQnStringGrid G(nullptr);
  Grid(0, TRecordGrid::Grid3, G);
  // Header, line 22, L0-L2998, the fresh line, L2999 again, the empty last row.
  ASSERT_EQ(G.RowCount(), 1 + 1 + 2999 + 2 + 1);
  EXPECT_EQ(A.Grid3Rows, G.RowCount());
  EXPECT_EQ(G.Cells(1, 0), "Qty");
  EXPECT_EQ(G.Cells(0, 1), "22");
  EXPECT_EQ(G.Cells(0, 2), "L0");
  EXPECT_EQ(G.Cells(1, 7), "again");
  EXPECT_EQ(G.Cells(0, 3000), "L2998");
  const std::string Fresh = G.Cells(0, 3001);
  EXPECT_LT(StrToInt(Fresh), 100000);
  EXPECT_EQ(G.Cells(1, 3001), "fresh");
  EXPECT_EQ(G.Cells(0, 3002), "L2999");
  EXPECT_EQ(G.Cells(1, 3002), "back");
  EXPECT_EQ(G.Cells(0, 3003), "");
  Grid(1, TRecordGrid::Grid4, G);
  EXPECT_EQ(G.Cells(1, 2), "Q");
}

TEST_F(GridLinesTest, ABatchBeyondTheBoundIsRefusedWhole) {
  std::vector<std::vector<std::string>> Rows(MaxLineCommands + 1, {"AAAAAAAA", "3", "11", "x"});
  auto L = Lines(Update(Batch(6, Rows)));
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  // A grid text that claims fewer rows than it holds is refused as well.
  std::string Body;
  TValueWriter W(Body);
  W.WriteInteger(6);
  W.WriteInteger(1);
  W.WriteChars(GridText(7, MaxLineCommands + 1, {{0, MaxLineCommands, "AAAAAAAA"}, {1, MaxLineCommands, "3"}}));
  L = Lines(Update(Body));
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  EXPECT_EQ(Saves, 0);
  EXPECT_EQ(std::as_const(Database).Record(0).Grid3Rows, 4);
}

TEST_F(GridLinesTest, RowsForUnknownRecordsOrOperationsAnswerNothing) {
  const auto Reply = Update(Batch(6, {{"ZZZZZZZZ", "3", "11", "x"}, {"AAAAAAAA", "Nope", "11"}}));
  EXPECT_EQ(Lines(Reply), WithHeader({}, 2));
  TQnStringGrid G(nullptr);
  Grid(0, TRecordGrid::Grid3, G);
  EXPECT_EQ(G.Cells(1, 1), "one");
}

TEST_F(GridLinesTest, BadBatchesEndInTheErrorLineAndAreNotSaved) {
  std::string Truncated = Batch(6, {{"AAAAAAAA", "3", "11", "x"}});
  Truncated.resize(Truncated.size() - 5);
  auto L = Lines(Update(Truncated));
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  EXPECT_EQ(L.size(), 5u);  // the counts were read, the block was not

  std::string Huge;
  TValueWriter W(Huge);
  W.WriteInteger(100000);
  W.WriteInteger(100000);
  W.WriteChars("1,1\r\n");
  EXPECT_EQ(Lines(Update(Huge)).back(), "Error in Grid Save</HTML>");

  EXPECT_EQ(Saves, 0);

  // A field code that is not a number stops the batch; the earlier row, answered as done, is
  // saved.
  L = Lines(Update(Batch(6, {{"AAAAAAAA", "Copy", "", "21", "kept"}, {"AAAAAAAA", "Copy", "", "x", "v"}})));
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  EXPECT_EQ(std::as_const(Database).Record(0).Others[0], "kept");
  EXPECT_EQ(Saves, 1);
  // A first row that fails leaves nothing to save.
  L = Lines(Update(Batch(6, {{"AAAAAAAA", "Copy", "", "x", "v"}, {"AAAAAAAA", "Copy", "", "21", "not reached"}})));
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  EXPECT_EQ(std::as_const(Database).Record(0).Others[0], "kept");
  EXPECT_EQ(Saves, 1);

  FailSave = true;
  EXPECT_EQ(Lines(Update(Batch(6, {{"AAAAAAAA", "Copy", "", "21", "v"}}))).back(),
            "Error in Grid Save</HTML>");
}

// A row that fails stops the batch; the grid lines before it, whose success lines went out,
// stay in their records and are saved.
TEST_F(GridLinesTest, LinesBeforeAFailingRowStayInTheirRecords) {
  const auto L = Lines(Update(Batch(6, {{"AAAAAAAA", "3", "22", "2", "new"},
                                        {"BBBBBBBB", "4UPDATELINE", "55", "z"},
                                        {"AAAAAAAA", "Copy", "", "x", "v"}})));
  ASSERT_EQ(L.size(), Header.size() + 3);
  EXPECT_EQ(L[Header.size()], "Grid 3 Update Sucessful</HTML>");
  EXPECT_EQ(L[Header.size() + 1], "Grid 4 Update Sucessful</HTML>");
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  TQnStringGrid G(nullptr);
  Grid(0, TRecordGrid::Grid3, G);
  EXPECT_EQ(G.Cells(2, 2), "new");
  Grid(1, TRecordGrid::Grid4, G);
  ASSERT_EQ(G.RowCount(), 5);
  EXPECT_EQ(G.Cells(0, 3), "55");
  EXPECT_EQ(G.Cells(1, 3), "z");
  EXPECT_EQ(Saves, 1);
}

TEST(NewLineID, AvoidsTakenIDsAndFindsTheLastFreeOne) {
  TQnStringGrid G(nullptr);
  PrepareWorkGrid(G);
  G.SetColCount(1);
  G.SetRowCount(100001);
  // Every ID but 4242 taken.
  for (int i = 0, Row = 1; i < 100000; ++i)
    if (i != 4242) G.SetCells(0, Row++, std::to_string(i));
  std::mt19937 Random(1);
  EXPECT_EQ(NewLineID(G, Random), "4242");
  G.SetCells(0, 100000, "4242");
  EXPECT_THROW(NewLineID(G, Random), Exception);
}

TEST_F(GridLinesTest, SummaryOfAllListsEveryLineInOrder) {
  TQnStringGrid G(nullptr);
  ParseGrid(Summary("B4", "All\r\n"), G);
  ASSERT_EQ(G.ColCount(), 4);
  ASSERT_EQ(G.RowCount(), 5);  // empty row 0, three lines, empty last row
  EXPECT_EQ(G.Cells(0, 1), "AAAAAAAA");
  EXPECT_EQ(G.Cells(1, 1), "Anvil");
  EXPECT_EQ(G.Cells(2, 1), "x");
  EXPECT_EQ(G.Cells(3, 1), "y");
  EXPECT_EQ(G.Cells(0, 2), "BBBBBBBB");
  EXPECT_EQ(G.Cells(2, 2), "p");
  EXPECT_EQ(G.Cells(2, 3), "q");
  EXPECT_EQ(G.Cells(0, 4), "");
}

TEST_F(GridLinesTest, SummaryOfListedCodesOnly) {
  TQnStringGrid G(nullptr);
  ParseGrid(Summary("B3", "BBBBBBBB\r\nAAAAAAAA\r\nAAAAAAAA\r\n"), G);
  EXPECT_EQ(G.ColCount(), 5);
  ASSERT_EQ(G.RowCount(), 4);  // B has no grid 3 lines
  EXPECT_EQ(G.Cells(2, 1), "one");
  EXPECT_EQ(G.Cells(2, 2), "two");
  ParseGrid(Summary("B4", "BBBBBBBB"), G);
  EXPECT_EQ(G.RowCount(), 4);
  EXPECT_EQ(G.Cells(0, 1), "BBBBBBBB");
}

TEST_F(GridLinesTest, SummaryWithAnEmptyBodyFails) {
  EXPECT_THROW(Summary("B4", ""), Exception);
}

}  // namespace
