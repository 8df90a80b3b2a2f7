// The SMTP sender against a real SMTP receiver on loopback, and against a scripted peer for
// the dialogue's corner cases.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "engine_fixture.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/rtl/string_list.h"
#include "server/engine/smtp_send_mail.h"
#include "tests/loopback_listener.h"

namespace {

// Receives mail on a free loopback port; each message goes to MAILDIR/N.eml with the envelope
// in MAILDIR/N.env; "RCPT TO:<refused@x>" is answered 550.  Ends when its input closes.
const char* kReceiver = R"(
import sys, os, socket, asyncio
from aiosmtpd.controller import Controller
folder = sys.argv[1]
class Handler:
    count = 0
    async def handle_RCPT(self, server, session, envelope, address, options):
        if address == 'refused@x':
            return '550 no such user'
        envelope.rcpt_tos.append(address)
        return '250 OK'
    async def handle_DATA(self, server, session, envelope):
        Handler.count += 1
        base = os.path.join(folder, str(Handler.count))
        open(base + '.eml', 'wb').write(envelope.original_content)
        open(base + '.env', 'w').write(envelope.mail_from + '\n' + '\n'.join(envelope.rcpt_tos) + '\n')
        return '250 Message accepted'
s = socket.socket(); s.bind(('127.0.0.1', 0)); port = s.getsockname()[1]; s.close()
c = Controller(Handler(), hostname='127.0.0.1', port=port)
c.start()
print(port, flush=True)
sys.stdin.read()
c.stop()
)";

// Parses a received message and prints what the tests compare.
const char* kParser = R"(
import sys, email, hashlib
from email import policy
m = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=policy.compat32)
for k in ('From', 'To', 'CC', 'BCC', 'Subject'):
    print(k, '=', m.get(k, '(none)'))
for part in m.walk():
    if part.is_multipart():
        continue
    name = part.get_filename()
    data = part.get_payload(decode=True)
    if name:
        print('attachment', name, len(data), hashlib.sha256(data).hexdigest())
    else:
        print('text', repr(data.decode('latin-1')))
)";

std::string RunPython(const std::string& Folder, const char* Script, const std::string& Argument) {
  const std::string file = Folder + "/script.py";
  WriteWholeFile(file, Script);
  FILE* pipe = popen(("/usr/bin/python3 '" + file + "' '" + Argument + "' 2>&1").c_str(), "r");
  std::string text;
  char buffer[4096];
  for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (pipe) pclose(pipe);
  return text;
}

std::string Sha256(const std::string& Folder, const std::string& Path) {
  const std::string out = RunPython(Folder, "import sys,hashlib;print(hashlib.sha256(open(sys.argv[1],'rb').read()).hexdigest())", Path);
  return out.substr(0, 64);
}

// Runs the receiver for one test; its port comes through a file, as popen gives only the
// receiver's input to us (closing it ends the receiver).
class SmtpMailTest : public EngineFixture {
protected:
  void SetUp() override {
    EngineFixture::SetUp();
    WriteWholeFile(Folder + "/receiver.py", kReceiver);
    const std::string command = "/usr/bin/python3 '" + Folder + "/receiver.py' '" + Folder +
                                "' > '" + Folder + "/port' 2>'" + Folder + "/receiver.log'";
    Receiver = popen(command.c_str(), "w");
    ASSERT_NE(Receiver, nullptr);
    for (int i = 0; i < 200 && Port.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const std::string text = ReadWholeFile(Folder + "/port");
      if (text.find('\n') != std::string::npos) Port = text.substr(0, text.find('\n'));
    }
    ASSERT_FALSE(Port.empty()) << ReadWholeFile(Folder + "/receiver.log");
  }
  void TearDown() override {
    if (Receiver) pclose(Receiver);
    EngineFixture::TearDown();
  }

  void Aim(TSmtpSendMail& Mail) {
    Mail.RemoteHost = "127.0.0.1";
    Mail.RemotePort = Port;
  }

  FILE* Receiver = nullptr;
  std::string Port;
};

