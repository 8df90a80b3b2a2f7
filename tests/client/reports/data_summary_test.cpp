#include "client/reports/data_summary.h"

#include "client/reports/data_summary_forms.h"
#include "client/reports/report_windows.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/std_buttons.h"

#include "platform/headless/headless_modal.h"
#include "reports_fixture.h"

namespace {

// A grid in the record grid layout: header, lines, one empty last row.
void FillGrid(TQnStringGrid& G, const std::vector<std::vector<std::string>>& Lines) {
  G.SetColCount(4);
  G.SetRowCount(static_cast<int>(Lines.size()) + 2);
  const char* H[] = {"ID", "Date", "Colour", "Amount"};
  for (int c = 0; c < 4; ++c) G.SetCells(c, 0, H[c]);
  for (std::size_t r = 0; r < Lines.size(); ++r)
    for (std::size_t c = 0; c < Lines[r].size(); ++c) G.SetCells(static_cast<int>(c), static_cast<int>(r) + 1, Lines[r][c]);
}

struct DataSummaryTest : ::testing::Test {
  void SetUp() override {
    InstallHeadlessBackend();
    FillGrid(Source, {{"1", "2020/01/05", "Red", "10"},
                      {"2", "2020/02/01", "red", "$4.50"},
                      {"3", "2020/03/01", "Blue", "abc"},
                      {"4", "2020/04/01", "Blue", "-2"}});
    Summary.ColumnKinds[1] = "Date";
    Summary.ColumnKinds[2] = "Text";
    Summary.ColumnKinds[3] = "Money";
    Summary.DateFormat = "yyyy/mm/dd";
    Summary.FormActivate();
  }
  TQnStringGrid Source{nullptr};
  TDataSummary Summary{Source};
};

TEST_F(DataSummaryTest, CombosFollowTheColumnKinds) {
  ASSERT_EQ(Summary.DateFields.size(), 1u);
  EXPECT_EQ(Summary.DateFields[0], (std::pair<std::string, int>{"Date", 1}));
  ASSERT_EQ(Summary.FilterFields.size(), 2u);
  EXPECT_EQ(Summary.FilterFields[0].first, "None");
  EXPECT_EQ(Summary.SummaryField, "Amount");
}

TEST_F(DataSummaryTest, GroupsIgnoreCaseAndFiguresMatch) {
  Summary.FilterField = "Colour";
  ASSERT_TRUE(Summary.FillSummaryGrid());
  ASSERT_EQ(Summary.Rows.size(), 2u);  // "Blue", and "Red" with "red"
  EXPECT_EQ(Summary.Rows[0], (std::array<std::string, 6>{"Blue", "0.00", "-2.00", "2", "-1.00", "-2.00"}));
  EXPECT_EQ(Summary.Rows[1], (std::array<std::string, 6>{"Red", "10.00", "4.50", "2", "7.25", "14.50"}));
  // No filter: one row over everything.
  Summary.FilterField = "None";
  ASSERT_TRUE(Summary.FillSummaryGrid());
  ASSERT_EQ(Summary.Rows.size(), 1u);
  EXPECT_EQ(Summary.Rows[0], (std::array<std::string, 6>{"None", "10.00", "-2.00", "4", "3.12", "12.50"}));
}

TEST_F(DataSummaryTest, DateRangeIsInclusiveAndAnEmptyRangeGivesNA) {
  Summary.FromDate = "2020/02/01";
  Summary.ToDate = "2020/03/01";
  ASSERT_TRUE(Summary.FillSummaryGrid());
  EXPECT_EQ(Summary.Rows[0][3], "2");
  EXPECT_EQ(Summary.Rows[0][5], "4.50");
  Summary.FromDate = "2021/01/01";
  Summary.ToDate = "2020/01/01";
  Summary.FilterField = "Colour";
  ASSERT_TRUE(Summary.FillSummaryGrid());
  for (const auto& R : Summary.Rows) {
    EXPECT_EQ(R[3], "0");
    EXPECT_EQ(R[4], "NA");
    EXPECT_EQ(R[5], "0.00");
  }
  // A summary field that is not one of its entries changes nothing.
  Summary.SummaryField = "Colour";
  const auto Before = Summary.Rows;
  EXPECT_FALSE(Summary.FillSummaryGrid());
  EXPECT_EQ(Summary.Rows, Before);
}

class GridDataSummaryTest : public ReportsTest {};

TEST_F(GridDataSummaryTest, TheWindowsFilterColumnHoldsTheLongestValue) {
  TQnStringGrid Source(nullptr);
  FillGrid(Source, {{"1", "2020/01/05", "Item 06 Hammer drill and case", "10"}, {"2", "2020/02/01", "Red", "4"}});
  TReportWindows Windows(Host);
  TDataSummaryForm Form(Windows, Source);
  Form.Logic().ColumnKinds[1] = "Date";
  Form.Logic().ColumnKinds[2] = "Text";
  Form.Logic().ColumnKinds[3] = "Money";
  Form.FormActivate();
  Form.FilterField->SetText("Colour");
  Form.FillSummaryGrid();
  TQnStringGrid& Grid = *Form.SummaryGrid;
  ASSERT_EQ(Grid.RowCount(), 3);
  EXPECT_EQ(Grid.Cells(0, 1), "Item 06 Hammer drill and case");
  EXPECT_GT(Grid.ColWidths(0), Grid.Canvas().TextWidth("Item 06 Hammer drill and case"));
  EXPECT_EQ(Grid.ColWidths(1), 70);
  EXPECT_EQ(Grid.Cells(3, 1), "1");
}



TEST_F(GridDataSummaryTest, LinesOfEveryRecordAndOfTheSearchList) {
  TQnStringGrid Grid(nullptr);
  TGridDataSummary G(Host, List, Grid);
  G.SourceHeaders = {"ID", "Count", "Part"};
  G.RecordTitle = "Name";
  Session->WriteDiagnostics = true;
  int Locks = 0, Unlocks = 0;
  Session->OnEnableForm = [&](bool E) { ++(E ? Unlocks : Locks); };
  ASSERT_TRUE(G.GetData());
  EXPECT_EQ(Locks, 1);
  EXPECT_EQ(Unlocks, 1);
  EXPECT_EQ(Recorder->Commands().back(), "B3:Test");
  EXPECT_EQ(Recorder->Requests.back().Body, "All\r\n");
  EXPECT_TRUE(fs::exists(Root / "Work" / "testdata.txt"));
  // Independently: every record has the one line of FillRecord.
  const auto Records = AllRecords();
  ASSERT_EQ(Grid.RowCount(), 42);  // one line each, the header and the empty last row
  EXPECT_EQ(Grid.Cells(1, 0), "Record Name");
  EXPECT_EQ(Grid.Cells(2, 0), "Count");
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(Grid.Cells(0, 1 + i), Records[static_cast<std::size_t>(i)].first);
    EXPECT_EQ(Grid.Cells(1, 1 + i), Records[static_cast<std::size_t>(i)].second);
    EXPECT_EQ(Grid.Cells(3, 1 + i), "Part " + std::to_string(i % 6));
  }

