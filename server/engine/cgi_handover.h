// The hand-over files between a CGI process and the resident instance: the queue file with its
// 268-byte records, the request files and the reply files, all in the "Temp" folder beside the
// program (mode 0700), with the socket files of the resident's token and doorbell desk.
//
// ---- The protocol ------------------------------------------------------------------------------
//
// Files of one request id <id> (four hex digits, drawn at random for each request) in the folder,
// <base> being the folder + "/" + the program's file name:
//   <base>_C_<id>_REQ       the request file; its name in upper case is the queue record's name
//   <base>_C_<id>_out       the reply, whole
//   <base>_C_<id>_out.part  a reply larger than a piece while the resident writes it
// and of the program: <base>_S the queue, <base>_S_bell the resident's doorbell desk (a
// listening socket file), <base>_S_token and <base>_S_lock its single-instance token.  An owner
// has no file of its own to be rung at: it connects to the desk, names its request file (upper
// case) and waits on that connection, which has no name; the connection's end tells the resident
// that the owner went, and the owner that the resident went.
//
// The states of a request id, and who may do what in each:
//   free        no request file and no reply of the id.  A CGI process draws an id at random and
//               creates the request file exclusively; an id whose reply still waits is passed
//               over (its old owner may not have taken it yet).
//   created     the owner (the CGI process that created it) writes the request file; it alone
//               may delete the file (a short input, a full disk).
//   queued      the owner appended a waiting record under the queue's lock and called the
//               resident's desk (which wakes the resident), keeping the line for its ring.
//               The owner may withdraw it: it drops the record while it still waits, under the
//               lock, and only then deletes the file.  The resident may take it.
//   taken       the resident marked the record taken under the lock.  From here on only the
//               resident renames or deletes the request file: an owner that gives up (the web
//               server ends it, the resident is gone) leaves the id's files to the resident and
//               its sweeps.  The resident opens the request file and runs it.
//   reply written  a short reply over the request file through the descriptor the resident
//               opened, cut to its length; a larger one into the .part file as it comes.
//   reply renamed  (on the resident's placing thread while other entries wait, so that the next
//               request runs meanwhile; the request file stays open until this step is done)
//               when the request file's name still names the file the resident opened, the
//               request file (short) or the .part file (large) is renamed to the reply, the
//               request file goes (large), and the owner's line rings (the desk keeps a ring
//               for a line that has not named itself yet, 5 to 10 s).  Otherwise (someone
//               else deleted it meanwhile, and a new request of the id may stand under its name)
//               the resident drops its reply and leaves that name alone.
//   copied      the owner copies the reply to its standard output and keeps it as a spare
//               (below), or deletes it when every spare slot is full, or leaves it
//               when its name no longer names the file it copied; the id is free.
//   removed     the record is marked finished in the resident's first hold of the queue after
//               its reply is in place (several such records in one hold): a take, the next
//               caller's, or the resident's timer's within 50 ms when nobody called while the
//               request ran (its owner then copies the reply before the resident's upkeep on a
//               shared processor); a request that got no reply (a full disk) is
//               finished at once, its request file deleted, and its owner answers with the error
//               reply.  A finished record (or a withdrawn one) counts as gone; finished records
//               are dropped, in one rewrite, once they are as many as the others and, while
//               others wait, at least CompactAtFinished (a cut of the file costs more than a
//               status byte), so the resident's work a request does not grow with the number of
//               waiting requests; a take that finds nothing waiting drops them at once.
//
// Spares: <base>_F_<nn> (nn: two hex digits, SpareSlots of them) is a copied reply kept for a
// later request file.  The owner of a reply renames it to the first free slot (never over a
// spare) once it is copied; a CGI process that writes a request renames the first spare it finds
// to its request file's name (never over an existing file: an existing name is a taken id),
// refreshing its time first so that the sweeps do not take the request file for an old one.  So a request creates and
// frees no file on a busy server: on a file system that looks over every file freed in the last
// seconds to pick a new one, a new file costs more than the rest of a CGI process's hand-over.
// A spare keeps its last reply's bytes (the folder is the owner's alone) until a request is
// written over them and the rest cut off; nobody but these two steps touches it (the sweeps look
// at "_C_" files).
//
// Time limits (HandoverLimits below):
//   - a CGI process tries the queue's lock 11 times, each a wait of up to 50 ms and a pause of
//     50 ms (append, withdraw) or 100 ms (the resident's adoption); while it waits, once a look
//     (a queue held locked tells nothing that round); the resident waits up to 3 s to take an entry and 30 s to finish one, 10 times;
//   - a CGI process waits 180 s for its reply at most, looking at least every 100 ms and at the
//     queue and the token every 10th round, and then withdraws a request not yet taken; one whose
//     record found no other waiting looks for its ring without sleeping for the first 0.5 ms (a
//     short request is answered by then, and the wake-up of a sleeping process costs an idle
//     machine more than the look); a queue gone while the resident lives is waited out (the
//     resident places the reply of the request it runs, then ends);
//   - the resident looks at the queue every 50 ms at least (its doorbell wakes it at once) and
//     touches the queue every 5 s while a request runs; a queue older than 30 s without a resident
//     is deleted by the first CGI process that finds it so;
//   - every 5 s the resident sweeps: .part files while no request runs, replies whose record left
//     the queue more than 5 s ago, request files not in the queue for 30 s, and any file of an id
//     older than 180 s; its doorbell desk lets go of lines whose owner hung up and forgets rings
//     kept more than 5 s for a line that never named itself (its owner still finds the reply at
//     its next look, within 100 ms).
//
// Privacy: the folder is this user's alone (mode 0700), whoever made it.  A CGI process or the
// resident that finds it open to others makes it private again and removes what others put in
// it; one that is not this user's own is refused: the request gets the error reply, a resident
// does not start.  Every hand-over file is opened without following a link and used only when it
// is a regular file of this user with one name: a spare that is not is removed, a request file
// or reply that is not is neither read nor written (the request is not run, the reply not
// copied), the queue is not used.
//
// Invariants:
//   - the queue holds whole records with a name each, and a rewrite in place leaves the old queue
//     or the new one at every moment;
//   - only a waiting record is taken or withdrawn; the record a finish marks is the taken one;
//   - an entry that leaves the queue served has its reply in place (renamed whole) before;
//   - the owner deletes its request file only after withdrawing its waiting record.
// What another process may do (hold the queue's lock, delete the queue or a file, write into the
// folder) is an outcome the code handles, never a broken invariant: the checks (QN_ASSERT) look
// at this process's own state only, without I/O.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/win_types.h"

