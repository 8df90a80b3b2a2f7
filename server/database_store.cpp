#include "server/database_store.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "platform/rtl/invariant.h"

namespace {

// A database file holds at most this many records; a larger count is a corrupt file.
constexpr std::int32_t MaxRecords = 10'000'000;

// The fewest bytes a record takes in the file: every field in its shortest form, as an empty
// record is written.  A count of records is believed only as far as the bytes left can hold.
std::size_t MinRecordBytes() {
  static const std::size_t Bytes = [] {
    std::string Out;
    TValueWriter W(Out);
    WriteItemRecord(W, ItemRecord{}, TRecordForm::File);
    return Out.size();
  }();
  return Bytes;
}

}  // namespace

std::string TRecordCodeGenerator::Next() {
  std::string Code(8, ' ');
  Code[0] = static_cast<char>('A' + std::uniform_int_distribution<int>(0, 24)(FGenerator));
  std::uniform_int_distribution<int> Any(0, 35);
  for (int i = 1; i < 8; ++i) {
    const int R = Any(FGenerator);
    Code[i] = static_cast<char>(R < 26 ? 'A' + R : '0' + (R - 26));
  }
  return Code;
}

std::string NextRecordCounter(const std::string& Counter) {
  std::size_t Start = 0;
  while (Start < Counter.size() && static_cast<unsigned char>(Counter[Start]) <= ' ') ++Start;
  long long Value = 0;
  const char* First = Counter.data() + Start;
  const char* Last = Counter.data() + Counter.size();
  if (First < Last && *First == '+') ++First;
  const auto [End, Error] = std::from_chars(First, Last, Value);
  if (Error != std::errc() || End != Last || First == Last || Value >= INT32_MAX) return "1";
  return std::to_string(Value + 1);
}

void TDatabase::CheckWritable() const {
  if (FLoadFailed) throw Exception("The database file could not be read; it is not changed");
}

int TDatabase::FindRecordIndex(const std::string& Code) const {
  const auto Found = FIndex.find(Code);
  return Found == FIndex.end() ? -1 : Found->second;
}

void TDatabase::RebuildIndex() {
  FIndex.clear();
  FIndex.reserve(FRecords.size());
  for (std::size_t i = 0; i < FRecords.size(); ++i)
    FIndex[FRecords[i].Record->Code] = static_cast<int>(i);
}

ItemRecord& TDatabase::Record(int Index) {
  TSlot& Slot = FRecords.at(static_cast<std::size_t>(Index));
  if (!Slot.Dirty) {
    FUndo.push_back({TUndo::Put, Index, Slot});
    Slot.Record = std::make_shared<ItemRecord>(*Slot.Record);
    MarkDirty(Slot, Index);
  }
  Slot.Length = 0;
  Touch(Index);
  return *Slot.Record;
}

int TDatabase::NewRecord(TRecordCodeGenerator& Codes) {
  auto Record = std::make_shared<ItemRecord>();
  Record->Name = "Untitled";
  do {
    Record->Code = Codes.Next();
  } while (FIndex.count(Record->Code) != 0);
  RecordCounter = NextRecordCounter(RecordCounter);
  for (int i = 0; i < 10; ++i)
    if (Config.DetailKinds[i] == "Record Counter") Record->Details[i] = RecordCounter;
  for (int i = 0; i < 6; ++i)
    if (Config.OtherKinds[i] == "Record Counter") Record->Others[i] = RecordCounter;
  Record->Grid3Rows = 2;
  Record->Grid4Rows = 2;
  for (int i = 0; i < 6; ++i) Record->Images[i].Title = "Untitled " + std::to_string(i + 1);
  const int Index = Count();
  Touch(Index);
  FIndex[Record->Code] = Index;
  FRecords.push_back({std::move(Record), 0, 0});
  MarkDirty(FRecords.back(), Index);
  FUndo.push_back({TUndo::Append, Index, {}});
  Changed = true;
  return Index;
}

