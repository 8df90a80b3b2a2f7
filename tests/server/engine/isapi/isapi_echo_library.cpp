// The application part of the host test's extension library: the echo handler on the
// extension engine, a filter that answers with a field of the raw request, and a last-request
// handler that leaves a mark in the file named by ISAPI_ECHO_MARK, all set on the engine
// component, which creates the extension engine when it is loaded.
#include <fstream>

#include "platform/sys/process.h"
#include "server/engine/isapi/echo_handler.h"
#include "server/engine/general_http_engine.h"
#include "server/engine/isapi_engine.h"

void LibraryMain() {
  // The engine comes from the component, as in the server's own library.
  static TComponent form;
  auto* component = new TGeneralHttpEngine(&form);
  component->SetCGIMode(ServerMode);
  component->SetAutoReadInput(false);
  component->SetAutoContentType("application/octet-stream");
  component->OnExecRequest = EchoRequest;
  component->OnLastExecRequest = [](TObject*) {
    std::ofstream(GetEnvironmentVariable("ISAPI_ECHO_MARK"), std::ios::app) << "saved and closed\n";
  };
  component->OnIsapiFilterVersion = [](int&, int&, std::string& Description, int& Flags, bool&) {
    Description = "echo filter";
    Flags = SF_NOTIFY_READ_RAW_DATA | SF_NOTIFY_PREPROC_HEADERS;
  };
  component->OnIsapiFilterProc = [](HTTP_FILTER_CONTEXT*, int Type, void*, int& Result) {
    std::string value;
    if (Type == SF_NOTIFY_READ_RAW_DATA) {
      GetField("a", "-", value);
      WriteText("A=" + value + ";");
      GetField("b", "-", value);
      WriteText("B=" + value + ";");
      Result = SF_STATUS_REQ_HANDLED_NOTIFICATION;
    } else if (Type == SF_NOTIFY_PREPROC_HEADERS) {
      GetCookie(value);
      WriteText("COOKIE=" + value + ";");
    }
  };
  component->Loaded();
}
