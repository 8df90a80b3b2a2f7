// The records of about 5 KB that the server benchmarks fill their databases with: a name, 10
// details, 10 descriptions, 3 memos, a grid 3 of a header and five lines, and 1 KB of rich text.
#pragma once

#include <string>

#include "server/database_store.h"

namespace qn_bench {

class TSampleRecords {
public:
  TSampleRecords() {
    FGrid = "6,6\r\n";
    for (int Row = 1; Row <= 5; ++Row)
      for (int Col = 0; Col < 6; ++Col)
        FGrid += std::to_string(Col) + "," + std::to_string(Row) + ",cell " + std::to_string(Row * 10 + Col) + "\r\n";
    FRich = "{\\rtf1\\ansi ";
    while (FRich.size() < 1023) FRich += "Lorem ipsum dolor sit amet. ";
    FRich.resize(1023);
    FRich += "}";
  }

  // Record I of a sample database.
  void Fill(ItemRecord& R, int I) const {
    R.Name = "Record " + std::to_string(I);
    for (std::size_t f = 0; f < R.Details.size(); ++f) {
      R.Details[f] = "Detail value " + std::to_string(f) + " of " + std::to_string(I);
      R.Descriptions[f] = "Category " + std::to_string((static_cast<std::size_t>(I) + f) % 7) + ":Long text";
    }
    for (auto& Memo : R.Memos) Memo = {"Memo line one of record " + std::to_string(I), "Second line"};
    R.Grid3 = FGrid;
    R.Grid3Rows = 6;
    R.RichText = FRich;
  }

private:
  std::string FGrid, FRich;
};

// The bytes of a database of Records sample records (codes from seed 1) and no definition but a
// first detail named "Number".
inline std::string SampleDatabase(int Records) {
  TDatabase D;
  TRecordCodeGenerator Codes(1);
  D.Config.DetailNames[0] = "Number";
  const TSampleRecords Sample;
  for (int i = 0; i < Records; ++i) Sample.Fill(D.Record(D.NewRecord(Codes)), i);
  return D.SaveToBytes();
}

}  // namespace qn_bench
