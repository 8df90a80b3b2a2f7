#include "net/net_winsock.h"

#include <cstring>
#include <map>

namespace {

const std::map<int, const char*>& ErrorTexts() {
  static const std::map<int, const char*> texts = {
      {10000, "[0] No Error"},
      {10004, "[10004] Interrupted function call"},
      {10009, "[10009] Bad file number"},
      {10013, "[10013] Permission denied."},
      {10014, "[10014] Bad address"},
      {10022, "[10022] Invalid argument"},
      {10024, "[10024] Too many open files"},
      {10035, "[10035] Resource temporarily not available"},
      {10036, "[10036] Operation now in progress"},
      {10037, "[10037] Operation already in progress"},
      {10038, "[10038] Socket operation on non-socket"},
      {10039, "[10039] Destination address required"},
      {10040, "[10040] Message too long"},
      {10041, "[10041] Protocol wrong type for socket"},
      {10042, "[10042] Bad protocol option"},
      {10043, "[10043] Protocol not supported"},
      {10044, "[10044] Socket type not supported"},
      {10045, "[10045] Operation not supported"},
      {10046, "[10046] Protocol family not supported"},
      {10047, "[10047] Address family not supported by protocol family"},
      {10048, "[10048] Address already in use"},
      {10049, "[10049] Cannot assign requested address"},
      {10050, "[10050] Network is down"},
      {10051, "[10051] Network is unreachable"},
      {10052, "[10052] Network dropped connection or reset"},
      {10053, "[10053] Software caused connection abort"},
      {10054, "[10054] Connection reset by peer"},
      {10055, "[10055] No buffer space available"},
      {10056, "[10056] Socket is already connected"},
      {10057, "[10057] Socket is not connected"},
      {10058, "[10058] Can't send after socket shutdown"},
      {10059, "[10059] Too many references, can't splice"},
      {10060, "[10060] Connection timed out"},
      {10061, "[10061] Connection refused"},
      {10062, "[10062] Too many levels of symbolic links"},
      {10063, "[10063] File name too long"},
      {10064, "[10064] Host is down"},
      {10065, "[10065] No Route to Host"},
      {10066, "[10066] Directory not empty"},
      {10067, "[10067] Too many processes"},
      {10068, "[10068] Too many users"},
      {10069, "[10069] Disc Quota Exceeded"},
      {10070, "[10070] Stale NFS file handle"},
      {10071, "[10071] Too many levels of remote in path"},
      {10091, "[10091] Network subsystem is unavailable"},
      {10092, "[10092] WINSOCK DLL Version out of range"},
      {10093, "[10093] Successful WSAStartup() not yet performed"},
      {10094, "[10094] Graceful shutdown in progress"},
      {11001, "[11001] Host not found"},
      {11002, "[11002] Non-Authoritative Host not found"},
      {11003, "[11003] Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"},
      {11004, "[11004] Valid name, no data record of requested type"},
  };
  return texts;
}

}  // namespace

std::string WinsockErrorText(int code) {
  const auto& texts = ErrorTexts();
  if (auto it = texts.find(code); it != texts.end()) return it->second;
  return "Winsock error no " + std::to_string(code);
}

TNetWinsock::TNetWinsock(const std::string& LibraryName) {
  FHandle = LoadLibrary(LibraryName);
  if (!FHandle) return;
  winsock::WSAData data;
  if (WSAStartup(0x0101, &data) != 0) throw EWinsockError("Invalid winsock version");
  FVersion = data.wVersion;
  FHighVersion = data.wHighVersion;
  FDescription.assign(data.szDescription);
  FSystemStatus.assign(data.szSystemStatus);
  if (FDescription.size() > 255) FDescription.resize(255);
  if (FSystemStatus.size() > 255) FSystemStatus.resize(255);
  FMaxSockets = data.iMaxSockets;
  FMaxUdpDg = data.iMaxUdpDg;
}

template <class F>
F* TNetWinsock::Lookup(const char* name) {
  if (!FHandle) throw EWinsockError("Winsock not loaded");
  FARPROC p = GetProcAddress(FHandle, name);
  if (!p) throw EWinsockError(std::string("Function ") + name + " not found");
  return reinterpret_cast<F*>(p);
}

