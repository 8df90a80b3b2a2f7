// The client's side of the record server protocol: the transport every request goes through,
// the request state shared by all commands (server address, database name, the query of a server
// function), the text helpers of the query and of text replies, file uploads and downloads, and
// the reply judgement of the server functions.
//
// Every command is one request; requests never nest: while one is under way a second one is
// refused (ERequestBusy) and reported as a failed transfer.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"

class TNetHTTPClient;

QN_DECLARE_EXCEPTION(ERequestBusy, Exception);
QN_DECLARE_EXCEPTION(ERequestFailed, Exception);

// One request as it goes on the wire.
struct TClientRequest {
  bool Post = false;
  std::string URL;
  std::string UserAgent;    // the record server command: command + ":" + database
  std::string ContentType;  // empty for a GET; "multipart/form-data" for the client's posts
  std::string Body;         // the body of a POST
};

// Where requests go: the HTTP client in the program, a recording double in tests.
class TServerTransport {
public:
  virtual ~TServerTransport() = default;
  // The reply body.  Raises an Exception on any failure of the transfer (no connection, time-out,
  // an HTTP status that is not a success).
  virtual std::string Send(const TClientRequest& Request) = 0;
};

// The transport over the window's HTTP client (time-out 300 s, progress reported by the client's
// own event).
class THttpTransport : public TServerTransport {
public:
  explicit THttpTransport(TNetHTTPClient& Client);
  std::string Send(const TClientRequest& Request) override;

private:
  TNetHTTPClient& FClient;
};

// ---- Text helpers --------------------------------------------------------------------------

// "A"-"Z", "a"-"z", "0"-"9" stay; a blank becomes "+" (BlankAsPlus) or "%20"; every other byte
// "%XX" with upper-case digits.
std::string URLEncodeValue(const std::string& Text, bool BlankAsPlus = true);
// "+" gives a blank; "%" and the next two characters give the byte of that hexadecimal number
// (a bad digit gives byte 0); everything else is copied.
std::string URLDecodeValue(const std::string& Text);
// Upper-cased, one trailing "H" dropped; digits 0-9 and A-F; any other character gives 0.  At
// most 255 characters are scanned.
std::int64_t HexTextToInt64(const std::string& Text);
// Appends "?" (First) or "&", Name, "=" and the encoded value to Target.
void AddURLParameter(std::string& Target, const std::string& Name, const std::string& Value,
                     bool First);
// The lines of a text reply: each CR ends a line, which is URL-decoded; bytes 0-15 other than CR
// are dropped; what follows the last CR is one more line, not decoded (also when empty).
std::vector<std::string> SplitReplyLines(const std::string& Reply);
// The judgement of a server function's reply (see TServerSession::CheckResult).
bool JudgeReply(const std::string& Kind, const std::vector<std::string>& Lines);
// A reply of "S": "<HTML>" + record index + "</HTML>" (a line end after it allowed).
bool IsSaveReply(const std::string& Reply);
// A reply that starts "<HTML>Error": the server refused an upload, download or save.
bool IsErrorReply(const std::string& Reply);
// The last path component of a name that comes from record data ("/" and "\" both separate);
// empty when that is "", "." or "..".
std::string SafeBaseName(const std::string& Name);
// The size of a file in bytes, 0 when it is not found (uploads refuse files over MaxUploadSize).
std::int64_t FileSizeOf(const std::string& FileName);
inline constexpr std::int64_t MaxUploadSize = 1000000;
// Database names go into the User-Agent and the server's paths: a plain name (IsPlainName), the
// same check the server makes.
bool ValidDatabaseName(const std::string& Name);

// ---- The request state -----------------------------------------------------------------------

class TServerSession {
public:
  explicit TServerSession(TServerTransport& Transport);

  // The server program's address and the open database: set by the login step.
  std::string ServerURL;
  std::string DatabaseName;
  // The query of the next server function request.
  std::string RequestParameters;
  // The private folder of this client (downloads and diagnostic copies), with a trailing "/".
  // Created on first use.
  std::string ScratchFolder;
  // Diagnostic copies ("logdata.txt", "logsend.txt") of what crossed the wire, in ScratchFolder.
  bool WriteDiagnostics = false;

  // Called with the address before every request, inside the window lock (the client's own web
  // server is started again there when it has gone).
  std::function<void(const std::string& URL)> BeforeSend;
  // The window lock around a request: false before it, true after it (also after a failure).
  std::function<void(bool Enable)> OnEnableForm;

  TServerTransport& Transport() { return FTransport; }
  bool Busy() const { return FBusy; }
  // The reply of the last request (empty after a failed one).
  const std::string& Body() const { return FBody; }
  // The User-Agent of the last request.
  const std::string& UserAgent() const { return FUserAgent; }

  // command + ":" + database.
  static std::string ServerCommand(const std::string& Command, const std::string& Database);

  // One request with the command, to ServerURL + Query.  Raises on failure (ERequestBusy while
  // another request is under way); the window is locked around it when Lock is true.
  std::string Get(const std::string& Command, const std::string& Query = "", bool Lock = true);
  std::string Post(const std::string& Command, const std::string& Body, bool Lock = true);
  // A request given whole; for the commands that form their own User-Agent ("CreateDB").
  std::string Send(TClientRequest Request, bool Lock);

  // Server functions: InitializeRequest, SetParameter (first true once), GetServerPath, then
  // CheckResult.
  void InitializeRequest() { RequestParameters.clear(); }
  void SetParameter(const std::string& Name, const std::string& Value, bool First);
  // Command "Z" with RequestParameters; false when the transfer failed (Body is then empty).
  bool GetServerPath();
  // Judges Body as the reply of Kind.  Lines receives the reply's lines for the kinds that hand
  // them over; JumpCode the record code of a successful "Jump".
  bool CheckResult(const std::string& Kind, std::vector<std::string>* Lines = nullptr,
                   std::string* JumpCode = nullptr);

  // Uploads the file with command Prefix + Code.  False when the file cannot be read, the
  // transfer fails, or the server answers "<HTML>Error...".
  bool SendFile(const std::string& FileName, const std::string& Prefix, const std::string& Code);
  // Downloads with command Prefix + Code into ScratchFolder + the base name of LocalName.  The
  // full path on success, empty on failure (a name that is no plain file name, a failed transfer,
  // a reply "<HTML>Error...", a file that cannot be written).
  std::string RetreiveFile(const std::string& LocalName, const std::string& Prefix,
                           const std::string& Code);
  // The path a download of LocalName is stored at ("" for a name that is no plain file name).
  std::string DownloadPath(const std::string& LocalName) const;
  // Deletes the downloaded copy of LocalName when this client downloaded it; true when deleted.
  bool DeleteDownload(const std::string& LocalName);
  bool Downloaded(const std::string& Path) const { return FDownloads.count(Path) != 0; }

  // "Y": the server rebuilds its search index; the reply is not read, failures are ignored.
  void BuildSearchIndex();

  // Writes Data as ScratchFolder + Name when WriteDiagnostics is set.
  void WriteDiagnostic(const std::string& Name, const std::string& Data);
  // Makes ScratchFolder exist; false when it cannot be created.
  bool ForceScratchFolder();

private:
  TServerTransport& FTransport;
  bool FBusy = false;
  std::string FBody;
  std::string FUserAgent;
  std::set<std::string> FDownloads;
};

// Writes "go.htm" into Folder (four lines: a page that sends the browser to Url at once) and
// asks the shell to open it.  False, after telling the person, when the page cannot be written
// or no program opens it.
bool WriteRedirectPage(const std::string& Folder, const std::string& Url);
