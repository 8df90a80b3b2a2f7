// The criterion dialogs' texts and prefill, and the search results window: the display request,
// the rows of a reply that leaves unknown records out, opening a record from a row, the
// highlighting, the count text and the column chooser.
#include "client/reports/criterion_dialogs.h"
#include "client/reports/search_results.h"

#include "client/reports/report_windows.h"
#include "client/reports/search_form.h"
#include "client/reports/search_results_form.h"
#include "platform/ui/menus.h"

#include "client/core/record_window.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/std_buttons.h"
#include "tests/client/reports/reports_fixture.h"

namespace {

TEST(CriterionDialogs, RangeSpecificScheduleAndSkillTexts) {
  TSearchTerm T;
  T.FieldCode = 180;
  std::string Cell;
  EXPECT_EQ(criterion::RangeOK(&T, Cell, "", "9").Message, criterion::FromMissing);
  EXPECT_EQ(criterion::RangeOK(&T, Cell, "1", "").Message, criterion::ToMissing);
  EXPECT_TRUE(Cell.empty());
  EXPECT_TRUE(criterion::RangeOK(&T, Cell, "1", "9").Message.empty());
  EXPECT_EQ(Cell, "1 < 9");
  // A range with different ends reopens with an empty specific box; a specific value in all three.
  auto E = criterion::RangePrefill(T, "", "");
  EXPECT_EQ(E.Low, "1");
  EXPECT_EQ(E.High, "9");
  EXPECT_EQ(E.Record, "");
  EXPECT_EQ(criterion::RangeSpecificOK(&T, Cell, "").Message, criterion::ValueMissing);
  criterion::RangeSpecificOK(&T, Cell, "7");
  EXPECT_EQ(T.Text1, "7");
  EXPECT_EQ(T.Text2, "7");
  E = criterion::RangePrefill(T, "", "");
  EXPECT_EQ(E.Low, "7");
  EXPECT_EQ(E.High, "7");
  EXPECT_EQ(E.Record, "7");
  // A row without a term gets only its cell.
  criterion::RangeOK(nullptr, Cell, "a", "b");
  EXPECT_EQ(Cell, "a < b");

  TSearchTerm S;
  std::string Day;
  E = criterion::SchedulePrefill(S, Day);
  EXPECT_EQ(Day, "Any Day");
  EXPECT_EQ(E.Low, "00:00");
  EXPECT_EQ(E.High, "24:00");
  criterion::ScheduleOK(&S, Cell, "09:00", "17:00", "Monday");
  EXPECT_EQ(Cell, "09:00 < 17:00 on Monday");
  EXPECT_EQ(S.Text3, "Monday");
  criterion::ScheduleSpecificOK(&S, Cell, "12:00", "Any Day");
  EXPECT_EQ(Cell, "12:00 on Any Day");

  std::array<std::string, 100> Items{};
  Items[4] = "Welding";
  TSearchTerm K;
  K.Text5 = "kept";
  EXPECT_EQ(criterion::SkillsOK(&K, Cell, Items, "Weld", "", "", "", false).Message, criterion::SkillInvalid);
  EXPECT_EQ(criterion::SkillsOK(&K, Cell, Items, "", "", "", "", false).Message, criterion::SkillInvalid);
  EXPECT_EQ(K.Text5, "kept");
  criterion::SkillsOK(&K, Cell, Items, "Welding", "3", "", "", true);
  EXPECT_EQ(Cell, "Welding with proficiency >3");
  EXPECT_EQ(K.Number, 2);
  EXPECT_EQ(criterion::SkillCellText("W", "1", "5", "night"), "W with proficiency 1 < 5 Notes night");
  EXPECT_EQ(criterion::SkillCellText("W", "", "5", ""), "W with proficiency < 5");
  EXPECT_TRUE(criterion::IsDateKind("Date Bought"));
  EXPECT_FALSE(criterion::IsDateKind("money"));
}

TEST(CriterionDialogs, TheRangeFormRefusesAnEmptyEndAndWritesOnOK) {
  InstallHeadlessBackend();
  TReportHost Host;
  TSearchTerm T;
  std::string Cell;
  TSelectRangeForm Form(Host, &T, Cell, false);
  Form.Prepare("", "", "", "Text");
  EXPECT_FALSE(Form.LowValue->ReadOnly());
  Form.HighValue->SetText("20");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(criterion::FromMissing, mrOk);
    Form.RangeOKBtn->Click();
  }
  EXPECT_EQ(Form.ModalResult(), mrNone);
  Form.LowValue->SetText("10");
  Form.RangeOKBtn->Click();
  EXPECT_EQ(Form.ModalResult(), mrOk);
  EXPECT_EQ(Cell, "10 < 20");
  EXPECT_EQ(T.Text2, "20");
  // A date field's edits take their dates from the record window's pop-up only.
  TCustomEdit* Target = nullptr;
  Host.PopupDateMenu = [&](TCustomEdit* E) { Target = E; };
  TSelectRangeForm Dates(Host, &T, Cell, false);
  Dates.Prepare("", "", "", "Purchase date");
  EXPECT_TRUE(Dates.HighValue->ReadOnly());
  Dates.HighValue->OnClick(Dates.HighValue);
  EXPECT_EQ(Target, Dates.HighValue);
}

