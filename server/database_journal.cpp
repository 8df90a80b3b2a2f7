#include "server/database_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/invariant.h"
#include "platform/rtl/file_io.h"
#include "platform/sys/files.h"

// ---- Checksum ---------------------------------------------------------------------------------

namespace {

constexpr std::uint64_t K1 = 0x87C37B91114253D5ull;
constexpr std::uint64_t K2 = 0x4CF5AD432745937Full;

std::uint64_t Rotl(std::uint64_t V, int R) { return (V << R) | (V >> (64 - R)); }

std::uint64_t Mix(std::uint64_t H) {
  H ^= H >> 33;
  H *= 0xFF51AFD7ED558CCDull;
  H ^= H >> 33;
  H *= 0xC4CEB9FE1A85EC53ull;
  return H ^ (H >> 33);
}

std::uint64_t LoadLE64(const unsigned char* P) {
  std::uint64_t V;
  std::memcpy(&V, P, 8);
  return V;  // the hosts we build for are little-endian
}

void PutLE(std::string& Out, std::uint64_t Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i) Out.push_back(static_cast<char>(Value >> (8 * i)));
}

std::uint64_t GetLE(const char* P, int Bytes) {
  std::uint64_t V = 0;
  for (int i = 0; i < Bytes; ++i) V |= static_cast<std::uint64_t>(static_cast<unsigned char>(P[i])) << (8 * i);
  return V;
}

constexpr std::size_t FrameHead = 12;  // length, checksum
constexpr std::size_t BaseSize = 16;   // file size, file checksum
// From this size on a database file's checksum is taken on a thread beside its decoding.
constexpr std::size_t SumApartBytes = 256u << 10;

std::string Frame(std::string_view Payload) {
  std::string Out;
  Out.reserve(FrameHead + Payload.size());
  PutLE(Out, Payload.size(), 4);
  PutLE(Out, Checksum64(Payload), 8);
  Out.append(Payload);
  return Out;
}

}  // namespace

void TChecksum64::Round(const unsigned char* P) {
  // Four words in independent chains, folded into the state.
  const std::uint64_t A = LoadLE64(P) * K1, B = LoadLE64(P + 8) * K2, C = LoadLE64(P + 16) * K1,
                      D = LoadLE64(P + 24) * K2;
  FState = Rotl(FState ^ Rotl(A, 31), 27) * K2 + (Rotl(B, 33) ^ Rotl(C, 29) ^ D);
}

void TChecksum64::Add(std::string_view Bytes) {
  // The value does not depend on how the stream is cut into pieces: only whole 32-byte rounds
  // are taken, the rest waits in the tail.
  const auto* P = reinterpret_cast<const unsigned char*>(Bytes.data());
  std::size_t N = Bytes.size();
  FLength += N;
  if (FTailSize > 0) {
    const std::size_t Take = std::min<std::size_t>(N, sizeof FTail - FTailSize);
    std::memcpy(FTail + FTailSize, P, Take);
    FTailSize += static_cast<unsigned>(Take);
    P += Take;
    N -= Take;
    if (FTailSize < sizeof FTail) return;
    Round(FTail);
    FTailSize = 0;
  }
  for (; N >= 32; P += 32, N -= 32) Round(P);
  std::memcpy(FTail, P, N);
  FTailSize = static_cast<unsigned>(N);
}

std::uint64_t TChecksum64::Value() const {
  unsigned char Last[32] = {};
  std::memcpy(Last, FTail, FTailSize);
  TChecksum64 Copy = *this;
  Copy.Round(Last);
  return Mix(Copy.FState ^ FLength);
}

std::uint64_t Checksum64(std::string_view Bytes) {
  TChecksum64 Sum;
  Sum.Add(Bytes);
  return Sum.Value();
}

// ---- Journal ------------------------------------------------------------------------------------

