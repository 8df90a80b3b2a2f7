#include "net/net_socket.h"
#include "net/net_pump.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include "net_test_support.h"

using namespace nettest;

namespace {

// A client socket whose reads and writes the tests call directly.
class TTestSocket : public TNetClientSocket {
public:
  using TNetClientSocket::TNetClientSocket;
  void SetDefaultPort(short p) { FDefaultPort = p; }
};

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

class Socket : public LoopFixture {
protected:
  TTestSocket Client;
  void ConnectTo(const ScriptedServer& server) {
    Client.SetHost(server.Address());
    Client.Connect();
  }
};

}  // namespace

TEST(ClientSocketHost, SplitsHostAndPortUnlessAProxyIsSet) {
  TTestSocket s;
  s.SetDefaultPort(80);
  s.SetHost("server:6777");
  EXPECT_EQ(s.Host(), "server");
  EXPECT_EQ(s.Port(), 6777);
  s.SetHost("server:abc");
  EXPECT_EQ(s.Host(), "server");
  EXPECT_EQ(s.Port(), 80);
  s.SetProxy("proxy:3128");
  EXPECT_EQ(s.Proxy(), "proxy");
  EXPECT_EQ(s.ProxyPort(), 3128);
  s.SetHost("server:6777");
  EXPECT_EQ(s.Host(), "server:6777");
  s.SetProxy("");
  EXPECT_EQ(s.Host(), "server");
  EXPECT_EQ(s.Port(), 6777);
  EXPECT_EQ(s.Version(), "2.02");
}

TEST(Winsock, ErrorTextsAndLookups) {
  EXPECT_EQ(WinsockErrorText(10061), "[10061] Connection refused");
  EXPECT_EQ(WinsockErrorText(11001), "[11001] Host not found");
  EXPECT_EQ(WinsockErrorText(10000), "[0] No Error");
  EXPECT_EQ(WinsockErrorText(0), "Winsock error no 0");
  EXPECT_EQ(WinsockErrorText(10001), "Winsock error no 10001");
  TNetWinsock& ws = NetWinsock();
  EXPECT_EQ(ws.Version(), 0x0101);
  EXPECT_EQ(ws.MaxSockets(), 32767);
  EXPECT_EQ(ws.ResolveHost("10.1.2.3"), "10.1.2.3");
  EXPECT_EQ(ws.ResolveHost("localhost"), "127.0.0.1");
  EXPECT_FALSE(ws.LocalHostName().empty());
  try {
    ws.ResolveHost("no..such");
    FAIL();
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.Message(), "[11001] Host not found");
  }
  EXPECT_THROW(ws.AddressOf("not an address"), EWinsockError);
}

TEST(Winsock, MissingLibraryAndMissingFunction) {
  TNetWinsock missing("nosuchwinsock.dll");
  EXPECT_EQ(missing.Handle(), nullptr);
  try {
    missing.socket(2, 1, 0);
    FAIL();
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.Message(), "Winsock not loaded");
  }
  NetWinsock();  // registers the built-in module
  RemoveBuiltinProc("wsock32.dll", "inet_addr");
  TNetWinsock partial;
  try {
    partial.inet_addr("1.2.3.4");
    ADD_FAILURE() << "no exception";
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.Message(), "Function inet_addr not found");
  }
  RegisterBuiltinProc("wsock32.dll", "inet_addr", reinterpret_cast<FARPROC>(&winsock::inet_addr));
  TNetWinsock whole;
  EXPECT_NE(whole.inet_addr("1.2.3.4"), winsock::INADDR_NONE_VALUE);
}