  // The search list's records only.
  List.Add(Records[5].first, Records[5].second);
  G.Scope = "Search";
  G.Grid3 = false;
  ASSERT_TRUE(G.GetData());
  EXPECT_EQ(Recorder->Commands().back(), "B4:Test");
  EXPECT_EQ(Recorder->Requests.back().Body, Records[5].first + "\r\n");

  // A failed request: the windows are enabled again and the grid keeps its headers.
  Recorder->Fail = true;
  G.Grid3 = true;
  EXPECT_FALSE(G.GetData());
  EXPECT_EQ(Unlocks, Locks);
  EXPECT_EQ(Grid.Cells(0, 0), "Record ID");
}

// The summary over the gathered lines offers each grid column under its own header: the lines
// carry the record code and name first, so grid column k is column k + 1.
TEST_F(GridDataSummaryTest, ItsSummaryOffersTheGridsColumnsUnderTheirHeaders) {
  Host.Captions.Grid3Headers = {"LINE ID", "When", "Count", "Part"};
  Host.Captions.Grid3Kinds = {"Text", "Date", "money", "Text"};
  TReportWindows Windows(Host);
  TGridDataSummaryForm Form(Windows, true, "All");
  Form.FormActivate();
  std::string Dates, Summed, Filters;
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Data Summary", [&](TCustomForm& F) {
      auto& D = dynamic_cast<TDataSummaryForm&>(F);
      D.FormActivate();
      Dates = D.DateField->Items().Text();
      Summed = D.SummaryField->Items().Text();
      Filters = D.FilterField->Items().Text();
      D.OKBtn->Click();
    });
    Form.GridSummaryBtnClick();
  }
  EXPECT_EQ(Dates, "When\r\n");
  EXPECT_EQ(Summed, "Count\r\n");
  EXPECT_EQ(Filters, "None\r\nRecord Name\r\nPart\r\n");
}

TEST_F(GridDataSummaryTest, FindWrapsRowsAndReportsTheEnd) {
  TQnStringGrid Grid(nullptr);
  Grid.SetColCount(3);
  Grid.SetRowCount(3);
  Grid.SetCells(2, 0, "alpha");
  Grid.SetCells(0, 1, "Beta");
  Grid.SetCells(2, 1, "beta two");
  TGridDataSummary G(Host, List, Grid);
  G.FindCol = 2;
  G.FindRow = 0;
  EXPECT_TRUE(G.Find("beta", true, false, false));  // from the last cell of row 0 on to row 1
  EXPECT_EQ(G.FindRow, 1);
  EXPECT_EQ(G.FindCol, 1);
  EXPECT_TRUE(G.Find("beta", true, false, false));
  EXPECT_EQ(G.FindCol, 3);
  EXPECT_FALSE(G.Find("beta", true, false, false));
  // Whole word and match case.
  G.FindCol = 0;
  G.FindRow = 0;
  EXPECT_FALSE(G.Find("beta", true, true, true));
  G.FindCol = 0;
  G.FindRow = 0;
  EXPECT_TRUE(G.Find("Beta", true, true, true));
  // Backwards from the end.
  G.FindCol = 2;
  G.FindRow = 2;
  EXPECT_TRUE(G.Find("alpha", false, false, false));
  EXPECT_EQ(G.FindRow, 0);
}

}  // namespace