void TDatabase::DeleteRecord(int Index) {
  DropColumns();
  const std::string Code = FRecords.at(static_cast<std::size_t>(Index)).Record->Code;
  FUndo.push_back({TUndo::Delete, Index, FRecords[static_cast<std::size_t>(Index)]});
  FRecords.erase(FRecords.begin() + Index);
  if (Index < FSavedCount) {
    FDeleted.push_back(Index);
    --FSavedCount;
  }
  // The change list and the code index follow the records that moved up.
  std::vector<int> Dirty;
  for (int At : FDirty)
    if (At != Index) Dirty.push_back(At > Index ? At - 1 : At);
  FDirty = std::move(Dirty);
  for (auto& Entry : FIndex)
    if (Entry.second > Index) --Entry.second;
  const auto Found = FIndex.find(Code);
  if (Found != FIndex.end() && Found->second == Index) {
    int Earlier = Index - 1;
    while (Earlier >= 0 && FRecords[static_cast<std::size_t>(Earlier)].Record->Code != Code) --Earlier;
    if (Earlier >= 0)
      Found->second = Earlier;
    else
      FIndex.erase(Found);
  }
  Changed = true;
}

void TDatabase::MarkSaved() {
  for (int Index : FDirty)
    if (static_cast<std::size_t>(Index) < FRecords.size()) FRecords[Index].Dirty = false;
  FDirty.clear();
  Changed = false;
  Baseline();
}

void TDatabase::Baseline() {
  FUndo.clear();
  FDeleted.clear();
  FSavedCount = Count();
  FSavedHeader = HeaderBytes();
}

std::string TDatabase::HeaderBytes() const {
  std::string Out;
  TValueWriter W(Out);
  WriteHeader(W);
  return Out;
}

void TDatabase::Rollback() {
  for (auto It = FUndo.rbegin(); It != FUndo.rend(); ++It) {
    const auto At = FRecords.begin() + It->Index;
    switch (It->Kind) {
      case TUndo::Put:
        *At = std::move(It->Slot);
        break;
      case TUndo::Append:
        FRecords.pop_back();
        break;
      case TUndo::Delete:
        FRecords.insert(At, std::move(It->Slot));
        break;
    }
  }
  FUndo.clear();
  for (TSlot& Slot : FRecords) Slot.Dirty = false;
  FDirty.clear();
  FDeleted.clear();
  FSavedCount = Count();
  if (!FSavedHeader.empty()) {
    TValueReader R(FSavedHeader);
    ReadHeader(R);
  }
  DropColumns();
  RebuildIndex();
  Changed = false;
}

namespace {

// The records deleted by a journal entry come first in it: this tag (no header starts with it),
// their count and their indexes, 4 bytes each.
constexpr std::string_view DeleteTag("QNJDEL01", 8);

void PutLE32(std::string& Out, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i) Out.push_back(static_cast<char>(Value >> (8 * i)));
}

std::uint32_t GetLE32(std::string_view Bytes) {
  std::uint32_t Value = 0;
  for (std::size_t i = 0; i < 4; ++i) Value |= static_cast<std::uint32_t>(static_cast<unsigned char>(Bytes[i])) << (8 * i);
  return Value;
}

}  // namespace

std::string TDatabase::JournalEntry() const {
  std::string Out;
  if (!FDeleted.empty()) {
    Out.append(DeleteTag);
    PutLE32(Out, static_cast<std::uint32_t>(FDeleted.size()));
    for (int Index : FDeleted) PutLE32(Out, static_cast<std::uint32_t>(Index));
  }
  TValueWriter W(Out);
  WriteHeader(W);
  std::vector<int> Indexes = FDirty;
  std::sort(Indexes.begin(), Indexes.end());
  W.WriteInteger(static_cast<std::int32_t>(Indexes.size()));
  for (int Index : Indexes) {
    W.WriteInteger(Index);
    WriteItemRecord(W, *FRecords[static_cast<std::size_t>(Index)].Record, TRecordForm::File);
  }
  return Out;
}

