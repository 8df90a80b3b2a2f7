#include "server/engine/nsapi_engine.h"

#include <utility>

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/rtl/string_list.h"
#include "platform/sys/libraries.h"
#include "platform/sys/threads.h"
#include "server/engine/http_text.h"

namespace {

TNSAPIFunctions gFunctions;
std::mutex gBindLock;
std::atomic<bool> gActive{false};

// The calling thread's call.
struct TNSAPICall {
  pblock* Parameters = nullptr;
  Session* Sn = nullptr;
  Request* Rq = nullptr;
  std::string FieldText;
};
thread_local TNSAPICall tCall;

template <class T>
void Bind(HMODULE Module, T& Entry, const std::string& Name, const char* Alternative = nullptr) {
  FARPROC proc = nullptr;
  if (Alternative) proc = GetProcAddress(Module, Alternative);
  if (!proc) proc = GetProcAddress(Module, Name);
  if (!proc) proc = GetProcAddress(Module, "INT" + Name);
  Entry = reinterpret_cast<T>(proc);
}

std::string Find(const char* Name, pblock* Block) {
  if (!Block || !gFunctions.pblock_findval) return {};
  const char* value = gFunctions.pblock_findval(const_cast<char*>(Name), Block);
  return value ? std::string(value) : std::string();
}

}  // namespace

const TNSAPIFunctions& NSAPIFunctions() { return gFunctions; }

bool BindNSAPILibrary() {
  std::lock_guard<std::mutex> lock(gBindLock);
  if (gFunctions.net_write) return true;
  HMODULE module = nullptr;
  for (const char* name : {"ns-httpd50.dll", "ns-httpd40.dll", "ns-httpd35.dll", "ns-httpd30.dll", "ns-httpd20.dll"})
    if ((module = LoadLibrary(name)) != nullptr) break;
  if (!module) return false;
  TNSAPIFunctions f;
  Bind(module, f.net_write, "net_write");
  Bind(module, f.netbuf_next, "netbuf_next");
  Bind(module, f.param_free, "param_free");
  Bind(module, f.pblock_fr, "pblock_fr", "_pblock_fr");
  Bind(module, f.pblock_findval, "pblock_findval");
  Bind(module, f.pblock_nvinsert, "pblock_nvinsert");
  Bind(module, f.request_header, "request_header");
  Bind(module, f.http_status, "http_status");
  Bind(module, f.http_start_response, "http_start_response");
  Bind(module, f.crit_init, "crit_init");
  Bind(module, f.crit_enter, "crit_enter");
  Bind(module, f.crit_exit, "crit_exit");
  Bind(module, f.crit_terminate, "crit_terminate");
  gFunctions = f;
  return gFunctions.net_write != nullptr;
}

void SetNSAPIActive(bool Value) { gActive = Value; }
bool NSAPIActive() { return gActive; }

TNSAPIEngine::TNSAPIEngine(TComponent* AOwner, const TCGIEngineSettings& Settings)
    : TChannelEngine(AOwner, Settings), FActive(gActive) {
  if (FActive) MakeCurrent();
}

bool TNSAPIEngine::IsActive() { return FActive; }

void TNSAPIEngine::ServeCall(pblock* Parameters, Session* Sn, Request* Rq) {
  tCall = TNSAPICall{Parameters, Sn, Rq, {}};
  ExecuteRequest();
  tCall = TNSAPICall();
}

void TNSAPIEngine::RunRequest() {
  if (!BindNSAPILibrary()) throw ENSAPIError("No NSAPI server library could be loaded");
  ReadFieldText();
  FireRequestEvents(std::exchange(FFirstRequest, false), false);
}

void TNSAPIEngine::ReadFieldText() {
  tCall.FieldText.clear();
  const std::string method = AsciiUpper(GetRequestMethod());
  if (method != "POST") {
    if (method == "GET") tCall.FieldText = GetQueryString();
    return;
  }
  const int length = GetContentLength();
  if (length > AutoReadLimit) {
    WriteLogLine("Content length exceeds AutoReadLimit");
  } else if (!ContainsNoCase(GetContentType(), "MULTIPART/FORM-DATA")) {
    std::string body(static_cast<size_t>(length), '\0');
    const int got = length > 0 ? ReadBytes(body.data(), length) : 0;
    tCall.FieldText = body.substr(0, static_cast<size_t>(std::max(got, 0)));
  } else {
    ReadMultipart(tCall.FieldText);
  }
}

int TNSAPIEngine::ReadBytes(void* Buffer, int Count) {
  netbuf* in = tCall.Sn ? tCall.Sn->inbuf : nullptr;
  if (!in || Count <= 0) return 0;
  auto* out = static_cast<unsigned char*>(Buffer);
  int done = 0;
  while (done < Count) {
    if (in->inbuf && in->pos < in->cursize) {
      out[done++] = in->inbuf[in->pos++];
      continue;
    }
    // netbuf_next gives the next byte, or 0 or less at the end of the input.
    const int c = gFunctions.netbuf_next ? gFunctions.netbuf_next(in, 0) : -1;
    if (c <= 0) break;
    out[done++] = static_cast<unsigned char>(c);
  }
  return done;
}

