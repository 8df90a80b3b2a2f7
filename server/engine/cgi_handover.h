// The hand-over files between a CGI process and the resident instance: the queue file with its
// 268-byte records, the request files and the reply files, all in the "Temp" folder beside the
// program.  Every read-modify-write of the queue holds one exclusive lock on it.
// Invariant: the queue is rewritten in place under its lock and says the old queue or the new
// one at every moment; a reply file appears only whole, by rename, before its entry leaves the queue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/win_types.h"

inline constexpr size_t kQueueRecordSize = 268;
inline constexpr size_t kQueueNameOffset = 12;
inline constexpr size_t kQueueNameMax = 255;

enum TQueueStatus : BYTE { qsWaiting = 0, qsTaken = 1, qsFinished = 2, qsQueueMissing = 3, qsQueueLocked = 4 };

struct TQueueRecord {
  BYTE Status = qsWaiting;
  std::string Name;  // the request file's full path in upper case
};

std::string EncodeQueueRecord(const TQueueRecord& Record);
// Whole records only; a trailing partial record is ignored.
std::vector<TQueueRecord> DecodeQueueRecords(const std::string& Bytes);

// The names of the hand-over files of one program.
class THandoverFolder {
public:
  // The folder is the program folder + "/Temp", created (mode 0700) when missing; when it cannot
  // be made, the program folder itself.
  explicit THandoverFolder(const std::string& ProgramPath);

  const std::string& Folder() const { return FFolder; }
  const std::string& ProgramFolder() const { return FProgramFolder; }
  const std::string& ProgramFileName() const { return FProgramFileName; }
  std::string Base() const { return FFolder + "/" + FProgramFileName; }
  std::string QueueFile() const { return Base() + "_S"; }
  // The single-instance token the resident instance holds: "<program file name>_S".
  std::string TokenTitle() const { return FProgramFileName + "_S"; }
  std::string RequestFileName(const std::string& Id) const { return Base() + "_C_" + Id + "_REQ"; }
  // "..._REQ" becomes "..._out".
  static std::string ReplyFileName(const std::string& RequestFile);
  // The real request file of a queue record's upper-cased name: looked up without case in this
  // folder.  Empty when the name is not of this folder or no such file exists.
  std::string RealRequestFile(const std::string& UpperName) const;

private:
  std::string FProgramFolder;
  std::string FProgramFileName;
  std::string FFolder;
};

// The queue file, opened and locked for one read-modify-write.
class TQueueLock {
public:
  TQueueLock() = default;
  TQueueLock(const TQueueLock&) = delete;
  TQueueLock& operator=(const TQueueLock&) = delete;
  ~TQueueLock() { Close(); }

  // Opens and locks (Exclusive for changes, shared for reading), waiting up to WaitMs for a
  // lock that another process holds.  False when the file is missing, was deleted while we took
  // the lock, or stays locked by another.
  bool Open(const std::string& Path, bool Exclusive = true, bool Create = false,
            unsigned WaitMs = 0);
  void Close();
  bool IsOpen() const { return FFd >= 0; }

  std::vector<TQueueRecord> Read();
  bool Append(const TQueueRecord& Record);
  // Writes the records in place of the file's content (the lock lives on the inode).
  bool Rewrite(const std::vector<TQueueRecord>& Records);
  bool SetStatus(size_t Index, BYTE Status);
  void Touch();

private:
  int FFd = -1;
};

// Opens the queue with the given attempts and pause; false when it does not exist or stays locked.
bool OpenQueue(TQueueLock& Queue, const std::string& Path, int Attempts, unsigned PauseMs,
               bool Exclusive = true);

// Resident side: opens the queue exclusively, waiting up to Seconds for a moment between the
// shared locks of the waiting CGI processes.  False when the file is gone or stays locked.
bool OpenResidentQueue(TQueueLock& Queue, const std::string& Path, int Seconds);

// Creates the queue file when it is missing (never emptying an existing one) and sets its time.
bool CreateQueueFile(const std::string& Path);

// The doorbell the resident instance listens at: every append rings it.
std::string ResidentBellName(const THandoverFolder& Folder);
// CGI side: appends a waiting record for RequestFile (11 attempts, 50 ms after each) and rings the
// resident's doorbell (from From's socket when given).  False when the queue is missing or stays
// locked, or at once when the record cannot be written (WriteFailed is then set).  *Heard: the
// resident's doorbell has a listener, so the resident instance lives.
class TDoorbell;
bool AppendQueueRecord(const THandoverFolder& Folder, const std::string& RequestFile,
                       bool* WriteFailed = nullptr, const TDoorbell* From = nullptr,
                       bool* Heard = nullptr);