class SearchResultsTest : public ReportsTest {
protected:
  void SetUp() override {
    ReportsTest::SetUp();
    Display = std::make_unique<TQnStringGrid>(nullptr);
    Results = std::make_unique<TSearchResults>(Host, List, *Display);
    Records = AllRecords();
  }
  std::unique_ptr<TQnStringGrid> Display;
  std::unique_ptr<TSearchResults> Results;
  std::vector<std::pair<std::string, std::string>> Records;
};

TEST_F(SearchResultsTest, WithoutColumnsTheListShowsWithoutARequest) {
  List.Add(Records[3].first, Records[3].second);
  ASSERT_TRUE(Results->LoadSearchDisplay());
  EXPECT_TRUE(Recorder->Requests.empty());
  EXPECT_EQ(Display->ColCount(), 2);
  EXPECT_EQ(Display->RowCount(), 3);
  EXPECT_EQ(Display->Cells(0, 1), Records[3].first);
  EXPECT_EQ(Display->Cells(1, 1), Records[3].second);
  EXPECT_EQ(Results->ListRow(1), 1);
  EXPECT_EQ(Results->ListRow(2), 2);  // the empty last row: double clicks do nothing there
  Results->SearchDisplayDblClickCell(2);
  Results->SearchDisplayDblClickCell(0);
  EXPECT_TRUE(Recorder->Requests.empty());
}

TEST_F(SearchResultsTest, AnEmptyListWithColumnsPostsTheHeaderRows) {
  Results->ColumnMap[3] = 21;
  Results->ColumnMap[0] = 10;
  ASSERT_TRUE(Results->LoadSearchDisplay());
  ASSERT_EQ(Recorder->Requests.size(), 1u);
  EXPECT_EQ(Recorder->Requests[0].UserAgent, "5:Test");
  // Columns in map order, then the record code column that names each reply row.
  EXPECT_EQ(Recorder->Requests[0].Body, "3,4\r\n0,0," + Host.Captions.DetailNames[0] + "\r\n1,0," +
                                            Host.Captions.RecordTitle + "\r\n0,1,10\r\n1,1,21\r\n2,1,28\r\n");
  EXPECT_EQ(Display->RowCount(), 1);
  EXPECT_EQ(Display->ColCount(), 2);
}

TEST_F(SearchResultsTest, RowsOfAReplyThatLeavesRecordsOutOpenTheirOwnRecords) {
  List.Add(Records[1].first, Records[1].second);
  List.Add("ZZZZZZZZ", "Gone");
  List.Add(Records[7].first, Records[7].second);
  Results->ColumnMap[0] = 21;
  Results->ColumnMap[1] = 10;
  ASSERT_TRUE(Results->LoadSearchDisplay());
  ASSERT_EQ(Display->RowCount(), 3);  // the unknown code is left out by the server
  EXPECT_EQ(Display->ColCount(), 2);
  EXPECT_EQ(Display->Cells(0, 1), Records[1].second);
  EXPECT_EQ(Display->Cells(0, 2), Records[7].second);
  EXPECT_EQ(Display->Cells(1, 2), "7");
  EXPECT_EQ(Results->ListRow(2), 3);
  Recorder->Clear();
  bool Shown = false;
  Host.ShowRecordWindow = [&] { Shown = true; };
  Results->SearchDisplayDblClickCell(2);
  EXPECT_TRUE(Shown);
  EXPECT_EQ(Window->Number(), Records[7].first);
  EXPECT_EQ(Recorder->Verbs().front(), "S" + Records[0].first);  // the shown record saved first
  // Highlighting by the last search's reply.
  TQnStringGrid Last(nullptr);
  Last.SetColCount(2);
  Last.SetRowCount(2);
  Last.SetCells(0, 0, Records[7].first);
  EXPECT_EQ(Results->RowColor(2, Last), TSearchResults::FoundColor);
  EXPECT_EQ(Results->RowColor(1, Last), TSearchResults::OlderColor);
  EXPECT_EQ(Results->RowColor(0, Last), clNone);
  Results->Highlight = false;
  EXPECT_EQ(Results->RowColor(2, Last), clNone);
}

