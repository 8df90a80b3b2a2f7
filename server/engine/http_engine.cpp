#include "server/engine/http_engine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/rtl/string_list.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"
#include "platform/sys/threads.h"
#include "platform/rtl/random.h"
#include "platform/rtl/date_time.h"
#include "server/engine/http_text.h"
#include "server/engine/multipart_reader.h"

namespace {

thread_local TRequestState tRequestState;

constexpr int kSessionCodeKey = 0x5A3C;
const char kNotAvailable[] = "#1NOT_AVAILABLE#1";

void (*gEngineEndStep)() = nullptr;

std::recursive_mutex& RequestLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::function<void()>& TerminateHandler() {
  static std::function<void()> handler;
  return handler;
}

}  // namespace

TRequestState& RequestState() { return tRequestState; }

THttpEngine::THttpEngine(TComponent* AOwner) : TComponent(AOwner) {}

THttpEngine::~THttpEngine() {
  if (tRequestState.CurrentEngine == this) tRequestState.CurrentEngine = nullptr;
}

void THttpEngine::MakeCurrent() { tRequestState.CurrentEngine = this; }

bool THttpEngine::DirectOutput() { return tRequestState.DirectOutput; }

void THttpEngine::WriteChannel(const char* /*Data*/, size_t /*Count*/) {}

void THttpEngine::FireRequestEvents(bool First, bool Last) {
  if (First && OnFirstExecRequest) OnFirstExecRequest(this);
  if (OnExecRequest) OnExecRequest(this);
  if (Last && OnLastExecRequest) OnLastExecRequest(this);
}

void THttpEngine::ExecuteRequest() {
  TRequestState& state = tRequestState;
  state.UploadList.clear();
  if (BufferedOutput) {
    state.OutputBuffer = std::make_unique<std::string>();
    state.DirectOutput = false;
  } else {
    state.OutputBuffer.reset();
    state.DirectOutput = true;
  }
  state.PictureKind = 0;
  if (state.LogTag == 0) state.LogTag = Random(1000);

  // A library host may call from many threads; in ServerMode its requests run one at a time.
  std::unique_lock<std::recursive_mutex> requestLock;
  if (IsLibrary() && CGIMode == ServerMode) requestLock = std::unique_lock<std::recursive_mutex>(RequestLock());

  auto logError = [this](Exception& error) {
    if (OnRequestError)
      OnRequestError(this, error);
    else
      WriteLogLine("Unhandled exception : " + error.Message());
  };
  try {
    MakeCurrent();
    state.HeaderSent = false;
    state.StatusHandled = false;
    if (IsActive()) {
      state.SessionCookie = std::make_unique<THttpCookie>(nullptr);
      state.SessionCookie->Rename(SessionName);
      state.SessionCookie->Coded = true;
      state.SessionCookie->CodeKey = kSessionCodeKey;
      state.SessionList = std::make_unique<TStringList>();
    }
    RunRequest();
    if (AutoHttpHeader && !state.HeaderSent) {
      AddHeader("content-type", AutoContentType);
      state.HeaderSent = true;
      EndHeader();
    }
  } catch (Exception& error) {
    logError(error);
  } catch (std::exception& error) {
    // Any other failure must not end the resident instance either.
    Exception wrapped(error.what());
    logError(wrapped);
  }

  if (BufferedOutput) {
    try {
      Flush();
    } catch (std::exception& error) {
      WriteLogLine(std::string("Unhandled exception : ") + error.what());
    }
    state.OutputBuffer.reset();
  }
  state.DirectOutput = true;
  FinishRequest();
  state.SessionCookie.reset();
  state.SessionList.reset();
  state.LogTag = 0;
}

void THttpEngine::Flush() {
  TRequestState& state = tRequestState;
  state.DirectOutput = true;
  if (!state.OutputBuffer) return;
  const std::string buffer = std::move(*state.OutputBuffer);
  state.OutputBuffer->clear();
  if (!AutoHttpHeader) {
    WriteChannel(buffer.data(), buffer.size());
    return;
  }
  size_t blank = buffer.find("\r\n\r\n");
  if (blank == std::string::npos) {
    WriteChannel(buffer.data(), buffer.size());
    return;
  }
  const size_t bodyStart = blank + 4;
  WriteChannel(buffer.data(), blank + 2);
  AddHeader("content-length", std::to_string(buffer.size() - bodyStart));
  state.HeaderSent = true;
  EndHeader();
  WriteChannel(buffer.data() + bodyStart, buffer.size() - bodyStart);
}

