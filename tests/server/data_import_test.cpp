#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "server/data_import.h"
#include "server/database_journal.h"
#include "server/qnserver_form.h"
#include "tests/server/handler_fixture.h"

namespace {

constexpr int NotImported = 200;

class ImportTest : public HandlerTest {
protected:
  void SetUp() override {
    AddRecord("AAAAAAAA", "Existing");
    Database.Config.DetailKinds[2] = "Record Counter";
    Database.RecordCounter = "41";
    TDescriptionNode Blue;
    Blue.Text = "Blue";
    Database.Config.DescriptionTrees[1].Nodes.push_back(Blue);
    Database.Changed = false;
  }

  // The body of "M": the grid wrapper of Rows (row 0 the header) and the codes of its columns;
  // the codes not given are NotImported.
  static std::string Body(const std::vector<std::vector<std::string>>& Rows, const std::vector<int>& Codes) {
    int Cols = 0;
    std::vector<TCell> Cells;
    for (int r = 0; r < static_cast<int>(Rows.size()); ++r) {
      Cols = std::max(Cols, static_cast<int>(Rows[r].size()));
      for (int c = 0; c < static_cast<int>(Rows[r].size()); ++c)
        if (!Rows[r][c].empty()) Cells.push_back({c, r, Rows[r][c]});
    }
    std::string Out;
    TValueWriter W(Out);
    W.WriteInteger(Cols);
    W.WriteInteger(static_cast<int>(Rows.size()));
    W.WriteChars(GridText(Cols + 1, static_cast<int>(Rows.size()), Cells));
    for (int i = 0; i < ImportCodeCount; ++i)
      W.WriteInteger(i < static_cast<int>(Codes.size()) ? Codes[static_cast<std::size_t>(i)] : NotImported);
    return Out;
  }

  std::string Import(const std::string& Bytes) {
    return Run([this](const THandlerContext& C) { ImportData(C, Codes); }, Bytes);
  }

  // Runs a body that must fail, and checks that it changed nothing.
  void ExpectRefused(const std::string& Bytes) {
    const std::string Before = Database.SaveToBytes();
    EXPECT_ANY_THROW(Import(Bytes));
    EXPECT_EQ(Database.Count(), 1);
    EXPECT_EQ(Database.SaveToBytes(), Before);
    EXPECT_EQ(Saves, 0);
  }

  std::vector<std::string> TopLines(int Description) const {
    std::vector<std::string> Out;
    for (const auto& Node : Database.Config.DescriptionTrees[static_cast<std::size_t>(Description)].Nodes)
      Out.push_back(Node.Text);
    return Out;
  }
};

TEST_F(ImportTest, EveryDataRowBecomesARecordWithItsMappedFields) {
  const std::string Reply = Import(Body({{"Name", "Colour", "Weight", "Shelf", "Skip"},
                                         {"Anvil", "Red", "12", "A1", "x"},
                                         {"Bolt", "Blue", "", "B2", "y"}},
                                        {210, 10, 100, 350, NotImported}));
  EXPECT_EQ(Lines(Reply), (std::vector<std::string>{"<HTML>", "Stream Read", "Cols5", "Rows3", "Grid Loaded",
                                                     "Buffer Grid Loaded", "Data has been imported."}));
  ASSERT_EQ(Database.Count(), 3);
  EXPECT_EQ(Saves, 1);

  const ItemRecord& A = std::as_const(Database).Record(1);
  EXPECT_EQ(A.Name, "Anvil");
  EXPECT_EQ(A.Descriptions[1], "Red");
  EXPECT_EQ(A.Details[0], "12");
  EXPECT_EQ(A.Others[5], "A1");
  EXPECT_EQ(A.Details[2], "42");  // the record counter of a new record
  const ItemRecord& B = std::as_const(Database).Record(2);
  EXPECT_EQ(B.Name, "Bolt");
  EXPECT_EQ(B.Details[0], "");
  EXPECT_EQ(B.Details[2], "43");
  for (const ItemRecord* R : {&A, &B}) {
    for (const auto& D : R->Details) EXPECT_NE(D, "x");
    for (const auto& D : R->Others) EXPECT_NE(D, "y");
  }
  // New codes, distinct from each other and from the record already there.
  EXPECT_NE(A.Code, B.Code);
  EXPECT_EQ(Database.FindRecordIndex(A.Code), 1);
  EXPECT_EQ(Database.FindRecordIndex(B.Code), 2);
  EXPECT_EQ(Database.FindRecordIndex("AAAAAAAA"), 0);
}

TEST_F(ImportTest, HeaderOnlyGridCreatesNothingButStillSaves) {
  EXPECT_NE(Import(Body({{"Name"}}, {210})).find("Data has been imported."), std::string::npos);
  EXPECT_EQ(Database.Count(), 1);
}

TEST_F(ImportTest, EveryFieldCodeReachesItsField) {
  std::vector<std::vector<std::string>> Rows(2);
  std::vector<int> Codes;
  for (int d = 0; d < 10; ++d) Codes.push_back(d * 10), Codes.push_back(100 + d * 10);
  for (int o = 0; o < 6; ++o) Codes.push_back(300 + o * 10);
  Codes.push_back(210);
  for (int Code : Codes) {
    Rows[0].push_back("h");
    Rows[1].push_back("v" + std::to_string(Code));
  }
  Import(Body(Rows, Codes));
  ASSERT_EQ(Database.Count(), 2);
  const ItemRecord& R = std::as_const(Database).Record(1);
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(R.Descriptions[i], "v" + std::to_string(i * 10));
    EXPECT_EQ(R.Details[i], "v" + std::to_string(100 + i * 10));
  }
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(R.Others[i], "v" + std::to_string(300 + i * 10));
  EXPECT_EQ(R.Name, "v210");
}

