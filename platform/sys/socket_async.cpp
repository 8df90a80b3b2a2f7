#include "platform/sys/socket_async.h"

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/sys/event_loop.h"

namespace winsock {

namespace {

struct TSelect {
  TEventLoop* Loop = nullptr;
  TMessageTarget* Target = nullptr;
  UINT Message = 0;
  long Events = 0;
  bool ConnectPending = false;  // FD_CONNECT still to come
  bool ReadArmed = true;        // FD_READ may be posted (until the next recv after one was)
  bool WriteArmed = false;      // FD_WRITE is owed
  bool CloseSent = false;
  unsigned Mask = ~0u;  // the watch as last set on the loop
};

// Never destroyed: sockets are closed from destructors that may run at the process's exit,
// after this file's objects would have gone.
std::recursive_mutex& gLock = *new std::recursive_mutex;
std::map<SOCKET, TSelect>& gSelects = *new std::map<SOCKET, TSelect>;

void OnReady(SOCKET s, unsigned ready);

// The watch mask that the state asks for; the read side waits until a pending connect is done,
// so that a refused connect reports FD_CONNECT with its error and not FD_CLOSE.
void UpdateWatch(SOCKET s, TSelect& st) {
  unsigned mask = 0;
  if (!st.ConnectPending && !st.CloseSent && st.ReadArmed && (st.Events & (FD_READ | FD_CLOSE | FD_OOB)))
    mask |= fdeRead;
  if ((st.ConnectPending && (st.Events & (FD_CONNECT | FD_WRITE))) || (st.WriteArmed && (st.Events & FD_WRITE)))
    mask |= fdeWrite;
  if (mask == st.Mask) return;  // most recv calls change nothing
  st.Mask = mask;
  const int fd = static_cast<int>(s);
  if (mask)
    st.Loop->SetFdWatch(fd, mask, [s](int, unsigned ready) { OnReady(s, ready); });
  else
    st.Loop->RemoveFdWatch(fd);
}

void Post(SOCKET s, const TSelect& st, long event, int error) {
  if (st.Events & event)
    st.Loop->PostMessage(st.Target, st.Message, static_cast<WPARAM>(s), WSAMAKESELECTREPLY(static_cast<int>(event), error));
}

void OnReady(SOCKET s, unsigned ready) {
  std::lock_guard<std::recursive_mutex> guard(gLock);
  auto it = gSelects.find(s);
  if (it == gSelects.end()) return;
  TSelect& st = it->second;
  const int fd = static_cast<int>(s);
  if (ready & fdeWrite) {
    if (st.ConnectPending) {
      st.ConnectPending = false;
      int soError = 0;
      socklen_t len = sizeof soError;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
      const int code = ErrorFromErrno(soError);
      Post(s, st, FD_CONNECT, code);
      if (code == 0) Post(s, st, FD_WRITE, 0);
      if (code != 0) st.CloseSent = true;  // nothing more comes from a failed connect
      st.WriteArmed = false;
    } else if (st.WriteArmed) {
      st.WriteArmed = false;
      Post(s, st, FD_WRITE, 0);
    }
  }
  if ((ready & (fdeRead | fdeHangUp)) && !st.ConnectPending && !st.CloseSent) {
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
      st.ReadArmed = false;
      Post(s, st, FD_READ, 0);
    } else if (n == 0) {
      st.CloseSent = true;
      Post(s, st, FD_CLOSE, 0);
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      st.CloseSent = true;
      Post(s, st, FD_CLOSE, ErrorFromErrno(errno));
    }
  }
  UpdateWatch(s, st);
}

template <class F>
void WithState(SOCKET s, F f) {
  std::lock_guard<std::recursive_mutex> guard(gLock);
  auto it = gSelects.find(s);
  if (it == gSelects.end()) return;
  f(it->second);
  UpdateWatch(s, it->second);
}

}  // namespace

int AsyncSelectSet(SOCKET s, HANDLE target, UINT message, long events) {
  std::lock_guard<std::recursive_mutex> guard(gLock);
  auto it = gSelects.find(s);
  if (events == 0) {
    if (it != gSelects.end()) {
      it->second.Loop->RemoveFdWatch(static_cast<int>(s));
      it->second.Loop->CancelMessages(it->second.Target);
      gSelects.erase(it);
    }
    return 0;
  }
  TEventLoop* loop = CurrentEventLoop();
  if (!loop || !target) return WSAEINVAL;
  TSelect& st = gSelects[s];
  if (st.Loop && st.Loop != loop) st.Loop->RemoveFdWatch(static_cast<int>(s));
  st.Loop = loop;
  st.Mask = ~0u;
  st.Target = static_cast<TMessageTarget*>(target);
  st.Message = message;
  st.Events = events;
  st.ReadArmed = true;
  // An already connected socket owes its first FD_WRITE, as in Winsock.
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  if (::getpeername(static_cast<int>(s), reinterpret_cast<sockaddr*>(&peer), &len) == 0) st.WriteArmed = true;
  UpdateWatch(s, st);
  return 0;
}

void AsyncSelectConnectStarted(SOCKET s) {
  WithState(s, [](TSelect& st) {
    st.ConnectPending = true;
    st.CloseSent = false;
  });
}

void AsyncSelectSendBlocked(SOCKET s) {
  WithState(s, [](TSelect& st) { st.WriteArmed = true; });
}

void AsyncSelectRecvCalled(SOCKET s) {
  WithState(s, [](TSelect& st) { st.ReadArmed = true; });
}

void AsyncSelectForget(SOCKET s) {
  std::lock_guard<std::recursive_mutex> guard(gLock);
  auto it = gSelects.find(s);
  if (it == gSelects.end()) return;
  it->second.Loop->RemoveFdWatch(static_cast<int>(s));
  gSelects.erase(it);
}

}  // namespace winsock
