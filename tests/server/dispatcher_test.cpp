#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/rtl/file_io.h"
#include "server/definition_table.h"
#include "server/qnserver_form.h"
#include "tests/temp_path.h"

namespace fs = std::filesystem;

namespace {

std::string MaskedRecord(const TChangeMask& Mask, const ItemRecord& Record) {
  std::string Body;
  TValueWriter W(Body);
  Mask.Write(W);
  WriteItemRecord(W, Record, TRecordForm::Stream);
  return Body;
}

ItemRecord ParseRecord(const std::string& Reply) {
  TValueReader R(Reply);
  ItemRecord Record;
  ReadItemRecord(R, Record, TRecordForm::Stream);
  EXPECT_TRUE(R.AtEnd());
  return Record;
}

class ServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    Folder = fs::temp_directory_path() /
             ("qnserver_test_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Folder);
    fs::create_directories(Folder / "db");
    TConfiguration C;
    C.DetailNames[0] = "Number";
    C.DetailKinds[0] = "Record Counter";
    C.DescriptionNames[0] = "Country";
    C.StatusWord = "Active";
    std::string Set;
    TValueWriter W(Set);
    WriteConfiguration(W, C, 0);
    WriteWholeFile(Db() / "General.set", Set);
    TAttributes A;
    A.Grid3Columns = 5;
    A.Grid4Columns = 6;
    std::string Atr;
    TValueWriter WA(Atr);
    WriteAttributes(WA, A);
    WriteWholeFile(Db() / "General.atr", Atr);
    Form = std::make_unique<TQNServerForm>(Db().string());
    Form->SeedRecordCodes(42);
    Form->ESStaffFirstExecRequest(nullptr);
  }
  void TearDown() override {
    FailFileStepAt(TFileStep::Write, 0);
    Form.reset();
    fs::remove_all(Folder);
  }

  fs::path Db() const { return Folder / "db"; }

  std::string Send(const std::string& UA, const std::string& Body = {},
                   std::map<std::string, std::string> Fields = {}) {
    TMemoryRequest Request(UA, Body);
    Request.Fields = std::move(Fields);
    Form->ExecRequest(Request);
    EXPECT_EQ(Request.ContentType, "text/html");
    return Request.Reply;
  }

  std::string Create(const std::string& Name) {
    return Send("CreateDB:" + Name + ";General", {}, {{"Name", Name}, {"FileCode", "FC" + Name}});
  }

  std::string Save(const std::string& Code, const std::string& Db, const ItemRecord& R,
                   const TChangeMask& Mask) {
    return Send("S" + Code + ":" + Db, MaskedRecord(Mask, R));
  }

  fs::path Folder;
  std::unique_ptr<TQNServerForm> Form;
};

}  // namespace

TEST_F(ServerTest, CreatesADatabaseFromItsDefinition) {
  EXPECT_EQ(Create("books"), "<HTML>database created</html>\r\n");
  ASSERT_TRUE(fs::exists(Db() / "books.qnd"));
  EXPECT_EQ(Create("books"), "<HTML>database already exists</html>\r\n");
  EXPECT_EQ(Send("CreateDB:other;Missing"), "<HTML>configuration not found</html>\r\n");
  EXPECT_FALSE(fs::exists(Db() / "other.qnd"));

  const ItemRecord First = ParseRecord(Send("F:books"));
  EXPECT_EQ(First.Name, "Untitled");
  EXPECT_EQ(First.Details[0], "1");  // the record counter of a "Record Counter" detail
  EXPECT_EQ(First.Grid3Rows, 2);
  EXPECT_EQ(First.Images[5].Title, "Untitled 6");
  EXPECT_EQ(Form->Database()->Config.Grid3Columns, 5);
  EXPECT_EQ(Form->Database()->Config.DatabaseInfo[diFileCode], "FCbooks");
}

TEST_F(ServerTest, NewRecordsGetFreshCodesAndTheCounter) {
  Create("books");
  const ItemRecord A = ParseRecord(Send("E:books"));
  const ItemRecord B = ParseRecord(Send("E:books"));
  EXPECT_EQ(A.Name, "Untitled");
  EXPECT_NE(A.Code, B.Code);
  for (const auto& Code : {A.Code, B.Code}) {
    ASSERT_EQ(Code.size(), 8u);
    EXPECT_GE(Code[0], 'A');
    EXPECT_LE(Code[0], 'Y');
  }
  EXPECT_EQ(A.Details[0], "2");
  EXPECT_EQ(B.Details[0], "3");
  // "E" is saved at once: a fresh server finds both records.
  Form = std::make_unique<TQNServerForm>(Db().string());
  EXPECT_EQ(ParseRecord(Send("G" + B.Code + ":books")).Code, B.Code);
  EXPECT_EQ(Form->Database()->Count(), 3);
}

