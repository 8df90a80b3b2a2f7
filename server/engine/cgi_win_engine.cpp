#include "server/engine/cgi_win_engine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/files.h"
#include "platform/sys/threads.h"
#include "platform/ui/application.h"
#include "platform/ui/timer.h"
#include "server/engine/cgi_handover.h"
#include "platform/rtl/string_list.h"
#include "platform/sys/process.h"
#include "server/engine/cgi_std_engine.h"
#include "server/engine/http_text.h"

namespace {

// The request of the calling thread.
struct TWinRequest {
  std::unique_ptr<TCGIIniFile> Profile;
  int Output = -1;
  int Content = -1;
  std::string FieldText;  // multipart fields
  bool Multipart = false;
  TThread* RequestThread = nullptr;
};
thread_local TWinRequest tWin;

void CloseFile(int& Fd) {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
}

const char* const kVariableSections[] = {"CGI", "SYSTEM", "EXTRA HEADERS", "ACCEPT"};

// A value of [Form External]: "path length"; the bytes of the file, or false.
bool ReadExternalValue(const std::string& Reference, std::string& Value) {
  const std::string text = TrimBlanks(Reference);
  const std::size_t blank = text.rfind(' ');
  if (blank == std::string::npos) return false;
  char* end = nullptr;
  const long long length = std::strtoll(text.c_str() + blank + 1, &end, 10);
  if (*end != '\0' || length < 0) return false;
  std::ifstream in(TrimBlanks(text.substr(0, blank)), std::ios::binary);
  if (!in) return false;
  Value.clear();
  char piece[2048];
  while (static_cast<long long>(Value.size()) < length) {
    in.read(piece, std::min<long long>(sizeof piece, length - static_cast<long long>(Value.size())));
    if (in.gcount() <= 0) return false;
    Value.append(piece, static_cast<std::size_t>(in.gcount()));
  }
  return true;
}

}  // namespace

// ---- Profile reader -----------------------------------------------------------------------------

TCGIIniFile::TCGIIniFile(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary);
  if (!in) throw EFOpenError("Cannot open file \"" + FileName + "\". " + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  Parse(text.str());
}

std::unique_ptr<TCGIIniFile> TCGIIniFile::FromText(const std::string& Text) {
  std::unique_ptr<TCGIIniFile> file(new TCGIIniFile());
  file->Parse(Text);
  return file;
}

