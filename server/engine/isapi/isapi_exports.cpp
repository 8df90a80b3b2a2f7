// The five exports of the extension library.  The first call of any of them starts the
// library's application part (LibraryMain), which creates the engine the exports serve.
#include <mutex>

#include "platform/sys/process.h"
#include "server/engine/isapi_engine.h"

// Provided by the library's application: creates its forms and the extension engine.
void LibraryMain();

namespace {

TISAPIEngine* Engine() {
  static std::once_flag started;
  std::call_once(started, [] {
    SetIsLibrary(true);
    LibraryMain();
  });
  return GlobalISAPIEngine();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) ISAPI_BOOL GetExtensionVersion(HSE_VERSION_INFO* pVer) {
  TISAPIEngine* engine = Engine();
  return engine ? engine->ExtensionVersion(pVer) : 0;
}

__attribute__((visibility("default"))) ISAPI_DWORD HttpExtensionProc(EXTENSION_CONTROL_BLOCK* pECB) {
  TISAPIEngine* engine = Engine();
  return engine ? engine->ExtensionProc(pECB) : HSE_STATUS_ERROR;
}

__attribute__((visibility("default"))) ISAPI_BOOL TerminateExtension(ISAPI_DWORD dwFlags) {
  TISAPIEngine* engine = Engine();
  return engine ? engine->Terminate(dwFlags) : 1;
}

__attribute__((visibility("default"))) ISAPI_BOOL GetFilterVersion(HTTP_FILTER_VERSION* pVer) {
  TISAPIEngine* engine = Engine();
  return engine ? engine->FilterVersion(pVer) : 0;
}

__attribute__((visibility("default"))) ISAPI_DWORD HttpFilterProc(HTTP_FILTER_CONTEXT* pfc, ISAPI_DWORD NotificationType,
                                                                 void* pvNotification) {
  TISAPIEngine* engine = Engine();
  return engine ? engine->FilterProc(pfc, NotificationType, pvNotification) : SF_STATUS_REQ_NEXT_NOTIFICATION;
}

}  // extern "C"
