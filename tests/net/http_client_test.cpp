#include "net/http_client.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "net_test_support.h"

using namespace nettest;

TEST(HttpClientSettings, UrlSplitsIntoHostPortAndPath) {
  TNetHTTPClient web;
  web.SetURL("http://127.0.0.1:6777/database/qnserver.exe");
  EXPECT_EQ(web.Host(), "127.0.0.1");
  EXPECT_EQ(web.Port(), 6777);
  EXPECT_EQ(web.Path(), "/database/qnserver.exe");
  web.UserAgent = "N12345678:Books";
  EXPECT_EQ(web.RequestHead("GET"),
            "GET /database/qnserver.exe HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n"
            "User-Agent: N12345678:Books\r\nConnection: close\r\n\r\n");
  web.SetURL("localhost");
  EXPECT_EQ(web.Host(), "localhost");
  EXPECT_EQ(web.Path(), "/");
  EXPECT_EQ(web.Port(), 80);
  web.SetURL("HTTP://example.org/a?b=c d");
  EXPECT_EQ(web.Path(), "/a?b=c d");
}

TEST(HttpClientSettings, ContentTypeAcceptsOnlyTheTwoFormTypes) {
  TNetHTTPClient web;
  try {
    web.SetContentType("text/plain");
    FAIL();
  } catch (const ENetError& e) {
    EXPECT_EQ(e.Message(), "Invalid content-type");
  }
  EXPECT_EQ(web.ContentType(), "application/x-www-form-urlencoded");
  web.SetContentType("Multipart/Form-Data");
  EXPECT_EQ(web.ContentType(), "Multipart/Form-Data");
}

TEST(HttpClientSettings, CredentialsProxyAndPostHead) {
  TNetHTTPClient web;
  web.SetProxy("proxy:3128");
  web.SetURL("http://server:6777");
  web.Authorization = true;
  web.UserName = "user";
  web.Password = "pass";
  web.Referer = "r";
  web.Cookie = "c=1";
  web.SetContentType("multipart/form-data");
  web.PostData().WriteString("0123456789");
  EXPECT_EQ(web.RequestHead("POST"),
            "POST http://server:6777/ HTTP/1.1\r\nHost: server:6777\r\nAccept: */*\r\n"
            "Authorization: Basic dXNlcjpwYXNz\r\n"
            "Content-Type: multipart/form-data; boundary=\r\n"
            "Referer: r\r\nSet-Cookie: c=1\r\nContent-Length: 10\r\nConnection: close\r\n\r\n");
}

class HttpScripted : public LoopFixture {
protected:
  TNetHTTPClient Web;
};

TEST_F(HttpScripted, PostSendsHeadAndRawBodyAndSkipsAContinue) {
  std::string request;
  ScriptedServer server([&](int fd) {
    request = ReadUntil(fd, std::string("\0tail", 5));
    SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
    ReadUntil(fd, "\r\n");
    SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody and more");
  });
  Web.SetURL("http://" + server.Address() + "/up");
  Web.SetContentType("multipart/form-data");
  Web.PostData().WriteBuffer("head\0tail", 9);
  std::vector<std::string> events;
  Web.OnSendingRequest = [&](TObject*) { events.push_back("sending"); };
  Web.OnRequestSent = [&](TObject*) { events.push_back("sent"); };
  EXPECT_EQ(Web.Post(), 200);
  EXPECT_EQ(Web.Body().DataString(), "body");
  EXPECT_EQ(Web.Body().Position(), 0);
  EXPECT_EQ(Web.PostData().Position(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"sending", "sent"}));
  const std::string head = request.substr(0, request.find("\r\n\r\n") + 4);
  EXPECT_NE(head.find("\r\nContent-Type: multipart/form-data; boundary=\r\n"), std::string::npos);
  EXPECT_NE(head.find("\r\nContent-Length: 9\r\n"), std::string::npos);
  EXPECT_EQ(request.substr(head.size()), std::string("head\0tail", 9));
  EXPECT_EQ(Web.Headers().Strings(0), "HTTP/1.1 200 OK");
  EXPECT_EQ(Web.Headers().Strings(Web.Headers().Count() - 1), "");
  EXPECT_EQ(Web.Handle(), winsock::INVALID_SOCKET);
}

TEST_F(HttpScripted, StatusThatIsNoNumberAndBodyToTheClose) {
  ScriptedServer server([](int fd) {
    ReadUntil(fd, "\r\n\r\n");
    SendAll(fd, "HTTP/1.1 abc\r\nServer: x\r\n\r\nuntil the end");
  });
  Web.SetURL(server.Address() + "/");
  EXPECT_EQ(Web.Get(), -1);
  EXPECT_EQ(Web.Body().DataString(), "until the end");
}

TEST_F(HttpScripted, ChunkedReply) {
  ScriptedServer server([](int fd) {
    ReadUntil(fd, "\r\n\r\n");
    SendAll(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
  });
  Web.SetURL(server.Address() + "/");
  EXPECT_EQ(Web.Get(), 200);
  EXPECT_EQ(Web.Body().DataString(), "hello world");
  EXPECT_EQ(Web.Body().Position(), 0);
}

TEST_F(HttpScripted, ReplyCutShortRaisesAndCloses) {
  ScriptedServer server([](int fd) {
    ReadUntil(fd, "\r\n\r\n");
    SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort");
  });
  Web.SetURL(server.Address() + "/");
  int disconnected = 0;
  Web.OnDisconnected = [&](TObject*) { ++disconnected; };
  EXPECT_THROW(Web.Get(), ENetError);
  EXPECT_EQ(Web.Handle(), winsock::INVALID_SOCKET);
  EXPECT_GE(disconnected, 1);
}

TEST_F(HttpScripted, ConnectionFailuresRaiseTheSocketTexts) {
  Web.SetURL("127.0.0.1:" + std::to_string(ClosedPort()) + "/x");
  try {
    Web.Get();
    FAIL();
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.Message(), "[10061] Connection refused");
  }
  Web.SetURL("http://no..such/x");
  try {
    Web.Get();
    FAIL();
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.Message(), "[11001] Host not found");
  }
}