struct stat;

// Every time limit and retry count of the hand-over, as the protocol above states them.
namespace HandoverLimits {
// The queue's lock, as a CGI process takes it: attempts, each waiting up to LockWaitMs for the
// lock and pausing after a failure.
inline constexpr int LockAttempts = 11;
inline constexpr unsigned LockWaitMs = 50;
inline constexpr unsigned ChangePauseMs = 50;  // append, withdraw
inline constexpr unsigned LookPauseMs = 100;   // a look at the own entry, the resident's adoption
// The resident's waits for the queue's lock (a second at a time): to take and to finish an entry.
inline constexpr int TakeWaitSeconds = 3;
inline constexpr int FinishWaitSeconds = 30;
inline constexpr int FinishAttempts = 10;
// The sweep's looks at the queue, a shared lock each.
inline constexpr int SweepLockAttempts = 3;
inline constexpr unsigned SweepLockPauseMs = 20;
// A CGI process's wait for its reply.
inline constexpr int ReplyWaitSeconds = 180;
inline constexpr int EntryPollMs = 100;    // the longest wait between two looks
inline constexpr long LivenessRounds = 10;  // every 10th look goes to the queue and the token
inline constexpr int ResidentRestartSeconds = 1;  // between two starts of a resident by a waiter
// A request that found no other waiting in the queue is the resident's next: its owner looks for
// the ring without sleeping this long first (a short request is answered within it).
inline constexpr int LoneReplySpinUs = 500;
// A CGI process that started the resident tries to queue its request this often, this far apart.
inline constexpr int StartAttempts = 6;
inline constexpr unsigned StartPauseMs = 500;
// The same for a profile of the Windows CGI front end.
inline constexpr int ProfileStartAttempts = 21;
inline constexpr unsigned ProfileStartPauseMs = 200;
// A CGI process that deleted a stale queue gives a resident that is starting this long to make a
// new one.
inline constexpr unsigned StaleQueuePauseMs = 300;
// The resident.
inline constexpr unsigned ResidentPollMs = 50;
inline constexpr int HeartbeatSeconds = 5;
inline constexpr int HeartbeatCheckMs = 500;
inline constexpr double StaleQueueSeconds = 30;
inline constexpr int SweepEverySeconds = 5;
inline constexpr double OrphanReplySeconds = 5;
inline constexpr double OrphanRequestSeconds = 30;
inline constexpr double StaleFileSeconds = 180;
// While others wait, finished records stay in the queue until there are this many (and as many as
// the others).
inline constexpr size_t CompactAtFinished = 8;
// The spare slots (a spare is taken from the first full one and put in the first free one).
inline constexpr int SpareSlots = 8;
// A reply up to a piece is kept in memory and written in one write; a larger one goes in pieces.
inline constexpr size_t ReplyPiece = size_t{1} << 20;
}  // namespace HandoverLimits