TEST_F(ServerTest, CounterThatIsNotANumberRestartsAtOne) {
  EXPECT_EQ(NextRecordCounter("12"), "13");
  EXPECT_EQ(NextRecordCounter("abc"), "1");
  EXPECT_EQ(NextRecordCounter(""), "1");
}

TEST_F(ServerTest, NavigationStepsAndStaysAtTheEnds) {
  Create("books");
  const std::string C0 = ParseRecord(Send("F:books")).Code;
  const std::string C1 = ParseRecord(Send("E:books")).Code;
  const std::string C2 = ParseRecord(Send("E:books")).Code;
  EXPECT_EQ(ParseRecord(Send("N" + C0 + ":books")).Code, C1);
  EXPECT_EQ(ParseRecord(Send("N" + C2 + ":books")).Code, C2);
  EXPECT_EQ(ParseRecord(Send("P" + C1 + ":books")).Code, C0);
  EXPECT_EQ(ParseRecord(Send("P" + C0 + ":books")).Code, C0);
  EXPECT_EQ(ParseRecord(Send("GZZZZZZZZ:books")).Code, C0);  // unknown code: the first record
}

TEST_F(ServerTest, FirstOnAnEmptyDatabaseReportsTheError) {
  EXPECT_EQ(Send("F:empty"), "<HTML>Error in RequestF:empty : 0 : 0</HTML>\r\n");
  EXPECT_EQ(Send("H:empty"), "<HTML>database not found</HTML>\r\n");
  EXPECT_FALSE(fs::exists(Db() / "empty.qnd"));
}

TEST_F(ServerTest, SaveStoresOnlyFlaggedFields) {
  Create("books");
  ItemRecord R = ParseRecord(Send("F:books"));
  const std::string Code = R.Code;
  R.Name = "Dune";
  R.Details[1] = "Herbert";
  R.Others[0] = "not flagged";
  R.Lists[0] = {"always"};
  R.RichText = std::string(5000, 'r');
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  Mask.Set(RecordMask::Details, 1);
  Mask.Set(RecordMask::RichText, 0);
  EXPECT_EQ(Save(Code, "books", R, Mask), "<HTML>0</HTML>\r\n");

  Form = std::make_unique<TQNServerForm>(Db().string());  // from the file
  const ItemRecord Back = ParseRecord(Send("G" + Code + ":books"));
  EXPECT_EQ(Back.Name, "Dune");
  EXPECT_EQ(Back.Details[1], "Herbert");
  EXPECT_EQ(Back.Others[0], "");
  EXPECT_EQ(Back.Lists[0], std::vector<std::string>{"always"});
  EXPECT_EQ(Back.RichText, std::string(5000, 'r'));
}

TEST_F(ServerTest, SaveThatChangesNothingWritesNothing) {
  Create("books");
  ItemRecord R = ParseRecord(Send("F:books"));
  const fs::path File = Db() / "books.qnd", Journal = Db() / "books.qnd.jnl";
  const std::string Before = ReadWholeFile(File) + "|" + ReadWholeFile(Journal);
  const auto Time = fs::last_write_time(Journal);
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  Mask.Set(RecordMask::Details, 3);
  EXPECT_EQ(Save(R.Code, "books", R, Mask), "<HTML>0</HTML>\r\n");
  EXPECT_EQ(ReadWholeFile(File) + "|" + ReadWholeFile(Journal), Before);
  EXPECT_EQ(fs::last_write_time(Journal), Time);
  // A change goes to the journal alone; the file is written whole when the database closes.
  R.Name = "Changed";
  EXPECT_EQ(Save(R.Code, "books", R, Mask), "<HTML>0</HTML>\r\n");
  EXPECT_EQ(ReadWholeFile(File) + "|", Before.substr(0, Before.find('|') + 1));
  EXPECT_GT(fs::file_size(Journal), Before.size() - Before.find('|') - 1);
  Form.reset();
  TDatabase Plain;
  Plain.LoadFromBytes(ReadWholeFile(File));
  EXPECT_EQ(Plain.Record(0).Name, "Changed");
}

TEST_F(ServerTest, SaveOfARecordNoLongerThereIsRefusedAndCreatesNothing) {
  Create("books");
  const std::string Gone = ParseRecord(Send("E:books")).Code;
  ASSERT_EQ(Form->Database()->Count(), 2);
  ParseRecord(Send("D" + Gone + ":books"));
  const std::string Before = ReadWholeFile(Db() / "books.qnd");
  ItemRecord R;
  R.Code = Gone;
  R.Name = "Typed after the delete";
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  EXPECT_EQ(Save(Gone, "books", R, Mask), "<HTML>Error in record save.</HTML>\r\n");
  EXPECT_EQ(Save("QQQQ0000", "books", R, Mask), "<HTML>Error in record save.</HTML>\r\n");
  EXPECT_EQ(Form->Database()->Count(), 1);
  EXPECT_NE(ParseRecord(Send("G" + Gone + ":books")).Name, "Typed after the delete");
  EXPECT_EQ(ReadWholeFile(Db() / "books.qnd"), Before);
}

