#include "net/smtp_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>

#include "net/net_errors.h"
#include "net_test_support.h"
#include "platform/sys/mime_types.h"

using namespace nettest;

namespace {

// A scripted SMTP peer: answers each command from a table and keeps what the client said.
struct SmtpScript {
  std::string Greeting = "220 ready\r\n";
  std::function<std::string(const std::string& command)> Answer;
  std::vector<std::string> Commands;
  std::string Data;

  void Run(int fd) {
    SendAll(fd, Greeting);
    std::string pending;
    for (int i = 0; i < 100; ++i) {
      while (pending.find("\r\n") == std::string::npos) {
        const std::string more = ReadUntil(fd, "\r\n");
        if (more.empty()) return;
        pending += more;
      }
      const std::string command = pending.substr(0, pending.find("\r\n"));
      pending.erase(0, command.size() + 2);
      Commands.push_back(command);
      if (command == "DATA") {
        SendAll(fd, "354 go on\r\n");
        while (pending.find("\r\n.\r\n") == std::string::npos) {
          const std::string more = ReadUntil(fd, "\r\n.\r\n");
          if (more.empty()) return;
          pending += more;
        }
        const auto end = pending.find("\r\n.\r\n");
        Data = pending.substr(0, end + 2);
        pending.erase(0, end + 5);
        SendAll(fd, "250 queued\r\n");
        continue;
      }
      const std::string reply = Answer ? Answer(command) : std::string();
      SendAll(fd, !reply.empty() ? reply : command == "QUIT" ? "221 bye\r\n" : "250 ok\r\n");
      if (command == "QUIT") return;
    }
  }
};

class Smtp : public LoopFixture {
protected:
  void SetUp() override {
    LoopFixture::SetUp();
    Message.Sender().SetAddress("ann@example.com");
    Message.Sender().SetName("Ann");
    Add(Message.Recipients(), "bob@example.com");
    Message.SetSubject("Hello");
    Message.Body().Add("text");
    Client.SetMailMessage(&Message);
    Client.HeloName = "client.test";
  }
  static void Add(TNetAddressList& list, const std::string& address) {
    auto* a = new TNetMailAddress;
    a->SetAddress(address);
    list.Add(a);
  }
  TNetMessage Message;
  TNetSMTPClient Client;
};

}  // namespace

TEST_F(Smtp, FullDialogueOfOneMessage) {
  SmtpScript script;
  script.Greeting = "220-first line\r\n220 second line\r\n";
  ScriptedServer server([&](int fd) { script.Run(fd); });
  Client.SetHost(server.Address());
  std::vector<std::string> events;
  Client.OnPreparing = [&](TObject*) { events.push_back("preparing"); };
  Client.OnSending = [&](TObject*) { events.push_back("sending"); };
  Client.OnSent = [&](TObject*) { events.push_back("sent"); };
  Message.Body().Add(".");
  Message.Body().Add("..two");
  Client.Send();
  EXPECT_EQ(script.Commands, (std::vector<std::string>{"HELO client.test", "MAIL FROM:<ann@example.com>",
                                                        "RCPT TO:<bob@example.com>", "DATA", "QUIT"}));
  EXPECT_EQ(events, (std::vector<std::string>{"preparing", "sending", "sent"}));
  // Lines that begin with "." travel with one more.
  EXPECT_NE(script.Data.find("\r\ntext\r\n..\r\n...two\r\n"), std::string::npos) << script.Data;
  EXPECT_EQ(Client.Handle(), winsock::INVALID_SOCKET);
}

TEST_F(Smtp, SecondBareHeloAndEnvelopeOverrides) {
  SmtpScript script;
  script.Answer = [](const std::string& c) { return c.rfind("HELO ", 0) == 0 ? std::string("500 no\r\n") : std::string(); };
  ScriptedServer server([&](int fd) { script.Run(fd); });
  Client.SetHost(server.Address());
  Client.FromAddress = "robot@example.com";
  Client.RecipientList().Add("one@example.com");
  Client.RecipientList().Add("two@example.com");
  Client.Send();
  EXPECT_EQ(script.Commands, (std::vector<std::string>{"HELO client.test", "HELO", "MAIL FROM:<robot@example.com>",
                                                        "RCPT TO:<one@example.com>", "RCPT TO:<two@example.com>",
                                                        "DATA", "QUIT"}));
}

TEST_F(Smtp, RejectedRecipientsMayBeSkipped) {
  SmtpScript script;
  script.Answer = [](const std::string& c) { return c == "RCPT TO:<bad@example.com>" ? std::string("550 unknown\r\n") : std::string(); };
  ScriptedServer server([&](int fd) { script.Run(fd); });
  Client.SetHost(server.Address());
  Message.Recipients().Clear();
  Add(Message.Recipients(), "bad@example.com");
  Add(Message.CC(), "good@example.com");
  std::vector<std::string> rejected;
  Client.OnAddressRejected = [&](TObject*, const std::string& address, const std::string& reply, bool& proceed) {
    rejected.push_back(address + "|" + reply);
    proceed = true;
  };
  Client.Send();
  EXPECT_EQ(rejected, std::vector<std::string>{"bad@example.com|550 unknown"});
  EXPECT_EQ(Client.RejectedCount(), 1);
  EXPECT_NE(std::find(script.Commands.begin(), script.Commands.end(), "DATA"), script.Commands.end());
}