inline constexpr size_t kQueueRecordSize = 268;
inline constexpr size_t kQueueNameOffset = 12;
inline constexpr size_t kQueueNameMax = 255;

// A queue record's status byte as it stands in the file.  Bytes above 2 read as finished.
enum class TRecordStatus : BYTE { Waiting = 0, Taken = 1, Finished = 2 };

// What a CGI process learns when it looks at its own entry.
enum class TEntryState { Waiting, Taken, Finished, QueueMissing, QueueLocked };

struct TQueueRecord {
  TRecordStatus Status = TRecordStatus::Waiting;
  std::string Name;  // the request file's full path in upper case
};

std::string EncodeQueueRecord(const TQueueRecord& Record);
// Whole records only; a trailing partial record is ignored.
std::vector<TQueueRecord> DecodeQueueRecords(const std::string& Bytes);

// The names of the hand-over files of one program.
class THandoverFolder {
public:
  // The folder is the program folder + "/Temp", created (mode 0700) when missing; when it cannot
  // be made, the program folder itself.  An existing one open to others is made private (Mended
  // says so); one that is not this user's own folder is refused (Refusal says why).
  explicit THandoverFolder(const std::string& ProgramPath);

  // Why the folder may not be used; empty when it may.
  const std::string& Refusal() const { return FRefusal; }
  // What was mended in the folder when it was found open to others; empty when nothing was.
  const std::string& Mended() const { return FMended; }
  const std::string& Folder() const { return FFolder; }
  const std::string& ProgramFolder() const { return FProgramFolder; }
  const std::string& ProgramFileName() const { return FProgramFileName; }
  std::string Base() const { return FFolder + "/" + FProgramFileName; }
  std::string QueueFile() const { return Base() + "_S"; }
  // The single-instance token the resident instance holds: "<program file name>_S".
  std::string TokenTitle() const { return FProgramFileName + "_S"; }
  std::string RequestFileName(const std::string& Id) const { return Base() + "_C_" + Id + "_REQ"; }
  // The spare of a slot (0 to SpareSlots - 1), and of a request or reply file's folder and program.
  std::string SpareFileName(int Slot) const { return SpareFileName(Base(), Slot); }
  static std::string SpareFileName(const std::string& Base, int Slot);
  // "<base>_C_<id>_..." gives "<base>"; empty for a name that is not such a file.
  static std::string BaseOf(const std::string& HandoverFile);
  // "..._REQ" becomes "..._out".
  static std::string ReplyFileName(const std::string& RequestFile);
  // The resident's doorbell desk, which every append calls.
  std::string ResidentBell() const { return QueueFile() + "_bell"; }
  // The real request file of a queue record's upper-cased name: looked up without case in this
  // folder.  Empty when the name is not of this folder or no such file exists.
  std::string RealRequestFile(const std::string& UpperName) const;

private:
  void MakePrivate(unsigned Mode);

  std::string FProgramFolder;
  std::string FProgramFileName;
  std::string FFolder;
  std::string FRefusal, FMended;
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
  // The whole file as it stands.
  std::string ReadBytes();
  // *First: no other record waits in the queue (taken ones may stand in it).
  bool Append(const TQueueRecord& Record, bool* First = nullptr);
  // Writes the records in place of the file's content (the lock lives on the inode).
  bool Rewrite(const std::vector<TQueueRecord>& Records);
  bool SetStatus(size_t Index, TRecordStatus Status);
  void Touch();

private:
  int FFd = -1;
};

class TBellLine;

// The two kinds of queue entries: request files of the standard CGI front end (names ending in
// "_REQ") and profile files of the Windows CGI front end (any other name).
enum TEntryKind { ekRequestFile, ekProfile };

