#include "client/reports/reminder_report.h"

#include "client/reports/reminder_report_forms.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_results_form.h"
#include "platform/ui/edits.h"
#include "platform/ui/std_painted.h"

#include "platform/headless/headless_modal.h"
#include "tests/platform/headless/modal_script_check.h"
#include "platform/rtl/date_time.h"
#include "reports_fixture.h"

namespace {


class ReminderReportTest : public ReportsTest {};

TEST_F(ReminderReportTest, ReplyBlocksStopAtACutBlockAndAtTheEndMarker) {
  // A reply cut inside the third block keeps the first two.
  const std::vector<std::string> Cut = {"<HTML>", "*** Reminder Data Begin ***", "1", "A", "d1", "2", "B", "d2",
                                        "3", "C", ""};
  const auto Blocks = ReadReplyBlocks(Cut, 3, "*** Reminder Data End ***");
  ASSERT_EQ(Blocks.size(), 2u);
  EXPECT_EQ(Blocks[1][0], "2");
  const std::vector<std::string> Whole = {"<HTML>", "b", "1", "A", "d1", "*** Reminder Data End ***", "</HTML>", ""};
  EXPECT_EQ(ReadReplyBlocks(Whole, 3, "*** Reminder Data End ***").size(), 1u);
  // The end marker inside what would be a block ends the reading.
  const std::vector<std::string> Short = {"<HTML>", "b", "1", "*** Reminder Data End ***", "</HTML>", ""};
  EXPECT_TRUE(ReadReplyBlocks(Short, 3, "*** Reminder Data End ***").empty());
}

TEST_F(ReminderReportTest, RequestAndDateRangeInclusive) {
  TReminderReport R(Host, List);
  R.ReminderFieldNo = 22;
  R.DateFormat = "yyyy/mm/dd";
  R.FromDate = "2012/01/01";
  R.ToDate = "2014/05/14";
  ASSERT_TRUE(R.FindReminders());
  ASSERT_EQ(Recorder->Requests.size(), 1u);
  EXPECT_NE(Recorder->Requests[0].URL.find("?Function=ReminderReport&ReminderField=22&FromDate=2012%2F01%2F01"),
            std::string::npos);
  EXPECT_EQ(R.Buffer.size(), 40u);
  {
    TCheckedModalScript Script;
    R.FilterReminders();
  }
  // Independently: the dates FillRecord writes, kept when within both bounds.
  const auto Records = AllRecords();
  std::vector<std::string> Expected;
  for (int i = 0; i < 40; ++i) {
    const std::string D = "20" + std::to_string(10 + i % 15) + "/0" + std::to_string(1 + i % 9) + "/1" +
                          std::to_string(i % 9);
    if (D >= "2012/01/01" && D <= "2014/05/14") Expected.push_back(D);
  }
  std::vector<std::string> Got;
  for (const auto& I : R.View) {
    Got.push_back(I.Date);
    EXPECT_TRUE(I.Checked);
  }
  std::sort(Expected.begin(), Expected.end());
  std::sort(Got.begin(), Got.end());
  EXPECT_EQ(Got, Expected);
  EXPECT_NE(std::find(Got.begin(), Got.end(), "2014/05/14"), Got.end());  // the To date itself
  (void)Records;
}

TEST_F(ReminderReportTest, EmptyDatesNeverListedAndNoneMessage) {
  TRecordingTransport Scripted;
  Scripted.Reply = [](const TClientRequest&) {
    return std::string("<HTML>\r*** Reminder Data Begin ***\r1\rA\r\r2\rB\r2020/01/01\r*** Reminder Data End ***\r</HTML>\r");
  };
  TServerSession S(Scripted);
  TReportHost H = Host;
  H.Session = &S;
  TReminderReport R(H, List);
  R.DateFormat = "yyyy/mm/dd";
  ASSERT_TRUE(R.FindReminders());
  R.FilterReminders();  // both boxes empty: every non-empty date
  ASSERT_EQ(R.View.size(), 1u);
  EXPECT_EQ(R.View[0].Code, "2");
  R.FromDate = "2021/01/01";
  TCheckedModalScript Script;
  Script.ExpectMessage(TReminderReport::NoneText, mrOk);
  R.FilterReminders();
  EXPECT_TRUE(R.View.empty());
}

TEST_F(ReminderReportTest, AddingToTheSearchListTwiceAddsNoDuplicates) {
  TReminderReport R(Host, List);
  R.View = {{"1", "A", "x", true}, {"2", "B", "y", false}, {"3", "C", "z", true}};
  TCheckedModalScript Script;
  Script.ExpectMessage(TReminderReport::AddQuestion, mrYes);
  Script.ExpectMessage(TReminderReport::AddQuestion, mrYes);
  Script.ExpectMessage(TReminderReport::AddQuestion, mrNo);
  EXPECT_TRUE(R.AddToSearchList());
  EXPECT_TRUE(R.AddToSearchList());
  R.View.push_back({"4", "D", "w", true});
  EXPECT_FALSE(R.AddToSearchList());
  EXPECT_EQ(List.Count(), 2);
  EXPECT_TRUE(List.Contains("1") && List.Contains("3") && !List.Contains("2"));
}

TEST_F(ReminderReportTest, QuickOrderFiguresMatchTheRecords) {
  TQuantityReport Q(Host, List);
  Q.QuantityFieldNo = 0;   // detail 1: i
  Q.DesiredFieldNo = 8;    // detail 9: (i * 37) % 500
  Q.BarcodeFieldNo = -1;
  ASSERT_TRUE(Q.Generate());
  EXPECT_NE(Recorder->Requests[0].URL.find("?Function=QuantityReport&QuantityField=0&BarcodeField=%2D1&DesiredField=8"),
            std::string::npos);
  ASSERT_EQ(Q.Rows.size(), 40u);
  const auto Records = AllRecords();
  for (std::size_t r = 0; r < Q.Rows.size(); ++r) {
    EXPECT_EQ(Q.Rows[r][0], Records[r].first);
    const int i = std::stoi(Q.Rows[r][3]);
    EXPECT_EQ(Q.Rows[r][4], std::to_string((i * 37) % 500));
    EXPECT_EQ(Q.Rows[r][5], std::to_string((i * 37) % 500 - i));
  }
  // Search list scope: only the listed records.
  List.Add(Records[3].first, Records[3].second);
  Q.Scope = 2;
  ASSERT_TRUE(Q.Generate());
  ASSERT_EQ(Q.Rows.size(), 1u);
  EXPECT_EQ(Q.Rows[0][0], Records[3].first);
}

TEST_F(ReminderReportTest, RequiredIsComputedIn64BitsAndNonNumbersCountZero) {
  EXPECT_EQ(TQuantityReport::Required("abc", "10"), "10");
  EXPECT_EQ(TQuantityReport::Required("-2147483648", "2147483647"), "4294967295");
  EXPECT_EQ(TQuantityReport::Required("5", "x"), "-5");
  // The last row may be opened; the header and rows without code may not.
  EXPECT_TRUE(ReportRowOpens(1, "abc"));
  EXPECT_FALSE(ReportRowOpens(0, "Record ID"));
  EXPECT_FALSE(ReportRowOpens(3, ""));
}

TEST_F(ReminderReportTest, ValueReportTotalsAndFiveColumnsAtMost) {
  TValueReport V(Host, List);
  V.FieldList = {"8", "0"};
  ASSERT_TRUE(V.Generate());
  ASSERT_EQ(V.Headers.size(), 4u);
  EXPECT_EQ(V.Headers[2], Window->Buffers.Configuration.DetailNames[8]);
  ASSERT_EQ(V.Rows.size(), 40u);
  long long Price = 0, Index = 0;
  for (int i = 0; i < 40; ++i) Price += (i * 37) % 500, Index += i;
  EXPECT_EQ(V.TotalRow[0], "Total");
  EXPECT_EQ(V.TotalRow[2], std::to_string(Price) + ".00");
  EXPECT_EQ(V.TotalRow[3], std::to_string(Index) + ".00");
  EXPECT_NE(Recorder->Requests[0].URL.find("Value1Field=8&Value2Field=0&Value3Field=%2D1&Value4Field=%2D1&Value5Field=%2D1"),
            std::string::npos);

  V.FieldList = {"0", "1", "2", "3", "4", "5", "6"};
  ASSERT_TRUE(V.Generate());
  EXPECT_EQ(V.Headers.size(), 7u);
  EXPECT_EQ(V.Rows[0].size(), 7u);

  // An empty search list: no rows, the total row without totals.
  V.Scope = 2;
  V.FieldList = {"8"};
  ASSERT_TRUE(V.Generate());
  EXPECT_TRUE(V.Rows.empty());
  EXPECT_EQ(V.TotalRow, (std::vector<std::string>{"Total", "", ""}));
}

// Amounts typed with a decimal comma are no amounts in this program: they are left out of the
// totals and named, never read as other numbers ("99,95" as 9995, "1.000,50" as 1.00).  The
// record window refuses such a value typed now: these records hold them as an older program
// stored them (the window's record and its editor alike).
class CommaAmountsTest : public ReminderReportTest {
protected:
  void SetUp() override {
    ReminderReportTest::SetUp();
    ASSERT_TRUE(Window->GetRecord("F"));
    for (const char* Typed : {"99,95", "1.000,50", "$1,234.50"}) {
      Codes.push_back(Window->Number());
      Old += (std::stoi(Window->Buffers.Current.Details[8]));
      Window->Buffers.Current.Details[8] = Typed;
      View.Editors.Details[8] = Typed;
      Window->Detail8Change(8);
      ASSERT_TRUE(Window->SaveRecord(Window->Buffers.Current, true));
      ASSERT_TRUE(Window->GetRecord("N" + Window->Number()));
    }
    for (int i = 0; i < 40; ++i) Price += (i * 37) % 500;
  }
  // The prices made less the three replaced, plus the one grouped amount.
  std::string Total() const { return std::to_string(Price - Old + 1234) + ".50"; }
  std::vector<std::string> Codes;
  long long Old = 0, Price = 0;
};

TEST_F(CommaAmountsTest, ValueReportLeavesOutAndNamesWhatItCannotRead) {
  TValueReport V(Host, List);
  V.FieldList = {"8"};
  ASSERT_TRUE(V.Generate());
  ASSERT_EQ(V.Rows.size(), 40u);
  // The grouped amount counts; the two comma amounts do not.
  EXPECT_EQ(V.TotalRow[2], Total());
  const std::string Head = V.Headers[2];
  ASSERT_EQ(V.Unreadable.size(), 2u);
  EXPECT_EQ(V.Unreadable[0].rfind(Codes[0] + " ", 0), 0u) << V.Unreadable[0];
  EXPECT_NE(V.Unreadable[0].find(", " + Head + ": \"99,95\""), std::string::npos) << V.Unreadable[0];
  EXPECT_NE(V.Unreadable[1].find(Codes[1] + " "), std::string::npos);
  EXPECT_NE(V.Unreadable[1].find("\"1.000,50\""), std::string::npos);
  const std::string Text = V.UnreadableText();
  EXPECT_NE(Text.find("left out of the totals"), std::string::npos);
  EXPECT_NE(Text.find(V.Unreadable[1]), std::string::npos);
  // The search list's scope without those records: nothing is named.
  V.Scope = 2;
  ASSERT_TRUE(V.Generate());
  EXPECT_TRUE(V.Unreadable.empty());
  EXPECT_EQ(V.UnreadableText(), "");
}

TEST_F(CommaAmountsTest, TheWindowTellsTheUnreadValuesOnceNotAtEveryActivation) {
  TReportWindows Windows(Host);
  TValueReportForm Form(Windows, false);
  Form.ValueLogic().FieldList = {"8"};
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("left out of the totals", mrOk);
    Form.GenerateReport();
    // Coming back active after the box: the same values are not told again.
    Form.GenerateReport();
  }
  EXPECT_EQ(Form.RGrid->Cells(2, Form.RGrid->RowCount() - 1), Total());
}

