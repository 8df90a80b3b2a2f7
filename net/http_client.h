// The HTTP/1.1 client: one GET or POST per connection, the whole reply read into Body.
#pragma once

#include <memory>
#include <string>

#include "net/net_headers.h"
#include "net/net_socket.h"

class TNetHTTPClient : public TNetClientSocket {
public:
  explicit TNetHTTPClient(TComponent* AOwner = nullptr);

  bool Authorization = false;
  std::string UserName;
  std::string Password;
  bool ProxyAuthorization = false;
  std::string ProxyUserName;
  std::string ProxyPassword;
  std::string UserAgent;
  std::string Referer;
  std::string Cookie;
  TNetNotifyEvent OnSendingRequest;
  TNetNotifyEvent OnRequestSent;

  const std::string& URL() const { return FURL; }
  void SetURL(const std::string& Value);
  const std::string& Path() const { return FPath; }
  const std::string& ContentType() const { return FContentType; }
  // Only "application/x-www-form-urlencoded" and "multipart/form-data" (any case); any other
  // value raises ENetError "Invalid content-type" and keeps the old one.
  void SetContentType(const std::string& Value);

  TNetHeaders& Headers() { return *FHeaders; }
  void SetHeaders(const TStrings& Value) { FHeaders->Assign(&Value); }
  TMemoryStream& Body() { return *FBody; }
  TMemoryStream& PostData() { return *FPostData; }

  int Get();
  int Post();

  // The request head as it is sent (for the method "GET" or "POST").
  std::string RequestHead(const std::string& Method);

private:
  int ReadStatusAndHeaders();
  void ReadBody();

  std::string FURL;
  std::string FPath = "/";
  std::string FContentType = "application/x-www-form-urlencoded";
  std::unique_ptr<TNetHeaders> FHeaders = std::make_unique<TNetHeaders>();
  std::unique_ptr<TMemoryStream> FBody = std::make_unique<TMemoryStream>();
  std::unique_ptr<TMemoryStream> FPostData = std::make_unique<TMemoryStream>();
};
