// The record server at its dispatcher, in-process, on a generated database of 20,000 records
// (10 details, 10 descriptions, 3 memos, a 5-line grid 3 and 1 KB of rich text each): opening
// the database, "S" with the save to disk, "N" and "G" by code.
//
//   server_bench [FOLDER] [RECORDS]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/rtl/file_io.h"
#include "server/qnserver_form.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point From) {
  return std::chrono::duration<double, std::milli>(Clock::now() - From).count();
}

std::string Grid3Text() {
  std::string Text = "6,6\r\n";
  for (int Row = 1; Row <= 5; ++Row)
    for (int Col = 0; Col < 6; ++Col)
      Text += std::to_string(Col) + "," + std::to_string(Row) + ",cell " + std::to_string(Row * 10 + Col) + "\r\n";
  return Text;
}

std::string MakeDatabase(int Records) {
  TDatabase D;
  TRecordCodeGenerator Codes(1);
  D.Config.DetailNames[0] = "Number";
  const std::string Grid = Grid3Text();
  std::string Rich = "{\\rtf1\\ansi ";
  while (Rich.size() < 1023) Rich += "Lorem ipsum dolor sit amet. ";
  Rich.resize(1023);
  Rich += "}";
  for (int i = 0; i < Records; ++i) {
    ItemRecord& R = D.Record(D.NewRecord(Codes));
    R.Name = "Record " + std::to_string(i);
    for (int f = 0; f < 10; ++f) {
      R.Details[f] = "Detail value " + std::to_string(f) + " of " + std::to_string(i);
      R.Descriptions[f] = "Category " + std::to_string((i + f) % 7) + ":Long text";
    }
    for (int m = 0; m < 3; ++m) R.Memos[m] = {"Memo line one of record " + std::to_string(i), "Second line"};
    R.Grid3 = Grid;
    R.Grid3Rows = 6;
    R.RichText = Rich;
  }
  return D.SaveToBytes();
}

template <typename F>
double Best(int Rounds, F&& Work) {
  double BestMs = 1e30;
  for (int i = 0; i < Rounds; ++i) {
    const auto Start = Clock::now();
    Work();
    BestMs = std::min(BestMs, Ms(Start));
  }
  return BestMs;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path Folder =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::temp_directory_path() / ("qnserver_bench_" + std::to_string(::getpid()));
  const int Records = argc > 2 ? std::stoi(argv[2]) : 20000;
  std::filesystem::create_directories(Folder);
  const std::string Bytes = MakeDatabase(Records);
  AtomicWriteFile((Folder / "bench.qnd").string(), Bytes);
  std::printf("database: %d records, %.1f MB\n", Records, Bytes.size() / 1e6);

  auto Form = std::make_unique<TQNServerForm>(Folder.string());
  auto Request = [&](const std::string& UA, const std::string& Body = {}) {
    TMemoryRequest R(UA, Body);
    Form->ExecRequest(R);
    return R.Reply;
  };

  const double Load = Best(3, [&] {
    Form = std::make_unique<TQNServerForm>(Folder.string());
    Request("H:bench");
  });
  TDatabase& D = *Form->Database();
  const std::string Middle = D.Record(Records / 2).Code;
  const std::string Last = D.Record(Records - 1).Code;

  // "S" of a record whose name and rich text changed, with the whole file written and synced.
  std::string Body;
  {
    TValueWriter W(Body);
    TChangeMask Mask;
    Mask.Set(RecordMask::Name, 0);
    Mask.Set(RecordMask::RichText, 0);
    Mask.Set(RecordMask::Descriptions, 3);
    Mask.Write(W);
    ItemRecord R = D.Record(Records / 2);
    R.Name = "Changed";
    WriteItemRecord(W, R, TRecordForm::Stream);
  }
  std::string Reply;
  const double Save = Best(5, [&] { Reply = Request("S" + Middle + ":bench", Body); });
  if (Reply.rfind("<HTML>" + std::to_string(Records / 2) + "</HTML>", 0) != 0) {
    std::printf("save failed: %s\n", Reply.c_str());
    return 1;
  }
  const double Next = Best(50, [&] { Request("N" + Middle + ":bench"); });
  const double GoTo = Best(50, [&] { Request("G" + Last + ":bench"); });

  std::printf("load (open the database):  %8.1f ms   (target < 1000)\n", Load);
  std::printf("S with save and fsync:     %8.1f ms   (target < 300)\n", Save);
  std::printf("N:                         %8.3f ms   (target < 5)\n", Next);
  std::printf("G by code:                 %8.3f ms   (target < 5)\n", GoTo);
  Form.reset();
  if (argc <= 1) std::filesystem::remove_all(Folder);
  return 0;
}
