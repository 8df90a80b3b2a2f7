#include "platform/sys/single_instance.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/sys/event_loop.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"

namespace {

std::string ProgramFolder(const std::string& folder) {
  if (!folder.empty()) return folder;
  std::string path = ParamStr(0);
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// 64-bit FNV-1a: stable across runs and builds, which std::hash is not required to be.
std::uint64_t Fnv1a(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  return h;
}

socklen_t MakeAddress(const std::string& name, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  // Abstract name: a leading NUL, then the bytes (no terminator).
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

std::string BellName(const std::string& Name) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a(Name)));
  return std::string("qnbell:") + hex;
}

}  // namespace

std::string TSingleInstanceToken::SocketName(const std::string& Title, const std::string& Folder) {
  std::string folder = ProgramFolder(Folder);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx",
                static_cast<unsigned long long>(Fnv1a(folder + '\0' + Title)));
  return std::string("qn:") + hex;
}

TSingleInstanceToken::TSingleInstanceToken(const std::string& Title, const std::string& Folder)
    : FName(SocketName(Title, Folder)) {}

TSingleInstanceToken::~TSingleInstanceToken() { Release(); }

bool TSingleInstanceToken::Acquire(TEventLoop* Loop) {
  if (FFd >= 0) return true;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  sockaddr_un addr;
  socklen_t len = MakeAddress(FName, addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd, 64) != 0) {
    ::close(fd);
    return false;
  }
  FFd = fd;
  AttachLoop(Loop ? Loop : CurrentEventLoop());
  return true;
}

void TSingleInstanceToken::AttachLoop(TEventLoop* Loop) {
  if (FFd < 0) return;
  if (FLoop && TEventLoop::IsAlive(FLoop)) FLoop->RemoveFdWatch(FFd);
  FLoop = Loop;
  if (FLoop) FLoop->SetFdWatch(FFd, fdeRead, [this](int, unsigned) { AcceptPending(); });
}

void TSingleInstanceToken::AcceptPending() {
  for (int i = 0; i < 64; ++i) {
    int client = ::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) break;
    ::close(client);
  }
}

void TSingleInstanceToken::Release() {
  if (FFd < 0) return;
  if (FLoop && TEventLoop::IsAlive(FLoop)) FLoop->RemoveFdWatch(FFd);
  FLoop = nullptr;
  ::close(FFd);
  FFd = -1;
}

bool TSingleInstanceToken::Exists(const std::string& Title, const std::string& Folder) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  sockaddr_un addr;
  socklen_t len = MakeAddress(SocketName(Title, Folder), addr);
  int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), len);
  // EAGAIN: someone listens but its backlog is full, so the holder is alive.
  const bool exists = rc == 0 || errno == EAGAIN || errno == EINPROGRESS;
  ::close(fd);
  return exists;
}

// ---- Doorbell -----------------------------------------------------------------------------------

TDoorbell::TDoorbell(const std::string& Name) {
  int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  sockaddr_un addr;
  socklen_t len = MakeAddress(BellName(Name), addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
    ::close(fd);
    return;
  }
  FFd = fd;
}

TDoorbell::~TDoorbell() {
  if (FFd >= 0) ::close(FFd);
}

bool TDoorbell::Wait(int TimeoutMs) {
  // Without a wait the socket (non-blocking) is read at once, with no look at it first: an event
  // loop that saw it readable takes its rings with one call less.
  if ((TimeoutMs != 0 || FFd < 0) && !WaitReadable(FFd, TimeoutMs)) return false;
  char byte[16];
  bool rung = false;
  for (;;) {
    const ssize_t got = ::recv(FFd, byte, sizeof byte, 0);
    if (got > 0) {
      rung = true;
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return rung || TimeoutMs != 0;
}

namespace {

bool SendRing(int Fd, const std::string& Name) {
  sockaddr_un addr;
  socklen_t len = MakeAddress(BellName(Name), addr);
  const char byte = 1;
  // A full queue of rings (EAGAIN) has a listener behind it, busy taking earlier ones.
  return ::sendto(Fd, &byte, 1, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr), len) == 1 || errno == EAGAIN;
}

}  // namespace

bool TDoorbell::Ring(const std::string& Name) {
  int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const bool heard = SendRing(fd, Name);
  ::close(fd);
  return heard;
}

bool TDoorbell::RingOther(const std::string& Name) const {
  return FFd >= 0 ? SendRing(FFd, Name) : Ring(Name);
}
