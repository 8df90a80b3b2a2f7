// The client end of the real stack for the end-to-end tests: a poll loop, the web server
// launcher, the HTTP transport and session, a record window over plain fields and the host the
// windows call back into.  The test installs the stack, starts the server and logs in.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "client/core/local_server.h"
#include "client/core/login_logic.h"
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

  // Starts the web server of the installation in Folder (ending in "/") on Port, logs in to the
  // database "Test" and opens it in the record window, for the host.
  void StartAndLogIn(const std::string& Folder, int Port) {
    ASSERT_TRUE(Server.Start(Folder, Port));
    ASSERT_TRUE(TLocalServer::WaitUntilAnswering(Port, 5000));
    Web.SetTimeOut(60);
    Session.ServerURL = TLocalServer::ServerURL(Port);
    Session.ScratchFolder = Folder + "Work/";
    TLoginLogic Login(Session);
    ASSERT_EQ(Login.Login("Test"), 1);
    ASSERT_TRUE(Window.OpenDatabase(nullptr));
    Host.Session = &Session;
    Host.Record = &Window;
    Host.Captions = TestCaptions(Window.Buffers.Configuration);
  }
};
