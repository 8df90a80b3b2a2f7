// qnserver.exe: the record database server, run by the web server as a CGI program.  A CGI
// process hands its request to the one resident instance of this program and ends with the
// reply; the resident instance serves request after request with its database open.
#include "platform/headless/event_loop_poll.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/process.h"
#include "platform/ui/application.h"
#include "platform/ui/timer.h"
#include "server/engine/cgi_std_engine.h"
#include "server/engine/general_http_engine.h"
#include "server/engine/http_engine.h"
#include "server/qnserver_form.h"

int main(int argc, char** argv) {
  CGIStdEngineStartup(argc, argv);
  InstallHeadlessEventLoop();
  TApplication& App = GetApplication();
  App.Initialize();
  App.SetShowMainForm(false);

  // The form holds the databases beside the program's own file.
  auto* Form = new TQNServerForm(ExtractFilePath(ParamStr(0)), &App);
  Form->SetName("QNServerForm");
  SetTerminateServerHandler([Form] { Form->FormClose(); });

  auto* Engine = new TGeneralHttpEngine(Form);
  Form->ESStaff = Engine;
  Engine->SetName("ESStaff");
  Engine->SetAutoContentType("text/html");
  Engine->SetAutoReadInput(false);
  Engine->SetAutoReadLimit(10000);
  Engine->SetBufferedOutput(false);
  Engine->SetCGIMode(ServerMode);
  Engine->SetCgiAutoTerminate(true);
  Engine->SetSessionName("DefaultSession");
  Engine->SetNoCache(false);
  Engine->OnFirstExecRequest = [Form](TObject* Sender) { Form->ESStaffFirstExecRequest(Sender); };
  Engine->OnExecRequest = [Form](TObject* Sender) { Form->ESStaffExecRequest(Sender); };
  Engine->OnLastExecRequest = [Form](TObject* Sender) { Form->ESStaffLastExecRequest(Sender); };
  Engine->Loaded();

  // The resident instance writes the database file whole once the saves have paused.
  if (IsResidentInstance()) {
    auto* IdleTimer = new TTimer(Form);
    IdleTimer->SetInterval(1000);
    IdleTimer->OnTimer = [Form](TObject*) { Form->FoldWhenIdle(3.0); };
  }

  App.Run();
  TerminateServer();
}