TEST_F(SmtpMailTest, NotificationWithTwoAttachmentsArrivesIntact) {
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  WriteWholeFile(Folder + "/picture.bin", binary);
  WriteWholeFile(Folder + "/four.dat", "abcd");

  TSmtpSendMail mail(nullptr);
  Aim(mail);
  mail.MailFrom = "Server <server@example.org>";
  mail.MailTo = "Ann <ann@example.org>; bob@example.org";
  mail.MailBCC = "hidden@example.org";
  mail.MailSubject = "New record\r\nX-Injected: yes";
  mail.MailBodyLines().Add("Hello %NAME%,");
  mail.MailBodyLines().Add(".");
  mail.MailBodyLines().Add(".leading dot and 100% sure");
  mail.AttachmentLines().Add(Folder + "/picture.bin");
  mail.AttachmentLines().Add("Four bytes <" + Folder + "/four.dat>");
  mail.OnBodyEntry = [](TObject*, const std::string& Name, std::string& Text) { Text = "[" + Name + "]"; };
  ASSERT_TRUE(mail.Send(5)) << mail.ReplyText();
  EXPECT_EQ(mail.ReplyCode(), 221);
  EXPECT_EQ(ReadWholeFile(Folder + "/1.env"),
            "server@example.org\nann@example.org\nbob@example.org\nhidden@example.org\n");
  const std::string raw = ReadWholeFile(Folder + "/1.eml");
  EXPECT_EQ(raw.find("hidden"), std::string::npos);
  EXPECT_EQ(raw.find("\nCC:"), std::string::npos);
  EXPECT_EQ(raw.find("\nX-Injected"), std::string::npos);
  // The four bytes: one base64 line of eight characters.
  EXPECT_NE(raw.find("\r\nYWJjZA==\r\n"), std::string::npos);

  const std::string parsed = RunPython(Folder, kParser, Folder + "/1.eml");
  EXPECT_NE(parsed.find("From = Server <server@example.org>\n"), std::string::npos) << parsed;
  EXPECT_NE(parsed.find("To = Ann <ann@example.org>,<bob@example.org>\n"), std::string::npos);
  EXPECT_NE(parsed.find("CC = (none)\nBCC = (none)\n"), std::string::npos);
  EXPECT_NE(parsed.find("Subject = New record  X-Injected: yes\n"), std::string::npos);
  EXPECT_NE(parsed.find("text 'Hello [NAME],\\r\\n.\\r\\n.leading dot and 100% sure'"),
            std::string::npos)
      << parsed;
  EXPECT_NE(parsed.find("attachment picture.bin 5000 " + Sha256(Folder, Folder + "/picture.bin")),
            std::string::npos);
  EXPECT_NE(parsed.find("attachment Four bytes 4 " + Sha256(Folder, Folder + "/four.dat")),
            std::string::npos);
}

TEST_F(SmtpMailTest, ARefusedRecipientFailsAndTheNextMailStillGoes) {
  TSmtpSendMail mail(nullptr);
  Aim(mail);
  mail.MailFrom = "server@example.org";
  mail.MailTo = "refused@x";
  mail.MailCC = "Carl <carl@example.org>";
  mail.MailBodyLines().Add("first");
  EXPECT_FALSE(mail.Send(5));
  EXPECT_EQ(mail.ReplyCode(), 550);
  EXPECT_EQ(mail.State(), ssReady);

  mail.MailTo = "ann@example.org";
  ASSERT_TRUE(mail.Send(5)) << mail.ReplyText();
  EXPECT_EQ(ReadWholeFile(Folder + "/1.env"), "server@example.org\nann@example.org\ncarl@example.org\n");
  const std::string parsed = RunPython(Folder, kParser, Folder + "/1.eml");
  EXPECT_NE(parsed.find("CC = Carl <carl@example.org>\n"), std::string::npos) << parsed;
  EXPECT_NE(parsed.find("text 'first\\r\\n\\r\\n'"), std::string::npos) << parsed;
}