void THttpEngine::WriteLine(const std::string& Text) { WriteText(Text + "\r\n"); }

void THttpEngine::FinishRequest() {
  for (const std::string& file : tRequestState.UploadList) ::unlink(file.c_str());
  tRequestState.UploadList.clear();
}

void THttpEngine::ReadMultipart(std::string& FieldText) {
  ReadMultipartBody(FieldText, TempDir, tRequestState.UploadList);
}

std::string THttpEngine::Variable(const char* Name, const char* Fallback) {
  std::string value;
  GetVariable(Name, value);
  if (value.empty() && Fallback) GetVariable(Fallback, value);
  return value;
}

std::string THttpEngine::GetServerName() { return Variable("SERVER NAME"); }
std::string THttpEngine::GetServerSoftware() { return Variable("SERVER SOFTWARE"); }
std::string THttpEngine::GetGatewayInterface() { return Variable("GATEWAY INTERFACE"); }
std::string THttpEngine::GetServerProtocol() { return Variable("SERVER PROTOCOL", "REQUEST PROTOCOL"); }
std::string THttpEngine::GetServerPort() { return Variable("SERVER PORT"); }
bool THttpEngine::GetServerPortSecure() { return Variable("SERVER PORT SECURE") == "1"; }
std::string THttpEngine::GetRequestMethod() { return Variable("REQUEST METHOD"); }
std::string THttpEngine::GetPathInfo() { return Variable("PATH INFO"); }
std::string THttpEngine::GetPathTranslated() { return Variable("PATH TRANSLATED", "DOCUMENT ROOT"); }
std::string THttpEngine::GetScriptName() { return Variable("SCRIPT NAME", "EXECUTABLE PATH"); }
std::string THttpEngine::GetQueryString() {
  std::string value = Variable("QUERY STRING");
  return value == kNotAvailable ? std::string() : value;
}
std::string THttpEngine::GetRemoteHost() { return Variable("REMOTE HOST"); }
std::string THttpEngine::GetRemoteAddr() { return Variable("REMOTE ADDR", "REMOTE ADDRESS"); }
std::string THttpEngine::GetAuthType() { return Variable("AUTH TYPE", "AUTHETICATION METHOD"); }
std::string THttpEngine::GetRemoteUser() { return Variable("REMOTE USER"); }
std::string THttpEngine::GetRemoteIdent() { return Variable("REMOTE IDENT"); }
std::string THttpEngine::GetContentType() { return Variable("CONTENT TYPE"); }
int THttpEngine::GetContentLength() {
  std::string text = TrimBlanks(Variable("CONTENT LENGTH"));
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < 0 || value > 0x7FFFFFFF) return 0;
  return static_cast<int>(value);
}
std::string THttpEngine::GetUrl() {
  std::string value = Variable("URL", "HTTP_URL");
  return value.empty() ? GetExecutablePath() : value;
}
std::string THttpEngine::GetUserAgent() { return Variable("HTTP USER AGENT", "USER AGENT"); }
std::string THttpEngine::GetCookie() { return Variable("HTTP COOKIE"); }
std::string THttpEngine::GetReferer() { return Variable("HTTP REFERER", "REFERER"); }
std::string THttpEngine::GetExecutablePath() { return Variable("EXECUTABLE PATH", "SCRIPT NAME"); }

TThread* THttpEngine::GetRequestThread() { return nullptr; }

bool ServerWantsStatusLine(const std::string& ServerSoftware) {
  const std::string software = AsciiUpper(ServerSoftware);
  return software.find("NETSCAPE") == std::string::npos && software.find("APACHE") == std::string::npos;
}

void THttpEngine::WriteStatusLine() {
  if (ServerWantsStatusLine(GetServerSoftware())) WriteLine("HTTP/1.1 200 OK");
}

