// Doubles of the client tests: a record view over plain fields (model_view.h), the real server dispatcher as an
// in-process transport over a database folder of its own, and a scratch folder per test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "client/core/record_window.h"
#include "tests/client/core/model_view.h"
#include "client/core/recording_transport.h"
#include "server/qnserver_form.h"
#include "server/server_request.h"
#include "tests/platform/headless/modal_script_check.h"
#include "tests/temp_path.h"

namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards.
inline fs::path TestFolder(const std::string& Tag) {
  const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
  fs::path P = fs::temp_directory_path() /
               ("qnclient_" + Tag + "_" + std::to_string(::getpid()) + "_" + Info->test_suite_name() +
                "_" + Info->name());
  fs::remove_all(P);
  fs::create_directories(P);
  return P;
}

// The shipped definitions, written by the build.
inline fs::path DefinitionFolder() { return fs::path(QN_BINARY_DIR) / "data"; }

// The record server's dispatcher answering in-process, over a database folder.
class TInProcessServer : public TServerTransport {
public:
  explicit TInProcessServer(const fs::path& Folder) : Form(Folder.string()) {
    Form.SeedRecordCodes(7);
    Form.ESStaffFirstExecRequest(nullptr);
  }
  std::string Send(const TClientRequest& Request) override {
    TMemoryRequest M(Request.UserAgent, Request.Body);
    const auto Q = Request.URL.find('?');
    if (Q != std::string::npos) {
      const std::string Query = Request.URL.substr(Q + 1);
      std::size_t At = 0;
      while (At <= Query.size()) {
        std::size_t End = Query.find('&', At);
        if (End == std::string::npos) End = Query.size();
        const std::string Pair = Query.substr(At, End - At);
        const auto Eq = Pair.find('=');
        if (Eq != std::string::npos)
          M.Fields[URLDecodeValue(Pair.substr(0, Eq))] = URLDecodeValue(Pair.substr(Eq + 1));
        At = End + 1;
      }
    }
    Form.ExecRequest(M);
    return M.Reply;
  }
  TQNServerForm Form;
};

// A database folder with the shipped definition, served in-process, with a recording transport
// in front and a logged-in session.
struct TServedDatabase {
  explicit TServedDatabase(const fs::path& Root, const std::string& Name = "Demo")
      : Folder(Root / "Data" / "database"), Server((fs::create_directories(Folder), Folder)),
        Recorder(Server), Session(Recorder) {
    for (const char* Ext : {".set", ".atr"})
      fs::copy_file(DefinitionFolder() / (std::string("General") + Ext),
                    Folder / (std::string("General") + Ext), fs::copy_options::overwrite_existing);
    Session.ServerURL = "http://127.0.0.1:6777/database/qnserver.exe";
    Session.ScratchFolder = (Root / "Work").string() + "/";
    // Create the database the way the login window does.
    TClientRequest R;
    R.UserAgent = "CreateDB:" + Name + ";General";
    R.URL = Session.ServerURL + "?Author=T&Name=" + Name;
    Server.Send(R);
    Session.DatabaseName = Name;
  }
  fs::path Folder;
  TInProcessServer Server;
  TRecordingTransport Recorder;
  TServerSession Session;
};
