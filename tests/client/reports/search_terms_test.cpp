// The search window's logic: the search terms grid it posts, the merge of the replies into the
// search list with its messages, the field menu, the saved search file and the refusal of files
// that do not hold a search, against the real dispatcher in-process.
#include "client/reports/search_terms.h"

#include <set>

#include "client/reports/criterion_dialogs.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typed_stream.h"
#include "tests/client/reports/reports_fixture.h"

namespace {

class SearchTermsTest : public ReportsTest {
protected:
  void SetUp() override {
    ReportsTest::SetUp();
    Terms = std::make_unique<TSearchTerms>(Host, List);
    Terms->BuildFieldMenu();
  }
  // Row r: the field, then a range or a value.
  void Range(int Row, int Code, const std::string& From, const std::string& To) {
    Terms->SelectField(Row, Code);
    criterion::RangeOK(Terms->RowTerm(Row), Terms->Rows[Row].Value, From, To);
  }
  std::set<std::string> Codes(const std::function<bool(int)>& Match) {
    std::set<std::string> Out;
    const auto All = AllRecords();
    for (int i = 0; i < static_cast<int>(All.size()); ++i)
      if (Match(i)) Out.insert(All[i].first);
    return Out;
  }
  std::set<std::string> ListCodes() {
    std::set<std::string> Out;
    for (int r = 1; r <= List.Count(); ++r) Out.insert(List.Code(r));
    return Out;
  }
  std::unique_ptr<TSearchTerms> Terms;
};

TEST_F(SearchTermsTest, PostsEveryRowWithItsOwnTermAndAFreeEntryForUnchosenRows) {
  Range(1, 180, "10", "20");
  Terms->Includes1Click(1, "Does Not Include");
  Terms->AddTermBtnClick();  // row 2: no field chosen
  Terms->AddTermBtnClick();
  Terms->SelectField(3, 210);
  Terms->CellValidate(3, 2, "Gold");
  const std::string Price = Host.Captions.DetailNames[8];
  EXPECT_EQ(Terms->SearchRequest(),
            "11,3\r\n0,0," + Price + "\r\n1,0,Does Not Include\r\n2,0,10 < 20\r\n3,0,180\r\n4,0,2\r\n5,0,10\r\n"
            "6,0,20\r\n10,0,0\r\n3,1,-1\r\n4,1,0\r\n10,1,0\r\n0,2,Name\r\n1,2,Includes\r\n2,2,Gold\r\n"
            "3,2,210\r\n4,2,1\r\n5,2,Gold\r\n10,2,0\r\n");
  // Removing the middle row keeps each remaining row with its own term.
  Terms->RemoveTermBtnClick(2);
  ASSERT_EQ(Terms->Rows.size(), 3u);
  EXPECT_EQ(Terms->RowTerm(1)->FieldCode, 180);
  EXPECT_EQ(Terms->RowTerm(2)->FieldCode, 210);
  EXPECT_EQ(Terms->RowTerm(2)->Text1, "Gold");
  // A match chosen before the field stays the term's match.
  Terms->AddTermBtnClick();
  Terms->Includes1Click(3, "Does Not Include");
  Terms->SelectField(3, 220);
  EXPECT_EQ(Terms->RowTerm(3)->Match, 2);
}

TEST_F(SearchTermsTest, SearchesOfEveryKindFindWhatTheRecordsHold) {
  const auto Run = [&](const std::function<void()>& Build) {
    Terms = std::make_unique<TSearchTerms>(Host, List);
    Terms->BuildFieldMenu();
    List.Clear();
    Build();
    EXPECT_TRUE(Terms->PerformSearchBtnClick());
    return ListCodes();
  };
  // A description, then the same excluded.
  EXPECT_EQ(Run([&] {
              Terms->SelectField(1, 0);
              Terms->DescClick(1, {"Books:Books and printed matter"});
            }),
            Codes([](int i) { return i % 4 == 1; }));
  EXPECT_EQ(Run([&] {
              Terms->SelectField(1, 0);
              Terms->DescClick(1, {"Books:Books and printed matter"});
              Terms->Includes1Click(1, "Does Not Include");
            }),
            Codes([](int i) { return i % 4 != 1; }));
  // A numeric detail range and a text range of an other field, together.
  EXPECT_EQ(Run([&] {
              Range(1, 180, "100", "200");
              Terms->AddTermBtnClick();
              Range(2, 260, "b", "d");
            }),
            Codes([](int i) { return (i * 37) % 500 >= 100 && (i * 37) % 500 <= 200 && i % 3 == 0; }));
  // Status, memo and a grid 3 column.
  EXPECT_EQ(Run([&] {
              Terms->SelectField(1, 200);
              Terms->StatusClick(1, 2);
              Terms->AddTermBtnClick();
              Terms->SelectField(2, 220);
              Terms->CellValidate(2, 2, "VELVET");
            }),
            Codes([](int i) { return i % 3 == 0 && i % 4 == 0; }));
  EXPECT_EQ(Run([&] { Range(1, 400, "10", "12"); }), Codes([](int i) { return i % 50 >= 10 && i % 50 <= 12; }));
  // A skill with a proficiency range.
  EXPECT_EQ(Run([&] {
              Terms->SelectField(1, 197);
              criterion::SkillsOK(Terms->RowTerm(1), Terms->Rows[1].Value, Host.Captions.ItemNames, "Driving", "3",
                                  "6", "", false);
            }),
            Codes([](int i) { return i % 3 == 1 && i % 10 >= 3 && i % 10 <= 6; }));
  // Notes matched partly, without regard to case.
  EXPECT_EQ(Run([&] {
              Terms->SelectField(1, 197);
              criterion::SkillsOK(Terms->RowTerm(1), Terms->Rows[1].Value, Host.Captions.ItemNames, "Driving", "",
                                  "", "VA", true);
            }),
            Codes([](int i) { return i % 3 == 1 && i % 2 == 1; }));
  EXPECT_EQ(Recorder->Requests.back().UserAgent, "2:Test");
}

TEST_F(SearchTermsTest, SearchesAreCumulativeAndTellHowManyAreNew) {
  Terms->SelectField(1, 210);
  Terms->CellValidate(1, 2, "Record 10 ");
  ASSERT_TRUE(Terms->PerformSearchBtnClick());
  EXPECT_EQ(Terms->SearchResult(), "1 new record was found in the last search.");
  ASSERT_TRUE(Terms->PerformSearchBtnClick());
  EXPECT_EQ(Terms->SearchResult(), "0 new records were found in the last search.");
  EXPECT_EQ(List.Count(), 1);
  Terms->CellValidate(1, 2, "Gold");
  ASSERT_TRUE(Terms->PerformSearchBtnClick());
  EXPECT_EQ(Terms->SearchResult(), "7 new records were found in the last search.");  // 0, 5, ..., 35; 10 held
  EXPECT_EQ(List.Count(), 8);
  EXPECT_EQ(List.RowCount(), 10);
  EXPECT_TRUE(List.Code(List.RowCount() - 1).empty());
  EXPECT_EQ(List.CountText(), "8 records are on the search list.");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TSearchTerms::ClearListQuestion, mrNo);
    Script.ExpectMessage(TSearchTerms::ClearListQuestion, mrYes);
    Terms->ClearClick();
    EXPECT_EQ(List.Count(), 8);
    Terms->ClearClick();
  }
  EXPECT_EQ(List.RowCount(), 2);
  EXPECT_EQ(List.CountText(), "0 records are on the search list.");
}