void THttpEngine::WriteText(const std::string& Text) {
  TRequestState& state = tRequestState;
  if (AutoHttpHeader && !state.HeaderSent &&
      (Text.compare(0, 2, "\r\n") == 0 || TrimBlanks(Text).compare(0, 1, "<") == 0)) {
    state.HeaderSent = true;
    AddHeader("content-type", AutoContentType);
    if (NoCache) {
      const std::string expires = HttpDateString(Now() - 1000);
      AddHeader("Pragma", "no-cache");
      AddHeader("Cache-Control", "no-cache");
      AddHeader("Expires", expires);
      AddHeader("Document Expires", expires);
    }
    EndHeader();
  }
  if (BufferedOutput && !state.DirectOutput && !Text.empty() && state.OutputBuffer)
    state.OutputBuffer->append(Text);
}

void THttpEngine::WriteData(const void* Buffer, int Count) {
  TRequestState& state = tRequestState;
  if (AutoHttpHeader && !state.HeaderSent) {
    const char* type = state.PictureKind == 2   ? "image/gif"
                       : state.PictureKind == 1 ? "image/jpeg"
                                                : nullptr;
    AddHeader("content-type", type ? std::string(type) : AutoContentType);
    state.HeaderSent = true;
    EndHeader();
  }
  if (BufferedOutput && !state.DirectOutput && Count > 0 && state.OutputBuffer)
    state.OutputBuffer->append(static_cast<const char*>(Buffer), static_cast<size_t>(Count));
}

int THttpEngine::ReadBytes(void* /*Buffer*/, int /*Count*/) { return 0; }

void THttpEngine::AddHeader(const std::string& Name, const std::string& Value) {
  TRequestState& state = tRequestState;
  if (AutoHttpHeader && !state.StatusHandled) {
    state.StatusHandled = true;
    std::string upper = AsciiUpper(Name);
    if (upper.empty() || std::string("LOCATION").find(upper) == std::string::npos) WriteStatusLine();
  }
  WriteText(Name + ":" + Value + "\r\n");
}

void THttpEngine::EndHeader() {
  // The base part of writing the blank line; front ends send it to their channel.
  THttpEngine::WriteText("\r\n");
}

TCriticalSection* THttpEngine::CreateLock() { return new TCriticalSection(); }
void THttpEngine::Lock(TCriticalSection* Section) {
  if (Section) Section->Enter();
}
void THttpEngine::Unlock(TCriticalSection* Section) {
  if (Section) Section->Leave();
}
void THttpEngine::FreeLock(TCriticalSection* Section) { delete Section; }

std::unique_ptr<TStringList> THttpEngine::ParseFields(const std::string& FieldText) {
  auto names = std::make_unique<TStringList>();
  std::string previous;
  bool any = false;
  size_t start = 0;
  while (start < FieldText.size()) {
    size_t end = FieldText.find('&', start);
    if (end == std::string::npos) end = FieldText.size();
    size_t eq = FieldText.find('=', start);
    if (eq != std::string::npos && eq < end) {
      std::string name = UrlDecode(FieldText.substr(start, eq - start));
      if (!any || name != previous) names->Add(name);
      previous = name;
      any = true;
    }
    start = end + 1;
  }
  return names;
}

// ---------------------------------------------------------------------------------------------
// The engine log.

