// Low-level file primitives over POSIX: reading a whole file, replacing a file atomically, and the
// flock locks that stand in for share modes.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <cstdint>

// ---- Who may read what this process makes ---------------------------------------------------
// Shared (the start): a new file gets 0666 and a new folder 0777 less the umask, and a replaced
// file keeps its mode.  Private: what the process makes is its user's alone, whatever the umask:
// new files 0600 (a temporary of an atomic replace from its start), new folders 0700, and a file
// replaced or opened for writing loses what its group and others could do with it.  The server
// program makes its files Private (its databases, journals, attachments and log); the client
// keeps the system's way for what its user exports.
enum class TFileAccess { Shared, Private };
void SetFileAccess(TFileAccess Access);
TFileAccess FileAccess();
// The mode for open(2) or mkdir(2) of a new file or folder asked for with Mode: Mode when
// Shared, Mode without the group's and others' bits when Private.
unsigned CreationMode(unsigned Mode);
// open(2) under the process's file access: a file it makes (O_CREAT) gets CreationMode(Mode),
// and when Private a file opened for writing is narrowed to its owner should its group or
// others have any access.  -1 on failure (errno set).
int OpenFileHandle(const std::string& Name, int Flags, unsigned Mode = 0666);

// The whole file; raises EFOpenError "Cannot open file <name>" when it cannot be read.
std::string ReadFileBytes(const std::string& FileName);

// Writes a new version of FileName: the bytes go to "<name>.tmp<random>" in the same folder
// (written by Writer through the descriptor), which is fsynced and renamed over the name; then the
// folder is fsynced.  The old file's mode is kept (0666 less the umask for a new file), as the
// process's file access says (Private: the owner's bits alone, 0600 for a new file).  On any
// failure, Writer's exceptions included, the temporary is removed, the old file stays as it was,
// and the error is raised (EFCreateError "Cannot create file <name>" for the system's failures).
// Without Durable nothing is fsynced: readers still see the old file or the new one whole, but a
// crash of the machine may lose the new one (for copies kept only to be looked at, such as the
// last request's diagnostics, which are written on every request and must not wait on the disk).
void AtomicReplaceFile(const std::string& FileName, const std::function<void(int Fd)>& Writer, bool Durable = true);
void AtomicWriteFile(const std::string& FileName, std::string_view Data, bool Durable = true);

// Writes all of Data to Fd, retrying EINTR and short writes; false on an error (errno set).
bool WriteAll(int Fd, const void* Data, std::size_t Size);
// The same at a file offset (pwrite), leaving the descriptor's position alone.
bool WriteAllAt(int Fd, const void* Data, std::size_t Size, std::int64_t Offset);
// fsync; false on an error (errno set).
bool SyncFile(int Fd);
// fsync of the folder that holds FileName, so that a rename or a new name in it is durable.
void SyncFolderOf(const std::string& FileName);
// rename(2): NewName is replaced when it exists.  False on an error (errno set).
bool RenameOver(const std::string& OldName, const std::string& NewName);

// The failure seam of file writing, for tests: every WriteAll/WriteAllAt, SyncFile and RenameOver
// call is counted per step, and the call numbered N (1-based, counted from FailFileStepAt) of the
// chosen step fails with EIO without touching the file.  N = 0 fails nothing.
enum class TFileStep { Write, Sync, Rename };
void FailFileStepAt(TFileStep Step, int N);
// The same for the call numbered N and every one after it (a disk that has filled up), until the
// next FailFileStepAt.
void FailFileStepsFrom(TFileStep Step, int N);
// Calls of Step since the last FailFileStepAt.
int FileStepCount(TFileStep Step);
// Reads up to Size bytes, retrying EINTR; returns the count or -1.
long ReadRetry(int Fd, void* Data, std::size_t Size);

// The flock operation for a share mode of TFileStream (fmShare...), or 0 for no lock:
// compat and exclusive -> LOCK_EX|LOCK_NB, deny-write -> LOCK_SH|LOCK_NB,
// deny-read -> LOCK_EX|LOCK_NB, deny-none -> no lock.
int ShareModeToFlock(std::uint16_t Mode);
// Takes the lock of a share mode on Fd; false when it is refused.
bool LockForShareMode(int Fd, std::uint16_t Mode);

// An exclusive flock on "<FileName>.lock", held while the object lives: the scope of one
// read-change-replace of a shared file (the INI files).  Waits for the lock up to TimeoutMs
// (bounded; then goes on unlocked rather than hang).  The lock file is left in place.
class TLockFileScope {
public:
  explicit TLockFileScope(const std::string& FileName, int TimeoutMs = 5000);
  ~TLockFileScope();
  TLockFileScope(const TLockFileScope&) = delete;
  TLockFileScope& operator=(const TLockFileScope&) = delete;
  bool Locked() const { return FFd >= 0; }

private:
  int FFd = -1;
};
