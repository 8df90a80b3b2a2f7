#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "handler_fixture.h"
#include "server/qnserver_form.h"
#include "server/search_index.h"
#include "server/searches.h"

namespace fs = std::filesystem;

namespace {

struct TTerm {
  TTerm(std::string F, std::string M = "1", std::string L = {}, std::string H = {}, std::string IT = {},
        std::string IN = {}, std::string IM = "0")
      : Field(F), Match(M), Low(L), High(H), ItemText(IT), ItemName(IN), ItemMatch(IM) {}
  std::string Field, Match, Low, High, ItemText, ItemName, ItemMatch;
};

class SearchTest : public HandlerTest {
protected:
  SearchTest() {
    Database.Config.Grid3Columns = 3;
    Database.Config.Grid4Columns = 2;
  }

  static std::string TermsBody(const std::vector<TTerm>& Terms) {
    std::vector<TCell> Cells;
    for (int Row = 0; Row < static_cast<int>(Terms.size()); ++Row) {
      const TTerm& T = Terms[static_cast<std::size_t>(Row)];
      const std::string Texts[] = {"shown", "", "", T.Field, T.Match, T.Low, T.High, "", T.ItemText, T.ItemName, T.ItemMatch};
      for (int Col = 0; Col < 11; ++Col)
        if (!Texts[Col].empty()) Cells.push_back({Col, Row, Texts[Col]});
    }
    return GridText(11, static_cast<int>(Terms.size()), Cells);
  }

  // The codes the search replies with, in order; the reply must end with one empty row.
  std::vector<std::string> Search(const std::vector<TTerm>& Terms) {
    return Codes(Run(LoadSearch, TermsBody(Terms)));
  }

  std::vector<std::string> Codes(const std::string& Reply) {
    TQnStringGrid Grid(nullptr);
    ParseGrid(Reply, Grid);
    EXPECT_EQ(Grid.ColCount(), 2);
    std::vector<std::string> Out;
    for (int Row = 0; Row + 1 < Grid.RowCount(); ++Row) {
      Out.push_back(Grid.Cells(0, Row));
      EXPECT_EQ(Grid.Cells(1, Row), Database.Record(Database.FindRecordIndex(Grid.Cells(0, Row))).Name);
    }
    EXPECT_EQ(Grid.Cells(0, Grid.RowCount() - 1), "");
    return Out;
  }