TEST_F(Socket, RefusedConnectRaisesAtOnceAndClosesTheSocket) {
  const int before = OpenDescriptors();
  Client.SetHost("127.0.0.1:" + std::to_string(ClosedPort()));
  Client.SetTimeOut(30);
  const auto start = std::chrono::steady_clock::now();
  try {
    Client.Connect();
    FAIL();
  } catch (const EWinsockError& e) {
    EXPECT_EQ(e.Message(), "[10061] Connection refused");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(Client.Handle(), winsock::INVALID_SOCKET);
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(Socket, ConnectFiresItsEvents) {
  ScriptedServer server([](int fd) { ReadUntil(fd, "bye"); });
  int connecting = 0, connected = 0, disconnected = 0;
  Client.OnConnecting = [&](TObject*) { ++connecting; };
  Client.OnConnected = [&](TObject*) { ++connected; };
  Client.OnDisconnected = [&](TObject*) { ++disconnected; };
  ConnectTo(server);
  EXPECT_TRUE(Client.Connected());
  EXPECT_EQ(connecting, 1);
  EXPECT_EQ(connected, 2);  // the notification, then the end of Connect
  Client.SendLine("bye");
  Client.Disconnect();
  EXPECT_EQ(disconnected, 1);
  EXPECT_EQ(Client.Handle(), winsock::INVALID_SOCKET);
}

TEST_F(Socket, ReadsLinesWithTheirCarriageReturnsRemoved) {
  ScriptedServer server([](int fd) { SendAll(fd, "HTTP/1.1 200 OK\r\nbare\na\rb\nlast"); });
  ConnectTo(server);
  std::string line;
  Client.ReadLine(line);
  EXPECT_EQ(line, "HTTP/1.1 200 OK");
  Client.ReadLine(line);
  EXPECT_EQ(line, "bare");
  Client.ReadLine(line);
  EXPECT_EQ(line, "ab");
  Client.ReadLine(line);
  EXPECT_EQ(line, "last");
  Client.ReadLine(line);
  EXPECT_EQ(line, "");
  EXPECT_TRUE(Client.Closed());
}

TEST_F(Socket, BytesReadAheadOfALineGoToTheNextReads) {
  // Lines are read a block at a time: what came after a line (the rest of the head, a body, the
  // peer's close) belongs to the reads that follow, and the socket is not closed while any of
  // it waits.
  ScriptedServer server([](int fd) { SendAll(fd, "head\r\n\r\nbody bytes\nsecond\r\nrest to the close"); });
  ConnectTo(server);
  std::string line;
  Client.ReadLine(line);
  EXPECT_EQ(line, "head");
  // Give the close time to be noticed while the rest waits in the read-ahead.
  for (int i = 0; i < 20; ++i) NetPumpMessages(5);
  EXPECT_FALSE(Client.Closed());
  Client.ReadLine(line);
  EXPECT_EQ(line, "");
  TMemoryStream body;
  Client.ReceiveStream(body, 11, 0);
  EXPECT_EQ(body.DataString(), "body bytes\n");
  Client.ReadLine(line);
  EXPECT_EQ(line, "second");
  EXPECT_FALSE(Client.Closed());
  TMemoryStream rest;
  Client.ReceiveStream(rest, -1, 0);
  EXPECT_EQ(rest.DataString(), "rest to the close");
  EXPECT_TRUE(Client.Closed());
}

TEST_F(Socket, LongLinesGrowUpToTheCap) {
  ScriptedServer server([](int fd) {
    SendAll(fd, std::string(5000, 'a') + "\r\n" + std::string(TNetSocket::MaxLineLength + 10, 'b') + "\r\n");
  });
  ConnectTo(server);
  std::string line;
  Client.ReadLine(line);
  EXPECT_EQ(line, std::string(5000, 'a'));
  EXPECT_THROW(Client.ReadLine(line), ENetError);
}

TEST_F(Socket, KnownLengthStopsEvenIfThePeerStaysAndUnknownLengthReadsToTheClose) {
  {
    ScriptedServer server([](int fd) {
      SendAll(fd, "0123456789extra");
      ReadUntil(fd, "done");
    });
    ConnectTo(server);
    TMemoryStream body;
    Client.ReceiveStream(body, 10, 0);
    EXPECT_EQ(body.DataString(), "0123456789");
    Client.SendLine("done");
    Client.Disconnect();
  }
  {
    const std::string data = RandomBytes(100000, 5);
    ScriptedServer server([&](int fd) { SendAll(fd, data); });
    ConnectTo(server);
    TMemoryStream body;
    std::vector<int> percents;
    Client.OnTransferProgress = [&](TObject*, int perc, int, int lines) {
      percents.push_back(perc);
      EXPECT_EQ(lines, -1);
    };
    Client.ReceiveStream(body, 0, 0);
    EXPECT_EQ(body.DataString(), data);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), -1);
    Client.Disconnect();
  }
}

