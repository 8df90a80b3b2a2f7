// The server program below the local web server (bin/hmserv), on loopback: one request at a time
// end to end, and 100 clients in parallel; beside a path the web server refuses by itself and a
// CGI program that does nothing (/bin/true), from the same run.
//
//   handover_bench [SECONDS]
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_timing.h"

namespace fs = std::filesystem;

namespace {

using namespace qn_bench;

int FreePort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) != 0) {
    ::close(s);
    return -1;
  }
  ::close(s);
  return ntohs(a.sin_port);
}

// One HTTP/1.0 request; the status code, or -1 when the connection failed.
int Get(int Port, const std::string& Path, const std::string& UserAgent, std::string* Body = nullptr) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(Port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(s);
    return -1;
  }
  const std::string Request = "GET " + Path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent: " +
                              UserAgent + "\r\n\r\n";
  if (::send(s, Request.data(), Request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(Request.size())) {
    ::close(s);
    return -1;
  }
  std::string Reply;
  char Buffer[65536];
  for (;;) {
    ssize_t Got = ::recv(s, Buffer, sizeof Buffer, 0);
    if (Got <= 0) break;
    Reply.append(Buffer, static_cast<size_t>(Got));
  }
  ::close(s);
  if (Reply.rfind("HTTP/", 0) != 0 || Reply.size() < 12) return -1;
  if (Body) {
    const size_t End = Reply.find("\r\n\r\n");
    *Body = End == std::string::npos ? std::string() : Reply.substr(End + 4);
  }
  return std::atoi(Reply.c_str() + 9);
}

std::vector<int> ResidentPids(const std::string& Program) {
  std::vector<int> Pids;
  DIR* D = ::opendir("/proc");
  if (!D) return Pids;
  while (dirent* E = ::readdir(D)) {
    if (!std::isdigit(static_cast<unsigned char>(E->d_name[0]))) continue;
    std::ifstream In(std::string("/proc/") + E->d_name + "/cmdline", std::ios::binary);
    std::string Args((std::istreambuf_iterator<char>(In)), {});
    if (Args == Program + '\0' + "START_SERVER" + '\0') Pids.push_back(std::atoi(E->d_name));
  }
  ::closedir(D);
  return Pids;
}

// A data folder with the server program (or another in its place) below bin/hmserv.
class TStack {
public:
  TStack(const fs::path& Root, const fs::path& Program, const fs::path& Definitions) : FRoot(Root) {
    fs::remove_all(Root);
    FFolder = Root / "Data" / "database";
    fs::create_directories(FFolder);
    FProgram = (FFolder / "qnserver.exe").string();
    fs::copy_file(Program, FProgram);
    for (const char* Name : {"General.set", "General.atr"})
      if (fs::exists(Definitions / Name)) fs::copy_file(Definitions / Name, FFolder / Name);
    Port = FreePort();
    const std::string Hmserv = (fs::path(QN_BENCH_SOURCE).parent_path().parent_path() / "bin" / "hmserv").string();
    FWeb = ::fork();
    if (FWeb == 0) {
      ::setenv("XDG_RUNTIME_DIR", Root.c_str(), 1);
      const int Null = ::open("/dev/null", O_RDWR);
      ::dup2(Null, 1);
      ::dup2(Null, 2);
      ::execl("/bin/sh", "sh", Hmserv.c_str(), (Root / "Data").c_str(), std::to_string(Port).c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 200 && Get(Port, "/", "probe") < 0; ++i) ::usleep(20000);
  }
  ~TStack() {
    // Emptying the hand-over folder ends the resident; what remains goes by its id.
    std::error_code Ignored;
    for (const auto& E : fs::directory_iterator(FFolder / "Temp", Ignored)) fs::remove(E.path(), Ignored);
    if (FWeb > 0) {
      ::kill(FWeb, SIGTERM);
      ::waitpid(FWeb, nullptr, 0);
    }
    for (int i = 0; i < 30 && !ResidentPids(FProgram).empty(); ++i) ::usleep(100000);
    for (int Pid : ResidentPids(FProgram)) ::kill(Pid, SIGKILL);
    fs::remove_all(FRoot, Ignored);
  }
  int Port = -1;

private:
  fs::path FRoot, FFolder;
  std::string FProgram;
  pid_t FWeb = -1;
};

struct TFigures {
  double Median = 0, P99 = 0;
  int Failed = 0;
};

// Count requests one after another; Expect 0 takes any status.
TFigures Sequential(int Port, const std::string& Path, const std::string& UserAgent, int Count,
                    int Expect) {
  std::vector<double> Times;
  TFigures F;
  for (int i = 0; i < Count; ++i) {
    const auto Start = Clock::now();
    const int Status = Get(Port, Path, UserAgent);
    if (Status < 0 || (Expect != 0 && Status != Expect)) ++F.Failed;
    Times.push_back(MsSince(Start));
  }
  F.Median = Percentile(Times, 0.5);
  F.P99 = Percentile(Times, 0.99);
  return F;
}

}  // namespace

