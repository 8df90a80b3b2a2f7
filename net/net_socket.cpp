#include "net/net_socket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "net/net_pump.h"
#include "net/net_text.h"

namespace {

constexpr int kBlock = 32768;
// How long one idle pump of a wait may sleep; notifications and the time-out timer wake it sooner.
constexpr int kIdleWaitMs = 200;

int Percent(std::int64_t part, std::int64_t whole) {
  if (whole <= 0) return 100;  // an empty stream is all there
  return static_cast<int>(std::lround(static_cast<double>(part) * 100.0 / static_cast<double>(whole)));
}

int Clamp32(std::int64_t v) { return static_cast<int>(std::min<std::int64_t>(v, INT32_MAX)); }

}  // namespace

// ---- TNetSocketBase --------------------------------------------------------------------------

TNetSocketBase::TNetSocketBase(TComponent* AOwner) : TComponent(AOwner) {}

TNetSocketBase::~TNetSocketBase() {
  if (FSocket != winsock::INVALID_SOCKET) {
    try {
      NetWinsock().closesocket(FSocket);
    } catch (const Exception&) {
    }
    FSocket = winsock::INVALID_SOCKET;
  }
}

void TNetSocketBase::TNotifyWindow::HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m;
  m.Msg = Msg;
  m.WParam = WParam;
  m.LParam = LParam;
  FOwner->WndProc(m);
}

void TNetSocketBase::WndProc(TMessage& Message) { Message.Result = 0; }

// ---- TNetSocket ------------------------------------------------------------------------------

TNetSocket::TNetSocket(TComponent* AOwner) : TNetSocketBase(AOwner) {
  FTimeCounter = std::make_unique<TNetTimeCounter>();
  FTimeCounter->TimeOut = FTimeOut;
}

void TNetSocket::SetTimeOut(int Value) {
  FTimeOut = Value;
  if (FTimeCounter) FTimeCounter->TimeOut = Value;
}

void TNetSocket::WndProc(TMessage& Message) {
  if (Message.Msg != winsock::WM_SOCKET_NOTIFY) {
    TNetSocketBase::WndProc(Message);
    return;
  }
  // Notifications of a socket closed meanwhile are stale.
  if (static_cast<winsock::SOCKET>(Message.WParam) == FSocket) {
    FLastError = TNetWinsock::SelectError(Message.LParam);
    if (FLastError == 0) {
      switch (TNetWinsock::SelectEvent(Message.LParam)) {
        case winsock::FD_CONNECT:
          FConnected = true;
          if (OnConnected) OnConnected(this);
          break;
        case winsock::FD_CLOSE:
          FClosed = true;
          if (OnDisconnected) OnDisconnected(this);
          break;
        default:
          break;
      }
    }
  }
  Message.Result = 0;
}

void TNetSocket::ResetState() {
  FReceived.clear();
  FConnected = false;
  FClosed = false;
  FCancel = false;
  FLastError = 0;
  if (FTimeCounter) FTimeCounter->Reset();
  StopTimer();
}

void TNetSocket::SetBlocking(bool Value) {
  winsock::u_long arg = Value ? 0 : 1;
  if (Value) {
    if (NetWinsock().WSAAsyncSelect(FSocket, &FWindow, winsock::WM_SOCKET_NOTIFY, 0) != 0)
      NetWinsock().RaiseError(NetWinsock().WSAGetLastError());
    if (NetWinsock().ioctlsocket(FSocket, winsock::FIONBIO, &arg) != 0)
      NetWinsock().RaiseError(NetWinsock().WSAGetLastError());
    FTimeCounter.reset();
  } else {
    if (NetWinsock().ioctlsocket(FSocket, winsock::FIONBIO, &arg) != 0)
      NetWinsock().RaiseError(NetWinsock().WSAGetLastError());
    if (!FTimeCounter) {
      FTimeCounter = std::make_unique<TNetTimeCounter>();
      FTimeCounter->TimeOut = FTimeOut;
    }
  }
}

