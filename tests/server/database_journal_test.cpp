// The database file and its journal: what a load sees after saves cut short at any step.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/file_io.h"
#include "server/database_journal.h"
#include "server/qnserver_form.h"
#include "tests/temp_path.h"

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
    WriteWholeFile(File(), D.SaveToBytes());
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
  const std::string Before = ReadWholeFile(File());
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
  EXPECT_EQ(ReadWholeFile(File()), Before);
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
  Plain.LoadFromBytes(ReadWholeFile(File()));
  ASSERT_TRUE(Plain.Loaded());
  EXPECT_EQ(Plain.Count(), 6);
  EXPECT_EQ(Plain.Record(5).Name, "Added");
  EXPECT_EQ(ReadWholeFile(File()), Plain.SaveToBytes());
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
    Plain.LoadFromBytes(ReadWholeFile(File()));
    ASSERT_TRUE(Plain.Loaded());
    EXPECT_EQ(Plain.Record(3).Name, Name);
    EXPECT_EQ(Plain.Record(4).Name, "Record 4");
    EXPECT_EQ(ReadWholeFile(File()), Plain.SaveToBytes());
  }
  // Someone else's file in its place, of the same size: not taken for the records' bytes.
  std::string Foreign = ReadWholeFile(File());
  for (std::size_t i = Foreign.size() / 2; i < Foreign.size(); ++i) Foreign[i] = 'x';
  WriteWholeFile(File(), Foreign);
  D.Record(0).Name = "Third fold";
  F.Fold(D);
  TDatabase Plain;
  Plain.LoadFromBytes(ReadWholeFile(File()));
  ASSERT_TRUE(Plain.Loaded());
  ASSERT_EQ(Plain.Count(), 5);
  EXPECT_EQ(Plain.Record(0).Name, "Third fold");
  EXPECT_EQ(Plain.Record(3).Name, "Second fold");
  EXPECT_EQ(Plain.Record(4).Name, "Record 4");
}

TEST_F(JournalTest, ATornTailIsDroppedAndCutOff) {
  SaveNames(0, {"First", "Second"});
  const std::string Whole = ReadWholeFile(Journal());
  for (std::size_t Cut = 1; Cut < 40; Cut += 13) {
    WriteWholeFile(Journal(), Whole.substr(0, Whole.size() - Cut));
    EXPECT_EQ(Names()[0], "First") << Cut;
  }
  // A damaged byte inside the last entry counts as torn as well; the good part is kept.
  std::string Damaged = Whole;
  Damaged[Damaged.size() - 5] ^= 0x55;
  WriteWholeFile(Journal(), Damaged);
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
  WriteWholeFile(File(), Other.SaveToBytes());
  EXPECT_EQ(Names(), std::vector<std::string>{"Other"});
}

// A journal names its file by the file's checksum, which a load takes beside the decoding for
// a large file and before it for a small one: either way the journal of this file is applied,
// and a journal of the file as it was before one byte changed is not.
TEST_F(JournalTest, AJournalIsAppliedOnlyToItsOwnFileSmallOrLarge) {
  for (const std::size_t Text : {std::size_t{0}, std::size_t{100} << 10}) {
    TDatabase Source;
    TRecordCodeGenerator Codes(21);
    for (int i = 0; i < 4; ++i) {
      ItemRecord& R = Source.Record(Source.NewRecord(Codes));
      R.Name = "Record " + std::to_string(i);
      R.Grid3 = std::string(Text, static_cast<char>('a' + i));
    }
    const std::string Bytes = Source.SaveToBytes();
    WriteWholeFile(File(), Bytes);
    ASSERT_EQ(Bytes.size() > (256u << 10), Text > 0) << "a small and a large file";
    SaveNames(1, {"Journalled"});
    EXPECT_EQ(Names()[1], "Journalled") << Bytes.size() << " bytes";
    // The same file with one byte of the last record's grid text changed: the size is the same,
    // the checksum is not.
    std::string Changed = Bytes;
    const std::size_t At = Text > 0 ? Changed.rfind('d') : Changed.rfind("Record 3") + 7;
    ASSERT_NE(At, std::string::npos);
    Changed[At] = 'z';
    WriteWholeFile(File(), Changed);
    EXPECT_EQ(Names()[1], "Record 1") << Bytes.size() << " bytes";
    fs::remove(Journal());
  }
}

TEST_F(JournalTest, DeletesGoToTheJournalAndStaleTemporariesGo) {
  WriteWholeFile(Folder / "books.qnd.tmp0123456789", "left by a kill");
  WriteWholeFile(Folder / "books.qnd.tmpshort", "not one of ours");
  TDatabaseFile F(File().string());
  EXPECT_EQ(F.RemoveStaleTemporaries(), 1);
  EXPECT_FALSE(fs::exists(Folder / "books.qnd.tmp0123456789"));
  EXPECT_TRUE(fs::exists(Folder / "books.qnd.tmpshort"));
  const std::string Before = ReadWholeFile(File());
  TDatabase D;
  F.Load(D);
  TRecordCodeGenerator Codes(11);
  // Deletes mixed with changes and additions, some of them undone by a later delete.
  D.Record(3).Name = "Changed 3";
  D.DeleteRecord(1);                            // 0, 2, 3, 4
  D.Record(D.NewRecord(Codes)).Name = "New A";  // 0, 2, 3, 4, A
  D.Record(D.NewRecord(Codes)).Name = "New B";  // 0, 2, 3, 4, A, B
  D.DeleteRecord(4);                            // 0, 2, 3, 4, B
  D.Record(0).Name = "Changed 0";
  F.Save(D);
  D.DeleteRecord(3);                            // 0, 2, 3, B
  D.Record(3).Name = "New B changed";
  F.Save(D);
  EXPECT_TRUE(F.HasJournal());
  EXPECT_EQ(ReadWholeFile(File()), Before);
  const std::vector<std::string> Expected = {"Changed 0", "Record 2", "Changed 3", "New B changed"};
  EXPECT_EQ(Names(), Expected);
  TDatabase Again;
  TDatabaseFile G(File().string());
  G.Load(Again);
  for (int i = 0; i < Again.Count(); ++i) EXPECT_EQ(Again.FindRecordIndex(Again.Record(i).Code), i);
  G.Fold(Again);
  EXPECT_EQ(Names(), Expected);
  TDatabase Plain;
  Plain.LoadFromBytes(ReadWholeFile(File()));
  EXPECT_EQ(Plain.Count(), 4);
}

