// Helpers of the network tests: a poll loop as the current loop, a scripted TCP peer on
// loopback, and Python as an independent checker.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/headless/event_loop_poll.h"
#include "tests/loopback_listener.h"
#include "tests/temp_path.h"

namespace nettest {

// Every test of a socket runs with a poll loop as the process's current loop.
class LoopFixture : public ::testing::Test {
protected:
  void SetUp() override { SetCurrentEventLoop(&Loop); }
  void TearDown() override { SetCurrentEventLoop(nullptr); }
  TPollEventLoop Loop{false};
};

// A listening socket on 127.0.0.1 and a free port; the handler runs on its own thread for each
// of up to `connections` accepted connections and talks through plain POSIX calls.
class ScriptedServer {
public:
  using THandler = std::function<void(int fd)>;
  explicit ScriptedServer(THandler handler, int connections = 1) : FHandler(std::move(handler)) {
    const TLoopbackListener Listener = OpenLoopbackListener(8);
    FListen = Listener.Fd;
    FPort = Listener.Port;
    FThread = std::thread([this, connections] {
      // Connections made before the server is destroyed are still served.
      for (int served = 0; served < connections;) {
        pollfd p{FListen, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
          const int fd = ::accept(FListen, nullptr, nullptr);
          if (fd < 0) return;
          FHandler(fd);
          ::close(fd);
          ++served;
        } else if (FStop) {
          return;
        }
      }
    });
  }
  ~ScriptedServer() {
    FStop = true;
    if (FThread.joinable()) FThread.join();
    ::close(FListen);
  }
  int Port() const { return FPort; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(FPort); }

private:
  THandler FHandler;
  int FListen = -1;
  int FPort = 0;
  std::thread FThread;
  std::atomic<bool> FStop{false};
};

inline void SendAll(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

// Reads until `terminator` has come (or the peer closed, or 10 s went by).
inline std::string ReadUntil(int fd, const std::string& terminator) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  char buffer[4096];
  while (got.find(terminator) == std::string::npos && std::chrono::steady_clock::now() < end) {
    timeval tv{0, 200000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n == 0) break;
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

// A port that nobody listens on (bound once, then released).
inline int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ::ntohs(a.sin_port);
}

inline std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(random() & 0xFF);
  return s;
}


// Runs Debian's Python on a script; gives its standard output and sets `status`.
inline std::string RunPython(const std::string& script, int& status) {
  const std::string path = TempPath("script.py");
  WriteWholeFile(path, script);
  std::string out;
  FILE* p = ::popen(("/usr/bin/python3 " + path + " 2>&1").c_str(), "r");
  if (!p) {
    status = -1;
    return out;
  }
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  status = ::pclose(p);
  ::unlink(path.c_str());
  return out;
}

}  // namespace nettest
