#include "server/database_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/rtl/exceptions.h"
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

TDatabaseJournal::~TDatabaseJournal() { Close(); }

void TDatabaseJournal::Close() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  FEnd = FBaseEnd = 0;
}

std::vector<std::string> TDatabaseJournal::Read(std::string_view Base) {
  return Read(Base.size(), [Base] { return Checksum64(Base); });
}

std::vector<std::string> TDatabaseJournal::Read(std::uint64_t BaseBytes,
                                                const std::function<std::uint64_t()>& Checksum) {
  Close();
  std::vector<std::string> Entries;
  const int Fd = ::open(FFileName.c_str(), O_RDWR | O_CLOEXEC);
  if (Fd < 0) return Entries;
  std::string Bytes;
  try {
    Bytes = ReadFileBytes(FFileName);
  } catch (const Exception&) {
    ::close(Fd);
    return Entries;
  }
  std::size_t At = 0;
  std::size_t BaseEnd = 0;
  while (Bytes.size() - At >= FrameHead) {
    const std::uint64_t Length = GetLE(Bytes.data() + At, 4);
    if (Length > Bytes.size() - At - FrameHead) break;
    const std::string_view Payload(Bytes.data() + At + FrameHead, Length);
    if (Checksum64(Payload) != GetLE(Bytes.data() + At + 4, 8)) break;
    if (BaseEnd == 0) {
      if (Length != BaseSize || GetLE(Payload.data(), 8) != BaseBytes ||
          GetLE(Payload.data() + 8, 8) != Checksum())
        break;  // the journal of another version of the file
      BaseEnd = At + FrameHead + Length;
    } else {
      Entries.emplace_back(Payload);
    }
    At += FrameHead + Length;
  }
  if (BaseEnd == 0) {
    ::close(Fd);
    return Entries;
  }
  // A torn tail (a save cut short, never acknowledged) is cut off, so appends follow good frames.
  if (At < Bytes.size() && (::ftruncate(Fd, static_cast<off_t>(At)) != 0 || !SyncFile(Fd))) {
    ::close(Fd);
    return Entries;  // replayed, but not appended to: the next save writes the file whole
  }
  FFd = Fd;
  FEnd = At;
  FBaseEnd = BaseEnd;
  return Entries;
}

void TDatabaseJournal::Begin(std::uint64_t BaseSizeBytes, std::uint64_t BaseChecksum) {
  Close();
  const bool Existed = FileExists(FFileName);
  const int Fd = ::open(FFileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
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
  FFd = Fd;
  FEnd = FBaseEnd = Bytes.size();
}

void TDatabaseJournal::Append(std::string_view Entry) {
  if (FFd < 0) throw EWriteError();
  const std::string Bytes = Frame(Entry);
  if (!WriteAllAt(FFd, Bytes.data(), Bytes.size(), static_cast<std::int64_t>(FEnd)) ||
      !SyncFile(FFd)) {
    // The entry may have reached the file whole even so: it is cut off, so that a load does
    // not bring back a change that was reported as not stored.  At worst a torn tail stays,
    // which a load drops; a new base comes before the next entry.
    if (::ftruncate(FFd, static_cast<off_t>(FEnd)) == 0) SyncFile(FFd);
    Close();
    throw EWriteError();
  }
  FEnd += Bytes.size();
}

// ---- The database file ----------------------------------------------------------------------------

TDatabaseFile::TDatabaseFile(std::string FileName)
    : FFileName(std::move(FileName)), FJournal(FFileName + ".jnl") {}

int TDatabaseFile::RemoveStaleTemporaries() const {
  // AtomicReplaceFile's temporaries: the name, ".tmp" and ten letters or digits.
  return DeleteMatchingFiles(FFileName + ".tmp??????????");
}

void TDatabaseFile::Load(TDatabase& Database) {
  // The file is decoded where the system maps it, with its checksum (which names it in the
  // journal) taken beside on a thread of its own.  A file cut short by someone else meanwhile
  // is read again the ordinary way.
  bool Decoded = false;
  {
    TMappedFile Map(FFileName);
    if (Map.Mapped()) {
      const std::string_view Bytes = Map.Bytes();
      bool Summed = false;
      std::thread Summing([&] { Summed = RunGuardingMappedReads([&] { FBaseChecksum = Checksum64(Bytes); }); });
      Decoded = RunGuardingMappedReads([&] { Database.LoadInPlace(Bytes); });
      Summing.join();
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
  if (Database.NeedsWholeFile()) return Fold(Database);
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
  const double Share = std::max(FoldShare * static_cast<double>(FBaseSize), 1048576.0);
  if (static_cast<double>(FJournal.ChangeBytes()) > Share) {
    try {
      Fold(Database);
    } catch (const Exception&) {
      // The change is in the journal; the file is written whole at a later save.
    }
  }
}

void TDatabaseFile::Fold(TDatabase& Database) {
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
