// The generated database of the search and report tests: records of several kinds in the
// shipped definition, made alike in every test, and its configuration.
#pragma once

#include <filesystem>
#include <string>

#include "platform/rtl/file_io.h"
#include "records/configuration.h"
#include "server/database_store.h"
#include "records/value_stream.h"

inline const char* const kCategories[] = {"Art:Paintings, prints and sculpture", "Books:Books and printed matter",
                                          "Coins:Coins and banknotes", "Stamps:Stamps and postal history"};
inline const char* const kCountries[] = {"France:France : Europe:Europe", "Canada:Canada : Americas:The Americas",
                                         "Germany:Germany : Europe:Europe"};

inline void FillRecord(ItemRecord& R, int i) {
  R.Name = "Record " + std::to_string(i) + (i % 5 == 0 ? " Gold" : " Silver");
  R.Descriptions[0] = kCategories[i % 4];
  R.Descriptions[2] = kCountries[i % 3];
  R.Details[0] = std::to_string(i);
  R.Details[1] = i % 2 ? "Acme" : "Bolt";
  R.Details[8] = std::to_string((i * 37) % 500);  // price
  R.Others[0] = i % 3 == 0 ? "Cat" : "Eel";
  R.Others[1] = "20" + std::to_string(10 + i % 15) + "/0" + std::to_string(1 + i % 9) + "/1" + std::to_string(i % 9);
  R.Checks = {i % 2 == 0, i % 3 == 0, i % 7 == 0};
  R.Memos[0] = {"First memo line " + std::to_string(i), i % 4 == 0 ? "mentions velvet" : "plain"};
  R.Grid3 = "6,3\r\n1,1," + std::to_string(i % 50) + "\r\n2,1,Part " + std::to_string(i % 6) + "\r\n";
  R.Grid3Rows = 3;
  if (i % 3 == 1) {
    R.ItemNames[0] = std::to_string(i % 10);  // the proficiency
    R.ItemValues[0] = i % 2 ? "van" : "truck";
    R.ItemChecks[0] = true;
  }
}

struct TTestDatabase {
  std::string Bytes;
  TConfiguration Config;
};

// A database file of Records records in the shipped definition (built into QN_BINARY_DIR/data).
inline TTestDatabase MakeTestDatabaseWithConfig(int Records, std::uint64_t Seed = 3) {
  TDatabase D;
  TRecordCodeGenerator Codes(Seed);
  const std::string Definition =
      ReadFileBytes((std::filesystem::path(QN_BINARY_DIR) / "data" / "General.set").string());
  TValueReader Reader(Definition);
  TChangeMask All;
  All.SetAll(true);
  MergeConfiguration(Reader, All, D.Config);
  D.Config.ItemNames[0] = "Driving";
  D.HeaderStrings[1] = "General.atr";
  for (int i = 0; i < Records; ++i) FillRecord(D.Record(D.NewRecord(Codes)), i);
  return {D.SaveToBytes(), D.Config};
}

inline std::string MakeTestDatabase(int Records, std::uint64_t Seed = 3) {
  return MakeTestDatabaseWithConfig(Records, Seed).Bytes;
}