TEST_F(SearchTermsTest, FailedTransfersAndErrorPagesLeaveTheListAsItWas) {
  Terms->SelectField(1, 210);
  Terms->CellValidate(1, 2, "Gold");
  ASSERT_TRUE(Terms->PerformSearchBtnClick());
  const int Held = List.Count();
  const std::string LastReply = GridStreamText(Terms->ListGrid());
  TRecordingTransport Scripted;
  Scripted.Reply = [](const TClientRequest&) { return std::string("<HTML>Error in Search Request</HTML>"); };
  TServerSession Other(Scripted);
  Host.Session = &Other;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("is not a valid integer", mrOk);
    EXPECT_FALSE(Terms->PerformSearchBtnClick());
    Scripted.Fail = true;
    Script.ExpectMessage(TSearchTerms::RequestProblemText, mrOk);
    EXPECT_FALSE(Terms->PerformSearchBtnClick());
  }
  EXPECT_EQ(List.Count(), Held);
  EXPECT_EQ(GridStreamText(Terms->ListGrid()), LastReply);
}

TEST_F(SearchTermsTest, ARequestStartedWhileOneRunsIsRefused) {
  TRecordingTransport Scripted;
  TServerSession Other(Scripted);
  Host.Session = &Other;
  bool Inner = false;
  Scripted.Reply = [&](const TClientRequest&) {
    // The person presses Search again while the reply is awaited.
    Inner = Terms->PerformSearchBtnClick();
    return std::string("2,2\r\n0,0,AAAAAAAA\r\n1,0,One\r\n");
  };
  Terms->SelectField(1, 210);
  TCheckedModalScript Script;
  Script.ExpectMessage(TSearchTerms::RequestProblemText, mrOk);
  EXPECT_TRUE(Terms->PerformSearchBtnClick());
  EXPECT_FALSE(Inner);
  EXPECT_EQ(Scripted.Requests.size(), 1u);
  EXPECT_EQ(List.Count(), 1);
}

