// The Winsock 1.1 calls over POSIX sockets.
//
// The calls keep their Winsock names and live in the namespace `winsock`, so that they do not
// collide with the POSIX functions of the same names.  A SOCKET is the file descriptor; every call
// records its failure as a Winsock error code (WSAGetLastError), mapped from errno or from the
// resolver's codes.  Sends never raise SIGPIPE.  WSAAsyncSelect turns socket readiness into
// messages posted through the event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "platform/rtl/win_types.h"

// glibc makes these macros when optimising; here they are the Winsock calls below (the libc
// functions of the same names stay reachable as ::htons and kin).
#undef htons
#undef ntohs
#undef htonl
#undef ntohl
#undef FIONBIO
#undef FIONREAD

namespace winsock {

using SOCKET = std::uintptr_t;
inline constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
inline constexpr int SOCKET_ERROR = -1;

using u_long = std::uint32_t;
using u_short = std::uint16_t;

using ::hostent;
using ::in_addr;
using ::servent;
using ::sockaddr;
using ::sockaddr_in;

inline constexpr int WSADESCRIPTION_LEN = 256;
inline constexpr int WSASYS_STATUS_LEN = 128;

struct WSAData {
  WORD wVersion = 0;
  WORD wHighVersion = 0;
  char szDescription[WSADESCRIPTION_LEN + 1] = {};
  char szSystemStatus[WSASYS_STATUS_LEN + 1] = {};
  unsigned short iMaxSockets = 0;
  unsigned short iMaxUdpDg = 0;
  char* lpVendorInfo = nullptr;
};
using WSADATA = WSAData;

// ioctlsocket commands.
inline constexpr long FIONBIO = static_cast<long>(0x8004667EU);
inline constexpr long FIONREAD = 0x4004667F;

// WSAAsyncSelect events.
inline constexpr long FD_READ = 1;
inline constexpr long FD_WRITE = 2;
inline constexpr long FD_OOB = 4;
inline constexpr long FD_ACCEPT = 8;
inline constexpr long FD_CONNECT = 16;
inline constexpr long FD_CLOSE = 32;

inline constexpr int SD_RECEIVE = 0;
inline constexpr int SD_SEND = 1;
inline constexpr int SD_BOTH = 2;

inline constexpr std::uint32_t INADDR_NONE_VALUE = 0xFFFFFFFFU;

// Winsock error codes.
inline constexpr int WSABASEERR = 10000;
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

// The message number the socket layer asks WSAAsyncSelect to post.
inline constexpr UINT WM_SOCKET_NOTIFY = 2146;

// Error mapping: errno → Winsock code (unknown values give WSABASEERR + errno), and the
// resolver's EAI_ codes → 11001..11004.
int ErrorFromErrno(int err);
int ErrorFromResolver(int eai, int err);

// Last error of the calling thread.
int WSAGetLastError();
void WSASetLastError(int code);

// Version 1.1 and higher are accepted (the highest offered is 1.1).  Gives 0, or
// WSAVERNOTSUPPORTED for a lower request.
int WSAStartup(WORD versionRequested, WSAData* data);
int WSACleanup();

SOCKET socket(int af, int type, int protocol);
int connect(SOCKET s, const sockaddr* name, int namelen);
int send(SOCKET s, const char* buf, int len, int flags);
int recv(SOCKET s, char* buf, int len, int flags);
int shutdown(SOCKET s, int how);
int closesocket(SOCKET s);
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen);
int ioctlsocket(SOCKET s, long cmd, u_long* argp);

u_short htons(u_short v);
u_short ntohs(u_short v);
u_long htonl(u_long v);
u_long ntohl(u_long v);

// Dotted address → network-order address; 0xFFFFFFFF for text that is not one.
u_long inet_addr(const char* cp);
// Network-order address → dotted text (a buffer of the calling thread).
char* inet_ntoa(in_addr in);

// Looks the name up (IPv4 only) and gives a host entry of the calling thread, or null with the
// error set (11001 and kin).
hostent* gethostbyname(const char* name);
int gethostname(char* name, int namelen);
servent* getservbyname(const char* name, const char* proto);

// Sends all Count bytes of Data through Send (a send on one socket, as winsock's send answers:
// the bytes taken, or SOCKET_ERROR with the error in Error's sense).  A try that would block, and
// every try after one that made progress, calls Wait(Progress): it pumps a loop or sleeps, and
// false gives up.  Returns the bytes sent; Error is the socket error that stopped the send (0
// when everything went or Wait gave up).  Shared by the two TCP clients (net/ and the engine's).
std::size_t SendEverything(const std::function<int(const char* Data, int Count)>& Send, const char* Data,
                           std::size_t Count, const std::function<int()>& LastError,
                           const std::function<bool(bool Progress)>& Wait, int& Error);

// The host's own IPv4 address: the first non-loopback interface, else 127.0.0.1.
std::string LocalHostAddress();

// Registers read and write watches on the event loop for `s` and posts `message` to `target`
// with wParam = s and lParam = event | error << 16.  FD_CONNECT comes once when a connect
// completes; FD_READ when data waits, again only after the next recv; FD_WRITE after connect and
// after a send that would block; FD_CLOSE when the peer closed or reset the connection.
// Events 0 removes the watches.  Messages arrive only while the event loop runs.
// `target` is the TMessageTarget (platform/sys/event_loop.h) that receives the messages.
int WSAAsyncSelect(SOCKET s, HANDLE target, UINT message, long events);

inline constexpr LPARAM WSAMAKESELECTREPLY(int event, int error) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(error) << 16) | (static_cast<std::uint32_t>(event) & 0xFFFF));
}
inline constexpr int WSAGETSELECTEVENT(LPARAM l) { return static_cast<int>(l & 0xFFFF); }
inline constexpr int WSAGETSELECTERROR(LPARAM l) { return static_cast<int>((static_cast<std::uint32_t>(l) >> 16) & 0xFFFF); }

}  // namespace winsock

namespace winsock {
// Registers the calls above as the built-in module "wsock32.dll" of the library table (once;
// a module already there, perhaps changed by a test, is left alone).
void RegisterWinsockModule();
}  // namespace winsock