TEST_F(ServerTest, ShortSaveBodyStoresAndSavesNothing) {
  Create("books");
  ItemRecord R = ParseRecord(Send("F:books"));
  const std::string Before = ReadWholeFile(Db() / "books.qnd");
  R.Name = "Changed";
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  std::string Body = MaskedRecord(Mask, R);
  Body.resize(Body.size() - 10);
  const std::string Reply = Send("S" + R.Code + ":books", Body);
  EXPECT_EQ(Reply, "<HTML>Load Error" + std::to_string(Body.size()) + "<HTML>\r\n");
  EXPECT_EQ(ReadWholeFile(Db() / "books.qnd"), Before);
  EXPECT_EQ(ParseRecord(Send("G" + R.Code + ":books")).Name, "Untitled");
  // A short body with an unknown code creates no record either.
  Send("SNEWCODE1:books", Body);
  EXPECT_EQ(Form->Database()->Count(), 1);
}

TEST_F(ServerTest, DeleteRemovesRecordAndItsFiles) {
  Create("books");
  const std::string C0 = ParseRecord(Send("F:books")).Code;
  const std::string C1 = ParseRecord(Send("E:books")).Code;
  EXPECT_EQ(Send("RS" + C1 + ":books", "attachment bytes"), "<HTML>Resume" + C1 + ".res1</HTML>\r\n");
  EXPECT_EQ(Send("IS3" + C1 + "xyz:books", "picture"), "<HTML>Resume" + C1 + ".im31</HTML>\r\n");
  EXPECT_EQ(Send("RR" + C1 + ":books"), "attachment bytes");
  EXPECT_EQ(Send("IR3" + C1 + ":books"), "picture");
  // Deleting the last record answers with the one before it.
  EXPECT_EQ(ParseRecord(Send("D" + C1 + ":books")).Code, C0);
  EXPECT_FALSE(fs::exists(Db() / (C1 + ".res")));
  EXPECT_FALSE(fs::exists(Db() / (C1 + ".im3")));
  EXPECT_EQ(Send("RR" + C1 + ":books"), "<HTML>Error in file retreive for " + C1 + ".res</HTML>\r\n");
  // Deleting the only record answers with a new one; the delete is saved at once.
  const ItemRecord Fresh = ParseRecord(Send("D" + C0 + ":books"));
  EXPECT_EQ(Fresh.Name, "Untitled");
  EXPECT_NE(Fresh.Code, C0);
  Form = std::make_unique<TQNServerForm>(Db().string());
  Send("H:books");
  ASSERT_EQ(Form->Database()->Count(), 1);
  EXPECT_EQ(Form->Database()->Record(0).Code, Fresh.Code);
}

TEST_F(ServerTest, DeleteWithAnUnknownCodeChangesNothing) {
  Create("books");
  Send("E:books");
  const std::string Before = ReadWholeFile(Db() / "books.qnd");
  EXPECT_EQ(Send("DNOSUCH00:books"), "<HTML>Error in Delete</HTML>\r\n");
  EXPECT_EQ(Form->Database()->Count(), 2);
  EXPECT_EQ(ReadWholeFile(Db() / "books.qnd"), Before);
}

TEST_F(ServerTest, ConfigurationSaveAndSend) {
  Create("books");
  TConfiguration C;
  C.DetailNames[2] = "Publisher";
  C.StatusWord = "Closed";
  C.DatabaseInfo[diRecords] = "1000";
  TChangeMask Mask;
  Mask.Set(ConfigMask::DetailNames, 2);
  std::string Body;
  TValueWriter W(Body);
  Mask.Write(W);
  WriteConfiguration(W, C, 0);
  EXPECT_EQ(Send("CS:books", Body), "");
  Send("E:books");
  Form = std::make_unique<TQNServerForm>(Db().string());
  const std::string Reply = Send("CL:books");
  TValueReader R(Reply);
  TChangeMask All;
  All.SetAll(true);
  TConfiguration Back;
  MergeConfiguration(R, All, Back);
  EXPECT_EQ(Back.DetailNames[2], "Publisher");
  EXPECT_EQ(Back.DetailNames[0], "Number");  // unflagged: kept from the definition
  EXPECT_EQ(Back.StatusWord, "Closed");
  EXPECT_EQ(Back.DatabaseInfo[diRecords], "2");

  EXPECT_EQ(Send("CS:books", Body.substr(0, Body.size() - 3)),
            "<HTML>Error in Configuration Load</HTML>\r\n");
}

