// A long reply read by the HTTP client in each of its three forms (by length, in chunks, to the
// close) comes whole, in processor time that grows with its length: the client's thread takes
// about 8 times as long for 8 times the bytes (32 MB against 4 MB), where a read that moves or
// rescans what it already has for every piece that comes takes 64 times as long.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "net/http_client.h"
#include "net_test_support.h"
#include "tests/linear_time.h"

using namespace nettest;

namespace {

constexpr long kShortReply = 4l << 20;

std::string Body(std::size_t bytes) {
  std::string body(bytes, 'x');
  for (std::size_t i = 0; i < body.size(); i += 997) body[i] = static_cast<char>('a' + i % 26);
  return body;
}

enum class TForm { Length, Close, Chunked };

// Chunks of 4 KB, each with its size line.
std::string Chunked(const std::string& body) {
  std::string chunked;
  chunked.reserve(body.size() + body.size() / 1000);
  char size[16];
  for (std::size_t at = 0; at < body.size(); at += 4096) {
    const std::size_t n = std::min<std::size_t>(4096, body.size() - at);
    std::snprintf(size, sizeof size, "%zx\r\n", n);
    chunked += size;
    chunked.append(body, at, n);
    chunked += "\r\n";
  }
  chunked += "0\r\n\r\n";
  return chunked;
}

class HttpLongReply : public LoopFixture {
protected:
  // Serves a reply of that many bytes in that form; checks that it came whole and returns the
  // processor seconds of the client's read.
  double Read(TForm form, long bytes) {
    const std::string body = Body(static_cast<std::size_t>(bytes));
    std::string head, sent;
    switch (form) {
      case TForm::Length:
        head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        sent = body;
        break;
      case TForm::Close:
        head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
        sent = body;
        break;
      case TForm::Chunked:
        head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        sent = Chunked(body);
        break;
    }
    ScriptedServer server([&](int fd) {
      ReadUntil(fd, "\r\n\r\n");
      SendAll(fd, head);
      SendAll(fd, sent);
    });
    TNetHTTPClient web;
    web.SetURL("http://" + server.Address() + "/long");
    web.SetTimeOut(120);
    int status = 0;
    const double seconds = ThreadCpuSeconds([&] { status = web.Get(); });
    EXPECT_EQ(status, 200) << head;
    const std::string got = web.Body().DataString();
    EXPECT_EQ(got.size(), body.size()) << head;
    EXPECT_TRUE(got == body) << head;
    return seconds;
  }
  void ExpectLinear(TForm form, const char* name) {
    const double growth = Growth([&](long bytes) { return Read(form, bytes); }, kShortReply, 8, 2);
    std::printf("%s: 4 to 32 MB, %.1f times the processor time\n", name, growth);
    EXPECT_LT(growth, LinearGrowthBound(8)) << name;
  }
};

TEST_F(HttpLongReply, ByLengthInChunksAndToTheCloseInLinearTime) {
  ExpectLinear(TForm::Length, "by length");
  ExpectLinear(TForm::Close, "to the close");
  ExpectLinear(TForm::Chunked, "in chunks");
}

}  // namespace
