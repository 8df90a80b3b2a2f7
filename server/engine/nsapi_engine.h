// The front end for a web server of the NSAPI kind.  The server's library is bound at run time
// by name; a host that drives the engine hands it the parameter block, session and request of
// each call.  The program itself exports no NSAPI entry, so outside such a host the engine stays
// inactive.
#pragma once

#include <memory>
#include <string>

#include "server/engine/channel_engine.h"

extern "C" {
// The server structures, as far as the engine reads them.
struct pblock;
struct pb_param {
  char* name;
  char* value;
};
struct netbuf {
  unsigned char* inbuf;  // the bytes already received
  int pos;               // the next byte to hand out
  int cursize;           // the bytes in inbuf
};
typedef int SYS_NETFD;
struct Session {
  pblock* client;  // "ip", "dns"
  SYS_NETFD csd;
  netbuf* inbuf;
};
struct Request {
  pblock* vars;
  pblock* reqpb;  // "method", "uri", "protocol", "query"
  pblock* headers;
  pblock* srvhdrs;
};
typedef void* CRITICAL;
}

// The entry points of the server library that the engine calls (null until bound).
struct TNSAPIFunctions {
  int (*net_write)(SYS_NETFD sd, char* buf, int sz) = nullptr;
  int (*netbuf_next)(netbuf* buf, int timeout) = nullptr;
  void (*param_free)(pb_param* pp) = nullptr;
  pb_param* (*pblock_fr)(char* name, pblock* pb, int remove) = nullptr;
  char* (*pblock_findval)(char* name, pblock* pb) = nullptr;
  pb_param* (*pblock_nvinsert)(char* name, char* value, pblock* pb) = nullptr;
  int (*request_header)(char* name, char** value, Session* sn, Request* rq) = nullptr;
  int (*http_status)(Session* sn, Request* rq, int n, char* r) = nullptr;
  int (*http_start_response)(Session* sn, Request* rq) = nullptr;
  CRITICAL (*crit_init)() = nullptr;
  void (*crit_enter)(CRITICAL id) = nullptr;
  void (*crit_exit)(CRITICAL id) = nullptr;
  void (*crit_terminate)(CRITICAL id) = nullptr;
};
const TNSAPIFunctions& NSAPIFunctions();
// Binds the first server library that loads ("ns-httpd50.dll" down to "ns-httpd20.dll");
// true when one was bound (now or before).
bool BindNSAPILibrary();

// The process-wide switch that makes new NSAPI engines active (set by a host).
void SetNSAPIActive(bool Value);
bool NSAPIActive();

QN_DECLARE_EXCEPTION(ENSAPIError, Exception);

class TNSAPIEngine : public TChannelEngine {
public:
  TNSAPIEngine(TComponent* AOwner, const TCGIEngineSettings& Settings);

  // Serves one call of the host.
  void ServeCall(pblock* Parameters, Session* Sn, Request* Rq);

  void RunRequest() override;
  int ReadBytes(void* Buffer, int Count) override;
  void AddHeader(const std::string& Name, const std::string& Value) override;
  void EndHeader() override;
  void GetVariable(const std::string& Name, std::string& Value) override;
  void GetField(const std::string& Name, const std::string& Default, std::string& Value) override;
  std::unique_ptr<TStringList> GetFieldNames() override;
  bool IsActive() override;

  std::string GetRequestMethod() override;
  std::string GetQueryString() override;
  std::string GetServerProtocol() override;
  std::string GetUserAgent() override;
  std::string GetCookie() override;
  std::string GetContentType() override;
  std::string GetRemoteAddr() override;
  std::string GetRemoteHost() override;
  std::string GetScriptName() override;
  std::string GetExecutablePath() override;
  int GetContentLength() override;

  TCriticalSection* CreateLock() override;
  void Lock(TCriticalSection* Section) override;
  void Unlock(TCriticalSection* Section) override;
  void FreeLock(TCriticalSection* Section) override;

protected:
  void WriteChannel(const char* Data, size_t Count) override;

private:
  void ReadFieldText();
  bool FFirstRequest = true;
  bool FActive = false;
};
