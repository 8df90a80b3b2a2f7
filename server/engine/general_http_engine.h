// The engine component the server form holds (as ESStaff).  It carries the engine settings,
// picks the front end that serves this process when the form has been loaded, creates it, and
// passes later changes of a setting on to the running engine.  The variable and output
// operations are the current engine's own, reached through Current().
//
// How a program runs it (the server program's main):
//
//   CGIStdEngineStartup(argc, argv);   // a CGI process hands its request over and may end here
//   Application->Initialize();
//   auto* form = new TQNServerForm(...);                 // holds ESStaff
//   form->ESStaff = new TGeneralHttpEngine(form);
//   form->ESStaff->OnFirstExecRequest = ...; OnExecRequest = ...; OnLastExecRequest = ...;
//   form->ESStaff->SetCGIMode(ServerMode); ... the other settings ...
//   form->ESStaff->Loaded();   // creates the front end; a CGI process runs its request and ends
//   Application->Run();        // the resident instance serves the queue on its 50 ms timer
#pragma once

#include <string>

#include "platform/rtl/classes.h"
#include "server/engine/http_engine.h"
#include "server/engine/isapi_engine.h"

class TCGIStdEngine;
class TCGIWinEngine;
class TNSAPIEngine;
struct TCGIEngineSettings;

// A plain component: the base of the engine component.
class TGeneralHttpComponent : public TComponent {
public:
  using TComponent::TComponent;
};

class TGeneralHttpEngine : public TGeneralHttpComponent {
public:
  explicit TGeneralHttpEngine(TComponent* AOwner);

  // Settings; each setter also updates the calling thread's current engine.
  bool AutoHttpHeader() const { return FAutoHttpHeader; }
  void SetAutoHttpHeader(bool Value);
  const std::string& AutoContentType() const { return FAutoContentType; }
  void SetAutoContentType(const std::string& Value);
  bool AutoReadInput() const { return FAutoReadInput; }
  void SetAutoReadInput(bool Value);
  int AutoReadLimit() const { return FAutoReadLimit; }
  void SetAutoReadLimit(int Value);
  bool BufferedOutput() const { return FBufferedOutput; }
  void SetBufferedOutput(bool Value);
  const std::string& TempDir() const { return FTempDir; }
  void SetTempDir(const std::string& Value);
  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(const std::string& Value);
  bool NoCache() const { return FNoCache; }
  void SetNoCache(bool Value);
  // Read when the front end is created.
  TCGIMode CGIMode() const { return FCGIMode; }
  void SetCGIMode(TCGIMode Value) { FCGIMode = Value; }
  bool CgiAutoTerminate() const { return FCgiAutoTerminate; }
  void SetCgiAutoTerminate(bool Value) { FCgiAutoTerminate = Value; }

  // Events, handed to the front end when it is created (assign them before Loaded).
  TExecRequestEvent OnExecRequest;
  TFirstExecRequestEvent OnFirstExecRequest;
  TLastExecRequestEvent OnLastExecRequest;
  TRequestErrorEvent OnRequestError;
  // Given to the extension engine of a library build.
  THttpExtensionVersionEvent OnIsapiExtensionVersion;
  THttpFilterProcEvent OnIsapiFilterProc;
  THttpFilterVersionEvent OnIsapiFilterVersion;

  // Chooses and creates the front ends.  Loaded as a library: the NSAPI and the extension
  // engine.  Otherwise the standard CGI engine for a web server's CGI call or a resident
  // instance, and the Windows CGI engine when no other serves or the program was started by
  // hand.  In a CGI process that hands its request over (or runs it in NormalMode) this does
  // not return: the process ends with the request.
  void Loaded() override;

  // The front ends created by Loaded (owned by this component's owner), if any.
  TCGIStdEngine* StdEngine() const { return FStdEngine; }
  TCGIWinEngine* WinEngine() const { return FWinEngine; }
  TISAPIEngine* ISAPIEngine() const { return FISAPIEngine; }
  TNSAPIEngine* NSAPIEngine() const { return FNSAPIEngine; }

  // The calling thread's current engine: the request at hand's variables, fields, input and
  // output are its own (Current().GetUserAgent(), Current().WriteLine(...)).  Throws
  // EHttpEngineError when no request runs on this thread.
  THttpEngine& Current();

private:
  TCGIEngineSettings FrontEndSettings(bool ForceServerMode) const;
  TComponent* FrontEndOwner() { return Owner() ? Owner() : this; }

  bool FAutoHttpHeader = true;
  std::string FAutoContentType = "text/html";
  bool FAutoReadInput = true;
  int FAutoReadLimit = 10000;
  bool FBufferedOutput = false;
  std::string FTempDir;
  TCGIMode FCGIMode = NormalMode;
  bool FCgiAutoTerminate = true;
  std::string FSessionName = "DefaultSession";
  bool FNoCache = false;
  TCGIStdEngine* FStdEngine = nullptr;
  TCGIWinEngine* FWinEngine = nullptr;
  TISAPIEngine* FISAPIEngine = nullptr;
  TNSAPIEngine* FNSAPIEngine = nullptr;
};