namespace {

std::string ProgramFolder() {
  std::string module = GetModuleName();
  size_t slash = module.rfind('/');
  return slash == std::string::npos ? std::string(".") : module.substr(0, slash);
}

std::string ProgramBaseName() {
  std::string module = GetModuleName();
  size_t slash = module.rfind('/');
  std::string name = slash == std::string::npos ? module : module.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool EnsureFolder(const std::string& Folder) {
  struct stat info {};
  if (::stat(Folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  return CreateDir(Folder, 0755) || errno == EEXIST;
}

std::string ReduceSlashes(std::string Path) {
  for (size_t at; (at = Path.find("/./")) != std::string::npos;) Path.erase(at, 2);
  for (size_t at; (at = Path.find("//")) != std::string::npos;) Path.erase(at, 1);
  return Path;
}

}  // namespace

std::string EngineLogFileName() {
  const std::string programFolder = ProgramFolder();
  std::string folder = GetEnvVar("CGI_LOG_DIR");
  if (folder.empty()) folder = programFolder + "/Log";
  if (folder[0] != '/') folder = programFolder + "/" + folder;
  if (!EnsureFolder(folder)) folder = programFolder;
  return ReduceSlashes(folder + "/" + ProgramBaseName() + ".Log");
}

namespace {

// The log stays open between lines.  Past kLogLimit bytes it becomes the one older file
// (EngineOldLogFileName, replacing the one before) and a new log begins, so the two hold at most
// about twice the limit.  Several processes write the same log: each line is one append, and the
// log is handed on under a lock on the file, by the first process that finds it full.
constexpr off_t kLogLimit = 4 << 20;

struct TEngineLog {
  std::mutex Mutex;
  int Fd = -1;
  std::string Folder;  // the CGI_LOG_DIR the path was worked out for
  std::string Path;
  dev_t Device = 0;
  ino_t Inode = 0;

  void Close() {
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
  }
  bool Open() {
    Close();
    Fd = OpenFileHandle(Path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    struct stat info {};
    if (Fd < 0 || ::fstat(Fd, &info) != 0) {
      Close();
      return false;
    }
    Device = info.st_dev;
    Inode = info.st_ino;
    return true;
  }
  // The log file as it is now, opened again when another process handed it on or it was removed.
  bool Current(off_t& Size) {
    const char* folder = std::getenv("CGI_LOG_DIR");
    if (Fd < 0 || Folder != (folder ? folder : "")) {
      Folder = folder ? folder : "";
      Path = EngineLogFileName();
      if (!Open()) return false;
    }
    struct stat info {};
    if (::stat(Path.c_str(), &info) != 0 || info.st_dev != Device || info.st_ino != Inode) {
      if (!Open() || ::fstat(Fd, &info) != 0) return false;
    }
    Size = info.st_size;
    return true;
  }
  // Makes the full log the older one and begins a new one.  The lock is taken on a descriptor
  // of its own: one shared with another process (across a fork) would not keep it out.
  void HandOn() {
    const int lock = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (lock >= 0 && ::flock(lock, LOCK_EX) == 0) {
      struct stat locked {}, now {};
      // Another process may have handed it on while we waited for the lock.
      if (::fstat(lock, &locked) == 0 && locked.st_dev == Device && locked.st_ino == Inode &&
          locked.st_size >= kLogLimit && ::stat(Path.c_str(), &now) == 0 && now.st_ino == Inode &&
          now.st_dev == Device)
        ::rename(Path.c_str(), EngineOldLogFileName().c_str());
    }
    Open();
    if (lock >= 0) ::close(lock);  // releases the lock
  }
};

TEngineLog& EngineLog() {
  static TEngineLog* log = new TEngineLog;  // lines may still come while statics are destroyed
  return *log;
}

}  // namespace

std::string EngineOldLogFileName() { return EngineLogFileName() + ".1"; }

void WriteLogLine(const std::string& Message) { WriteLogLines({Message}); }

void WriteLogLines(std::initializer_list<std::string_view> Messages) {
  try {
    std::string line;
    for (std::string_view message : Messages) {
      line += LogTimeStamp() + ",  " + std::to_string(tRequestState.LogTag) + " : ";
      for (char c : message) line += static_cast<unsigned char>(c) < ' ' || c == 0x7F ? ' ' : c;
      line += "\r\n";
    }
    TEngineLog& log = EngineLog();
    std::lock_guard<std::mutex> lock(log.Mutex);
    off_t size = 0;
    if (!log.Current(size)) return;
    if (size >= kLogLimit) {
      log.HandOn();
      if (log.Fd < 0) return;
    }
    ssize_t written;
    do {
      written = ::write(log.Fd, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
  } catch (...) {
    // Logging never raises.
  }
}

void SetTerminateServerHandler(std::function<void()> Handler) {
  TerminateHandler() = std::move(Handler);
}

void SetEngineEndStep(void (*Step)()) { gEngineEndStep = Step; }

void TerminateServer() {
  try {
    if (TerminateHandler()) TerminateHandler()();
  } catch (...) {
  }
  try {
    if (gEngineEndStep) gEngineEndStep();
  } catch (...) {
  }
  std::fflush(nullptr);
  ::_exit(0);
}
