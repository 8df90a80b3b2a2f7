// The socket components: a non-blocking TCP client socket whose waits pump the message loop
// while a one-second timer counts the time-out down.
// Invariant: bytes read ahead of a line belong to the next reads, and a socket counts as closed
// only once the peer closed and every byte it sent has been taken.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "net/net_timer.h"
#include "net/net_winsock.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/streams.h"
#include "platform/ui/messages.h"

using TNetProgressEvent = std::function<void(TObject* Sender, int Perc, int ByteCount, int LineCount)>;
using TNetNotifyEvent = std::function<void(TObject* Sender)>;

class TNetSocketBase : public TComponent {
public:
  explicit TNetSocketBase(TComponent* AOwner = nullptr);
  ~TNetSocketBase() override;

  bool Blocking() const { return FBlocking; }
  void SetBlockingProperty(bool Value) { FBlocking = Value; }
  winsock::SOCKET Handle() const { return FSocket; }
  int LastResult() const { return FLastResult; }
  int LastNotifyError() const { return FLastError; }
  std::string Version() const { return "2.02"; }
  void SetVersion(const std::string&) {}

  // The notification window procedure.
  virtual void WndProc(TMessage& Message);

protected:
  class TNotifyWindow : public TMessageTarget {
  public:
    explicit TNotifyWindow(TNetSocketBase* Owner) : FOwner(Owner) {}
    void HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) override;

  private:
    TNetSocketBase* FOwner;
  };

  TNotifyWindow FWindow{this};
  int FTimeOut = 60;
  std::unique_ptr<TNetTimeCounter> FTimeCounter;
  bool FBlocking = false;
  winsock::SOCKET FSocket = winsock::INVALID_SOCKET;
  int FLastResult = 0;
  int FLastError = 0;
};

class TNetSocket : public TNetSocketBase {
public:
  explicit TNetSocket(TComponent* AOwner = nullptr);

  int TimeOut() const { return FTimeOut; }
  void SetTimeOut(int Value);

  TNetNotifyEvent OnConnected;
  TNetNotifyEvent OnDisconnected;
  TNetProgressEvent OnTransferProgress;

  bool Connected() const { return FConnected; }
  // The peer closed the connection and every byte it sent has been taken (the close can be
  // known while read-ahead bytes of a line read still wait).
  bool Closed() const { return FClosed && FReceived.empty(); }
  // Asks the running wait to stop with ENetCanceledError.
  void Cancel() { FCancel = true; }

  void WndProc(TMessage& Message) override;
  virtual void ResetState();

  void Disconnect();
  void SendBuffer(const void* Buffer, int Length);
  void SendLine(const std::string& Text);
  void SendStream(TStream& Stream, std::int64_t Offset);
  // One line without its line end.  Lines longer than MaxLineLength raise ENetError.
  void ReadLine(std::string& Text);
  void ReceiveStream(TStream& Stream, std::int64_t Length, std::int64_t Offset);
  void ReceiveChunked(TStream& Stream);

  static constexpr std::size_t MaxLineLength = 65536;

protected:
  void SetBlocking(bool Value);
  void StartTimer();
  void StopTimer();
  void ResetTimer();
  bool TimedOut() const;
  // One pump of the message loop in a wait; `idle` waits for the next event first.
  void Pump(bool idle);
  // After a failed call: raises unless the error is "would block" (non-blocking sockets), or the
  // wait was cancelled or timed out.
  void CheckCallError();
  void RaiseWaitEnd();
  // The end of one step of a wait loop: false when done; else pumps (waiting for an event when
  // the step made no progress) and says whether the wait goes on (not timed out, not cancelled).
  bool WaitOn(bool done, bool progress);
  // After the loop: stops the timer, and raises the time-out or cancel when not done.
  void EndWait(bool done);

  int FFlags = 0;
  int FSocketType = 1;
  int FProtocol = 0;
  bool FCancel = false;
  bool FConnected = false;
  bool FClosed = false;
  // Received bytes not yet taken: what came after the last line read.
  std::string FReceived;
};

class TNetClientSocket : public TNetSocket {
public:
  explicit TNetClientSocket(TComponent* AOwner = nullptr);

  const std::string& Host() const { return FHost; }
  void SetHost(const std::string& Value);
  short Port() const { return FPort; }
  void SetPort(short Value) { FPort = Value; }
  const std::string& Proxy() const { return FProxy; }
  void SetProxy(const std::string& Value);
  WORD ProxyPort() const { return FProxyPort; }
  void SetProxyPort(WORD Value) { FProxyPort = Value; }
  const std::string& LastReply() const { return FLastReply; }

  TNetNotifyEvent OnConnecting;

  virtual int GetReplyCode(const std::string& Line);
  virtual void Connect();
  int ReadReply(std::string& Line);
  int ReadFullReply();

protected:
  std::string FHost;
  short FPort = 0;
  std::string FProxy;
  WORD FProxyPort = 0;
  std::string FLastReply;
  short FDefaultPort = 0;
};
