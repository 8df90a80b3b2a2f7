// The open database: its configuration, its records in creation order, and the database file
// (database name + ".qnd") they are loaded from and saved to.
// Invariant: a record's place in the file (Offset, Length) is only kept while the record is
// untouched; every changing access, addition or deletion is marked for the next save.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <string_view>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "records/configuration.h"
#include "records/item_record.h"

// Makes record codes: a first letter 'A'-'Y', then seven of 'A'-'Z' and '0'-'9'.  Seeded once.
class TRecordCodeGenerator {
public:
  TRecordCodeGenerator() : FGenerator(std::random_device{}()) {}
  explicit TRecordCodeGenerator(std::uint64_t Seed) : FGenerator(Seed) {}
  std::string Next();

private:
  std::mt19937_64 FGenerator;
};

// The texts of one field of every record in one block, for scans that read them in turn.  A
// record's changed text is appended to the block; the text it replaced stays as waste until the
// column is made anew.
struct TFieldColumn {
  std::string Text;
  std::vector<std::uint32_t> Starts;   // record i is Text[Starts[i], Starts[i] + Lengths[i])
  std::vector<std::uint32_t> Lengths;
  std::size_t Waste = 0;
  std::string_view At(std::size_t Index) const {
    return std::string_view(Text).substr(Starts[Index], Lengths[Index]);
  }
};

class TDatabase {
public:
  TDatabase() = default;
  TDatabase(const TDatabase&) = delete;
  TDatabase& operator=(const TDatabase&) = delete;

  // Reads the database file.  A read error keeps the records read so far, clears Loaded and marks
  // the database so that it is never saved over the file (see Writable).  The bytes are kept:
  // a record that has not been touched since is saved as the very bytes it was read from.
  void LoadFromBytes(std::string Bytes);
  // The same from bytes it does not keep (the file mapped): afterwards the database is as one
  // whose source was released, the records' places being those in Bytes.
  void LoadInPlace(std::string_view Bytes);
  // The database file, handed to Put in pieces.
  void WriteFile(const std::function<void(std::string_view Piece)>& Put) const;
  std::string SaveToBytes() const;
  // The file's bytes as loaded (the base a journal's changes apply to); empty once released.
  std::string_view SourceBytes() const { return FSource; }

  // Where each record's bytes lie in a file: the places of the records in order.
  struct TPlace {
    std::size_t Offset = 0;
    std::size_t Length = 0;
  };
  // Drops the file's bytes from memory.  The untouched records keep their places in the file, and
  // a whole write takes their bytes from the file read again (WriteFileFrom).
  void ReleaseSource();
  bool SourceReleased() const { return FSourceReleased; }
  // The database file written with the untouched records' bytes taken from Source, the file the
  // places refer to; an empty Source (the file is gone or not the one they refer to) writes
  // every record anew.  Placed receives the records' places in the written file.
  void WriteFileFrom(std::string_view Source, const std::function<void(std::string_view Piece)>& Put,
                     std::vector<TPlace>* Placed) const;
  // After a whole write from a released database: the records' places are those of the file
  // just written (Placed of WriteFileFrom).
  void TakePlaces(const std::vector<TPlace>& Places);

  // The records and header as they are, for a whole write on another thread: the records are
  // shared, never changed (a change goes to a copy), so the snapshot costs a pointer a record.
  struct TSnapshot {
    std::string Header;
    struct TEntry {
      std::shared_ptr<const ItemRecord> Record;
      TPlace Place;  // Length 0: not in the file on disk
    };
    std::vector<TEntry> Records;
  };
  // Only when no change is unsaved.
  TSnapshot Snapshot() const;
  // The database file of a snapshot, untouched records' bytes taken from Source (see
  // WriteFileFrom).  Runs on any thread.
  static void WriteSnapshot(const TSnapshot& Snapshot, std::string_view Source,
                            const std::function<void(std::string_view Piece)>& Put, std::vector<TPlace>* Placed);
  // After the snapshot's file took the name: each record still as it was in the snapshot lies
  // where Places says; the others are not in the file.
  void TakeSnapshotPlaces(const TSnapshot& Snapshot, const std::vector<TPlace>& Places);

  // Changes since the last MarkSaved, as one journal entry: the records deleted (when any), the
  // file's header (everything before the records), then the changed and new records with their
  // indexes.
  std::string JournalEntry() const;
  // Applies one journal entry; raises EReadError when it does not fit this database (records
  // before the failing one may be in).  Call CodeChanged after the last entry.
  void ApplyJournalEntry(std::string_view Entry);
  // True when no record changed since the last MarkSaved.
  bool NoRecordChanges() const { return FDirty.empty(); }
  // The changes so far are stored: clears Changed and the change list, and makes the state now
  // the one Rollback returns to.
  void MarkSaved();
  // The state now is the stored one (after a load, or for a database not stored yet).
  void Baseline();
  // Changes in memory that no save has stored.
  bool HasUnsavedChanges() const { return Changed || !FUndo.empty(); }
  // Returns the records and the header to the state of the last MarkSaved or Baseline: what
  // could not be stored is dropped.
  void Rollback();

