// The database file: a load of arbitrary bytes either succeeds or leaves the database unwritable;
// a database that loaded saves to bytes that load again, the same, with a record changed too.
#include "fuzz_support.h"
#include "server/database_store.h"

std::vector<std::string> FuzzSeeds() {
  TDatabase D;
  TRecordCodeGenerator Codes(3);
  D.Config.DetailNames[0] = "Number";
  D.Config.DetailKinds[0] = "Record Counter";
  D.Config.DescriptionNames[1] = "Colour";
  D.HeaderStrings[0] = "header";
  D.StringList = {"a", "b"};
  D.RecordCounter = "4";
  std::vector<std::string> Seeds{D.SaveToBytes()};
  for (int i = 0; i < 3; ++i) {
    ItemRecord& R = D.Record(D.NewRecord(Codes));
    R.Name = "Record " + std::to_string(i);
    R.Descriptions[1] = i % 2 ? "Red" : "Blue";
    R.Memos[0] = {"memo"};
    R.Grid4 = "1,1\r\n0,0,x\r\n";
  }
  D.RecomputeDistinctValues(1);
  Seeds.push_back(D.SaveToBytes());
  return Seeds;
}

QN_FUZZ_SEEDS_FROM_ARGUMENTS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TDatabase D;
  D.LoadFromBytes(std::string(fuzz::AsView(Data, Size)));
  if (D.Loaded() != D.Writable()) __builtin_trap();
  if (!D.Loaded()) {
    try {
      D.CheckWritable();
      __builtin_trap();  // a failed load must never be saved over the file
    } catch (const Exception&) {
    }
    return 0;
  }
  const std::string Saved = D.SaveToBytes();
  TDatabase Again;
  Again.LoadFromBytes(Saved);
  if (!Again.Loaded() || Again.Count() != D.Count() || Again.SaveToBytes() != Saved) __builtin_trap();
  if (Again.Count() > 0) {
    Again.Record(0).Name = "changed";
    TDatabase Third;
    Third.LoadFromBytes(Again.SaveToBytes());
    if (!Third.Loaded() || Third.Record(0).Name != "changed") __builtin_trap();
  }
  return 0;
}
