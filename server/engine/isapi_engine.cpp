#include "server/engine/isapi_engine.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/rtl/string_list.h"
#include "platform/sys/process.h"
#include "server/engine/http_text.h"

namespace {

std::atomic<TISAPIEngine*> gEngine{nullptr};
std::atomic<bool> gFirstRequest{true};

constexpr ISAPI_DWORD kReadPiece = 32386;
constexpr ISAPI_DWORD kVariableMax = 8192;
constexpr std::size_t kCookieMax = 4096;

// The calling thread's request or filter call.
struct TIsapiThread {
  EXTENSION_CONTROL_BLOCK* ECB = nullptr;
  HTTP_FILTER_CONTEXT* Filter = nullptr;
  ISAPI_DWORD Notification = 0;
  std::string FieldText;
  ISAPI_DWORD ReadPosition = 0;  // in the block's available data
  ISAPI_DWORD BytesLeft = 0;     // still with the server
  ISAPI_DWORD ContentLength = 0;
  std::string CookieText;        // the cookie header line the filter saw
  std::string Collected;         // text written during a raw-data send notification
};
thread_local TIsapiThread tIsapi;

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

}  // namespace

TISAPIEngine* GlobalISAPIEngine() { return gEngine; }

TISAPIEngine::TISAPIEngine(TComponent* AOwner, const TCGIEngineSettings& Settings)
    : TChannelEngine(AOwner, Settings) {
  gEngine = this;
  gFirstRequest = true;
}

TISAPIEngine::~TISAPIEngine() {
  TISAPIEngine* self = this;
  gEngine.compare_exchange_strong(self, nullptr);
}

bool TISAPIEngine::IsActive() { return IsLibrary(); }

// ---- Exports ------------------------------------------------------------------------------------

ISAPI_BOOL TISAPIEngine::ExtensionVersion(HSE_VERSION_INFO* Version) {
  if (!Version) return 0;
  Version->dwExtensionVersion = (HSE_VERSION_MAJOR << 16) | HSE_VERSION_MINOR;
  std::string description = "VORANTH 4.0.1";
  std::snprintf(Version->lpszExtensionDesc, sizeof Version->lpszExtensionDesc, "%s", description.c_str());
  bool result = true;
  if (OnHttpExtensionVersion) {
    int version = static_cast<int>(Version->dwExtensionVersion);
    OnHttpExtensionVersion(version, description, result);
    Version->dwExtensionVersion = static_cast<ISAPI_DWORD>(version);
  }
  return result ? 1 : 0;
}

ISAPI_DWORD TISAPIEngine::ExtensionProc(EXTENSION_CONTROL_BLOCK* ECB) {
  tIsapi = TIsapiThread();
  tIsapi.ECB = ECB;
  if (!OnExecRequest || !ECB) return HSE_STATUS_SUCCESS;
  ISAPI_DWORD status = HSE_STATUS_SUCCESS;
  try {
    ExecuteRequest();
  } catch (std::exception& error) {
    WriteLogLine(std::string("Unhandled exception : ") + error.what());
    std::snprintf(ECB->lpszLogData, sizeof ECB->lpszLogData, "%.79s", error.what());
    status = HSE_STATUS_ERROR;
  }
  tIsapi = TIsapiThread();
  return status;
}

ISAPI_BOOL TISAPIEngine::Terminate(ISAPI_DWORD) {
  if (!OnLastExecRequest) return 0;
  try {
    OnLastExecRequest(nullptr);
  } catch (std::exception& error) {
    WriteLogLine(error.what());
    return 1;
  }
  return 0;
}

ISAPI_BOOL TISAPIEngine::FilterVersion(HTTP_FILTER_VERSION* Version) {
  if (!Version) return 0;
  try {
    MakeCurrent();
    Version->dwFilterVersion = 0x20000;
    Version->dwFlags = 0;
    if (OnHttpFilterVersion) {
      int server = static_cast<int>(Version->dwServerFilterVersion);
      int filter = static_cast<int>(Version->dwFilterVersion);
      int flags = 0;
      std::string description;
      bool result = true;
      OnHttpFilterVersion(server, filter, description, flags, result);
      // The notifications the filter asks for only take effect when they reach the server.
      Version->dwFilterVersion = static_cast<ISAPI_DWORD>(filter);
      Version->dwFlags = static_cast<ISAPI_DWORD>(flags);
      std::snprintf(Version->lpszFilterDesc, sizeof Version->lpszFilterDesc, "%s", description.c_str());
    }
    return 1;
  } catch (std::exception& error) {
    WriteLogLine(error.what());
    return 0;
  }
}

