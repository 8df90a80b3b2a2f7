// <sys/ioctl.h> defines FIONREAD and FIONBIO as macros with the Linux numbers; take the one we
// need before the Winsock names of the same spelling come in.
#include <sys/ioctl.h>
namespace {
constexpr unsigned long kLinuxFionread = FIONREAD;
}
#undef FIONREAD
#undef FIONBIO

#include "platform/sys/winsock.h"

#include <algorithm>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <map>
#include <mutex>
#include <net/if.h>
#include <unistd.h>

#include "platform/sys/libraries.h"
#include "platform/sys/socket_async.h"

namespace winsock {

namespace {

thread_local int tLastError = 0;

int Fail(int code) {
  tLastError = code;
  return SOCKET_ERROR;
}

int FailErrno() { return Fail(ErrorFromErrno(errno)); }

bool ValidFd(SOCKET s) { return s != INVALID_SOCKET && s <= static_cast<SOCKET>(INT32_MAX); }

int Fd(SOCKET s) { return static_cast<int>(s); }

}  // namespace

int ErrorFromErrno(int err) {
  switch (err) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK: return WSAEWOULDBLOCK;
#endif
    case EINPROGRESS: return WSAEWOULDBLOCK;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: return WSAECONNRESET;
    case ENOBUFS: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case EPIPE: return WSAESHUTDOWN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSABASEERR + err;
  }
}

int ErrorFromResolver(int eai, int err) {
  switch (eai) {
    case 0: return 0;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
#ifdef EAI_NODATA
    case EAI_NODATA: return WSANO_DATA;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return WSANO_DATA;
#endif
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_FAIL: return WSANO_RECOVERY;
    case EAI_SYSTEM: return err ? ErrorFromErrno(err) : WSANO_RECOVERY;
    default: return WSANO_RECOVERY;
  }
}

int WSAGetLastError() { return tLastError; }
void WSASetLastError(int code) { tLastError = code; }

int WSAStartup(WORD versionRequested, WSAData* data) {
  const int major = versionRequested & 0xFF;
  const int minor = (versionRequested >> 8) & 0xFF;
  if (data) {
    *data = WSAData{};
    data->wVersion = 0x0101;
    data->wHighVersion = 0x0101;
    std::strncpy(data->szDescription, "Quillon socket layer 1.1 over POSIX sockets", WSADESCRIPTION_LEN);
    std::strncpy(data->szSystemStatus, "Running", WSASYS_STATUS_LEN);
    data->iMaxSockets = 32767;
    data->iMaxUdpDg = 65467;
  }
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  return 0;
}

int WSACleanup() { return 0; }

SOCKET socket(int af, int type, int protocol) {
  const int fd = ::socket(af, type | SOCK_CLOEXEC, protocol);
  if (fd < 0) {
    FailErrno();
    return INVALID_SOCKET;
  }
  return static_cast<SOCKET>(fd);
}

int connect(SOCKET s, const sockaddr* name, int namelen) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  if (!name || namelen < 0) return Fail(WSAEFAULT);
  if (::connect(Fd(s), name, static_cast<socklen_t>(namelen)) == 0) {
    AsyncSelectConnectStarted(s);
    return 0;
  }
  const int err = errno;
  if (err == EINPROGRESS) AsyncSelectConnectStarted(s);
  return Fail(ErrorFromErrno(err));
}

int send(SOCKET s, const char* buf, int len, int flags) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  if (len < 0) return Fail(WSAEINVAL);
  ssize_t n;
  do {
    n = ::send(Fd(s), buf, static_cast<size_t>(len), flags | MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    const int err = errno;
    if (err == EAGAIN || err == EWOULDBLOCK) AsyncSelectSendBlocked(s);
    return Fail(ErrorFromErrno(err));
  }
  return static_cast<int>(n);
}

