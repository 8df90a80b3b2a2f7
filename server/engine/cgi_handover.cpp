#include "server/engine/cgi_handover.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/rtl/file_io.h"
#include "platform/rtl/invariant.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"
#include "platform/rtl/random.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/single_instance.h"
#include "server/engine/http_text.h"

using namespace HandoverLimits;

// ---- Records ----------------------------------------------------------------------------------

std::string EncodeQueueRecord(const TQueueRecord& Record) {
  std::string bytes(kQueueRecordSize, '\0');
  bytes[0] = static_cast<char>(Record.Status);
  QN_ASSERT(!Record.Name.empty());  // a record without a name reads as the tail of a cut rewrite
  std::memcpy(&bytes[kQueueNameOffset], Record.Name.data(), std::min(Record.Name.size(), kQueueNameMax));
  return bytes;
}

std::vector<TQueueRecord> DecodeQueueRecords(const std::string& Bytes) {
  std::vector<TQueueRecord> records;
  for (size_t at = 0; at + kQueueRecordSize <= Bytes.size(); at += kQueueRecordSize) {
    TQueueRecord record;
    const auto status = static_cast<BYTE>(Bytes[at]);
    record.Status = status <= static_cast<BYTE>(TRecordStatus::Finished) ? static_cast<TRecordStatus>(status)
                                                                          : TRecordStatus::Finished;
    const char* name = Bytes.data() + at + kQueueNameOffset;
    record.Name.assign(name, strnlen(name, kQueueRecordSize - kQueueNameOffset));
    // A record without a name is the zeroed tail of a rewrite cut short.
    if (!record.Name.empty()) records.push_back(std::move(record));
  }
  return records;
}

// ---- Names --------------------------------------------------------------------------------------

// A regular file of this user with no other name: what a hand-over file must be to be used.
static bool OwnSingleFile(const struct stat& Info) {
  return S_ISREG(Info.st_mode) && Info.st_uid == ::geteuid() && Info.st_nlink == 1;
}

static std::string ModeText(unsigned Mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", Mode & 07777);
  return text;
}

THandoverFolder::THandoverFolder(const std::string& ProgramPath) {
  size_t slash = ProgramPath.rfind('/');
  FProgramFolder = slash == std::string::npos ? std::string(".") : ProgramPath.substr(0, slash);
  if (FProgramFolder.empty()) FProgramFolder = "/";
  FProgramFileName = slash == std::string::npos ? ProgramPath : ProgramPath.substr(slash + 1);
  FFolder = FProgramFolder + "/Temp";
  // A link to a folder (elsewhere on another disk) counts as the folder it names.
  struct stat info {};
  if (::stat(FFolder.c_str(), &info) != 0) {
    // Made by us it is private whatever the umask (which only takes bits away).
    if (CreateDir(FFolder, 0700)) return;
    if (errno != EEXIST || ::stat(FFolder.c_str(), &info) != 0) {
      FFolder = FProgramFolder;
      return;
    }
  }
  if (S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0) return;  // as it should be
  if (!S_ISDIR(info.st_mode)) {  // a file of the name: no folder can be made
    FFolder = FProgramFolder;
    return;
  }
  if (info.st_uid != ::geteuid()) {
    FRefusal = "The hand-over folder " + FFolder + " is not a folder of this server's user (uid " +
               std::to_string(::geteuid()) + "); requests are refused until it is removed or made so";
    return;
  }
  MakePrivate(info.st_mode);
}