TEST_F(SmtpMailTest, BadInputIsRefusedBeforeAnythingIsSent) {
  TSmtpSendMail mail(nullptr);
  Aim(mail);
  mail.MailFrom = "server@example.org";
  mail.MailTo = "ann@example.org\r\nRCPT TO:<evil@example.org>";
  EXPECT_FALSE(mail.Send(5));
  EXPECT_EQ(mail.ReplyText(), "Line break in a mail address");
  mail.MailTo = "ann@example.org";
  mail.AttachmentLines().Add(Folder + "/missing.bin");
  EXPECT_FALSE(mail.Send(5));
  EXPECT_EQ(mail.ReplyText(), "Cannot read attachment " + Folder + "/missing.bin");
  // The receiver numbers the mails it takes in the order they come: a good mail sent now, and
  // answered, is the first it took, and the only one.
  mail.AttachmentLines().Clear();
  mail.MailBodyLines().Add("the good one");
  ASSERT_TRUE(mail.Send(5)) << mail.ReplyText();
  EXPECT_EQ(ReadWholeFile(Folder + "/1.env"), "server@example.org\nann@example.org\n");
  EXPECT_NE(ReadWholeFile(Folder + "/1.eml").find("the good one"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Folder + "/2.env"));
}

TEST_F(SmtpMailTest, SendsWithTheEventLoopDeliveringTheNotifications) {
  // As in the resident instance: a loop runs on this thread, so the socket's connect, read and
  // close notifications arrive as messages while the mail is sent.
  TPollEventLoop loop(false);
  TEventLoop* before = CurrentEventLoop();
  SetCurrentEventLoop(&loop);
  int connects = 0;
  {
    TSmtpSendMail mail(nullptr);
    Aim(mail);
    mail.OnConnect = [&](TObject*, winsock::SOCKET) { ++connects; };
    mail.MailFrom = "server@example.org";
    mail.MailTo = "ann@example.org";
    mail.MailBodyLines().Add("through the loop");
    EXPECT_TRUE(mail.Send(5)) << mail.ReplyText();
    EXPECT_TRUE(mail.Send(5)) << mail.ReplyText();
  }
  for (int i = 0; i < 5; ++i) loop.ProcessMessages(0);  // late notifications find nothing to do
  EXPECT_EQ(connects, 2);
  EXPECT_EQ(ReadWholeFile(Folder + "/2.env"), "server@example.org\nann@example.org\n");

  // On another thread the loop is left alone: the waits watch the socket.
  bool sent = false;
  std::thread worker([&] {
    TSmtpSendMail mail(nullptr);
    Aim(mail);
    mail.MailFrom = "server@example.org";
    mail.MailTo = "bob@example.org";
    sent = mail.Send(5);
  });
  worker.join();
  SetCurrentEventLoop(before);
  EXPECT_TRUE(sent);
  EXPECT_EQ(ReadWholeFile(Folder + "/3.env"), "server@example.org\nbob@example.org\n");
}

// A peer that plays a fixed script: for each line it expects it sends the given reply.
class ScriptedPeer {
public:
  explicit ScriptedPeer(std::vector<std::string> Replies) : FReplies(std::move(Replies)) {
    const TLoopbackListener Listener = OpenLoopbackListener(1);
    FListener = Listener.Fd;
    Port = std::to_string(Listener.Port);
    FThread = std::thread([this] { Serve(); });
  }
  ~ScriptedPeer() {
    ::shutdown(FListener, SHUT_RDWR);
    FThread.join();
    ::close(FListener);
  }
  std::string Port;
  std::string Received;

private:
  void Serve() {
    const int s = ::accept(FListener, nullptr, nullptr);
    if (s < 0) return;
    timeval wait{3, 0};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    // The first reply is the greeting; each later one answers one line.
    for (std::size_t i = 0; i < FReplies.size(); ++i) {
      if (i > 0) {
        std::string line;
        char c;
        const char* end = FReplies[i - 1].rfind("354", 0) == 0 ? "\r\n.\r\n" : "\r\n";
        while (line.find(end) == std::string::npos && ::recv(s, &c, 1, 0) == 1) line += c;
        Received += line;
        if (line.empty()) break;
      }
      if (FReplies[i] == "(silence)") {
        char c;
        while (::recv(s, &c, 1, 0) == 1) {  // hold the line until the client gives up
        }
      } else {
        ::send(s, FReplies[i].data(), FReplies[i].size(), MSG_NOSIGNAL);
      }
    }
    ::close(s);
  }
  std::vector<std::string> FReplies;
  int FListener;
  std::thread FThread;
};