TEST_F(SearchResultsTest, ARecordRemovedMeanwhileIsReported) {
  List.Add("ZZZZZZZZ", "Gone");
  ASSERT_TRUE(Results->LoadSearchDisplay());
  TCheckedModalScript Script;
  Script.ExpectMessage(TSearchResults::GoneText, mrOk);
  Results->SearchDisplayDblClickCell(1);
  EXPECT_EQ(Window->Number(), Records[0].first);
}

TEST_F(SearchResultsTest, AnErrorPageKeepsTheListShown) {
  TRecordingTransport Scripted;
  Scripted.Reply = [](const TClientRequest&) { return std::string("<HTML>Error in Search Display Request</HTML>"); };
  TServerSession Other(Scripted);
  Host.Session = &Other;
  List.Add(Records[2].first, Records[2].second);
  Results->ColumnMap[0] = 21;
  TCheckedModalScript Script;
  Script.ExpectMessage("is not a valid integer", mrOk);
  EXPECT_FALSE(Results->LoadSearchDisplay());
  EXPECT_EQ(Display->Cells(0, 1), Records[2].first);
  EXPECT_EQ(Results->ListRow(1), 1);
}

// The status column shows the database's own check box captions, whatever words the server
// uses for them; a text of another form stays as it is.
TEST_F(SearchResultsTest, TheStatusColumnShowsTheCheckBoxCaptions) {
  Host.Captions.CheckBoxCaptions = {"In Use", "On Loan", "Lost"};
  for (int i : {0, 1, 3, 14}) List.Add(Records[static_cast<std::size_t>(i)].first, Records[static_cast<std::size_t>(i)].second);
  Results->ColumnMap[0] = 21;
  Results->ColumnMap[1] = 20;
  ASSERT_TRUE(Results->LoadSearchDisplay());
  ASSERT_EQ(Display->RowCount(), 5);
  // Check boxes of record i: i even, i a multiple of 3, i a multiple of 7.
  EXPECT_EQ(Display->Cells(1, 1), "In Use, On Loan, Lost");
  EXPECT_EQ(Display->Cells(1, 2), "");
  EXPECT_EQ(Display->Cells(1, 3), "On Loan");
  EXPECT_EQ(Display->Cells(1, 4), "In Use, Lost");
  EXPECT_EQ(Display->Cells(0, 3), Records[3].second);
  EXPECT_EQ(StatusDisplayText("Available Not Available ", Host.Captions.CheckBoxCaptions), "On Loan, Lost");
  EXPECT_EQ(StatusDisplayText("Unknown", Host.Captions.CheckBoxCaptions), "Unknown");
}

TEST_F(SearchResultsTest, TheWindowShowsItsHeaderBeforeAnySearchAndCopiesRowsWithCtrlC) {
  TReportWindows Windows(Host);
  TSnapShot& Shot = Windows.SnapShot();
  TQnStringGrid& Grid = *Shot.SearchDisplay;
  TQnStringGrid Last(nullptr);
  // Before any search: the two columns named, and the one empty row not coloured as a record.
  ASSERT_EQ(Grid.RowCount(), 2);
  EXPECT_EQ(Grid.FixedRows(), 1);
  EXPECT_EQ(Grid.Cells(0, 0), "Record ID");
  EXPECT_EQ(Grid.Cells(1, 0), Host.Captions.RecordTitle);
  EXPECT_EQ(Shot.Results().RowColor(1, Last), clNone);
  EXPECT_TRUE(Recorder->Requests.empty());
  // A record on the list: its row copies as tab-separated text; the display takes no paste.
  Windows.List.Add(Records[2].first, Records[2].second);
  Shot.LoadSearchDisplay();
  ASSERT_EQ(Grid.RowCount(), 3);
  EXPECT_NE(Shot.Results().RowColor(1, Last), clNone);
  EXPECT_EQ(Shot.Results().RowColor(2, Last), clNone);
  Grid.SetSelection({0, 1, 1, 1});
  Clipboard().SetAsText("before");
  SetKeyboardShiftState({ssCtrl});
  Grid.Perform(WM_KEYDOWN, 'C');
  EXPECT_EQ(Clipboard().AsText(), Records[2].first + "\t" + Records[2].second + "\r\n");
  Clipboard().SetAsText("pasted");
  Grid.Perform(WM_KEYDOWN, 'V');
  Grid.Perform(WM_KEYDOWN, 'X');
  SetKeyboardShiftState({});
  EXPECT_EQ(Grid.Cells(0, 1), Records[2].first);
  EXPECT_EQ(Grid.Cells(1, 1), Records[2].second);
  EXPECT_EQ(Clipboard().AsText(), "pasted");
}