TEST_F(SearchTermsTest, FieldMenuOrderAndEnableState) {
  const auto& Menu = Terms->FieldMenu;
  ASSERT_GE(Menu.size(), 30u);
  EXPECT_EQ(Menu[0].Caption, "REMOVE SEARCH TERM");
  EXPECT_EQ(Menu[1].Code, 0);
  EXPECT_EQ(Menu[11].Code, 100);
  EXPECT_EQ(Menu[21].Code, 200);
  EXPECT_EQ(Menu[22].Code, 210);
  EXPECT_EQ(Menu[26].Caption, "Grid Three - All");
  EXPECT_EQ(Menu[27].Caption, "Grid Three - Column 1");
  EXPECT_EQ(Menu[27].Code, 400);
  EXPECT_EQ(Menu.back().Code, 310);
  for (int Code : {250, 197, 100}) {
    Terms->AddTermBtnClick();
    Terms->SelectField(static_cast<int>(Terms->Rows.size()) - 1, Code);
  }
  EXPECT_TRUE(Terms->MenuItem(250)->Enabled);
  EXPECT_TRUE(Terms->MenuItem(197)->Enabled);
  EXPECT_FALSE(Terms->MenuItem(100)->Enabled);
  // Removing the only term row clears it and keeps two rows.
  while (Terms->Rows.size() > 2) Terms->RemoveTermBtnClick(1);
  Terms->RemoveTermBtnClick(1);
  EXPECT_EQ(Terms->Rows.size(), 2u);
  EXPECT_EQ(Terms->Rows[1], TCriteriaRow{});
  EXPECT_TRUE(Terms->MenuItem(100)->Enabled);
  // Typing is for codes 210 and above, in column 2 only.
  Terms->SelectField(1, 100);
  EXPECT_FALSE(Terms->CanEditCell(1, 2));
  Terms->SelectField(1, 220);
  EXPECT_TRUE(Terms->CanEditCell(1, 2));
  EXPECT_FALSE(Terms->CanEditCell(1, 1));
}

TEST_F(SearchTermsTest, FiftyTermsAtMost) {
  while (Terms->Rows.size() < 51) Terms->AddTermBtnClick();
  TCheckedModalScript Script;
  Script.ExpectMessage(TSearchTerms::TooManyText, mrOk);
  Terms->AddTermBtnClick();
  EXPECT_EQ(Terms->Rows.size(), 51u);
  for (int r = 1; r <= 50; ++r) Terms->SelectField(r, 250);
  std::set<int> Indexes;
  for (int r = 1; r <= 50; ++r) Indexes.insert(Terms->Rows[r].Term);
  EXPECT_EQ(Indexes.size(), 50u);
}

TEST_F(SearchTermsTest, ValueEditorsAndTheKindsTheRangeDialogGets) {
  Host.Captions.OtherKinds[5] = "Date";
  Host.Captions.DetailKinds[3] = "date bought";
  EXPECT_EQ(Terms->ValueEditorOf(30).Editor, veDescriptionMenu);
  EXPECT_EQ(Terms->ValueEditorOf(30).Description, 4);
  EXPECT_EQ(Terms->ValueEditorOf(120).Mask, "!999;1;_");
  EXPECT_EQ(Terms->ValueEditorOf(110).Mask, "");
  EXPECT_EQ(Terms->ValueEditorOf(130).FieldKind, "date bought");
  EXPECT_EQ(Terms->ValueEditorOf(310).FieldKind, "Date");
  EXPECT_EQ(Terms->ValueEditorOf(290).Editor, veTyped);
  EXPECT_EQ(Terms->ValueEditorOf(195).Editor, veSchedule);
  EXPECT_EQ(Terms->ValueEditorOf(200).Editor, veStatusMenu);
  // 320..329 names a field that only a file can hold: plain text, not an entry past the list.
  EXPECT_EQ(Terms->ValueEditorOf(320).Editor, veRange);
  EXPECT_EQ(Terms->FieldKindOf(320), "Text");
  EXPECT_EQ(Terms->FieldKindOf(335), "Text");
  EXPECT_EQ(Terms->FieldKindOf(590), "Text");
  EXPECT_EQ(Terms->ValueEditorOf(777).Editor, veNone);
}

