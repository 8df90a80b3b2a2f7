// qnserver.exe: the record database server, run by the web server as a CGI program.  A CGI
// process hands its request to the one resident instance of this program and ends with the
// reply; the resident instance serves request after request with its database open.
#include "platform/rtl/file_io.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/process.h"
#include "platform/ui/application.h"
#include "platform/ui/timer.h"
#include "server/engine/cgi_std_engine.h"
#include "server/engine/http_engine.h"
#include "server/qnserver_form.h"
#include "server/server_wiring.h"

int main(int argc, char** argv) {
  // The databases, their journals, attachments and the log are this user's alone, whatever
  // umask the web server passed on.
  SetFileAccess(TFileAccess::Private);
  // A request that cannot reach the resident instance (a full disk) gets the dispatcher's reply
  // for a failed request, which the client reports as a request problem.
  SetHandoverErrorReply(kErrorLocalModeReply);
  CGIStdEngineStartup(argc, argv);
  // The form holds the databases beside the program's own file; an ending server closes it.
  TQNServerForm* Form = CreateServerForm(ExtractFilePath(ParamStr(0)), [](TQNServerForm& Form) {
    SetTerminateServerHandler([&Form] { Form.FormClose(); });
  });

  // The resident instance takes the result of a whole write of the database file that ended
  // while no request came.
  if (IsResidentInstance()) {
    auto* IdleTimer = new TTimer(Form);
    IdleTimer->SetInterval(1000);
    IdleTimer->OnTimer = [Form](TObject*) { Form->Idle(); };
  }

  GetApplication().Run();
  TerminateServer();
}
