// The database of the report windows test on a real X server, and its read-back:
//   make_report_database FILE TODAY       writes 24 records whose definition has a reminder date,
//                                         a quantity, a desired quantity, a barcode and two money
//                                         fields; TODAY (mm/dd/yyyy) is the reminder date of every
//                                         third record, a later date or none that of the others
//   make_report_database --dump FILE      prints one line per record: code, name, quantity,
//                                         desired quantity, barcode, price paid, current value and
//                                         reminder date, separated by TABs
#include <cstdio>
#include <cstring>
#include <utility>

#include "tests/client/reports/test_database.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) {
    TDatabase D;
    D.LoadFromBytes(ReadFileBytes(argv[2]));
    for (int i = 0; i < D.Count(); ++i) {
      const ItemRecord& R = std::as_const(D).Record(i);
      std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", R.Code.c_str(), R.Name.c_str(), R.Details[7].c_str(),
                  R.Details[6].c_str(), R.Others[5].c_str(), R.Details[8].c_str(), R.Details[9].c_str(),
                  R.Others[1].c_str());
    }
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_report_database FILE TODAY | --dump FILE\n");
    return 2;
  }
  const std::string Today = argv[2];
  TTestDatabase Made = MakeTestDatabaseWithConfig(24, 11);
  TDatabase D;
  D.LoadFromBytes(Made.Bytes);
  TConfiguration& C = D.Config;
  C.DetailNames[6] = "Desired Quantity";
  C.DetailKinds[6] = "desired quantity";
  C.DetailKinds[7] = "quantity";
  C.OtherNames[1] = "Service Date";
  C.OtherKinds[1] = "Reminder Date";
  for (int i = 0; i < D.Count(); ++i) {
    ItemRecord& R = D.Record(i);
    R.Details[7] = std::to_string(i % 7);                             // on hand
    R.Details[6] = i == 5 ? "many" : std::to_string(4 + (i * 5) % 9);  // wanted; one not a number
    R.Details[8] = std::to_string(10 + i * 3) + ".25";                // price paid
    R.Details[9] = std::to_string(100 + i * 7) + ".50";               // current value
    R.Others[5] = "40" + std::to_string(100000 + i * 17);
    R.Others[1] = i % 3 == 0 ? Today : i % 3 == 1 ? "12/31/2099" : "";
    R.Memos[2] = {"Addressee " + std::to_string(i), "Quay " + std::to_string(i), "Antwerp"};
    R.RichText = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Rich text of record " + std::to_string(i) +
                 "\\par\\b Bold line\\b0\\par}";
  }
  AtomicWriteFile(argv[1], D.SaveToBytes());
  return 0;
}