namespace {

// A mark: these 8 bytes, the file's size, its checksum and the journal offset it holds up to.
// No change entry is this short.
constexpr char MarkTag[8] = {'Q', 'N', 'J', 'M', 'A', 'R', 'K', '1'};
constexpr std::size_t MarkSize = 32;

std::string MarkPayload(std::uint64_t Size, std::uint64_t Checksum, std::uint64_t Upto) {
  std::string Out(MarkTag, sizeof MarkTag);
  PutLE(Out, Size, 8);
  PutLE(Out, Checksum, 8);
  PutLE(Out, Upto, 8);
  return Out;
}

bool IsMark(std::string_view Payload) {
  return Payload.size() == MarkSize && Payload.substr(0, sizeof MarkTag) == std::string_view(MarkTag, sizeof MarkTag);
}

}  // namespace

TDatabaseJournal::~TDatabaseJournal() { Close(); }

void TDatabaseJournal::Close() {
  std::lock_guard<std::mutex> Lock(FLock);
  CloseLocked();
}

void TDatabaseJournal::CloseLocked() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  FEnd = FBaseEnd = FMarkAt = FMarkEnd = 0;
}

bool TDatabaseJournal::Open() const {
  std::lock_guard<std::mutex> Lock(FLock);
  return FFd >= 0;
}

std::uint64_t TDatabaseJournal::End() const {
  std::lock_guard<std::mutex> Lock(FLock);
  return FEnd;
}

std::uint64_t TDatabaseJournal::ChangeBytes() const {
  std::lock_guard<std::mutex> Lock(FLock);
  return FEnd - FBaseEnd;
}

std::vector<std::string> TDatabaseJournal::Read(std::string_view Base) {
  return Read(Base.size(), [Base] { return Checksum64(Base); });
}

std::vector<std::string> TDatabaseJournal::Read(std::uint64_t BaseBytes,
                                                const std::function<std::uint64_t()>& Checksum) {
  Close();
  std::vector<std::string> Entries;
  const int Fd = OpenFileHandle(FFileName, O_RDWR | O_CLOEXEC);
  if (Fd < 0) return Entries;
  std::string Bytes;
  try {
    Bytes = ReadFileBytes(FFileName);
  } catch (const Exception&) {
    ::close(Fd);
    return Entries;
  }
  // The base's checksum is taken once, and only when a size fits.
  bool Summed = false;
  std::uint64_t Sum = 0;
  auto Fits = [&](std::uint64_t Size, std::uint64_t Of) {
    if (Size != BaseBytes) return false;
    if (!Summed) Sum = Checksum(), Summed = true;
    return Of == Sum;
  };
  struct TFrame {
    std::size_t At;
    std::string_view Payload;
  };
  std::vector<TFrame> Frames;
  std::size_t At = 0;
  while (Bytes.size() - At >= FrameHead) {
    const std::uint64_t Length = GetLE(Bytes.data() + At, 4);
    if (Length > Bytes.size() - At - FrameHead) break;
    const std::string_view Payload(Bytes.data() + At + FrameHead, Length);
    if (Checksum64(Payload) != GetLE(Bytes.data() + At + 4, 8)) break;
    if (Frames.empty() && Length != BaseSize) break;  // not a journal
    Frames.push_back({At, Payload});
    At += FrameHead + Length;
  }
  // The file is the one the journal began with (every entry applies), or one a whole write
  // left (the entries after its latest mark apply).
  std::size_t From = 0;
  bool Fitted = false;
  if (!Frames.empty()) {
    const std::string_view First = Frames[0].Payload;
    if (Fits(GetLE(First.data(), 8), GetLE(First.data() + 8, 8))) {
      From = Frames[0].At + FrameHead + BaseSize;
      Fitted = true;
    } else {
      for (std::size_t i = Frames.size(); i-- > 1 && !Fitted;) {
        const std::string_view P = Frames[i].Payload;
        if (!IsMark(P)) continue;
        const std::uint64_t Upto = GetLE(P.data() + 24, 8);
        if (Upto <= Frames[i].At && Fits(GetLE(P.data() + 8, 8), GetLE(P.data() + 16, 8))) {
          From = static_cast<std::size_t>(Upto);
          Fitted = true;
        }
      }
    }
  }
  if (!Fitted) {
    ::close(Fd);
    return Entries;  // the journal of another version of the file
  }
  for (std::size_t i = 1; i < Frames.size(); ++i)
    if (Frames[i].At >= From && !IsMark(Frames[i].Payload)) Entries.emplace_back(Frames[i].Payload);
  // A torn tail (a save cut short, never acknowledged) is cut off, so appends follow good frames.
  if (At < Bytes.size() && (::ftruncate(Fd, static_cast<off_t>(At)) != 0 || !SyncFile(Fd))) {
    ::close(Fd);
    return Entries;  // replayed, but not appended to: the next save writes the file whole
  }
  std::lock_guard<std::mutex> Lock(FLock);
  FFd = Fd;
  FEnd = At;
  FBaseEnd = From;
  return Entries;
}

