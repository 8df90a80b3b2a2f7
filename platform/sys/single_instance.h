// A named single-instance token: held by one process while it lives, testable by any other.
// It is an abstract Unix socket named "\0qn:" + a hash of the program folder and the title,
// so it vanishes with its process, however that ends.
#pragma once

#include <string>

class TEventLoop;

class TSingleInstanceToken {
public:
  // Folder defaults to the folder of ParamStr(0).
  explicit TSingleInstanceToken(const std::string& Title, const std::string& Folder = "");
  TSingleInstanceToken(const TSingleInstanceToken&) = delete;
  TSingleInstanceToken& operator=(const TSingleInstanceToken&) = delete;
  ~TSingleInstanceToken();

  // Binds and listens; false when another process (or object) holds the token. Connections
  // are accepted and closed on Loop (default: the current loop, when there is one).
  bool Acquire(TEventLoop* Loop = nullptr);
  // Moves the accepting to Loop (a token acquired before the loop existed).
  void AttachLoop(TEventLoop* Loop);
  void Release();
  bool Held() const { return FFd >= 0; }

  // True when a process holds the token (a connect succeeds).
  static bool Exists(const std::string& Title, const std::string& Folder = "");
  // The socket name without its leading NUL ("qn:" + 16 hexadecimal digits).
  static std::string SocketName(const std::string& Title, const std::string& Folder = "");

private:
  void AcceptPending();

  std::string FName;
  int FFd = -1;
  TEventLoop* FLoop = nullptr;
};

// A wake-up by name between the processes of this machine, without a file: the listener holds an
// abstract datagram socket named "\0qnbell:" + a hash of the name; Ring sends it one byte, or
// nothing when no one listens.  A ring is a hint to look, never the news itself.
class TDoorbell {
public:
  // Listens under Name; Active is false when the name is taken or sockets fail.
  explicit TDoorbell(const std::string& Name);
  TDoorbell(const TDoorbell&) = delete;
  TDoorbell& operator=(const TDoorbell&) = delete;
  ~TDoorbell();

  bool Active() const { return FFd >= 0; }
  // The descriptor that turns readable on a ring (for an event loop; Wait(0) then takes the rings).
  int Handle() const { return FFd; }
  // Waits up to TimeoutMs for rings and takes all that wait; false when the time ran out (an
  // inactive doorbell only sleeps).
  bool Wait(int TimeoutMs);
  // Rings the doorbell of Name; true when a listener is there (its queue of rings may be full).
  static bool Ring(const std::string& Name);
  // The same from this doorbell's own socket, which spares making one (a plain Ring when inactive).
  bool RingOther(const std::string& Name) const;

private:
  int FFd = -1;
};