std::size_t SendEverything(const std::function<int(const char* Data, int Count)>& Send, const char* Data,
                           std::size_t Count, const std::function<int()>& LastError,
                           const std::function<bool(bool Progress)>& Wait, int& Error) {
  Error = 0;
  std::size_t sent = 0;
  while (sent < Count) {
    const std::size_t left = Count - sent;
    const int n = Send(Data + sent, static_cast<int>(std::min<std::size_t>(left, 1u << 30)));
    bool progress = false;
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      progress = true;
      if (sent == Count) break;
    } else if (n == 0) {
      Error = WSAENOTCONN;  // a stream socket that takes nothing is closed
      break;
    } else {
      const int error = LastError();
      if (error != WSAEWOULDBLOCK) {
        Error = error;
        break;
      }
    }
    if (!Wait(progress)) break;
  }
  return sent;
}

int recv(SOCKET s, char* buf, int len, int flags) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  if (len < 0) return Fail(WSAEINVAL);
  ssize_t n;
  do {
    n = ::recv(Fd(s), buf, static_cast<size_t>(len), flags);
  } while (n < 0 && errno == EINTR);
  const int err = errno;
  AsyncSelectRecvCalled(s);
  if (n < 0) return Fail(ErrorFromErrno(err));
  return static_cast<int>(n);
}

int shutdown(SOCKET s, int how) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  const int mode = how == SD_RECEIVE ? SHUT_RD : how == SD_SEND ? SHUT_WR : SHUT_RDWR;
  if (::shutdown(Fd(s), mode) != 0) return FailErrno();
  return 0;
}

int closesocket(SOCKET s) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  AsyncSelectForget(s);
  if (::close(Fd(s)) != 0) return FailErrno();
  return 0;
}

int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  if (::setsockopt(Fd(s), level, optname, optval, static_cast<socklen_t>(optlen)) != 0) return FailErrno();
  return 0;
}

int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  if (!optlen) return Fail(WSAEFAULT);
  socklen_t len = static_cast<socklen_t>(*optlen);
  if (::getsockopt(Fd(s), level, optname, optval, &len) != 0) return FailErrno();
  *optlen = static_cast<int>(len);
  return 0;
}

int ioctlsocket(SOCKET s, long cmd, u_long* argp) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  if (!argp) return Fail(WSAEFAULT);
  if (cmd == FIONBIO) {
    const int flags = ::fcntl(Fd(s), F_GETFL);
    if (flags < 0) return FailErrno();
    const int wanted = *argp ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    if (::fcntl(Fd(s), F_SETFL, wanted) != 0) return FailErrno();
    return 0;
  }
  if (cmd == FIONREAD) {
    int avail = 0;
    if (::ioctl(Fd(s), kLinuxFionread, &avail) != 0) return FailErrno();
    *argp = static_cast<u_long>(avail);
    return 0;
  }
  return Fail(WSAEINVAL);
}

u_short htons(u_short v) { return ::htons(v); }
u_short ntohs(u_short v) { return ::ntohs(v); }
u_long htonl(u_long v) { return ::htonl(v); }
u_long ntohl(u_long v) { return ::ntohl(v); }

u_long inet_addr(const char* cp) {
  if (!cp) return INADDR_NONE_VALUE;
  in_addr a{};
  // Strict dotted quad: inet_pton refuses the short and octal forms the resolver would guess at.
  if (::inet_pton(AF_INET, cp, &a) != 1) return INADDR_NONE_VALUE;
  return a.s_addr;
}

char* inet_ntoa(in_addr in) {
  thread_local char buffer[INET_ADDRSTRLEN];
  if (!::inet_ntop(AF_INET, &in, buffer, sizeof buffer)) buffer[0] = '\0';
  return buffer;
}

