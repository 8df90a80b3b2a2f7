#include "client/core/server_requests.h"

#include <algorithm>
#include <cctype>

#include "net/http_client.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/path_text.h"
#include "platform/sys/files.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/shell.h"

// ---- Transport ---------------------------------------------------------------------------

THttpTransport::THttpTransport(TNetHTTPClient& Client) : FClient(Client) {}

std::string THttpTransport::Send(const TClientRequest& Request) {
  FClient.PostData().Clear();
  if (Request.Post) {
    FClient.SetContentType(Request.ContentType.empty() ? "multipart/form-data"
                                                       : Request.ContentType);
    FClient.PostData().Write(Request.Body.data(), static_cast<long>(Request.Body.size()));
    FClient.PostData().SetPosition(0);
  }
  FClient.UserAgent = Request.UserAgent;
  FClient.SetURL(Request.URL);
  FClient.Body().Clear();
  const int Status = Request.Post ? FClient.Post() : FClient.Get();
  if (Status < 200 || Status > 299)
    throw ERequestFailed("The server answered with status " + std::to_string(Status));
  return FClient.Body().DataString();
}

// ---- Text helpers ------------------------------------------------------------------------

static bool IsAlphaNum(unsigned char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9');
}

std::string URLEncodeValue(const std::string& Text, bool BlankAsPlus) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string Result;
  Result.reserve(Text.size() * 3);
  for (unsigned char C : Text) {
    if (IsAlphaNum(C)) {
      Result += static_cast<char>(C);
    } else if (C == ' ' && BlankAsPlus) {
      Result += '+';
    } else {
      Result += '%';
      Result += Digits[C >> 4];
      Result += Digits[C & 15];
    }
  }
  return Result;
}

std::int64_t HexTextToInt64(const std::string& Text) {
  std::string T = Text.substr(0, 255);
  for (char& C : T) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  if (!T.empty() && T.back() == 'H') T.pop_back();
  std::uint64_t Value = 0;
  for (char C : T) {
    Value *= 16;
    if (C >= '0' && C <= '9')
      Value += static_cast<std::uint64_t>(C - '0');
    else if (C >= 'A' && C <= 'F')
      Value += static_cast<std::uint64_t>(C - 'A' + 10);
    else
      return 0;
  }
  return static_cast<std::int64_t>(Value);
}

std::string URLDecodeValue(const std::string& Text) {
  std::string Result;
  Result.reserve(Text.size());
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char C = Text[i];
    if (C == '+') {
      Result += ' ';
    } else if (C == '%') {
      Result += static_cast<char>(HexTextToInt64(Text.substr(i + 1, 2)) & 0xFF);
      i += 2;
    } else {
      Result += C;
    }
  }
  return Result;
}

void AddURLParameter(std::string& Target, const std::string& Name, const std::string& Value,
                     bool First) {
  Target += First ? '?' : '&';
  Target += Name;
  Target += '=';
  Target += URLEncodeValue(Value, true);
}

std::vector<std::string> SplitReplyLines(const std::string& Reply) {
  std::vector<std::string> Lines;
  std::string Line;
  for (unsigned char C : Reply) {
    if (C == 13) {
      Lines.push_back(URLDecodeValue(Line));
      Line.clear();
    } else if (C > 15) {
      Line += static_cast<char>(C);
    }
  }
  Lines.push_back(Line);
  return Lines;
}

static bool LowerContains(const std::string& Text, const std::string& Part) {
  std::string Lower = Text;
  for (char& C : Lower) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return Lower.find(Part) != std::string::npos;
}

bool JudgeReply(const std::string& Kind, const std::vector<std::string>& Lines) {
  const std::size_t N = Lines.size();
  if (Kind == "Quantity")
    return N > 1 && std::any_of(Lines.begin(), Lines.end(),
                                [](const std::string& L) { return LowerContains(L, "success"); });
  if (Kind == "Jump") return N >= 4 && LowerContains(Lines[N - 4], "success");
  if (Kind == "Replace") return N > 2 && LowerContains(Lines[1], "success");
  if (Kind == "DuplicateBarcode") return N >= 4 && LowerContains(Lines[N - 4], "duplicate");
  if (Kind == "EmailList" || Kind == "SendRecordList" || Kind == "ReminderReport" ||
      Kind == "QuantityReport" || Kind == "ValueReport")
    return N > 4;
  return true;
}

bool IsSaveReply(const std::string& Reply) {
  std::string_view R = Reply;
  while (!R.empty() && (R.back() == '\r' || R.back() == '\n')) R.remove_suffix(1);
  static constexpr std::string_view Open = "<HTML>", Close = "</HTML>";
  if (R.size() <= Open.size() + Close.size() || R.substr(0, Open.size()) != Open ||
      R.substr(R.size() - Close.size()) != Close)
    return false;
  const std::string_view Digits = R.substr(Open.size(), R.size() - Open.size() - Close.size());
  return std::all_of(Digits.begin(), Digits.end(), [](char C) { return C >= '0' && C <= '9'; });
}

bool IsErrorReply(const std::string& Reply) { return Reply.rfind("<HTML>Error", 0) == 0; }

std::string SafeBaseName(const std::string& Name) {
  const std::size_t Slash = Name.find_last_of("/\\");
  std::string Base = Slash == std::string::npos ? Name : Name.substr(Slash + 1);
  if (Base == "." || Base == "..") return "";
  if (std::any_of(Base.begin(), Base.end(), [](unsigned char C) { return C < 32; })) return "";
  return Base;
}

std::int64_t FileSizeOf(const std::string& FileName) {
  return std::max<std::int64_t>(FileSize(FileName), 0);
}