TEST_F(ImportTest, CodesBetweenTheFieldsAreIgnored) {
  // 200 lies between the details and the name, 5 and 360 are not on the table, -10 is negative.
  Import(Body({{"a", "b", "c", "d"}, {"1", "2", "3", "4"}}, {200, 5, 360, -10}));
  ASSERT_EQ(Database.Count(), 2);
  const ItemRecord& R = std::as_const(Database).Record(1);
  EXPECT_EQ(R.Name, "Untitled");
  for (const auto& V : R.Descriptions) EXPECT_EQ(V, "");
  for (std::size_t i = 0; i < 10; ++i)
    if (i != 2) {  // detail 3 is the record counter
      EXPECT_EQ(R.Details[i], "");
    }
  for (const auto& V : R.Others) EXPECT_EQ(V, "");
}

TEST_F(ImportTest, NewDescriptionValuesJoinTheTreeOnce) {
  Import(Body({{"Colour"}, {" Red"}, {"Red"}, {"Blue"}, {"   "}, {"Green"}}, {10}));
  ASSERT_EQ(Database.Count(), 6);
  // The record keeps the cell as it was; the tree line has no leading blanks.
  EXPECT_EQ(std::as_const(Database).Record(1).Descriptions[1], " Red");
  EXPECT_EQ(TopLines(1), (std::vector<std::string>{"Blue", "Red", "Green"}));
  for (int d : {0, 2, 9}) EXPECT_TRUE(TopLines(d).empty());
  // Five distinct values: the distinct-values text lists them, blanks and all.
  EXPECT_EQ(Database.Config.DistinctValues[1], std::string("   ") + " " + " Red" + " " + "Blue Green Red ");
}

TEST_F(ImportTest, LongDescriptionValuesAreCutToATreeLineAtACharacter) {
  // 254 bytes and then a two-byte character: the cut falls before it.
  const std::string Long = std::string(254, 'x') + "\xC3\xA9" + "tail";
  const std::string Other = std::string(254, 'x') + "\xC3\xA9" + "other";
  Import(Body({{"Colour"}, {Long}, {Other}}, {0}));
  EXPECT_EQ(std::as_const(Database).Record(1).Descriptions[0], Long);
  ASSERT_EQ(TopLines(0).size(), 1u);
  EXPECT_EQ(TopLines(0)[0], std::string(254, 'x'));

  // The configuration still travels and reads back with the line.
  std::string Stream;
  TValueWriter W(Stream);
  WriteDescriptionTree(W, Database.Config.DescriptionTrees[0]);
  TValueReader R(Stream);
  EXPECT_EQ(ReadDescriptionTree(R).Texts(), TopLines(0));
}

TEST_F(ImportTest, ColumnsBeyondTheHundredthAreNotImported) {
  std::vector<std::vector<std::string>> Rows(2, std::vector<std::string>(101, "h"));
  Rows[1][99] = "ninety-nine";
  Rows[1][100] = "hundred";
  std::vector<int> Codes(ImportCodeCount, NotImported);
  Codes[99] = 210;
  Import(Body(Rows, Codes));
  ASSERT_EQ(Database.Count(), 2);
  EXPECT_EQ(std::as_const(Database).Record(1).Name, "ninety-nine");
}

TEST_F(ImportTest, ManyRowsGetDistinctCodes) {
  std::vector<std::vector<std::string>> Rows{{"Name"}};
  for (int i = 0; i < 2000; ++i) Rows.push_back({std::string("n").append(std::to_string(i))});
  Import(Body(Rows, {210}));
  ASSERT_EQ(Database.Count(), 2001);
  for (int i = 0; i < Database.Count(); ++i)
    EXPECT_EQ(Database.FindRecordIndex(std::as_const(Database).Record(i).Code), i);
}

