#include "platform/sys/winsock.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sys/event_loop.h"
#include "platform/sys/mime_types.h"
#include "tests/loopback_listener.h"

using namespace winsock;

namespace {

// A small loop over poll() that runs the watches and delivers posted messages.
class TWatchLoop : public TEventLoop {
public:
  TTimerId AddTimer(unsigned, bool, TTimerProc) override { return 0; }
  void RemoveTimer(TTimerId) override {}
  void SetFdWatch(int Fd, unsigned Mask, TFdProc OnReady) override {
    if (Mask == 0) return RemoveFdWatch(Fd);
    Watches[Fd] = {Mask, std::move(OnReady)};
  }
  void RemoveFdWatch(int Fd) override { Watches.erase(Fd); }
  bool ProcessMessages(int WaitMs) override {
    std::vector<pollfd> fds;
    for (auto& [fd, w] : Watches)
      fds.push_back({fd, static_cast<short>(((w.first & fdeRead) ? POLLIN : 0) | ((w.first & fdeWrite) ? POLLOUT : 0)), 0});
    if (!fds.empty() && ::poll(fds.data(), fds.size(), HasPostedMessages() ? 0 : WaitMs) > 0) {
      for (const pollfd& p : fds) {
        unsigned ready = 0;
        if (p.revents & POLLIN) ready |= fdeRead;
        if (p.revents & POLLOUT) ready |= fdeWrite;
        if (p.revents & (POLLHUP | POLLERR)) ready |= fdeRead | fdeHangUp;
        auto it = Watches.find(p.fd);
        if (ready && it != Watches.end()) {
          auto proc = it->second.second;
          proc(p.fd, ready);
        }
      }
    }
    return DispatchPosted();
  }
  void Wake() override {}
  std::map<int, std::pair<unsigned, TFdProc>> Watches;
};

class TRecorder : public TMessageTarget {
public:
  void HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) override {
    EXPECT_EQ(Msg, WM_SOCKET_NOTIFY);
    Events.push_back({static_cast<SOCKET>(WParam), LParam});
  }
  bool Has(int event) const {
    for (auto& e : Events)
      if (WSAGETSELECTEVENT(e.second) == event) return true;
    return false;
  }
  int ErrorOf(int event) const {
    for (auto& e : Events)
      if (WSAGETSELECTEVENT(e.second) == event) return WSAGETSELECTERROR(e.second);
    return -1;
  }
  std::vector<std::pair<SOCKET, LPARAM>> Events;
};

int Listener(sockaddr_in& address) {
  const TLoopbackListener Listener = OpenLoopbackListener(4);
  address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  address.sin_port = ::htons(Listener.Port);
  return Listener.Fd;
}

class AsyncSelect : public ::testing::Test {
protected:
  void SetUp() override { SetCurrentEventLoop(&Loop); }
  void TearDown() override { SetCurrentEventLoop(nullptr); }
  // Pumps (bounded) until `done` holds.
  template <class F>
  bool PumpUntil(F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < end) Loop.ProcessMessages(50);
    return done();
  }
  TWatchLoop Loop;
  TRecorder Target;
};

}  // namespace