TEST_F(SearchTermsTest, SavedSearchReloadsWithItsRowsTermsAndIndexes) {
  Range(1, 180, "10", "20");
  Terms->AddTermBtnClick();
  Terms->AddTermBtnClick();
  Terms->SelectField(3, 220);
  Terms->CellValidate(3, 2, "velvet");
  Terms->RemoveTermBtnClick(1);  // row 2 (term 2) now comes first; term 1 is free
  Terms->SelectField(1, 200);
  Terms->StatusClick(1, 3);
  const auto Rows = Terms->Rows;
  const auto Saved = Terms->Terms;
  const std::string File = (Root / "search.srh").string();
  {
    TCheckedModalScript Script;
    Script.ExpectSaveFile("", (Root / "search").string());
    Script.ExpectMessage(TSearchTerms::SavedText, mrOk);
    Terms->SaveSearchBtnClick();
  }
  ASSERT_TRUE(fs::exists(File));
  TSearchTerms Fresh(Host, List);
  Fresh.BuildFieldMenu();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TSearchTerms::NewSearchQuestion, mrYes);
    Script.ExpectOpenFile("", File);
    Fresh.LoadSearchBtnClick();
  }
  EXPECT_EQ(Fresh.Rows, Rows);
  EXPECT_EQ(Fresh.Terms, Saved);
  EXPECT_FALSE(Fresh.MenuItem(220)->Enabled);
  // The file: row count, each row's match, value and index, then 50 entries, match before code.
  TFileStream In(File, fmOpenRead);
  TReader R(In, 100);
  EXPECT_EQ(R.ReadInteger(), 3);
  EXPECT_EQ(R.ReadString(), "Includes");
  EXPECT_EQ(R.ReadString(), Host.Captions.CheckBoxCaptions[2]);
  EXPECT_EQ(R.ReadInteger(), Rows[1].Term);
}

// A file written value by value.
void WriteValues(const std::string& File, const std::function<void(TWriter&)>& Write) {
  TFileStream Out(File, fmCreate);
  TWriter W(Out, 100);
  Write(W);
}

void WriteTerms(TWriter& W, int Count) {
  for (int i = 1; i <= Count; ++i) {
    W.WriteString("");
    W.WriteString("");
    W.WriteInteger(1);
    W.WriteInteger(i == 1 ? 210 : -1);
    W.WriteString("");
    W.WriteString("");
    W.WriteString("");
    W.WriteInteger(0);
  }
}

TEST_F(SearchTermsTest, FilesThatHoldNoSearchChangeNothing) {
  Terms->SelectField(1, 230);
  Terms->CellValidate(1, 2, "kept");
  const auto Rows = Terms->Rows;
  const auto Saved = Terms->Terms;
  const std::string File = (Root / "bad.srh").string();
  const std::vector<std::function<void(TWriter&)>> Bad = {
      [](TWriter& W) { W.WriteInteger(52); },  // more rows than terms
      [](TWriter& W) { W.WriteInteger(0); },
      [](TWriter& W) {  // a term index past the table
        W.WriteInteger(2);
        W.WriteString("Includes");
        W.WriteString("x");
        W.WriteInteger(51);
        WriteTerms(W, 50);
      },
      [](TWriter& W) {  // one index in two rows
        W.WriteInteger(3);
        for (int r = 0; r < 2; ++r) {
          W.WriteString("Includes");
          W.WriteString("x");
          W.WriteInteger(1);
        }
        WriteTerms(W, 50);
      },
      [](TWriter& W) {  // cut short
        W.WriteInteger(2);
        W.WriteString("Includes");
        W.WriteString("x");
        W.WriteInteger(1);
        WriteTerms(W, 20);
      },
  };
  for (const auto& Write : Bad) {
    WriteValues(File, Write);
    TCheckedModalScript Script;
    Script.ExpectMessage(TSearchTerms::InvalidFileText, mrOk);
    EXPECT_FALSE(Terms->ReadSearchFile(File));
    EXPECT_EQ(Terms->Rows, Rows);
    EXPECT_EQ(Terms->Terms, Saved);
  }
  WriteValues(File, [](TWriter& W) {
    W.WriteInteger(2);
    W.WriteString("Includes");
    W.WriteString("Gold");
    W.WriteInteger(1);
    WriteTerms(W, 50);
  });
  EXPECT_TRUE(Terms->ReadSearchFile(File));
  EXPECT_EQ(Terms->Rows[1].Field, Host.Captions.RecordTitle);
  EXPECT_EQ(Terms->RowTerm(1)->FieldCode, 210);
}

TEST_F(SearchTermsTest, NewSearchFreesEveryTermButKeepsTheList) {
  List.Add("AAAAAAAA", "kept");
  Terms->SelectField(1, 210);
  Terms->AddTermBtnClick();
  TCheckedModalScript Script;
  Script.ExpectMessage(TSearchTerms::NewSearchQuestion, mrNo);
  Script.ExpectMessage(TSearchTerms::NewSearchQuestion, mrYes);
  Terms->NewSearchBtnClick();
  EXPECT_EQ(Terms->Rows.size(), 3u);
  Terms->NewSearchBtnClick();
  EXPECT_EQ(Terms->Rows.size(), 2u);
  for (int i = 1; i <= 50; ++i) EXPECT_EQ(Terms->Terms[i].FieldCode, -1);
  EXPECT_EQ(List.Count(), 1);
}

}  // namespace