TEST_F(ReminderReportTest, FailedReplyLeavesReportsEmpty) {
  Recorder->Fail = true;
  TQuantityReport Q(Host, List);
  EXPECT_FALSE(Q.Generate());
  EXPECT_TRUE(Q.Rows.empty());
  TValueReport V(Host, List);
  V.FieldList = {"8"};
  EXPECT_FALSE(V.Generate());
  EXPECT_EQ(V.TotalRow[0], "Total");
}

}  // namespace

#include "client/reports/reminder_report_forms.h"
#include "client/reports/report_windows.h"
#include "controls/grid/qn_grid.h"

namespace {

TEST_F(ReminderReportTest, QuickOrderWindowHidesTheBarcodeColumnAndOpensTheLastRow) {
  TReportWindows Windows(Host);
  TFaxReportForm Form(Windows, true);
  Form.QuantityLogic().QuantityFieldNo = 0;
  Form.QuantityLogic().DesiredFieldNo = 8;
  Form.GenerateReport();
  EXPECT_EQ(Form.RGrid->NumHiddenColumns(), 1);
  ASSERT_EQ(Form.RGrid->RowCount(), 41);  // the empty row removed
  const std::string Last = Form.RGrid->Cells(0, 40);
  ASSERT_FALSE(Last.empty());
  Form.RGridDblClickCell(40);
  EXPECT_EQ(Window->Number(), Last);
  // The header row opens nothing.
  Recorder->Clear();
  Form.RGridDblClickCell(0);
  EXPECT_TRUE(Recorder->Requests.empty());
}

TEST_F(ReminderReportTest, ValueWindowShowsTotalRowOnEmptySearchList) {
  TReportWindows Windows(Host);
  TValueReportForm Form(Windows, false);
  Form.ValueLogic().FieldList = {"8"};
  Form.ValueLogic().Scope = 2;
  Form.GenerateReport();
  ASSERT_EQ(Form.RGrid->RowCount(), 2);
  ASSERT_EQ(Form.RGrid->ColCount(), 3);
  EXPECT_EQ(Form.RGrid->Cells(0, 1), "Total");
  EXPECT_EQ(Form.RGrid->Cells(2, 1), "");
}

// The reminder window asks the server and shows its start message once: coming back active
// after the calendar of a date box keeps the dates chosen.
TEST_F(ReminderReportTest, TheReminderWindowSetsUpOnItsFirstActivationOnly) {
  TReportWindows Windows(Host);
  TReminderForm Form(Windows);
  Form.Logic().ReminderFieldNo = 22;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TReminderReport::StartText, mrOk);
    Form.FormActivate();
    Form.ToDate->SetText("12/31/2030");
    Form.FormActivate();
  }
  EXPECT_EQ(Recorder->Requests.size(), 1u);
  EXPECT_EQ(Form.ToDate->Text(), "12/31/2030");
}

// "Add" shows the added records in the search results at once, in the columns chosen there,
// with the values the server holds.
TEST_F(ReminderReportTest, AddingReloadsTheSearchResultsDisplay) {
  TReportWindows Windows(Host);
  TSnapShot& Results = Windows.SnapShot();
  Results.Results().ColumnMap[0] = 21;  // the record name
  Results.LoadSearchDisplay();
  TReminderForm Form(Windows);
  const auto Records = AllRecords();
  Form.Logic().View = {{Records[2].first, "stale name", "x", true}, {Records[5].first, "", "y", false},
                       {Records[7].first, "", "z", true}};
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TReminderReport::AddQuestion, mrYes);
    ASSERT_TRUE(Form.Logic().AddToSearchList());
  }
  TQnStringGrid& D = *Results.SearchDisplay;
  ASSERT_EQ(D.RowCount(), 3);
  EXPECT_EQ(D.Cells(0, 1), Records[2].second);
  EXPECT_EQ(D.Cells(0, 2), Records[7].second);
  EXPECT_EQ(Results.Status->Caption(), "2 records are on the search list.");
}

}  // namespace
