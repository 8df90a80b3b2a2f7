// The run-time binding of the socket library: every call is looked up by name in "wsock32.dll"
// (the library table's built-in module) and made with the arguments as given.
#pragma once

#include <string>

#include "net/net_errors.h"
#include "platform/sys/libraries.h"
#include "platform/sys/winsock.h"

// The text of a Winsock error code: "[10061] Connection refused" and kin, else
// "Winsock error no " and the code.
std::string WinsockErrorText(int code);

class TNetWinsock {
public:
  // Loads the library and starts it with version 1.1.  A library that cannot be loaded leaves
  // the binding empty: every later call raises "Winsock not loaded".
  explicit TNetWinsock(const std::string& LibraryName = "wsock32.dll");
  TNetWinsock(const TNetWinsock&) = delete;
  TNetWinsock& operator=(const TNetWinsock&) = delete;

  HMODULE Handle() const { return FHandle; }
  WORD Version() const { return FVersion; }
  WORD HighVersion() const { return FHighVersion; }
  const std::string& Description() const { return FDescription; }
  const std::string& SystemStatus() const { return FSystemStatus; }
  WORD MaxSockets() const { return FMaxSockets; }
  WORD MaxUdpDg() const { return FMaxUdpDg; }

  int closesocket(winsock::SOCKET s);
  int connect(winsock::SOCKET s, const winsock::sockaddr* name, int namelen);
  int ioctlsocket(winsock::SOCKET s, long cmd, winsock::u_long* argp);
  winsock::u_short htons(winsock::u_short v);
  winsock::u_long inet_addr(const char* cp);
  char* inet_ntoa(winsock::in_addr in);
  int recv(winsock::SOCKET s, char* buf, int len, int flags);
  int send(winsock::SOCKET s, const char* buf, int len, int flags);
  int setsockopt(winsock::SOCKET s, int level, int optname, const char* optval, int optlen);
  winsock::SOCKET socket(int af, int type, int protocol);
  winsock::hostent* gethostbyname(const char* name);
  int gethostname(char* name, int namelen);
  int WSAStartup(WORD version, winsock::WSAData* data);
  int WSAGetLastError();
  int WSAAsyncSelect(winsock::SOCKET s, HANDLE target, UINT message, long events);

  std::string LocalHostName();
  // A dotted address is returned as it is; a name is looked up.
  std::string ResolveHost(const std::string& name);
  winsock::u_long AddressOf(const std::string& text);
  [[noreturn]] void RaiseError(int code);
  static int SelectError(LPARAM lParam) { return static_cast<int>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF); }
  static int SelectEvent(LPARAM lParam) { return static_cast<int>(lParam & 0xFFFF); }

private:
  template <class F>
  F* Lookup(const char* name);

  HMODULE FHandle = nullptr;
  WORD FVersion = 0;
  WORD FHighVersion = 0;
  std::string FDescription;
  std::string FSystemStatus;
  WORD FMaxSockets = 0;
  WORD FMaxUdpDg = 0;
};

// The process's binding, created on first use with the built-in socket module registered.
TNetWinsock& NetWinsock();
