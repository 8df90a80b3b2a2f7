// The record database server as an extension library: the form holds the databases beside the
// library's own file and answers every request on the extension engine, one at a time.
#include "platform/headless/event_loop_poll.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/process.h"
#include "platform/ui/application.h"
#include "server/engine/general_http_engine.h"
#include "server/qnserver_form.h"

void LibraryMain() {
  InstallHeadlessEventLoop();
  TApplication& App = GetApplication();
  App.Initialize();
  App.SetShowMainForm(false);

  auto* Form = new TQNServerForm(ExtractFilePath(GetModuleFileName()), &App);
  Form->SetName("QNServerForm");
  auto* Component = new TGeneralHttpEngine(Form);
  Form->ESStaff = Component;
  Component->SetName("ESStaff");
  Component->SetAutoContentType("text/html");
  Component->SetAutoReadInput(false);
  Component->SetAutoReadLimit(10000);
  Component->SetBufferedOutput(false);
  Component->SetCGIMode(ServerMode);
  Component->SetCgiAutoTerminate(true);
  Component->SetSessionName("DefaultSession");
  Component->SetNoCache(false);
  Component->OnFirstExecRequest = [Form](TObject* Sender) { Form->ESStaffFirstExecRequest(Sender); };
  Component->OnExecRequest = [Form](TObject* Sender) { Form->ESStaffExecRequest(Sender); };
  Component->OnLastExecRequest = [Form](TObject* Sender) { Form->ESStaffLastExecRequest(Sender); };
  Component->Loaded();  // creates the extension engine the exports serve
}