int TNetWinsock::closesocket(winsock::SOCKET s) { return Lookup<decltype(winsock::closesocket)>("closesocket")(s); }
int TNetWinsock::connect(winsock::SOCKET s, const winsock::sockaddr* name, int namelen) {
  return Lookup<decltype(winsock::connect)>("connect")(s, name, namelen);
}
int TNetWinsock::ioctlsocket(winsock::SOCKET s, long cmd, winsock::u_long* argp) {
  return Lookup<decltype(winsock::ioctlsocket)>("ioctlsocket")(s, cmd, argp);
}
winsock::u_short TNetWinsock::htons(winsock::u_short v) { return Lookup<decltype(winsock::htons)>("htons")(v); }
winsock::u_long TNetWinsock::inet_addr(const char* cp) { return Lookup<decltype(winsock::inet_addr)>("inet_addr")(cp); }
char* TNetWinsock::inet_ntoa(winsock::in_addr in) { return Lookup<decltype(winsock::inet_ntoa)>("inet_ntoa")(in); }
int TNetWinsock::recv(winsock::SOCKET s, char* buf, int len, int flags) {
  return Lookup<decltype(winsock::recv)>("recv")(s, buf, len, flags);
}
int TNetWinsock::send(winsock::SOCKET s, const char* buf, int len, int flags) {
  return Lookup<decltype(winsock::send)>("send")(s, buf, len, flags);
}
int TNetWinsock::setsockopt(winsock::SOCKET s, int level, int optname, const char* optval, int optlen) {
  return Lookup<decltype(winsock::setsockopt)>("setsockopt")(s, level, optname, optval, optlen);
}
winsock::SOCKET TNetWinsock::socket(int af, int type, int protocol) {
  return Lookup<decltype(winsock::socket)>("socket")(af, type, protocol);
}
winsock::hostent* TNetWinsock::gethostbyname(const char* name) {
  return Lookup<decltype(winsock::gethostbyname)>("gethostbyname")(name);
}
int TNetWinsock::gethostname(char* name, int namelen) {
  return Lookup<decltype(winsock::gethostname)>("gethostname")(name, namelen);
}
int TNetWinsock::WSAStartup(WORD version, winsock::WSAData* data) {
  return Lookup<decltype(winsock::WSAStartup)>("WSAStartup")(version, data);
}
int TNetWinsock::WSAGetLastError() { return Lookup<decltype(winsock::WSAGetLastError)>("WSAGetLastError")(); }
int TNetWinsock::WSAAsyncSelect(winsock::SOCKET s, HANDLE target, UINT message, long events) {
  return Lookup<decltype(winsock::WSAAsyncSelect)>("WSAAsyncSelect")(s, target, message, events);
}

std::string TNetWinsock::LocalHostName() {
  char buffer[128] = {};
  if (gethostname(buffer, sizeof buffer) != 0) RaiseError(WSAGetLastError());
  return buffer;
}

std::string TNetWinsock::ResolveHost(const std::string& name) {
  if (inet_addr(name.c_str()) != winsock::INADDR_NONE_VALUE) return name;
  winsock::hostent* host = gethostbyname(name.c_str());
  if (!host || !host->h_addr_list || !host->h_addr_list[0]) RaiseError(WSAGetLastError());
  winsock::in_addr a;
  std::memcpy(&a, host->h_addr_list[0], sizeof a);
  return inet_ntoa(a);
}

winsock::u_long TNetWinsock::AddressOf(const std::string& text) {
  const winsock::u_long a = inet_addr(text.c_str());
  if (a == winsock::INADDR_NONE_VALUE) RaiseError(WSAGetLastError());
  return a;
}

void TNetWinsock::RaiseError(int code) { throw EWinsockError(WinsockErrorText(code)); }

TNetWinsock& NetWinsock() {
  static TNetWinsock* instance = [] {
    winsock::RegisterWinsockModule();
    return new TNetWinsock();
  }();
  return *instance;
}