TEST_F(ServerTest, SwitchingDatabasesSavesTheChangedOne) {
  Create("books");
  Create("films");
  Form = std::make_unique<TQNServerForm>(Db().string());
  // A change that is only in memory: the configuration of books.
  Form->SeedRecordCodes(7);
  Send("F:books");
  Form->Database()->Config.StatusWord = "in memory";
  Form->Database()->Changed = true;
  // A browser request for another database closes books: it is saved first.
  EXPECT_EQ(Send("F:x", {}, {{"Database", "films"}}), "");
  Form = std::make_unique<TQNServerForm>(Db().string());
  Send("F:books");
  EXPECT_EQ(Form->Database()->Config.StatusWord, "in memory");
}

TEST_F(ServerTest, OpeningADatabaseResetsEveryItem) {
  Create("books");
  Send("E:books");
  Send("E:books");  // books' counter is at 3
  // A database file that does not exist starts from defaults.
  Send("F:plain");
  const TDatabase& D = *Form->Database();
  EXPECT_EQ(D.Count(), 0);
  EXPECT_EQ(D.RecordCounter, "");
  EXPECT_EQ(D.Config.StatusWord, "");
  EXPECT_EQ(D.Config.Grid3Columns, 10);
  const ItemRecord R = ParseRecord(Send("E:plain"));
  EXPECT_EQ(R.Details[0], "");  // no "Record Counter" kind leaked from books
}

TEST_F(ServerTest, CorruptDatabaseIsNeverWrittenOver) {
  Create("books");
  Send("E:books");
  Form.reset();  // the journal folded into the file
  std::string File = ReadWholeFile(Db() / "books.qnd");
  File.resize(File.size() - 100);
  WriteWholeFile(Db() / "books.qnd", File);
  Form = std::make_unique<TQNServerForm>(Db().string());
  EXPECT_EQ(ParseRecord(Send("F:books")).Name, "Untitled");  // what was read can be shown
  EXPECT_EQ(Send("E:books"), "<HTML>Error Local Mode in Request</HTML>\r\n");
  ItemRecord R;
  TChangeMask Mask;
  EXPECT_EQ(Save("AAAAAAAA", "books", R, Mask), "<HTML>Error Local Mode in Request</HTML>\r\n");
  EXPECT_EQ(Send("CS:books", std::string(3000, '\x09')), "<HTML>Error Local Mode in Request</HTML>\r\n");
  Send("F:films");
  Form.reset();
  EXPECT_EQ(ReadWholeFile(Db() / "books.qnd"), File);
}

TEST_F(ServerTest, RefusesNamesThatLeaveTheFolder) {
  Create("books");
  const std::string Code = ParseRecord(Send("F:books")).Code;
  const std::string Invalid = "<HTML>Invalid Request</HTML>\r\n";
  for (const std::string& UA : std::vector<std::string>{"F:../outside", "F:/tmp/x", "F:a\\b", "F:.hidden", "F:", "Fbooks", "F:a\x01" "b",
        "CreateDB:../evil;General", "CreateDB:evil;../db/General", "CreateDB:evil", "CreateDB:x;",
        "RS../../x:books", "RR........:books", "IS7ABCDEFGH:books", "IR1../x:books", "D../../x:books",
        "F:" + std::string(65, 'a'), "F:a:b", "F:*", "F:a?", "F:-rf", "F:bad\xff", "F:\xc0\xaf",
        "CreateDB:a*b;General", "CreateDB:-rf;General"})
    EXPECT_EQ(Send(UA, "body"), Invalid) << UA;
  EXPECT_EQ(Send("F:x", {}, {{"Database", "../books"}}), Invalid);
  EXPECT_EQ(Send("F:books", {}, {{"Database", std::string("a/b")}}), Invalid);
  // None of them closed the open database or wrote a file.
  EXPECT_EQ(Form->CurrentDatabasePath(), (Db() / "books.qnd").string());
  for (const auto& Entry : fs::directory_iterator(Folder))
    EXPECT_EQ(Entry.path().filename(), "db");
  EXPECT_EQ(ParseRecord(Send("G" + Code + ":books")).Code, Code);
}