void TNetSocket::StartTimer() {
  if (FTimeCounter) FTimeCounter->Start();
}
void TNetSocket::StopTimer() {
  if (FTimeCounter) FTimeCounter->Stop();
}
void TNetSocket::ResetTimer() {
  if (FTimeCounter) FTimeCounter->Reset();
}
bool TNetSocket::TimedOut() const { return FTimeCounter && FTimeCounter->TimedOut(); }

void TNetSocket::Pump(bool idle) {
  if (!FBlocking) NetPumpMessages(idle ? kIdleWaitMs : 0);
}

void TNetSocket::CheckCallError() {
  const int error = NetWinsock().WSAGetLastError();
  if (FBlocking) NetWinsock().RaiseError(error);
  if (error == winsock::WSAEWOULDBLOCK) return;
  if (FCancel || TimedOut()) return;
  NetWinsock().RaiseError(error);
}

void TNetSocket::RaiseWaitEnd() {
  if (TimedOut()) throw ENetTimedOutError();
  if (FCancel) throw ENetCanceledError();
}

void TNetSocket::Disconnect() {
  if (FSocket != winsock::INVALID_SOCKET) {
    try {
      NetWinsock().closesocket(FSocket);
    } catch (const EWinsockError&) {
    }
    if (OnDisconnected) OnDisconnected(this);
  }
  FSocket = winsock::INVALID_SOCKET;
  FReceived.clear();
}

bool TNetSocket::WaitOn(bool done, bool progress) {
  if (done) return false;
  Pump(!progress);
  return !TimedOut() && !FCancel;
}

void TNetSocket::EndWait(bool done) {
  StopTimer();
  if (!done) RaiseWaitEnd();
}

void TNetSocket::SendBuffer(const void* Buffer, int Length) {
  StartTimer();
  int error = 0;
  const std::size_t want = Length > 0 ? static_cast<std::size_t>(Length) : 0;
  const std::size_t sent = winsock::SendEverything(
      [this](const char* Data, int Count) { return FLastResult = NetWinsock().send(FSocket, Data, Count, FFlags); },
      static_cast<const char*>(Buffer), want, [] { return NetWinsock().WSAGetLastError(); },
      [this](bool Progress) {
        if (Progress) ResetTimer();
        Pump(!Progress);
        return !TimedOut() && !FCancel;
      },
      error);
  StopTimer();
  // A failed send raises its error, unless the wait was cancelled or timed out meanwhile.
  if (error != 0 && (FBlocking || !(FCancel || TimedOut()))) NetWinsock().RaiseError(error);
  if (sent < want) RaiseWaitEnd();
}

void TNetSocket::SendLine(const std::string& Text) {
  const std::string line = Text + "\r\n";
  SendBuffer(line.data(), static_cast<int>(line.size()));
}

void TNetSocket::SendStream(TStream& Stream, std::int64_t Offset) {
  Stream.Seek(Offset, soBeginning);
  std::vector<char> buffer(kBlock);
  long got;
  do {
    std::fill(buffer.begin(), buffer.end(), 0);
    got = Stream.Read(buffer.data(), kBlock);
    if (got < 0) got = 0;
    SendBuffer(buffer.data(), static_cast<int>(got));
    if (OnTransferProgress)
      OnTransferProgress(this, Percent(Stream.Position(), Stream.Size()), Clamp32(Stream.Position()), -1);
  } while (got >= kBlock);
}

void TNetSocket::ReadLine(std::string& Text) {
  // Bytes come a block at a time; what follows the line stays in FReceived for the next read.
  std::size_t lf = FReceived.find('\n');
  bool done = lf != std::string::npos;
  if (!done) {
    StartTimer();
    bool progress = false;
    do {
      if (FCancel) {
        StopTimer();
        throw ENetCanceledError();
      }
      char block[4096];
      const int want = static_cast<int>(std::min(sizeof block, MaxLineLength - FReceived.size()));
      FLastResult = NetWinsock().recv(FSocket, block, want, FFlags);
      progress = false;
      if (FLastResult >= 0) {
        if (FLastResult == 0) FClosed = true;
        ResetTimer();
        progress = FLastResult > 0;
        const std::size_t searched = FReceived.size();
        FReceived.append(block, static_cast<std::size_t>(FLastResult));
        lf = FReceived.find('\n', searched);
        done = lf != std::string::npos || (FClosed && FLastResult == 0);
        if (!done && FReceived.size() >= MaxLineLength) {
          StopTimer();
          FReceived.clear();
          throw ENetError("Received line is too long");
        }
      } else {
        CheckCallError();
      }
    } while (WaitOn(done, progress));
    EndWait(done);
  }
  std::string line;
  if (lf == std::string::npos) {
    line.swap(FReceived);
  } else {
    line = FReceived.substr(0, lf);
    FReceived.erase(0, lf + 1);
  }
  if (const auto cr = line.find('\r'); cr != std::string::npos) line.erase(cr, 1);
  Text = std::move(line);
}

