// What the client benchmarks share: the real stack (bin/hmserv, the web server, the server
// program) installed in a scratch folder with a given database and started on a free loopback
// port, a database of the shipped definition, a session aimed at the stack, a record view that
// shows nothing, the hand-over round trip's times, and the headless backend they run on.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_scratch.h"
#include "bench/bench_timing.h"
#include "bench/sample_records.h"

#include "client/core/local_server.h"
#include "client/core/login_logic.h"
#include "client/core/server_requests.h"
#include "client/core/record_window.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/file_io.h"
#include "records/configuration.h"
#include "server/database_store.h"
#include "records/value_stream.h"
#include "tests/client/core/model_view.h"
#include "tests/client/reports/stack_install.h"

// The headless backend with a poll loop as the current event loop: the benchmarks' windows,
// timers and posted messages run without a display.
class THeadlessRun {
public:
  THeadlessRun() {
    InstallHeadlessBackend();
    SetCurrentEventLoop(&FLoop);
  }

private:
  TPollEventLoop FLoop{false};
};

// The shipped record definition ("General.set") of the build.
inline std::string ShippedDefinition() {
  return ReadFileBytes((std::filesystem::path(QN_BINARY_DIR) / "data" / "General.set").string());
}

// The bytes of a database of the shipped definition with Records records, each filled by
// Fill(Record, i); record codes start from CodeSeed.
template <class F>
std::string ShippedDatabase(int Records, F&& Fill, int CodeSeed = 1) {
  TDatabase D;
  TRecordCodeGenerator Codes(CodeSeed);
  const std::string Definition = ShippedDefinition();
  TValueReader R(Definition);
  TChangeMask All;
  All.SetAll(true);
  MergeConfiguration(R, All, D.Config);
  D.HeaderStrings[1] = "General.atr";
  for (int i = 0; i < Records; ++i) Fill(D.Record(D.NewRecord(Codes)), i);
  return D.SaveToBytes();
}

// A database of the shipped definition with Records records of about 5 KB each: details,
// descriptions, memos, a grid of five lines and 1 KB of rich text (bench/sample_records.h).
inline std::string FilledShippedDatabase(int Records) {
  const qn_bench::TSampleRecords Sample;
  return ShippedDatabase(Records, [&](ItemRecord& Rec, int i) { Sample.Fill(Rec, i); });
}

class TBenchStack {
public:
  // Installs the stack in a folder of its own under the temp folder with the database "Bench" of
  // the given bytes (none for no bytes: the benchmark creates it).
  TBenchStack(const std::string& Program, const std::string& DatabaseBytes)
      : FProgram(Program),
        FScratch("qn_" + Program),
        Root(FScratch.Path()),
        Folder(Root.string() + "/"),
        Port(FreeLoopbackPort()) {
    InstallStack(Root, DatabaseBytes.empty() ? "" : "Bench", DatabaseBytes);
  }
  ~TBenchStack() { Server.Stop(); }
  TBenchStack(const TBenchStack&) = delete;
  TBenchStack& operator=(const TBenchStack&) = delete;

  // Starts the web server and waits until the port answers; says so on stderr when it doesn't.
  bool Start() {
    if (Server.Start(Folder, Port) && TLocalServer::WaitUntilAnswering(Port, 10000)) return true;
    std::fprintf(stderr, "%s: the web server did not start\n", FProgram.c_str());
    return false;
  }

  // Puts Program (another build's server program, or the do-nothing CGI program) in the place
  // of the installed server program; its path there.
  std::filesystem::path InstallProgram(const std::filesystem::path& Program) {
    std::filesystem::copy_file(Program, InstalledProgram(), std::filesystem::copy_options::overwrite_existing);
    return InstalledProgram();
  }
  // The server program (or what stands in its place) that the web server starts.
  std::filesystem::path InstalledProgram() const { return Root / "Data" / "database" / "qnserver.exe"; }

  void Aim(TServerSession& Session) const {
    Session.ServerURL = TLocalServer::ServerURL(Port);
    Session.ScratchFolder = Folder + "Work/";
  }

private:
  std::string FProgram;
  qn_bench::TScratchFolder FScratch;

public:
  const std::filesystem::path Root;
  const std::string Folder;
  const int Port;
  TLocalServer Server;
};

// One HTTP/1.0 GET with the User-Agent; the status code (-1 when the connection failed) and the body.
inline int HttpGet(int Port, const std::string& Path, const std::string& UserAgent, std::string& Body) {
  Body.clear();
  const int S = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (S < 0) return -1;
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_port = htons(static_cast<uint16_t>(Port));
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const std::string Request =
      "GET " + Path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent: " + UserAgent + "\r\n\r\n";
  if (::connect(S, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0 ||
      ::send(S, Request.data(), Request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(Request.size())) {
    ::close(S);
    return -1;
  }
  std::string Reply;
  char Buffer[65536];
  for (ssize_t Got; (Got = ::recv(S, Buffer, sizeof Buffer, 0)) > 0;) Reply.append(Buffer, static_cast<size_t>(Got));
  ::close(S);
  const size_t End = Reply.find("\r\n\r\n");
  if (Reply.rfind("HTTP/", 0) != 0 || Reply.size() < 12 || End == std::string::npos) return -1;
  Body = Reply.substr(End + 4);
  return std::atoi(Reply.c_str() + 9);
}

// A record view that shows and keeps nothing.
class TNullRecordView : public TRecordView {
public:
  void ShowRecord(const ItemRecord&, const std::array<std::string, 10>&) override {}
  void ReadRecord(ItemRecord&) override {}
  bool ReadOnlyChecked() override { return false; }
  void ShowConfiguration(const TConfiguration&) override {}
  void ShowDescription(int, const std::string&) override {}
  void SetMemo(int, const std::vector<std::string>&) override {}
  void EnableForm(bool) override {}
  void SetInsertEnabled(bool, bool) override {}
};

// A client logged in to the stack's database "Bench" with its first record loaded: the HTTP
// client, the session and the record window over a view (one that shows nothing by default).
template <class TView = TNullRecordView>
class TBenchClient {
public:
  explicit TBenchClient(const TBenchStack& Stack) : Transport(Web), Session(Transport), Window(Session, View), Login(Session) {
    Web.SetTimeOut(300);
    Stack.Aim(Session);
  }
  // False (said on stderr) when the login or the first record fails.
  bool Open(const char* Program) {
    if (Login.Login("Bench") == 1 && Window.OpenDatabase(nullptr)) return true;
    std::fprintf(stderr, "%s: the login failed\n", Program);
    return false;
  }
  TNetHTTPClient Web;
  THttpTransport Transport;
  TServerSession Session;
  TView View;
  TRecordWindow Window;
  TLoginLogic Login;
};

// The times of Rounds hand-over round trips (handshakes), in milliseconds.
inline std::vector<double> HandshakeTimes(TLoginLogic& Login, int Rounds) {
  std::vector<double> Times;
  for (int i = 0; i < Rounds; ++i) Times.push_back(qn_bench::TimeMs([&] { Login.Handshake("Bench"); }));
  return Times;
}