void THandoverFolder::MakePrivate(unsigned Mode) {
  errno = 0;
  // Open to others: closed first, then whatever others put in it goes (links, files, sockets of
  // theirs); this user's own files stay.
  const int dir = ::open(FFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat opened {};
  if (dir < 0 || ::fstat(dir, &opened) != 0 || opened.st_uid != ::geteuid() || ::fchmod(dir, 0700) != 0) {
    FRefusal = "The hand-over folder " + FFolder + " is open to others (mode " + ModeText(Mode) +
               ") and cannot be made private: " + std::strerror(errno ? errno : EPERM) + "; requests are refused";
    if (dir >= 0) ::close(dir);
    return;
  }
  int removed = 0;
  if (DIR* entries = ::fdopendir(::dup(dir))) {
    while (const dirent* entry = ::readdir(entries)) {
      const std::string name = entry->d_name;
      struct stat item {};
      if (name == "." || name == ".." || ::fstatat(dir, name.c_str(), &item, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (item.st_uid != ::geteuid() && ::unlinkat(dir, name.c_str(), S_ISDIR(item.st_mode) ? AT_REMOVEDIR : 0) == 0)
        ++removed;
    }
    ::closedir(entries);
  }
  ::close(dir);
  FMended = "The hand-over folder " + FFolder + " was open to others (mode " + ModeText(Mode) +
            "); made it private (0700) and removed " + std::to_string(removed) + " entries of other users";
}

std::string THandoverFolder::ReplyFileName(const std::string& RequestFile) {
  if (RequestFile.size() >= 3 && AsciiUpper(RequestFile.substr(RequestFile.size() - 3)) == "REQ")
    return RequestFile.substr(0, RequestFile.size() - 3) + "out";
  return RequestFile + "_out";
}

std::string THandoverFolder::SpareFileName(const std::string& Base, int Slot) {
  return Base + "_F_" + IntToHexBits(static_cast<unsigned>(Slot), 2);
}

std::string THandoverFolder::BaseOf(const std::string& HandoverFile) {
  const size_t at = HandoverFile.rfind("_C_");
  return at == std::string::npos || HandoverFile.find('/', at) != std::string::npos ? std::string()
                                                                                      : HandoverFile.substr(0, at);
}

std::string THandoverFolder::RealRequestFile(const std::string& UpperName) const {
  size_t slash = UpperName.rfind('/');
  if (slash == std::string::npos || AsciiUpper(FFolder) != UpperName.substr(0, slash)) return {};
  const std::string name = UpperName.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return {};
  // The name as this program writes it (its file name, "_C_", the id in upper case, "_REQ") is
  // tried first: looking without case reads the whole folder.
  const std::string ownStart = AsciiUpper(FProgramFileName) + "_C_";
  if (name.compare(0, ownStart.size(), ownStart) == 0) {
    const std::string own = Base() + "_C_" + name.substr(ownStart.size());
    if (FileExists(own)) return own;
  }
  return FindFileNoCase(FFolder + "/" + name);
}

// ---- The locked queue ---------------------------------------------------------------------------

bool TQueueLock::Open(const std::string& Path, bool Exclusive, bool Create, unsigned WaitMs) {
  Close();
  int fd = ::open(Path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (Create ? O_CREAT : 0), 0600);
  if (fd < 0) return false;
  // The queue is held only for a read or a short write, so a waiter polls in small steps; one
  // try per attempt would let a crowd of CGI processes that retry in step starve one of them.
  // The steps start short, since a holder is usually done within a fraction of a millisecond,
  // and grow to a few milliseconds, with a random part so that waiters fall out of step.
  const unsigned start = GetTickCount();
  unsigned stepUs = 50;
  while (::flock(fd, (Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      ::close(fd);
      return false;
    }
    if (GetTickCount() - start >= WaitMs) {
      ::close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(stepUs + Random(static_cast<int>(stepUs))));
    stepUs = std::min(stepUs * 2, 2000u);
  }
  // The file may have been deleted between our open and our lock; one that is not this user's
  // own regular file is not written to.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !OwnSingleFile(info)) {
    ::close(fd);
    return false;
  }
  FFd = fd;
  return true;
}

void TQueueLock::Close() {
  if (FFd >= 0) ::close(FFd);  // closing releases the lock
  FFd = -1;
}

std::vector<TQueueRecord> TQueueLock::Read() { return DecodeQueueRecords(ReadBytes()); }

std::string TQueueLock::ReadBytes() {
  // The queue is read in one call of its size: a crowd of waiting requests makes it tens of
  // kilobytes, which pieces of a fixed size would read in as many calls.
  struct stat info {};
  std::string bytes(::fstat(FFd, &info) == 0 ? static_cast<size_t>(std::max<off_t>(info.st_size, 0)) : 0, '\0');
  size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(done + kQueueRecordSize * 16);
    const ssize_t got = ::pread(FFd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
    if (done == static_cast<size_t>(info.st_size)) break;
  }
  bytes.resize(done);
  return bytes;
}

bool TQueueLock::Rewrite(const std::vector<TQueueRecord>& Records) {
  std::string bytes;
  for (const TQueueRecord& record : Records) bytes += EncodeQueueRecord(record);
  // One write of the new records, zeros up to the old length (records without a name, which
  // readers skip), then the cut: at every moment the file says the old queue or the new one.
  struct stat info {};
  if (::fstat(FFd, &info) != 0) return false;
  const size_t newSize = bytes.size();
  if (static_cast<off_t>(bytes.size()) < info.st_size) bytes.resize(static_cast<size_t>(info.st_size), '\0');
  // No record left: the cut alone says so.
  if (newSize > 0 && !WriteAllAt(FFd, bytes.data(), bytes.size(), 0)) return false;
  if (::ftruncate(FFd, static_cast<off_t>(newSize)) != 0) return false;
  Touch();
  return true;
}

bool TQueueLock::SetStatus(size_t Index, TRecordStatus Status) {
  // The record was read under this lock; a file cut meanwhile (by a writer that ignores the lock)
  // is not lengthened by a status byte past its end.
  struct stat info {};
  if (::fstat(FFd, &info) != 0 || static_cast<off_t>((Index + 1) * kQueueRecordSize) > info.st_size) return false;
  const char byte = static_cast<char>(Status);
  return WriteAllAt(FFd, &byte, 1, static_cast<std::int64_t>(Index * kQueueRecordSize));
}

void TQueueLock::Touch() { FileTouch(FFd); }

namespace {

bool EndsWith(const std::string& Text, const std::string& Tail) {
  return Text.size() >= Tail.size() && Text.compare(Text.size() - Tail.size(), Tail.size(), Tail) == 0;
}

// The record a finish drops: the taken one of the name (once its CGI process has its reply, a new
// request may have queued the same name); one of another status only when none is taken.
std::vector<TQueueRecord>::iterator FinishedRecord(std::vector<TQueueRecord>& Records, const std::string& UpperName) {
  auto same = [&](const TQueueRecord& Record) { return Record.Name == UpperName; };
  auto it = std::find_if(Records.begin(), Records.end(), [&](const TQueueRecord& Record) {
    return same(Record) && Record.Status == TRecordStatus::Taken;
  });
  return it != Records.end() ? it : std::find_if(Records.begin(), Records.end(), same);
}

// Finished records are dropped once they are as many as the others and, while requests keep
// coming (Idle false: another waits to be taken), at least CompactAtFinished: a rewrite cuts the
// file, which costs a file system far more than the status byte of a finish, so a queue that
// holds one request at a time is rewritten every few requests, not at every one.  A queue with
// nothing waiting is cleared at once.
bool FinishedDue(size_t Finished, size_t Named, bool Idle) {
  return Finished > 0 && (Idle || Finished >= CompactAtFinished) && Finished * 2 >= Named;
}

size_t CountFinished(const std::vector<TQueueRecord>& Records) {
  return static_cast<size_t>(std::count_if(Records.begin(), Records.end(), [](const TQueueRecord& Record) {
    return Record.Status == TRecordStatus::Finished;
  }));
}

// The queue's records as the bytes of the file, looked at in place.  Records without a name (the
// zeroed tail of a cut rewrite) count as finished.
class TRawQueue {
public:
  static constexpr size_t None = static_cast<size_t>(-1);
  explicit TRawQueue(std::string& Bytes) : FBytes(&Bytes) {}

  size_t Count() const { return FBytes->size() / kQueueRecordSize; }
  bool Named(size_t Index) const { return (*FBytes)[Index * kQueueRecordSize + kQueueNameOffset] != '\0'; }
  TRecordStatus Status(size_t Index) const {
    const auto status = static_cast<BYTE>((*FBytes)[Index * kQueueRecordSize]);
    return !Named(Index) || status > static_cast<BYTE>(TRecordStatus::Finished) ? TRecordStatus::Finished
                                                                                : static_cast<TRecordStatus>(status);
  }
  void SetStatus(size_t Index, TRecordStatus Status) { (*FBytes)[Index * kQueueRecordSize] = static_cast<char>(Status); }
  std::string_view Name(size_t Index) const {
    const char* name = FBytes->data() + Index * kQueueRecordSize + kQueueNameOffset;
    return {name, strnlen(name, kQueueRecordSize - kQueueNameOffset)};
  }
  // As FinishedRecord below: the taken record of the name, else the first of the name.
  size_t FinishedRecord(const std::string& UpperName) const {
    size_t any = None;
    for (size_t i = 0; i < Count(); ++i) {
      if (!Named(i) || Name(i) != UpperName) continue;
      if (Status(i) == TRecordStatus::Taken) return i;
      if (any == None) any = i;
    }
    return any;
  }
  // As CompactWhenDue below decides.
  bool CompactionDue(bool Idle) const {
    size_t finished = 0, named = 0;
    for (size_t i = 0; i < Count(); ++i) {
      if (!Named(i)) continue;
      ++named;
      finished += Status(i) == TRecordStatus::Finished;
    }
    return FinishedDue(finished, named, Idle);
  }

private:
  std::string* FBytes;
};

// Drops the finished records when they are due (FinishedDue): the queue is rewritten once for
// as many requests as it holds, and a finish between costs one status byte.
bool CompactWhenDue(TQueueLock& Lock, std::vector<TQueueRecord>& Records, bool Idle) {
  if (!FinishedDue(CountFinished(Records), Records.size(), Idle)) return true;
  std::erase_if(Records, [](const TQueueRecord& Record) { return Record.Status == TRecordStatus::Finished; });
  return Lock.Rewrite(Records);
}

}  // namespace

bool TQueueLock::Append(const TQueueRecord& Record, bool* First) {
  struct stat info {};
  if (::fstat(FFd, &info) != 0) return false;
  // Records start at multiples of the record size, whatever a broken writer left behind.
  off_t at = info.st_size - info.st_size % static_cast<off_t>(kQueueRecordSize);
  if (First) {
    // The records standing are read under the lock; a long queue counts as busy unread.  Looked
    // at: room for the finished records a queue keeps before its rewrite, and as many others.
    constexpr off_t kLookedAt = static_cast<off_t>(2 * CompactAtFinished * kQueueRecordSize);
    *First = at <= kLookedAt;
    if (at > 0 && *First) {
      std::string standing(static_cast<size_t>(at), '\0');
      *First = ::pread(FFd, standing.data(), standing.size(), 0) == static_cast<ssize_t>(standing.size());
      TRawQueue queue(standing);
      for (size_t i = 0; *First && i < queue.Count(); ++i)
        if (queue.Status(i) == TRecordStatus::Waiting) *First = false;
    }
  }
  const std::string bytes = EncodeQueueRecord(Record);
  if (!WriteAllAt(FFd, bytes.data(), bytes.size(), at)) return false;
  if (at + static_cast<off_t>(bytes.size()) < info.st_size)
    (void)::ftruncate(FFd, at + static_cast<off_t>(bytes.size()));
  return true;  // the write has set the file's time
}

namespace Handover {

bool OpenQueue(TQueueLock& Queue, const std::string& Path, int Attempts, unsigned PauseMs,
               bool Exclusive) {
  for (int attempt = 0; attempt < Attempts; ++attempt) {
    if (Queue.Open(Path, Exclusive, false, LockWaitMs)) return true;
    if (!FileExists(Path)) return false;
    if (attempt + 1 < Attempts) Sleep(PauseMs);
  }
  return false;
}

bool OpenResidentQueue(TQueueLock& Queue, const std::string& Path, int Seconds) {
  // The waiting CGI processes read the queue under shared locks all the time: the resident
  // waits for a gap between them in small steps, a second at a time.
  for (int attempt = 0; attempt < Seconds; ++attempt) {
    if (Queue.Open(Path, true, false, 1000)) return true;
    if (!FileExists(Path)) return false;
  }
  return false;
}

bool CreateQueue(const std::string& Path) {
  int fd = ::open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  FileTouch(fd);
  ::close(fd);
  return true;
}

// ---- CGI side -------------------------------------------------------------------------------------

bool Append(const THandoverFolder& Folder, const std::string& RequestFile, bool* WriteFailed,
            TBellLine* Line, bool* Heard, bool* Alone) {
  const std::string queue = Folder.QueueFile();
  TQueueRecord record{TRecordStatus::Waiting, AsciiUpper(RequestFile)};
  if (WriteFailed) *WriteFailed = false;
  if (Heard) *Heard = false;
  TQueueLock lock;
  if (!OpenQueue(lock, queue, LockAttempts, ChangePauseMs)) return false;
  if (!lock.Append(record, Alone)) {
    // A full disk does not empty itself while we wait.
    if (WriteFailed) *WriteFailed = true;
    return false;
  }
  lock.Close();
  // The call wakes the resident; the line stays for its ring (a line of our own goes at once).
  TBellLine own;
  const bool heard = (Line ? *Line : own).Call(Folder.ResidentBell(), record.Name);
  if (Heard) *Heard = heard;
  return true;
}

TEntryState EntryState(const THandoverFolder& Folder, const std::string& RequestFile, int Attempts) {
  const std::string queue = Folder.QueueFile();
  const std::string name = AsciiUpper(RequestFile);
  for (int attempt = 0; attempt < Attempts; ++attempt) {
    if (!FileExists(queue)) return TEntryState::QueueMissing;
    TQueueLock lock;
    if (lock.Open(queue, false, false, LockWaitMs)) {
      // A finished record of the name is an earlier request's, left for the next compaction.
      for (const TQueueRecord& record : lock.Read())
        if (record.Name == name && record.Status != TRecordStatus::Finished)
          return record.Status == TRecordStatus::Waiting ? TEntryState::Waiting : TEntryState::Taken;
      return TEntryState::Finished;
    }
    if (attempt + 1 < Attempts) Sleep(LookPauseMs);
  }
  return TEntryState::QueueLocked;
}

bool Withdraw(const THandoverFolder& Folder, const std::string& UpperName) {
  TQueueLock lock;
  if (!OpenQueue(lock, Folder.QueueFile(), LockAttempts, ChangePauseMs)) return false;
  const std::vector<TQueueRecord> records = lock.Read();
  for (size_t i = 0; i < records.size(); ++i)
    if (records[i].Name == UpperName && records[i].Status == TRecordStatus::Waiting)
      return lock.SetStatus(i, TRecordStatus::Finished);
  return false;
}

bool GiveUpRequest(const THandoverFolder& Folder, const std::string& RequestFile) {
  if (!Withdraw(Folder, AsciiUpper(RequestFile))) return false;
  DeleteFile(RequestFile);
  return true;
}

// ---- Resident side ------------------------------------------------------------------------------

TEntryKind EntryKind(const std::string& UpperName) {
  return EndsWith(UpperName, "_REQ") ? ekRequestFile : ekProfile;
}

bool TakeNext(const THandoverFolder& Folder, TEntryKind Kind, std::string& UpperName,
              std::vector<std::string>* Finished, bool* MoreWaiting) {
  if (MoreWaiting) *MoreWaiting = false;
  TQueueLock lock;
  if (!OpenResidentQueue(lock, Folder.QueueFile(), TakeWaitSeconds)) return false;
  // The records are looked at in the bytes as read, a name compared only where the status calls
  // for it: with hundreds of requests waiting, decoding every record a take would be most of the
  // resident's own work a request.
  std::string bytes = lock.ReadBytes();
  TRawQueue queue(bytes);
  bool changed = false;
  bool waiting = false;  // an entry of the kind waits (before any is taken now)
  for (size_t i = 0; i < queue.Count() && !waiting; ++i)
    waiting = queue.Named(i) && queue.Status(i) == TRecordStatus::Waiting && EntryKind(std::string(queue.Name(i))) == Kind;
  if (Finished) {
    for (const std::string& name : *Finished) {
      const size_t served = queue.FinishedRecord(name);
      // No taken record of the name (the queue was made anew meanwhile): a waiting one is a new
      // request's, which stays.
      if (served == TRawQueue::None || queue.Status(served) != TRecordStatus::Taken) continue;
      queue.SetStatus(served, TRecordStatus::Finished);
      if (!lock.SetStatus(served, TRecordStatus::Finished)) return false;
      changed = true;
    }
    Finished->clear();
  }
  if (changed && queue.CompactionDue(!waiting)) {
    std::vector<TQueueRecord> records = DecodeQueueRecords(bytes);
    if (!CompactWhenDue(lock, records, !waiting)) return false;
    bytes = lock.ReadBytes();  // the records as they stand now (a rewrite moved them)
  }
  for (size_t i = 0; i < queue.Count(); ++i) {
    if (!queue.Named(i) || queue.Status(i) != TRecordStatus::Waiting || EntryKind(std::string(queue.Name(i))) != Kind) continue;
    UpperName = queue.Name(i);
    if (MoreWaiting)
      for (size_t j = i + 1; j < queue.Count() && !*MoreWaiting; ++j)
        *MoreWaiting = queue.Named(j) && queue.Status(j) == TRecordStatus::Waiting && EntryKind(std::string(queue.Name(j))) == Kind;
    return lock.SetStatus(i, TRecordStatus::Taken);
  }
  if (!changed) lock.Touch();  // the heartbeat of an idle resident
  return false;
}

std::string QueuedFile(const THandoverFolder& Folder, const std::string& UpperName) {
  return EntryKind(UpperName) == ekRequestFile ? Folder.RealRequestFile(UpperName) : FindPathNoCase(UpperName);
}

}  // namespace Handover

std::string FindPathNoCase(const std::string& UpperPath) {
  if (UpperPath.empty() || UpperPath[0] != '/') return {};
  std::string path;
  size_t at = 1;
  while (at <= UpperPath.size()) {
    size_t slash = UpperPath.find('/', at);
    if (slash == std::string::npos) slash = UpperPath.size();
    const std::string part = UpperPath.substr(at, slash - at);
    if (part.empty() || part == "." || part == "..") return {};
    path = FindFileNoCase(path + "/" + part);
    if (path.empty()) return {};
    at = slash + 1;
  }
  return FileExists(path) ? path : std::string();
}

// ---- Heartbeat while a request runs ---------------------------------------------------------------

namespace {

// One thread of the process refreshes the queues of all requests that run, so a request costs
// no thread of its own.
struct TBeat {
  std::string QueueFile;
  std::chrono::steady_clock::time_point Last;
};

struct THeartbeats {
  std::mutex Mutex;
  std::vector<TBeat*> Running;
  bool Started = false;
};

THeartbeats& Heartbeats() {
  static THeartbeats* heartbeats = new THeartbeats;  // lives as long as its detached thread
  return *heartbeats;
}

void BeatForever(THeartbeats* Beats) {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(HeartbeatCheckMs));
    std::lock_guard<std::mutex> lock(Beats->Mutex);
    const auto now = std::chrono::steady_clock::now();
    for (TBeat* beat : Beats->Running)
      if (now - beat->Last >= std::chrono::seconds(HeartbeatSeconds)) {
        FileTouch(beat->QueueFile);
        beat->Last = now;
      }
  }
}

}  // namespace

struct TRequestHeartbeat::TState : TBeat {};

TRequestHeartbeat::TRequestHeartbeat(std::string QueueFile) : FState(std::make_unique<TState>()) {
  FState->QueueFile = std::move(QueueFile);
  FState->Last = std::chrono::steady_clock::now();
  THeartbeats& beats = Heartbeats();
  std::lock_guard<std::mutex> lock(beats.Mutex);
  beats.Running.push_back(FState.get());
  if (!beats.Started) {
    beats.Started = true;
    std::thread(BeatForever, &beats).detach();
  }
}

TRequestHeartbeat::~TRequestHeartbeat() {
  THeartbeats& beats = Heartbeats();
  std::lock_guard<std::mutex> lock(beats.Mutex);
  beats.Running.erase(std::find(beats.Running.begin(), beats.Running.end(), FState.get()));
}

namespace Handover {

bool Finish(const THandoverFolder& Folder, const std::string& UpperName) {
  TQueueLock lock;
  if (!OpenResidentQueue(lock, Folder.QueueFile(), FinishWaitSeconds)) return false;
  std::vector<TQueueRecord> records = lock.Read();
  const auto served = FinishedRecord(records, UpperName);
  if (served != records.end() && served->Status != TRecordStatus::Finished) {
    served->Status = TRecordStatus::Finished;
    if (!lock.SetStatus(static_cast<size_t>(served - records.begin()), TRecordStatus::Finished)) return false;
  }
  const bool waiting = std::any_of(records.begin(), records.end(), [](const TQueueRecord& Record) {
    return Record.Status == TRecordStatus::Waiting;
  });
  if (!CompactWhenDue(lock, records, !waiting)) return false;
  lock.Touch();
  return true;
}

bool AdoptQueue(const THandoverFolder& Folder) {
  const std::string queue = Folder.QueueFile();
  if (!CreateQueue(queue)) return false;
  TQueueLock lock;
  if (!OpenQueue(lock, queue, LockAttempts, LookPauseMs)) return false;
  std::vector<TQueueRecord> kept;
  for (const TQueueRecord& record : lock.Read())
    if (record.Status == TRecordStatus::Waiting && !QueuedFile(Folder, record.Name).empty()) kept.push_back(record);
  return lock.Rewrite(kept);
}

int RemoveStaleFiles(const THandoverFolder& Folder, double MaxAgeSeconds) {
  int removed = 0;
  for (const std::string& file : FindFiles(Folder.Base() + "_C_*"))
    if (FileModifiedAgeSeconds(file) > MaxAgeSeconds && DeleteFile(file)) ++removed;
  return removed;
}

int RemoveOrphanedFiles(const THandoverFolder& Folder, double ReplyGraceSeconds,
                        double RequestGraceSeconds, bool PartsIdle) {
  std::vector<TQueueRecord> records;
  {
    TQueueLock lock;
    if (!OpenQueue(lock, Folder.QueueFile(), SweepLockAttempts, SweepLockPauseMs, false)) return 0;
    records = lock.Read();
  }
  auto queued = [&](const std::string& requestFile) {
    const std::string upper = AsciiUpper(requestFile);
    for (const TQueueRecord& record : records)
      if (record.Name == upper && record.Status != TRecordStatus::Finished) return true;
    return false;
  };
  auto requestOf = [](const std::string& file, const char* tail) {
    return file.substr(0, file.size() - std::strlen(tail)) + "_REQ";
  };
  int removed = 0;
  for (const std::string& file : FindFiles(Folder.Base() + "_C_*")) {
    bool stale = false;
    if (EndsWith(file, "_out.part")) {
      stale = PartsIdle;  // written only while the resident runs a request
    } else if (EndsWith(file, "_out")) {
      // A waiting CGI process takes its reply at once; one left behind has lost its owner.
      stale = !queued(requestOf(file, "_out")) && FileModifiedAgeSeconds(file) > ReplyGraceSeconds;
    } else if (EndsWith(file, "_REQ")) {
      stale = !queued(file) && FileModifiedAgeSeconds(file) > RequestGraceSeconds;
    }
    if (stale && DeleteFile(file)) ++removed;
  }
  return removed;
}

// ---- Request and reply files ------------------------------------------------------------------------

TRequestFileResult WriteRequestFile(const THandoverFolder& Folder,
                                    const std::vector<std::string>& Environment, int Input,
                                    long long ContentLength, std::string& RequestFile,
                                    std::string& Error, const std::function<std::uint16_t()>& DrawId) {
  if (Folder.RequestFileName("0000").size() > kQueueNameMax) {
    Error = "Request file name too long: " + Folder.RequestFileName("0000");
    return rfNameTooLong;
  }
  int fd = -1;
  bool spares = true;  // false once no spare could be had: new files from then on
  for (int attempt = 0; attempt < 1000 && fd < 0; ++attempt) {
    // The id is drawn at random for each request: an id that follows from the process is the
    // next process's too, and a request that outlived its owner would meet its successor.  The
    // kernel's generator costs one call, where the program's own would be seeded first.
    std::uint16_t number = 0;
    if (DrawId)
      number = DrawId();
    else if (::getrandom(&number, sizeof number, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof number))
      number = static_cast<std::uint16_t>(Random(65536));
    RequestFile = Folder.RequestFileName(IntToHexBits(number, 4));
    bool taken = false;  // the id's request file exists
    // The spares are taken and put back from the first slot on, so that a few of them serve.
    for (int slot = 0; spares && slot < SpareSlots && fd < 0 && !taken; ++slot) {
      const std::string spare = Folder.SpareFileName(slot);
      // Only a file of our own carries a request: a link or another's file in a slot goes, its
      // time untouched.  Its time first: the orphan sweep judges a request file that is not
      // queued by its age.
      struct stat slotted {};
      if (::lstat(spare.c_str(), &slotted) != 0) continue;
      if (!OwnSingleFile(slotted)) {
        ::unlink(spare.c_str());
        continue;
      }
      if (::utimensat(AT_FDCWD, spare.c_str(), nullptr, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (::renameat2(AT_FDCWD, spare.c_str(), AT_FDCWD, RequestFile.c_str(), RENAME_NOREPLACE) != 0) {
        taken = errno == EEXIST;
        spares = errno == EEXIST || errno == ENOENT;  // no such rename here: new files only
        continue;
      }
      fd = OpenOwnFile(RequestFile, O_WRONLY);
      if (fd < 0) ::unlink(RequestFile.c_str());
    }
    if (taken) {
      errno = EEXIST;
    } else if (fd < 0) {
      spares = false;
      fd = ::open(RequestFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (fd < 0 && errno != EEXIST) break;
    // The id stays taken while a reply of its name waits: the resident removes a request file
    // once its reply is in place, and the owner may not have taken the reply yet.  (A reply
    // whose owner died goes with the resident's sweep.)
    if (fd >= 0 && FileExists(THandoverFolder::ReplyFileName(RequestFile))) {
      ::close(fd);
      ::unlink(RequestFile.c_str());
      fd = -1;
      errno = EEXIST;
    }
  }
  if (fd < 0) {
    Error = "Cannot create file " + RequestFile + ". " + std::strerror(errno);
    return rfFailed;
  }
  static constexpr std::string_view kLastLine = "OSTREL_CGI_DEBUG=true\r\n\r\n";
  size_t headSize = kLastLine.size();
  for (const std::string& line : Environment) headSize += line.size() + 2;
  std::string head;
  head.reserve(headSize);
  for (const std::string& line : Environment) head.append(line).append("\r\n");
  head += kLastLine;
  bool ok = WriteAll(fd, head.data(), head.size());
  long long left = ContentLength > 0 ? ContentLength : 0;
  std::string chunk(static_cast<size_t>(std::min<long long>(left, 65536)), '\0');
  while (ok && left > 0) {
    long got = ReadRetry(Input, chunk.data(), static_cast<size_t>(std::min<long long>(left, chunk.size())));
    if (got <= 0) {
      ::close(fd);
      ::unlink(RequestFile.c_str());
      Error = "Standard input ended " + std::to_string(left) + " bytes before CONTENT_LENGTH";
      return rfShortInput;
    }
    ok = WriteAll(fd, chunk.data(), static_cast<size_t>(got));
    left -= got;
  }
  // A spare's old bytes beyond the request are cut off (a request is never nothing: see
  // ReleaseReply).
  struct stat written {};
  if (ok && ::fstat(fd, &written) == 0 && written.st_size > static_cast<off_t>(headSize + ContentLength))
    ok = ::ftruncate(fd, static_cast<off_t>(headSize + ContentLength)) == 0;
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    Error = "Cannot write file " + RequestFile + ". " + std::strerror(errno);
    ::unlink(RequestFile.c_str());
    return rfFailed;
  }
  return rfWritten;
}

int OpenOwnFile(const std::string& Path, int Flags, struct stat* Info) {
  const int fd = ::open(Path.c_str(), Flags | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !OwnSingleFile(info)) {
    ::close(fd);
    errno = EPERM;
    return -1;
  }
  if (Info) *Info = info;
  return fd;
}

void ReleaseReply(const std::string& ReplyFile, int Fd) {
  struct stat opened {}, named {};
  if (::fstat(Fd, &opened) != 0 || ::stat(ReplyFile.c_str(), &named) != 0 || named.st_dev != opened.st_dev ||
      named.st_ino != opened.st_ino)
    return;
  // Cut to one byte, not to nothing: a file cut to nothing is written out to the disk at its next
  // close on some file systems, which costs more than a new file.  (Opened only for reading, it
  // keeps its bytes until a request is written over them and the rest is cut off.)
  if (opened.st_size > 1) (void)::ftruncate(Fd, 1);
  const std::string base = THandoverFolder::BaseOf(ReplyFile);
  if (!base.empty()) {
    for (int slot = 0; slot < SpareSlots; ++slot) {
      const std::string spare = THandoverFolder::SpareFileName(base, slot);
      if (::renameat2(AT_FDCWD, ReplyFile.c_str(), AT_FDCWD, spare.c_str(), RENAME_NOREPLACE) == 0) return;
      if (errno != EEXIST) break;
    }
  }
  ::unlink(ReplyFile.c_str());
}

bool InsertContentLength(std::string& Reply, long long Size) {
  const size_t blank = std::string_view(Reply).substr(0, 1024).find("\r\n\r\n");
  if (blank == std::string_view::npos || blank + 4 > 1024 ||
      ("\n" + AsciiUpper(Reply.substr(0, blank))).find("\nCONTENT-LENGTH:") != std::string::npos)
    return false;
  Reply.insert(blank, "\r\nContent-Length: " + std::to_string(Size - static_cast<long long>(blank) - 4));
  return true;
}

bool CopyReply(int Input, int Output) {
  const int fd = Input;
  struct stat info {};
  ::fstat(fd, &info);
  // A reply up to a megabyte goes out in one write (the web server then takes it in one piece);
  // a longer one in pieces of a megabyte.
  // Every read asks for what the file has left, plus one byte to see its end: a buffer larger
  // than the reply would be filled for nothing (a megabyte of zeros is 256 page faults).
  constexpr size_t kPiece = ReplyPiece;
  const size_t size = static_cast<size_t>(std::max<off_t>(info.st_size, 0));
  std::string piece(std::min<size_t>(size + 1, kPiece), '\0');
  long got = ReadRetry(fd, piece.data(), piece.size());
  size_t done = static_cast<size_t>(std::max(got, 0L));
  if (got < 0) return false;
  piece.resize(static_cast<size_t>(got));
  InsertContentLength(piece, info.st_size);
  bool ok = true;
  // A read that gets less than it asked for has met the file's end: the reply is out whole without
  // another read (the web server is told its end that much sooner).
  size_t asked = std::min<size_t>(size + 1, kPiece);
  while (ok && got > 0) {
    ok = WriteAll(Output, piece.data(), piece.size());
    if (static_cast<size_t>(got) < asked) break;
    asked = std::min<size_t>((size > done ? size - done : 0) + 1, kPiece);
    piece.resize(asked);
    got = ReadRetry(fd, piece.data(), piece.size());
    piece.resize(static_cast<size_t>(std::max(got, 0L)));
    done += piece.size();
  }
  return ok && got >= 0;
}

}  // namespace Handover
