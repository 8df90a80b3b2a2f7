// What the record server's handlers use of the request at hand.  The program answers the web
// engine's current request through it; tests and the benchmark answer requests held in memory.
#pragma once

#include <map>
#include <string>

class TServerRequest {
public:
  virtual ~TServerRequest() = default;
  // A query or form field; empty when absent.
  virtual std::string GetField(const std::string& Name) = 0;
  virtual std::string GetUserAgent() = 0;
  virtual std::string GetReferer() = 0;
  virtual int GetContentLength() = 0;
  // Reads up to Count body bytes; returns how many came (0 at the end).
  virtual int ReadBytes(void* Buffer, int Count) = 0;
  virtual void WriteString(const std::string& Text) = 0;  // the text and CR LF
  virtual void WriteBytes(const void* Buffer, int Count) = 0;
  virtual void WriteLogLine(const std::string& Text) = 0;
  // Two lines of the log, in this order, where the log can take them at once.
  virtual void WriteLogLines(const std::string& First, const std::string& Second) {
    WriteLogLine(First);
    WriteLogLine(Second);
  }
  virtual void SetContentType(const std::string& Type) = 0;
};

// A request held in memory: fields, User-Agent and body in, reply and log out.
class TMemoryRequest : public TServerRequest {
public:
  TMemoryRequest() = default;
  explicit TMemoryRequest(std::string UserAgent, std::string Body = {})
      : UserAgent(std::move(UserAgent)), Body(std::move(Body)) {}

  std::string GetField(const std::string& Name) override;
  std::string GetUserAgent() override { return UserAgent; }
  std::string GetReferer() override { return Referer; }
  int GetContentLength() override {
    return ContentLength >= 0 ? ContentLength : static_cast<int>(Body.size());
  }
  int ReadBytes(void* Buffer, int Count) override;
  void WriteString(const std::string& Text) override { Reply += Text + "\r\n"; }
  void WriteBytes(const void* Buffer, int Count) override {
    Reply.append(static_cast<const char*>(Buffer), static_cast<std::size_t>(Count));
  }
  void WriteLogLine(const std::string& Text) override { Log += Text + "\n"; }
  void SetContentType(const std::string& Type) override { ContentType = Type; }

  std::string UserAgent;
  std::string Body;
  std::string Referer;
  int ContentLength = -1;  // -1: the body's size
  std::string Reply;
  std::string Log;
  std::string ContentType;

  std::map<std::string, std::string> Fields;

private:
  std::size_t FBodyPos = 0;
};