TEST_F(ImportTest, BadBodiesChangeNothing) {
  const std::string Good = Body({{"Name"}, {"Anvil"}, {"Bolt"}}, {210});
  // Every cut short of the whole body: the codes, the grid text, the counts.
  for (std::size_t Cut : {Good.size() - 1, Good.size() - 150, std::size_t{30}, std::size_t{3}, std::size_t{0}}) {
    SCOPED_TRACE(Cut);
    ExpectRefused(Good.substr(0, Cut));
  }

  // Counts out of range.
  auto Forged = [](int Cols, int Rows, const std::string& Text) {
    std::string Out;
    TValueWriter W(Out);
    W.WriteInteger(Cols);
    W.WriteInteger(Rows);
    W.WriteChars(Text);
    for (int i = 0; i < ImportCodeCount; ++i) W.WriteInteger(210);
    return Out;
  };
  ExpectRefused(Forged(-1, 3, GridText(1, 3, {{0, 1, "a"}})));
  ExpectRefused(Forged(1, -5, GridText(1, 3, {{0, 1, "a"}})));
  ExpectRefused(Forged(100000, 100000, GridText(1, 3, {{0, 1, "a"}})));
  // The grid text's own counts beyond the ceiling, or not a grid text at all.
  ExpectRefused(Forged(1, 3, "50000,50000\r\n0,1,a\r\n"));
  ExpectRefused(Forged(1, 3, "not a grid\r\n"));
  // A Chars block announcing more than the body holds.
  std::string Lying;
  TValueWriter W(Lying);
  W.WriteInteger(1);
  W.WriteInteger(2);
  W.WriteInteger(1 << 30);
  ExpectRefused(Lying);
}

TEST_F(ImportTest, ADatabaseThatFailedToLoadIsNotImportedInto) {
  Database.MarkLoadFailed();
  ExpectRefused(Body({{"Name"}, {"Anvil"}}, {210}));
}

// "M" through the dispatcher, on a database file.
class ImportCommandTest : public ::testing::Test {
protected:
  void SetUp() override {
    Folder = std::filesystem::temp_directory_path() /
             ("qnserver_import_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    TConfiguration C;
    C.DescriptionNames[0] = "Colour";
    std::string Set;
    TValueWriter W(Set);
    WriteConfiguration(W, C, 0);
    std::ofstream(Folder / "General.set", std::ios::binary) << Set;
    Form = std::make_unique<TQNServerForm>(Folder.string());
    Form->SeedRecordCodes(5);
    Form->ESStaffFirstExecRequest(nullptr);
    Send("CreateDB:books;General", {}, {{"Name", "books"}, {"FileCode", "FCbooks"}});
    ASSERT_TRUE(std::filesystem::exists(File()));
  }
  void TearDown() override {
    Form.reset();
    std::filesystem::remove_all(Folder);
  }

  std::filesystem::path File() const { return Folder / "books.qnd"; }
  std::string FileBytes() const {
    std::ifstream In(File(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  }
  std::string JournalBytes() const {
    std::ifstream In(File().string() + ".jnl", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  }
  std::string Send(const std::string& UA, const std::string& Body = {},
                   std::map<std::string, std::string> Fields = {}) {
    TMemoryRequest Request(UA, Body);
    Request.Fields = std::move(Fields);
    Form->ExecRequest(Request);
    return Request.Reply;
  }
  static std::string Body(const std::string& GridText, int Rows) {
    std::string Out;
    TValueWriter W(Out);
    W.WriteInteger(2);
    W.WriteInteger(Rows);
    W.WriteChars(GridText);
    W.WriteInteger(210);
    W.WriteInteger(0);
    for (int i = 2; i < ImportCodeCount; ++i) W.WriteInteger(NotImported);
    return Out;
  }

  std::filesystem::path Folder;
  std::unique_ptr<TQNServerForm> Form;
};

TEST_F(ImportCommandTest, ImportsIntoTheFileAndRefusesABadBody) {
  const int Before = Form->Database()->Count();
  const std::string Text = "3,3\r\n0,0,Name\r\n1,0,Colour\r\n0,1,Anvil\r\n1,1,Red\r\n0,2,Bolt\r\n";
  const std::string Reply = Send("M:books", Body(Text, 3));
  EXPECT_NE(Reply.find("Data has been imported."), std::string::npos);
  EXPECT_EQ(Reply.find("Error"), std::string::npos);

  // The file and its journal hold the two new records and the new tree line.
  TDatabase Saved;
  TDatabaseFile(File().string()).Load(Saved);
  ASSERT_EQ(Saved.Count(), Before + 2);
  EXPECT_EQ(Saved.Record(Before).Name, "Anvil");
  EXPECT_EQ(Saved.Record(Before).Descriptions[0], "Red");
  EXPECT_EQ(Saved.Record(Before + 1).Name, "Bolt");
  ASSERT_EQ(Saved.Config.DescriptionTrees[0].Nodes.size(), 1u);
  EXPECT_EQ(Saved.Config.DescriptionTrees[0].Nodes[0].Text, "Red");

  // A body cut inside the codes: the dispatcher's error reply, no record, the file as it was.
  const std::string File = FileBytes() + JournalBytes();
  const std::string Short = Body(Text, 3).substr(0, Body(Text, 3).size() - 10);
  const std::string Bad = Send("M:books", Short);
  EXPECT_NE(Bad.find("<HTML>Error Local Mode in Request</HTML>"), std::string::npos);
  EXPECT_EQ(Bad.find("Data has been imported."), std::string::npos);
  EXPECT_EQ(Form->Database()->Count(), Before + 2);
  EXPECT_EQ(FileBytes() + JournalBytes(), File);
}

}  // namespace