int main(int argc, char** argv) {
  const double Seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  const fs::path Build = fs::canonical("/proc/self/exe").parent_path().parent_path();
  const fs::path Program = Build / "server" / "qnserver.exe";
  const fs::path Root = fs::temp_directory_path() / ("qn_handover_bench_" + std::to_string(::getpid()));
  const std::string Url = "/database/qnserver.exe";

  TFigures Refused, Trivial, One;
  double Rate = 0, P50 = 0, P99 = 0;
  int Failed = 0, Done = 0;
  {
    TStack Stack(Root / "true", "/bin/true", Build / "data");
    Sequential(Stack.Port, Url, "F:bench", 20, 0);
    Trivial = Sequential(Stack.Port, Url, "F:bench", 200, 0);
    Refused = Sequential(Stack.Port, "/database/bench.qnd", "F:bench", 200, 403);
  }
  {
    TStack Stack(Root / "server", Program, Build / "data");
    std::string Body;
    Get(Stack.Port, Url + "?Name=bench&FileCode=Fbench", "CreateDB:bench;General", &Body);
    if (Body.find("database created") == std::string::npos) {
      std::printf("cannot create the database: %s\n", Body.c_str());
      return 1;
    }
    Sequential(Stack.Port, Url, "F:bench", 20, 200);
    One = Sequential(Stack.Port, Url, "F:bench", 300, 200);

    std::mutex Lock;
    std::vector<double> Times;
    std::atomic<int> Bad{0};
    const auto End = Clock::now() + std::chrono::duration<double>(Seconds);
    const auto Start = Clock::now();
    std::vector<std::thread> Clients;
    for (int c = 0; c < 100; ++c) {
      Clients.emplace_back([&] {
        std::vector<double> Mine;
        while (Clock::now() < End) {
          const auto T = Clock::now();
          std::string Body;
          const int Status = Get(Stack.Port, Url, "F:bench", &Body);
          if (Status != 200) {
            if (Bad++ < 3) std::fprintf(stderr, "failed: status %d after %.1f ms: %.200s\n", Status, MsSince(T), Body.c_str());
          }
          Mine.push_back(MsSince(T));
        }
        std::lock_guard<std::mutex> G(Lock);
        Times.insert(Times.end(), Mine.begin(), Mine.end());
      });
    }
    for (auto& T : Clients) T.join();
    const double Elapsed = MsSince(Start) / 1000.0;
    Done = static_cast<int>(Times.size());
    Rate = Done / Elapsed;
    P50 = Percentile(Times, 0.5);
    P99 = Percentile(Times, 0.99);
    Failed = Bad;
  }
  std::error_code Ignored;
  fs::remove_all(Root, Ignored);
  std::printf("one request end to end:    median %6.2f ms  p99 %6.2f ms   (target <= 3 / <= 10)\n",
              One.Median, One.P99);
  std::printf("  reference, same run: a path the web server refuses  median %6.2f ms; "
              "a CGI program that does nothing  median %6.2f ms  p99 %6.2f ms\n",
              Refused.Median, Trivial.Median, Trivial.P99);
  std::printf("100 parallel clients:      %6.0f requests/s  p50 %6.1f ms  p99 %6.1f ms  "
              "(%d requests, %d failed; target >= 500/s, p99 <= 100)\n",
              Rate, P50, P99, Done, Failed + One.Failed);
  return 0;
}
