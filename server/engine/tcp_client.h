// A small TCP client component straight on the socket layer: a non-blocking connect, sends that
// wait out "would block", and notifications of connect, read and close.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/classes.h"
#include "platform/sys/event_loop.h"
#include "platform/sys/winsock.h"

enum TCGISocketState { ssNotStarted = 0, ssReady = 1, ssConnected = 2, ssConnecting = 4 };

using TSocketErrorEvent = std::function<void(TObject* Sender, int ErrorCode, const std::string& ErrorText)>;
using TSocketEvent = std::function<void(TObject* Sender, winsock::SOCKET Socket)>;

// The Winsock text of an error code; empty for codes it does not know.
std::string SocketErrorText(int ErrorCode);

class TCustomCGISocket : public TComponent {
public:
  explicit TCustomCGISocket(TComponent* AOwner);
  ~TCustomCGISocket() override;

  int Protocol() const { return FProtocol; }
  int SocketType() const { return FSocketType; }
  winsock::SOCKET Socket() const { return FSocket; }
  TCGISocketState State() const { return FState; }
  int LastError() const { return FLastError; }
  const std::string& Version() const { return FVersion; }
  const std::string& Description() const { return FDescription; }
  const std::string& SystemStatus() const { return FSystemStatus; }
  int MaxSockets() const { return FMaxSockets; }
  int MaxDatagramSize() const { return FMaxDatagramSize; }

  std::string ErrorText() const { return SocketErrorText(FLastError); }
  // One receive of at most 1024 bytes; "would block" gives an empty text without an error.
  std::string ReceiveText();

  TSocketErrorEvent OnError;

protected:
  // Stores the code and reports it.
  void SocketError(int ErrorCode);
  void CloseSocket();

  int FProtocol = 0;
  int FSocketType = 0;
  winsock::SOCKET FSocket = winsock::INVALID_SOCKET;
  TCGISocketState FState = ssNotStarted;
  int FLastError = 0;
  std::string FVersion, FDescription, FSystemStatus;
  int FMaxSockets = 0;
  int FMaxDatagramSize = 0;
  bool FPeerClosed = false;  // a receive found the end of the stream
  char FBuffer[1024];
};

class TTCPClient : public TCustomCGISocket {
public:
  explicit TTCPClient(TComponent* AOwner);
  ~TTCPClient() override;

  std::string RemoteHost;
  std::string RemotePort;

  // Starts a non-blocking connect (only when ready); the state becomes connecting.
  void Connect();
  void Disconnect();
  // Sends every byte; false when the send failed.
  virtual bool SendText(const std::string& Text);

  // Waits at most Ms for the socket to change (a connect to complete, data to arrive) and
  // handles it as the notifications do.
  void WaitForSocket(int Ms);

  TSocketEvent OnConnect;
  TSocketEvent OnRead;
  TSocketEvent OnClose;

private:
  class TNotifyWindow : public TMessageTarget {
  public:
    explicit TNotifyWindow(TTCPClient& Owner) : FOwner(Owner) {}
    void HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) override;

  private:
    TTCPClient& FOwner;
  };
  void Notify(int Event, int Error);
  void SelectEvents(long Events);

  TNotifyWindow FWindow{*this};
  bool FNotifying = false;
};