void TDatabaseJournal::Begin(std::uint64_t BaseSizeBytes, std::uint64_t BaseChecksum) {
  Close();
  const bool Existed = FileExists(FFileName);
  const int Fd = OpenFileHandle(FFileName, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC);
  if (Fd < 0) throw EFCreateError::ForFile(FFileName);
  std::string Base;
  PutLE(Base, BaseSizeBytes, 8);
  PutLE(Base, BaseChecksum, 8);
  const std::string Bytes = Frame(Base);
  if (!WriteAll(Fd, Bytes.data(), Bytes.size()) || !SyncFile(Fd)) {
    ::close(Fd);
    throw EFCreateError::ForFile(FFileName);
  }
  if (!Existed) SyncFolderOf(FFileName);
  std::lock_guard<std::mutex> Lock(FLock);
  FFd = Fd;
  FEnd = FBaseEnd = Bytes.size();
}

void TDatabaseJournal::AppendLocked(const std::string& Bytes) {
  if (FFd < 0) throw EWriteError();
  if (!WriteAllAt(FFd, Bytes.data(), Bytes.size(), static_cast<std::int64_t>(FEnd)) ||
      !SyncFile(FFd)) {
    // The frame may have reached the file whole even so: it is cut off, so that a load does
    // not bring back a change that was reported as not stored.  At worst a torn tail stays,
    // which a load drops; a new base comes before the next entry.
    if (::ftruncate(FFd, static_cast<off_t>(FEnd)) == 0) SyncFile(FFd);
    CloseLocked();
    throw EWriteError();
  }
  FEnd += Bytes.size();
}

void TDatabaseJournal::Append(std::string_view Entry) {
  const std::string Bytes = Frame(Entry);
  std::lock_guard<std::mutex> Lock(FLock);
  AppendLocked(Bytes);
}

void TDatabaseJournal::Mark(std::uint64_t BaseSizeBytes, std::uint64_t BaseChecksum, std::uint64_t Upto) {
  const std::string Bytes = Frame(MarkPayload(BaseSizeBytes, BaseChecksum, Upto));
  std::lock_guard<std::mutex> Lock(FLock);
  if (Upto > FEnd || Upto < FBaseEnd) throw EWriteError();
  const std::uint64_t At = FEnd;
  AppendLocked(Bytes);
  FMarkAt = At;
  FMarkEnd = FEnd;
  // The mark stands after every change it says the file holds, whole, as the journal's last frame.
  QN_ASSERT(FMarkAt >= Upto && FMarkEnd == FMarkAt + FrameHead + MarkSize);
}