TEST(WinsockErrors, ErrnoAndResolverCodesMapToWinsockNumbers) {
  EXPECT_EQ(ErrorFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(ErrorFromErrno(EINPROGRESS), 10035);
  EXPECT_EQ(ErrorFromErrno(EAGAIN), 10035);
  EXPECT_EQ(ErrorFromErrno(EPIPE), 10058);
  EXPECT_EQ(ErrorFromErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(ErrorFromErrno(EHOSTUNREACH), 10065);
  EXPECT_EQ(ErrorFromResolver(EAI_NONAME, 0), 11001);
  EXPECT_EQ(ErrorFromResolver(EAI_AGAIN, 0), 11002);
  EXPECT_EQ(ErrorFromResolver(EAI_FAIL, 0), 11003);
}

TEST(WinsockCalls, StartupAddressesAndNames) {
  WSAData data;
  EXPECT_EQ(WSAStartup(0x0101, &data), 0);
  EXPECT_EQ(data.wVersion, 0x0101);
  EXPECT_EQ(data.iMaxSockets, 32767);
  EXPECT_EQ(data.iMaxUdpDg, 65467);
  EXPECT_EQ(WSAStartup(0x0001, &data), WSAVERNOTSUPPORTED);

  EXPECT_EQ(winsock::inet_addr("127.0.0.1"), ::htonl(0x7F000001));
  EXPECT_EQ(winsock::inet_addr("localhost"), INADDR_NONE_VALUE);
  EXPECT_EQ(winsock::inet_addr("1.2.3"), INADDR_NONE_VALUE);
  in_addr a{};
  a.s_addr = winsock::inet_addr("10.20.30.40");
  EXPECT_STREQ(winsock::inet_ntoa(a), "10.20.30.40");
  EXPECT_EQ(winsock::ntohs(winsock::htons(0x1234)), 0x1234);

  hostent* h = winsock::gethostbyname("localhost");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->h_addrtype, AF_INET);
  std::memcpy(&a, h->h_addr_list[0], 4);
  EXPECT_STREQ(winsock::inet_ntoa(a), "127.0.0.1");
  EXPECT_EQ(winsock::gethostbyname("no..such"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);

  char name[128];
  EXPECT_EQ(winsock::gethostname(name, sizeof name), 0);
  EXPECT_GT(std::strlen(name), 0u);
  char tiny[1];
  EXPECT_EQ(winsock::gethostname(tiny, 1), SOCKET_ERROR);
  // The system's list of services (/etc/services) names the mail port.
  servent* s = winsock::getservbyname("smtp", "tcp");
  ASSERT_NE(s, nullptr) << "no smtp/tcp in the system's list of services";
  EXPECT_EQ(winsock::ntohs(static_cast<u_short>(s->s_port)), 25);
  EXPECT_STREQ(s->s_proto, "tcp");
  EXPECT_EQ(winsock::getservbyname("no-such-service", "tcp"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
  EXPECT_FALSE(LocalHostAddress().empty());
}

TEST(WinsockCalls, NonBlockingSocketsAndBadHandles) {
  SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_NE(s, INVALID_SOCKET);
  winsock::u_long on = 1;
  EXPECT_EQ(winsock::ioctlsocket(s, FIONBIO, &on), 0);
  char byte;
  EXPECT_EQ(winsock::recv(s, &byte, 1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
  EXPECT_EQ(winsock::ioctlsocket(s, 12345, &on), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
  EXPECT_EQ(winsock::closesocket(s), 0);
  EXPECT_EQ(winsock::closesocket(INVALID_SOCKET), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST(WinsockCalls, SendToAClosedPeerFailsWithoutASignal) {
  sockaddr_in address;
  const int listener = Listener(address);
  SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(winsock::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const int peer = ::accept(listener, nullptr, nullptr);
  ::close(peer);
  ::close(listener);
  int result = 0;
  for (int i = 0; i < 100 && result != SOCKET_ERROR; ++i) {
    result = winsock::send(s, "data", 4, 0);
    ::usleep(10000);
  }
  EXPECT_EQ(result, SOCKET_ERROR);  // the process is still here: no SIGPIPE
  const int error = WSAGetLastError();
  EXPECT_TRUE(error == WSAECONNRESET || error == WSAESHUTDOWN) << error;
  winsock::closesocket(s);
}

TEST_F(AsyncSelect, ConnectReadAndCloseNotifications) {
  sockaddr_in address;
  const int listener = Listener(address);
  SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, 0);
  winsock::u_long on = 1;
  winsock::ioctlsocket(s, FIONBIO, &on);
  ASSERT_EQ(WSAAsyncSelect(s, &Target, WM_SOCKET_NOTIFY, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
  const int rc = winsock::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  EXPECT_TRUE(rc == 0 || WSAGetLastError() == WSAEWOULDBLOCK);
  ASSERT_TRUE(PumpUntil([&] { return Target.Has(FD_CONNECT); }));
  EXPECT_EQ(Target.ErrorOf(FD_CONNECT), 0);
  EXPECT_EQ(Target.Events[0].first, s);
  EXPECT_TRUE(PumpUntil([&] { return Target.Has(FD_WRITE); }));

  const int peer = ::accept(listener, nullptr, nullptr);
  ::send(peer, "hello", 5, 0);
  ASSERT_TRUE(PumpUntil([&] { return Target.Has(FD_READ); }));
  // No second FD_READ until the data has been asked for.
  Target.Events.clear();
  Loop.ProcessMessages(50);
  EXPECT_FALSE(Target.Has(FD_READ));
  char buffer[16];
  EXPECT_EQ(winsock::recv(s, buffer, sizeof buffer, 0), 5);
  ::close(peer);
  ASSERT_TRUE(PumpUntil([&] { return Target.Has(FD_CLOSE); }));
  EXPECT_EQ(Target.ErrorOf(FD_CLOSE), 0);
  winsock::closesocket(s);
  EXPECT_TRUE(Loop.Watches.empty());
  ::close(listener);
}

TEST_F(AsyncSelect, RefusedConnectReportsTheErrorWithTheConnectEvent) {
  sockaddr_in address;
  const int listener = Listener(address);
  ::close(listener);  // nobody listens there now
  SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, 0);
  winsock::u_long on = 1;
  winsock::ioctlsocket(s, FIONBIO, &on);
  ASSERT_EQ(WSAAsyncSelect(s, &Target, WM_SOCKET_NOTIFY, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
  if (winsock::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
      WSAGetLastError() == WSAECONNREFUSED) {
    SUCCEED() << "refused at once";
  } else {
    ASSERT_TRUE(PumpUntil([&] { return Target.Has(FD_CONNECT); }));
    EXPECT_EQ(Target.ErrorOf(FD_CONNECT), WSAECONNREFUSED);
    EXPECT_FALSE(Target.Has(FD_CLOSE));
  }
  winsock::closesocket(s);
}

TEST(MimeTypes, BuiltInTableThenSystemFileThenOctetStream) {
  const std::string path = ::testing::TempDir() + "qn_mime_types";
  FILE* f = std::fopen(path.c_str(), "w");
  std::fputs("# comment\napplication/x-test\ttst tst2\ntext/plain txt\n", f);
  std::fclose(f);
  SetMimeTypeTable({{".TXT", "text/plain"}, {".eml", "message/rfc822"}}, path);
  EXPECT_EQ(MimeTypeOfExtension(".txt"), "text/plain");
  EXPECT_EQ(MimeTypeOfExtension(".EML"), "message/rfc822");
  EXPECT_EQ(MimeTypeOfExtension(".tst2"), "application/x-test");
  EXPECT_EQ(MimeTypeOfExtension(".nothing"), "application/octet-stream");
  EXPECT_EQ(MimeTypeOfExtension(""), "application/octet-stream");
  SetMimeTypeTable({}, "");
  EXPECT_EQ(MimeTypeOfExtension(".tst"), "application/octet-stream");
  ResetMimeTypeTable();
  EXPECT_EQ(MimeTypeOfExtension(".htm"), "text/html");
  EXPECT_EQ(MimeTypeOfExtension(".jpeg"), "image/jpeg");
  std::remove(path.c_str());
}

TEST(SendEverything, SendsAcrossShortAndBlockedTriesAndStopsOnAnErrorOrAGiveUp) {
  // A socket that takes three bytes a time and would block on every other try.
  std::string Taken;
  int Tries = 0, Blocked = 0;
  auto Send = [&](const char* Data, int Count) {
    if (++Tries % 2 == 0) return winsock::SOCKET_ERROR;
    const int N = std::min(Count, 3);
    Taken.append(Data, static_cast<std::size_t>(N));
    return N;
  };
  auto LastError = [] { return winsock::WSAEWOULDBLOCK; };
  std::vector<bool> Waits;
  auto Wait = [&](bool Progress) {
    Waits.push_back(Progress);
    Blocked += Progress ? 0 : 1;
    return true;
  };
  int Error = -1;
  const std::string Text = "0123456789abcdef";
  EXPECT_EQ(winsock::SendEverything(Send, Text.data(), Text.size(), LastError, Wait, Error), Text.size());
  EXPECT_EQ(Error, 0);
  EXPECT_EQ(Taken, Text);
  EXPECT_EQ(Blocked, 5);  // one blocked try between each two of the six that took bytes
  EXPECT_FALSE(Waits.empty());
  EXPECT_TRUE(Waits.front());

  // A real error stops at once with it; a wait that gives up stops without one.
  int Calls = 0;
  auto Fails = [&](const char*, int) { return ++Calls == 1 ? 4 : winsock::SOCKET_ERROR; };
  EXPECT_EQ(winsock::SendEverything(Fails, Text.data(), Text.size(), [] { return winsock::WSAECONNRESET; },
                                    [](bool) { return true; }, Error), 4u);
  EXPECT_EQ(Error, winsock::WSAECONNRESET);
  EXPECT_EQ(winsock::SendEverything([](const char*, int) { return winsock::SOCKET_ERROR; }, Text.data(),
                                    Text.size(), LastError, [](bool) { return false; }, Error), 0u);
  EXPECT_EQ(Error, 0);
}
