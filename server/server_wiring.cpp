#include "server/server_wiring.h"

#include "platform/headless/event_loop_poll.h"
#include "platform/ui/application.h"
#include "server/engine/general_http_engine.h"
#include "server/qnserver_form.h"

TQNServerForm* CreateServerForm(const std::string& Folder,
                                const std::function<void(TQNServerForm& Form)>& BeforeStart) {
  InstallHeadlessEventLoop();
  TApplication& App = GetApplication();
  App.Initialize();
  App.SetShowMainForm(false);

  auto* Form = new TQNServerForm(Folder, &App);
  Form->SetName("QNServerForm");
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
  if (BeforeStart) BeforeStart(*Form);
  Engine->Loaded();
  return Form;
}