TEST_F(Socket, ABodyCutShortIsAnError) {
  ScriptedServer server([](int fd) { SendAll(fd, "only five"); });
  ConnectTo(server);
  TMemoryStream body;
  EXPECT_THROW(Client.ReceiveStream(body, 100, 0), ENetError);
}

TEST_F(Socket, ChunkedBodies) {
  {
    ScriptedServer server([](int fd) { SendAll(fd, "5\r\nhello\r\nA\r\n, world!!!\r\n0\r\n\r\n"); });
    ConnectTo(server);
    TMemoryStream body;
    Client.ReceiveChunked(body);
    EXPECT_EQ(body.DataString(), "hello, world!!!");
    Client.Disconnect();
  }
  {
    ScriptedServer server([](int fd) { SendAll(fd, "5;x=1\r\nhello\r\n0\r\n\r\n"); });
    ConnectTo(server);
    TMemoryStream body;
    try {
      Client.ReceiveChunked(body);
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Error receiving the stream");
    }
  }
}

TEST_F(Socket, MultiLineReplies) {
  ScriptedServer server([](int fd) { SendAll(fd, "250-first\r\n250-second\r\n250 last\r\n"); });
  ConnectTo(server);
  EXPECT_EQ(Client.ReadFullReply(), 1);  // the base class reads no code
}

TEST_F(Socket, SendsStreamsWithProgressAndAnEmptyStreamIsComplete) {
  std::string received;
  const std::string data = RandomBytes(200000, 11);
  std::vector<int> percents;
  {
    ScriptedServer server([&](int fd) { received = ReadUntil(fd, data.substr(data.size() - 32)); });
    ConnectTo(server);
    Client.OnTransferProgress = [&](TObject*, int perc, int, int) { percents.push_back(perc); };
    TMemoryStream empty;
    Client.SendStream(empty, 0);
    ASSERT_EQ(percents.size(), 1u);
    EXPECT_EQ(percents[0], 100);
    TStringStream stream(data);
    Client.SendStream(stream, 0);
    EXPECT_EQ(percents.back(), 100);
    Client.Disconnect();
  }
  EXPECT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data);
}

TEST_F(Socket, NoProgressForTheTimeOutRaises) {
  ScriptedServer server([](int fd) { ReadUntil(fd, "never comes"); });
  ConnectTo(server);
  Client.SetTimeOut(1);
  const auto start = std::chrono::steady_clock::now();
  std::string line;
  try {
    Client.ReadLine(line);
    FAIL();
  } catch (const ENetTimedOutError& e) {
    EXPECT_EQ(e.Message(), "Operation timed out");
  }
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_LT(took, std::chrono::seconds(4));
  Client.Disconnect();
}

TEST_F(Socket, BlockingSocketsWorkWithoutNotifications) {
  ScriptedServer server([](int fd) {
    const std::string got = ReadUntil(fd, "\r\n");
    SendAll(fd, "echo " + got);
  });
  Client.SetBlockingProperty(true);
  ConnectTo(server);
  Client.SendLine("ping");
  std::string line;
  Client.ReadLine(line);
  EXPECT_EQ(line, "echo ping");
}
