// The database file on disk: "<name>.qnd", only ever replaced whole, and its journal
// "<name>.qnd.jnl", to which each save appends the changes since the last one (synced before the
// save returns).  The journal names the file it belongs to by the file's size and checksum, so a
// journal left over from before a whole write is never applied to the newer file.  A load reads
// the file, replays the journal and drops a torn tail; the journal is folded into the file (the
// file written whole on a thread of its own while requests go on, then the journal begun anew)
// when it passes a share of the file, and when the program ends.
// Invariant: the database file is only ever replaced whole, and a save that returns has its
// change synced to the file or the journal.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "server/database_store.h"

// A checksum of a byte stream, fed in pieces of any size.
class TChecksum64 {
public:
  void Add(std::string_view Bytes);
  std::uint64_t Value() const;

private:
  void Round(const unsigned char* P);
  std::uint64_t FState = 0x9E3779B97F4A7C15ull;
  std::uint64_t FLength = 0;
  unsigned char FTail[32] = {};
  unsigned FTailSize = 0;
};
std::uint64_t Checksum64(std::string_view Bytes);

// The journal file.  Frames: 4-byte length, 8-byte checksum, payload.  The first payload is the
// base (the database file's size and checksum, 16 bytes); each further one is a change entry of
// TDatabase::JournalEntry, or a mark (32 bytes) left by a whole write: the file of that size and
// checksum holds every change up to the given journal offset.  So the journal fits both the file
// it began with (every entry applies) and a file written whole while it went on (the entries
// after the mark's offset apply).
// Append, Mark and Restart may run on two threads at once; the rest runs when no whole write is
// under way.
class TDatabaseJournal {
public:
  explicit TDatabaseJournal(std::string FileName) : FFileName(std::move(FileName)) {}
  ~TDatabaseJournal();
  TDatabaseJournal(const TDatabaseJournal&) = delete;
  TDatabaseJournal& operator=(const TDatabaseJournal&) = delete;

  const std::string& FileName() const { return FFileName; }
  // The change entries of a journal that fits Base; none when the journal is missing or of
  // another file.  A torn or damaged tail is cut off the file.  Afterwards the journal is open for
  // Append when it fitted.
  std::vector<std::string> Read(std::string_view Base);
  // The same for a base known by its size and checksum; Checksum is called only when the
  // journal names a base of that size.
  std::vector<std::string> Read(std::uint64_t BaseSize, const std::function<std::uint64_t()>& Checksum);
  // Starts the journal anew for a database file of this size and checksum.
  void Begin(std::uint64_t BaseSize, std::uint64_t BaseChecksum);
  // Appends one entry and syncs it.  Raises EWriteError; the journal must then be begun anew.
  void Append(std::string_view Entry);
  // Appends and syncs the mark of a file of this size and checksum that holds the changes up to
  // the offset Upto (an End before).  Raises EWriteError when the journal is closed or fails.
  void Mark(std::uint64_t BaseSize, std::uint64_t BaseChecksum, std::uint64_t Upto);
  // Replaces the journal by one based on that file, holding the entries after Upto; when that
  // fails the journal stays as it is (its mark makes it fit the file).
  void Restart(std::uint64_t BaseSize, std::uint64_t BaseChecksum, std::uint64_t Upto);
  bool Open() const;
  // The offset after the last entry.
  std::uint64_t End() const;
  // Bytes of change entries the file does not hold (0: nothing to fold).
  std::uint64_t ChangeBytes() const;
  void Close();

private:
  void CloseLocked();
  // Appends and syncs a frame; on failure cuts it off, closes and raises EWriteError.
  void AppendLocked(const std::string& Bytes);
  std::string FFileName;
  mutable std::mutex FLock;
  int FFd = -1;
  std::uint64_t FEnd = 0;      // end of the last good frame
  std::uint64_t FBaseEnd = 0;  // where the changes that the file does not hold begin
  std::uint64_t FMarkAt = 0, FMarkEnd = 0;  // the last mark appended
};

// One database's file and journal.
class TDatabaseFile {
public:
  explicit TDatabaseFile(std::string FileName);
  // Waits for a whole write under way.
  ~TDatabaseFile();

  const std::string& FileName() const { return FFileName; }
  // Removes "<name>.tmp…" copies that an interrupted whole write left beside the file.
  int RemoveStaleTemporaries() const;
  // Reads the file into Database and replays the journal (before the attributes are loaded).
  // Raises EFOpenError when the file cannot be read; a file that does not decode leaves
  // Database not Loaded.
  void Load(TDatabase& Database);
  // Stores the changes as a journal entry, or by writing the file whole when the journal is
  // not in use.  Raises when nothing could be stored; the changes then stay marked.
  void Save(TDatabase& Database);
  // Writes the file whole and empties the journal, waiting for a whole write under way first.
  void Fold(TDatabase& Database);
  // The journal holds changes that the file does not.
  bool HasJournal() const { return FJournal.Open() && FJournal.ChangeBytes() > 0; }

  // The journal has passed its share of the file (and no whole write is under way).
  bool FoldDue() const;
  // Starts writing the file whole on a thread of its own, from the records as they are now
  // (Database holds no unsaved change); saves go on into the journal meanwhile.  Does nothing
  // when the journal is not in use or a whole write is under way.
  void StartFold(const TDatabase& Database);
  bool Folding() const { return FJob != nullptr; }
  // Ends a whole write that has ended (or, with Wait, waits for it): Database (null when it is
  // closed) learns where its records lie in the new file.  False when none ended; Error tells
  // why a failed one failed.
  bool FinishFold(TDatabase* Database, bool Wait, std::string* Error = nullptr);

  // The journal is folded when its changes pass this share of the file's size (and 1 MB).
  static constexpr double FoldShare = 0.5;

private:
  struct TFoldJob;
  static void RunFold(TFoldJob& Job, TDatabaseJournal& Journal);

  std::string FFileName;
  TDatabaseJournal FJournal;
  std::uint64_t FBaseSize = 0;      // the file on disk as this object last read or wrote it
  std::uint64_t FBaseChecksum = 0;
  bool FBaseKnown = false;
  bool FJournalUsable = false;  // a base of the file as it is on disk is known
  bool FBaseFromSource = false; // the file on disk is the database's source bytes
  std::uint64_t FNoFoldBefore = 0;  // after a failed whole write: the change bytes to wait for
  std::unique_ptr<TFoldJob> FJob;
};