// lighttpd on a free loopback port, serving a static file and CGI scripts of the test's own.
class HttpLighttpd : public LoopFixture {
protected:
  void SetUp() override {
    LoopFixture::SetUp();
    Root = TempPath("www");
    ::mkdir(Root.c_str(), 0755);
    Data = RandomBytes(3 * 1024 * 1024, 42);
    Data[10] = '\0';
    WriteWholeFile(Root + "/static.bin", Data);
    WriteScript("echo.cgi",
                "import sys\n"
                "body = sys.stdin.buffer.read()\n"
                "sys.stdout.buffer.write(b'Content-Type: application/octet-stream\\r\\nContent-Length: %d\\r\\n\\r\\n' % len(body) + body)\n");
    WriteScript("stream.cgi",
                "import sys, time\n"
                "sys.stdout.buffer.write(b'Content-Type: text/plain\\r\\n\\r\\n')\n"
                "for i in range(50):\n"
                "    sys.stdout.buffer.write(b'part %d\\n' % i); sys.stdout.flush()\n");
    WriteScript("slow.cgi",
                "import sys, time\n"
                "time.sleep(4)\n"
                "sys.stdout.write('Content-Type: text/plain\\r\\n\\r\\nlate')\n");
    WriteScript("agent.cgi",
                "import os, sys\n"
                "sys.stdout.write('Content-Type: text/plain\\r\\n\\r\\n' + os.environ.get('HTTP_USER_AGENT', ''))\n");
    Port = ClosedPort();
    const std::string conf = Root + ".conf";
    WriteWholeFile(conf, "server.document-root = \"" + Root + "\"\n"
                    "server.bind = \"127.0.0.1\"\n"
                    "server.port = " + std::to_string(Port) + "\n"
                    "server.modules += (\"mod_cgi\")\n"
                    "cgi.assign = (\".cgi\" => \"/usr/bin/python3\")\n"
                    "server.errorlog = \"" + Root + ".log\"\n");
    Pid = ::fork();
    if (Pid == 0) {
      ::execl("/usr/sbin/lighttpd", "lighttpd", "-D", "-f", conf.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Wait (bounded) until it listens.
    for (int i = 0; i < 100; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = ::htons(static_cast<uint16_t>(Port));
      a.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
      const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
      ::close(fd);
      if (up) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FAIL() << "lighttpd did not start: " << ReadWholeFile(Root + ".log");
  }
  void TearDown() override {
    if (Pid > 0) {
      ::kill(Pid, SIGTERM);
      ::waitpid(Pid, nullptr, 0);
    }
    std::system(("rm -rf '" + Root + "' '" + Root + ".conf' '" + Root + ".log'").c_str());
    LoopFixture::TearDown();
  }
  void WriteScript(const std::string& name, const std::string& text) { WriteWholeFile(Root + "/" + name, text); }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(Port) + path; }

  TNetHTTPClient Web;
  std::string Root, Data;
  int Port = 0;
  pid_t Pid = -1;
};

TEST_F(HttpLighttpd, GetsAndPostsThreeMegabytesByteForByte) {
  Web.SetURL(Url("/static.bin"));
  std::int64_t lastCount = 0;
  Web.OnTransferProgress = [&](TObject*, int, int count, int) { lastCount = count; };
  EXPECT_EQ(Web.Get(), 200);
  EXPECT_EQ(Web.Body().DataString(), Data);
  EXPECT_EQ(Web.Body().Position(), 0);
  EXPECT_EQ(lastCount, static_cast<std::int64_t>(Data.size()));

  Web.SetURL(Url("/echo.cgi"));
  Web.SetContentType("multipart/form-data");
  Web.PostData().WriteString(Data);
  EXPECT_EQ(Web.Post(), 200);
  EXPECT_EQ(Web.Body().Size(), static_cast<std::int64_t>(Data.size()));
  EXPECT_TRUE(Web.Body().DataString() == Data);
  EXPECT_EQ(Web.Body().Position(), 0);
}

TEST_F(HttpLighttpd, ReplyOfUnknownLengthAndTheCommandInTheUserAgent) {
  Web.SetURL(Url("/stream.cgi"));
  EXPECT_EQ(Web.Get(), 200);
  std::string expected;
  for (int i = 0; i < 50; ++i) expected += "part " + std::to_string(i) + "\n";
  EXPECT_EQ(Web.Body().DataString(), expected);

  Web.SetURL(Url("/agent.cgi"));
  Web.UserAgent = "N12345678:Books";
  EXPECT_EQ(Web.Get(), 200);
  EXPECT_EQ(Web.Body().DataString(), "N12345678:Books");
  Web.SetURL(Url("/missing.html"));
  EXPECT_EQ(Web.Get(), 404);
}

TEST_F(HttpLighttpd, SlowReplyTimesOut) {
  Web.SetURL(Url("/slow.cgi"));
  Web.SetTimeOut(1);
  try {
    Web.Get();
    FAIL();
  } catch (const ENetTimedOutError& e) {
    EXPECT_EQ(e.Message(), "Operation timed out");
  }
  EXPECT_EQ(Web.Handle(), winsock::INVALID_SOCKET);
}
