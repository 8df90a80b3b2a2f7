// The database file and its journal: what a load sees after saves cut short at any step.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/file_io.h"
#include "server/database_journal.h"
#include "server/qnserver_form.h"
#include "tests/server/test_files.h"

namespace fs = std::filesystem;

namespace {

class JournalTest : public ::testing::Test {
protected:
  void SetUp() override {
    Folder = fs::temp_directory_path() /
             ("qnjournal_test_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    TDatabase D;
    TRecordCodeGenerator Codes(3);
    D.Config.DetailNames[0] = "Number";
    for (int i = 0; i < 5; ++i) D.Record(D.NewRecord(Codes)).Name = "Record " + std::to_string(i);
    WriteAllTo(File(), D.SaveToBytes());
  }
  void TearDown() override {
    FailFileStepAt(TFileStep::Write, 0);
    fs::remove_all(Folder);
  }

  fs::path File() const { return Folder / "books.qnd"; }
  fs::path Journal() const { return Folder / "books.qnd.jnl"; }

  // The names of the records as a fresh load of file and journal sees them.
  std::vector<std::string> Names() const {
    TDatabase D;
    TDatabaseFile(File().string()).Load(D);
    EXPECT_TRUE(D.Loaded());
    std::vector<std::string> Out;
    for (int i = 0; i < D.Count(); ++i) Out.push_back(D.Record(i).Name);
    return Out;
  }

  // Loads file and journal, renames record Index at each save (no fold, as after a kill).
  void SaveNames(int Index, const std::vector<std::string>& Names) const {
    TDatabase D;
    TDatabaseFile F(File().string());
    F.Load(D);
    for (const std::string& Name : Names) {
      D.Record(Index).Name = Name;
      F.Save(D);
    }
  }

  fs::path Folder;
};

TEST(Checksum, DoesNotDependOnHowTheBytesArePieced) {
  std::string Bytes;
  for (int i = 0; i < 1000; ++i) Bytes += static_cast<char>(i * 7);
  const std::uint64_t Whole = Checksum64(Bytes);
  for (std::size_t Cut : {1u, 7u, 31u, 32u, 33u, 500u, 999u}) {
    TChecksum64 Sum;
    Sum.Add(std::string_view(Bytes).substr(0, Cut));
    Sum.Add(std::string_view(Bytes).substr(Cut));
    EXPECT_EQ(Sum.Value(), Whole) << Cut;
  }
  std::string Other = Bytes;
  Other[500] ^= 1;
  EXPECT_NE(Checksum64(Other), Whole);
  EXPECT_NE(Checksum64(Bytes + '\0'), Whole);
}

TEST_F(JournalTest, SavesGoToTheJournalAndALoadReplaysThem) {
  const std::string Before = ReadAll(File());
  {
    TDatabase D;
    TDatabaseFile F(File().string());
    F.Load(D);
    TRecordCodeGenerator Codes(9);
    D.Record(1).Name = "Changed";
    F.Save(D);
    D.Record(D.NewRecord(Codes)).Name = "Added";
    D.Config.StatusWord = "Header too";
    F.Save(D);
    EXPECT_TRUE(F.HasJournal());
  }  // no fold: as after a kill
  EXPECT_EQ(ReadAll(File()), Before);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Record 0", "Changed", "Record 2", "Record 3",
                                               "Record 4", "Added"}));
  TDatabase D;
  TDatabaseFile F(File().string());
  F.Load(D);
  EXPECT_EQ(D.Config.StatusWord, "Header too");
  EXPECT_EQ(D.FindRecordIndex(D.Record(5).Code), 5);

  // Folded, the file alone holds everything, in the format of a whole save.
  F.Fold(D);
  EXPECT_FALSE(F.HasJournal());
  TDatabase Plain;
  Plain.LoadFromBytes(ReadAll(File()));
  ASSERT_TRUE(Plain.Loaded());
  EXPECT_EQ(Plain.Count(), 6);
  EXPECT_EQ(Plain.Record(5).Name, "Added");
  EXPECT_EQ(ReadAll(File()), Plain.SaveToBytes());
  EXPECT_EQ(Names().size(), 6u);
}

TEST_F(JournalTest, FoldsTakeUntouchedRecordsFromTheFileOnDisk) {
  // An opened database keeps its records only; a whole write reads the untouched ones from the
  // file again, and after it from the file it wrote.
  TDatabase D;
  TDatabaseFile F(File().string());
  F.Load(D);
  EXPECT_TRUE(D.SourceReleased());
  EXPECT_TRUE(D.SourceBytes().empty());
  for (const char* Name : {"First fold", "Second fold"}) {
    D.Record(3).Name = Name;
    F.Fold(D);
    TDatabase Plain;
    Plain.LoadFromBytes(ReadAll(File()));
    ASSERT_TRUE(Plain.Loaded());
    EXPECT_EQ(Plain.Record(3).Name, Name);
    EXPECT_EQ(Plain.Record(4).Name, "Record 4");
    EXPECT_EQ(ReadAll(File()), Plain.SaveToBytes());
  }
  // Someone else's file in its place, of the same size: not taken for the records' bytes.
  std::string Foreign = ReadAll(File());
  for (std::size_t i = Foreign.size() / 2; i < Foreign.size(); ++i) Foreign[i] = 'x';
  WriteAllTo(File(), Foreign);
  D.Record(0).Name = "Third fold";
  F.Fold(D);
  TDatabase Plain;
  Plain.LoadFromBytes(ReadAll(File()));
  ASSERT_TRUE(Plain.Loaded());
  ASSERT_EQ(Plain.Count(), 5);
  EXPECT_EQ(Plain.Record(0).Name, "Third fold");
  EXPECT_EQ(Plain.Record(3).Name, "Second fold");
  EXPECT_EQ(Plain.Record(4).Name, "Record 4");
}