TEST(SearchList, CountTextsAndTheEmptyLastRow) {
  TSearchList L;
  EXPECT_EQ(L.CountText(), "0 records are on the search list.");
  L.Add("A", "a");
  EXPECT_EQ(L.CountText(), "1 record is on the search list.");
  L.Add("B", "b");
  EXPECT_EQ(L.CountText(), "2 records are on the search list.");
  EXPECT_EQ(L.Code(2), "B");
  EXPECT_EQ(L.Code(3), "");
  EXPECT_TRUE(L.Contains("A"));
}

TEST(SpreadsheetChooser, ListMenuAndMap) {
  TFieldCaptions C;
  C.RecordTitle = "Name";
  TSpreadsheetChooser Ch(C);
  ASSERT_EQ(Ch.Menu.size(), 29u);
  EXPECT_EQ(Ch.Menu[28].Caption, "Record ID");
  std::array<int, 51> Map;
  Map.fill(-1);
  Map[2] = 21;
  Map[7] = 28;
  Ch.Activate(Map);
  EXPECT_EQ(Ch.Fields, (std::vector<int>{21, 28}));
  EXPECT_FALSE(Ch.Menu[21].Enabled);
  EXPECT_TRUE(Ch.RemoveEnabled);
  Ch.Add(3);
  Ch.MoveUp(2);
  Ch.MoveUp(0);  // not past the top
  Ch.MoveDown(2);  // nor past the bottom
  EXPECT_EQ(Ch.Fields, (std::vector<int>{21, 3, 28}));
  Ch.MoveDown(0);
  EXPECT_EQ(Ch.Fields, (std::vector<int>{3, 21, 28}));
  Ch.Remove(2);
  EXPECT_TRUE(Ch.Menu[28].Enabled);
  EXPECT_TRUE(Ch.RemoveEnabled);
  Ch.Remove(1);
  EXPECT_FALSE(Ch.RemoveEnabled);
  Ch.Apply(Map);
  EXPECT_EQ(Map[0], 3);
  EXPECT_EQ(Map[1], -1);
  EXPECT_EQ(Map[7], -1);
}

}  // namespace

namespace {

TEST(SearchWindowsPrintMenus, PrintSettingsRunsTheGridsDialogAndCancelKeepsTheSettings) {
  InstallHeadlessBackend();
  TReportHost Host;
  TReportWindows Windows(Host);
  TQnStringGrid& Grid = *Windows.Search().SearchGrid;
  const auto Before = Grid.PrintSettings().Orientation;
  TMenuItem* Item = Windows.Search().PrintMenu->Items()->Find("Print Settings");
  ASSERT_NE(Item, nullptr);
  ASSERT_TRUE(Item->Enabled());
  TCheckedModalScript Script;
  Script.ExpectForm("Print Settings", [](TCustomForm& F) { F.SetModalResult(mrCancel); });
  Item->OnClick(Item);
  EXPECT_EQ(Grid.PrintSettings().Orientation, Before);
  TMenuItem* Results = Windows.SnapShot().PrintMenu->Items()->Find("Print Settings");
  ASSERT_NE(Results, nullptr);
  Script.ExpectForm("Print Settings", [](TCustomForm& F) { F.SetModalResult(mrOk); });
  Results->OnClick(Results);
  EXPECT_EQ(Script.Remaining(), 0);
}

}  // namespace
