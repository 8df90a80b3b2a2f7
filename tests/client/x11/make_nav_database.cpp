// The database of the grid page and notes test on a real X server, and its read-back:
//   make_nav_database FILE         writes 40 generated records whose grid 4 lists contacts
//                                  (name, phone, address) and whose three memos hold text
//   make_nav_database --dump FILE  prints one line per record: code, name, description 7 and
//                                  the grid 4 stream (its line ends as "|"), separated by TABs
#include <cstdio>
#include <cstring>
#include <utility>

#include "tests/client/reports/test_database.h"

namespace {

// A grid text stream cell line; a CR inside the text travels as byte 9.
std::string Cell(int Col, int Row, std::string Text) {
  for (char& C : Text)
    if (C == '\r') C = 9;
  return std::to_string(Col) + "," + std::to_string(Row) + "," + Text + "\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) {
    TDatabase D;
    D.LoadFromBytes(ReadFileBytes(argv[2]));
    for (int i = 0; i < D.Count(); ++i) {
      const ItemRecord& R = std::as_const(D).Record(i);
      std::string Grid;
      for (char C : R.Grid4)
        if (C == '\n') Grid += '|';
        else if (C != '\r') Grid += C;
      std::printf("%s\t%s\t%s\t%s\n", R.Code.c_str(), R.Name.c_str(), R.Descriptions[6].c_str(), Grid.c_str());
    }
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_nav_database FILE | --dump FILE\n");
    return 2;
  }
  TDatabase D;
  D.LoadFromBytes(MakeTestDatabase(40));
  for (int i = 0; i < D.Count(); ++i) {
    ItemRecord& R = D.Record(i);
    R.Grid4 = "5,5\r\n" + Cell(0, 1, "1") + Cell(1, 1, "Ann Example") + Cell(2, 1, "555 0101") +
              Cell(3, 1, "Harbour Street 4\rOstend") + Cell(0, 2, "2") + Cell(1, 2, "Bolt Sample") +
              Cell(2, 2, "555 0102") + Cell(3, 2, "Mill Lane 9\rLeuven") + Cell(0, 3, "3") +
              Cell(1, 3, "Cy Person " + std::to_string(i)) + Cell(2, 3, "555 0103") + Cell(3, 3, "Hill Road 1");
    R.Grid4Rows = 5;
    R.Memos[0] = {"Notes of record " + std::to_string(i), "second notes line"};
    R.Memos[1] = {"attachment-" + std::to_string(i) + ".txt"};
    R.Memos[2] = {"Quay 7", "Antwerp"};
  }
  AtomicWriteFile(argv[1], D.SaveToBytes());
  return 0;
}
