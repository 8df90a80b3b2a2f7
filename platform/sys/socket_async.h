// The state behind WSAAsyncSelect: which sockets post which events to which target, kept by the
// socket calls and driven by the event loop's fd watches.  Internal to the socket layer.
#pragma once

#include "platform/sys/winsock.h"

namespace winsock {

// Sets (events != 0) or removes (events == 0) the notification of one socket; gives 0 or a
// Winsock error code.
int AsyncSelectSet(SOCKET s, HANDLE target, UINT message, long events);
// Hooks of the socket calls: a connect has started (FD_CONNECT follows once it completes), a send
// would block (FD_WRITE follows when it can go on), recv was called (FD_READ is armed again), the
// socket is being closed (its watches go).
void AsyncSelectConnectStarted(SOCKET s);
void AsyncSelectSendBlocked(SOCKET s);
void AsyncSelectRecvCalled(SOCKET s);
void AsyncSelectForget(SOCKET s);

}  // namespace winsock
