// Files and folders over POSIX: queries, times, search with masks, name lookup without case,
// temporary files and retry loops. The atomic replace and the share-mode locks live in
// platform/rtl/file_io.h; this header makes them available to the callers of files.
// Invariant: a mapped file is read only within RunGuardingMappedReads, so that another process
// cutting it short costs a failed read, never the process.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/file_io.h"

// ---- Queries and folders -------------------------------------------------------------------
bool FileExists(const std::string& Name);       // a file that is not a folder
bool DirectoryExists(const std::string& Name);
// Size in bytes, -1 when the file is missing.
std::int64_t FileSize(const std::string& Name);
bool DeleteFile(const std::string& Name);
// Fails when NewName exists already (as on Windows).
bool RenameFile(const std::string& OldName, const std::string& NewName);
// Mode as the process's file access makes it (CreationMode, platform/rtl/file_io.h), less the umask.
bool CreateDir(const std::string& Name, unsigned Mode = 0777);
// Creates the folder and every missing parent (each as CreateDir does); true when it exists
// afterwards.
bool ForceDirectories(const std::string& Name, unsigned Mode = 0777);
bool RemoveDir(const std::string& Name);
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& Name);

// ---- File times ------------------------------------------------------------------------------
// Modification time in seconds since 1970 (UTC), -1 when the file is missing.
std::int64_t FileAge(const std::string& Name);
std::int64_t FileGetDate(int Fd);
// Sets the modification (and access) time; 0 on success, else the errno value.
int FileSetDate(const std::string& Name, std::int64_t Age);
int FileSetDate(int Fd, std::int64_t Age);
// The local date and time (days since 30 December 1899) of a FileAge value.
double FileDateToDateTime(std::int64_t Age);
// Sets the modification time to now; false when the file is missing.
bool FileTouch(const std::string& Name);
bool FileTouch(int Fd);
// Seconds since the last modification, against the real-time clock (fractional); negative when
// the file is missing. A time stamp in the future gives 0.
double FileModifiedAgeSeconds(const std::string& Name);

// ---- Names compared without case --------------------------------------------------------------
// The real path of the file whose name equals the last component of Path without ASCII case,
// in the folder of Path; an exact match wins. Empty when there is none.
std::string FindFileNoCase(const std::string& Path);
// The mask of FindFirst: '*' any run, '?' one byte, "*.*" everything; ASCII case ignored.
bool MatchesMask(const std::string& Name, const std::string& Mask);

// ---- Search --------------------------------------------------------------------------------
inline constexpr int faReadOnly = 0x01;
inline constexpr int faHidden = 0x02;
inline constexpr int faSysFile = 0x04;
inline constexpr int faVolumeID = 0x08;
inline constexpr int faDirectory = 0x10;
inline constexpr int faArchive = 0x20;
inline constexpr int faAnyFile = 0x3F;

struct TSearchRec {
  std::string Name;        // the name only, without folder
  std::int64_t Size = 0;
  std::int64_t Time = 0;   // as FileAge
  int Attr = 0;            // faDirectory, faReadOnly
  // Internal: the matches left, in name byte order.
  struct TState;
  std::shared_ptr<TState> FindData;
};

// Path is a folder and a mask ("/data/Temp/qnserver.exe_C_*"). Files always match; folders
// only when Attr holds faDirectory. Results come sorted by name bytes. 0 on success, else an
// error code (2: nothing found, 3: no such folder).
int FindFirst(const std::string& Path, int Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);
// Every match of Path's mask as full paths, in name order (files only unless faDirectory).
std::vector<std::string> FindFiles(const std::string& Path, int Attr = faAnyFile & ~faDirectory);
// Deletes every file that matches Path's mask; returns the number deleted.
int DeleteMatchingFiles(const std::string& Path);

// ---- Temporary files -----------------------------------------------------------------------
// $TMPDIR when set and a folder, else "/tmp"; with a trailing "/".
std::string GetTempDir();

// A unique file made by mkstemp, deleted when the object is freed (unless released).
class TTempFile {
public:
  // In Folder (default the temporary folder), named Prefix followed by unique characters.
  // Raises EFCreateError when the file cannot be made.
  explicit TTempFile(const std::string& Prefix = "ms", const std::string& Folder = "");
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  ~TTempFile();

  const std::string& Name() const { return FName; }
  int Handle() const { return FFd; }
  // Closes the descriptor; the file stays until the object is freed.
  void CloseHandle();
  // Keeps the file: the object no longer deletes it. Returns its name.
  std::string Release();

private:
  std::string FName;
  int FFd = -1;
  bool FKeep = false;
};

// ---- Retry loops ------------------------------------------------------------------------------
// Calls Attempt up to Attempts times until it returns true, sleeping PauseMs after each failed
// try (and after the successful one too when PauseAfterSuccess). Returns Attempt's last result.
// Exceptions from Attempt count as failures, except on the last try, where they pass on.
bool RetryWithPause(int Attempts, unsigned PauseMs, const std::function<bool()>& Attempt,
                    bool PauseAfterSuccess = false);

// Waits up to TimeoutMs for Fd to turn readable; false when the time ran out.  Fd < 0 only
// sleeps, so that a caller without its descriptor keeps its polling interval.
bool WaitReadable(int Fd, int TimeoutMs);

// ---- Folder events ---------------------------------------------------------------------------
// What a folder watch reports (bits): a file in it written, a file made or moved in, a file's
// times or mode changed.
inline constexpr unsigned fwWritten = 1;
inline constexpr unsigned fwArrived = 2;
inline constexpr unsigned fwTouched = 4;

// Events of the files in one folder (inotify).  Handle() turns readable when events wait, so a
// loop can watch it; Wait blocks for them.  When the system refuses a watch, Active is false and
// Wait only sleeps: callers keep their polling interval as the longest wait.
class TFolderWatch {
public:
  TFolderWatch(const std::string& Folder, unsigned Events);
  ~TFolderWatch();
  TFolderWatch(const TFolderWatch&) = delete;
  TFolderWatch& operator=(const TFolderWatch&) = delete;

  bool Active() const { return FFd >= 0; }
  int Handle() const { return FFd; }
  // Waits up to TimeoutMs for events and takes every event that waits; the names (within the
  // folder) of the files concerned are added to Names.  False when the time ran out.  An
  // overflow of the system's event queue counts as an event with no name.
  bool Wait(int TimeoutMs, std::vector<std::string>* Names = nullptr);
  // Takes the events that wait without waiting; false when there were none.
  bool Drain(std::vector<std::string>* Names = nullptr) { return Wait(0, Names); }

private:
  int FFd = -1;
};

// ---- Mapped files --------------------------------------------------------------------------------
// A file's bytes mapped read-only and read in ahead, in place of a copy.  Not Mapped when the
// file cannot be mapped (an empty file, a pipe...): callers then read it.  A file cut short by
// another process while mapped raises SIGBUS on the lost pages: read it within
// RunGuardingMappedReads.
class TMappedFile {
public:
  explicit TMappedFile(const std::string& FileName);
  ~TMappedFile();
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  bool Mapped() const { return FData != nullptr; }
  std::string_view Bytes() const { return {static_cast<const char*>(FData), FSize}; }

private:
  void* FData = nullptr;
  std::size_t FSize = 0;
};

// Runs Work on this thread.  False when Work touched a mapped page whose file part is gone: Work
// was then left where it stood (no destructors ran; what it had allocated is lost), so Work
// must only read the mapping and build what its caller drops on failure.
bool RunGuardingMappedReads(const std::function<void()>& Work);