TEST_F(JournalTest, ATornTailIsDroppedAndCutOff) {
  SaveNames(0, {"First", "Second"});
  const std::string Whole = ReadAll(Journal());
  for (std::size_t Cut = 1; Cut < 40; Cut += 13) {
    WriteAllTo(Journal(), Whole.substr(0, Whole.size() - Cut));
    EXPECT_EQ(Names()[0], "First") << Cut;
  }
  // A damaged byte inside the last entry counts as torn as well; the good part is kept.
  std::string Damaged = Whole;
  Damaged[Damaged.size() - 5] ^= 0x55;
  WriteAllTo(Journal(), Damaged);
  TDatabase D;
  TDatabaseFile F(File().string());
  F.Load(D);
  EXPECT_EQ(D.Record(0).Name, "First");
  EXPECT_LT(fs::file_size(Journal()), Whole.size());
  D.Record(2).Name = "After the tear";
  F.Save(D);
  EXPECT_EQ(Names()[2], "After the tear");
  EXPECT_EQ(Names()[0], "First");
}

TEST_F(JournalTest, AJournalOfAnotherFileIsNotApplied) {
  SaveNames(0, {"Journalled"});
  // The file replaced by another version (a restore, or a whole write cut before the journal
  // was begun anew).
  TDatabase Other;
  TRecordCodeGenerator Codes(4);
  Other.Record(Other.NewRecord(Codes)).Name = "Other";
  WriteAllTo(File(), Other.SaveToBytes());
  EXPECT_EQ(Names(), std::vector<std::string>{"Other"});
}

TEST_F(JournalTest, DeletingWritesTheFileWholeAndStaleTemporariesGo) {
  WriteAllTo(Folder / "books.qnd.tmp0123456789", "left by a kill");
  WriteAllTo(Folder / "books.qnd.tmpshort", "not one of ours");
  TDatabaseFile F(File().string());
  EXPECT_EQ(F.RemoveStaleTemporaries(), 1);
  EXPECT_FALSE(fs::exists(Folder / "books.qnd.tmp0123456789"));
  EXPECT_TRUE(fs::exists(Folder / "books.qnd.tmpshort"));
  TDatabase D;
  F.Load(D);
  D.DeleteRecord(0);
  F.Save(D);
  EXPECT_FALSE(F.HasJournal());
  TDatabase Plain;
  Plain.LoadFromBytes(ReadAll(File()));
  EXPECT_EQ(Plain.Count(), 4);
}

// Every write, sync and rename of a save fails in turn: the next load sees the state before
// the save or after it, and a failed save says so.
TEST_F(JournalTest, FailureSeamLeavesTheOldStateOrTheNew) {
  for (bool Whole : {false, true}) {
    for (TFileStep Step : {TFileStep::Write, TFileStep::Sync, TFileStep::Rename}) {
      for (int N = 1;; ++N) {
        SCOPED_TRACE(std::to_string(Whole) + " " + std::to_string(static_cast<int>(Step)) + " " +
                     std::to_string(N));
        TDatabase D;
        TDatabaseFile F(File().string());
        F.Load(D);
        const std::vector<std::string> Old = Names();
        const std::string NewName = "Saved " + std::to_string(N);
        D.Record(3).Name = NewName;
        FailFileStepAt(Step, N);
        bool Failed = false;
        try {
          if (Whole)
            F.Fold(D);
          else
            F.Save(D);
        } catch (const Exception&) {
          Failed = true;
        }
        const int Calls = FileStepCount(Step);
        FailFileStepAt(Step, 0);
        std::vector<std::string> New = Old;
        New[3] = NewName;
        const std::vector<std::string> Seen = Names();
        if (Failed) {
          EXPECT_TRUE(Seen == Old || Seen == New);
          // The change stays marked: the next save stores it.
          F.Save(D);
        }
        EXPECT_EQ(Names(), New);
        for (const auto& Entry : fs::directory_iterator(Folder))
          EXPECT_EQ(Entry.path().filename().string().find(".tmp"), std::string::npos);
        if (!Failed && Calls < N) break;  // the save made fewer calls than N: all were tried
      }
    }
  }
}

}  // namespace
