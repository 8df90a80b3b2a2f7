// The database of the figures test on a real X server: six records in the shipped definition
// whose prices are typed as people type them.
//   make_figures_database FILE     writes it and prints the first record's code
// Prices: "99,95" and "1.234,50" (decimal commas, no amounts in this program's number format),
// "1,234.50" (grouped), then 10.25, 20.25 and 30.25; current values 100.50 upwards by 7.
#include <cstdio>

#include "tests/client/reports/test_database.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_figures_database FILE\n");
    return 2;
  }
  TTestDatabase Made = MakeTestDatabaseWithConfig(6, 17);
  TDatabase D;
  D.LoadFromBytes(Made.Bytes);
  const char* const Prices[] = {"99,95", "1.234,50", "1,234.50", "10.25", "20.25", "30.25"};
  for (int i = 0; i < D.Count(); ++i) {
    ItemRecord& R = D.Record(i);
    R.Name = "Item " + std::to_string(i + 1);
    R.Details[8] = Prices[i];
    R.Details[9] = std::to_string(100 + i * 7) + ".50";
  }
  AtomicWriteFile(argv[1], D.SaveToBytes());
  std::printf("%s\n", D.Record(0).Code.c_str());
  return 0;
}