// CGI side: the status of the own entry: qsWaiting or qsTaken; qsFinished when the record is
// gone; qsQueueMissing; qsQueueLocked after 11 failed opens.
BYTE EntryStatus(const THandoverFolder& Folder, const std::string& RequestFile);

// The two kinds of queue entries: request files of the standard CGI front end (names ending in
// "_REQ") and profile files of the Windows CGI front end (any other name).
enum TEntryKind { ekRequestFile, ekProfile };
TEntryKind EntryKind(const std::string& UpperName);

// Resident side: marks the first waiting record of the given kind taken and returns its name;
// records of the other kind stay waiting for the front end that serves them.  False when
// nothing of the kind waits (the queue's time is then refreshed) or the queue cannot be opened.
// A non-empty *Finished names an entry that was served: its record (the taken one of that name)
// is dropped in the same hold of the queue, and *Finished is cleared once the queue was opened.
bool TakeNextEntry(const THandoverFolder& Folder, TEntryKind Kind, std::string& UpperName,
                   std::string* Finished = nullptr);
// CGI side, giving up: removes the own record while it is still waiting.  True when removed.
bool WithdrawQueueEntry(const THandoverFolder& Folder, const std::string& UpperName);
// The real file of an upper-cased absolute path, each part looked up without case; empty when
// there is none or the path is not absolute or holds "." or ".." parts.
std::string FindPathNoCase(const std::string& UpperPath);
// The real file of a queue record: a request file inside the folder, or a profile file.
std::string QueuedFile(const THandoverFolder& Folder, const std::string& UpperName);
// Resident side: drops the record of UpperName from the queue (the taken one, when a new request
// of the same name waits beside it) and refreshes its time.
bool FinishQueueEntry(const THandoverFolder& Folder, const std::string& UpperName);
// Refreshes the queue file's time while a long request runs, so that waiting CGI processes
// that judge by the time stamp do not give up on a busy resident.
class TRequestHeartbeat {
public:
  explicit TRequestHeartbeat(std::string QueueFile);
  ~TRequestHeartbeat();
  TRequestHeartbeat(const TRequestHeartbeat&) = delete;
  TRequestHeartbeat& operator=(const TRequestHeartbeat&) = delete;

private:
  struct TState;
  std::unique_ptr<TState> FState;
};

// Resident side, at start: keeps an existing queue's waiting records whose files exist
// (creating the queue when missing).  False when the queue cannot be created.
bool AdoptQueue(const THandoverFolder& Folder);
// Resident side: deletes request and reply files older than MaxAgeSeconds.
int RemoveStaleHandoverFiles(const THandoverFolder& Folder, double MaxAgeSeconds);
// Resident side, between requests: deletes the hand-over files whose owners are gone: every
// unfinished reply (".part": only the resident writes them, and it is not writing one now), a
// reply whose request has left the queue for more than ReplyGraceSeconds (its CGI process takes
// it at once when alive), and a request file not in the queue for more than RequestGraceSeconds
// (its CGI process queues it right after writing it).
// PartsIdle false (requests running on threads) keeps the ".part" files.
int RemoveOrphanedHandoverFiles(const THandoverFolder& Folder, double ReplyGraceSeconds,
                                double RequestGraceSeconds, bool PartsIdle = true);

// The request file: every environment string and CR LF, "OSTREL_CGI_DEBUG=true" CR LF CR LF,
// then exactly ContentLength bytes of Input.
enum TRequestFileResult { rfWritten, rfNameTooLong, rfShortInput, rfFailed };
TRequestFileResult WriteRequestFile(const THandoverFolder& Folder,
                                    const std::vector<std::string>& Environment, int Input,
                                    long long ContentLength, std::string& RequestFile,
                                    std::string& Error);

// Copies a reply file to Output.  When its first 1024 bytes hold the blank line that ends the
// header block and the block has no Content-Length line, "Content-Length: <body bytes>" is
// inserted before the blank line.  False when the file cannot be read.
bool CopyReply(const std::string& ReplyFile, int Output);
