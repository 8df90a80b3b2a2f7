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
#include "records/value_stream.h"
#include "tests/client/reports/test_database.h"
#include "tests/client/core/client_fixture.h"

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