void TDatabaseJournal::Restart(std::uint64_t BaseSizeBytes, std::uint64_t BaseChecksum, std::uint64_t Upto) {
  std::lock_guard<std::mutex> Lock(FLock);
  if (FFd < 0 || Upto > FEnd) return;
  // The file this restart bases the journal on was marked first (Mark with the same Upto): the
  // mark lies after the changes the file holds, so the copy below leaves it out and keeps the rest.
  QN_ASSERT(FMarkEnd == FMarkAt + FrameHead + MarkSize && FMarkAt >= Upto && FMarkEnd <= FEnd);
  // From here on the mark stands for the file: only the changes after it count.
  FBaseEnd = std::max(FBaseEnd, Upto);
  std::string Base;
  PutLE(Base, BaseSizeBytes, 8);
  PutLE(Base, BaseChecksum, 8);
  std::string Bytes = Frame(Base);
  const std::size_t Head = Bytes.size();
  // The entries after Upto, without the file's own mark.
  bool Read = true;
  auto Copy = [&](std::uint64_t From, std::uint64_t To) {
    if (To <= From) return;
    const std::size_t At = Bytes.size();
    Bytes.resize(At + (To - From));
    Read = Read && ::pread(FFd, Bytes.data() + At, To - From, static_cast<off_t>(From)) == static_cast<ssize_t>(To - From);
  };
  if (FMarkAt >= Upto && FMarkEnd <= FEnd && FMarkEnd > FMarkAt) {
    Copy(Upto, FMarkAt);
    Copy(FMarkEnd, FEnd);
  } else {
    Copy(Upto, FEnd);
  }
  const std::string Temporary = FFileName + ".new";
  const int Fd = OpenFileHandle(Temporary, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC);
  if (Fd < 0) return;
  const bool Written = Read && WriteAll(Fd, Bytes.data(), Bytes.size()) && SyncFile(Fd) && RenameOver(Temporary, FFileName);
  if (!Written) {
    ::close(Fd);
    ::unlink(Temporary.c_str());
    return;
  }
  SyncFolderOf(FFileName);
  ::close(FFd);
  FFd = Fd;
  FEnd = Bytes.size();
  FBaseEnd = Head;
  FMarkAt = FMarkEnd = 0;
}

// ---- The database file ----------------------------------------------------------------------------

// A whole write under way: what it writes, and what it found.
struct TDatabaseFile::TFoldJob {
  TDatabase::TSnapshot Snapshot;
  std::string FileName;
  std::uint64_t OldSize = 0, OldChecksum = 0;
  bool OldKnown = false;
  std::uint64_t Upto = 0;  // the journal's end when the snapshot was taken
  std::thread Thread;
  std::atomic<bool> Done{false};
  bool Written = false;
  std::string Error;
  std::vector<TDatabase::TPlace> Places;
  std::uint64_t NewSize = 0, NewChecksum = 0;
};

TDatabaseFile::TDatabaseFile(std::string FileName)
    : FFileName(std::move(FileName)), FJournal(FFileName + ".jnl") {}

TDatabaseFile::~TDatabaseFile() {
  if (FJob && FJob->Thread.joinable()) FJob->Thread.join();
}

int TDatabaseFile::RemoveStaleTemporaries() const {
  // AtomicReplaceFile's temporaries: the name, ".tmp" and ten letters or digits; and a new
  // journal that was not put in place.
  ::unlink((FJournal.FileName() + ".new").c_str());
  return DeleteMatchingFiles(FFileName + ".tmp??????????");
}

void TDatabaseFile::Load(TDatabase& Database) {
  // The file is decoded where the system maps it, with its checksum (which names it in the
  // journal) taken beside on a thread of its own when the file is large.  A file cut short by
  // someone else meanwhile is read again the ordinary way.
  bool Decoded = false;
  {
    TMappedFile Map(FFileName);
    if (Map.Mapped()) {
      const std::string_view Bytes = Map.Bytes();
      bool Summed = false;
      const auto Sum = [&] { Summed = RunGuardingMappedReads([&] { FBaseChecksum = Checksum64(Bytes); }); };
      // A small file is summed first: a thread costs more than its sum, and on a busy machine
      // the wait for the thread's turn costs milliseconds.
      std::thread Summing;
      if (Bytes.size() >= SumApartBytes)
        Summing = std::thread(Sum);
      else
        Sum();
      Decoded = RunGuardingMappedReads([&] { Database.LoadInPlace(Bytes); });
      if (Summing.joinable()) Summing.join();
      Decoded = Decoded && Summed;
      FBaseSize = Bytes.size();
    }
  }
  if (!Decoded) {
    std::string Bytes = ReadFileBytes(FFileName);
    FBaseSize = Bytes.size();
    FBaseChecksum = Checksum64(Bytes);
    Database.LoadFromBytes(std::move(Bytes));
  }
  FBaseKnown = true;
  const std::vector<std::string> Entries = FJournal.Read(FBaseSize, [this] { return FBaseChecksum; });
  FJournalUsable = FJournal.Open();
  FBaseFromSource = !FJournalUsable;
  if (!Database.Loaded()) {
    FJournal.Close();
    FJournalUsable = FBaseFromSource = false;
    return;
  }
  for (const std::string& Entry : Entries) {
    try {
      Database.ApplyJournalEntry(Entry);
    } catch (const Exception&) {
      // A whole entry that does not fit: keep what came before it and write the file whole.
      FJournal.Close();
      FJournalUsable = FBaseFromSource = false;
      Database.Changed = true;
      break;
    }
  }
  // The load built the code index; only the journal's records can have changed it since.
  if (!Entries.empty()) Database.CodeChanged();
  // The bytes are on disk: memory keeps the records only, and a whole write reads them again.
  Database.ReleaseSource();
}

