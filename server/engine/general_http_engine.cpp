#include "server/engine/general_http_engine.h"

#include "platform/rtl/string_list.h"
#include "platform/sys/process.h"
#include "platform/ui/application.h"
#include "server/engine/cgi_std_engine.h"
#include "server/engine/cgi_win_engine.h"
#include "server/engine/http_text.h"
#include "server/engine/nsapi_engine.h"
#include "server/engine/request_api.h"

namespace {

THttpEngine* Running() { return GetCurrentEngine(); }

}  // namespace

TGeneralHttpEngine::TGeneralHttpEngine(TComponent* AOwner) : TGeneralHttpComponent(AOwner) {}

void TGeneralHttpEngine::SetAutoHttpHeader(bool Value) {
  FAutoHttpHeader = Value;
  if (THttpEngine* engine = Running()) engine->AutoHttpHeader = Value;
}
void TGeneralHttpEngine::SetAutoContentType(const std::string& Value) {
  FAutoContentType = Value;
  if (THttpEngine* engine = Running()) engine->AutoContentType = Value;
}
void TGeneralHttpEngine::SetAutoReadInput(bool Value) {
  FAutoReadInput = Value;
  if (THttpEngine* engine = Running()) engine->AutoReadInput = Value;
}
void TGeneralHttpEngine::SetAutoReadLimit(int Value) {
  FAutoReadLimit = Value;
  if (THttpEngine* engine = Running()) engine->AutoReadLimit = Value;
}
void TGeneralHttpEngine::SetBufferedOutput(bool Value) {
  FBufferedOutput = Value;
  if (THttpEngine* engine = Running()) engine->BufferedOutput = Value;
}
void TGeneralHttpEngine::SetTempDir(const std::string& Value) {
  FTempDir = Value;
  if (THttpEngine* engine = Running()) engine->TempDir = Value;
}
void TGeneralHttpEngine::SetSessionName(const std::string& Value) {
  FSessionName = Value;
  if (THttpEngine* engine = Running()) engine->SessionName = Value;
}
void TGeneralHttpEngine::SetNoCache(bool Value) {
  FNoCache = Value;
  if (THttpEngine* engine = Running()) engine->NoCache = Value;
}

TCGIEngineSettings TGeneralHttpEngine::FrontEndSettings(bool ForceServerMode) const {
  TCGIEngineSettings settings;
  settings.ForceServerMode = ForceServerMode;
  settings.CGIMode = FCGIMode;
  settings.AutoTerminate = FCgiAutoTerminate;
  settings.BufferedOutput = FBufferedOutput;
  settings.NoCache = FNoCache;
  settings.TempDir = FTempDir;
  settings.SessionName = FSessionName;
  settings.AutoReadLimit = FAutoReadLimit;
  settings.AutoReadInput = FAutoReadInput;
  settings.AutoContentType = FAutoContentType;
  settings.AutoHttpHeader = FAutoHttpHeader;
  settings.OnRequestError = OnRequestError;
  settings.OnLastExecRequest = OnLastExecRequest;
  settings.OnExecRequest = OnExecRequest;
  settings.OnFirstExecRequest = OnFirstExecRequest;
  return settings;
}

void TGeneralHttpEngine::Loaded() {
  TGeneralHttpComponent::Loaded();
  GetApplication().SetShowMainForm(false);
  if (FStdEngine || FWinEngine || FISAPIEngine || FNSAPIEngine) return;  // loaded before
  if (IsLibrary()) {
    // A web server's library host: the NSAPI engine, then the extension engine, which the
    // library's exports serve.
    FNSAPIEngine = new TNSAPIEngine(FrontEndOwner(), FrontEndSettings(false));
    FISAPIEngine = new TISAPIEngine(FrontEndOwner(), FrontEndSettings(false));
    FISAPIEngine->OnHttpExtensionVersion = OnIsapiExtensionVersion;
    FISAPIEngine->OnHttpFilterProc = OnIsapiFilterProc;
    FISAPIEngine->OnHttpFilterVersion = OnIsapiFilterVersion;
    return;
  }
  // Started by hand: the resident instance, served by both CGI front ends.
  const bool bare = GetEnvVar("SERVER_SOFTWARE").empty() && ParamCount() == 0;
  if (!GetCurrentEngine()) {
    if (bare || (!GetEnvVar("SERVER_SOFTWARE").empty() && !ContainsNoCase(GetEnvVar("CGI_VERSION"), "WIN"))) {
      FStdEngine = new TCGIStdEngine(FrontEndOwner(), FrontEndSettings(bare));
      FStdEngine->Start();
    }
  }
  if (!GetCurrentEngine() || bare) {
    FWinEngine = new TCGIWinEngine(FrontEndOwner(), FrontEndSettings(bare));
    FWinEngine->Start();
  }
}