void TNSAPIEngine::WriteChannel(const char* Data, size_t Count) {
  if (!tCall.Sn || !gFunctions.net_write) return;
  while (Count > 0) {
    const int n = gFunctions.net_write(tCall.Sn->csd, const_cast<char*>(Data), static_cast<int>(std::min<size_t>(Count, 1 << 30)));
    if (n <= 0) throw EWriteError("Stream write error");
    Data += n;
    Count -= static_cast<size_t>(n);
  }
}

void TNSAPIEngine::AddHeader(const std::string& Name, const std::string& Value) {
  if (!tCall.Rq || !gFunctions.pblock_nvinsert) return;
  std::string name = Name, value = Value;
  if (gFunctions.pblock_fr)
    if (pb_param* old = gFunctions.pblock_fr(name.data(), tCall.Rq->srvhdrs, 1))
      if (gFunctions.param_free) gFunctions.param_free(old);
  gFunctions.pblock_nvinsert(name.data(), value.data(), tCall.Rq->srvhdrs);
}

void TNSAPIEngine::EndHeader() {
  // The server writes the status line and the header lines itself.
  if (BufferedOutput && !DirectOutput()) return;
  if (gFunctions.http_status) gFunctions.http_status(tCall.Sn, tCall.Rq, 200, nullptr);
  if (gFunctions.http_start_response) gFunctions.http_start_response(tCall.Sn, tCall.Rq);
}

void TNSAPIEngine::GetVariable(const std::string& Name, std::string& Value) {
  Value.clear();
  std::string upper = AsciiUpper(Name);
  std::replace(upper.begin(), upper.end(), ' ', '_');
  if (!tCall.Rq) return;
  if (upper == "SCRIPT_NAME" || upper == "EXECUTABLE_PATH") {
    Value = Find("uri", tCall.Rq->reqpb);
    return;
  }
  for (pblock* block : {tCall.Rq->reqpb, tCall.Rq->vars, tCall.Rq->headers, tCall.Rq->srvhdrs,
                        tCall.Sn ? tCall.Sn->client : nullptr, tCall.Parameters}) {
    Value = Find(Name.c_str(), block);
    if (!Value.empty()) return;
  }
  char* header = nullptr;
  std::string name = Name;
  if (gFunctions.request_header && gFunctions.request_header(name.data(), &header, tCall.Sn, tCall.Rq) >= 0 && header)
    Value = header;
}

void TNSAPIEngine::GetField(const std::string& Name, const std::string& Default, std::string& Value) {
  Value = GetUrlEncodedField(Name, tCall.FieldText, Default);
}

std::unique_ptr<TStringList> TNSAPIEngine::GetFieldNames() { return ParseFields(tCall.FieldText); }

std::string TNSAPIEngine::GetRequestMethod() { return tCall.Rq ? Find("method", tCall.Rq->reqpb) : ""; }
std::string TNSAPIEngine::GetQueryString() { return tCall.Rq ? Find("query", tCall.Rq->reqpb) : ""; }
std::string TNSAPIEngine::GetServerProtocol() { return tCall.Rq ? Find("protocol", tCall.Rq->reqpb) : ""; }
std::string TNSAPIEngine::GetUserAgent() { return tCall.Rq ? Find("user-agent", tCall.Rq->headers) : ""; }
std::string TNSAPIEngine::GetCookie() { return tCall.Rq ? Find("cookie", tCall.Rq->headers) : ""; }
std::string TNSAPIEngine::GetContentType() { return tCall.Rq ? Find("content-type", tCall.Rq->srvhdrs) : ""; }
std::string TNSAPIEngine::GetRemoteAddr() { return tCall.Sn ? Find("ip", tCall.Sn->client) : ""; }
std::string TNSAPIEngine::GetRemoteHost() { return tCall.Sn ? Find("dns", tCall.Sn->client) : ""; }
std::string TNSAPIEngine::GetScriptName() { return tCall.Rq ? Find("uri", tCall.Rq->reqpb) : ""; }
std::string TNSAPIEngine::GetExecutablePath() { return GetScriptName(); }

int TNSAPIEngine::GetContentLength() {
  std::string text;
  GetVariable("content-length", text);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return text.empty() || *end != '\0' || value < 0 ? 0 : static_cast<int>(std::min<long>(value, 0x7FFFFFFF));
}

// With the server library bound, locks are the server's critical sections.
TCriticalSection* TNSAPIEngine::CreateLock() {
  if (!gFunctions.crit_init) return THttpEngine::CreateLock();
  return static_cast<TCriticalSection*>(gFunctions.crit_init());
}
void TNSAPIEngine::Lock(TCriticalSection* Section) {
  if (gFunctions.crit_enter) gFunctions.crit_enter(Section);
  else THttpEngine::Lock(Section);
}
void TNSAPIEngine::Unlock(TCriticalSection* Section) {
  if (gFunctions.crit_exit) gFunctions.crit_exit(Section);
  else THttpEngine::Unlock(Section);
}
void TNSAPIEngine::FreeLock(TCriticalSection* Section) {
  if (gFunctions.crit_terminate) gFunctions.crit_terminate(Section);
  else THttpEngine::FreeLock(Section);
}
