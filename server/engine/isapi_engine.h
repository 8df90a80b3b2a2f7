// The extension-library front end: a web server that loads the program as a library calls the
// exports of isapi.h; each request is served from the server's extension control block, and the
// same library can act as a filter of the server's raw requests.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "server/engine/channel_engine.h"
#include "server/engine/isapi.h"

using THttpExtensionVersionEvent =
    std::function<void(int& RequestVersion, std::string& RequestDesc, bool& ResultValue)>;
using THttpFilterProcEvent = std::function<void(HTTP_FILTER_CONTEXT* pfc, int NotificationType,
                                                void* pvNotification, int& ResultValue)>;
using THttpFilterVersionEvent = std::function<void(int& ServerFilterVersion, int& FilterVersion,
                                                   std::string& FilterDesc, int& Flags, bool& ResultValue)>;

class TISAPIEngine : public TChannelEngine {
public:
  TISAPIEngine(TComponent* AOwner, const TCGIEngineSettings& Settings);
  ~TISAPIEngine() override;

  THttpExtensionVersionEvent OnHttpExtensionVersion;
  THttpFilterProcEvent OnHttpFilterProc;
  THttpFilterVersionEvent OnHttpFilterVersion;

  void RunRequest() override;
  int GetContentLength() override;
  int ReadBytes(void* Buffer, int Count) override;
  std::string GetExecutablePath() override;
  void WriteText(const std::string& Text) override;
  void AddHeader(const std::string& Name, const std::string& Value) override;
  void EndHeader() override;
  void GetVariable(const std::string& Name, std::string& Value) override;
  void GetField(const std::string& Name, const std::string& Default, std::string& Value) override;
  std::unique_ptr<TStringList> GetFieldNames() override;
  bool IsActive() override;

  // The bodies of the library's exports.
  ISAPI_BOOL ExtensionVersion(HSE_VERSION_INFO* Version);
  ISAPI_DWORD ExtensionProc(EXTENSION_CONTROL_BLOCK* ECB);
  ISAPI_BOOL Terminate(ISAPI_DWORD Flags);
  ISAPI_BOOL FilterVersion(HTTP_FILTER_VERSION* Version);
  ISAPI_DWORD FilterProc(HTTP_FILTER_CONTEXT* Context, ISAPI_DWORD NotificationType, void* Notification);

  // The text collected during the calling thread's raw-data send notification.
  static std::string CollectedSendText();

protected:
  void WriteChannel(const char* Data, size_t Count) override;

private:
  void ReadFieldText();
  void ScanRawRequest(const HTTP_FILTER_RAW_DATA& Raw);
  bool FLoaded = false;
};

// The engine the exports serve (the last one created), or null.
TISAPIEngine* GlobalISAPIEngine();