void TDatabaseFile::Save(TDatabase& Database) {
  if (!FJournal.Open()) {
    if (!FBaseFromSource) return Fold(Database);
    try {
      FJournal.Begin(FBaseSize, FBaseChecksum);
    } catch (const Exception&) {
      return Fold(Database);
    }
    FBaseFromSource = false;
  }
  FJournal.Append(Database.JournalEntry());
  Database.MarkSaved();
}

bool TDatabaseFile::FoldDue() const {
  if (FJob || !FJournal.Open()) return false;
  const std::uint64_t Changes = FJournal.ChangeBytes();
  const double Share = std::max(FoldShare * static_cast<double>(FBaseSize), 1048576.0);
  return static_cast<double>(Changes) > Share && Changes >= FNoFoldBefore;
}

void TDatabaseFile::StartFold(const TDatabase& Database) {
  if (FJob || !FJournal.Open() || Database.HasUnsavedChanges()) return;
  auto Job = std::make_unique<TFoldJob>();
  Job->Snapshot = Database.Snapshot();
  Job->FileName = FFileName;
  Job->OldSize = FBaseSize;
  Job->OldChecksum = FBaseChecksum;
  Job->OldKnown = FBaseKnown && Database.SourceReleased();
  Job->Upto = FJournal.End();
  TFoldJob& Running = *Job;
  FJob = std::move(Job);
  Running.Thread = std::thread([&Running, this] {
    RunFold(Running, FJournal);
    Running.Done = true;
  });
}

