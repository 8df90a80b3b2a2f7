// One record of a database in memory, its stream form, and the change mask that says which of
// its fields a client save carries.
// Invariant: the record stream and the file form are written and read field for field in the
// same order, and a sparse string set reads as empty strings wherever it was never written.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "records/value_stream.h"

struct ImageRecord {
  std::string FileName;
  std::string Title;
  bool Flag = false;
  bool operator==(const ImageRecord&) const = default;
};

// N strings that are mostly all empty: their block is made when one is first written, so an
// unused set costs a pointer, not N strings.  Reads of an unmade block see empty strings.
template <std::size_t N>
class TSparseStrings {
public:
  using value_type = std::string;
  using iterator = std::string*;
  using const_iterator = const std::string*;

  TSparseStrings() = default;
  TSparseStrings(const std::array<std::string, N>& Values) { *this = Values; }
  TSparseStrings(const TSparseStrings& Other) { *this = Other; }
  TSparseStrings(TSparseStrings&&) noexcept = default;
  TSparseStrings& operator=(TSparseStrings&&) noexcept = default;
  TSparseStrings& operator=(const TSparseStrings& Other) {
    if (this != &Other) FBlock = Other.FBlock ? std::make_unique<std::array<std::string, N>>(*Other.FBlock) : nullptr;
    return *this;
  }
  TSparseStrings& operator=(const std::array<std::string, N>& Values) {
    FBlock.reset();
    for (std::size_t i = 0; i < N; ++i)
      if (!Values[i].empty()) (*this)[i] = Values[i];
    return *this;
  }

  void Clear() { FBlock.reset(); }
  static constexpr std::size_t size() { return N; }
  const std::string& operator[](std::size_t Index) const { return FBlock ? (*FBlock)[Index] : Empty()[Index]; }
  std::string& operator[](std::size_t Index) { return Block()[Index]; }
  // Stores Value without making the block for an empty one.
  void Put(std::size_t Index, std::string&& Value) {
    if (FBlock || !Value.empty()) Block()[Index] = std::move(Value);
  }
  const std::string* begin() const { return FBlock ? FBlock->data() : Empty().data(); }
  const std::string* end() const { return begin() + N; }
  std::string* begin() { return Block().data(); }
  std::string* end() { return Block().data() + N; }
  bool operator==(const TSparseStrings& Other) const {
    for (std::size_t i = 0; i < N; ++i)
      if ((*this)[i] != Other[i]) return false;
    return true;
  }

private:
  std::array<std::string, N>& Block() {
    if (!FBlock) FBlock = std::make_unique<std::array<std::string, N>>();
    return *FBlock;
  }
  static const std::array<std::string, N>& Empty() {
    static const std::array<std::string, N> None;
    return None;
  }
  std::unique_ptr<std::array<std::string, N>> FBlock;
};

struct ItemRecord {
  std::string Code;
  bool ReadOnly = false;
  std::string Name;
  std::array<std::string, 10> Details;
  std::array<std::string, 10> Descriptions;
  std::array<std::string, 6> Others;
  std::array<std::string, 3> ExtraStrings;
  std::array<std::int32_t, 3> ExtraIntegers{};
  std::array<ImageRecord, 6> Images;
  std::string Attachment;
  std::array<bool, 3> Checks{};
  std::array<std::vector<std::string>, 3> Memos;
  std::array<std::vector<std::string>, 2> Lists;
  // Most records use none of their hundred items: the names and values are sparse.
  TSparseStrings<100> ItemNames;
  TSparseStrings<100> ItemValues;
  std::array<bool, 100> ItemChecks{};
  std::string Grid3;  // grid text stream
  std::string Grid4;  // grid text stream
  std::string RichText;
  std::int32_t Grid3Rows = 0;
  std::int32_t Grid4Rows = 0;
  bool operator==(const ItemRecord&) const = default;
};

// 20 rows (1-20) of 101 flags (columns 0-100), in stream order row by row.
class TChangeMask {
public:
  static constexpr int Rows = 20;
  static constexpr int Cols = 101;
  static constexpr int Count = Rows * Cols;

  bool Get(int Row, int Col) const { return FFlags[(Row - 1) * Cols + Col]; }
  void Set(int Row, int Col, bool Value = true) { FFlags[(Row - 1) * Cols + Col] = Value; }
  void SetAll(bool Value) { FFlags.fill(Value); }

  void Read(TValueReader& Reader);
  void Write(TValueWriter& Writer) const;

private:
  std::array<bool, Count> FFlags{};
};

// The change-mask rows of the record fields.
namespace RecordMask {
constexpr int Descriptions = 1;  // columns 1-10
constexpr int Details = 2;       // columns 0-9
constexpr int Others = 3;        // columns 0-5
constexpr int Items = 4;         // columns 1-100
constexpr int Name = 6;          // column 0
constexpr int Memos = 7;         // columns 0-2
constexpr int Images = 8;        // columns 1-6
constexpr int Grid3 = 11;        // column 0
constexpr int Checks = 12;       // columns 1-3
constexpr int RichText = 13;     // column 0
constexpr int Grid4 = 16;        // column 0
constexpr int Extras = 18;       // columns 1-3 strings, 4-6 integers
}  // namespace RecordMask

// The record stream (with the three extra strings and integers) or the database file's form of
// a record (without them).
enum class TRecordForm { Stream, File };

void WriteItemRecord(TValueWriter& Writer, const ItemRecord& Record, TRecordForm Form);
void ReadItemRecord(TValueReader& Reader, ItemRecord& Record, TRecordForm Form);

// Stores into Record what the mask flags of a record read whole from a client (the read-only
// flag, the code, the two lists and the attachment string always).  Returns the flagged
// description numbers (0-9), whose distinct-values texts need recomputing.
std::vector<int> MergeItemRecord(ItemRecord&& In, const TChangeMask& Mask, ItemRecord& Record);