void TDatabase::ApplyJournalEntry(std::string_view Entry) {
  // Everything is read before anything is changed.
  std::vector<std::int32_t> Deletes;
  std::int32_t End = Count();
  if (Entry.substr(0, DeleteTag.size()) == DeleteTag) {
    Entry.remove_prefix(DeleteTag.size());
    if (Entry.size() < 4) throw EReadError();
    const std::uint32_t Number = GetLE32(Entry);
    Entry.remove_prefix(4);
    if (Number > static_cast<std::uint32_t>(End) || Entry.size() / 4 < Number) throw EReadError();
    for (std::uint32_t i = 0; i < Number; ++i, Entry.remove_prefix(4)) {
      const std::uint32_t Index = GetLE32(Entry);
      if (Index >= static_cast<std::uint32_t>(End)) throw EReadError();
      Deletes.push_back(static_cast<std::int32_t>(Index));
      --End;
    }
  }
  TValueReader R(Entry);
  TDatabase Header;
  Header.ReadHeader(R);
  const std::int32_t Puts = R.ReadInteger();
  // Each change is an index (two bytes at least) and a record.
  if (Puts < 0 || Puts > MaxRecords || static_cast<std::size_t>(Puts) > R.Remaining() / (MinRecordBytes() + 2))
    throw EReadError();
  std::vector<std::pair<std::int32_t, std::shared_ptr<ItemRecord>>> Records;
  for (std::int32_t i = 0; i < Puts; ++i) {
    const std::int32_t Index = R.ReadInteger();
    // Records only change in place or are appended in order: anything else is a foreign entry.
    if (Index < 0 || Index > End || Index >= MaxRecords) throw EReadError();
    if (Index == End) ++End;
    auto Record = std::make_shared<ItemRecord>();
    ReadItemRecord(R, *Record, TRecordForm::File);
    Records.emplace_back(Index, std::move(Record));
  }
  if (!R.AtEnd()) throw EReadError();
  Config = std::move(Header.Config);
  HeaderStrings = std::move(Header.HeaderStrings);
  Reserved10 = std::move(Header.Reserved10);
  StringList = std::move(Header.StringList);
  Reserved20 = std::move(Header.Reserved20);
  RecordCounter = std::move(Header.RecordCounter);
  DropColumns();
  for (std::int32_t Index : Deletes) FRecords.erase(FRecords.begin() + Index);
  for (auto& [Index, Record] : Records) {
    if (Index == Count())
      FRecords.push_back({std::move(Record), 0, 0});
    else
      FRecords[static_cast<std::size_t>(Index)] = {std::move(Record), 0, 0};
  }
  FSavedCount = Count();
  if (!Deletes.empty()) RebuildIndex();
}

namespace {

const std::string& FieldText(const ItemRecord& R, int Field) {
  return Field < 10    ? R.Descriptions[static_cast<std::size_t>(Field)]
         : Field < 20  ? R.Details[static_cast<std::size_t>(Field - 10)]
         : Field == 20 ? R.Name
                       : R.Others[static_cast<std::size_t>(Field - 21)];
}

}  // namespace

void TDatabase::SyncColumns() const {
  if (FTouched.empty()) return;
  std::sort(FTouched.begin(), FTouched.end());
  FTouched.erase(std::unique(FTouched.begin(), FTouched.end()), FTouched.end());
  for (auto& Column : FColumns) {
    if (!Column) continue;
    const int Field = static_cast<int>(&Column - FColumns.data());
    TFieldColumn& C = *Column;
    for (int Index : FTouched) {
      if (Index < 0 || static_cast<std::size_t>(Index) >= FRecords.size()) continue;
      const std::string& Text = FieldText(*FRecords[static_cast<std::size_t>(Index)].Record, Field);
      const auto At = static_cast<std::size_t>(Index);
      if (At < C.Starts.size() && C.At(At) == Text) continue;
      if (C.Text.size() + Text.size() > UINT32_MAX) {
        Column.reset();
        break;
      }
      if (At < C.Starts.size()) {
        C.Waste += C.Lengths[At];
      } else if (At == C.Starts.size()) {
        C.Starts.push_back(0);
        C.Lengths.push_back(0);
      } else {
        Column.reset();  // a gap: made anew below when asked for
        break;
      }
      C.Starts[At] = static_cast<std::uint32_t>(C.Text.size());
      C.Lengths[At] = static_cast<std::uint32_t>(Text.size());
      C.Text += Text;
    }
    // A column that is mostly waste, or does not cover every record, is made anew.
    if (Column && (C.Starts.size() != FRecords.size() || (C.Waste > C.Text.size() / 2 && C.Waste > (1u << 20))))
      Column.reset();
  }
  FTouched.clear();
}