hostent* gethostbyname(const char* name) {
  struct Entry {
    hostent host{};
    std::string name;
    in_addr address{};
    char* addressList[2] = {nullptr, nullptr};
    char* aliases[1] = {nullptr};
  };
  thread_local Entry entry;
  if (!name) {
    Fail(WSAEFAULT);
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  const int rc = ::getaddrinfo(name, nullptr, &hints, &result);
  if (rc != 0 || !result) {
    Fail(rc ? ErrorFromResolver(rc, errno) : WSANO_DATA);
    return nullptr;
  }
  entry.address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr;
  entry.name = result->ai_canonname ? result->ai_canonname : name;
  ::freeaddrinfo(result);
  entry.addressList[0] = reinterpret_cast<char*>(&entry.address);
  entry.host.h_name = entry.name.data();
  entry.host.h_aliases = entry.aliases;
  entry.host.h_addrtype = AF_INET;
  entry.host.h_length = 4;
  entry.host.h_addr_list = entry.addressList;
  return &entry.host;
}

int gethostname(char* name, int namelen) {
  if (!name || namelen <= 0) return Fail(WSAEFAULT);
  char buffer[256] = {};
  if (::gethostname(buffer, sizeof buffer - 1) != 0) return FailErrno();
  if (static_cast<int>(std::strlen(buffer)) >= namelen) return Fail(WSAEFAULT);
  std::strcpy(name, buffer);
  return 0;
}

servent* getservbyname(const char* name, const char* proto) {
  if (!name) {
    Fail(WSAEFAULT);
    return nullptr;
  }
  // getservbyname_r keeps the entry per thread, as the Winsock call does.
  thread_local servent entry{};
  thread_local char buffer[1024];
  servent* result = nullptr;
  if (::getservbyname_r(name, proto, &entry, buffer, sizeof buffer, &result) != 0 || !result) {
    Fail(WSANO_DATA);
    return nullptr;
  }
  return result;
}

std::string LocalHostAddress() {
  ifaddrs* list = nullptr;
  std::string found = "127.0.0.1";
  if (::getifaddrs(&list) != 0) return found;
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    if (i->ifa_flags & IFF_LOOPBACK) continue;
    const auto* a = reinterpret_cast<sockaddr_in*>(i->ifa_addr);
    char text[INET_ADDRSTRLEN];
    if (::inet_ntop(AF_INET, &a->sin_addr, text, sizeof text)) {
      found = text;
      break;
    }
  }
  ::freeifaddrs(list);
  return found;
}

int WSAAsyncSelect(SOCKET s, HANDLE target, UINT message, long events) {
  if (!ValidFd(s)) return Fail(WSAENOTSOCK);
  const int rc = AsyncSelectSet(s, target, message, events);
  if (rc != 0) return Fail(rc);
  return 0;
}

template <class F>
FARPROC Proc(F* f) {
  return reinterpret_cast<FARPROC>(f);
}

void RegisterWinsockModule() {
  static std::mutex once;
  std::lock_guard<std::mutex> guard(once);
  if (IsBuiltinModule("wsock32.dll")) return;
  RegisterBuiltinModule("wsock32.dll", {
      {"WSAStartup", Proc(&WSAStartup)}, {"WSACleanup", Proc(&WSACleanup)},
      {"WSAGetLastError", Proc(&WSAGetLastError)}, {"WSASetLastError", Proc(&WSASetLastError)},
      {"WSAAsyncSelect", Proc(&WSAAsyncSelect)}, {"socket", Proc(&socket)},
      {"connect", Proc(&connect)}, {"send", Proc(&send)}, {"recv", Proc(&recv)},
      {"shutdown", Proc(&shutdown)}, {"closesocket", Proc(&closesocket)},
      {"setsockopt", Proc(&setsockopt)}, {"getsockopt", Proc(&getsockopt)},
      {"ioctlsocket", Proc(&ioctlsocket)}, {"htons", Proc(&htons)}, {"ntohs", Proc(&ntohs)},
      {"htonl", Proc(&htonl)}, {"ntohl", Proc(&ntohl)}, {"inet_addr", Proc(&inet_addr)},
      {"inet_ntoa", Proc(&inet_ntoa)}, {"gethostbyname", Proc(&gethostbyname)},
      {"gethostname", Proc(&gethostname)}, {"getservbyname", Proc(&getservbyname)},
  });
}

}  // namespace winsock
