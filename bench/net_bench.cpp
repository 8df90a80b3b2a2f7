// Figures of the internet client library: HTTP transfers over loopback through the socket
// components (non-blocking, pumping the headless loop), and the mail coders.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "bench/bench_timing.h"
#include "net/http_client.h"
#include "net/mail_coders.h"
#include "net/mail_message.h"
#include "platform/headless/event_loop_poll.h"
#include "tests/loopback_listener.h"

namespace {


// Serves `rounds` requests: reads the head (and a body of `bodySize`), answers with `reply`.
std::thread Serve(int listener, int rounds, std::size_t bodySize, const std::string& reply) {
  return std::thread([=] {
    for (int r = 0; r < rounds; ++r) {
      const int fd = ::accept(listener, nullptr, nullptr);
      if (fd < 0) return;
      std::string got;
      char buffer[65536];
      std::size_t headEnd = std::string::npos;
      while (headEnd == std::string::npos || got.size() < headEnd + 4 + bodySize) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos) headEnd = got.find("\r\n\r\n");
      }
      const std::string out = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(reply.size()) + "\r\n\r\n" + reply;
      for (std::size_t sent = 0; sent < out.size();) {
        const ssize_t n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      ::close(fd);
    }
  });
}

}  // namespace

int main() {
  TPollEventLoop loop(false);
  SetCurrentEventLoop(&loop);
  std::mt19937 random(1);
  std::string data(3 * 1024 * 1024, '\0');
  for (char& c : data) c = static_cast<char>(random() & 0xFF);

  const TLoopbackListener Listen = OpenLoopbackListener(8);
  const int listener = Listen.Fd;
  const std::string url = "http://127.0.0.1:" + std::to_string(Listen.Port) + "/bench";

  constexpr int rounds = 20;
  {
    std::thread server = Serve(listener, rounds, 0, data);
    TNetHTTPClient web;
    web.SetURL(url);
    const auto start = qn_bench::Clock::now();
    for (int i = 0; i < rounds; ++i) web.Get();
    const double s = qn_bench::SecondsSince(start);
    server.join();
    std::printf("http get 3 MiB: %.2f ms per request, %.0f MiB/s\n", s * 1000 / rounds, rounds * 3 / s);
  }
  {
    std::thread server = Serve(listener, rounds, data.size(), "ok");
    TNetHTTPClient web;
    web.SetURL(url);
    web.PostData().WriteString(data);
    const auto start = qn_bench::Clock::now();
    for (int i = 0; i < rounds; ++i) web.Post();
    const double s = qn_bench::SecondsSince(start);
    server.join();
    std::printf("http post 3 MiB: %.2f ms per request, %.0f MiB/s\n", s * 1000 / rounds, rounds * 3 / s);
  }
  {
    std::thread server = Serve(listener, 200, 0, "small reply");
    TNetHTTPClient web;
    web.SetURL(url);
    web.UserAgent = "N12345678:Books";
    const auto start = qn_bench::Clock::now();
    for (int i = 0; i < 200; ++i) web.Get();
    const double s = qn_bench::SecondsSince(start);
    server.join();
    std::printf("http get small: %.3f ms per request\n", s * 1000 / 200);
  }
  ::close(listener);

  {
    const auto start = qn_bench::Clock::now();
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < data.size(); pos += 57) chars += EncodeBase64Data(data.substr(pos, 57)).size();
    const double s = qn_bench::SecondsSince(start);
    std::printf("base64 lines: %.0f MiB/s (%zu characters)\n", 3 / s, chars);
  }
  {
    std::string text;
    while (text.size() < data.size()) text += "A line of mail text with a few words, = signs and caf\xE9.\r\n";
    const auto start = qn_bench::Clock::now();
    const auto lines = TQuotedPrintable::EncodeText(text);
    const std::string back = TQuotedPrintable::DecodeLines(lines);
    const double s = qn_bench::SecondsSince(start);
    std::printf("quoted-printable encode+decode: %.0f MiB/s (%s)\n", text.size() / 1048576.0 / s,
                back == text ? "same" : "DIFFERENT");
  }
  {
    TNetMessage m;
    m.Sender().SetAddress("a@b.c");
    m.Body().Add("text");
    auto* item = new TNetAttItem;
    item->SetFileName("data.zip");
    item->Data().WriteString(data);
    m.Attachments().Add(item);
    TMemoryStream text;
    const auto start = qn_bench::Clock::now();
    m.SaveToStream(text);
    TNetMessage r;
    text.SetPosition(0);
    r.LoadFromStream(text);
    const double s = qn_bench::SecondsSince(start);
    const bool same = r.Attachments().Count() == 1 && r.Attachments().Items(0)->Data().DataString() == data;
    std::printf("message with 3 MiB attachment, write+read: %.0f ms (%s)\n", s * 1000, same ? "same" : "DIFFERENT");
  }
  SetCurrentEventLoop(nullptr);
  return 0;
}