THttpEngine& TGeneralHttpEngine::Current() {
  THttpEngine* engine = GetCurrentEngine();
  if (!engine) throw EHttpEngineError("No request engine is current on this thread");
  return *engine;
}

void TGeneralHttpEngine::WriteLine(const std::string& Text) { Current().WriteLine(Text); }
std::string TGeneralHttpEngine::GetServerName() { return Current().GetServerName(); }
std::string TGeneralHttpEngine::GetServerSoftware() { return Current().GetServerSoftware(); }
std::string TGeneralHttpEngine::GetGatewayInterface() { return Current().GetGatewayInterface(); }
std::string TGeneralHttpEngine::GetServerProtocol() { return Current().GetServerProtocol(); }
std::string TGeneralHttpEngine::GetServerPort() { return Current().GetServerPort(); }
bool TGeneralHttpEngine::GetServerPortSecure() { return Current().GetServerPortSecure(); }
std::string TGeneralHttpEngine::GetRequestMethod() { return Current().GetRequestMethod(); }
std::string TGeneralHttpEngine::GetPathInfo() { return Current().GetPathInfo(); }
std::string TGeneralHttpEngine::GetPathTranslated() { return Current().GetPathTranslated(); }
std::string TGeneralHttpEngine::GetScriptName() { return Current().GetScriptName(); }
std::string TGeneralHttpEngine::GetQueryString() { return Current().GetQueryString(); }
std::string TGeneralHttpEngine::GetRemoteHost() { return Current().GetRemoteHost(); }
std::string TGeneralHttpEngine::GetRemoteAddr() { return Current().GetRemoteAddr(); }
std::string TGeneralHttpEngine::GetAuthType() { return Current().GetAuthType(); }
std::string TGeneralHttpEngine::GetRemoteUser() {
  std::string value;
  Current().GetVariable("Remote User", value);
  return value;
}
std::string TGeneralHttpEngine::GetRemoteIdent() { return Current().GetRemoteIdent(); }
std::string TGeneralHttpEngine::GetContentType() { return Current().GetContentType(); }
int TGeneralHttpEngine::GetContentLength() {
  try {
    return Current().GetContentLength();
  } catch (Exception&) {
    return 0;
  }
}
std::string TGeneralHttpEngine::GetUrl() { return Current().GetUrl(); }
std::string TGeneralHttpEngine::GetUserAgent() { return Current().GetUserAgent(); }
std::string TGeneralHttpEngine::GetCookie() { return Current().GetCookie(); }
std::string TGeneralHttpEngine::GetReferer() { return Current().GetReferer(); }
std::string TGeneralHttpEngine::GetExecutablePath() { return Current().GetExecutablePath(); }
void TGeneralHttpEngine::WriteText(const std::string& Text) { Current().WriteText(Text); }
void TGeneralHttpEngine::WriteData(const void* Buffer, int Count) { Current().WriteData(Buffer, Count); }
void TGeneralHttpEngine::AddHeader(const std::string& Name, const std::string& Value) {
  Current().AddHeader(Name, Value);
}
int TGeneralHttpEngine::ReadBytes(void* Buffer, int Count) { return Current().ReadBytes(Buffer, Count); }
void TGeneralHttpEngine::EndHeader() { Current().EndHeader(); }
void TGeneralHttpEngine::GetVariable(const std::string& Name, std::string& Value) {
  Current().GetVariable(Name, Value);
}
void TGeneralHttpEngine::GetField(const std::string& Name, const std::string& Default, std::string& Value) {
  Current().GetField(Name, Default, Value);
}
std::unique_ptr<TStringList> TGeneralHttpEngine::GetFieldNames() { return Current().GetFieldNames(); }
TCriticalSection* TGeneralHttpEngine::CreateLock() { return Current().CreateLock(); }
void TGeneralHttpEngine::Lock(TCriticalSection* Section) { Current().Lock(Section); }
void TGeneralHttpEngine::Unlock(TCriticalSection* Section) { Current().Unlock(Section); }
void TGeneralHttpEngine::FreeLock(TCriticalSection* Section) { Current().FreeLock(Section); }