// A whole write on a thread of its own while saves go on: the file it leaves, with the journal,
// holds every save, and so does the journal with the file from before it.
TEST_F(JournalTest, AWholeWriteOnAThreadKeepsTheSavesMadeMeanwhile) {
  TDatabase D;
  TDatabaseFile F(File().string());
  F.Load(D);
  D.Record(0).Name = "Before";
  F.Save(D);
  const std::string OldFile = ReadWholeFile(File());
  // The journal is not begun anew after this write (its second rename fails), as if the program
  // had been killed between the two renames.
  FailFileStepAt(TFileStep::Rename, 2);
  F.StartFold(D);
  EXPECT_TRUE(F.Folding());
  TRecordCodeGenerator Codes(5);
  D.Record(2).Name = "During";
  F.Save(D);
  D.DeleteRecord(1);
  D.Record(D.NewRecord(Codes)).Name = "Added during";
  F.Save(D);
  std::string Error;
  EXPECT_TRUE(F.FinishFold(&D, true, &Error));
  FailFileStepAt(TFileStep::Rename, 0);
  EXPECT_EQ(Error, "");
  EXPECT_FALSE(F.Folding());
  const std::vector<std::string> Expected = {"Before", "During", "Record 3", "Record 4", "Added during"};
  // The new file holds the state the write began from; the journal's mark makes it fit.
  EXPECT_NE(ReadWholeFile(File()), OldFile);
  TDatabase Plain;
  Plain.LoadFromBytes(ReadWholeFile(File()));
  ASSERT_TRUE(Plain.Loaded());
  EXPECT_EQ(Plain.Record(0).Name, "Before");
  EXPECT_EQ(Plain.Record(2).Name, "Record 2");
  EXPECT_EQ(Names(), Expected);
  // The same journal with the file from before: every entry applies, the mark is passed over.
  const std::string NewFile = ReadWholeFile(File());
  WriteWholeFile(File(), OldFile);
  EXPECT_EQ(Names(), Expected);
  WriteWholeFile(File(), NewFile);

  // Saves go on into that journal; the next whole write begins it anew, and the records'
  // places are those of the new file (the untouched records' bytes are taken from it).
  D.Record(3).Name = "After";
  F.Save(D);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Before", "During", "Record 3", "After", "Added during"}));
  F.StartFold(D);
  EXPECT_TRUE(F.FinishFold(&D, true));
  const std::uint64_t Journalled = fs::file_size(Journal());
  EXPECT_EQ(Names(), (std::vector<std::string>{"Before", "During", "Record 3", "After", "Added during"}));
  // The whole write began the journal anew: it holds nothing the file does not, and a second
  // whole write has nothing left to drop from it.
  EXPECT_FALSE(F.HasJournal());
  Plain.LoadFromBytes(ReadWholeFile(File()));
  ASSERT_TRUE(Plain.Loaded());
  EXPECT_EQ(Plain.Record(3).Name, "After");
  EXPECT_EQ(Plain.Count(), 5);
  F.Fold(D);
  EXPECT_EQ(fs::file_size(Journal()), Journalled);
  D.Record(1).Name = "Last";
  F.Save(D);
  F.Fold(D);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Before", "Last", "Record 3", "After", "Added during"}));
  Plain.LoadFromBytes(ReadWholeFile(File()));
  EXPECT_EQ(ReadWholeFile(File()), Plain.SaveToBytes());
}

// A whole write on a thread that fails at any write, sync or rename: nothing acknowledged is
// lost, the saves go on, and no temporary file stays.
TEST_F(JournalTest, AFailedWholeWriteOnAThreadLosesNothing) {
  for (TFileStep Step : {TFileStep::Write, TFileStep::Sync, TFileStep::Rename}) {
    for (int N = 1;; ++N) {
      SCOPED_TRACE(std::to_string(static_cast<int>(Step)) + " " + std::to_string(N));
      TDatabase D;
      TDatabaseFile F(File().string());
      F.Load(D);
      const std::string Name = "Saved " + std::to_string(static_cast<int>(Step)) + " " + std::to_string(N);
      D.Record(4).Name = Name;
      F.Save(D);
      FailFileStepAt(Step, N);
      F.StartFold(D);
      std::string Error;
      ASSERT_TRUE(F.FinishFold(&D, true, &Error));
      const int Calls = FileStepCount(Step);
      FailFileStepAt(Step, 0);
      EXPECT_EQ(Names()[4], Name);
      D.Record(2).Name = Name + " after";
      F.Save(D);
      EXPECT_EQ(Names()[2], Name + " after");
      EXPECT_EQ(Names()[4], Name);
      for (const auto& Entry : fs::directory_iterator(Folder)) {
        EXPECT_EQ(Entry.path().filename().string().find(".tmp"), std::string::npos);
        EXPECT_EQ(Entry.path().filename().string().find(".new"), std::string::npos);
      }
      if (Error.empty() && Calls < N) break;  // fewer calls than N: every one was tried
    }
  }
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
