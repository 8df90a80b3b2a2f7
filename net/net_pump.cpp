#include "net/net_pump.h"

#include "platform/sys/event_loop.h"

void NetPumpMessages(int waitMs) {
  if (TEventLoop* loop = CurrentEventLoop()) loop->ProcessMessages(waitMs > 0 ? waitMs : 0);
}
