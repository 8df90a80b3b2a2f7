// Writes a small database whose first record has three pictures named in its image slots, and
// prints that record's code (the picture files are the server's CODE.im1 .. CODE.im3):
//   make_image_database FILE
#include <cstdio>

#include "tests/client/reports/test_database.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_image_database FILE\n");
    return 2;
  }
  TDatabase D;
  TRecordCodeGenerator Codes(5);
  const std::string Definition =
      ReadFileBytes((std::filesystem::path(QN_BINARY_DIR) / "data" / "General.set").string());
  TValueReader Reader(Definition);
  TChangeMask All;
  All.SetAll(true);
  MergeConfiguration(Reader, All, D.Config);
  D.HeaderStrings[1] = "General.atr";
  std::string First;
  for (int i = 0; i < 3; ++i) {
    ItemRecord& R = D.Record(D.NewRecord(Codes));
    FillRecord(R, i + 1);
    if (i == 0) {
      First = R.Code;
      R.Name = "Blue vase";
      R.Images[0] = {"wide.jpg", "Front", false};
      R.Images[1] = {"square.gif", "Top", false};
      R.Images[2] = {"tall.pcx", "Side", false};
    }
  }
  AtomicWriteFile(argv[1], D.SaveToBytes());
  std::printf("%s\n", First.c_str());
  return 0;
}
