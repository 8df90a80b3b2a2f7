#include "platform/sys/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/sys/event_loop.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"

namespace {

std::string ProgramFolder(const std::string& folder) {
  std::string path = folder;
  if (path.empty()) {
    path = ParamStr(0);
    const size_t slash = path.rfind('/');
    path = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The address of a socket file.  A path too long for an address is reached through its folder's
// descriptor ("/proc/self/fd/<n>/<name>"), which the address keeps open while it lives.
class TSocketAddress {
public:
  explicit TSocketAddress(const std::string& Path) {
    std::memset(&FAddr, 0, sizeof FAddr);
    FAddr.sun_family = AF_UNIX;
    std::string path = Path;
    if (path.size() >= sizeof FAddr.sun_path) {
      const size_t slash = path.rfind('/');
      if (slash == std::string::npos) return;
      FDir = ::open(slash == 0 ? "/" : path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (FDir < 0) return;
      path = "/proc/self/fd/" + std::to_string(FDir) + path.substr(slash);
      if (path.size() >= sizeof FAddr.sun_path) return;
    }
    std::memcpy(FAddr.sun_path, path.c_str(), path.size() + 1);
    FLen = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  }
  ~TSocketAddress() {
    if (FDir >= 0) ::close(FDir);
  }
  TSocketAddress(const TSocketAddress&) = delete;
  TSocketAddress& operator=(const TSocketAddress&) = delete;

  bool Valid() const { return FLen != 0; }
  const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&FAddr); }
  socklen_t Size() const { return FLen; }

private:
  sockaddr_un FAddr;
  socklen_t FLen = 0;
  int FDir = -1;
};

// True when a socket of Type listens at the address.
bool Listened(const TSocketAddress& Addr, int Type) {
  const int probe = ::socket(AF_UNIX, Type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (probe < 0) return false;
  const bool listened = ::connect(probe, Addr.Get(), Addr.Size()) == 0 || errno == EAGAIN || errno == EINPROGRESS;
  ::close(probe);
  return listened;
}

// Binds Fd (a socket of Type) at Path, replacing a socket file that nobody listens at any more
// (one a killed process left behind).  A living listener and anything but a socket file at Path
// are left alone.
bool BindOwned(int Fd, int Type, const std::string& Path) {
  const TSocketAddress addr(Path);
  if (!addr.Valid()) return false;
  if (::bind(Fd, addr.Get(), addr.Size()) == 0) return true;
  if (errno != EADDRINUSE) return false;
  struct stat info {};
  if (::lstat(Path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || Listened(addr, Type)) return false;
  ::unlink(Path.c_str());
  return ::bind(Fd, addr.Get(), addr.Size()) == 0;
}

}  // namespace

std::string TSingleInstanceToken::SocketName(const std::string& Title, const std::string& Folder) {
  return ProgramFolder(Folder) + "/" + Title + "_token";
}

TSingleInstanceToken::TSingleInstanceToken(const std::string& Title, const std::string& Folder)
    : FSocket(SocketName(Title, Folder)), FLockFile(ProgramFolder(Folder) + "/" + Title + "_lock") {}

TSingleInstanceToken::~TSingleInstanceToken() { Release(); }

bool TSingleInstanceToken::Acquire(TEventLoop* Loop) {
  if (FFd >= 0) return true;
  // The lock decides who holds the token; the socket file is only its holder's answer to a test.
  const int lock = ::open(FLockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return false;
  if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock);
    return false;
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || !BindOwned(fd, SOCK_STREAM, FSocket) || ::listen(fd, 64) != 0) {
    if (fd >= 0) ::close(fd);
    ::close(lock);
    return false;
  }
  FLock = lock;
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
  // The socket file goes while the lock is still held, so it is never a successor's.
  ::unlink(FSocket.c_str());
  ::close(FFd);
  ::close(FLock);
  FFd = FLock = -1;
}

bool TSingleInstanceToken::Exists(const std::string& Title, const std::string& Folder) {
  const TSocketAddress addr(SocketName(Title, Folder));
  if (!addr.Valid()) return false;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  int rc = ::connect(fd, addr.Get(), addr.Size());
  // EAGAIN: someone listens but its backlog is full, so the holder is alive.
  const bool exists = rc == 0 || errno == EAGAIN || errno == EINPROGRESS;
  ::close(fd);
  return exists;
}

// ---- Doorbell -----------------------------------------------------------------------------------

TDoorbell::TDoorbell(const std::string& Path) {
  int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  if (!BindOwned(fd, SOCK_DGRAM, Path)) {
    ::close(fd);
    return;
  }
  FFd = fd;
  FPath = Path;
}

TDoorbell::~TDoorbell() { Close(); }

void TDoorbell::Close() {
  if (FFd < 0) return;
  ::unlink(FPath.c_str());
  ::close(FFd);
  FFd = -1;
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

bool SendRing(int Fd, const std::string& Path) {
  const TSocketAddress addr(Path);
  if (!addr.Valid()) return false;
  const char byte = 1;
  // A full queue of rings (EAGAIN) has a listener behind it, busy taking earlier ones.
  return ::sendto(Fd, &byte, 1, MSG_NOSIGNAL, addr.Get(), addr.Size()) == 1 || errno == EAGAIN;
}

}  // namespace

bool TDoorbell::Ring(const std::string& Path) {
  int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const bool heard = SendRing(fd, Path);
  ::close(fd);
  return heard;
}

bool TDoorbell::RingOther(const std::string& Path) const {
  return FFd >= 0 ? SendRing(FFd, Path) : Ring(Path);
}
