#include "server/engine/request_api.h"

#include "platform/rtl/string_list.h"
#include "server/engine/http_engine.h"

namespace {

THttpEngine& Engine() {
  THttpEngine* engine = RequestState().CurrentEngine;
  if (!engine) throw EHttpEngineError("No request engine is current on this thread");
  return *engine;
}

}  // namespace

THttpEngine* GetCurrentEngine() { return RequestState().CurrentEngine; }

void WriteText(const std::string& Text) { Engine().WriteText(Text); }
void WriteString(const std::string& Text) { Engine().WriteLine(Text); }
void WriteBytes(const void* Buffer, int Count) { Engine().WriteData(Buffer, Count); }
int ReadBytes(void* Buffer, int Count) { return Engine().ReadBytes(Buffer, Count); }
void AddHeader(const std::string& Name, const std::string& Value) { Engine().AddHeader(Name, Value); }
void GetVariable(const std::string& Name, std::string& Value) { Engine().GetVariable(Name, Value); }
void GetField(const std::string& Name, const std::string& Default, std::string& Value) {
  Engine().GetField(Name, Default, Value);
}
void GetQueryString(std::string& Value) { Value = Engine().GetQueryString(); }
void GetRemoteAddr(std::string& Value) { Value = Engine().GetRemoteAddr(); }
int GetContentLength() { return Engine().GetContentLength(); }
void GetUrl(std::string& Value) { Value = Engine().GetUrl(); }
void GetUserAgent(std::string& Value) { Value = Engine().GetUserAgent(); }
void GetCookie(std::string& Value) { Value = Engine().GetCookie(); }
void GetReferer(std::string& Value) { Value = Engine().GetReferer(); }
void GetExecutablePath(std::string& Value) { Value = Engine().GetExecutablePath(); }
void SetPictureKind(int Kind) { RequestState().PictureKind = Kind; }

std::unique_ptr<TStringList> TextToStringList(const std::string& Text) {
  auto list = std::make_unique<TStringList>();
  size_t start = 0;
  while (start < Text.size()) {
    size_t end = Text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      list->Add(Text.substr(start));
      break;
    }
    list->Add(Text.substr(start, end - start));
    start = end + (Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n' ? 2 : 1);
  }
  return list;
}

const THttpHooks HttpHooks = {
    &WriteText,   &WriteString,    &WriteBytes, &ReadBytes,         &AddHeader,    &GetVariable,
    &GetField,    &GetQueryString, &GetCookie,  &GetExecutablePath, &GetUserAgent, &SetPictureKind,
};
