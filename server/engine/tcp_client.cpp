#include "server/engine/tcp_client.h"

#include <poll.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/rtl/sysutils.h"
#include "platform/sys/threads.h"

namespace ws = winsock;

std::string SocketErrorText(int ErrorCode) {
  switch (ErrorCode) {
    case 10004: return "Interrupted system call";
    case 10009: return "Bad file number";
    case 10013: return "Permission denied";
    case 10014: return "Bad address";
    case 10022: return "Invalid argument";
    case 10024: return "Too many open files";
    case 10035: return "Operation would block";
    case 10036: return "Operation now in progress";
    case 10037: return "Operation already in progress";
    case 10038: return "Socket operation on nonsocket";
    case 10039: return "Destination address required";
    case 10040: return "Message too long";
    case 10041: return "Protocol wrong type for socket";
    case 10042: return "Protocol not available";
    case 10043: return "Protocol not supported";
    case 10044: return "Socket not supported";
    case 10045: return "Operation not supported on socket";
    case 10046: return "Protocol family not supported";
    case 10047: return "Address family not supported";
    case 10048: return "Address already in use";
    case 10049: return "Can't assign requested address";
    case 10050: return "Network is down";
    case 10051: return "Network is unreachable";
    case 10052: return "Network dropped connection on reset";
    case 10053: return "Software caused connection abort";
    case 10054: return "Connection reset by peer";
    case 10055: return "No buffer space available";
    case 10056: return "Socket is already connected";
    case 10057: return "Socket is not connected";
    case 10058: return "Can't send after socket shutdown";
    case 10059: return "Too many references:can't splice";
    case 10060: return "Connection timed out";
    case 10061: return "Connection refused";
    case 10062: return "Too many levels of symbolic links";
    case 10063: return "File name is too long";
    case 10064: return "Host is down";
    case 10065: return "No route to host";
    case 10066: return "Directory is not empty";
    case 10067: return "Too many processes";
    case 10068: return "Too many users";
    case 10069: return "Disk quota exceeded";
    case 10070: return "Stale NFS file handle";
    case 10071: return "Too many levels of remote in path";
    case 10091: return "Network subsystem is unusable";
    case 10092: return "Winsock DLL cannot support this application";
    case 10093: return "Winsock not initialized";
    case 11001: return "Host not found";
    case 11002: return "Non authoritative - host not found";
    case 11003: return "Non recoverable error";
    case 11004: return "Valid name, no data record of requested type";
    default: return "";
  }
}

TCustomCGISocket::TCustomCGISocket(TComponent* AOwner) : TComponent(AOwner) {
  ws::WSADATA data;
  const int error = ws::WSAStartup(0x0101, &data);
  if (error != 0) {
    SocketError(error);
    return;
  }
  FState = ssReady;
  FVersion = std::to_string(data.wVersion & 0xFF) + "." + std::to_string(data.wVersion >> 8);
  FDescription = data.szDescription;
  FSystemStatus = data.szSystemStatus;
  FMaxSockets = data.iMaxSockets;
  FMaxDatagramSize = data.iMaxUdpDg;
}

TCustomCGISocket::~TCustomCGISocket() {
  CloseSocket();
  if (FState != ssNotStarted && ws::WSACleanup() != 0) SocketError(ws::WSAGetLastError());
}

void TCustomCGISocket::SocketError(int ErrorCode) {
  FLastError = ErrorCode;
  if (OnError) OnError(this, ErrorCode, SocketErrorText(ErrorCode));
}

void TCustomCGISocket::CloseSocket() {
  if (FSocket == ws::INVALID_SOCKET) return;
  ws::closesocket(FSocket);
  FSocket = ws::INVALID_SOCKET;
}

std::string TCustomCGISocket::ReceiveText() {
  if (FSocket == ws::INVALID_SOCKET) return {};
  const int n = ws::recv(FSocket, FBuffer, sizeof FBuffer, 0);
  if (n > 0) return std::string(FBuffer, n);
  if (n == 0) FPeerClosed = true;
  if (n < 0 && ws::WSAGetLastError() != ws::WSAEWOULDBLOCK) SocketError(ws::WSAGetLastError());
  return {};
}

TTCPClient::TTCPClient(TComponent* AOwner) : TCustomCGISocket(AOwner) {
  FProtocol = IPPROTO_TCP;
  FSocketType = SOCK_STREAM;
}

TTCPClient::~TTCPClient() {
  if (FState == ssConnected || FState == ssConnecting) Disconnect();
}

void TTCPClient::SelectEvents(long Events) {
  // Notifications come through the event loop of the main thread; elsewhere, or without a
  // loop, the waits watch the socket themselves.
  const bool loop = CurrentEventLoop() != nullptr && IsMainThread();
  if (!loop && !FNotifying) return;
  FNotifying = Events != 0 && loop;
  ws::WSAAsyncSelect(FSocket, reinterpret_cast<HANDLE>(&FWindow), ws::WM_SOCKET_NOTIFY, FNotifying ? Events : 0);
}

