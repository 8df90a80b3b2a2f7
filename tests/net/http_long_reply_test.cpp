// A 50 MB reply read by the HTTP client in each of its three forms (by length, in chunks, to the
// close) comes whole, in processor time that grows with its length: the client's thread is
// timed against a bound far above the linear read (about a second) and far below a read that
// moves or rescans what it already has for every piece that comes.
#include <gtest/gtest.h>

#include <string>

#include "net/http_client.h"
#include "net_test_support.h"
#include "tests/linear_time.h"

using namespace nettest;

namespace {

constexpr std::size_t kReplyBytes = 50u << 20;

std::string Body() {
  std::string body(kReplyBytes, 'x');
  for (std::size_t i = 0; i < body.size(); i += 997) body[i] = static_cast<char>('a' + i % 26);
  return body;
}

class HttpLongReply : public LoopFixture {
protected:
  void Expect(const std::string& head, const std::string& sent) {
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
    EXPECT_LT(seconds, 30.0) << head;
    const std::string got = web.Body().DataString();
    EXPECT_EQ(got.size(), body.size()) << head;
    EXPECT_TRUE(got == body) << head;
  }
  const std::string body = Body();
};

TEST_F(HttpLongReply, FiftyMegabytesByLengthInChunksAndToTheCloseInLinearTime) {
  Expect("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n", body);
  Expect("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", body);
  // Chunks of 4 KB: 12,800 of them, each with its size line.
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
  Expect("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", chunked);
}

}  // namespace