ISAPI_DWORD TISAPIEngine::FilterProc(HTTP_FILTER_CONTEXT* Context, ISAPI_DWORD NotificationType,
                                     void* Notification) {
  int result = SF_STATUS_REQ_NEXT_NOTIFICATION;
  try {
    MakeCurrent();
    tIsapi.ECB = nullptr;
    tIsapi.Filter = Context;
    tIsapi.Notification = NotificationType;
    if (NotificationType == SF_NOTIFY_READ_RAW_DATA && Notification)
      ScanRawRequest(*static_cast<HTTP_FILTER_RAW_DATA*>(Notification));
    if (NotificationType == SF_NOTIFY_SEND_RAW_DATA) tIsapi.Collected.clear();
    if (OnHttpFilterProc) OnHttpFilterProc(Context, static_cast<int>(NotificationType), Notification, result);
  } catch (std::exception& error) {
    WriteLogLine(error.what());
  }
  tIsapi.Filter = nullptr;
  return static_cast<ISAPI_DWORD>(result);
}

std::string TISAPIEngine::CollectedSendText() { return tIsapi.Collected; }

void TISAPIEngine::ScanRawRequest(const HTTP_FILTER_RAW_DATA& Raw) {
  const std::string raw(static_cast<const char*>(Raw.pvInData), Raw.cbInData);
  tIsapi.FieldText.clear();
  bool post = false, urlEncoded = false;
  std::size_t at = 0;
  bool first = true;
  while (at < raw.size()) {
    std::size_t end = raw.find('\n', at);
    if (end == std::string::npos) end = raw.size();
    const std::string line = TrimBlanks(raw.substr(at, end - at));
    at = end + 1;
    if (first) {
      first = false;
      post = line.rfind("POST", 0) == 0;
      const std::size_t question = line.find('?');
      if (question != std::string::npos) {
        const std::string rest = line.substr(question + 1);
        tIsapi.FieldText = rest.substr(0, rest.find(' '));
      }
      continue;
    }
    if (line.empty()) break;  // the end of the header lines
    const std::string upper = AsciiUpper(line);
    if (upper.rfind("CONTENT-TYPE:", 0) == 0) urlEncoded = upper.find("URLENCODED") != std::string::npos;
    if (upper.rfind("COOKIE:", 0) == 0) tIsapi.CookieText = line.substr(0, kCookieMax);
  }
  if (post && urlEncoded && at < raw.size()) {
    const std::string body = TrimBlanks(raw.substr(at));
    if (!body.empty()) tIsapi.FieldText += (tIsapi.FieldText.empty() ? "" : "&") + body;
  }
}

// ---- Requests -----------------------------------------------------------------------------------

void TISAPIEngine::ReadFieldText() {
  EXTENSION_CONTROL_BLOCK& ecb = *tIsapi.ECB;
  tIsapi.FieldText.clear();
  tIsapi.ContentLength = ecb.cbTotalBytes;
  const ISAPI_DWORD available = std::min(ecb.cbAvailable, ecb.cbTotalBytes);
  tIsapi.BytesLeft = ecb.cbTotalBytes - available;
  const ISAPI_DWORD rest = tIsapi.BytesLeft;
  if (!ContainsNoCase(Text(ecb.lpszContentType), "MULTIPART/FORM-DATA")) {
    if (ecb.lpbData && available > 0) tIsapi.FieldText.assign(reinterpret_cast<const char*>(ecb.lpbData), available);
    if (static_cast<long long>(rest) > AutoReadLimit) {
      WriteLogLine("Content length exceeds AutoReadLimit");
    } else if (AutoReadInput && rest > 0) {
      tIsapi.ReadPosition = available;  // the held data is already in the field text
      std::string more(rest, '\0');
      const int got = ReadBytes(more.data(), static_cast<int>(rest));
      if (got > 0) tIsapi.FieldText.append(more, 0, static_cast<std::size_t>(got));
    }
  } else if (AutoReadInput) {
    if (static_cast<long long>(rest) > AutoReadLimit)
      WriteLogLine("Content length exceeds AutoReadLimit");
    else
      ReadMultipart(tIsapi.FieldText);
  }
  const std::string query = Text(ecb.lpszQueryString);
  if (!query.empty()) tIsapi.FieldText += (tIsapi.FieldText.empty() ? "" : "&") + query;
}

void TISAPIEngine::RunRequest() {
  if (!FLoaded) {
    FLoaded = true;
    MakeCurrent();
  }
  ReadFieldText();
  // The last request's event comes with the server's Terminate call.
  FireRequestEvents(gFirstRequest.exchange(false), false);
}

int TISAPIEngine::GetContentLength() { return static_cast<int>(tIsapi.ECB ? tIsapi.ContentLength : 0); }

int TISAPIEngine::ReadBytes(void* Buffer, int Count) {
  EXTENSION_CONTROL_BLOCK* ecb = tIsapi.ECB;
  if (!ecb || Count <= 0) return 0;
  char* out = static_cast<char*>(Buffer);
  int done = 0;
  const ISAPI_DWORD available = std::min(ecb->cbAvailable, ecb->cbTotalBytes);
  if (ecb->lpbData && tIsapi.ReadPosition < available) {
    const ISAPI_DWORD n = std::min<ISAPI_DWORD>(available - tIsapi.ReadPosition, static_cast<ISAPI_DWORD>(Count));
    std::memcpy(out, ecb->lpbData + tIsapi.ReadPosition, n);
    tIsapi.ReadPosition += n;
    done = static_cast<int>(n);
  }
  // Never ask the server for more than it still holds: such a read would wait for ever.
  while (done < Count && tIsapi.BytesLeft > 0) {
    ISAPI_DWORD size = std::min({kReadPiece, tIsapi.BytesLeft, static_cast<ISAPI_DWORD>(Count - done)});
    if (!ecb->ReadClient(ecb->ConnID, out + done, &size) || size == 0) return done > 0 ? done : -1;
    size = std::min(size, tIsapi.BytesLeft);
    done += static_cast<int>(size);
    tIsapi.BytesLeft -= size;
  }
  return done;
}

