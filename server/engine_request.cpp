// The record server's view of the web engine's current request, and the form's request event.
#include "server/engine/general_http_engine.h"
#include "server/engine/http_engine.h"
#include "server/engine/request_api.h"
#include "server/qnserver_form.h"

namespace {

class TEngineRequest : public TServerRequest {
public:
  explicit TEngineRequest(TGeneralHttpEngine* Engine) : FEngine(Engine) {}

  std::string GetField(const std::string& Name) override {
    std::string Value;
    ::GetField(Name, "", Value);
    return Value;
  }
  std::string GetUserAgent() override {
    std::string Value;
    ::GetUserAgent(Value);
    return Value;
  }
  std::string GetReferer() override {
    std::string Value;
    ::GetReferer(Value);
    return Value;
  }
  int GetContentLength() override { return ::GetContentLength(); }
  int ReadBytes(void* Buffer, int Count) override { return ::ReadBytes(Buffer, Count); }
  void WriteString(const std::string& Text) override { ::WriteString(Text); }
  void WriteBytes(const void* Buffer, int Count) override { ::WriteBytes(Buffer, Count); }
  void WriteLogLine(const std::string& Text) override { ::WriteLogLine(Text); }
  void SetContentType(const std::string& Type) override {
    if (FEngine) FEngine->SetAutoContentType(Type);
  }

private:
  TGeneralHttpEngine* FEngine;
};

}  // namespace

void TQNServerForm::ESStaffExecRequest(TObject*) {
  TEngineRequest Request(ESStaff);
  ExecRequest(Request);
}