  // False after a failed load: changing it would write a partial list over the whole file.
  bool Writable() const { return !FLoadFailed; }
  // Raises when the database is not writable.
  void CheckWritable() const;
  bool Loaded() const { return FLoaded; }
  // The file exists but could not be read.
  void MarkLoadFailed() {
    FLoaded = false;
    FLoadFailed = true;
  }

  int Count() const { return static_cast<int>(FRecords.size()); }
  // Changing access: the record is written anew at the next save (and the field columns go).
  // The first changing access after a save works on a copy, so that the saved version stays
  // as it was (for Rollback, and for a whole write from a snapshot).
  ItemRecord& Record(int Index);
  const ItemRecord& Record(int Index) const { return *FRecords.at(static_cast<std::size_t>(Index)).Record; }

  // Index of the last record with this code, -1 if none.
  int FindRecordIndex(const std::string& Code) const;
  // Appends a new record ("Untitled", a fresh code, the record counter in "Record Counter"
  // fields) and returns its index.
  int NewRecord(TRecordCodeGenerator& Codes);
  void DeleteRecord(int Index);
  // Call after a record's code may have changed.
  void CodeChanged() { RebuildIndex(); }

  // A text field of every record as a column (fields: 0-9 the descriptions, 10-19 the details,
  // 20 the name, 21-26 the others), made on first use; the records taken for change or added
  // since are brought up to date at the next use, and a delete or a load drops the columns.
  // Null for another field or a database too large for one.
  const TFieldColumn* Column(int Field) const;

  // The sorted distinct non-empty values of a description (0-9) over all records, each followed
  // by a blank, when there are at most 5 of them; else empty.  Stored in the configuration.
  void RecomputeDistinctValues(int Description);

  TConfiguration Config;
  std::array<std::string, 4> HeaderStrings;
  std::array<std::string, 10> Reserved10;
  std::vector<std::string> StringList;
  std::array<std::string, 20> Reserved20;
  std::string RecordCounter;
  // Set by every change in memory, cleared when saved.
  bool Changed = false;

private:
  void RebuildIndex();
  void Decode(std::string_view Bytes);
  void ForgetPlaces();
  void DropColumns() {
    if (FColumnsMade) {
      std::lock_guard<std::mutex> Lock(FColumnsLock);
      for (auto& C : FColumns) C.reset();
      FColumnsMade = false;
      FTouched.clear();
    }
  }
  // The record's texts may change: the columns take them at their next use.
  void Touch(int Index) {
    if (!FColumnsMade) return;
    std::lock_guard<std::mutex> Lock(FColumnsLock);
    if (FTouched.empty() || FTouched.back() != Index) FTouched.push_back(Index);
  }
  // Under FColumnsLock: the made columns take the touched records' texts.
  void SyncColumns() const;
  void WriteHeader(TValueWriter& W) const;
  void ReadHeader(TValueReader& R);

  struct TSlot {
    // Changed in place only while Dirty: a record that is not is shared with Rollback's list
    // and with snapshots, and a change goes to a copy.
    std::shared_ptr<ItemRecord> Record;
    // Where the record's unchanged file form lies in FSource; Length 0: not there.
    std::size_t Offset = 0;
    std::size_t Length = 0;
    // Changed since the last MarkSaved (and listed in FDirty).
    bool Dirty = false;
  };
  void MarkDirty(TSlot& Slot, int Index) {
    if (Slot.Dirty) return;
    Slot.Dirty = true;
    FDirty.push_back(Index);
  }

  // What Rollback undoes, in the order it happened: a record taken for change (its slot as it
  // was), a record appended, a record deleted (its slot).
  struct TUndo {
    enum TKind { Put, Append, Delete } Kind;
    int Index;
    TSlot Slot;
  };
  std::string HeaderBytes() const;

  std::vector<TSlot> FRecords;
  std::vector<TUndo> FUndo;
  std::string FSavedHeader;  // the header as last stored
  std::string FSource;
  std::unordered_map<std::string, int> FIndex;  // code -> last index
  std::vector<int> FDirty;  // indexes of the Dirty slots
  // The records of the stored state still in the list (new ones follow them), and the stored
  // ones deleted since, by their index when deleted.
  int FSavedCount = 0;
  std::vector<int> FDeleted;
  bool FSourceReleased = false;
  static constexpr int ColumnFields = 27;
  mutable std::mutex FColumnsLock;
  mutable std::array<std::unique_ptr<TFieldColumn>, ColumnFields> FColumns;
  mutable std::atomic<bool> FColumnsMade{false};
  mutable std::vector<int> FTouched;  // records touched since the columns were brought up to date
  bool FLoaded = false;
  bool FLoadFailed = false;
};

// "12" -> "13"; anything that is not a decimal number -> "1".
std::string NextRecordCounter(const std::string& Counter);
