#include "platform/sys/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/text_file.h"
#include "platform/sys/process.h"
#include "platform/sys/sys_test_util.h"

TEST(Files, QueriesTellFilesFromFolders) {
  TScratchDir dir;
  dir.Write("a.txt", "hello");
  EXPECT_TRUE(FileExists(dir / "a.txt"));
  EXPECT_FALSE(FileExists(dir.Path));
  EXPECT_TRUE(DirectoryExists(dir.Path));
  EXPECT_FALSE(DirectoryExists(dir / "a.txt"));
  EXPECT_EQ(FileSize(dir / "a.txt"), 5);
  EXPECT_EQ(FileSize(dir / "missing"), -1);
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(DeleteFile(dir.Path));  // a folder is not deleted as a file
  EXPECT_TRUE(DeleteFile(dir / "a.txt"));
  EXPECT_FALSE(FileExists(dir / "a.txt"));
}

TEST(Files, ForceDirectoriesMakesEveryLevel) {
  TScratchDir dir;
  const std::string deep = dir / "x/y/z/";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(dir / "x/y/z"));
  EXPECT_TRUE(ForceDirectories(deep));  // existing: still true
  dir.Write("file", "");
  EXPECT_FALSE(ForceDirectories(dir / "file/sub"));  // a file in the way
  EXPECT_TRUE(RemoveDir(dir / "x/y/z"));
  EXPECT_FALSE(DirectoryExists(dir / "x/y/z"));
}

