#include "client/core/local_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

#include "platform/rtl/file_io.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"

namespace {

// The web servers this process started and has not stopped. An exit that leaves the windows
// standing (the display went away under the running program) still ends them, and so the
// resident server instance behind them.
std::set<TLocalServer*>& Started() {
  static auto* Servers = new std::set<TLocalServer*>;
  return *Servers;
}

void StopStartedServers() {
  const std::vector<TLocalServer*> Servers(Started().begin(), Started().end());
  for (TLocalServer* Server : Servers) Server->Stop();
}

}  // namespace

TLocalServer::TLocalServer() = default;
TLocalServer::~TLocalServer() { Started().erase(this); }

int TLocalServer::PortFromEnvironment() {
  const std::string Text = GetEnvironmentVariable("QN_PORT");
  if (Text.empty() || Text.size() > 5 || Text.find_first_not_of("0123456789") != std::string::npos)
    return 6777;
  const int Port = std::atoi(Text.c_str());
  return Port >= 1 && Port <= 65535 ? Port : 6777;
}

std::string TLocalServer::ServerURL(int Port) {
  return "http://127.0.0.1:" + std::to_string(Port) + "/database/qnserver.exe";
}

std::string TLocalServer::LoginAddress(const std::string& Remembered, const std::string& LocalURL) {
  const std::size_t Scheme = Remembered.find("://");
  const std::size_t Start = Scheme == std::string::npos ? 0 : Scheme + 3;
  std::string Host = Remembered.substr(Start, Remembered.find('/', Start) - Start);
  if (!Host.empty() && Host.front() == '[') Host = Host.substr(1, Host.find(']') - 1);  // [::1]:6777
  else Host = Host.substr(0, Host.find(':'));
  for (char& C : Host) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  const bool Loopback = Host == "localhost" || Host == "::1" || Host.rfind("127.", 0) == 0;
  return Host.empty() || Loopback ? LocalURL : Remembered;
}

static std::string DatabaseFolder(const std::string& ProgramFolder) {
  return ProgramFolder + "Data/database/";
}

std::vector<std::string> TLocalServer::HandOverFolders(const std::string& ProgramFolder) {
  std::vector<std::string> Folders;
  for (const std::string& Path : FindFiles(DatabaseFolder(ProgramFolder) + "temp", faDirectory)) {
    if (DirectoryExists(Path)) Folders.push_back(Path);
  }
  return Folders;
}

int TLocalServer::EmptyHandOverFolders(const std::string& ProgramFolder) {
  int Deleted = 0;
  for (const std::string& Folder : HandOverFolders(ProgramFolder)) {
    for (const std::string& File : FindFiles(Folder + "/*")) {
      struct stat St {};
      if (::lstat(File.c_str(), &St) == 0 && S_ISREG(St.st_mode) && DeleteFile(File)) ++Deleted;
    }
  }
  return Deleted;
}

int TLocalServer::ServerProgramInstances(const std::string& ProgramFolder) {
  const std::string Program = DatabaseFolder(ProgramFolder) + "qnserver.exe";
  const std::string Prefix = Program + std::string(1, '\0');
  int Count = 0;
  for (const std::string& Entry : FindFiles("/proc/*", faDirectory)) {
    const std::string Pid = Entry.substr(Entry.rfind('/') + 1);
    if (Pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string Cmd;
    try {
      Cmd = ReadFileBytes(Entry + "/cmdline");
    } catch (const std::exception&) {
      continue;  // ended meanwhile
    }
    if (Cmd.rfind(Prefix, 0) == 0) ++Count;
  }
  return Count;
}

bool TLocalServer::WaitForServerProgramEnd(const std::string& ProgramFolder, int TimeoutMs) {
  for (int Waited = 0;; Waited += 50) {
    if (ServerProgramInstances(ProgramFolder) == 0) return true;
    if (Waited >= TimeoutMs) return false;
    Sleep(50);
  }
}

bool TLocalServer::Start(const std::string& ProgramFolder, int Port) {
  Stop();
  FFolder = ProgramFolder;
  FPort = Port;
  // The hand-over folder as the server program names it, unless one of another case is there.
  // Its files carry every client's requests and replies: the folder is this user's alone,
  // whatever the umask (the server refuses or mends one that is not).
  if (HandOverFolders(ProgramFolder).empty() && ForceDirectories(DatabaseFolder(ProgramFolder)))
    CreateDir(DatabaseFolder(ProgramFolder) + "Temp", 0700);
  return Launch();
}

bool TLocalServer::Launch() {
  FProcess = StartProcess(FFolder + "bin/hmserv", {FFolder + "Data", std::to_string(FPort)});
  if (!FProcess) return false;
  static const bool AtExit = std::atexit(StopStartedServers) == 0;
  (void)AtExit;
  Started().insert(this);
  FOwned = true;
  FWaitedFor = false;
  return true;
}

bool TLocalServer::LocalURL(const std::string& URL, int Port) {
  const std::string Lower = LowerCase(URL);
  for (const char* Host : {"http://127.0.0.1:", "http://localhost:"}) {
    const std::string Prefix = Host + std::to_string(Port);
    if (Lower.rfind(Prefix, 0) == 0 && (Lower.size() == Prefix.size() || Lower[Prefix.size()] == '/'))
      return true;
  }
  return false;
}

namespace {
// How long the first request waits for a web server that runs but does not listen yet.
constexpr int kFirstRequestWaitMs = 5000;
}  // namespace

bool TLocalServer::Revive(const std::string& URL, int TimeoutMs) {
  if (!FOwned || !LocalURL(URL, FPort)) return false;
  if (Running()) {
    // Started moments ago (Login pressed as soon as the window shows): the first request waits
    // until it listens; the later ones go at once.
    if (!FWaitedFor) {
      FWaitedFor = true;
      WaitWhileRunning(std::min(TimeoutMs, kFirstRequestWaitMs));
    }
    return false;
  }
  if (Answers(FPort)) return false;
  // The hand-over files stay: the resident instance may still serve another client.
  if (!Launch()) return false;
  FWaitedFor = true;
  return WaitWhileRunning(TimeoutMs);
}

bool TLocalServer::WaitWhileRunning(int TimeoutMs) {
  // A web server that cannot start (its program missing, the port taken meanwhile) ends: the
  // request then fails at once rather than after the whole wait.
  for (int Waited = 0;; Waited += 5) {
    if (Answers(FPort)) return true;
    if (Waited >= TimeoutMs || !Running()) return false;
    Sleep(5);
  }
}

bool TLocalServer::Answers(int Port) {
  const int Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (Fd < 0) return false;
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_port = htons(static_cast<std::uint16_t>(Port));
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool Ok = ::connect(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A) == 0;
  ::close(Fd);
  return Ok;
}

bool TLocalServer::WaitUntilAnswering(int Port, int TimeoutMs) {
  for (int Waited = 0;; Waited += 5) {
    if (Answers(Port)) return true;
    if (Waited >= TimeoutMs) return false;
    Sleep(5);
  }
}

bool TLocalServer::Running() const { return FProcess && FProcess->Running(); }

void TLocalServer::Stop() {
  Started().erase(this);
  FOwned = false;
  if (FProcess) {
    TerminateProcess(*FProcess, 0);
    FProcess.reset();
  }
  if (!FFolder.empty()) EmptyHandOverFolders(FFolder);
}
