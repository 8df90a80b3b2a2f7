// The echo server program of the end-to-end tests.  The User-Agent text picks what it does:
//   "fail"  raises an exception whose text must reach the log only;
//   "big"   writes a header line long enough to put the blank line beyond 1024 bytes;
//   "slow"  waits 1.5 s before answering;
//   "hold"  answers once the file "release" stands beside the program (a minute at most);
//   "query" adds the raw query string ("Q=");
//   "twice" echoes the body twice;
//   other   echoes "UA=", "ID=" (the query field "id"), "LEN=" and the body, after a blank
//           line (the reply body starts with CR LF).
#include <string>
#include <vector>

#include "platform/headless/event_loop_poll.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"
#include "platform/ui/application.h"
#include "server/engine/cgi_std_engine.h"
#include "server/engine/general_http_engine.h"
#include "server/engine/http_text.h"
#include "server/engine/request_api.h"

namespace {

void Echo(TObject*) {
  std::string agent, id;
  GetUserAgent(agent);
  GetField("id", "", id);
  if (agent == "fail") throw Exception("boom\r\nforged line");
  if (agent == "slow") Sleep(1500);
  if (agent == "hold")
    for (int waited = 0; waited < 60000 && !FileExists(ExtractFilePath(GetModuleName()) + "release"); waited += 10) Sleep(10);
  std::vector<char> body(static_cast<size_t>(GetContentLength()));
  int got = body.empty() ? 0 : ReadBytes(body.data(), static_cast<int>(body.size()));
  if (agent == "big") AddHeader("X-Pad", std::string(1100, 'x'));
  WriteString("");  // the automatic header block, then this blank line
  WriteString("UA=" + agent);
  WriteString("ID=" + id);
  if (agent == "query") {
    std::string query;
    GetQueryString(query);
    WriteString("Q=" + query);
  }
  WriteString("LEN=" + std::to_string(got));
  if (got > 0) WriteBytes(body.data(), got);
  if (got > 0 && agent == "twice") WriteBytes(body.data(), got);
}

}  // namespace

int main(int argc, char** argv) {
  SetHandoverErrorReply("<HTML>Echo failed</HTML>");
  // ENGINE_ECHO_REPLY_WAIT_MS: a CGI process's wait for its reply, shorter than the real one.
  if (const std::string wait = GetEnvironmentVariable("ENGINE_ECHO_REPLY_WAIT_MS"); !wait.empty())
    SetHandoverReplyWait(std::stoi(wait));
  CGIStdEngineStartup(argc, argv);
  InstallHeadlessEventLoop();
  GetApplication().Initialize();
  TComponent form;
  auto* engine = new TGeneralHttpEngine(&form);
  // ENGINE_ECHO_MODE=normal runs every request in the process that receives it.
  engine->SetCGIMode(GetEnvironmentVariable("ENGINE_ECHO_MODE") == "normal" ? NormalMode : ServerMode);
  engine->SetAutoReadInput(false);
  engine->SetAutoContentType("application/octet-stream");
  engine->OnExecRequest = Echo;
  engine->Loaded();
  GetApplication().Run();
  TerminateServer();
}