  using V = std::vector<std::string>;
};

TEST_F(SearchTest, DescriptionsContainCaseSensitiveAndInvert) {
  AddRecord("A1", "One").Descriptions[2] = "xabcx";
  AddRecord("A2", "Two").Descriptions[2] = "ABC";
  AddRecord("A3", "Three");
  EXPECT_EQ(Search({{"20", "1", "abc"}}), V({"A1"}));
  EXPECT_EQ(Search({{"20", "2", "abc"}}), V({"A2", "A3"}));
}

TEST_F(SearchTest, RangesNumericAlphabeticAndOneSided) {
  AddRecord("A1", "Cat").Details[0] = "15";
  AddRecord("A2", "Eel").Details[0] = "9";
  AddRecord("A3", "bird").Details[0] = "20";
  EXPECT_EQ(Search({{"100", "1", "10", "20"}}), V({"A1", "A3"}));
  EXPECT_EQ(Search({{"100", "2", "10", "20"}}), V({"A2"}));
  // Names "Cat" and "bird" lie between "b" and "d" whatever the case; "Eel" does not.
  EXPECT_EQ(Search({{"210", "1", "b", "d"}}), V({"A1", "A3"}));
  EXPECT_EQ(Search({{"210", "1", "B", "CA"}}), V({"A1", "A3"}));
  // One bound: the value contains it, without regard to case; a number against a word is text.
  EXPECT_EQ(Search({{"210", "1", "", "EE"}}), V({"A2"}));
  EXPECT_EQ(Search({{"210", "1", "IR", ""}}), V({"A3"}));
  EXPECT_EQ(Search({{"100", "1", "2", "x"}}), V({"A2", "A3"}));
}

TEST(SearchRange, NumbersOnlyWhenAllThreeRead) {
  EXPECT_TRUE(RangeMatches("2.5", "1", "3"));
  EXPECT_FALSE(RangeMatches("100", "1", "3"));  // as numbers; as text "100" would lie between
  EXPECT_TRUE(RangeMatches("100", "1", "3x"));   // text: "1" >= "1", "100" <= "3x"
  EXPECT_FALSE(RangeMatches("", "1", "3"));
}

TEST_F(SearchTest, StatusMemosAndOthers) {
  ItemRecord& A = AddRecord("A1", "One");
  A.Checks[1] = true;
  A.Memos[1] = {"first line", "Second LINE here"};
  A.Others[5] = "Blue";
  ItemRecord& B = AddRecord("A2", "Two");
  B.Checks[0] = true;
  B.Memos[0] = {"line"};
  EXPECT_EQ(Search({{"200", "1", "Checkbox2"}}), V({"A1"}));
  EXPECT_EQ(Search({{"200", "1", "Checkbox1"}}), V({"A2"}));
  EXPECT_EQ(Search({{"200", "1", "Checkbox3"}}), V({}));
  EXPECT_EQ(Search({{"200", "1", "checkbox2"}}), V({}));
  EXPECT_EQ(Search({{"230", "1", "line h"}}), V({"A1"}));
  EXPECT_EQ(Search({{"220", "1", "LINE"}}), V({"A2"}));
  EXPECT_EQ(Search({{"310", "1", "blue", ""}}), V({"A1"}));
}

TEST_F(SearchTest, ItemRowsByConfiguredNameRangeAndText) {
  Database.Config.ItemNames[3] = "Size";
  Database.Config.ItemNames[7] = "Size";  // the last one named wins
  ItemRecord& A = AddRecord("A1", "One");
  A.ItemChecks[7] = true;
  A.ItemNames[7] = "12.5 cm";
  A.ItemValues[7] = "Large Box";
  ItemRecord& B = AddRecord("A2", "Two");
  B.ItemChecks[3] = true;  // row 4 is not the named row
  B.ItemNames[3] = "12";
  ItemRecord& C = AddRecord("A3", "Three");
  C.ItemNames[7] = "12";  // unchecked
  EXPECT_EQ(Search({{"197", "1", "", "", "", "Size"}}), V({"A1"}));
  EXPECT_EQ(Search({{"197", "1", "10", "13", "", "Size"}}), V({"A1"}));
  EXPECT_EQ(Search({{"197", "1", "13", "", "", "Size"}}), V({}));
  EXPECT_EQ(Search({{"197", "1", "", "$12.5", "", "Size"}}), V({"A1"}));
  EXPECT_EQ(Search({{"197", "1", "", "", "box", "Size", "0"}}), V({"A1"}));
  EXPECT_EQ(Search({{"197", "1", "", "", "box", "Size", "1"}}), V({}));
  EXPECT_EQ(Search({{"197", "1", "", "", "LARGE BOX", "Size", "1"}}), V({"A1"}));
  EXPECT_EQ(Search({{"197", "1", "", "", "", "Weight"}}), V({}));
  EXPECT_EQ(Search({{"197", "2", "", "", "", "Size"}}), V({"A2", "A3"}));
}

TEST(SearchNumberText, KeepsDigitsAndTheLastDot) {
  EXPECT_EQ(NumberText("$1,234.50"), "1234.50");
  EXPECT_EQ(NumberText("1.2.3"), "12.3");
  EXPECT_EQ(NumberText("-7 kg"), "7");
  EXPECT_EQ(NumberText("none"), "0");
  EXPECT_EQ(NumberText(""), "0");
}

TEST_F(SearchTest, GridCellsAndColumns) {
  ItemRecord& A = AddRecord("A1", "One");
  A.Grid3 = GridText(4, 3, {{1, 0, "Head"}, {1, 1, "5"}, {2, 2, "red pen"}});
  A.Grid3Rows = 3;
  ItemRecord& B = AddRecord("A2", "Two");
  B.Grid4 = GridText(3, 2, {{0, 0, "id"}, {2, 1, "Pencil"}});
  B.Grid4Rows = 2;
  // The cell search matches a whole cell, with case.
  EXPECT_EQ(Search({{"250", "1", "red pen"}}), V({"A1"}));
  EXPECT_EQ(Search({{"250", "1", "red"}}), V({}));
  EXPECT_EQ(Search({{"255", "1", "Pencil"}}), V({"A2"}));
  EXPECT_EQ(Search({{"255", "2", "Pencil"}}), V({"A1"}));
  // Columns: any line below the header in range.
  EXPECT_EQ(Search({{"400", "1", "4", "6"}}), V({"A1"}));
  EXPECT_EQ(Search({{"400", "1", "Head", ""}}), V({}));
  EXPECT_EQ(Search({{"410", "1", "PEN", ""}}), V({"A1"}));
  EXPECT_EQ(Search({{"510", "1", "pen", ""}}), V({"A2"}));
  EXPECT_EQ(Search({{"500", "1", "pen", ""}}), V({}));
}

TEST_F(SearchTest, GridColumnTermsReadTheTextAsTheGridDoes) {
  // The column test reads grid texts of the grid's own form directly: each must give what the
  // grid loaded from the same text gives, and texts of other forms still go through the grid.
  const std::vector<std::string> Texts = {
      "4,3\r\n1,1,abc\r\n1,1,xyz\r\n",       // the last line of a cell wins
      "4,3\r\n1,2,7\r\n",                     // row 1 empty
      "4,3\r\n1,1,a\tb\bc\r\n",               // coded line breaks
      "4,2\r\n1,5,out\r\n1,1,in\r\n",         // a row beyond the grid
      "4,3\r\n1,1,x\n1,2,y\r\n",               // a LF inside a cell's text
      "",                                         // no grid text
      "1,3\r\n0,1,q\r\n",                     // the column beyond the grid
      "4,3\r\n01,1,abc\r\n1,2,\r\n",          // a leading zero, an empty text
      "4,3\r\n 1,1,abc\r\n",                    // a blank before a number
  };
  const std::vector<std::pair<std::string, std::string>> Ranges = {
      {"a", "z"}, {"", "xy"}, {"7", "7"}, {"x", ""}, {"", ""}, {"b", "c"}};
  for (std::size_t i = 0; i < Texts.size(); ++i) {
    ItemRecord& R = AddRecord("G" + std::to_string(i), "Grid");
    R.Grid3 = Texts[i];
    R.Grid3Rows = 3;
  }
  for (const auto& [Low, High] : Ranges) {
    std::vector<std::string> Expected;
    for (std::size_t i = 0; i < Texts.size(); ++i) {
      TQnStringGrid Grid(nullptr);
      LoadRecordGrid(Database, std::as_const(Database).Record(static_cast<int>(i)), TRecordGrid::Grid3, Grid);
      bool Found = false;
      for (int Row = 1; Row < Grid.RowCount(); ++Row) Found = Found || RangeMatches(Grid.Cells(1, Row), Low, High);
      if (Found) Expected.push_back("G" + std::to_string(i));
    }
    EXPECT_EQ(Search({{"400", "1", Low, High}}), Expected) << Low << ".." << High;
  }
}

TEST_F(SearchTest, FieldColumnsFollowEveryChange) {
  // Text fields are searched in columns made at the first search: a record changed, added,
  // deleted or a database loaded afterwards is seen by the next search.
  AddRecord("A1", "One").Descriptions[2] = "red";
  AddRecord("A2", "Two").Details[0] = "5";
  const std::vector<TTerm> Red = {{"20", "1", "red"}};
  const std::vector<TTerm> Five = {{"100", "1", "5", "5"}};
  EXPECT_EQ(Search(Red), V({"A1"}));
  EXPECT_EQ(Search(Five), V({"A2"}));
  Database.Record(1).Descriptions[2] = "dark red";
  Database.Record(0).Details[0] = "5";
  EXPECT_EQ(Search(Red), V({"A1", "A2"}));
  EXPECT_EQ(Search(Five), V({"A1", "A2"}));
  AddRecord("A3", "Three").Descriptions[2] = "red";
  EXPECT_EQ(Search(Red), V({"A1", "A2", "A3"}));
  Database.DeleteRecord(0);
  EXPECT_EQ(Search(Red), V({"A2", "A3"}));
  EXPECT_EQ(Search({{"210", "1", "Three", "Three"}}), V({"A3"}));
  TDatabase Copy;
  Copy.LoadFromBytes(Database.SaveToBytes());
  Database.LoadFromBytes(Copy.SaveToBytes());
  EXPECT_EQ(Search(Red), V({"A2", "A3"}));
  // One record changed over and over: its column entries follow, long texts and all, and a
  // rolled-back change is gone from them too.
  Database.MarkSaved();
  for (int i = 0; i < 300; ++i) {
    Database.Record(1).Descriptions[2] = std::string(8000, 'x') + (i % 2 ? "red" : "blue");
    EXPECT_EQ(Search(Red), i % 2 ? V({"A2", "A3"}) : V({"A2"})) << i;
  }
  Database.MarkSaved();
  Database.Record(0).Descriptions[2] = "blue";
  AddRecord("A4", "Four").Descriptions[2] = "red";
  EXPECT_EQ(Search(Red), V({"A3", "A4"}));
  Database.Rollback();
  EXPECT_EQ(Search(Red), V({"A2", "A3"}));
  EXPECT_EQ(Search({{"210", "1", "Four", "Four"}}), V({}));
}

TEST_F(SearchTest, AllTermsMustPassAndUnknownCodesTestNothing) {
  ItemRecord& A = AddRecord("A1", "Alpha");
  A.Descriptions[0] = "red";
  A.Details[1] = "5";
  ItemRecord& B = AddRecord("A2", "Beta");
  B.Descriptions[0] = "red";
  B.Details[1] = "50";
  AddRecord("A3", "Gamma").Details[1] = "5";
  EXPECT_EQ(Search({{"0", "1", "red"}, {"110", "1", "1", "9"}}), V({"A1"}));
  EXPECT_EQ(Search({{"0", "1", "red"}, {"110", "2", "1", "9"}}), V({"A2"}));
  EXPECT_EQ(Search({{"0", "1", "red"}, {"105", "1", "zzz"}, {"999", "2", "zzz"}}), V({"A1", "A2"}));
  EXPECT_EQ(Search({}), V({}));
}

TEST_F(SearchTest, TermsBeyondFiftyAreNotTested) {
  AddRecord("A1", "Alpha");
  std::vector<TTerm> Terms(50, TTerm{"210", "1", "alp", ""});
  Terms.push_back({"210", "1", "nothing", ""});
  EXPECT_EQ(Search(Terms), V({"A1"}));
  Terms[49] = {"210", "1", "nothing", ""};
  EXPECT_EQ(Search(Terms), V({}));
}

TEST_F(SearchTest, BadTermsAndBodies) {
  AddRecord("A1", "Alpha");
  for (const TTerm& Bad : {TTerm{"x1", "1", "a"}, TTerm{"210", "", "a"}, TTerm{"210", "1", "a", "", "", "", "one"}})
    EXPECT_THROW(Run(LoadSearch, TermsBody({{"210", "1", "alp", ""}, Bad})), EConvertError);
  // A truncated stream: the error, then the search on what was loaded (nothing).
  const std::string Reply = Run(LoadSearch, "11,2\r\n3,0,210\r\n4,");
  ASSERT_EQ(Reply.rfind("<HTML>Error in Search Request</HTML>\r\n", 0), 0u);
  EXPECT_EQ(Codes(Reply.substr(38)), V({}));
  // Beyond the grid's ceiling.
  EXPECT_EQ(Run(LoadSearch, "11,99999999\r\n").rfind("<HTML>Error in Search Request</HTML>", 0), 0u);
  EXPECT_EQ(Database.Record(0).Name, "Alpha");
  EXPECT_EQ(Saves, 0);
}

// ---- search display ----

TEST_F(SearchTest, DisplayFillsChosenFieldsForKnownCodes) {
  ItemRecord& A = AddRecord("A1", "Alpha");
  A.Descriptions[9] = "d10";
  A.Details[0] = "x1";
  A.Others[5] = "o6";
  A.Checks = {true, false, true};
  AddRecord("A2", "Beta").Checks = {false, true, false};
  const std::string Body = GridText(
      7, 5,
      {{0, 0, "Code"}, {1, 0, "Name"}, {2, 0, "Status"}, {0, 1, "28"}, {1, 1, "21"}, {2, 1, "20"}, {3, 1, "9"},
       {4, 1, "10"}, {5, 1, "27"}, {6, 1, "29"}, {0, 2, "A2"}, {0, 3, "ZZ"}, {0, 4, "A1"}});
  TQnStringGrid Grid(nullptr);
  ParseGrid(Run(SendSearchDisplay, Body), Grid);
  ASSERT_EQ(Grid.ColCount(), 7);
  ASSERT_EQ(Grid.RowCount(), 3);
  EXPECT_EQ(Grid.Cells(2, 0), "Status");
  EXPECT_EQ(Grid.Cells(0, 1), "A2");
  EXPECT_EQ(Grid.Cells(2, 1), "Available ");
  EXPECT_EQ(Grid.Cells(0, 2), "A1");
  EXPECT_EQ(Grid.Cells(1, 2), "Alpha");
  EXPECT_EQ(Grid.Cells(2, 2), "Working Not Available ");
  EXPECT_EQ(Grid.Cells(3, 2), "d10");
  EXPECT_EQ(Grid.Cells(4, 2), "x1");
  EXPECT_EQ(Grid.Cells(5, 2), "o6");
  EXPECT_EQ(Grid.Cells(6, 2), "");
}

TEST_F(SearchTest, DisplayErrors) {
  AddRecord("A1", "Alpha");
  // A column code that is not a number: the error, then the header alone.
  std::string Reply = Run(SendSearchDisplay, GridText(2, 3, {{0, 0, "Code"}, {0, 1, "28"}, {1, 1, "x"}, {0, 2, "A1"}}));
  const std::string Error = "<HTML>Error in search display request</html>\r\n";
  ASSERT_EQ(Reply.rfind(Error, 0), 0u);
  TQnStringGrid Grid(nullptr);
  ParseGrid(Reply.substr(Error.size()), Grid);
  EXPECT_EQ(Grid.RowCount(), 1);
  EXPECT_EQ(Grid.Cells(0, 0), "Code");
  // Without a known record the codes are not read.
  Reply = Run(SendSearchDisplay, GridText(2, 3, {{0, 1, "x"}, {0, 2, "B9"}}));
  EXPECT_EQ(Reply.find("Error"), std::string::npos);
  // A malformed body.
  Reply = Run(SendSearchDisplay, "two,3\r\n");
  EXPECT_EQ(Reply.rfind("<HTML>Error in Search Display Request</HTML>\r\n", 0), 0u);
}

// ---- search index ----

TEST(SearchIndexWords, SplitsLowerCasesAndDrops) {
  ItemRecord R;
  R.Name = "The Red,Box;of:TOYS";
  R.Descriptions[0] = "a an and at if or to too x";
  R.Details[3] = "Boxes <a href=http://x.y>link</a> redwood red ox";
  R.Others[5] = "toys fine";
  // Link fragments go, and so does a word that the list already holds as a part.
  EXPECT_EQ(IndexWords(R), "red box of toys boxes redwood fine ");
}

TEST(SearchIndexWords, SubstringOfAnEarlierWordIsNotAdded) {
  ItemRecord R;
  R.Name = "category cat";
  EXPECT_EQ(IndexWords(R), "category ");
}

class SearchFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    Folder = fs::temp_directory_path() / ("qnsearch_test_" + std::to_string(::getpid()));
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    Form = std::make_unique<TQNServerForm>(Folder.string());
    Form->ESStaffFirstExecRequest(nullptr);
    Send("H:Shop");
    TRecordCodeGenerator Codes(3);
    TDatabase& D = *Form->Database();
    for (const char* Name : {"Red Chair", "Blue Table, large"}) {
      ItemRecord& R = D.Record(D.NewRecord(Codes));
      R.Name = Name;
    }
    D.MarkSaved();  // as if stored: a request drops what no save stored
  }
  void TearDown() override {
    Form.reset();
    fs::remove_all(Folder);
  }
  std::string Send(const std::string& UA, const std::string& Body = {}) {
    TMemoryRequest Request(UA, Body);
    Form->ExecRequest(Request);
    return Request.Reply;
  }
  fs::path Folder;
  std::unique_ptr<TQNServerForm> Form;
};