TEST(SmtpDialogueTest, MultiLineRepliesKeepTheDialogueInStep) {
  ScriptedPeer peer({"220-welcome\r\n220-to the\r\n220 test\r\n", "250-hello\r\n250 there\r\n",
                     "250 sender ok\r\n", "250-recipient\r\n250 ok\r\n", "354 go on\r\n",
                     "250-queued\r\n250 as 1\r\n", "221 bye\r\n"});
  TSmtpSendMail mail(nullptr);
  mail.RemoteHost = "127.0.0.1";
  mail.RemotePort = peer.Port;
  mail.MailFrom = "a@b";
  mail.MailTo = "c@d";
  mail.MailBodyLines().Add("x");
  ASSERT_TRUE(mail.Send(3)) << mail.ReplyText();
  EXPECT_EQ(mail.ReplyText(), "221 bye");
  EXPECT_NE(peer.Received.find("\r\nMAIL FROM:<a@b>\r\nRCPT TO:<c@d>\r\nDATA\r\nFrom: <a@b>\r\n"
                               "To: <c@d>\r\nSubject: \r\n"),
            std::string::npos)
      << peer.Received;
  EXPECT_NE(peer.Received.find("\r\n\r\nx\r\n\r\n.\r\nQUIT\r\n"), std::string::npos) << peer.Received;
}

TEST(SmtpDialogueTest, SilenceEndsInATimeoutAndAClosedConnection) {
  ScriptedPeer peer({"220 ready\r\n", "(silence)"});
  TSmtpSendMail mail(nullptr);
  mail.RemoteHost = "127.0.0.1";
  mail.RemotePort = peer.Port;
  mail.MailFrom = "a@b";
  mail.MailTo = "c@d";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(mail.Send(1));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(mail.ReplyText(), "SendMessage timeout");
  EXPECT_EQ(mail.State(), ssReady);
}

TEST(SmtpDialogueTest, NoListenerIsAConnectFailure) {
  int port;
  {
    ScriptedPeer probe({});
    port = std::stoi(probe.Port);
  }
  TSmtpSendMail mail(nullptr);
  mail.RemoteHost = "127.0.0.1";
  mail.RemotePort = std::to_string(port);
  int reported = 0;
  mail.OnError = [&](TObject*, int Code, const std::string&) { reported = Code; };
  EXPECT_FALSE(mail.Send(2));
  EXPECT_EQ(reported, 10061);
  EXPECT_EQ(mail.ReplyText(), "Connect failed: Connection refused");
}

TEST(SmtpAddressTest, ListsSplitIntoEnvelopeAndHeaderForms) {
  const auto list = ParseAddressList("Ann <ann.x>; bob.y");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(EnvelopeForm(list), "<ann.x>,<bob.y>");
  EXPECT_EQ(HeaderForm(list), "Ann <ann.x>,<bob.y>");
  // A comma wins over the semicolon; empty entries are dropped.
  EXPECT_EQ(EnvelopeForm(ParseAddressList(" a@b , ,Carl Jones <c@d>;x")), "<a@b>,<c@d;x>");
  EXPECT_EQ(HeaderForm(ParseAddressList("Carl Jones <c@d>")), "Carl Jones <c@d>");
  EXPECT_TRUE(ParseAddressList("").empty());
}

TEST(SmtpAddressTest, Base64InLinesOfSixty) {
  EXPECT_EQ(Base64Lines("abcd"), "YWJjZA==\r\n");
  EXPECT_EQ(Base64Lines("ab"), "YWI=\r\n");
  EXPECT_EQ(Base64Lines(""), "");
  const std::string lines = Base64Lines(std::string(90, '\xFF'));  // 120 characters
  EXPECT_EQ(lines, std::string(60, '/') + "\r\n" + std::string(60, '/') + "\r\n");
}

}  // namespace
