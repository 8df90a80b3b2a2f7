#include "net/http_client.h"

#include "net/mail_coders.h"
#include "net/net_pump.h"
#include "net/net_text.h"

namespace {

std::string BasicCredentials(const std::string& user, const std::string& password) {
  return EncodeBase64(Cut255(user + ":" + password));
}

}  // namespace

TNetHTTPClient::TNetHTTPClient(TComponent* AOwner) : TNetClientSocket(AOwner) {
  FDefaultPort = 80;
  FPort = 80;
}

void TNetHTTPClient::SetURL(const std::string& Value) {
  FURL = Value;
  std::string copy = Value;
  if (copy.size() >= 7 && UpperCaseAscii(copy.substr(0, 7)) == "HTTP://") copy.erase(0, 7);
  const auto slash = copy.find('/');
  if (slash != std::string::npos) {
    SetHost(copy.substr(0, slash));
    FPath = copy.substr(slash);
  } else {
    SetHost(copy);
    FPath = "/";
  }
}

void TNetHTTPClient::SetContentType(const std::string& Value) {
  const std::string lower = LowerCaseAscii(Value);
  if (lower != "application/x-www-form-urlencoded" && lower != "multipart/form-data")
    throw ENetError("Invalid content-type");
  FContentType = Value;
}

std::string TNetHTTPClient::RequestHead(const std::string& Method) {
  const bool post = Method == "POST";
  std::string target = FPath;
  if (!FProxy.empty()) {
    target = FURL;
    if (FURL.size() < 8 || FURL.find('/', 7) == std::string::npos) target += "/";
  }
  std::string head = Method + " " + target + " HTTP/1.1\r\n";
  head += "Host: " + FHost + "\r\n";
  head += "Accept: */*\r\n";
  if (Authorization) head += "Authorization: Basic " + BasicCredentials(UserName, Password) + "\r\n";
  if (ProxyAuthorization)
    head += "Proxy-Authorization: Basic " + BasicCredentials(ProxyUserName, ProxyPassword) + "\r\n";
  if (post) {
    head += "Content-Type: " + FContentType;
    if (LowerCaseAscii(FContentType) != "application/x-www-form-urlencoded") head += "; boundary=";
    head += "\r\n";
  }
  if (!UserAgent.empty()) head += "User-Agent: " + UserAgent + "\r\n";
  if (post) {
    if (!Referer.empty()) head += "Referer: " + Referer + "\r\n";
    if (!Cookie.empty()) head += "Set-Cookie: " + Cookie + "\r\n";
    head += "Content-Length: " + std::to_string(FPostData->Size()) + "\r\n";
  }
  head += "Connection: close\r\n\r\n";
  return head;
}

int TNetHTTPClient::ReadStatusAndHeaders() {
  FHeaders->Clear();
  int status = -1;
  bool first = true;
  // A head of more lines than this is no reply of a web server.
  for (int lines = 0; lines < 10000; ++lines) {
    NetPumpMessages();
    std::string line;
    ReadLine(line);
    if (line.empty() && Closed() && first) break;  // nothing came at all
    FHeaders->Add(line);
    if (first) status = GetWordNumber(line, 1);
    first = false;
    if (line.empty()) return status;
    if (Closed()) break;
  }
  if (first) return -1;
  return status;
}

void TNetHTTPClient::ReadBody() {
  FBody->Clear();
  if (LowerCaseAscii(FHeaders->GetFieldBody("Transfer-Encoding")) == "chunked") {
    ReceiveChunked(*FBody);
  } else {
    std::int64_t length = -1;
    if (!ParseDecimalNumber(FHeaders->GetFieldBody("Content-Length"), length) || length < 0) length = -1;
    ReceiveStream(*FBody, length, 0);
  }
  FBody->SetPosition(0);
}

int TNetHTTPClient::Get() {
  ResetState();
  Connect();
  int status = -1;
  try {
    if (OnSendingRequest) OnSendingRequest(this);
    TStringStream head(RequestHead("GET"));
    SendStream(head, 0);
    if (OnRequestSent) OnRequestSent(this);
    status = ReadStatusAndHeaders();
    ReadBody();
  } catch (...) {
    Disconnect();
    throw;
  }
  Disconnect();
  return status;
}

int TNetHTTPClient::Post() {
  Connect();
  int status = -1;
  try {
    if (OnSendingRequest) OnSendingRequest(this);
    TStringStream head(RequestHead("POST"));
    SendStream(head, 0);
    FPostData->SetPosition(0);
    SendStream(*FPostData, 0);
    status = ReadStatusAndHeaders();
    if (status == 100) {
      SendLine("");
      status = ReadStatusAndHeaders();
    }
    if (OnRequestSent) OnRequestSent(this);
    ReadBody();
  } catch (...) {
    FPostData->SetPosition(0);
    Disconnect();
    throw;
  }
  FPostData->SetPosition(0);
  Disconnect();
  return status;
}
