// A named single-instance token and a wake-up by name between the processes of this machine.
// Both live as socket files inside a folder the caller names, so the folder's permissions say who
// may take, test or ring them: a process that cannot write into the folder can neither hold the
// token nor answer or fake a ring.
#pragma once

#include <string>

class TEventLoop;

// Held by one process while it lives, testable by any other that may enter the folder.  The
// holder holds an exclusive lock on "<Folder>/<Title>_lock" (which goes with its process, however
// that ends) and listens at the socket file "<Folder>/<Title>_token", which a test connects to.
class TSingleInstanceToken {
public:
  // Folder defaults to the folder of ParamStr(0).
  explicit TSingleInstanceToken(const std::string& Title, const std::string& Folder = "");
  TSingleInstanceToken(const TSingleInstanceToken&) = delete;
  TSingleInstanceToken& operator=(const TSingleInstanceToken&) = delete;
  ~TSingleInstanceToken();

  // Takes the lock, then binds and listens (a socket file a holder killed left behind is
  // replaced); false when another process (or object) holds the token. Connections are accepted
  // and closed on Loop (default: the current loop, when there is one).
  bool Acquire(TEventLoop* Loop = nullptr);
  // Moves the accepting to Loop (a token acquired before the loop existed).
  void AttachLoop(TEventLoop* Loop);
  // Removes the socket file and lets the lock go.
  void Release();
  bool Held() const { return FFd >= 0; }

  // True when a process holds the token (a connect succeeds).
  static bool Exists(const std::string& Title, const std::string& Folder = "");
  // The token's socket file.
  static std::string SocketName(const std::string& Title, const std::string& Folder = "");

private:
  void AcceptPending();

  std::string FSocket, FLockFile;
  int FFd = -1;
  int FLock = -1;
  TEventLoop* FLoop = nullptr;
};

// A wake-up by name: the listener holds a datagram socket bound at the file Path; Ring sends it
// one byte, or nothing when no one listens.  A ring is a hint to look, never the news itself.
// One listener a path: a socket file left behind by a listener that was killed is replaced, and
// the file goes with the doorbell.
class TDoorbell {
public:
  // Listens at Path; Active is false when another listens there, sockets fail or the folder
  // cannot be written.
  explicit TDoorbell(const std::string& Path);
  TDoorbell(const TDoorbell&) = delete;
  TDoorbell& operator=(const TDoorbell&) = delete;
  ~TDoorbell();

  bool Active() const { return FFd >= 0; }
  // The descriptor that turns readable on a ring (for an event loop; Wait(0) then takes the rings).
  int Handle() const { return FFd; }
  // Waits up to TimeoutMs for rings and takes all that wait; false when the time ran out (an
  // inactive doorbell only sleeps).
  bool Wait(int TimeoutMs);
  // Stops listening and removes the socket file (also done by the destructor).
  void Close();
  // Rings the doorbell at Path; true when a listener is there (its queue of rings may be full).
  static bool Ring(const std::string& Path);
  // The same from this doorbell's own socket, which spares making one (a plain Ring when inactive).
  bool RingOther(const std::string& Path) const;

private:
  int FFd = -1;
  std::string FPath;
};