// A database that cannot be written (a full disk) fails the requests that change it; they are
// told so, nothing of them is stored later, and every other database goes on working.
TEST_F(ServerTest, AFailingDatabaseHarmsNoOtherAndKeepsNothingItRefused) {
  Create("books");
  Create("films");
  ItemRecord Book = ParseRecord(Send("F:books"));
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  Book.Name = "Refused";
  FailFileStepsFrom(TFileStep::Write, 1);
  EXPECT_EQ(Save(Book.Code, "books", Book, Mask), "<HTML>Error Local Mode in Request</HTML>\r\n");
  EXPECT_EQ(Send("E:books"), "<HTML>Error Local Mode in Request</HTML>\r\n");
  EXPECT_EQ(ParseRecord(Send("G" + Book.Code + ":books")).Name, "Untitled");
  EXPECT_EQ(Form->Database()->Count(), 1);
  // Switching away cannot store anything either: the next database opens all the same.
  const ItemRecord Film = ParseRecord(Send("F:films"));
  EXPECT_EQ(Film.Name, "Untitled");
  EXPECT_EQ(Send("HANDSHAKE:films"), "<HTML>database found</HTML>\r\n");
  FailFileStepAt(TFileStep::Write, 0);

  // Space is back: films and books take saves, and the refused change never reaches a file.
  ItemRecord Changed = Film;
  Changed.Name = "Stored";
  EXPECT_EQ(Save(Film.Code, "films", Changed, Mask), "<HTML>0</HTML>\r\n");
  ItemRecord Other = Book;
  Other.Name = "Untitled";
  Other.Details[1] = "later";
  TChangeMask DetailMask;
  DetailMask.Set(RecordMask::Details, 1);
  EXPECT_EQ(Save(Book.Code, "books", Other, DetailMask), "<HTML>0</HTML>\r\n");
  Form = std::make_unique<TQNServerForm>(Db().string());
  const ItemRecord Back = ParseRecord(Send("G" + Book.Code + ":books"));
  EXPECT_EQ(Back.Name, "Untitled");
  EXPECT_EQ(Back.Details[1], "later");
  EXPECT_EQ(Form->Database()->Count(), 1);
  EXPECT_EQ(ParseRecord(Send("G" + Film.Code + ":films")).Name, "Stored");
}

// A save refused once (one write that fails) is not stored by the save after it either.
TEST_F(ServerTest, ARefusedSaveIsNotStoredByTheNextOne) {
  Create("books");
  const std::string Second = ParseRecord(Send("E:books")).Code;
  ItemRecord First = ParseRecord(Send("F:books"));
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  for (TFileStep Step : {TFileStep::Write, TFileStep::Sync}) {
    First.Name = "Refused";
    FailFileStepAt(Step, 1);
    EXPECT_EQ(Save(First.Code, "books", First, Mask), "<HTML>Error Local Mode in Request</HTML>\r\n");
    FailFileStepAt(Step, 0);
    ItemRecord Next = ParseRecord(Send("G" + Second + ":books"));
    Next.Name = "Accepted";
    EXPECT_EQ(Save(Second, "books", Next, Mask), "<HTML>1</HTML>\r\n");
    EXPECT_EQ(ParseRecord(Send("G" + First.Code + ":books")).Name, "Untitled");
  }
  Form = std::make_unique<TQNServerForm>(Db().string());
  EXPECT_EQ(ParseRecord(Send("G" + First.Code + ":books")).Name, "Untitled");
  EXPECT_EQ(ParseRecord(Send("G" + Second + ":books")).Name, "Accepted");
}

// A save may not give its record the code of another record, nor a code the server never
// makes; it changes nothing, a new record it would have made included.
TEST_F(ServerTest, ASaveCannotGiveATakenOrMalformedCode) {
  Create("books");
  const std::string Second = ParseRecord(Send("E:books")).Code;
  ItemRecord First = ParseRecord(Send("F:books"));
  const std::string FirstCode = First.Code;
  const std::string Before = ReadWholeFile(Db() / "books.qnd") + ReadWholeFile(Db() / "books.qnd.jnl");
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  First.Name = "Renamed";
  for (const std::string& Code : {Second, std::string("ZAAAAAAA"), std::string("abcdefgh"), std::string("A1"),
                                  std::string()}) {
    First.Code = Code;
    EXPECT_EQ(Save(FirstCode, "books", First, Mask), "<HTML>Error in record save.</HTML>\r\n") << Code;
    EXPECT_EQ(Save("QQQQ0000", "books", First, Mask), "<HTML>Error in record save.</HTML>\r\n") << Code;
  }
  EXPECT_EQ(Form->Database()->Count(), 2);
  EXPECT_EQ(ParseRecord(Send("G" + FirstCode + ":books")).Name, "Untitled");
  EXPECT_EQ(Form->Database()->FindRecordIndex(Second), 1);
  EXPECT_EQ(ReadWholeFile(Db() / "books.qnd") + ReadWholeFile(Db() / "books.qnd.jnl"), Before);
  // A free code of the server's form is taken.
  First.Code = "QQQQ0000";
  EXPECT_EQ(Save(FirstCode, "books", First, Mask), "<HTML>0</HTML>\r\n");
  EXPECT_EQ(ParseRecord(Send("GQQQQ0000:books")).Name, "Renamed");
}

