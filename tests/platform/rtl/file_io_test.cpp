#include "platform/rtl/file_io.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"
#include "rtl_temp_folder.h"

namespace {

int EntriesIn(const std::string& folder) {
  int n = 0;
  for (auto& e : std::filesystem::directory_iterator(folder)) {
    (void)e;
    ++n;
  }
  return n;
}

mode_t ModeOf(const std::string& name) {
  struct stat st {};
  stat(name.c_str(), &st);
  return st.st_mode & 07777;
}

}  // namespace

TEST(AtomicReplace, WritesAndKeepsTheOldMode) {
  TTempFolder dir;
  const std::string name = dir.File("data.qnd");
  AtomicWriteFile(name, "first");
  chmod(name.c_str(), 0640);
  AtomicWriteFile(name, "second");
  EXPECT_EQ(ReadFileBytes(name), "second");
  EXPECT_EQ(ModeOf(name), 0640u);
  EXPECT_EQ(EntriesIn(dir.Path()), 1);  // no temporary left behind
}

TEST(AtomicReplace, OnlyADurableReplaceSyncs) {
  TTempFolder dir;
  const std::string name = dir.File("logdata.txt");
  FailFileStepAt(TFileStep::Sync, 0);  // counts from here
  AtomicWriteFile(name, "kept", false);
  EXPECT_EQ(FileStepCount(TFileStep::Sync), 0);
  EXPECT_EQ(ReadFileBytes(name), "kept");
  EXPECT_EQ(EntriesIn(dir.Path()), 1);
  // A sync that would fail does not concern a copy that is not kept durably.
  FailFileStepAt(TFileStep::Sync, 1);
  AtomicWriteFile(name, "newer", false);
  EXPECT_EQ(ReadFileBytes(name), "newer");
  EXPECT_THROW(AtomicWriteFile(name, "durable"), EFCreateError);
  EXPECT_EQ(ReadFileBytes(name), "newer");
  FailFileStepAt(TFileStep::Sync, 0);
  AtomicWriteFile(name, "durable");
  EXPECT_EQ(FileStepCount(TFileStep::Sync), 1);
  EXPECT_EQ(ReadFileBytes(name), "durable");
}

TEST(AtomicReplace, AFailingWriterKeepsTheOldFile) {
  TTempFolder dir;
  const std::string name = dir.File("data.qnd");
  AtomicWriteFile(name, "precious");
  EXPECT_THROW(AtomicReplaceFile(name,
                                 [](int fd) {
                                   ASSERT_TRUE(WriteAll(fd, "partial", 7));
                                   throw std::runtime_error("writer failed");
                                 }),
               std::runtime_error);
  EXPECT_EQ(ReadFileBytes(name), "precious");
  EXPECT_EQ(EntriesIn(dir.Path()), 1);
}

TEST(AtomicReplace, AReadOnlyFolderKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  TTempFolder dir;
  const std::string name = dir.File("settings.ini");
  AtomicWriteFile(name, "old");
  chmod(dir.Path().c_str(), 0500);
  try {
    AtomicWriteFile(name, "new");
    ADD_FAILURE() << "write into a read-only folder succeeded";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + name);
  }
  TStringList list;
  list.Add("x");
  EXPECT_THROW(list.SaveToFile(name), EFCreateError);
  TMemoryStream m;
  m.WriteString("y");
  EXPECT_THROW(m.SaveToFile(name), EFCreateError);
  chmod(dir.Path().c_str(), 0700);
  EXPECT_EQ(ReadFileBytes(name), "old");
  EXPECT_EQ(EntriesIn(dir.Path()), 1);
}

TEST(AtomicReplace, AFailedRenameRemovesTheTemporary) {
  TTempFolder dir;
  const std::string name = dir.File("taken");
  std::filesystem::create_directory(name);
  std::filesystem::create_directory(name + "/inside");  // a folder that is not empty
  EXPECT_THROW(AtomicWriteFile(name, "data"), EFCreateError);
  EXPECT_TRUE(std::filesystem::is_directory(name + "/inside"));
  EXPECT_EQ(EntriesIn(dir.Path()), 1);
}

TEST(AtomicReplace, AnOpenReaderKeepsItsOldContents) {
  TTempFolder dir;
  const std::string name = dir.File("db.qnd");
  AtomicWriteFile(name, "version1");
  TFileStream reader(name, fmOpenRead | fmShareDenyNone);
  AtomicWriteFile(name, "version2!");
  char buf[9] = {};
  reader.ReadBuffer(buf, 8);
  EXPECT_STREQ(buf, "version1");
  EXPECT_EQ(ReadFileBytes(name), "version2!");
}

TEST(ShareLocks, MappingOfShareModes) {
  EXPECT_EQ(ShareModeToFlock(fmShareCompat), LOCK_EX | LOCK_NB);
  EXPECT_EQ(ShareModeToFlock(fmOpenRead | fmShareExclusive), LOCK_EX | LOCK_NB);
  EXPECT_EQ(ShareModeToFlock(fmOpenReadWrite | fmShareDenyWrite), LOCK_SH | LOCK_NB);
  EXPECT_EQ(ShareModeToFlock(fmShareDenyRead), LOCK_EX | LOCK_NB);
  EXPECT_EQ(ShareModeToFlock(fmShareDenyNone), 0);
}

TEST(ShareLocks, LockFileScopeExcludesAndReleases) {
  TTempFolder dir;
  const std::string name = dir.File("QuillonClient.ini");
  {
    TLockFileScope first(name);
    EXPECT_TRUE(first.Locked());
    TLockFileScope second(name, 50);  // times out instead of hanging
    EXPECT_FALSE(second.Locked());
  }
  TLockFileScope again(name, 50);
  EXPECT_TRUE(again.Locked());
  EXPECT_TRUE(std::filesystem::exists(name + ".lock"));
}
