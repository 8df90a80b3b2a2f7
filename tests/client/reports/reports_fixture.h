// Doubles and data of the search and report tests: a generated database of several kinds of
// record in the shipped definition, the record server's dispatcher in-process over it with every
// request recorded, a record window over plain fields, and the host the windows call back into.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "client/reports/report_common.h"
#include "client/reports/search_list.h"
#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/file_io.h"
#include "server/database_store.h"
#include "server/value_stream.h"
#include "tests/client/core/client_fixture.h"

// The kinds of record of the test database, by index.
inline const char* const kCategories[] = {"Art:Paintings, prints and sculpture", "Books:Books and printed matter",
                                          "Coins:Coins and banknotes", "Stamps:Stamps and postal history"};
inline const char* const kCountries[] = {"France:France : Europe:Europe", "Canada:Canada : Americas:The Americas",
                                         "Germany:Germany : Europe:Europe"};

// The records of the test database, made alike in every test.
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

// A database file of Records records in the shipped definition.
inline std::string MakeTestDatabase(int Records, std::uint64_t Seed = 3) {
  TDatabase D;
  TRecordCodeGenerator Codes(Seed);
  const std::string Definition = ReadFileBytes((DefinitionFolder() / "General.set").string());
  TValueReader Reader(Definition);
  TChangeMask All;
  All.SetAll(true);
  MergeConfiguration(Reader, All, D.Config);
  D.Config.ItemNames[0] = "Driving";
  D.HeaderStrings[1] = "General.atr";
  for (int i = 0; i < Records; ++i) FillRecord(D.Record(D.NewRecord(Codes)), i);
  return D.SaveToBytes();
}

// The captions the test windows show: the configuration's names and the shipped page names.
inline TFieldCaptions TestCaptions(const TConfiguration& Config) {
  TFieldCaptions C = CaptionsFromConfiguration(Config);
  C.PageCaptions = {"Details", "Items", "Grid Three", "Grid Four", "Notes", "Text", "Pictures", ""};
  C.DetailMasks[2] = "!999;1;_";
  return C;
}

// The in-process server over a generated database "Test", a recording transport in front, a
// logged-in session, a record window over plain fields, and the host.
class ReportsTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    Root = TestFolder("reports");
    const fs::path Folder = Root / "Data" / "database";
    fs::create_directories(Folder);
    for (const char* Ext : {".set", ".atr"})
      fs::copy_file(DefinitionFolder() / (std::string("General") + Ext), Folder / (std::string("General") + Ext));
    AtomicWriteFile((Folder / "Test.qnd").string(), MakeTestDatabase(RecordCount()));
    Server = std::make_unique<TInProcessServer>(Folder);
    Recorder = std::make_unique<TRecordingTransport>(*Server);
    Session = std::make_unique<TServerSession>(*Recorder);
    Session->ServerURL = "http://127.0.0.1:6777/database/qnserver.exe";
    Session->DatabaseName = "Test";
    Session->ScratchFolder = (Root / "Work").string() + "/";
    Window = std::make_unique<TRecordWindow>(*Session, View);
    ASSERT_TRUE(Window->OpenDatabase(nullptr));
    Host.Session = Session.get();
    Host.Record = Window.get();
    Host.Captions = TestCaptions(Window->Buffers.Configuration);
    Recorder->Clear();
  }
  void TearDown() override {
    Window.reset();
    Session.reset();
    Recorder.reset();
    Server.reset();
    fs::remove_all(Root);
  }
  virtual int RecordCount() const { return 40; }
  // Every record code with its name, in the server's order.
  std::vector<std::pair<std::string, std::string>> AllRecords() {
    TQnStringGrid Request(nullptr);
    Request.SetColCount(2);
    Request.SetRowCount(2);
    Request.SetCells(0, 0, "Record ID");
    Request.SetCells(1, 0, "Name");
    Request.SetCells(0, 1, "220");
    Request.SetCells(1, 1, "230");
    TServerSession S(*Server);
    S.DatabaseName = "Test";
    TQnStringGrid Reply(nullptr);
    LoadGridStream(Reply, S.Post("3", GridStreamText(Request), false));
    std::vector<std::pair<std::string, std::string>> Out;
    for (int r = 1; r < Reply.RowCount(); ++r) Out.emplace_back(Reply.Cells(0, r), Reply.Cells(1, r));
    return Out;
  }

  fs::path Root;
  std::unique_ptr<TInProcessServer> Server;
  std::unique_ptr<TRecordingTransport> Recorder;
  std::unique_ptr<TServerSession> Session;
  TModelView View;
  std::unique_ptr<TRecordWindow> Window;
  TReportHost Host;
  TSearchList List;
};