// While the file is written whole on a thread of its own, requests are answered and saves are
// stored; closing the database waits for the write.
TEST_F(ServerTest, RequestsGoOnWhileTheFileIsWrittenWhole) {
  Create("books");
  for (int i = 0; i < 20; ++i) Send("E:books");
  ItemRecord R = ParseRecord(Send("F:books"));
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  R.Name = "Journalled";
  Save(R.Code, "books", R, Mask);
  Form->StartFold();
  EXPECT_TRUE(Form->Folding());
  R.Name = "While writing";
  EXPECT_EQ(Save(R.Code, "books", R, Mask), "<HTML>0</HTML>\r\n");
  const std::string Added = ParseRecord(Send("E:books")).Code;
  EXPECT_EQ(ParseRecord(Send("G" + R.Code + ":books")).Name, "While writing");
  Send("F:films");  // closes books
  EXPECT_FALSE(Form->Folding());
  Form = std::make_unique<TQNServerForm>(Db().string());
  EXPECT_EQ(ParseRecord(Send("G" + R.Code + ":books")).Name, "While writing");
  EXPECT_EQ(ParseRecord(Send("G" + Added + ":books")).Code, Added);
  EXPECT_EQ(Form->Database()->Count(), 22);
}

namespace {

// The body of "X": the column count, the row count and the Chars block of the command rows'
// grid text stream (one column more than the count).
std::string LineCommands(const std::vector<std::vector<std::string>>& Rows) {
  constexpr int Cols = 6;
  std::string Text = std::to_string(Cols + 1) + "," + std::to_string(Rows.size()) + "\r\n";
  for (std::size_t Row = 0; Row < Rows.size(); ++Row)
    for (std::size_t Col = 0; Col < Rows[Row].size(); ++Col)
      if (!Rows[Row][Col].empty())
        Text += std::to_string(Col) + "," + std::to_string(Row) + "," + Rows[Row][Col] + "\r\n";
  std::string Body;
  TValueWriter W(Body);
  W.WriteInteger(Cols);
  W.WriteInteger(static_cast<int>(Rows.size()));
  W.WriteChars(Text);
  return Body;
}

// The lines of a record's grid 3 as sent: each line ID with its first two values.
std::map<std::string, std::pair<std::string, std::string>> Grid3Lines(const ItemRecord& Record) {
  TQnStringGrid Grid(nullptr);
  PrepareWorkGrid(Grid);
  LoadGridText(Grid, Record.Grid3, 1, 1);
  std::map<std::string, std::pair<std::string, std::string>> Lines;
  for (int Row = 1; Row + 1 < Grid.RowCount(); ++Row)
    Lines[Grid.Cells(0, Row)] = {Grid.Cells(1, Row), Grid.Cells(2, Row)};
  return Lines;
}

}  // namespace

// A batch whose row fails after others were answered as done: what the reply called done is
// what the record shows afterwards, in memory, after the database was closed and opened
// again, and in a server started anew.
TEST_F(ServerTest, RowsALineCommandBatchAnsweredAsDoneStay) {
  Create("books");
  const std::string C = ParseRecord(Send("F:books")).Code;
  const std::vector<std::string> Failing = {C, "Add", "", "abc", "2"};  // a field code that raises
  auto Lines = [&](const std::string& Reply) {
    std::vector<std::string> Out;
    for (std::size_t At = 0, End; (End = Reply.find("\r\n", At)) != std::string::npos; At = End + 2)
      Out.push_back(Reply.substr(At, End - At));
    return Out;
  };
  auto LinesOfC = [&] { return Grid3Lines(ParseRecord(Send("G" + C + ":books"))); };
  auto Reopened = [&](bool NewServer) {
    Send("F:films");  // closes books
    if (NewServer) Form = std::make_unique<TQNServerForm>(Db().string());
    return LinesOfC();
  };

  std::vector<std::string> L = Lines(Send("X:books", LineCommands({{C, "3UPDATELINE", "5", "alpha", "beta"}, Failing})));
  ASSERT_GE(L.size(), 2u);
  EXPECT_EQ(L[L.size() - 2], "Grid 3 Update Sucessful</HTML>");
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  const std::map<std::string, std::pair<std::string, std::string>> Five = {{"5", {"alpha", "beta"}}};
  EXPECT_EQ(LinesOfC(), Five);
  EXPECT_EQ(Reopened(false), Five);
  EXPECT_EQ(Reopened(true), Five);

  // A removal before the failing row.
  Send("X:books", LineCommands({{C, "3UPDATELINE", "12", "gone"}}));
  ASSERT_EQ(LinesOfC().count("12"), 1u);
  L = Lines(Send("X:books", LineCommands({{C, "3Remove", "12"}, Failing})));
  ASSERT_GE(L.size(), 2u);
  EXPECT_EQ(L[L.size() - 2], "Grid 3 Remove Sucessful</HTML>");
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  EXPECT_EQ(LinesOfC(), Five);
  EXPECT_EQ(Reopened(false), Five);
  EXPECT_EQ(Reopened(true), Five);

  // A failing first row changes nothing; rows after the failing one are not applied.
  L = Lines(Send("X:books", LineCommands({Failing, {C, "3UPDATELINE", "13", "late"}})));
  EXPECT_EQ(L.back(), "Error in Grid Save</HTML>");
  EXPECT_EQ(LinesOfC(), Five);
  EXPECT_EQ(Reopened(true), Five);
}