bool ValidDatabaseName(const std::string& Name) { return IsPlainName(Name); }

// ---- The request state -----------------------------------------------------------------------

TServerSession::TServerSession(TServerTransport& Transport) : FTransport(Transport) {}

std::string TServerSession::ServerCommand(const std::string& Command, const std::string& Database) {
  return Command + ":" + Database;
}

std::string TServerSession::Send(TClientRequest Request, bool Lock) {
  if (FBusy) throw ERequestBusy("Another request is under way");
  FBusy = true;
  FBody.clear();
  FUserAgent = Request.UserAgent;
  if (Lock && OnEnableForm) OnEnableForm(false);
  try {
    if (BeforeSend) BeforeSend(Request.URL);
    FBody = FTransport.Send(Request);
  } catch (...) {
    FBusy = false;
    if (Lock && OnEnableForm) OnEnableForm(true);
    throw;
  }
  FBusy = false;
  if (Lock && OnEnableForm) OnEnableForm(true);
  return FBody;
}

std::string TServerSession::Get(const std::string& Command, const std::string& Query, bool Lock) {
  TClientRequest R;
  R.URL = ServerURL + Query;
  R.UserAgent = ServerCommand(Command, DatabaseName);
  return Send(std::move(R), Lock);
}

std::string TServerSession::Post(const std::string& Command, const std::string& Body, bool Lock) {
  TClientRequest R;
  R.Post = true;
  R.URL = ServerURL;
  R.UserAgent = ServerCommand(Command, DatabaseName);
  R.ContentType = "multipart/form-data";
  R.Body = Body;
  return Send(std::move(R), Lock);
}

void TServerSession::SetParameter(const std::string& Name, const std::string& Value, bool First) {
  AddURLParameter(RequestParameters, Name, Value, First);
}

bool TServerSession::GetServerPath() {
  try {
    Get("Z", RequestParameters, false);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TServerSession::CheckResult(const std::string& Kind, std::vector<std::string>* Lines,
                                 std::string* JumpCode) {
  const std::vector<std::string> Reply = SplitReplyLines(FBody);
  const bool Result = JudgeReply(Kind, Reply);
  if (Result && Kind == "Jump" && JumpCode) *JumpCode = Reply[Reply.size() - 3];
  const bool HandsLines = Kind == "Replace" || Kind == "EmailList" || Kind == "SendRecordList" ||
                          Kind == "ReminderReport" || Kind == "QuantityReport" ||
                          Kind == "ValueReport";
  if (Result && HandsLines && Lines) *Lines = Reply;
  return Result;
}

bool TServerSession::ForceScratchFolder() {
  if (ScratchFolder.empty()) return false;
  return ForceDirectories(ScratchFolder, 0700);
}

void TServerSession::WriteDiagnostic(const std::string& Name, const std::string& Data) {
  if (!WriteDiagnostics || !ForceScratchFolder()) return;
  try {
    // A copy to look at, written on every request: no request waits for the disk to keep it.
    AtomicWriteFile(ScratchFolder + Name, Data, false);
  } catch (const std::exception&) {
    // A diagnostic copy that cannot be written changes nothing.
  }
}

bool TServerSession::SendFile(const std::string& FileName, const std::string& Prefix,
                              const std::string& Code) {
  try {
    const std::string Data = ReadFileBytes(FileName);
    WriteDiagnostic("logsend.txt", Data);
    const std::string Reply = Post(Prefix + Code, Data);
    WriteDiagnostic("logdata.txt", Reply);
    return !IsErrorReply(Reply);
  } catch (const std::exception&) {
    return false;
  }
}

std::string TServerSession::DownloadPath(const std::string& LocalName) const {
  const std::string Base = SafeBaseName(LocalName);
  if (Base.empty() || ScratchFolder.empty()) return "";
  return ScratchFolder + Base;
}

std::string TServerSession::RetreiveFile(const std::string& LocalName, const std::string& Prefix,
                                         const std::string& Code) {
  const std::string Path = DownloadPath(LocalName);
  if (Path.empty()) return "";
  try {
    const std::string Reply = Get(Prefix + Code);
    if (IsErrorReply(Reply) || !ForceScratchFolder()) return "";
    AtomicWriteFile(Path, Reply);
    FDownloads.insert(Path);
    return Path;
  } catch (const std::exception&) {
    return "";
  }
}

bool TServerSession::DeleteDownload(const std::string& LocalName) {
  const std::string Path = DownloadPath(LocalName);
  if (Path.empty() || !Downloaded(Path)) return false;
  FDownloads.erase(Path);
  return DeleteFile(Path);
}

void TServerSession::BuildSearchIndex() {
  try {
    Get("Y");
  } catch (const std::exception&) {
    // The index is rebuilt by the next session's close; nothing to report.
  }
}

bool WriteRedirectPage(const std::string& Folder, const std::string& Url) {
  const std::string Page = "<html><head>\r\n<meta HTTP-EQUIV=\"Refresh\" CONTENT=\"0;\r\nURL=" +
                           Url + "\">\r\n<title></title></head><body></body></html>\r\n";
  const std::string Path = Folder + "go.htm";
  const std::string What = "the link \"" + Url + "\"";
  try {
    ForceDirectories(Folder, 0700);
    AtomicWriteFile(Path, Page);
  } catch (const std::exception&) {
    MessageDlg("The link \"" + Url + "\" could not be opened.", mtInformation, TMsgDlgButtons{mbOK});
    return false;
  }
  return ShellOpenOrTell(nullptr, Path, What);
}