void TNetSocket::ReceiveStream(TStream& Stream, std::int64_t Length, std::int64_t Offset) {
  Stream.Seek(Offset, soBeginning);
  if (Length == 0) Length = -1;
  std::vector<char> buffer(kBlock);
  std::int64_t received = 0;
  const bool streamSocket = FSocketType == 1 && FProtocol == 0;
  auto progressed = [&] {
    if (!OnTransferProgress) return;
    if (Length > 0)
      OnTransferProgress(this, Percent(Stream.Position(), Length), Clamp32(Stream.Position()), -1);
    else
      OnTransferProgress(this, -1, Clamp32(Stream.Position()), -1);
  };
  // Bytes a line read took beyond its line come first.
  if (!FReceived.empty()) {
    const std::size_t take =
        Length > 0 ? static_cast<std::size_t>(std::min<std::int64_t>(Length, FReceived.size())) : FReceived.size();
    Stream.WriteBuffer(FReceived.data(), static_cast<long>(take));
    FReceived.erase(0, take);
    received = static_cast<std::int64_t>(take);
    progressed();
    if (received == Length || !streamSocket) return;
  }
  StartTimer();
  bool done = false;
  bool progress = false;
  do {
    const int want = Length > 0 ? static_cast<int>(std::min<std::int64_t>(Length - received, kBlock)) : kBlock;
    if (FCancel) {
      StopTimer();
      throw ENetCanceledError();
    }
    FLastResult = NetWinsock().recv(FSocket, buffer.data(), want, FFlags);
    progress = false;
    if (FLastResult == winsock::SOCKET_ERROR) {
      CheckCallError();
    } else if (FLastResult > 0) {
      received += FLastResult;
      Stream.WriteBuffer(buffer.data(), FLastResult);
      progress = true;
      progressed();
      ResetTimer();
    }
    if (FLastResult != winsock::SOCKET_ERROR) {
      if (streamSocket) {
        if (FLastResult == 0) FClosed = true;
        done = received == Length || (FClosed && FLastResult == 0);
      } else {
        done = FLastResult > 0;
      }
    }
  } while (WaitOn(done, progress));
  EndWait(done);
  if (Length > 0 && received < Length)
    throw ENetError("Connection closed after " + std::to_string(received) + " of " + std::to_string(Length) + " bytes");
}

void TNetSocket::ReceiveChunked(TStream& Stream) {
  Stream.SetPosition(0);
  TMemoryStream chunk;
  for (;;) {
    std::string line;
    ReadLine(line);
    std::int64_t size = 0;
    if (!ParseHexNumber(TrimBlanks(line), size)) throw Exception("Error receiving the stream");
    if (size > 0) {
      chunk.Clear();
      ReceiveStream(chunk, size, 0);
      Stream.WriteBuffer(chunk.Memory(), static_cast<long>(chunk.Size()));
    }
    ReadLine(line);
    if (size == 0) break;
  }
}

// ---- TNetClientSocket ------------------------------------------------------------------------

TNetClientSocket::TNetClientSocket(TComponent* AOwner) : TNetSocket(AOwner) {}

void TNetClientSocket::SetHost(const std::string& Value) {
  const auto colon = Value.find(':');
  if (colon != std::string::npos && FProxy.empty()) {
    FHost = Cut255(Value.substr(0, colon));
    std::int64_t port = 0;
    FPort = ParseDecimalNumber(Value.substr(colon + 1), port) ? static_cast<short>(port) : FDefaultPort;
  } else {
    FHost = Cut255(Value);
    if (FDefaultPort > 0) FPort = FDefaultPort;
  }
}

