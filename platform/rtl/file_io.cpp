#include "platform/rtl/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>
#include <thread>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

std::string FolderOf(const std::string& name) {
  std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

std::string RandomSuffix() {
  static thread_local std::mt19937_64 gen(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(getpid()) << 32));
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string s;
  std::uint64_t v = gen();
  for (int i = 0; i < 10; ++i, v /= 36) s += digits[v % 36];
  return s;
}

// Closes a descriptor without losing the errno of the failure being reported.
void CloseKeepErrno(int fd) {
  int saved = errno;
  close(fd);
  errno = saved;
}

std::atomic<int> gStepCalls[3];
std::atomic<int> gFailStep{-1};
std::atomic<int> gFailAt{0};
std::atomic<bool> gFailOnward{false};

// Counts one call of Step; true when the seam makes it fail (errno is then EIO).
bool SeamFails(TFileStep Step) {
  const int step = static_cast<int>(Step);
  const int call = ++gStepCalls[step];
  if (gFailStep.load() != step) return false;
  if (gFailOnward.load() ? call < gFailAt.load() : call != gFailAt.load()) return false;
  errno = EIO;
  return true;
}

std::atomic<TFileAccess> gFileAccess{TFileAccess::Shared};

}  // namespace

void SetFileAccess(TFileAccess Access) { gFileAccess.store(Access); }

TFileAccess FileAccess() { return gFileAccess.load(); }

unsigned CreationMode(unsigned Mode) { return FileAccess() == TFileAccess::Private ? Mode & ~077u : Mode; }

int OpenFileHandle(const std::string& Name, int Flags, unsigned Mode) {
  const int fd = ::open(Name.c_str(), Flags, static_cast<mode_t>(CreationMode(Mode)));
  if (fd < 0 || FileAccess() != TFileAccess::Private || (Flags & O_ACCMODE) == O_RDONLY) return fd;
  // A file made before (by another program, or under the system's way) is narrowed as it is
  // taken for writing; one of another owner cannot be, and is written as it stands.
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0 && st.st_uid == geteuid())
    fchmod(fd, st.st_mode & 07700);
  return fd;
}

void FailFileStepAt(TFileStep Step, int N) {
  for (auto& calls : gStepCalls) calls = 0;
  gFailAt = N;
  gFailOnward = false;
  gFailStep = N > 0 ? static_cast<int>(Step) : -1;
}

void FailFileStepsFrom(TFileStep Step, int N) {
  FailFileStepAt(Step, N);
  gFailOnward = true;
}

int FileStepCount(TFileStep Step) { return gStepCalls[static_cast<int>(Step)].load(); }

