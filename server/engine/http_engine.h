// The request engine: one engine object answers one HTTP request at a time on the calling thread.
// It reads the request's server variables and fields, calls the application's events and writes
// the reply (status line, header lines, body) through the channel its front end supplies.
// Invariant: a thread runs one request at a time, and its request state (RequestState) belongs
// to that request from ExecuteRequest's start to its end.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"

class TStringList;
class TThread;
class TCriticalSection;
class THttpCookie;

enum TCGIMode { NormalMode, ServerMode, ServerThreadMode };

using TRequestErrorEvent = std::function<void(TObject* Sender, Exception& ErrorReason)>;
using TExecRequestEvent = std::function<void(TObject* Sender)>;
using TFirstExecRequestEvent = std::function<void(TObject* Sender)>;
using TLastExecRequestEvent = std::function<void(TObject* Sender)>;

class THttpEngine : public TComponent {
public:
  explicit THttpEngine(TComponent* AOwner);
  ~THttpEngine() override;

  std::string AutoContentType = "text/html";
  bool AutoReadInput = true;
  int AutoReadLimit = 0;
  bool AutoHttpHeader = true;
  bool BufferedOutput = false;
  TCGIMode CGIMode = NormalMode;
  std::string SessionName;
  std::string TempDir;
  bool NoCache = false;
  TRequestErrorEvent OnRequestError;
  TExecRequestEvent OnExecRequest;
  TFirstExecRequestEvent OnFirstExecRequest;
  TLastExecRequestEvent OnLastExecRequest;

  // Runs one request: reads input, fires the events, writes the automatic header, flushes.
  void ExecuteRequest();
  // The application's events of one request, in the order every front end fires them: the
  // first request's event when First, the request's own, then the last request's when Last.
  void FireRequestEvents(bool First, bool Last);
  void WriteLine(const std::string& Text);
  static std::unique_ptr<TStringList> ParseFields(const std::string& FieldText);
  void MakeCurrent();

  virtual void RunRequest() = 0;
  virtual void FinishRequest();
  virtual void ReadMultipart(std::string& FieldText);

  virtual std::string GetServerName();
  virtual std::string GetServerSoftware();
  virtual std::string GetGatewayInterface();
  virtual std::string GetServerProtocol();
  virtual std::string GetServerPort();
  virtual bool GetServerPortSecure();
  virtual std::string GetRequestMethod();
  virtual std::string GetPathInfo();
  virtual std::string GetPathTranslated();
  virtual std::string GetScriptName();
  virtual std::string GetQueryString();
  virtual std::string GetRemoteHost();
  virtual std::string GetRemoteAddr();
  virtual std::string GetAuthType();
  virtual std::string GetRemoteUser();
  virtual std::string GetRemoteIdent();
  virtual std::string GetContentType();
  virtual int GetContentLength();
  virtual std::string GetUrl();
  virtual std::string GetUserAgent();
  virtual std::string GetCookie();
  virtual std::string GetReferer();
  virtual std::string GetExecutablePath();

  virtual TThread* GetRequestThread();
  virtual void WriteStatusLine();
  virtual void WriteText(const std::string& Text);
  virtual void WriteData(const void* Buffer, int Count);
  virtual int ReadBytes(void* Buffer, int Count);
  virtual void AddHeader(const std::string& Name, const std::string& Value);
  virtual void EndHeader();
  virtual void GetVariable(const std::string& Name, std::string& Value) = 0;
  virtual void GetField(const std::string& Name, const std::string& Default, std::string& Value) = 0;
  virtual std::unique_ptr<TStringList> GetFieldNames() = 0;
  virtual TCriticalSection* CreateLock();
  virtual void Lock(TCriticalSection* Section);
  virtual void Unlock(TCriticalSection* Section);
  virtual void FreeLock(TCriticalSection* Section);
  virtual bool IsActive() = 0;

protected:
  // The front end's channel: writes bytes as they stand (no header logic).
  virtual void WriteChannel(const char* Data, size_t Count);
  // True when the front end writes each piece straight to its channel: always without
  // buffering, and while a buffer is flushed.
  static bool DirectOutput();

private:
  std::string Variable(const char* Name, const char* Fallback = nullptr);
  void Flush();
};

// Whether a reply below this web server begins with the status line "HTTP/1.1 200 OK" (every
// server but those that write their own).
bool ServerWantsStatusLine(const std::string& ServerSoftware);

// Per-thread request state shared by the engine and its front ends.
struct TRequestState {
  THttpEngine* CurrentEngine = nullptr;
  std::vector<std::string> UploadList;
  bool HeaderSent = false;
  bool StatusHandled = false;
  int LogTag = 0;
  int PictureKind = 0;
  std::unique_ptr<THttpCookie> SessionCookie;
  std::unique_ptr<TStringList> SessionList;
  std::unique_ptr<std::string> OutputBuffer;
  bool DirectOutput = true;
};
TRequestState& RequestState();

// Appends one line to the engine log: "<date> <time>,  <tag> : <message>".  Never raises.
// Control bytes of the message become blanks, so that request text cannot forge lines.
void WriteLogLine(const std::string& Message);
// The lines of WriteLogLine, one after the other, appended as one (one look at the log file and
// one write, not one of each a line).
void WriteLogLines(std::initializer_list<std::string_view> Messages);
// The full path of the log file WriteLogLine appends to (the folder is created when missing).
// Past 4 MB the log becomes EngineOldLogFileName (the log's name and ".1", replacing the older
// file there was) and a new log begins.
std::string EngineLogFileName();
std::string EngineOldLogFileName();

// Frees every form of the application and ends the process with exit code 0.
[[noreturn]] void TerminateServer();
// The program's clean-up before TerminateServer ends the process (the server form registers
// its own here: freeing its forms and the open database).
void SetTerminateServerHandler(std::function<void()> Handler);
// The engine's own last step before the process ends (the hand-over's clean-up).
void SetEngineEndStep(void (*Step)());