TEST_F(SearchFormTest, IndexFileBesideTheDatabase) {
  EXPECT_EQ(Send("Y:Shop"), "");
  std::ifstream In(Folder / "Shop.qnd.sea", std::ios::binary);
  const std::string Text((std::istreambuf_iterator<char>(In)), {});
  const TDatabase& D = *Form->Database();
  EXPECT_EQ(Text, "\"\"," + D.Record(0).Code + ",red chair \r\n\"\"," + D.Record(1).Code +
                      ",blue table large \r\n\"\",\"\",\"\"\r\n");
}

TEST_F(SearchFormTest, ThroughTheDispatcher) {
  const std::string Body = "11,1\r\n3,0,210\r\n4,0,1\r\n5,0,chair\r\n10,0,0\r\n";
  const std::string Code = Form->Database()->Record(0).Code;
  EXPECT_EQ(Send("2:Shop", Body), "2,2\r\n0,0," + Code + "\r\n1,0,Red Chair\r\n");
  EXPECT_EQ(Send("1:Shop"), "2,2\r\n0,0," + Code + "\r\n1,0,Red Chair\r\n");
  EXPECT_EQ(Send("2:Shop", "11,1\r\n3,0,abc\r\n4,0,1\r\n10,0,0\r\n"), "<HTML>Error Local Mode in Request</HTML>\r\n");
  EXPECT_EQ(Form->Database()->Count(), 2);
}

}  // namespace
