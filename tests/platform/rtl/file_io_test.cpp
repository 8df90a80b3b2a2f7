#include "platform/rtl/file_io.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

// The superuser writes where permissions forbid it through one capability, the override of
// access checks: for the guard's life this thread goes without it (a thread's capabilities are
// its own), keeping the one that lets it search every folder on the way.  Any other user is bound
// by permissions anyway.
class TPermissionsBind {
public:
  TPermissionsBind() {
    if (geteuid() != 0) return;
    Header.version = _LINUX_CAPABILITY_VERSION_3;
    Header.pid = 0;
    EXPECT_EQ(syscall(SYS_capget, &Header, Held), 0) << std::strerror(errno);
    __user_cap_data_struct without[2] = {Held[0], Held[1]};
    without[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    FChanged = syscall(SYS_capset, &Header, without) == 0;
    EXPECT_TRUE(FChanged) << std::strerror(errno);
  }
  ~TPermissionsBind() {
    if (FChanged) syscall(SYS_capset, &Header, Held);
  }

private:
  __user_cap_header_struct Header{};
  __user_cap_data_struct Held[2]{};
  bool FChanged = false;
};

TEST(AtomicReplace, AReadOnlyFolderKeepsTheOldFile) {
  TTempFolder dir;
  const std::string name = dir.File("settings.ini");
  {
    AtomicWriteFile(name, "old");
    TPermissionsBind bound;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0500), 0);
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
    // The folder could be read all along: only its being read-only kept the file.
    EXPECT_EQ(ReadFileBytes(name), "old");
    ASSERT_EQ(chmod(dir.Path().c_str(), 0700), 0);
  }
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