// Rows answered as done whose save fails (a full disk) are dropped with the batch: the reply
// ends in the error line, and neither memory nor a later save keeps them.
TEST_F(ServerTest, ALineCommandBatchThatCannotBeStoredIsDropped) {
  Create("books");
  const std::string C = ParseRecord(Send("F:books")).Code;
  Send("X:books", LineCommands({{C, "3UPDATELINE", "5", "alpha", "beta"}}));
  const std::map<std::string, std::pair<std::string, std::string>> Five = {{"5", {"alpha", "beta"}}};
  for (const bool RowFails : {false, true}) {
    std::vector<std::vector<std::string>> Rows = {{C, "3Remove", "5"}, {C, "3UPDATELINE", "7", "x"}};
    if (RowFails) Rows.push_back({C, "Add", "", "abc", "2"});
    FailFileStepsFrom(TFileStep::Write, 1);
    const std::string Reply = Send("X:books", LineCommands(Rows));
    FailFileStepAt(TFileStep::Write, 0);
    EXPECT_NE(Reply.find("Grid 3 Remove Sucessful</HTML>\r\n"), std::string::npos) << RowFails;
    EXPECT_TRUE(Reply.ends_with("\r\nError in Grid Save</HTML>\r\n")) << RowFails << Reply;
    EXPECT_EQ(Grid3Lines(ParseRecord(Send("G" + C + ":books"))), Five) << RowFails;
  }
  ItemRecord R = ParseRecord(Send("G" + C + ":books"));
  R.Name = "Stored";
  TChangeMask Mask;
  Mask.Set(RecordMask::Name, 0);
  EXPECT_EQ(Save(C, "books", R, Mask), "<HTML>0</HTML>\r\n");
  Form = std::make_unique<TQNServerForm>(Db().string());
  const ItemRecord Back = ParseRecord(Send("G" + C + ":books"));
  EXPECT_EQ(Back.Name, "Stored");
  EXPECT_EQ(Grid3Lines(Back), Five);
}

TEST_F(ServerTest, OtherCommandsAndLetters) {
  Create("books");
  EXPECT_EQ(Send("Q:books"), "<HTML>Invalid Request</HTML>\r\n");
  EXPECT_EQ(Send("Z:books"), "<HTML>Function not defined</HTML>\r\n");
  EXPECT_EQ(Send("RX:books"), "");
  EXPECT_EQ(Send("CX:books"), "");
  EXPECT_EQ(Send("HANDSHAKE:books"), "<HTML>database found</HTML>\r\n");
  EXPECT_EQ(Send("USERLIST:books"), "<HTML>Error in file retreive for userlist.dat</HTML>\r\n");
  WriteWholeFile(Db() / "userlist.dat", "user\r\n");
  EXPECT_EQ(Send("USERLIST:books"), "user\r\n");
}

TEST_F(ServerTest, AddressPrintStream) {
  Create("books");
  ItemRecord R = ParseRecord(Send("F:books"));
  R.Memos[0] = {"Jane Doe", "ignored"};
  R.Memos[2] = {"1 Main St", "Springfield"};
  TChangeMask Mask;
  Mask.Set(RecordMask::Memos, 0);
  Mask.Set(RecordMask::Memos, 2);
  Save(R.Code, "books", R, Mask);
  const std::string Second = ParseRecord(Send("E:books")).Code;
  const std::string Reply = Send("A:books");
  TValueReader In(Reply);
  EXPECT_EQ(In.ReadInteger(), 2);
  EXPECT_EQ(In.ReadString(), R.Code);
  EXPECT_EQ(In.ReadString(), "Jane Doe");
  EXPECT_EQ(In.ReadChars(), "1 Main St\r\nSpringfield\r\n");
  EXPECT_EQ(In.ReadString(), Second);
  EXPECT_EQ(In.ReadString(), "");
  EXPECT_EQ(In.ReadChars(), "");
  EXPECT_TRUE(In.AtEnd());
}

TEST_F(ServerTest, DistinctValuesFollowTheDescriptions) {
  Create("books");
  TChangeMask Mask;
  Mask.Set(RecordMask::Descriptions, 1);
  const char* Values[] = {"Peru", "Chile", "Peru", "", "Brazil"};
  for (const char* Value : Values) {
    ItemRecord R = ParseRecord(Send("E:books"));
    R.Descriptions[0] = Value;
    Save(R.Code, "books", R, Mask);
  }
  EXPECT_EQ(Form->Database()->Config.DistinctValues[0], "Brazil Chile Peru ");
  for (const char* Value : {"A", "B", "C"}) {
    ItemRecord R = ParseRecord(Send("E:books"));
    R.Descriptions[0] = Value;
    Save(R.Code, "books", R, Mask);
  }
  EXPECT_EQ(Form->Database()->Config.DistinctValues[0], "");
}

