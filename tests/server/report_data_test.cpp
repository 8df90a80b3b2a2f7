#include "server/report_data.h"
#include "tests/server/handler_fixture.h"

namespace {

class ReportTest : public HandlerTest {
protected:
  void SetUp() override {
    Database.Config.DescriptionNames[1] = "Colour";
    ItemRecord& A = AddRecord("AAAAAAAA", "Anvil");
    A.Descriptions[1] = "Red";
    A.Descriptions[0] = "Europe: France";
    A.Details[9] = "d10";
    A.Memos[0] = {"first", "second"};
    A.Others[5] = "o6";
    ItemRecord& B = AddRecord("BBBBBBBB", "Bolt");
    B.Descriptions[1] = "Colour: red";
    ItemRecord& C = AddRecord("CCCCCCCC", "Cog");
    C.Descriptions[1] = "Blue";
  }

  std::string Report(const std::string& Body) { return Run(GenerateReport, Body); }
  std::string Graph(const std::string& Body) { return Run(SendGraphData, Body); }
};

TEST_F(ReportTest, ColumnsByCodeBelowTheCaptions) {
  TQnStringGrid G(nullptr);
  ParseGrid(Report(GridText(7, 2, {{0, 0, "Code"}, {1, 0, "Name"}, {2, 0, "Region"}, {3, 0, "Memo"},
                                   {4, 0, "D10"}, {5, 0, "O6"}, {6, 0, "None"},
                                   {0, 1, "220"}, {1, 1, "230"}, {2, 1, "10"}, {3, 1, "210"},
                                   {4, 1, "200"}, {5, 1, "290"}, {6, 1, "215"}})),
            G);
  ASSERT_EQ(G.ColCount(), 7);
  ASSERT_EQ(G.RowCount(), 4);
  EXPECT_EQ(G.Cells(0, 0), "Code");
  EXPECT_EQ(G.Cells(6, 0), "None");
  EXPECT_EQ(G.Cells(0, 1), "AAAAAAAA");
  EXPECT_EQ(G.Cells(1, 1), "Anvil");
  EXPECT_EQ(G.Cells(2, 1), "Europe");
  EXPECT_EQ(G.Cells(3, 1), "first");
  EXPECT_EQ(G.Cells(4, 1), "d10");
  EXPECT_EQ(G.Cells(5, 1), "o6");
  EXPECT_EQ(G.Cells(6, 1), "");
  EXPECT_EQ(G.Cells(0, 2), "BBBBBBBB");
  EXPECT_EQ(G.Cells(3, 2), "");  // memo 1 empty: an empty text, not a failure
  EXPECT_EQ(G.Cells(1, 3), "Cog");
}

TEST(ReportValue, EveryCodeRange) {
  ItemRecord R;
  for (int i = 0; i < 10; ++i) {
    R.Descriptions[static_cast<std::size_t>(i)] = "d" + std::to_string(i) + ":tail";
    R.Details[static_cast<std::size_t>(i)] = "t" + std::to_string(i);
  }
  for (int i = 0; i < 6; ++i) R.Others[static_cast<std::size_t>(i)] = "o" + std::to_string(i);
  EXPECT_EQ(ReportValue(R, 10), "d0");
  EXPECT_EQ(ReportValue(R, 100), "d9");
  EXPECT_EQ(ReportValue(R, 110), "t0");
  EXPECT_EQ(ReportValue(R, 200), "t9");
  EXPECT_EQ(ReportValue(R, 240), "o0");
  EXPECT_EQ(ReportValue(R, 290), "o5");
  EXPECT_EQ(ReportValue(R, 0), "");
  EXPECT_EQ(ReportValue(R, 300), "");
  EXPECT_EQ(ReportValue(R, -10), "");
  EXPECT_EQ(ReportValue(R, 11), "");
}

TEST_F(ReportTest, BadReportBodyIsReportedAndAnEmptyTableSent) {
  const std::string Reply = Report("x,y\r\n");
  EXPECT_EQ(Reply.rfind("<HTML>Error in Report: 5</HTML>\r\n", 0), 0u);
  TQnStringGrid G(nullptr);
  ParseGrid(Reply.substr(Reply.find("</HTML>\r\n") + 9), G);
  EXPECT_EQ(G.ColCount(), 2);
  EXPECT_EQ(G.RowCount(), 4);
}

TEST_F(ReportTest, GraphCountsValuesAndTrailingCategoriesWithoutCase) {
  TQnStringGrid G(nullptr);
  ParseGrid(Graph(GridText(1, 5, {{0, 0, "Colour"}, {0, 1, "2"}, {0, 2, "RED"}, {0, 3, "blue"}, {0, 4, "green"}})), G);
  ASSERT_EQ(G.RowCount(), 4);
  EXPECT_EQ(G.Cells(0, 0), "3");
  EXPECT_EQ(G.Cells(0, 1), "2");
  EXPECT_EQ(G.Cells(0, 2), "1");
  EXPECT_EQ(G.Cells(0, 3), "0");
}

TEST_F(ReportTest, GraphOutsideTheDescriptionsOrUnderAnotherCaptionCountsNothing) {
  TQnStringGrid G(nullptr);
  ParseGrid(Graph(GridText(1, 4, {{0, 0, "Colour"}, {0, 1, "11"}, {0, 2, "Red"}, {0, 3, "Blue"}})), G);
  ASSERT_EQ(G.RowCount(), 3);
  EXPECT_EQ(G.Cells(0, 0), "3");
  EXPECT_EQ(G.Cells(0, 1), "0");
  EXPECT_EQ(G.Cells(0, 2), "0");
  ParseGrid(Graph(GridText(1, 3, {{0, 0, "Size"}, {0, 1, "2"}, {0, 2, "Red"}})), G);
  EXPECT_EQ(G.Cells(0, 1), "0");
}

TEST_F(ReportTest, GraphWithABadDescriptionNumberOrTooManyCategoriesFails) {
  EXPECT_THROW(Graph(GridText(1, 3, {{0, 0, "Colour"}, {0, 1, "two"}, {0, 2, "Red"}})), EConvertError);
  std::vector<TCell> Cells = {{0, 0, "Colour"}, {0, 1, "2"}};
  EXPECT_EQ(Graph(GridText(1, 1004, Cells)), "<HTML>Error in Graph Request</HTML>\r\n");
  // A body that is no grid leaves no description number either.
  EXPECT_THROW(Graph("bad"), EConvertError);
  EXPECT_EQ(Request->Reply, "<HTML>Error in Graph Request</HTML>\r\n");
}

}  // namespace
