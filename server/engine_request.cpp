// The record server's view of the web engine's current request, and the form's request event.
#include "server/engine/general_http_engine.h"
#include "server/engine/http_engine.h"
#include "server/engine/request_api.h"
#include "server/qnserver_form.h"

namespace {

// One request as the dispatcher sees it: the front end's engine that runs it, taken once when
// the request's event fires, and the component whose reply settings it changes.
class TEngineRequest : public TServerRequest {
public:
  TEngineRequest(THttpEngine& Running, TGeneralHttpEngine* Component) : FRunning(Running), FComponent(Component) {}

  std::string GetField(const std::string& Name) override {
    std::string Value;
    FRunning.GetField(Name, "", Value);
    return Value;
  }
  std::string GetUserAgent() override { return FRunning.GetUserAgent(); }
  std::string GetReferer() override { return FRunning.GetReferer(); }
  int GetContentLength() override { return FRunning.GetContentLength(); }
  int ReadBytes(void* Buffer, int Count) override { return FRunning.ReadBytes(Buffer, Count); }
  void WriteString(const std::string& Text) override { FRunning.WriteLine(Text); }
  void WriteBytes(const void* Buffer, int Count) override { FRunning.WriteData(Buffer, Count); }
  void WriteLogLine(const std::string& Text) override { ::WriteLogLine(Text); }
  void WriteLogLines(const std::string& First, const std::string& Second) override {
    ::WriteLogLines({First, Second});
  }
  void SetContentType(const std::string& Type) override {
    if (FComponent) FComponent->SetAutoContentType(Type);
  }

private:
  THttpEngine& FRunning;
  TGeneralHttpEngine* FComponent;
};

}  // namespace

void TQNServerForm::ESStaffExecRequest(TObject*) {
  THttpEngine* Running = GetCurrentEngine();
  if (!Running) throw EHttpEngineError("No request engine is current on this thread");
  TEngineRequest Request(*Running, ESStaff);
  ExecRequest(Request);
}