TEST(Files, HandOverFolderModeIsKept) {
  TScratchDir dir;
  ASSERT_TRUE(CreateDir(dir / "Temp", 0700));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "Temp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

namespace {

unsigned ModeOf(const std::string& Path) {
  struct stat st {};
  EXPECT_EQ(::stat(Path.c_str(), &st), 0) << Path;
  return st.st_mode & 07777;
}

// A umask and a file access for one test, the process's own put back afterwards.
class TCreationScope {
public:
  TCreationScope(mode_t Mask, TFileAccess Access) : FMask(::umask(Mask)), FAccess(FileAccess()) {
    SetFileAccess(Access);
  }
  ~TCreationScope() {
    ::umask(FMask);
    SetFileAccess(FAccess);
  }

private:
  mode_t FMask;
  TFileAccess FAccess;
};

}  // namespace

// Under Private every way of making a file or folder gives it to its owner alone, whatever the
// umask; files made before lose their group's and others' access once written.
TEST(FileAccess, PrivateFilesAndFoldersAreTheOwnersAlone) {
  for (const mode_t Mask : {mode_t{000}, mode_t{002}, mode_t{022}}) {
    SCOPED_TRACE(Mask);
    TScratchDir dir;
    TCreationScope Scope(Mask, TFileAccess::Private);

    unsigned TemporaryMode = 0;
    AtomicReplaceFile(dir / "new.qnd", [&](int Fd) {
      struct stat st {};
      ASSERT_EQ(::fstat(Fd, &st), 0);
      TemporaryMode = st.st_mode & 07777;
      ASSERT_TRUE(WriteAll(Fd, "x", 1));
    });
    EXPECT_EQ(TemporaryMode, 0600u);
    EXPECT_EQ(ModeOf(dir / "new.qnd"), 0600u);
    for (const mode_t Old : {mode_t{0644}, mode_t{0660}, mode_t{0666}}) {
      dir.Write("old", "before");
      ASSERT_EQ(::chmod((dir / "old").c_str(), Old), 0);
      AtomicWriteFile(dir / "old", "after", false);
      EXPECT_EQ(ModeOf(dir / "old"), 0600u) << Old;
      EXPECT_EQ(ReadWhole(dir / "old"), "after");
    }

    { TFileStream Stream(dir / "stream", fmCreate); }
    EXPECT_EQ(ModeOf(dir / "stream"), 0600u);
    { TLockFileScope Lock(dir / "ini"); EXPECT_TRUE(Lock.Locked()); }
    EXPECT_EQ(ModeOf(dir / "ini.lock"), 0600u);
    {
      TextFile Text;
      AssignFile(Text, dir / "text");
      Rewrite(Text);
      WriteLn(Text, "line");
      CloseFile(Text);
      AssignFile(Text, dir / "appended");
      Append(Text);
      CloseFile(Text);
    }
    EXPECT_EQ(ModeOf(dir / "text"), 0600u);
    EXPECT_EQ(ModeOf(dir / "appended"), 0600u);

    int Fd = OpenFileHandle(dir / "log", O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(Fd, 0);
    ::close(Fd);
    EXPECT_EQ(ModeOf(dir / "log"), 0600u);
    // A file made before is narrowed when taken for writing, not when only read.
    dir.Write("journal", "j");
    ASSERT_EQ(::chmod((dir / "journal").c_str(), 0664), 0);
    Fd = OpenFileHandle(dir / "journal", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(Fd, 0);
    ::close(Fd);
    EXPECT_EQ(ModeOf(dir / "journal"), 0664u);
    Fd = OpenFileHandle(dir / "journal", O_RDWR | O_CLOEXEC);
    ASSERT_GE(Fd, 0);
    ::close(Fd);
    EXPECT_EQ(ModeOf(dir / "journal"), 0600u);

    ASSERT_TRUE(CreateDir(dir / "Log", 0755));
    EXPECT_EQ(ModeOf(dir / "Log"), 0700u);
    ASSERT_TRUE(ForceDirectories(dir / "a/b/c"));
    for (const char* Folder : {"a", "a/b", "a/b/c"}) EXPECT_EQ(ModeOf(dir / Folder), 0700u) << Folder;
  }
}

// The system's way (the start, and the client's): the umask decides, and a replaced file keeps
// its mode.
TEST(FileAccess, SharedFollowsTheUmaskAndKeepsModes) {
  TScratchDir dir;
  TCreationScope Scope(002, TFileAccess::Shared);
  AtomicWriteFile(dir / "export.csv", "a,b\r\n", false);
  EXPECT_EQ(ModeOf(dir / "export.csv"), 0664u);
  ASSERT_EQ(::chmod((dir / "export.csv").c_str(), 0644), 0);
  AtomicWriteFile(dir / "export.csv", "c,d\r\n", false);
  EXPECT_EQ(ModeOf(dir / "export.csv"), 0644u);
  { TFileStream Stream(dir / "stream", fmCreate); }
  EXPECT_EQ(ModeOf(dir / "stream"), 0664u);
  ASSERT_TRUE(ForceDirectories(dir / "a/b"));
  EXPECT_EQ(ModeOf(dir / "a/b"), 0775u);
  ASSERT_TRUE(CreateDir(dir / "Temp", 0700));
  EXPECT_EQ(ModeOf(dir / "Temp"), 0700u);
}

TEST(Files, RenameRefusesAnExistingTarget) {
  TScratchDir dir;
  dir.Write("old", "1");
  dir.Write("taken", "2");
  EXPECT_FALSE(RenameFile(dir / "old", dir / "taken"));
  EXPECT_EQ(ReadWhole(dir / "taken"), "2");
  EXPECT_TRUE(RenameFile(dir / "old", dir / "new"));
  EXPECT_EQ(ReadWhole(dir / "new"), "1");
  EXPECT_FALSE(FileExists(dir / "old"));
}

TEST(Files, TimesRoundTripAndTouch) {
  TScratchDir dir;
  dir.Write("f", "x");
  const std::int64_t past = 1000000000;  // 2001-09-09
  EXPECT_EQ(FileSetDate(dir / "f", past), 0);
  EXPECT_EQ(FileAge(dir / "f"), past);
  EXPECT_GT(FileModifiedAgeSeconds(dir / "f"), 30.0);
  EXPECT_TRUE(FileTouch(dir / "f"));
  EXPECT_LT(FileModifiedAgeSeconds(dir / "f"), 5.0);
  EXPECT_GE(FileModifiedAgeSeconds(dir / "f"), 0.0);
  EXPECT_EQ(FileAge(dir / "missing"), -1);
  EXPECT_LT(FileModifiedAgeSeconds(dir / "missing"), 0.0);
  EXPECT_FALSE(FileTouch(dir / "missing"));
  EXPECT_NE(FileSetDate(dir / "missing", past), 0);

  int fd = ::open((dir / "f").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(FileSetDate(fd, past + 60), 0);
  EXPECT_EQ(FileGetDate(fd), past + 60);
  ::close(fd);
}

TEST(Files, FileDateToDateTimeUsesTheLocalClock) {
  const char* oldTz = std::getenv("TZ");
  std::string saved = oldTz ? oldTz : "";
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  // 1970-01-01 00:00 is day 25569; noon of 2000-01-01 is 36526.5.
  EXPECT_DOUBLE_EQ(FileDateToDateTime(0), 25569.0);
  EXPECT_DOUBLE_EQ(FileDateToDateTime(946728000), 36526.5);
  ::setenv("TZ", "EST5", 1);
  ::tzset();
  EXPECT_DOUBLE_EQ(FileDateToDateTime(946728000), 36526.5 - 5.0 / 24.0);
  if (oldTz) ::setenv("TZ", saved.c_str(), 1); else ::unsetenv("TZ");
  ::tzset();
}

TEST(FileSearch, MasksMatchWithoutCaseAndResultsComeSorted) {
  TScratchDir dir;
  for (const char* name : {"b.QND", "a.qnd", "C.qnd", "notes.txt", "qnserver.exe_C_12AB_REQ",
                           "qnserver.exe_C_12AB_out", "qnserver.exe_S"})
    dir.Write(name, "data");
  ForceDirectories(dir / "sub.qnd");

  EXPECT_EQ(FindFiles(dir / "*.qnd"),
            (std::vector<std::string>{dir / "C.qnd", dir / "a.qnd", dir / "b.QND"}));
  EXPECT_EQ(FindFiles(dir / "qnserver.exe_C_*"),
            (std::vector<std::string>{dir / "qnserver.exe_C_12AB_REQ", dir / "qnserver.exe_C_12AB_out"}));
  EXPECT_EQ(FindFiles(dir / "?.TXT").size(), 0u);
  EXPECT_EQ(FindFiles(dir / "n?tes.TXT").size(), 1u);
  EXPECT_EQ(FindFiles(dir / "*.*").size(), 7u);  // folders excluded
  EXPECT_EQ(FindFiles(dir / "*.*", faAnyFile).size(), 10u);  // with sub.qnd, "." and ".."

  TSearchRec rec;
  ASSERT_EQ(FindFirst(dir / "*.qnd", faDirectory, rec), 0);
  std::vector<std::string> names;
  std::vector<int> attrs;
  do {
    names.push_back(rec.Name);
    attrs.push_back(rec.Attr);
  } while (FindNext(rec) == 0);
  FindClose(rec);
  EXPECT_EQ(names, (std::vector<std::string>{"C.qnd", "a.qnd", "b.QND", "sub.qnd"}));
  EXPECT_EQ(attrs.back() & faDirectory, faDirectory);
  EXPECT_EQ(attrs.front() & faDirectory, 0);

  EXPECT_NE(FindFirst(dir / "*.none", faAnyFile, rec), 0);
  EXPECT_NE(FindFirst(dir / "nofolder/*", faAnyFile, rec), 0);
}

TEST(FileSearch, MaskEdgeCases) {
  EXPECT_TRUE(MatchesMask("anything", "*.*"));
  EXPECT_TRUE(MatchesMask("noext", "*.*"));
  EXPECT_TRUE(MatchesMask("ABC", "a*c"));
  EXPECT_TRUE(MatchesMask("abc", "a**c"));
  EXPECT_FALSE(MatchesMask("abcd", "a*c"));
  EXPECT_TRUE(MatchesMask("a", "?"));
  EXPECT_FALSE(MatchesMask("", "?"));
  EXPECT_FALSE(MatchesMask("ab", "?"));
  // A long name against many stars stays quick (no exponential backtracking).
  const std::string name(5000, 'a');
  EXPECT_FALSE(MatchesMask(name, "*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchesMask(name + "b", "*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(FileSearch, DeleteMatchingFilesLeavesOthers) {
  TScratchDir dir;
  dir.Write("prog_C_1_REQ", "");
  dir.Write("prog_C_2_out", "");
  dir.Write("prog_S", "");
  EXPECT_EQ(DeleteMatchingFiles(dir / "prog_C_*"), 2);
  EXPECT_TRUE(FileExists(dir / "prog_S"));
  EXPECT_FALSE(FileExists(dir / "prog_C_1_REQ"));
}

TEST(Files, NameLookupWithoutCase) {
  TScratchDir dir;
  dir.Write("QNSERVER.EXE_C_00FF_out", "reply");
  EXPECT_EQ(FindFileNoCase(dir / "qnserver.exe_C_00FF_OUT"), dir / "QNSERVER.EXE_C_00FF_out");
  EXPECT_EQ(FindFileNoCase(dir / "QNSERVER.EXE_C_00FF_out"), dir / "QNSERVER.EXE_C_00FF_out");
  EXPECT_EQ(FindFileNoCase(dir / "other"), "");
  EXPECT_EQ(FindFileNoCase(dir / "missing/x"), "");
}

TEST(TempFiles, MadeInTheTempFolderAndDeletedWhenFreed) {
  TScratchDir dir;
  const char* oldTmp = std::getenv("TMPDIR");
  std::string saved = oldTmp ? oldTmp : "";
  ::setenv("TMPDIR", dir.Path.c_str(), 1);
  EXPECT_EQ(GetTempDir(), dir.Path + "/");
  std::string name;
  {
    TTempFile temp("ms");
    name = temp.Name();
    EXPECT_EQ(name.rfind(dir.Path + "/ms", 0), 0u);
    EXPECT_TRUE(FileExists(name));
    EXPECT_EQ(::write(temp.Handle(), "abc", 3), 3);
  }
  EXPECT_FALSE(FileExists(name));
  {
    TTempFile kept("up", dir / "");
    name = kept.Release();
  }
  EXPECT_TRUE(FileExists(name));
  ::setenv("TMPDIR", (dir / "does-not-exist").c_str(), 1);
  EXPECT_EQ(GetTempDir(), "/tmp/");
  if (oldTmp) ::setenv("TMPDIR", saved.c_str(), 1); else ::unsetenv("TMPDIR");
  EXPECT_THROW(TTempFile("x", dir / "missing-folder"), EFCreateError);
  // A prefix cannot climb out of its folder.
  TTempFile sly("../escape", dir.Path);
  EXPECT_EQ(sly.Name().rfind(dir.Path + "/.._escape", 0), 0u);
}

TEST(RetryLoops, CountsAttemptsAndPauses) {
  int calls = 0;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(RetryWithPause(3, 10, [&] { ++calls; return false; }));
  EXPECT_EQ(calls, 3);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));

  calls = 0;
  EXPECT_TRUE(RetryWithPause(11, 1, [&] { return ++calls == 4; }));
  EXPECT_EQ(calls, 4);

  calls = 0;
  EXPECT_TRUE(RetryWithPause(3, 1, [&] {
    if (++calls < 3) throw EFOpenError("busy");
    return true;
  }));
  EXPECT_THROW(RetryWithPause(2, 1, [&]() -> bool { throw EFOpenError("busy"); }), EFOpenError);
}

// A share-mode lock taken by one process refuses the same share mode in another.
TEST(ShareLocks, AnotherProcessIsRefusedWhileLocked) {
  TScratchDir dir;
  dir.Write("queue", "");
  const std::string path = dir / "queue";
  int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(LockForShareMode(fd, 0x0010 /* fmShareExclusive */));
  pid_t child = ::fork();
  if (child == 0) {
    int other = ::open(path.c_str(), O_RDWR);
    bool refused = other >= 0 && !LockForShareMode(other, 0x0010);
    bool shareRefused = other >= 0 && !LockForShareMode(other, 0x0020 /* deny write */);
    ::_exit(refused && shareRefused ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(fd);  // the lock goes with the descriptor
  child = ::fork();
  if (child == 0) {
    int other = ::open(path.c_str(), O_RDWR);
    ::_exit(other >= 0 && LockForShareMode(other, 0x0010) ? 0 : 1);
  }
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Files, MappedFileShowsTheBytesAndSurvivesBeingCutShort) {
  TScratchDir dir;
  std::string Bytes(3 * 4096 + 100, 'x');
  Bytes[0] = 'a';
  Bytes.back() = 'z';
  dir.Write("db", Bytes);
  dir.Write("empty", "");
  EXPECT_FALSE(TMappedFile(dir / "empty").Mapped());
  EXPECT_FALSE(TMappedFile(dir / "missing").Mapped());
  EXPECT_FALSE(TMappedFile(dir.Path).Mapped());

  TMappedFile Map(dir / "db");
  ASSERT_TRUE(Map.Mapped());
  EXPECT_EQ(Map.Bytes(), Bytes);
  // Cut short by another writer while mapped: a guarded read of the lost part fails instead
  // of ending the process, and a guarded read of what is left still works.
  ASSERT_EQ(::truncate((dir / "db").c_str(), 100), 0);
  char Seen = 0;
  EXPECT_FALSE(RunGuardingMappedReads([&] { Seen = Map.Bytes()[2 * 4096]; }));
  EXPECT_TRUE(RunGuardingMappedReads([&] { Seen = Map.Bytes()[0]; }));
  EXPECT_EQ(Seen, 'a');
  // Guards nest, and an exception passes through with the guard taken down.
  EXPECT_TRUE(RunGuardingMappedReads([&] {
    EXPECT_FALSE(RunGuardingMappedReads([&] { Seen = Map.Bytes().back(); }));
  }));
  EXPECT_THROW(RunGuardingMappedReads([] { throw Exception("x"); }), Exception);
  EXPECT_FALSE(RunGuardingMappedReads([&] { Seen = Map.Bytes()[3 * 4096]; }));
}
