// The database of the copies test on a real X server, and its read-back:
//   make_copies_database FILE         writes 3 generated records; the first has a picture in its
//                                     first slot ("front.bmp", titled "Front view") and grid 4
//                                     lines; prints the first record's code
//   make_copies_database --dump FILE  prints one line per record: code, name, Item Number, the
//                                     first picture's file name and title, the read-only flag
//                                     and the cells of grid 4's first line (each ends in "|"),
//                                     by TABs
#include <cstdio>
#include <cstring>
#include <utility>

#include "tests/client/reports/test_database.h"

namespace {

// The cells of a grid text stream's row 1 ("col,1,text"), each followed by "|".
std::string FirstLine(const std::string& Grid) {
  std::string Cells;
  std::size_t Start = 0;
  while (Start < Grid.size()) {
    std::size_t End = Grid.find("\r\n", Start);
    if (End == std::string::npos) End = Grid.size();
    const std::string Line = Grid.substr(Start, End - Start);
    const std::size_t Comma = Line.find(',');
    if (Comma != std::string::npos && Line.compare(Comma, 3, ",1,") == 0) Cells += Line + "|";
    Start = End + 2;
  }
  return Cells;
}

void Dump(const char* File) {
  TDatabase D;
  D.LoadFromBytes(ReadFileBytes(File));
  for (int i = 0; i < D.Count(); ++i) {
    const ItemRecord& R = std::as_const(D).Record(i);
    std::printf("%s\t%s\t%s\t%s\t%s\t%d\t%s\n", R.Code.c_str(), R.Name.c_str(), R.Details[0].c_str(),
                R.Images[0].FileName.c_str(), R.Images[0].Title.c_str(), R.ReadOnly ? 1 : 0,
                FirstLine(R.Grid4).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) {
    Dump(argv[2]);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_copies_database FILE | --dump FILE\n");
    return 2;
  }
  TDatabase D;
  D.LoadFromBytes(MakeTestDatabase(3));
  for (int i = 0; i < D.Count(); ++i) D.Record(i).Details[0] = std::to_string(i + 1);
  ItemRecord& First = D.Record(0);
  First.Name = "Brass Lamp";
  First.Images[0] = {"front.bmp", "Front view", false};
  First.Grid4 = "5,3\r\n0,1,1\r\n1,1,Ann Example\r\n2,1,555 0101\r\n";
  First.Grid4Rows = 3;
  AtomicWriteFile(argv[1], D.SaveToBytes());
  std::printf("%s\n", First.Code.c_str());
  return 0;
}
