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
