// The application part of the host test's extension library: the echo handler on the
// extension engine, a filter that answers with a field of the raw request, and a last-request
// handler that leaves a mark in the file named by ISAPI_ECHO_MARK.
#include <fstream>

#include "platform/sys/process.h"
#include "server/engine/isapi/echo_handler.h"
#include "server/engine/isapi_engine.h"

void LibraryMain() {
  TCGIEngineSettings settings;
  settings.CGIMode = ServerMode;
  settings.AutoReadInput = false;
  settings.AutoContentType = "application/octet-stream";
  settings.OnExecRequest = EchoRequest;
  settings.OnLastExecRequest = [](TObject*) {
    std::ofstream(GetEnvironmentVariable("ISAPI_ECHO_MARK"), std::ios::app) << "saved and closed\n";
  };
  auto* engine = new TISAPIEngine(nullptr, settings);
  engine->OnHttpFilterVersion = [](int&, int&, std::string& Description, int& Flags, bool&) {
    Description = "echo filter";
    Flags = SF_NOTIFY_READ_RAW_DATA | SF_NOTIFY_PREPROC_HEADERS;
  };
  engine->OnHttpFilterProc = [](HTTP_FILTER_CONTEXT*, int Type, void*, int& Result) {
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
}