// The steps of the hand-over, as the CGI processes and the resident take them.
namespace Handover {

// Opens the queue with the given attempts and pause; false when it does not exist or stays locked.
bool OpenQueue(TQueueLock& Queue, const std::string& Path, int Attempts, unsigned PauseMs,
               bool Exclusive = true);
// Resident side: opens the queue exclusively, waiting up to Seconds for a moment between the
// shared locks of the waiting CGI processes.  False when the file is gone or stays locked.
bool OpenResidentQueue(TQueueLock& Queue, const std::string& Path, int Seconds);
// Creates the queue file when it is missing (never emptying an existing one) and sets its time.
bool CreateQueue(const std::string& Path);

// CGI side: appends a waiting record for RequestFile and calls the resident's doorbell desk on
// Line (which then waits for the ring), or on a line that goes at once.  False when the queue is
// missing or stays locked, or at once when the record cannot be written (WriteFailed is then
// set).  *Heard: the desk answered, so the resident instance lives.  *Alone: no other record
// waited in the queue (the resident runs this one next, or has taken every other).
bool Append(const THandoverFolder& Folder, const std::string& RequestFile, bool* WriteFailed = nullptr,
            TBellLine* Line = nullptr, bool* Heard = nullptr, bool* Alone = nullptr);
// CGI side: the state of the own entry; Finished when its record is gone.  The queue's lock is
// tried Attempts times (QueueLocked when it stays held).
TEntryState EntryState(const THandoverFolder& Folder, const std::string& RequestFile,
                       int Attempts = HandoverLimits::LockAttempts);
// CGI side, giving up: removes the own record while it is still waiting.  True when removed.
bool Withdraw(const THandoverFolder& Folder, const std::string& UpperName);
// CGI side, giving up on a request file: withdraws its entry and then deletes the file.  An entry
// the resident has taken is left to the resident (its files go with the reply or the sweeps).
// True when the request was withdrawn.
bool GiveUpRequest(const THandoverFolder& Folder, const std::string& RequestFile);

TEntryKind EntryKind(const std::string& UpperName);
// Resident side: marks the first waiting record of the given kind taken and returns its name;
// records of the other kind stay waiting for the front end that serves them.  False when
// nothing of the kind waits (the queue's time is then refreshed) or the queue cannot be opened.
// *Finished names entries that were served, their replies in place: their records (the taken
// ones of those names) are dropped in the same hold of the queue, and *Finished is cleared once
// the queue was opened.
// *MoreWaiting: another entry of the kind waits behind the one taken.
bool TakeNext(const THandoverFolder& Folder, TEntryKind Kind, std::string& UpperName,
              std::vector<std::string>* Finished = nullptr, bool* MoreWaiting = nullptr);
// Resident side: drops the record of UpperName from the queue (the taken one, when a new request
// of the same name waits beside it) and refreshes its time.
bool Finish(const THandoverFolder& Folder, const std::string& UpperName);
// The real file of a queue record: a request file inside the folder, or a profile file.
std::string QueuedFile(const THandoverFolder& Folder, const std::string& UpperName);

// Resident side, at start: keeps an existing queue's waiting records whose files exist
// (creating the queue when missing).  False when the queue cannot be created.
bool AdoptQueue(const THandoverFolder& Folder);
// Resident side: deletes the files of request ids older than MaxAgeSeconds.
int RemoveStaleFiles(const THandoverFolder& Folder, double MaxAgeSeconds);
// Resident side, between requests: deletes the hand-over files whose owners are gone: every
// unfinished reply (".part": only the resident writes them, and it is not writing one now), a
// reply whose request has left the queue for more than ReplyGraceSeconds (its CGI process takes
// it at once when alive), and a request file not in the queue for more than RequestGraceSeconds
// (its CGI process queues it right after writing it).
// PartsIdle false (requests running on threads) keeps the ".part" files.
int RemoveOrphanedFiles(const THandoverFolder& Folder, double ReplyGraceSeconds,
                        double RequestGraceSeconds, bool PartsIdle = true);

// The request file: every environment string and CR LF, "OSTREL_CGI_DEBUG=true" CR LF CR LF,
// then exactly ContentLength bytes of Input.  Its id is drawn at random, passing over an id whose
// request file or reply exists.
enum TRequestFileResult { rfWritten, rfNameTooLong, rfShortInput, rfFailed };
// DrawId (for tests) replaces the random draw.
TRequestFileResult WriteRequestFile(const THandoverFolder& Folder,
                                    const std::vector<std::string>& Environment, int Input,
                                    long long ContentLength, std::string& RequestFile,
                                    std::string& Error,
                                    const std::function<std::uint16_t()>& DrawId = nullptr);

// Opens a hand-over file (Flags as for open; no link is followed) when it is a regular file of
// this user with one name; -1 otherwise (errno ELOOP for a link, EPERM for a file that is not
// such a one).  *Info: its status as opened.
int OpenOwnFile(const std::string& Path, int Flags, struct stat* Info = nullptr);

// CGI side, the reply copied: keeps the reply open on Fd as a spare in the first free slot, or
// deletes it when every slot is full.  A name that no longer names the file on Fd (swept
// meanwhile, and another request's now) is left alone.
void ReleaseReply(const std::string& ReplyFile, int Fd);

// A reply of Size bytes in all that starts with Reply: when its first 1024 bytes hold the blank
// line that ends the header block and the block has no Content-Length line, "Content-Length:
// <body bytes>" is inserted before the blank line.  True when inserted.
bool InsertContentLength(std::string& Reply, long long Size);

// Copies an open reply file (from its start) to Output, its Content-Length inserted as above.
// False when the file cannot be read or Output not written.
bool CopyReply(int Input, int Output);

}  // namespace Handover

// The real file of an upper-cased absolute path, each part looked up without case; empty when
// there is none or the path is not absolute or holds "." or ".." parts.
std::string FindPathNoCase(const std::string& UpperPath);

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
