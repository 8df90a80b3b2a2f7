// The HTTP client's reading of a reply (status line, header lines, a body by length, chunked or
// to the close) and its header list.  The first byte picks the target: 'g' the reply to a GET,
// 'p' the reply to a POST (a "100 Continue" first takes a second head), 'h' header lines whose
// fields are looked up.  The client talks to a local socket pair whose other end sends the rest
// of the input and closes.
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "fuzz_support.h"
#include "net/http_client.h"
#include "net/net_winsock.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"

namespace {

// The HTTP client over one end of a socket pair instead of a TCP connection.
class TPairedHttpClient : public TNetHTTPClient {
public:
  int PeerFd = -1;

  void Connect() override {
    ResetState();
    int Fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, Fds) != 0) std::abort();
    FSocket = static_cast<winsock::SOCKET>(Fds[0]);
    PeerFd = Fds[1];
    SetBlocking(FBlocking);
    NetWinsock().WSAAsyncSelect(FSocket, &FWindow, winsock::WM_SOCKET_NOTIFY,
                                winsock::FD_READ | winsock::FD_WRITE | winsock::FD_CLOSE);
    FConnected = true;
    if (Started) Started(PeerFd);
  }

  std::function<void(int Fd)> Started;
};

// The server's end: sends the reply from Sent on, ends its side, and reads whatever the client
// sends until the client closes.
void Serve(int Fd, const std::string& Reply, std::size_t Sent) {
  while (Sent < Reply.size()) {
    const ssize_t N = ::send(Fd, Reply.data() + Sent, Reply.size() - Sent, MSG_NOSIGNAL);
    if (N <= 0) break;
    Sent += static_cast<std::size_t>(N);
  }
  ::shutdown(Fd, SHUT_WR);
  char Buffer[4096];
  while (::recv(Fd, Buffer, sizeof Buffer, 0) > 0) {
  }
  ::close(Fd);
}

// As much of the reply as the socket takes without a reader; the rest is the server thread's.
std::size_t SendWhatFits(int Fd, const std::string& Reply) {
  std::size_t Sent = 0;
  while (Sent < Reply.size()) {
    const ssize_t N = ::send(Fd, Reply.data() + Sent, Reply.size() - Sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (N <= 0) break;
    Sent += static_cast<std::size_t>(N);
  }
  return Sent;
}

// A reply that fits in the socket at once (nearly every input) is sent before the client reads
// and its end stays open, unread, until the client is done: the client's few request bytes fit
// as well.  Only a longer one has a thread to send the rest: a thread per input, on a busy
// machine, costs a wait for the scheduler at every turn of the exchange.
void Exchange(const std::string& Reply, bool Post) {
  TPairedHttpClient Client;
  Client.SetURL("http://127.0.0.1:6777/database/qnserver.exe");
  Client.UserAgent = "N12345678:Books";
  Client.SetTimeOut(10);
  std::thread Server;
  int Unserved = -1;
  Client.Started = [&](int Fd) {
    const std::size_t Sent = SendWhatFits(Fd, Reply);
    if (Sent == Reply.size()) {
      ::shutdown(Fd, SHUT_WR);
      Unserved = Fd;
    } else {
      Server = std::thread(Serve, Fd, Reply, Sent);
    }
  };
  try {
    if (Post) {
      Client.SetContentType("multipart/form-data");
      Client.PostData().WriteString("field=value");
      Client.Post();
    } else {
      Client.Get();
    }
    Client.Body().DataString();
    Client.Headers().GetFieldBody("Content-Type");
  } catch (const Exception&) {
  }
  // The client has closed its end whatever happened, so the server's end finishes.
  Client.Disconnect();
  if (Server.joinable()) Server.join();
  if (Unserved >= 0) ::close(Unserved);
}

void Headers(const std::string& Text) {
  TNetHeaders H;
  H.SetText(Text);
  for (const char* Name : {"Content-Length", "Transfer-Encoding", "Content-Type", "Subject", "X-UIDL"}) {
    H.GetFieldBody(Name);
    TStringList List;
    H.GetFieldList(Name, List);
  }
  H.RemoveField("Content-Type");
  H.RemoveField("Subject");
}

void SetUp() {
  InstallHeadlessBackend();
  static TPollEventLoop Loop{false};
  SetCurrentEventLoop(&Loop);
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  return {"gHTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 12\r\n\r\n<HTML>1</HTML>",
          "gHTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6;ext=1\r\n world\r\n0\r\nTrailer: x\r\n\r\n",
          "gHTTP/1.0 404 Not Found\r\nServer: x\r\n\r\nuntil the close",
          "pHTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody",
          "gHTTP/1.1 302 Found\r\nLocation: /x\r\nSet-Cookie: a=1\r\n folded\r\nContent-Length: 0\r\n\r\n",
          "hContent-Type: multipart/mixed; boundary=\"a,b\"\r\nSubject: =?utf-8?Q?caf=C3=A9?=\r\n and more\r\n"
          "Accept: a, \"b, c\", d\r\n"};
}

QN_FUZZ_SET_UP_THEN_SEEDS(SetUp)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::string Bytes(fuzz::AsView(Data + 1, Size - 1));
  switch (Data[0]) {
    case 'g':
      Exchange(Bytes, false);
      break;
    case 'p':
      Exchange(Bytes, true);
      break;
    case 'h':
      Headers(Bytes);
      break;
    default:
      break;
  }
  return 0;
}
