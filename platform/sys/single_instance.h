// A named single-instance token and a wake-up by name between the processes of this machine.
// Both live as socket files inside a folder the caller names, so the folder's permissions say who
// may take, test or ring them: a process that cannot write into the folder can neither hold the
// token nor answer or fake a ring.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

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

// The doorbells of one listener and many callers, with no file a call.  The listener (the desk)
// holds one listening socket file; a caller connects to it, sends the name it waits for (one
// message) and keeps the connection: a ring is one byte on that connection, and the connection's
// end tells either side that the other went.  A ring is a hint to look, never the news itself.
// Only a process that may enter the folder can call: the folder's permissions guard the desk.
class TBellDesk {
public:
  // Listens at Path (a socket file a killed listener left behind is replaced); Active is false
  // when another listens there, sockets fail or the folder cannot be written.
  explicit TBellDesk(const std::string& Path);
  TBellDesk(const TBellDesk&) = delete;
  TBellDesk& operator=(const TBellDesk&) = delete;
  ~TBellDesk();

  bool Active() const { return FFd >= 0; }
  // Watches the desk on Loop: OnCall runs after each batch of new callers was taken in.  A caller
  // that connected before naming itself is watched until its name comes.
  void AttachLoop(TEventLoop* Loop, std::function<void()> OnCall);
  // Takes in the callers that wait and reads their names (no wait).  True when any came.
  bool Accept();
  // Rings the caller that named Name, once, and lets its connection go.  A caller not yet named is
  // rung as soon as its name comes.  True when it was rung now.  Safe from any thread.
  bool Ring(const std::string& Name);
  // Lets go of callers that hung up and forgets rings that waited longer than MaxAgeSeconds for
  // their caller.
  void Sweep(double MaxAgeSeconds);
  // Callers taken in and not yet rung (named or not).
  size_t Callers() const;
  // Callers taken in since the desk opened: a change tells that someone called meanwhile.
  size_t Calls() const;
  // Stops listening and removes the socket file (also done by the destructor); callers left see
  // their connection end.
  void Close();

private:
  bool AcceptLocked();
  void ReadNames();
  void Watch(int Fd);
  void Unwatch(int Fd);

  mutable std::mutex FMutex;
  int FFd = -1;
  std::string FPath;
  TEventLoop* FLoop = nullptr;
  std::thread::id FLoopThread;
  std::function<void()> FOnCall;
  std::unordered_map<std::string, int> FNamed;
  std::vector<int> FUnnamed;
  size_t FCalls = 0;
  std::unordered_map<std::string, std::chrono::steady_clock::time_point> FEarly;  // rung before named
};

// A caller's side of a desk's doorbell.
class TBellLine {
public:
  TBellLine() = default;
  TBellLine(const TBellLine&) = delete;
  TBellLine& operator=(const TBellLine&) = delete;
  ~TBellLine() { Close(); }

  // Connects to the desk at Path and names Name.  True when a desk listens there (its queue of
  // callers may be full: then the line calls again at its next wait).
  bool Call(const std::string& Path, const std::string& Name);
  bool Connected() const { return FFd >= 0; }
  // Waits up to TimeoutMs for a ring or the end of the line (the desk went: look, and the line
  // calls the desk's successor at its next wait); false when the time ran out.  A line without a
  // connection calls again first and, failing, only sleeps.  The first SpinUs microseconds of
  // the wait look without sleeping (giving way to any other process that waits for the
  // processor): a ring due within them is heard at once, without the wake-up of a sleeping
  // process, which on an idle machine costs more than the look.
  bool Wait(int TimeoutMs, int SpinUs = 0);
  void Close();

private:
  int FFd = -1;
  std::string FPath, FName;
};
