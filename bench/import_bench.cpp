// The record server's data import ("M") in-process: 10,000 rows of 8 mapped columns into a
// database of 20,000 records, the database file written to a temporary file as the real save does.
//
//   import_bench [RECORDS] [ROWS]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_scratch.h"
#include "server/data_import.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Cell(int Col, int Row, const std::string& Text) {
  std::string Out = std::to_string(Col);
  Out.append(",").append(std::to_string(Row)).append(",").append(Text).append("\r\n");
  return Out;
}

void Fill(TDatabase& D, int Records) {
  TRecordCodeGenerator Codes(3);
  D.Config.DetailKinds[0] = "Record Counter";
  for (int i = 0; i < Records; ++i) {
    ItemRecord& R = D.Record(D.NewRecord(Codes));
    R.Name = "Record " + std::to_string(i);
    for (std::size_t f = 1; f < 10; ++f) R.Details[f] = "Detail " + std::to_string(f) + " of " + std::to_string(i);
    for (std::size_t f = 0; f < 10; ++f) R.Descriptions[f] = "Category " + std::to_string((i + f) % 7);
    R.Memos[0] = {"Memo line one of record " + std::to_string(i), "Second line"};
  }
  for (int k = 0; k < 7; ++k) {
    TDescriptionNode Node;
    Node.Text = "Category " + std::to_string(k);
    D.Config.DescriptionTrees[0].Nodes.push_back(Node);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int Records = argc > 1 ? std::stoi(argv[1]) : 20000;
  const int Rows = argc > 2 ? std::stoi(argv[2]) : 10000;
  TDatabase Database;
  Fill(Database, Records);

  // Name, two descriptions (one with 500 distinct values), four details, one other.
  const int Cols = 8;
  const int ColumnCodes[Cols] = {210, 0, 10, 110, 120, 130, 140, 300};
  std::string Text = std::to_string(Cols + 1) + "," + std::to_string(Rows + 1) + "\r\n";
  for (int Col = 0; Col < Cols; ++Col) Text += Cell(Col, 0, "Column " + std::to_string(Col));
  for (int Row = 1; Row <= Rows; ++Row) {
    Text += Cell(0, Row, "Imported item " + std::to_string(Row));
    Text += Cell(1, Row, " Category " + std::to_string(Row % 500));
    Text += Cell(2, Row, Row % 2 ? "Red" : "Blue");
    for (int Col = 3; Col < 7; ++Col) Text += Cell(Col, Row, "value " + std::to_string(Row * Col));
    Text += Cell(7, Row, "Shelf " + std::to_string(Row % 40));
  }
  std::string Body;
  TValueWriter W(Body);
  W.WriteInteger(Cols);
  W.WriteInteger(Rows + 1);
  W.WriteChars(Text);
  for (int i = 0; i < ImportCodeCount; ++i) W.WriteInteger(i < Cols ? ColumnCodes[i] : 200);

  const qn_bench::TScratchFolder Scratch("import_bench");
  const std::filesystem::path File = Scratch / "import_bench.qnd";
  TMemoryRequest Request("M", Body);
  TQnStringGrid ResultGrid(nullptr);
  THandlerContext Context{Database, Request, ResultGrid, [&] { return Request.Body; }, [&] {
                            std::ofstream Out(File, std::ios::binary);
                            Database.WriteFile([&](std::string_view Piece) {
                              Out.write(Piece.data(), static_cast<std::streamsize>(Piece.size()));
                            });
                            if (!Out) throw EWriteError();
                          }};
  TRecordCodeGenerator Codes(11);
  const auto Start = Clock::now();
  ImportData(Context, Codes);
  const double Ms = std::chrono::duration<double, std::milli>(Clock::now() - Start).count();
  const auto FileSize = std::filesystem::file_size(File);

  std::printf("records before: %d, rows imported: %d, records after: %d\n", Records, Rows, Database.Count());
  std::printf("body: %.1f MB, database file: %.1f MB\n", Body.size() / 1e6, FileSize / 1e6);
  std::printf("import (\"M\") with the save: %.1f ms (target under 5000 ms)\n", Ms);
  std::printf("description 1 tree lines: %zu\n", Database.Config.DescriptionTrees[0].Nodes.size());
  return Request.Reply.find("Data has been imported.") == std::string::npos;
}