namespace {

// The disk writing behind a whole write, kept a few megabytes behind it: each stretch is handed
// to the disk once written and waited for one stretch later.  Otherwise the whole file waits
// unwritten in memory, and a save that syncs the journal meanwhile (or the journal's mark) waits
// while the file system writes out most of it.
class TWriteBehind {
public:
  static constexpr std::size_t Step = 1u << 20;
  explicit TWriteBehind(int Fd) : FFd(Fd) {}
  // The file has Size bytes now.
  void Wrote(std::uint64_t Size) {
    if (Size - FHanded < Step) return;
    ::sync_file_range(FFd, static_cast<off_t>(FHanded), static_cast<off_t>(Size - FHanded), SYNC_FILE_RANGE_WRITE);
    if (FHanded > FWaited)
      ::sync_file_range(FFd, static_cast<off_t>(FWaited), static_cast<off_t>(FHanded - FWaited),
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    FWaited = FHanded;
    FHanded = Size;
  }

private:
  int FFd;
  std::uint64_t FHanded = 0, FWaited = 0;
};

}  // namespace

void TDatabaseFile::RunFold(TFoldJob& Job, TDatabaseJournal& Journal) {
  try {
    // The untouched records' bytes come from the file on disk, while it is the one their
    // places refer to; otherwise every record is written anew.
    TMappedFile Map(Job.FileName);
    std::string_view Source;
    if (Job.OldKnown && Map.Mapped() && Map.Bytes().size() == Job.OldSize) {
      std::uint64_t Sum = 0;
      if (RunGuardingMappedReads([&] { Sum = Checksum64(Map.Bytes()); }) && Sum == Job.OldChecksum)
        Source = Map.Bytes();
    }
    TChecksum64 Sum;
    std::uint64_t Size = 0;
    AtomicReplaceFile(Job.FileName, [&](int Fd) {
      TWriteBehind Behind(Fd);
      auto Put = [&](std::string_view Piece) {
        while (!Piece.empty()) {
          const std::string_view Part = Piece.substr(0, TWriteBehind::Step);
          if (!WriteAll(Fd, Part.data(), Part.size())) throw EWriteError();
          Sum.Add(Part);
          Size += Part.size();
          Behind.Wrote(Size);
          Piece.remove_prefix(Part.size());
        }
      };
      bool Read = RunGuardingMappedReads([&] { TDatabase::WriteSnapshot(Job.Snapshot, Source, Put, &Job.Places); });
      if (!Read) throw EReadError("The database file changed under a whole write");
      // The file on disk before the mark, which is synced under the journal's lock: a save
      // meanwhile waits for the mark, not for the file.
      if (::fdatasync(Fd) != 0) throw EWriteError();
      // Before the new file takes the name, the journal says that it holds the changes so far:
      // whichever of the two files a crash leaves, the journal fits it.
      Journal.Mark(Size, Sum.Value(), Job.Upto);
    });
    Job.NewSize = Size;
    Job.NewChecksum = Sum.Value();
    Job.Written = true;
    Journal.Restart(Job.NewSize, Job.NewChecksum, Job.Upto);
  } catch (const std::exception& E) {
    Job.Error = E.what();
  }
}

bool TDatabaseFile::FinishFold(TDatabase* Database, bool Wait, std::string* Error) {
  if (!FJob || (!Wait && !FJob->Done)) return false;
  FJob->Thread.join();
  const std::unique_ptr<TFoldJob> Job = std::move(FJob);
  if (Job->Written) {
    if (Database) Database->TakeSnapshotPlaces(Job->Snapshot, Job->Places);
    FBaseSize = Job->NewSize;
    FBaseChecksum = Job->NewChecksum;
    FBaseKnown = true;
    FBaseFromSource = false;
    FNoFoldBefore = 0;
  } else {
    // The file and the journal are as they were; the next try waits for another share of
    // changes.
    FNoFoldBefore = FJournal.ChangeBytes() + static_cast<std::uint64_t>(
                                                  std::max(FoldShare * static_cast<double>(FBaseSize), 1048576.0));
    if (Error) *Error = Job->Error;
  }
  return true;
}

void TDatabaseFile::Fold(TDatabase& Database) {
  FinishFold(&Database, true);
  // The untouched records' bytes: in memory, or in the file on disk while it is still the one
  // their places refer to; otherwise every record is written anew.
  std::string Source;
  std::string_view From = Database.SourceBytes();
  if (Database.SourceReleased()) {
    try {
      Source = ReadFileBytes(FFileName);
    } catch (const Exception&) {
      Source.clear();
    }
    if (!FBaseKnown || Source.size() != FBaseSize || Checksum64(Source) != FBaseChecksum) Source.clear();
    From = Source;
  }
  TChecksum64 Sum;
  std::uint64_t Size = 0;
  std::vector<TDatabase::TPlace> Places;
  AtomicReplaceFile(FFileName, [&](int Fd) {
    Database.WriteFileFrom(From, [&](std::string_view Piece) {
      if (!WriteAll(Fd, Piece.data(), Piece.size())) throw EWriteError();
      Sum.Add(Piece);
      Size += Piece.size();
    }, &Places);
  });
  std::string().swap(Source);
  Database.TakePlaces(Places);
  Database.MarkSaved();
  FBaseSize = Size;
  FBaseChecksum = Sum.Value();
  FBaseKnown = true;
  FBaseFromSource = false;
  try {
    FJournal.Begin(Size, FBaseChecksum);
  } catch (const Exception&) {
    // Without a journal every save writes the file whole; an old journal names the old file.
    FJournal.Close();
  }
}
