// The client end of the real stack for the end-to-end tests: a poll loop, the web server
// launcher, the HTTP transport and session, a record window over plain fields and the host the
// windows call back into.  The test installs the stack, starts the server and logs in.
#pragma once

#include "client/core/local_server.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "tests/client/reports/reports_fixture.h"

struct TStackClient {
  TPollEventLoop Loop{false};
  TLocalServer Server;
  TNetHTTPClient Web;
  THttpTransport Transport{Web};
  TServerSession Session{Transport};
  TModelView View;
  TRecordWindow Window{Session, View};
  TReportHost Host;
};