void TTCPClient::Connect() {
  if (FState != ssReady) return;
  auto fail = [this](int code) {
    SocketError(code);
    CloseSocket();
  };
  int port = 0;
  if (const ws::servent* service = ws::getservbyname(RemotePort.c_str(), "tcp"))
    port = ws::ntohs(static_cast<ws::u_short>(service->s_port));
  else {
    char* end = nullptr;
    const long number = std::strtol(RemotePort.c_str(), &end, 10);
    if (RemotePort.empty() || *end != '\0' || number <= 0 || number > 65535) return fail(ws::WSAEINVAL);
    port = static_cast<int>(number);
  }
  ws::sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = ws::htons(static_cast<ws::u_short>(port));
  ws::u_long ip = ws::inet_addr(RemoteHost.c_str());
  if (ip == ws::INADDR_NONE_VALUE) {
    const ws::hostent* host = ws::gethostbyname(RemoteHost.c_str());
    if (!host || !host->h_addr_list[0]) return fail(ws::WSAGetLastError() ? ws::WSAGetLastError() : ws::WSAHOST_NOT_FOUND);
    std::memcpy(&ip, host->h_addr_list[0], sizeof ip);
  }
  address.sin_addr.s_addr = ip;
  FSocket = ws::socket(AF_INET, FSocketType, FProtocol);
  if (FSocket == ws::INVALID_SOCKET) return fail(ws::WSAGetLastError());
  ws::u_long nonBlocking = 1;
  if (ws::ioctlsocket(FSocket, ws::FIONBIO, &nonBlocking) != 0) return fail(ws::WSAGetLastError());
  SelectEvents(ws::FD_READ | ws::FD_CONNECT | ws::FD_CLOSE);
  int inlineOob = 1;
  ws::setsockopt(FSocket, SOL_SOCKET, SO_OOBINLINE, reinterpret_cast<const char*>(&inlineOob), sizeof inlineOob);
  if (ws::connect(FSocket, reinterpret_cast<const ws::sockaddr*>(&address), sizeof address) != 0 &&
      ws::WSAGetLastError() != ws::WSAEWOULDBLOCK && ws::WSAGetLastError() != ws::WSAEINPROGRESS)
    return fail(ws::WSAGetLastError());
  FPeerClosed = false;
  FState = ssConnecting;
}

void TTCPClient::Disconnect() {
  if (FState == ssNotStarted || FState == ssReady) return;
  SelectEvents(0);
  ws::shutdown(FSocket, ws::SD_SEND);
  // Drain what the peer still sends, bounded, without waiting for it.
  for (int i = 0; i < 64 && ws::recv(FSocket, FBuffer, sizeof FBuffer, 0) > 0; ++i) {
  }
  CloseSocket();
  FState = ssReady;
}

bool TTCPClient::SendText(const std::string& Text) {
  // A send that would block is tried again every 20 ms, for at most 30 seconds.
  int retries = 0, error = 0;
  const std::size_t sent = ws::SendEverything(
      [this](const char* Data, int Count) { return ws::send(FSocket, Data, Count, 0); }, Text.data(), Text.size(),
      [] { return ws::WSAGetLastError(); },
      [&retries](bool Progress) {
        if (Progress) return true;
        if (++retries > 1500) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return true;
      },
      error);
  if (sent == Text.size()) return true;
  SocketError(error != 0 ? error : ws::WSAEWOULDBLOCK);
  return false;
}

void TTCPClient::WaitForSocket(int Ms) {
  if (FSocket == ws::INVALID_SOCKET) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
    return;
  }
  if (FNotifying) {
    // The loop delivers the notifications; this is the thread that runs it.
    CurrentEventLoop()->ProcessMessages(Ms);
    if (FState != ssConnecting) return;
  }
  pollfd watch{static_cast<int>(FSocket), static_cast<short>(FState == ssConnecting ? POLLOUT : POLLIN), 0};
  if (::poll(&watch, 1, FNotifying ? 0 : Ms) <= 0) return;
  if (FState == ssConnecting) {
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(watch.fd, SOL_SOCKET, SO_ERROR, &error, &length);
    Notify(ws::FD_CONNECT, error ? ws::ErrorFromErrno(error) : 0);
  }
}

void TTCPClient::TNotifyWindow::HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg != ws::WM_SOCKET_NOTIFY || static_cast<ws::SOCKET>(WParam) != FOwner.FSocket) return;
  FOwner.Notify(ws::WSAGETSELECTEVENT(LParam), ws::WSAGETSELECTERROR(LParam));
}

void TTCPClient::Notify(int Event, int Error) {
  if (FState == ssReady || FState == ssNotStarted) return;
  if (Event == ws::FD_CONNECT) {
    if (FState != ssConnecting) return;
    if (Error != 0) {
      SocketError(Error);
      CloseSocket();
      FState = ssReady;
      return;
    }
    SelectEvents(ws::FD_READ | ws::FD_CLOSE);
    if (OnConnect) OnConnect(this, FSocket);
    FState = ssConnected;
  } else if (Event == ws::FD_READ) {
    if (Error != 0) return SocketError(Error);
    if (OnRead) OnRead(this, FSocket);
  } else if (Event == ws::FD_CLOSE) {
    if (Error == ws::WSAENETDOWN) return SocketError(Error);
    if (OnClose) OnClose(this, FSocket);
    Disconnect();
  } else if (Error != 0) {
    SocketError(Error);
  }
}
