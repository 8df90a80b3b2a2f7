#include "platform/sys/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <thread>

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

// ---- Doorbells ----------------------------------------------------------------------------------

namespace {

// A caller's name is one message; longer ones are cut.
constexpr size_t kBellNameMax = 1024;

void RingAndClose(int Fd) {
  const char byte = 1;
  (void)::send(Fd, &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
  ::close(Fd);
}

}  // namespace

TBellDesk::TBellDesk(const std::string& Path) {
  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  // Every waiting caller may connect at the same moment: the backlog is as long as the system
  // allows.
  if (!BindOwned(fd, SOCK_SEQPACKET, Path) || ::listen(fd, SOMAXCONN) != 0) {
    ::close(fd);
    return;
  }
  FFd = fd;
  FPath = Path;
}

TBellDesk::~TBellDesk() { Close(); }

void TBellDesk::AttachLoop(TEventLoop* Loop, std::function<void()> OnCall) {
  std::lock_guard<std::mutex> lock(FMutex);
  if (FFd < 0) return;
  FLoop = Loop;
  FLoopThread = std::this_thread::get_id();
  FOnCall = std::move(OnCall);
  if (!FLoop) return;
  FLoop->SetFdWatch(FFd, fdeRead, [this](int, unsigned) {
    if (Accept() && FOnCall) FOnCall();
  });
  for (int fd : FUnnamed) Watch(fd);
}

void TBellDesk::Watch(int Fd) {
  if (!FLoop) return;
  FLoop->SetFdWatch(Fd, fdeRead, [this](int, unsigned) {
    std::lock_guard<std::mutex> lock(FMutex);
    ReadNames();
  });
}

void TBellDesk::Unwatch(int Fd) {
  if (FLoop) FLoop->RemoveFdWatch(Fd);
}

bool TBellDesk::Accept() {
  std::lock_guard<std::mutex> lock(FMutex);
  return AcceptLocked();
}

bool TBellDesk::AcceptLocked() {
  if (FFd < 0) return false;
  bool any = false;
  for (;;) {
    const int caller = ::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (caller < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      break;
    }
    any = true;
    ++FCalls;
    FUnnamed.push_back(caller);
    Watch(caller);
  }
  ReadNames();
  return any;
}

void TBellDesk::ReadNames() {
  char name[kBellNameMax];
  for (size_t i = 0; i < FUnnamed.size();) {
    const int fd = FUnnamed[i];
    const ssize_t got = ::recv(fd, name, sizeof name, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
      ++i;
      continue;
    }
    Unwatch(fd);
    FUnnamed[i] = FUnnamed.back();
    FUnnamed.pop_back();
    if (got <= 0) {  // hung up before naming itself
      ::close(fd);
      continue;
    }
    std::string key(name, static_cast<size_t>(got));
    if (FEarly.erase(key) > 0) {
      RingAndClose(fd);
      continue;
    }
    // A caller of the same name before it hung up unseen (it gave up): the new one waits now.
    const auto [it, added] = FNamed.emplace(std::move(key), fd);
    if (!added) {
      ::close(it->second);
      it->second = fd;
    }
  }
}

bool TBellDesk::Ring(const std::string& Name) {
  std::lock_guard<std::mutex> lock(FMutex);
  auto it = FNamed.find(Name);
  // On the desk's own thread the callers that came meanwhile are taken in first (a request run on
  // that thread holds back the loop's watches); another thread leaves them to the loop.
  if (it == FNamed.end() && (!FLoop || std::this_thread::get_id() == FLoopThread)) {
    AcceptLocked();
    it = FNamed.find(Name);
  }
  if (it == FNamed.end()) {
    if (FFd >= 0) FEarly[Name] = std::chrono::steady_clock::now();
    return false;
  }
  RingAndClose(it->second);
  FNamed.erase(it);
  return true;
}

void TBellDesk::Sweep(double MaxAgeSeconds) {
  std::lock_guard<std::mutex> lock(FMutex);
  for (auto it = FNamed.begin(); it != FNamed.end();) {
    char byte;
    if (::recv(it->second, &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0) {
      ::close(it->second);
      it = FNamed.erase(it);
    } else {
      ++it;
    }
  }
  const auto oldest = std::chrono::steady_clock::now() - std::chrono::duration<double>(MaxAgeSeconds);
  std::erase_if(FEarly, [&](const auto& Early) { return Early.second < oldest; });
}

size_t TBellDesk::Callers() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FNamed.size() + FUnnamed.size();
}

size_t TBellDesk::Calls() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FCalls;
}

void TBellDesk::Close() {
  std::lock_guard<std::mutex> lock(FMutex);
  if (FFd < 0) return;
  for (int fd : FUnnamed) {
    Unwatch(fd);
    ::close(fd);
  }
  for (const auto& [name, fd] : FNamed) ::close(fd);
  FUnnamed.clear();
  FNamed.clear();
  FEarly.clear();
  Unwatch(FFd);
  ::unlink(FPath.c_str());
  ::close(FFd);
  FFd = -1;
  FLoop = nullptr;
}

bool TBellLine::Call(const std::string& Path, const std::string& Name) {
  Close();
  FPath = Path;
  FName = Name.substr(0, kBellNameMax);
  const TSocketAddress addr(Path);
  if (!addr.Valid()) return false;
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  if (::connect(fd, addr.Get(), addr.Size()) != 0) {
    // EAGAIN: the desk's queue of callers is full, so the desk is there.
    const bool busy = errno == EAGAIN;
    ::close(fd);
    return busy;
  }
  if (::send(fd, FName.data(), FName.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(FName.size())) {
    ::close(fd);
    return true;  // connected, so the desk was there
  }
  FFd = fd;
  return true;
}

bool TBellLine::Wait(int TimeoutMs, int SpinUs) {
  if (FFd < 0 && !FPath.empty()) Call(FPath, FName);
  bool ready = false;
  if (SpinUs > 0 && FFd >= 0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(SpinUs);
    for (;;) {
      pollfd look{FFd, POLLIN, 0};
      ready = ::poll(&look, 1, 0) > 0;
      if (ready || std::chrono::steady_clock::now() >= until) break;
      sched_yield();
    }
  }
  if (!ready && !WaitReadable(FFd, TimeoutMs)) return false;
  char byte[16];
  ssize_t got;
  do {
    got = ::recv(FFd, byte, sizeof byte, MSG_DONTWAIT);
  } while (got < 0 && errno == EINTR);
  if (got < 0 && errno == EAGAIN) return false;
  // A ring (the desk then lets the line go) or the desk's end: either way, look.
  Close();
  return true;
}

void TBellLine::Close() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
}