void TCGIIniFile::Parse(const std::string& Text) {
  std::map<std::string, std::string>* open = nullptr;
  std::size_t at = 0;
  while (at < Text.size()) {
    std::size_t end = Text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = Text.size();
    std::size_t start = at;
    while (start < end && static_cast<unsigned char>(Text[start]) <= 32) ++start;
    const std::string line = Text.substr(start, end - start);
    at = end + (Text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (line.empty()) continue;
    if (line[0] == '[') {
      std::string name = line.substr(1);
      while (!name.empty() && (name.back() == ']' || name.back() == ' ')) name.pop_back();
      name = AsciiUpper(TrimBlanks(name));
      if (!FSections.count(name)) FSectionNames.push_back(name);
      open = &FSections[name];
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals >= 32) continue;
    const std::string key = AsciiUpper(TrimBlanks(line.substr(0, equals)));
    if (!key.empty() && open) (*open)[key] = TrimBlanks(line.substr(equals + 1));
  }
}

std::string TCGIIniFile::ReadString(const std::string& Section, const std::string& Key) const {
  auto section = FSections.find(AsciiUpper(TrimBlanks(Section)));
  if (section == FSections.end()) return {};
  auto value = section->second.find(AsciiUpper(TrimBlanks(Key)));
  return value == section->second.end() ? std::string() : value->second;
}

bool TCGIIniFile::ValueExists(const std::string& Section, const std::string& Key) const {
  auto section = FSections.find(AsciiUpper(TrimBlanks(Section)));
  return section != FSections.end() && section->second.count(AsciiUpper(TrimBlanks(Key))) > 0;
}

std::vector<std::string> TCGIIniFile::Keys(const std::string& Section) const {
  std::vector<std::string> keys;
  auto section = FSections.find(AsciiUpper(TrimBlanks(Section)));
  if (section != FSections.end())
    for (const auto& item : section->second) keys.push_back(item.first);
  return keys;
}

// ---- The engine ---------------------------------------------------------------------------------

TCGIWinEngine::TCGIWinEngine(TComponent* AOwner, const TCGIEngineSettings& Settings)
    : TChannelEngine(AOwner, Settings) {
  AutoTerminate = Settings.AutoTerminate;
}

TCGIWinEngine::~TCGIWinEngine() = default;

namespace {

class TCGIWinRequestThread : public TThread {
public:
  TCGIWinRequestThread(TCGIWinEngine* Engine, std::string ProfileFile, std::string UpperName)
      : TThread(true), FEngine(Engine), FProfileFile(std::move(ProfileFile)), FUpperName(std::move(UpperName)) {
    SetFreeOnTerminate(true);
  }

protected:
  void Execute() override {
    tWin.RequestThread = this;
    FEngine->RunQueuedProfile(FProfileFile, FUpperName);
  }

private:
  TCGIWinEngine* FEngine;
  std::string FProfileFile, FUpperName;
};

}  // namespace

void TCGIWinEngine::Start() {
  if (!IsActive()) return;
  if (IsResidentInstance()) {
    MakeCurrent();
    GetApplication().SetTitle(ProcessHandover().TokenTitle());
    FTimer = std::make_unique<TTimer>();
    FTimer->SetInterval(60);
    FTimer->OnTimer = [this](TObject*) { ResidentTick(); };
    FTimer->SetEnabled(true);
    return;
  }
  if (ParamCount() < 1) return;
  MakeCurrent();
  const std::string profile = ExpandFileName(ParamStr(1));
  if (CGIMode == NormalMode) {
    RunProfile(profile);
    if (AutoTerminate) TerminateServer();
    return;
  }
  HandOver(profile);
  TerminateServer();
}

void TCGIWinEngine::HandOver(const std::string& ProfileFile) {
  InstallQuitSignals();
  THandoverFolder& folder = ProcessHandover();
  if (!HandoverFolderUsable()) return;
  const std::string name = AsciiUpper(ProfileFile);
  if (name.size() > kQueueNameMax) {
    WriteLogLine("Profile file name too long: " + ProfileFile);
    return;
  }
  // The resident is started by hand's rules: without arguments where no web server is named in
  // the environment, else with "START_SERVER".
  const std::vector<std::string> args =
      GetEnvVar("SERVER_SOFTWARE").empty() ? std::vector<std::string>() : std::vector<std::string>{"START_SERVER"};
  bool queued = FileExists(folder.QueueFile()) && Handover::Append(folder, ProfileFile);
  if (queued && !ResidentInstanceAlive()) StartResidentInstance(args);
  if (!queued) {
    Handover::CreateQueue(folder.QueueFile());
    StartResidentInstance(args);
    for (int attempt = 0; attempt < HandoverLimits::ProfileStartAttempts && !queued; ++attempt) {
      Sleep(HandoverLimits::ProfileStartPauseMs);
      queued = Handover::Append(folder, ProfileFile);
    }
  }
  if (!queued) {
    WriteLogLine("CGI server aborted");
    return;
  }
  switch (WaitForQueueEntry(ProfileFile)) {
    case ewFinished:  // the reply is in the output file
    case ewAborted:
      break;
    case ewQuit:
    case ewServerGone:
    case ewStale:
    case ewTimedOut:
      // A request not yet taken is never run.
      Handover::Withdraw(folder, name);
      break;
  }
}

void TCGIWinEngine::ResidentTick() {
  FTimer->SetEnabled(false);
  if (QuitSignalled()) TerminateServer();
  bool queueLeft = true;
  try {
    queueLeft = ServeNextEntry();
  } catch (...) {
    // A failing round is dropped; the next tick tries again.
  }
  if (!queueLeft || !FileExists(ProcessHandover().QueueFile())) TerminateServer();
  FTimer->SetEnabled(true);
}

bool TCGIWinEngine::ServeNextEntry() {
  THandoverFolder& folder = ProcessHandover();
  if (!FileExists(folder.QueueFile())) return false;
  std::string upperName;
  if (!Handover::TakeNext(folder, ekProfile, upperName)) return FileExists(folder.QueueFile());
  const std::string profile = FindPathNoCase(upperName);
  if (profile.empty()) {
    Handover::Finish(folder, upperName);
  } else if (CGIMode == ServerThreadMode) {
    (new TCGIWinRequestThread(this, profile, upperName))->Start();
  } else {
    RunQueuedProfile(profile, upperName);
  }
  return FileExists(folder.QueueFile());
}

void TCGIWinEngine::RunQueuedProfile(const std::string& ProfileFile, const std::string& UpperName) {
  THandoverFolder& folder = ProcessHandover();
  {
    TRequestHeartbeat heartbeat(folder.QueueFile());
    RunProfile(ProfileFile);
  }
  Handover::Finish(folder, UpperName);
}

void TCGIWinEngine::RunProfile(const std::string& ProfileFile) {
  tWin = TWinRequest();
  try {
    tWin.Profile = std::make_unique<TCGIIniFile>(ProfileFile);
  } catch (Exception& error) {
    // The request fails as any request does: to OnRequestError or to the log.
    if (OnRequestError)
      OnRequestError(this, error);
    else
      WriteLogLine("Unhandled exception : " + error.Message());
    return;
  }
  ExecuteRequest();
  tWin = TWinRequest();
}

void TCGIWinEngine::RunRequest() {
  const std::string output = tWin.Profile->ReadString("System", "Output File");
  tWin.Output = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (tWin.Output < 0) throw EFCreateError("Cannot create file \"" + output + "\". " + std::strerror(errno));
  std::string content;
  GetVariable("Content File", content);
  if (!content.empty()) tWin.Content = ::open(content.c_str(), O_RDONLY | O_CLOEXEC);
  if (!content.empty() && ContainsNoCase(GetContentType(), "MULTIPART/FORM-DATA;")) {
    if (tWin.Content < 0) throw EFOpenError("Cannot open file \"" + content + "\". " + std::strerror(errno));
    tWin.Multipart = true;
    ReadMultipart(tWin.FieldText);
  }
  FireRequestEvents(std::exchange(FFirstRequest, false), CGIMode == NormalMode);
}

void TCGIWinEngine::FinishRequest() {
  THttpEngine::FinishRequest();
  CloseFile(tWin.Content);
  CloseFile(tWin.Output);
}

TThread* TCGIWinEngine::GetRequestThread() { return tWin.RequestThread; }

// The web server makes the status line from the header lines of the output file.
void TCGIWinEngine::WriteStatusLine() {}

void TCGIWinEngine::WriteChannel(const char* Data, size_t Count) {
  while (tWin.Output >= 0 && Count > 0) {
    const ssize_t n = ::write(tWin.Output, Data, std::min<size_t>(Count, 1024));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError("Stream write error");
    Data += n;
    Count -= static_cast<size_t>(n);
  }
}

int TCGIWinEngine::ReadBytes(void* Buffer, int Count) {
  if (tWin.Content < 0 || Count <= 0) return 0;
  int done = 0;
  while (done < Count) {
    const ssize_t n = ::read(tWin.Content, static_cast<char*>(Buffer) + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int>(n);
  }
  return done;
}

void TCGIWinEngine::GetVariable(const std::string& Name, std::string& Value) {
  Value.clear();
  if (!tWin.Profile) return;
  std::string name = AsciiUpper(Name);
  for (char& c : name)
    if (c == '_') c = ' ';
  if (name == "SCRIPT NAME") name = "EXECUTABLE PATH";
  for (const char* section : kVariableSections)
    if (tWin.Profile->ValueExists(section, name)) {
      Value = tWin.Profile->ReadString(section, name);
      return;
    }
}

std::string TCGIWinEngine::GetCookie() {
  return tWin.Profile ? tWin.Profile->ReadString("EXTRA HEADERS", "COOKIE") : std::string();
}

int TCGIWinEngine::GetContentLength() {
  std::string text;
  GetVariable("Content Length", text);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return text.empty() || *end != '\0' || value < 0 ? 0 : static_cast<int>(value);
}

void TCGIWinEngine::GetField(const std::string& Name, const std::string& Default, std::string& Value) {
  if (tWin.Multipart) {
    Value = GetUrlEncodedField(Name, tWin.FieldText, Default);
    return;
  }
  if (AsciiUpper(GetRequestMethod()) == "GET" || !tWin.Profile) {
    Value = GetUrlEncodedField(Name, GetQueryString(), Default);
    return;
  }
  // One value, or the repeated form: Name, Name_1, Name_2, ... joined by CR LF.
  auto lookUp = [&](const std::string& Key, std::string& Found) {
    if (tWin.Profile->ValueExists("Form Literal", Key)) {
      Found = tWin.Profile->ReadString("Form Literal", Key);
      return true;
    }
    if (tWin.Profile->ValueExists("Form File", Key)) {
      Found = tWin.Profile->ReadString("Form File", Key);
      return true;
    }
    return tWin.Profile->ValueExists("Form External", Key) &&
           ReadExternalValue(tWin.Profile->ReadString("Form External", Key), Found);
  };
  std::string found;
  if (!lookUp(Name, found)) {
    Value = Default;
    return;
  }
  Value = found;
  for (int i = 1; lookUp(Name + "_" + std::to_string(i), found); ++i) Value += "\r\n" + found;
}

std::unique_ptr<TStringList> TCGIWinEngine::GetFieldNames() {
  if (tWin.Multipart) return ParseFields(tWin.FieldText);
  if (AsciiUpper(GetRequestMethod()) != "POST" || !tWin.Profile) return ParseFields(GetQueryString());
  auto names = std::make_unique<TStringList>();
  for (const std::string& section : tWin.Profile->Sections()) {
    if (section.rfind("FORM", 0) != 0) continue;
    const std::vector<std::string> keys = tWin.Profile->Keys(section);
    for (const std::string& key : keys) {
      // Name_N repeats an earlier Name.
      const std::size_t cut = key.rfind('_');
      if (cut != std::string::npos && cut + 1 < key.size() &&
          key.find_first_not_of("0123456789", cut + 1) == std::string::npos &&
          tWin.Profile->ValueExists(section, key.substr(0, cut)))
        continue;
      names->Add(key);
    }
  }
  return names;
}

bool TCGIWinEngine::IsActive() {
  return !IsLibrary() && (GetEnvVar("SERVER_SOFTWARE").empty() || ContainsNoCase(GetEnvVar("CGI_VERSION"), "WIN"));
}