TEST_F(ServerTest, BodiesAboveTheCapAreRefusedUnread) {
  Create("books");
  const std::string Code = ParseRecord(Send("F:books")).Code;
  TMemoryRequest Huge("S" + Code + ":books", "short");
  Huge.ContentLength = TQNServerForm::MaxBodySize + 1;
  Form->ExecRequest(Huge);
  EXPECT_EQ(Huge.Reply, "<HTML>Load Error" + std::to_string(Huge.ContentLength) + "<HTML>\r\n");
  TMemoryRequest File("RS" + Code + ":books", "short");
  File.ContentLength = 1000;  // announced, not sent
  Form->ExecRequest(File);
  EXPECT_EQ(File.Reply, "<HTML>Error in data save." + Code + ".res</HTML>\r\n");
  EXPECT_FALSE(fs::exists(Db() / (Code + ".res")));
}

TEST_F(ServerTest, DefinitionTableFollowsDatabasesOfMoreThan14Records) {
  Create("small");
  for (int i = 1; i < 14; ++i) Send("E:small");
  Form = std::make_unique<TQNServerForm>(Db().string());
  Send("F:small");
  EXPECT_FALSE(fs::exists(Db() / "dbdefinition.dat"));
  Send("E:small");  // 15 records
  Form = std::make_unique<TQNServerForm>(Db().string());
  Send("F:small");
  ASSERT_TRUE(fs::exists(Db() / "dbdefinition.dat"));
  const std::string Table = ReadWholeFile(Db() / "dbdefinition.dat");
  EXPECT_NE(Table.find("FCsmall"), std::string::npos);
  EXPECT_NE(Table.find("Country:"), std::string::npos);  // the processed description name
  // Opening it again updates its row instead of adding one.
  Form = std::make_unique<TQNServerForm>(Db().string());
  Send("F:small");
  const std::string Again = ReadWholeFile(Db() / "dbdefinition.dat");
  EXPECT_EQ(Again, Table);
}

// With the server program's file access every file the server writes in its folder is its
// user's alone, whatever the umask: a database written whole and its journal, attachments and
// images, the search index and the definition table.
TEST_F(ServerTest, EveryFileTheServerWritesIsItsUsersAlone) {
  const TFileAccess Access = FileAccess();
  for (const mode_t Mask : {mode_t{000}, mode_t{002}}) {
    SCOPED_TRACE(Mask);
    const mode_t Before = ::umask(Mask);
    SetFileAccess(TFileAccess::Private);
    const std::string Name = "private" + std::to_string(Mask);
    Create(Name);
    for (int i = 1; i < 15; ++i) Send("E:" + Name);
    ItemRecord R = ParseRecord(Send("F:" + Name));
    TChangeMask Mask0;
    Mask0.Set(RecordMask::Name, 0);
    R.Name = "Journalled";
    EXPECT_EQ(Save(R.Code, Name, R, Mask0), "<HTML>0</HTML>\r\n");
    Send("RS" + R.Code + ":" + Name, "attached");
    Send("IS4" + R.Code + ":" + Name, "picture");
    Send("Y:" + Name);
    Form = std::make_unique<TQNServerForm>(Db().string());  // the journal folded into the file
    Send("F:" + Name);  // 15 records loaded: the definition table is written
    R.Name = "Journalled again";
    EXPECT_EQ(Save(R.Code, Name, R, Mask0), "<HTML>0</HTML>\r\n");
    Form = std::make_unique<TQNServerForm>(Db().string());  // written whole once more, and closed
    for (const std::string& File : {Name + ".qnd", Name + ".qnd.jnl", Name + ".qnd.sea", R.Code + ".res",
                                    R.Code + ".im4", std::string("dbdefinition.dat")})
      EXPECT_TRUE(fs::exists(Db() / File)) << File;
    for (const auto& Entry : fs::recursive_directory_iterator(Db())) {
      const std::string File = Entry.path().filename().string();
      if (File.ends_with(".set") || File.ends_with(".atr")) continue;  // the test's own
      struct stat st {};
      ASSERT_EQ(::stat(Entry.path().c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, S_ISDIR(st.st_mode) ? 0700u : 0600u) << Entry.path();
    }
    SetFileAccess(Access);
    ::umask(Before);
  }
}

TEST(DefinitionTable, TypeGroupsAndDescriptionNames) {
  EXPECT_EQ(TypeGroup("Auto"), "Transportation");
  EXPECT_EQ(TypeGroup("DIECAST"), "Hobby");
  EXPECT_EQ(TypeGroup("beer"), "Food");
  EXPECT_EQ(TypeGroup("Library"), "Library");
  EXPECT_EQ(ProcessedDescriptionName("Origin"), "Country");
  EXPECT_EQ(ProcessedDescriptionName("Country of make"), "Country");
  EXPECT_EQ(ProcessedDescriptionName("Year and City"), "City");  // the later rule wins
  EXPECT_EQ(ProcessedDescriptionName("Colour"), "Colour");
}
