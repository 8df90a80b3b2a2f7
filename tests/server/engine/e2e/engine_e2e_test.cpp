// The echo program as the server program below the real web server, driven by curl.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cctype>
#include <sstream>
#include <set>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>
#include "tests/temp_path.h"
#include "platform/sys/files.h"
#include "server/engine/cgi_handover.h"

namespace {

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);
  return ntohs(addr.sin_port);
}

bool PortAnswers(int Port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(Port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

// Runs a program with arguments, standard input from a file, environment as given; waits at
// most TimeoutMs and returns its standard output.  *Status: its wait status; its standard error
// goes to Scratch + ".err".
std::string RunProgram(const std::vector<std::string>& Args, const std::vector<std::string>& Env,
                       const std::string& Input, const std::string& Scratch, int TimeoutMs = 20000,
                       int* Status = nullptr) {
  const std::string in = Scratch + ".in", out = Scratch + ".out", err = Scratch + ".err";
  WriteWholeFile(in, Input);
  pid_t pid = fork();
  if (pid == 0) {
    int i = open(in.c_str(), O_RDONLY), o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(i, 0);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv, envp;
    for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : Env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; waited += 10) {
    if (waited > TimeoutMs) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "timed out: " << Args[0];
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (Status) *Status = status;
  return ReadWholeFile(out);
}

// Another process that holds a file's exclusive lock (the queue's, as a CGI process or the
// resident takes it) until Release.
class TLockHolder {
public:
  explicit TLockHolder(const std::string& File) {
    int held[2], release[2];
    if (pipe(held) != 0 || pipe(release) != 0) return;
    FPid = fork();
    if (FPid == 0) {
      close(held[0]);
      close(release[1]);
      const int fd = open(File.c_str(), O_RDWR | O_CLOEXEC);
      const char done = fd >= 0 && flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
      (void)!write(held[1], &done, 1);
      char byte;
      (void)!read(release[0], &byte, 1);  // until the pipe's end
      _exit(0);
    }
    close(held[1]);
    close(release[0]);
    FRelease = release[1];
    char done = 'n';
    FHeld = read(held[0], &done, 1) == 1 && done == 'y';
    close(held[0]);
  }
  ~TLockHolder() { Release(); }
  bool Held() const { return FHeld; }
  void Release() {
    if (FRelease >= 0) close(FRelease);
    FRelease = -1;
    if (FPid > 0) waitpid(FPid, nullptr, 0);
    FPid = -1;
  }

private:
  pid_t FPid = -1;
  int FRelease = -1;
  bool FHeld = false;
};

class EngineEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = TempPath("engine_e2e_XXXXXX");
    Root = mkdtemp(pattern.data());
    Database = Root + "/Data/database";
    mkdir((Root + "/Data").c_str(), 0755);
    mkdir(Database.c_str(), 0755);
    Program = Database + "/qnserver.exe";
    WriteWholeFile(Program, ReadWholeFile(ENGINE_ECHO_PATH));
    chmod(Program.c_str(), 0755);
    Port = FreePort();
    Server = fork();
    if (Server == 0) {
      setpgid(0, 0);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execl("/bin/sh", "sh", HMSERV_PATH, (Root + "/Data").c_str(), std::to_string(Port).c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 100 && !PortAnswers(Port); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(PortAnswers(Port)) << "the web server did not start";
  }

  void TearDown() override {
    if (Server > 0) {
      kill(Server, SIGTERM);
      int status = 0;
      waitpid(Server, &status, 0);
    }
    for (pid_t pid : Residents()) kill(pid, SIGKILL);
    std::string command = "rm -rf '" + Root + "'";
    (void)system(command.c_str());
  }

  std::string Url(const std::string& Query = "") const {
    return "http://127.0.0.1:" + std::to_string(Port) + "/database/qnserver.exe" +
           (Query.empty() ? "" : "?" + Query);
  }

  struct TReply {
    std::string Headers;
    std::string Body;
  };

  // One curl request; Extra are further curl arguments.
  TReply Curl(const std::string& Agent, const std::string& Query, std::vector<std::string> Extra = {},
              const std::string& Tag = "c") {
    const std::string scratch = Root + "/curl_" + Tag;
    std::vector<std::string> args = {"/usr/bin/curl", "-s",         "--max-time", "60", "-A", Agent,
                                     "-D",            scratch + ".h", "-o",        scratch + ".b"};
    args.insert(args.end(), Extra.begin(), Extra.end());
    args.push_back(Url(Query));
    RunProgram(args, {"PATH=/usr/bin:/bin"}, "", scratch, 70000);
    return {ReadWholeFile(scratch + ".h"), ReadWholeFile(scratch + ".b")};
  }

  // The CGI output of the server program run directly, as the web server would run it.
  std::string RunCgi(const std::string& Agent, const std::string& Query) {
    return RunProgram({Program},
                      {"SERVER_SOFTWARE=test", "GATEWAY_INTERFACE=CGI/1.1", "REQUEST_METHOD=GET",
                       "QUERY_STRING=" + Query, "HTTP_USER_AGENT=" + Agent, "CONTENT_LENGTH=0"},
                      "", Root + "/cgi");
  }

  std::vector<pid_t> Residents() const {
    std::vector<pid_t> pids;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
      pid_t pid = atoi(entry->d_name);
      if (pid <= 0) continue;
      std::string cmdline = ReadWholeFile("/proc/" + std::string(entry->d_name) + "/cmdline");
      if (cmdline == Program + std::string("\0START_SERVER\0", 14)) pids.push_back(pid);
    }
    if (proc) closedir(proc);
    return pids;
  }

  bool WaitFor(const std::function<bool()>& Condition, int TimeoutMs) {
    for (int waited = 0; waited <= TimeoutMs; waited += 10) {
      if (Condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  static long HeaderLength(const std::string& Headers) {
    size_t at = Headers.find("Content-Length: ");
    return at == std::string::npos ? -1 : std::stol(Headers.substr(at + 16));
  }

  std::string QueueFile() const { return Database + "/Temp/qnserver.exe_S"; }
  // A record of the queue has the status byte (0 waiting, 1 taken).
  bool QueueHolds(char Status) const {
    const std::string queue = ReadWholeFile(QueueFile());
    for (size_t at = 0; at + 268 <= queue.size(); at += 268)
      if (queue[at] == Status && queue[at + 12] != '\0') return true;
    return false;
  }
  // A first request, which leaves the resident running; its pid.
  pid_t Warm() {
    EXPECT_EQ(Curl("one", "id=1").Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");
    const std::vector<pid_t> residents = Residents();
    EXPECT_EQ(residents.size(), 1u);
    // Its record leaves the queue with the resident's next look at it.
    EXPECT_TRUE(WaitFor([this] { return FileSize(QueueFile()) == 0; }, 5000));
    return residents.empty() ? -1 : residents[0];
  }
  // The echo program's "hold" request answers once this is called.
  void ReleaseHeld() { WriteWholeFile(Database + "/release", ""); }
  std::string Log() const { return ReadWholeFile(Database + "/Log/qnserver.Log"); }

  std::string Root, Database, Program;
  int Port = 0;
  pid_t Server = -1;
};

TEST_F(EngineEndToEnd, GetReachesTheHandler) {
  TReply reply = Curl("hello agent", "id=7&x=%00%0D%0A%FF");
  EXPECT_NE(reply.Headers.find("HTTP/1.1 200 OK\r\n"), std::string::npos) << reply.Headers;
  EXPECT_NE(reply.Headers.find("content-type: application/octet-stream"), std::string::npos)
      << reply.Headers;
  EXPECT_EQ(reply.Body, "\r\nUA=hello agent\r\nID=7\r\nLEN=0\r\n");
  EXPECT_EQ(HeaderLength(reply.Headers), static_cast<long>(reply.Body.size()));
  // The query reaches the handler as the client sent it.
  EXPECT_EQ(Curl("query", "id=a+b%26c&x=%00%0d%0A%ff").Body,
            "\r\nUA=query\r\nID=a b&c\r\nQ=id=a+b%26c&x=%00%0d%0A%ff\r\nLEN=0\r\n");
}

TEST_F(EngineEndToEnd, PostedBinaryBodyArrivesByteForByte) {
  std::string body;
  for (int i = 0; i < (1 << 20); ++i) body += static_cast<char>((i * 131u) % 256u);
  body += std::string(3, '\0');
  WriteWholeFile(Root + "/body.bin", body);
  TReply reply = Curl("post", "", {"--data-binary", "@" + Root + "/body.bin", "-H",
                                   "Content-Type: application/octet-stream"});
  const std::string head = "\r\nUA=post\r\nID=\r\nLEN=" + std::to_string(body.size()) + "\r\n";
  ASSERT_EQ(reply.Body.substr(0, head.size()), head);
  EXPECT_TRUE(reply.Body.substr(head.size()) == body);
  EXPECT_EQ(HeaderLength(reply.Headers), static_cast<long>(reply.Body.size()));
}

TEST_F(EngineEndToEnd, CopiedReplyCarriesTheBodyLengthOnlyWhenItsHeaderIsNear) {
  EXPECT_EQ(RunCgi("small", "id=5"),
            "HTTP/1.1 200 OK\r\ncontent-type:application/octet-stream\r\nContent-Length: 25\r\n\r\n"
            "\r\nUA=small\r\nID=5\r\nLEN=0\r\n");
  const std::string big = RunCgi("big", "");
  EXPECT_EQ(big, "HTTP/1.1 200 OK\r\nX-Pad:" + std::string(1100, 'x') +
                     "\r\ncontent-type:application/octet-stream\r\n\r\n\r\nUA=big\r\nID=\r\nLEN=0\r\n");
  TReply viaServer = Curl("big", "");
  EXPECT_EQ(viaServer.Body, "\r\nUA=big\r\nID=\r\nLEN=0\r\n");
}

TEST_F(EngineEndToEnd, ThirtyParallelRequestsShareOneResident) {
  std::vector<TReply> replies(30);
  std::vector<std::thread> clients;
  for (int i = 0; i < 30; ++i)
    clients.emplace_back([this, i, &replies] {
      replies[i] = Curl("par", "id=" + std::to_string(i), {}, "p" + std::to_string(i));
    });
  for (std::thread& client : clients) client.join();
  for (int i = 0; i < 30; ++i)
    EXPECT_EQ(replies[i].Body, "\r\nUA=par\r\nID=" + std::to_string(i) + "\r\nLEN=0\r\n") << i;
  const std::vector<pid_t> residents = Residents();
  ASSERT_EQ(residents.size(), 1u);
  // Every caller's line was rung and let go: the resident keeps its token's and its doorbell
  // desk's sockets only.
  auto sockets = [&] {
    int count = 0;
    const std::string fds = "/proc/" + std::to_string(residents[0]) + "/fd";
    DIR* dir = opendir(fds.c_str());
    while (dirent* entry = dir ? readdir(dir) : nullptr) {
      char target[64] = {};
      if (readlink((fds + "/" + entry->d_name).c_str(), target, sizeof target - 1) > 0)
        count += std::strncmp(target, "socket:", 7) == 0;
    }
    if (dir) closedir(dir);
    return count;
  };
  WaitFor([&] { return sockets() == 2; }, 2000);
  EXPECT_EQ(sockets(), 2);
  // The last served entries leave the queue with the resident's next look at it.
  struct stat info {};
  WaitFor([&] { return stat(QueueFile().c_str(), &info) == 0 && info.st_size == 0; }, 2000);
  ASSERT_EQ(stat(QueueFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0);
  DIR* temp = opendir((Database + "/Temp").c_str());
  int files = 0;
  while (dirent* entry = temp ? readdir(temp) : nullptr) files += std::strstr(entry->d_name, "_C_") != nullptr;
  if (temp) closedir(temp);
  EXPECT_EQ(files, 0) << "files of requests left behind";
}

TEST_F(EngineEndToEnd, RequestsQueueBehindASlowOne) {
  // A first request leaves the resident instance and its queue behind; the next ones queue.
  ASSERT_EQ(Curl("warm", "id=0").Body, "\r\nUA=warm\r\nID=0\r\nLEN=0\r\n");
  // The served entry has left the queue (with the resident's next look at it).
  ASSERT_TRUE(WaitFor([this] {
    struct stat info {};
    return Residents().size() == 1u && ::stat(QueueFile().c_str(), &info) == 0 && info.st_size == 0;
  }, 5000));
  TReply slow, fast;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  Clock::time_point fastDone;
  std::thread first([&] { slow = Curl("slow", "id=1", {}, "slow"); });
  // The fast one starts once the slow one is in the queue (its CGI process may start late).
  EXPECT_TRUE(WaitFor([this] {
    struct stat info {};
    return ::stat(QueueFile().c_str(), &info) == 0 && info.st_size >= 268;
  }, 5000));
  std::thread second([&] {
    fast = Curl("fast", "id=2", {}, "fast");
    fastDone = Clock::now();
  });
  first.join();
  second.join();
  EXPECT_EQ(slow.Body, "\r\nUA=slow\r\nID=1\r\nLEN=0\r\n");
  EXPECT_EQ(fast.Body, "\r\nUA=fast\r\nID=2\r\nLEN=0\r\n");
  // The slow request holds the resident for 1.5 s; the fast one is answered only after it.
  EXPECT_GE(fastDone - start, std::chrono::milliseconds(1400));
}

TEST_F(EngineEndToEnd, ResidentEndsWithItsQueueAndIsReplacedWhenKilled) {
  ASSERT_EQ(Curl("one", "id=1").Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");
  ASSERT_EQ(Residents().size(), 1u);
  ASSERT_EQ(unlink(QueueFile().c_str()), 0);
  EXPECT_TRUE(WaitFor([this] { return Residents().empty(); }, 500));

  ASSERT_EQ(Curl("two", "id=2").Body, "\r\nUA=two\r\nID=2\r\nLEN=0\r\n");
  std::vector<pid_t> before = Residents();
  ASSERT_EQ(before.size(), 1u);
  kill(before[0], SIGKILL);
  ASSERT_TRUE(WaitFor([this] { return Residents().empty(); }, 2000));
  EXPECT_EQ(Curl("three", "id=3").Body, "\r\nUA=three\r\nID=3\r\nLEN=0\r\n");
  std::vector<pid_t> after = Residents();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_NE(after[0], before[0]);
}

TEST_F(EngineEndToEnd, SecondResidentEndsAtOnce) {
  ASSERT_EQ(Curl("one", "id=1").Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");
  ASSERT_EQ(Residents().size(), 1u);
  const auto start = std::chrono::steady_clock::now();
  RunProgram({Program, "START_SERVER"}, {"SERVER_SOFTWARE=test"}, "", Root + "/second", 5000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(Residents().size(), 1u);
  EXPECT_EQ(Curl("two", "id=2").Body, "\r\nUA=two\r\nID=2\r\nLEN=0\r\n");
}

// The socket inodes of a process's descriptors.
std::set<std::string> SocketInodes(pid_t Pid) {
  std::set<std::string> inodes;
  const std::string folder = "/proc/" + std::to_string(Pid) + "/fd";
  DIR* fds = opendir(folder.c_str());
  while (dirent* entry = fds ? readdir(fds) : nullptr) {
    char target[128] = {};
    if (readlink((folder + "/" + entry->d_name).c_str(), target, sizeof target - 1) <= 0) continue;
    const std::string link = target;
    if (link.rfind("socket:[", 0) == 0) inodes.insert(link.substr(8, link.size() - 9));
  }
  if (fds) closedir(fds);
  return inodes;
}

// Binds an abstract socket name (without its leading NUL); the descriptor, or -1.
int BindAbstract(const std::string& Name, int Type) {
  const int fd = socket(AF_UNIX, Type, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path + 1, Name.data(), Name.size());
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + Name.size());
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), size) != 0 || (Type == SOCK_STREAM && listen(fd, 4) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string Fnv1aHex(const std::string& Text) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : Text) h = (h ^ c) * 0x100000001b3ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

// Another local user holds the machine-wide socket names that once stood for the resident's
// token and doorbell (names anyone could work out from the program's folder): requests are
// answered all the same, and the resident's own sockets are files in its folder, none of them in
// the machine-wide namespace.
TEST_F(EngineEndToEnd, NamesOutsideTheHandOverFolderChangeNothing) {
  std::string upperQueue = QueueFile();
  for (char& c : upperQueue) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const int token = BindAbstract("qn:" + Fnv1aHex(Database + std::string(1, '\0') + "qnserver.exe_S"), SOCK_STREAM);
  const int bell = BindAbstract("qnbell:" + Fnv1aHex(upperQueue), SOCK_DGRAM);
  ASSERT_GE(token, 0);
  ASSERT_GE(bell, 0);
  EXPECT_EQ(Curl("one", "id=1").Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");
  EXPECT_EQ(Curl("two", "id=2").Body, "\r\nUA=two\r\nID=2\r\nLEN=0\r\n");
  const std::vector<pid_t> residents = Residents();
  ASSERT_EQ(residents.size(), 1u);
  close(token);
  close(bell);

  const std::set<std::string> inodes = SocketInodes(residents[0]);
  EXPECT_FALSE(inodes.empty());
  std::istringstream table(ReadWholeFile("/proc/net/unix"));
  std::string line;
  int listed = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::vector<std::string> field;
    for (std::string f; fields >> f;) field.push_back(f);
    if (field.size() < 7 || !inodes.count(field[6])) continue;
    ++listed;
    EXPECT_FALSE(field.size() > 7 && field[7].rfind("@", 0) == 0) << "abstract socket " << field[7];
  }
  EXPECT_GE(listed, 2);  // the token and the doorbell, as files
  for (const char* name : {"/Temp/qnserver.exe_S_token", "/Temp/qnserver.exe_S_bell"}) {
    struct stat info {};
    EXPECT_TRUE(stat((Database + name).c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) << name;
  }
}

TEST_F(EngineEndToEnd, HandlerExceptionReachesTheLogOnly) {
  TReply reply = Curl("fail", "");
  EXPECT_EQ(reply.Body.find("boom"), std::string::npos);
  EXPECT_EQ(reply.Headers.find("boom"), std::string::npos);
  const std::string log = ReadWholeFile(Database + "/Log/qnserver.Log");
  EXPECT_NE(log.find(" : Unhandled exception : boom  forged line\r\n"), std::string::npos) << log;
}

TEST_F(EngineEndToEnd, HandOverAndLogFoldersAreNotServed) {
  ASSERT_EQ(Curl("one", "").Body, "\r\nUA=one\r\nID=\r\nLEN=0\r\n");
  for (const char* path : {"/database/Temp/qnserver.exe_S", "/database/Log/qnserver.Log",
                           "/database/x/%2E%2E/Temp/qnserver.exe_S"}) {
    const std::string scratch = Root + "/deny";
    std::string code = RunProgram({"/usr/bin/curl", "-s", "--path-as-is", "-o", "/dev/null", "-w",
                                   "%{http_code}", "http://127.0.0.1:" + std::to_string(Port) + path},
                                  {}, "", scratch);
    EXPECT_EQ(code, "403") << path;
  }
}

// Another process holds the queue's lock while the resident puts a reply in place: the reply
// reaches its client (the resident looks at its own state, not at the queue, to place it), and
// the same resident serves on once the lock goes.
TEST_F(EngineEndToEnd, ReplyIsPlacedWhileAnotherProcessHoldsTheQueue) {
  const pid_t resident = Warm();
  TReply held;
  std::thread client([&] { held = Curl("hold", "id=2", {}, "hold"); });
  EXPECT_TRUE(WaitFor([this] { return QueueHolds(1); }, 20000)) << "the request was not taken";
  TLockHolder lock(QueueFile());
  EXPECT_TRUE(lock.Held());
  // Time for the waiting CGI process's look at the queue (one a second while it waits).
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ReleaseHeld();
  client.join();  // the lock is held across the reply's placing
  lock.Release();
  EXPECT_EQ(held.Body, "\r\nUA=hold\r\nID=2\r\nLEN=0\r\n");
  EXPECT_EQ(Residents(), std::vector<pid_t>{resident});
  EXPECT_EQ(Curl("three", "id=3").Body, "\r\nUA=three\r\nID=3\r\nLEN=0\r\n");
  EXPECT_EQ(Residents(), std::vector<pid_t>{resident});
}

// The queue is deleted while a request runs (as the client's shut-down empties the folder): the
// request's reply still reaches its client, whose CGI process waits for the resident meanwhile;
// then the resident ends, by its own end step (its socket files go with it), not by a crash.
TEST_F(EngineEndToEnd, QueueDeletedDuringARequestEndsTheResidentAfterItsReply) {
  Warm();
  TReply held;
  std::thread client([&] { held = Curl("hold", "id=2", {}, "hold"); });
  EXPECT_TRUE(WaitFor([this] { return QueueHolds(1); }, 20000)) << "the request was not taken";
  ASSERT_EQ(unlink(QueueFile().c_str()), 0);
  // Time for the waiting CGI process's look at the queue (one a second while it waits).
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ReleaseHeld();
  client.join();
  EXPECT_EQ(held.Body, "\r\nUA=hold\r\nID=2\r\nLEN=0\r\n");
  EXPECT_TRUE(WaitFor([this] { return Residents().empty(); }, 10000));
  struct stat info {};
  EXPECT_NE(lstat((Database + "/Temp/qnserver.exe_S_token").c_str(), &info), 0) << "the resident did not end by itself";
  EXPECT_NE(lstat((Database + "/Temp/qnserver.exe_S_bell").c_str(), &info), 0);
  unlink((Database + "/release").c_str());
  EXPECT_EQ(Curl("three", "id=3").Body, "\r\nUA=three\r\nID=3\r\nLEN=0\r\n");
}

// A CGI process whose wait ended (shortened here) answers with the error reply and withdraws its
// request, which then never runs: its handler would write "boom" into the log.
TEST_F(EngineEndToEnd, RequestWhoseWaitEndedNeverRuns) {
  Warm();
  TReply held;
  std::thread client([&] { held = Curl("hold", "id=2", {}, "hold"); });
  EXPECT_TRUE(WaitFor([this] { return QueueHolds(1); }, 20000)) << "the request was not taken";
  const std::string late =
      RunProgram({Program},
                 {"SERVER_SOFTWARE=test", "GATEWAY_INTERFACE=CGI/1.1", "REQUEST_METHOD=GET", "QUERY_STRING=",
                  "HTTP_USER_AGENT=fail", "CONTENT_LENGTH=0", "ENGINE_ECHO_REPLY_WAIT_MS=300"},
                 "", Root + "/late");
  EXPECT_NE(late.find("<HTML>Echo failed</HTML>"), std::string::npos) << late;
  EXPECT_FALSE(QueueHolds(0)) << "the request still waits";
  ReleaseHeld();
  client.join();
  EXPECT_EQ(held.Body, "\r\nUA=hold\r\nID=2\r\nLEN=0\r\n");
  // A request queued after it is answered: had it still waited, it would have run before.
  EXPECT_EQ(Curl("after", "id=3").Body, "\r\nUA=after\r\nID=3\r\nLEN=0\r\n");
  EXPECT_EQ(Log().find("boom"), std::string::npos) << Log();
}

// "START_SERVER" is the web server's start of the resident; from a shell without the web
// server's environment no front end would serve the queue, so the start is refused at once,
// before it holds the token, and the next request starts a resident that serves.
TEST_F(EngineEndToEnd, ResidentStartWithoutTheWebServersEnvironmentIsRefused) {
  int status = -1;
  RunProgram({Program, "START_SERVER"}, {"PATH=/usr/bin:/bin"}, "", Root + "/bare", 10000, &status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
  EXPECT_NE(ReadWholeFile(Root + "/bare.err").find("SERVER_SOFTWARE"), std::string::npos)
      << ReadWholeFile(Root + "/bare.err");
  EXPECT_TRUE(Residents().empty());
  EXPECT_EQ(Curl("one", "id=1", {"--max-time", "20"}).Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");
}

// The hand-over below a web server started with a umask that opens new files and folders to the
// group.
class OpenUmaskEndToEnd : public EngineEndToEnd {
protected:
  void SetUp() override {
    FUmask = umask(002);
    EngineEndToEnd::SetUp();
  }
  void TearDown() override {
    EngineEndToEnd::TearDown();
    umask(FUmask);
  }
  std::string Temp() const { return Database + "/Temp"; }
  mode_t FUmask = 022;
};

// A hand-over folder that someone made open to the group (as the client once did) is made
// private by the first request, which is served; what another user put in it goes.
TEST_F(OpenUmaskEndToEnd, OpenHandOverFolderIsMadePrivate) {
  ASSERT_EQ(mkdir(Temp().c_str(), 0777), 0);
  struct stat info {};
  ASSERT_EQ(stat(Temp().c_str(), &info), 0);
  ASSERT_EQ(info.st_mode & 0777, 0775u);
  const bool root = geteuid() == 0;
  if (root) {
    WriteWholeFile(Temp() + "/qnserver.exe_F_00", "theirs");
    ASSERT_EQ(chown((Temp() + "/qnserver.exe_F_00").c_str(), 65534, 65534), 0);
  }
  EXPECT_EQ(Curl("one", "id=1").Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");
  ASSERT_EQ(stat(Temp().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_NE(Log().find("was open to others (mode 0775); made it private"), std::string::npos) << Log();
  if (root) {
    // The reply is kept as a spare once copied (after its client has it), in the slot that the
    // other user's file held.
    const std::string spare = Temp() + "/qnserver.exe_F_00";
    EXPECT_TRUE(WaitFor([&] { return lstat(spare.c_str(), &info) == 0 && info.st_uid == 0; }, 5000));
    ASSERT_EQ(lstat(spare.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
  }
  // A folder made by the server is private whatever the umask.
  unlink(QueueFile().c_str());
  ASSERT_TRUE(WaitFor([this] { return Residents().empty(); }, 10000));
  ASSERT_EQ(system(("rm -rf '" + Temp() + "'").c_str()), 0);
  EXPECT_EQ(Curl("two", "id=2").Body, "\r\nUA=two\r\nID=2\r\nLEN=0\r\n");
  ASSERT_EQ(stat(Temp().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
}

// Links planted for the spares (to a file of the test's own) and for a queued request file: the
// server neither reads nor writes through them, and serves every request.
TEST_F(OpenUmaskEndToEnd, PlantedLinksAreNeverFollowed) {
  EXPECT_EQ(Curl("one", "id=1").Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");
  const std::string mine = Root + "/mine";
  // A request as a CGI process writes it, whose handler would log "boom".
  const std::string request =
      "SERVER_SOFTWARE=test\r\nREQUEST_METHOD=GET\r\nHTTP_USER_AGENT=fail\r\nCONTENT_LENGTH=0\r\n"
      "OSTREL_CGI_DEBUG=true\r\n\r\n";
  WriteWholeFile(mine, request);
  struct stat before {};
  ASSERT_EQ(stat(mine.c_str(), &before), 0);
  // The first request's reply is kept as a spare once copied (after its client has it).
  ASSERT_TRUE(WaitFor([this] { return FileExists(Temp() + "/qnserver.exe_F_00"); }, 5000));
  for (int slot = 0; slot < 8; ++slot) {
    const std::string spare = Temp() + "/qnserver.exe_F_0" + std::to_string(slot);
    unlink(spare.c_str());
    ASSERT_EQ(symlink(mine.c_str(), spare.c_str()), 0);
  }
  for (int i = 2; i < 5; ++i)
    EXPECT_EQ(Curl("next", "id=" + std::to_string(i)).Body, "\r\nUA=next\r\nID=" + std::to_string(i) + "\r\nLEN=0\r\n");
  // A queued request file that is a link.
  const std::string linked = Temp() + "/qnserver.exe_C_ABCD_REQ";
  ASSERT_EQ(symlink(mine.c_str(), linked.c_str()), 0);
  THandoverFolder folder(Program);
  ASSERT_TRUE(Handover::Append(folder, linked));
  EXPECT_TRUE(WaitFor([this] { return !QueueHolds(0) && !QueueHolds(1); }, 10000)) << "the entry was not finished";
  EXPECT_EQ(Curl("last", "id=5").Body, "\r\nUA=last\r\nID=5\r\nLEN=0\r\n");
  EXPECT_EQ(ReadWholeFile(mine), request);
  struct stat after {};
  ASSERT_EQ(stat(mine.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(Log().find("boom"), std::string::npos) << Log();
  EXPECT_NE(Log().find("qnserver.exe_C_ABCD_REQ is not a file of this server's own"), std::string::npos) << Log();
}

// A hand-over folder of another user is refused: the request gets the error reply, the log says
// why, and nothing is put into the folder.
TEST_F(OpenUmaskEndToEnd, HandOverFolderOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a folder of another user";
  ASSERT_EQ(mkdir(Temp().c_str(), 0777), 0);
  ASSERT_EQ(chown(Temp().c_str(), 65534, 65534), 0);
  TReply reply = Curl("one", "id=1");
  EXPECT_EQ(reply.Body, "<HTML>Echo failed</HTML>\r\n");
  EXPECT_NE(Log().find("is not a folder of this server's user"), std::string::npos) << Log();
  DIR* temp = opendir(Temp().c_str());
  int entries = 0;
  while (dirent* entry = temp ? readdir(temp) : nullptr) entries += entry->d_name[0] != '.';
  if (temp) closedir(temp);
  EXPECT_EQ(entries, 0);
  EXPECT_TRUE(Residents().empty());
}

// The hand-over folder on a small disk of its own (a tmpfs, where this user may mount one), filled
// up: every request gets the program's error reply, and all works again once space returns.
class FullDiskEndToEnd : public EngineEndToEnd {
protected:
  void SetUp() override {
    EngineEndToEnd::SetUp();
    if (HasFatalFailure()) return;
    Temp = Database + "/Temp";
    ASSERT_EQ(mkdir(Temp.c_str(), 0700), 0);
    if (mount("tmpfs", Temp.c_str(), "tmpfs", 0, "size=1m,mode=0700") != 0)
      GTEST_SKIP() << "no tmpfs may be mounted here: " << std::strerror(errno);
    Mounted = true;
  }
  void TearDown() override {
    // The resident goes first, so that nothing holds the disk.
    if (Mounted) unlink(QueueFile().c_str());
    WaitFor([this] { return Residents().empty(); }, 2000);
    if (Mounted) umount2(Temp.c_str(), MNT_DETACH);
    EngineEndToEnd::TearDown();
  }

  // Fills the disk, leaving Spare bytes free in a file of their own that FreeSpare removes.
  void Fill(size_t Spare) {
    WriteWholeFile(Temp + "/spare", std::string(Spare, 's'));
    const std::string chunk(64 << 10, 'f');
    int fd = open((Temp + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    while (write(fd, chunk.data(), chunk.size()) > 0) {
    }
    ASSERT_EQ(errno, ENOSPC);
    for (char byte = 'f'; write(fd, &byte, 1) == 1;) {
    }
    close(fd);
  }
  void FreeSpare() { ASSERT_EQ(unlink((Temp + "/spare").c_str()), 0); }
  // After a first request (the resident runs), leaves room for the request file of a 300 KB body
  // (Body) and not for a second file of its size, and posts the body with the given User-Agent.
  TReply PostWithRoomForTheRequestOnly(const std::string& Agent) {
    EXPECT_EQ(Curl("one", "id=1").Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");
    Fill(500 << 10);
    FreeSpare();
    WriteWholeFile(Root + "/body.bin", Body);
    return Curl(Agent, "", {"--data-binary", "@" + Root + "/body.bin", "-H", "Content-Type: application/octet-stream"});
  }
  void Empty() {
    unlink((Temp + "/spare").c_str());
    ASSERT_EQ(unlink((Temp + "/filler").c_str()), 0);
  }

  static constexpr const char* kFailed = "<HTML>Echo failed</HTML>\r\n";
  const std::string Body = std::string(300 << 10, 'b');
  std::string Temp;
  bool Mounted = false;
};

TEST_F(FullDiskEndToEnd, RequestThatCannotBeHandedOverGetsTheErrorReply) {
  // No resident yet: the first request cannot even write its request file.
  Fill(0);
  TReply first = Curl("full", "id=1");
  EXPECT_NE(first.Headers.find("HTTP/1.1 200 OK\r\n"), std::string::npos) << first.Headers;
  EXPECT_NE(first.Headers.find("content-type: text/html"), std::string::npos) << first.Headers;
  EXPECT_EQ(first.Body, kFailed);
  EXPECT_EQ(HeaderLength(first.Headers), static_cast<long>(first.Body.size()));
  Empty();
  ASSERT_EQ(Curl("one", "id=1").Body, "\r\nUA=one\r\nID=1\r\nLEN=0\r\n");

  // With the resident running: refused while full, served again once space returns, by the same
  // resident.  (The served request's record leaves the queue at the resident's next take, its
  // timer's within 50 ms: until then the queue keeps the room of a record.)
  const std::vector<pid_t> resident = Residents();
  ASSERT_EQ(resident.size(), 1u);
  ASSERT_TRUE(WaitFor([this] {
    struct stat info {};
    return stat(QueueFile().c_str(), &info) == 0 && info.st_size == 0;
  }, 2000));
  Fill(0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Curl("full", "id=" + std::to_string(i)).Body, kFailed) << i;
  Empty();
  EXPECT_EQ(Curl("two", "id=2").Body, "\r\nUA=two\r\nID=2\r\nLEN=0\r\n");
  EXPECT_EQ(Residents(), resident);
}

TEST_F(FullDiskEndToEnd, ReplyThatCannotBeWrittenGetsTheErrorReply) {
  // A reply of twice the body, written over the request file, needs 300 KB more than it has.
  TReply reply = PostWithRoomForTheRequestOnly("twice");
  EXPECT_EQ(reply.Body, kFailed);
  // Nothing of the failed request stays on the disk (the resident removes the request file
  // last).
  auto left = [this] {
    DIR* temp = opendir(Temp.c_str());
    std::vector<std::string> names;
    while (dirent* entry = temp ? readdir(temp) : nullptr)
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    if (temp) closedir(temp);
    std::sort(names.begin(), names.end());
    return names;
  };
  // The queue and the resident's doorbell and token stay with the resident.
  const std::vector<std::string> expected = {"filler", "qnserver.exe_S", "qnserver.exe_S_bell",
                                             "qnserver.exe_S_lock", "qnserver.exe_S_token"};
  WaitFor([&] { return left() == expected; }, 2000);
  EXPECT_EQ(left(), expected);
  Empty();
  reply = Curl("post", "", {"--data-binary", "@" + Root + "/body.bin", "-H",
                            "Content-Type: application/octet-stream"});
  EXPECT_EQ(reply.Body, "\r\nUA=post\r\nID=\r\nLEN=" + std::to_string(Body.size()) + "\r\n" + Body);
}

TEST_F(FullDiskEndToEnd, ReplyNoLongerThanItsRequestNeedsNoRoomBesideIt) {
  // Written over the request file, the reply still arrives whole.
  TReply reply = PostWithRoomForTheRequestOnly("post");
  EXPECT_EQ(reply.Body, "\r\nUA=post\r\nID=\r\nLEN=" + std::to_string(Body.size()) + "\r\n" + Body);
  EXPECT_EQ(HeaderLength(reply.Headers), static_cast<long>(reply.Body.size()));
}

}  // namespace