bool SyncFile(int Fd) {
  if (SeamFails(TFileStep::Sync)) return false;
  for (;;) {
    if (::fsync(Fd) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void SyncFolderOf(const std::string& FileName) {
  int dfd = ::open(FolderOf(FileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    close(dfd);
  }
}

bool RenameOver(const std::string& OldName, const std::string& NewName) {
  if (SeamFails(TFileStep::Rename)) return false;
  return ::rename(OldName.c_str(), NewName.c_str()) == 0;
}

namespace {

// write(2) at the position, or pwrite(2) at Offset when it is not negative, until all is out.
bool WriteLoop(int Fd, const void* Data, std::size_t Size, std::int64_t Offset) {
  if (SeamFails(TFileStep::Write)) return false;
  const char* p = static_cast<const char*>(Data);
  while (Size > 0) {
    ssize_t n = Offset < 0 ? ::write(Fd, p, Size) : ::pwrite(Fd, p, Size, static_cast<off_t>(Offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    p += n;
    if (Offset >= 0) Offset += n;
    Size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteAllAt(int Fd, const void* Data, std::size_t Size, std::int64_t Offset) {
  return WriteLoop(Fd, Data, Size, Offset < 0 ? 0 : Offset);
}

bool WriteAll(int Fd, const void* Data, std::size_t Size) { return WriteLoop(Fd, Data, Size, -1); }

long ReadRetry(int Fd, void* Data, std::size_t Size) {
  for (;;) {
    ssize_t n = ::read(Fd, Data, Size);
    if (n >= 0 || errno != EINTR) return static_cast<long>(n);
  }
}

std::string ReadFileBytes(const std::string& FileName) {
  int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFOpenError::ForFile(FileName);
  std::string data;
  struct stat st {};
  // Read straight into the string at its expected size; a file that grows meanwhile is read on
  // in pieces, one that shrinks is cut where it ended.
  std::size_t expected = 0;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    expected = static_cast<std::size_t>(st.st_size);
  data.resize(expected);
  std::size_t size = 0;
  char more[65536];
  for (;;) {
    // Into the string while it has room, then into a piece that is appended.
    const bool inPlace = size < data.size();
    long n = inPlace ? ReadRetry(fd, data.data() + size, data.size() - size) : ReadRetry(fd, more, sizeof more);
    if (n < 0) {
      close(fd);
      throw EFOpenError::ForFile(FileName);
    }
    if (n == 0) break;
    if (!inPlace) data.append(more, static_cast<std::size_t>(n));
    size += static_cast<std::size_t>(n);
  }
  close(fd);
  data.resize(size);
  return data;
}

void AtomicReplaceFile(const std::string& FileName, const std::function<void(int Fd)>& Writer, bool Durable) {
  mode_t mode = 0;
  struct stat st {};
  bool existed = ::stat(FileName.c_str(), &st) == 0;
  if (FileAccess() == TFileAccess::Private) {
    mode = existed ? st.st_mode & 07700 : 0600;
  } else if (existed) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = FileName + ".tmp" + RandomSuffix();
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw EFCreateError::ForFile(FileName);

  auto fail = [&]() {
    CloseKeepErrno(fd);
    ::unlink(temp.c_str());
  };
  try {
    if (Writer) Writer(fd);
  } catch (...) {
    fail();
    throw;
  }
  if (fchmod(fd, mode) != 0 || (Durable && !SyncFile(fd))) {
    fail();
    throw EFCreateError::ForFile(FileName);
  }
  if (close(fd) != 0) {
    ::unlink(temp.c_str());
    throw EFCreateError::ForFile(FileName);
  }
  if (!RenameOver(temp, FileName)) {
    ::unlink(temp.c_str());
    throw EFCreateError::ForFile(FileName);
  }
  if (Durable) SyncFolderOf(FileName);
}

void AtomicWriteFile(const std::string& FileName, std::string_view Data, bool Durable) {
  AtomicReplaceFile(
      FileName,
      [&](int fd) {
        if (!WriteAll(fd, Data.data(), Data.size())) throw EFCreateError::ForFile(FileName);
      },
      Durable);
}

int ShareModeToFlock(std::uint16_t Mode) {
  switch (Mode & 0x00F0) {
    case fmShareDenyWrite:
      return LOCK_SH | LOCK_NB;
    case fmShareDenyNone:
      return 0;
    case fmShareCompat:
    case fmShareExclusive:
    case fmShareDenyRead:
    default:
      return LOCK_EX | LOCK_NB;
  }
}

bool LockForShareMode(int Fd, std::uint16_t Mode) {
  int op = ShareModeToFlock(Mode);
  if (op == 0) return true;
  for (;;) {
    if (flock(Fd, op) == 0) return true;
    if (errno != EINTR) return false;
  }
}

TLockFileScope::TLockFileScope(const std::string& FileName, int TimeoutMs) {
  std::string lockName = FileName + ".lock";
  int fd = OpenFileHandle(lockName, O_RDWR | O_CREAT | O_CLOEXEC);
  if (fd < 0) return;  // a folder we cannot write to: the write itself will report it
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      FFd = fd;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  close(fd);
}

TLockFileScope::~TLockFileScope() {
  if (FFd >= 0) {
    flock(FFd, LOCK_UN);
    close(FFd);
  }
}