std::string TISAPIEngine::GetExecutablePath() {
  std::string path;
  GetVariable("SCRIPT NAME", path);
  if (path.size() > 2 && path[1] == ':' && path[2] == '\\') {
    const std::size_t last = path.rfind('\\');
    const std::size_t second = last == 0 ? std::string::npos : path.rfind('\\', last - 1);
    if (second != std::string::npos) path = path.substr(second);
    std::replace(path.begin(), path.end(), '\\', '/');
  }
  return path;
}

void TISAPIEngine::WriteChannel(const char* Data, size_t Count) {
  if (Count == 0) return;
  if (EXTENSION_CONTROL_BLOCK* ecb = tIsapi.ECB) {
    while (Count > 0) {
      ISAPI_DWORD n = static_cast<ISAPI_DWORD>(std::min<size_t>(Count, 0x7FFFFFFF));
      if (!ecb->WriteClient(ecb->ConnID, const_cast<char*>(Data), &n, 0) || n == 0)
        throw EWriteError("Stream write error");
      Data += n;
      Count -= n;
    }
  } else if (HTTP_FILTER_CONTEXT* pfc = tIsapi.Filter) {
    ISAPI_DWORD n = static_cast<ISAPI_DWORD>(Count);
    pfc->WriteClient(pfc, const_cast<char*>(Data), &n, 0);
  }
}

void TISAPIEngine::WriteText(const std::string& Text) {
  if (!tIsapi.ECB && tIsapi.Filter && tIsapi.Notification == SF_NOTIFY_SEND_RAW_DATA) {
    THttpEngine::WriteText(Text);
    tIsapi.Collected += Text;
    return;
  }
  TChannelEngine::WriteText(Text);
}

void TISAPIEngine::EndHeader() {
  if (tIsapi.ECB)
    TChannelEngine::EndHeader();
  else
    THttpEngine::EndHeader();  // a filter call sends no header block
}

void TISAPIEngine::AddHeader(const std::string& Name, const std::string& Value) {
  EXTENSION_CONTROL_BLOCK* ecb = tIsapi.ECB;
  if (!ecb) return;  // a filter call writes no headers
  if (AsciiUpper(Name) == "LOCATION") {
    std::string url = Value;
    ISAPI_DWORD size = static_cast<ISAPI_DWORD>(url.size());
    ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_SEND_URL_REDIRECT_RESP, url.data(), &size, nullptr);
    RequestState().StatusHandled = true;
    return;
  }
  THttpEngine::AddHeader(Name, Value);
}

void TISAPIEngine::GetVariable(const std::string& Name, std::string& Value) {
  Value.clear();
  std::string name = AsciiUpper(Name);
  std::replace(name.begin(), name.end(), ' ', '_');
  if (name == "EXECUTABLE_PATH") name = "SCRIPT_NAME";
  if (EXTENSION_CONTROL_BLOCK* ecb = tIsapi.ECB) {
    if (name == "QUERY_STRING") Value = Text(ecb->lpszQueryString);
    else if (name == "PATH_INFO") Value = Text(ecb->lpszPathInfo);
    else if (name == "PATH_TRANSLATED") Value = Text(ecb->lpszPathTranslated);
    else if (ecb->GetServerVariable) {
      std::string buffer(kVariableMax, '\0');
      ISAPI_DWORD size = kVariableMax;
      if (ecb->GetServerVariable(ecb->ConnID, name.data(), buffer.data(), &size))
        Value = std::string(buffer.data(), strnlen(buffer.data(), std::min(size, kVariableMax)));
    }
    return;
  }
  if (HTTP_FILTER_CONTEXT* pfc = tIsapi.Filter) {
    std::string buffer(kVariableMax, '\0');
    ISAPI_DWORD size = kVariableMax;
    if (pfc->GetServerVariable && pfc->GetServerVariable(pfc, name.data(), buffer.data(), &size))
      Value = std::string(buffer.data(), strnlen(buffer.data(), std::min(size, kVariableMax)));
    if (Value.empty() && name == "HTTP_COOKIE" && tIsapi.Notification == SF_NOTIFY_PREPROC_HEADERS &&
        AsciiUpper(tIsapi.CookieText).rfind("COOKIE:", 0) == 0)
      Value = TrimBlanks(tIsapi.CookieText.substr(7));
  }
}

void TISAPIEngine::GetField(const std::string& Name, const std::string& Default, std::string& Value) {
  Value = GetUrlEncodedField(Name, tIsapi.FieldText, Default);
}

std::unique_ptr<TStringList> TISAPIEngine::GetFieldNames() { return ParseFields(tIsapi.FieldText); }