const TFieldColumn* TDatabase::Column(int Field) const {
  if (Field < 0 || Field >= ColumnFields) return nullptr;
  std::lock_guard<std::mutex> Lock(FColumnsLock);
  SyncColumns();
  std::unique_ptr<TFieldColumn>& Column = FColumns[static_cast<std::size_t>(Field)];
  if (Column) return Column.get();
  auto Made = std::make_unique<TFieldColumn>();
  Made->Starts.reserve(FRecords.size());
  Made->Lengths.reserve(FRecords.size());
  Made->Text.reserve(FRecords.size() * 16);
  for (const TSlot& Slot : FRecords) {
    const std::string& Text = FieldText(*Slot.Record, Field);
    if (Made->Text.size() + Text.size() > UINT32_MAX) return nullptr;
    Made->Starts.push_back(static_cast<std::uint32_t>(Made->Text.size()));
    Made->Lengths.push_back(static_cast<std::uint32_t>(Text.size()));
    Made->Text += Text;
  }
  Column = std::move(Made);
  FColumnsMade = true;
  return Column.get();
}

void TDatabase::RecomputeDistinctValues(int Description) {
  std::set<std::string> Values;
  for (const auto& Slot : FRecords) {
    const std::string& Value = Slot.Record->Descriptions[Description];
    if (Value.empty()) continue;
    Values.insert(Value);
    if (Values.size() > 5) {
      Config.DistinctValues[Description].clear();
      return;
    }
  }
  std::string Text;
  for (const auto& Value : Values) Text += Value + " ";
  Config.DistinctValues[Description] = std::move(Text);
}

std::string TDatabase::SaveToBytes() const {
  std::string Out;
  Out.reserve(FSource.size() + 4096);
  WriteFile([&Out](std::string_view Piece) { Out.append(Piece); });
  return Out;
}

void TDatabase::WriteHeader(TValueWriter& W) const {
  const TConfiguration& C = Config;
  WriteStringArray(W, HeaderStrings);
  WriteStringArray(W, Reserved10);
  W.WriteStrings(StringList);
  W.WriteString(C.ConfigString1);
  W.WriteString(C.ConfigString2);
  W.WriteBoolean(C.ConfigFlag);
  W.WriteString(C.StatusWord);
  W.WriteString(C.DateFormat);
  for (int i = 0; i < 8; ++i)
    W.WriteString(i == diRecords ? std::to_string(FRecords.size()) : C.DatabaseInfo[i]);
  WriteStringArray(W, C.DistinctValues);
  WriteStringArray(W, Reserved20);
  WriteStringArray(W, C.DescriptionKinds);
  W.WriteString(RecordCounter);
  WriteFieldNames(W, C);
  W.WriteInteger(C.Grid3Columns);
  W.WriteInteger(C.Grid4Columns);
  for (const auto& Tree : C.DescriptionTrees) WriteDescriptionTree(W, Tree);
}

void TDatabase::WriteFile(const std::function<void(std::string_view Piece)>& Put) const {
  // A released database has its untouched records on disk only: they are written anew.
  WriteFileFrom(FSource, Put, nullptr);
}

void TDatabase::WriteFileFrom(std::string_view Source, const std::function<void(std::string_view Piece)>& Put,
                              std::vector<TPlace>* Placed) const {
  WriteSnapshot(Snapshot(), Source, Put, Placed);
}

TDatabase::TSnapshot TDatabase::Snapshot() const {
  TSnapshot Out;
  Out.Header = HeaderBytes();
  Out.Records.reserve(FRecords.size());
  for (const TSlot& Slot : FRecords) {
    // A place is kept only for a record untouched since it was read or written there.
    QN_ASSERT(Slot.Length == 0 || !Slot.Dirty);
    Out.Records.push_back({Slot.Record, {Slot.Offset, Slot.Length}});
  }
  return Out;
}

void TDatabase::WriteSnapshot(const TSnapshot& Snapshot, std::string_view Source,
                              const std::function<void(std::string_view Piece)>& Put, std::vector<TPlace>* Placed) {
  std::string Out = Snapshot.Header;
  TValueWriter W(Out);
  W.WriteInteger(static_cast<std::int32_t>(Snapshot.Records.size()));
  if (Placed) Placed->clear();
  // Untouched records go out as the bytes they were read from, neighbours in one piece.
  std::size_t From = 0, To = 0, Written = 0;
  auto FlushOut = [&] {
    if (!Out.empty()) Put(Out);
    Written += Out.size();
    Out.clear();
  };
  auto FlushSource = [&] {
    if (To > From) Put(Source.substr(From, To - From));
    Written += To - From;
    From = To = 0;
  };
  for (const auto& Entry : Snapshot.Records) {
    const TPlace& Place = Entry.Place;
    // Where this record starts in the output: only one kind of piece waits at a time.
    const std::size_t At = Written + Out.size() + (To - From);
    if (Place.Length != 0 && Place.Offset + Place.Length <= Source.size()) {
      FlushOut();
      if (To <= From || To != Place.Offset) {
        FlushSource();
        From = Place.Offset;
      }
      To = Place.Offset + Place.Length;
      if (Placed) Placed->push_back({At, Place.Length});
    } else {
      FlushSource();
      WriteItemRecord(W, *Entry.Record, TRecordForm::File);
      if (Placed) Placed->push_back({At, Written + Out.size() - At});
      if (Out.size() >= (1u << 20)) FlushOut();
    }
  }
  FlushOut();
  FlushSource();
}