void TNetClientSocket::SetProxy(const std::string& Value) {
  const auto colon = Value.find(':');
  if (colon != std::string::npos) {
    FProxy = Cut255(Value.substr(0, colon));
    std::int64_t port = 0;
    FProxyPort = ParseDecimalNumber(Value.substr(colon + 1), port) ? static_cast<WORD>(port) : 0;
  } else {
    FProxy = Cut255(Value);
    FProxyPort = 0;
    if (FProxy.empty()) {
      const std::string host = FHost;
      const short port = FPort;
      SetHost(host);
      if (host.find(':') == std::string::npos) FPort = port;
    }
  }
}

int TNetClientSocket::GetReplyCode(const std::string&) { return 1; }

void TNetClientSocket::Connect() {
  ResetState();
  if (OnConnecting) OnConnecting(this);
  TNetWinsock& ws = NetWinsock();
  FSocket = ws.socket(AF_INET, SOCK_STREAM, 0);
  if (FSocket == winsock::INVALID_SOCKET) ws.RaiseError(ws.WSAGetLastError());
  try {
    winsock::sockaddr_in address{};
    address.sin_family = AF_INET;
    if (!FProxy.empty()) {
      address.sin_port = ws.htons(FProxyPort);
      address.sin_addr.s_addr = ws.AddressOf(ws.ResolveHost(FProxy));
    } else {
      address.sin_port = ws.htons(static_cast<winsock::u_short>(FPort));
      address.sin_addr.s_addr = ws.AddressOf(ws.ResolveHost(FHost));
    }
    SetBlocking(FBlocking);
    if (!FBlocking && ws.WSAAsyncSelect(FSocket, &FWindow, winsock::WM_SOCKET_NOTIFY,
                                        winsock::FD_READ | winsock::FD_WRITE | winsock::FD_OOB |
                                            winsock::FD_CONNECT | winsock::FD_CLOSE) == winsock::SOCKET_ERROR)
      ws.RaiseError(ws.WSAGetLastError());
    // Commands and replies go line by line: a short write must not wait for the peer's
    // delayed acknowledgement of the previous one.
    int noDelay = 1;
    ws.setsockopt(FSocket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    FLastResult = ws.connect(FSocket, reinterpret_cast<const winsock::sockaddr*>(&address), sizeof address);
    if (FLastResult == winsock::SOCKET_ERROR) {
      const int error = ws.WSAGetLastError();
      if (FBlocking || error != winsock::WSAEWOULDBLOCK) ws.RaiseError(error);
    }
    if (!FBlocking && FSocketType == 1) {
      StartTimer();
      do {
        Pump(true);
        if (FConnected || FLastError > 0) break;
      } while (!TimedOut() && !FCancel);
      StopTimer();
      if (FLastError != 0) ws.RaiseError(FLastError & 0xFFFF);
      if (!FConnected) RaiseWaitEnd();
    }
  } catch (...) {
    // A socket that did not connect is of no use to anybody: close it.
    try {
      ws.closesocket(FSocket);
    } catch (const Exception&) {
    }
    FSocket = winsock::INVALID_SOCKET;
    throw;
  }
  if (OnConnected) OnConnected(this);
}

int TNetClientSocket::ReadReply(std::string& Line) {
  ReadLine(Line);
  return GetReplyCode(Line);
}

int TNetClientSocket::ReadFullReply() {
  const int code = ReadReply(FLastReply);
  if (code >= 1 && FLastReply.size() >= 4 && FLastReply[3] == '-') {
    const std::string prefix = FLastReply.substr(0, 3);
    // Bounded: a reply runs at most this many lines.
    for (int lines = 0; lines < 10000; ++lines) {
      if (!FBlocking && Closed()) break;
      std::string line;
      ReadLine(line);
      FLastReply = line;
      if (line.size() >= 4 && line.compare(0, 3, prefix) == 0 && line[3] == ' ') break;
      if (Closed() && line.empty()) break;
    }
  }
  return code;
}
