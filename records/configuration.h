// A database's configuration: the names and kinds of its fields, its item names, the value trees
// of its descriptions, its status word, date format and database information, and the column
// counts of its two grids.  It travels as the configuration stream (".set" files, "CL", "CS").
// Invariant: a configuration read from a stream is applied only when the whole stream decoded.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "records/description_tree.h"
#include "records/item_record.h"

// The positions of the database information strings.
enum TDatabaseInfo { diName, diType, diAuthor, diDescription, diCDate, diUDate, diRecords, diFileCode };

// The attribute file (".atr"): only the two column counts are used; the rest is kept as read.
struct TAttributes {
  std::array<std::string, 100> First;
  std::array<std::string, 100> Second;
  std::int32_t Grid3Columns = 10;
  std::array<std::array<std::string, 4>, 10> Grid3Texts;
  std::array<std::array<std::string, 4>, 10> Grid4Texts;
  std::int32_t Grid4Columns = 10;
  std::array<std::string, 3> Last;
};

struct TConfiguration {
  std::string ConfigString1;
  std::string ConfigString2;
  bool ConfigFlag = false;
  std::array<std::string, 10> DescriptionNames;
  std::array<std::string, 10> DetailNames;
  std::array<std::string, 6> OtherNames;
  std::array<std::string, 10> DetailKinds;
  std::array<std::string, 6> OtherKinds;
  std::array<std::string, 100> ItemNames;
  std::array<TDescriptionTree, 10> DescriptionTrees;
  std::array<std::string, 10> DescriptionKinds;
  std::string StatusWord;
  std::string DateFormat;
  std::array<std::string, 8> DatabaseInfo;
  std::array<std::string, 10> DistinctValues;
  std::int32_t Grid3Columns = 10;
  std::int32_t Grid4Columns = 10;
  TAttributes Attributes;
};

// The change-mask rows of the configuration items.
namespace ConfigMask {
constexpr int Descriptions = 1;      // columns 0-9: name and kind
constexpr int DetailNames = 2;       // columns 0-9
constexpr int OtherNames = 3;        // columns 0-5
constexpr int ItemNames = 4;         // columns 1-100
constexpr int Trees = 5;             // columns 1-10
constexpr int DetailKinds = 14;      // columns 0-9
constexpr int OtherKinds = 15;       // columns 0-5
constexpr int ConfigStrings = 17;    // column 0
}  // namespace ConfigMask

// The names and kinds of the fields and the item names, in the order both the configuration
// stream and the database file hold them.
void WriteFieldNames(TValueWriter& Writer, const TConfiguration& Config);
void ReadFieldNames(TValueReader& Reader, TConfiguration& Config);

// The configuration stream; Records is written as RecordCount.
void WriteConfiguration(TValueWriter& Writer, const TConfiguration& Config, int RecordCount);
// Reads a whole configuration stream, then stores what the mask flags and the items that are
// always stored.  Nothing is stored when the stream is short or bad.
void MergeConfiguration(TValueReader& Reader, const TChangeMask& Mask, TConfiguration& Config);

// Reads an attribute file's bytes; on any error both column counts are 10 and the rest is empty.
void LoadAttributes(const std::string& Bytes, TConfiguration& Config);
void WriteAttributes(TValueWriter& Writer, const TAttributes& Attributes);