void TDatabase::TakeSnapshotPlaces(const TSnapshot& Snapshot, const std::vector<TPlace>& Places) {
  const bool Known = Places.size() == Snapshot.Records.size();
  for (std::size_t i = 0; i < FRecords.size(); ++i) {
    TSlot& Slot = FRecords[i];
    if (Known && i < Places.size() && Slot.Record.get() == Snapshot.Records[i].Record.get()) {
      Slot.Offset = Places[i].Offset;
      Slot.Length = Places[i].Length;
    } else {
      Slot.Length = 0;
    }
  }
  ForgetPlaces();
}

void TDatabase::ForgetPlaces() {
  // The file the places of the undo list refer to is gone.
  for (TUndo& Undo : FUndo) Undo.Slot.Length = 0;
  std::string().swap(FSource);
  FSourceReleased = true;
}

void TDatabase::ReleaseSource() {
  std::string().swap(FSource);
  FSourceReleased = true;
}

void TDatabase::TakePlaces(const std::vector<TPlace>& Places) {
  if (Places.size() != FRecords.size()) return;
  for (std::size_t i = 0; i < Places.size(); ++i) {
    FRecords[i].Offset = Places[i].Offset;
    FRecords[i].Length = Places[i].Length;
  }
  ForgetPlaces();
}

void TDatabase::ReadHeader(TValueReader& R) {
  TConfiguration& C = Config;
  ReadStringArray(R, HeaderStrings);
  ReadStringArray(R, Reserved10);
  StringList = R.ReadStrings();
  C.ConfigString1 = R.ReadString();
  C.ConfigString2 = R.ReadString();
  C.ConfigFlag = R.ReadBoolean();
  C.StatusWord = R.ReadString();
  C.DateFormat = R.ReadString();
  ReadStringArray(R, C.DatabaseInfo);
  ReadStringArray(R, C.DistinctValues);
  ReadStringArray(R, Reserved20);
  ReadStringArray(R, C.DescriptionKinds);
  RecordCounter = R.ReadString();
  ReadFieldNames(R, C);
  C.Grid3Columns = R.ReadInteger();
  C.Grid4Columns = R.ReadInteger();
  for (auto& Tree : C.DescriptionTrees) Tree = ReadDescriptionTree(R);
}

void TDatabase::LoadFromBytes(std::string Bytes) {
  FSource = std::move(Bytes);
  FSourceReleased = false;
  Decode(FSource);
}

void TDatabase::LoadInPlace(std::string_view Bytes) {
  std::string().swap(FSource);
  FSourceReleased = true;
  Decode(Bytes);
}

void TDatabase::Decode(std::string_view Bytes) {
  DropColumns();
  FLoaded = false;
  FLoadFailed = false;
  FRecords.clear();
  FDirty.clear();
  FUndo.clear();
  FDeleted.clear();
  TValueReader R(Bytes);
  try {
    ReadHeader(R);
    const std::int32_t Records = R.ReadInteger();
    if (Records < 0 || Records > MaxRecords ||
        static_cast<std::size_t>(Records) > R.Remaining() / MinRecordBytes())
      throw EReadError();
    FRecords.reserve(static_cast<std::size_t>(Records));
    for (std::int32_t i = 0; i < Records; ++i) {
      auto Record = std::make_shared<ItemRecord>();
      const std::size_t Start = R.Position();
      ReadItemRecord(R, *Record, TRecordForm::File);
      FRecords.push_back({std::move(Record), Start, R.Position() - Start});
    }
    FLoaded = true;
  } catch (const Exception&) {
    FLoadFailed = true;
  }
  RebuildIndex();
  FSavedCount = Count();
  Changed = false;
}