TEST_F(Smtp, EveryRecipientRejectedSendsNoDataButQuits) {
  SmtpScript script;
  script.Answer = [](const std::string& c) { return c.rfind("RCPT", 0) == 0 ? std::string("550 no\r\n") : std::string(); };
  ScriptedServer server([&](int fd) { script.Run(fd); });
  Client.SetHost(server.Address());
  Client.OnAddressRejected = [](TObject*, const std::string&, const std::string&, bool& proceed) { proceed = true; };
  Client.Send();
  EXPECT_EQ(std::find(script.Commands.begin(), script.Commands.end(), "DATA"), script.Commands.end());
  EXPECT_EQ(script.Commands.back(), "QUIT");
}

TEST_F(Smtp, ARefusalRaisesAfterQuitAndCloses) {
  SmtpScript script;
  script.Answer = [](const std::string& c) { return c.rfind("RCPT", 0) == 0 ? std::string("550 5.1.1 unknown user\r\n") : std::string(); };
  {
    ScriptedServer server([&](int fd) { script.Run(fd); });
    Client.SetHost(server.Address());
    try {
      Client.Send();
      FAIL();
    } catch (const ENetServerError& e) {
      EXPECT_EQ(e.Message(), "550 5.1.1 unknown user");
    }
    EXPECT_EQ(Client.Handle(), winsock::INVALID_SOCKET);
  }
  ASSERT_FALSE(script.Commands.empty());
  EXPECT_EQ(script.Commands.back(), "QUIT");
}

TEST_F(Smtp, BadGreetingClosesTheConnection) {
  SmtpScript script;
  script.Greeting = "554 go away\r\n";
  ScriptedServer server([&](int fd) { script.Run(fd); });
  Client.SetHost(server.Address());
  EXPECT_THROW(Client.Send(), ENetServerError);
  EXPECT_EQ(Client.Handle(), winsock::INVALID_SOCKET);
}

TEST_F(Smtp, MissingHostMessageSenderOrRecipients) {
  TNetSMTPClient bare;
  try {
    bare.Send();
    FAIL();
  } catch (const ENetError& e) {
    EXPECT_EQ(e.Message(), "Host property must be assigned");
  }
  SmtpScript script;
  ScriptedServer server([&](int fd) { script.Run(fd); }, 2);
  bare.SetHost(server.Address());
  try {
    bare.Send();
    FAIL();
  } catch (const EMessageError& e) {
    EXPECT_EQ(e.Message(), "The address of sender is required");
  }
  bare.FromAddress = "a@b.c";
  try {
    bare.Send();
    FAIL();
  } catch (const EMessageError& e) {
    EXPECT_EQ(e.Message(), "At least one Recipient, CC or BCC must be entered");
  }
  EXPECT_EQ(bare.Handle(), winsock::INVALID_SOCKET);
}

TEST_F(Smtp, TheMessageReferenceClearsWhenTheMessageGoes) {
  auto* message = new TNetMessage;
  TNetSMTPClient client;
  client.SetMailMessage(message);
  delete message;
  EXPECT_EQ(client.MailMessage(), nullptr);
}

