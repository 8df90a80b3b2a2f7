// A listening TCP socket on 127.0.0.1 at a free port, for tests and benchmarks that play the
// server end.  Every step is checked: a socket that could not be bound or put to listen raises
// instead of leaving the test to talk to nothing.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

struct TLoopbackListener {
  int Fd = -1;
  unsigned short Port = 0;
};

inline TLoopbackListener OpenLoopbackListener(int Backlog = 8) {
  TLoopbackListener L;
  auto fail = [&L](const char* step) {
    const std::string text = std::string("loopback listener: ") + step + ": " + std::strerror(errno);
    if (L.Fd >= 0) ::close(L.Fd);
    throw std::runtime_error(text);
  };
  L.Fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (L.Fd < 0) fail("socket");
  const int one = 1;
  if (::setsockopt(L.Fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) fail("setsockopt");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  if (::bind(L.Fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) fail("bind");
  if (::listen(L.Fd, Backlog) != 0) fail("listen");
  socklen_t len = sizeof a;
  if (::getsockname(L.Fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) fail("getsockname");
  L.Port = ::ntohs(a.sin_port);
  return L;
}