// A real SMTP server on loopback receives the message; Python's email package reads it back.
TEST_F(Smtp, MessageTravelsThroughARealServerAndParsesBack) {
  SetMimeTypeTable({{".zip", "application/zip"}, {".bin", "application/octet-stream"}}, "");
  const int port = ClosedPort();
  const std::string out = TempPath("smtp_out.txt");
  const std::string script =
      "import sys, threading, email, email.policy, binascii\n"
      "from aiosmtpd.controller import Controller\n"
      "got = threading.Event(); box = {}\n"
      "class H:\n"
      "    async def handle_DATA(self, server, session, envelope):\n"
      "        box['e'] = envelope; got.set(); return '250 OK'\n"
      "c = Controller(H(), hostname='127.0.0.1', port=" + std::to_string(port) + ")\n"
      "c.start(); print('ready', flush=True)\n"
      "ok = got.wait(30)\n"
      "import time; time.sleep(0.3); c.stop()\n"
      "e = box.get('e')\n"
      "with open('" + out + "', 'w') as f:\n"
      "    if e is None: f.write('none\\n'); sys.exit(0)\n"
      "    h = lambda b: binascii.hexlify(b).decode()\n"
      "    f.write('mailfrom ' + e.mail_from + '\\n')\n"
      "    for r in e.rcpt_tos: f.write('rcpt ' + r + '\\n')\n"
      "    m = email.message_from_bytes(e.content, policy=email.policy.default)\n"
      "    f.write('subject ' + h(str(m['subject']).encode()) + '\\n')\n"
      "    f.write('to ' + h(str(m['to']).encode()) + '\\n')\n"
      "    d = m['date'].datetime if m['date'] else None\n"
      "    f.write('date ' + (str(int(d.timestamp())) if d and d.tzinfo else 'none') + '\\n')\n"
      "    i = m['message-id']\n"
      "    import re\n"
      "    f.write('msgid ' + ('ok' if i and not i.defects and len(m.get_all('message-id')) == 1 and\n"
      "        re.fullmatch(r'<[^<>@\\s]+@[^<>@\\s]+>', str(i)) else 'bad:' + repr(i)) + '\\n')\n"
      "    for p in m.walk():\n"
      "        if p.is_multipart(): continue\n"
      "        n = p.get_filename()\n"
      "        d = p.get_payload(decode=True)\n"
      "        if n: f.write('att ' + n + ' ' + h(d) + '\\n')\n"
      "        else: f.write('body ' + h(d) + '\\n')\n";
  const std::string path = TempPath("smtpd.py");
  WriteWholeFile(path, script);
  FILE* py = ::popen(("/usr/bin/python3 " + path + " 2>&1").c_str(), "r");
  ASSERT_NE(py, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, py), nullptr);
  ASSERT_EQ(std::string(line), "ready\n");

  Message.SetSubject("Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x94 r\xC3\xA9sum\xC3\xA9");
  Message.Recipients().Clear();
  Add(Message.Recipients(), "bob@example.com");
  Add(Message.CC(), "carol@example.com");
  Add(Message.BCC(), "dave@example.com");
  Message.Body().Clear();
  for (const char* l : {"Dear Bob,", ".", ".hidden dot", "..two dots", "", "regards"}) Message.Body().Add(l);
  const std::string zip = RandomBytes(70000, 77) + std::string(".\r\n.\r\n", 6);
  const std::string bin = "\r\n.\r\n" + RandomBytes(999, 78);
  for (auto [name, data] : {std::pair<std::string, std::string>{"first.zip", zip}, {"second.bin", bin}}) {
    auto* item = new TNetAttItem;
    item->SetFileName(name);
    item->Data().WriteString(data);
    Message.Attachments().Add(item);
  }
  Client.SetHost("127.0.0.1:" + std::to_string(port));
  Client.Send();
  std::string rest;
  while (std::fgets(line, sizeof line, py)) rest += line;
  ::pclose(py);
  ::unlink(path.c_str());
  ResetMimeTypeTable();

  auto unhex = [](const std::string& h) {
    std::string s;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2) s += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
    return s;
  };
  std::istringstream result(ReadWholeFile(out));
  ::unlink(out.c_str());
  std::vector<std::string> rcpts, bodies;
  std::map<std::string, std::string> atts, fields;
  for (std::string l; std::getline(result, l);) {
    std::istringstream words(l);
    std::string kind, a, b;
    words >> kind >> a >> b;
    if (kind == "rcpt") rcpts.push_back(a);
    else if (kind == "att") atts[a] = unhex(b);
    else if (kind == "body") bodies.push_back(unhex(a));
    else fields[kind] = a;
  }
  EXPECT_EQ(fields["mailfrom"], "ann@example.com") << rest;
  EXPECT_EQ(rcpts, (std::vector<std::string>{"bob@example.com", "carol@example.com", "dave@example.com"}));
  EXPECT_EQ(unhex(fields["subject"]), Message.Subject());
  EXPECT_EQ(unhex(fields["to"]), "bob@example.com");
  // Dated now, in a form the reader parses with its zone; one well-formed identifier.
  const long long sent = std::atoll(fields["date"].c_str());
  EXPECT_LE(std::llabs(sent - static_cast<long long>(std::time(nullptr))), 600) << fields["date"];
  EXPECT_EQ(fields["msgid"], "ok");
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(bodies[0], "Dear Bob,\r\n.\r\n.hidden dot\r\n..two dots\r\n\r\nregards\r\n");
  ASSERT_EQ(atts.size(), 2u);
  EXPECT_TRUE(atts["first.zip"] == zip);
  EXPECT_TRUE(atts["second.bin"] == bin);
}

TEST_F(Smtp, AddressesWithLineBreaksNeverReachTheServer) {
  SmtpScript script;
  {
    ScriptedServer server([&](int fd) { script.Run(fd); });
    Client.SetHost(server.Address());
    Client.SetMailMessage(nullptr);
    Client.FromAddress = "a@b.c";
    Client.RecipientList().Add("x@y.z>\r\nRCPT TO:<evil@example.com");
    EXPECT_THROW(Client.Send(), ENetError);
    EXPECT_EQ(Client.Handle(), winsock::INVALID_SOCKET);
  }
  for (const std::string& c : script.Commands) EXPECT_EQ(c.find("evil"), std::string::npos) << c;
}
