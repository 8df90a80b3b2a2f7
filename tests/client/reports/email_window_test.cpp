#include "client/reports/email_window.h"

#include <cstdio>
#include <fstream>

#include "client/core/recording_transport.h"
#include "client/core/server_requests.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_modal.h"
#include "reports_fixture.h"
#include "net/smtp_client.h"
#include "tests/net/net_test_support.h"

namespace {

// A mail server on loopback that writes one line per transaction: the envelope recipients, the
// subject, the priority header, the To header and the body, as Python's email package reads them.
// A recipient "refused@example.com" is refused.
class LoopbackMailServer {
public:
  explicit LoopbackMailServer(const fs::path& Folder) : FOut(Folder / "mail.txt"), FStop(Folder / "stop") {
    Port = nettest::ClosedPort();
    const fs::path Script = Folder / "smtpd.py";
    std::ofstream(Script) << "import os, time, json, email, email.policy\n"
                             "from aiosmtpd.controller import Controller\n"
                             "class H:\n"
                             "    async def handle_RCPT(self, server, session, envelope, address, options):\n"
                             "        if address.startswith('refused'): return '550 no such user'\n"
                             "        envelope.rcpt_tos.append(address); return '250 OK'\n"
                             "    async def handle_DATA(self, server, session, envelope):\n"
                             "        m = email.message_from_bytes(envelope.content, policy=email.policy.default)\n"
                             "        with open('"
                          << FOut.string()
                          << "', 'a') as f:\n"
                             "            f.write(json.dumps([envelope.rcpt_tos, str(m['subject']), str(m['x-priority']),\n"
                             "                                str(m['to']), 'multipart' if m.is_multipart() else m.get_content()]) + '\\n')\n"
                             "        return '250 OK'\n"
                             "c = Controller(H(), hostname='127.0.0.1', port="
                          << Port
                          << ")\n"
                             "c.start(); print('ready', flush=True)\n"
                             "t = time.time()\n"
                             "while not os.path.exists('"
                          << FStop.string()
                          << "') and time.time() - t < 60: time.sleep(0.02)\n"
                             "c.stop()\n";
    FPipe = ::popen(("/usr/bin/python3 " + Script.string() + " 2>&1").c_str(), "r");
    char Line[256] = {};
    Ready = FPipe && std::fgets(Line, sizeof Line, FPipe) && std::string(Line) == "ready\n";
  }
  ~LoopbackMailServer() {
    std::ofstream(FStop) << "x";
    if (FPipe) ::pclose(FPipe);
  }
  std::vector<std::string> Transactions() const {
    std::vector<std::string> Out;
    std::ifstream In(FOut);
    for (std::string L; std::getline(In, L);) Out.push_back(L);
    return Out;
  }
  int Port = 0;
  bool Ready = false;

private:
  fs::path FOut, FStop;
  FILE* FPipe = nullptr;
};

struct EmailWindowTest : ::testing::Test {
  void SetUp() override {
    InstallHeadlessBackend();
    SetCurrentEventLoop(&Loop);
    Root = TestFolder("email");
    fs::create_directories(Root);
  }
  void TearDown() override {
    SetCurrentEventLoop(nullptr);
    fs::remove_all(Root);
  }
  TPollEventLoop Loop{false};
  TEmailRecipient R(const std::string& Code, const std::string& Name, const std::string& Address) {
    TEmailRecipient E;
    E.Code = Code;
    E.Name = Name;
    E.Address = Address;
    return E;
  }
  fs::path Root;
};

TEST_F(EmailWindowTest, OneTransactionPerRecipientWithSubjectBodyAndPriority) {
  LoopbackMailServer Server(Root);
  ASSERT_TRUE(Server.Ready);
  TEmailSender Mail;
  Mail.MailServer = "127.0.0.1";
  Mail.MailPort = std::to_string(Server.Port);
  Mail.SenderEmail = "shop@example.com";
  Mail.SenderName = "The Shop";
  Mail.Subject = "Stock\r\nBcc: evil@example.com";  // line breaks never reach the header
  Mail.Priority = "High";
  Mail.Body = {"First line", "Second line"};
  Mail.Items = {R("1", "Ann", "ann@example.com"), R("2", "No At", "nobody"), R("3", "Bob", "bob@example.com"),
                R("4", "Eve", "eve@example.com\r\nRCPT TO:<x@example.com>"), R("5", "Unchecked", "u@example.com")};
  Mail.Items[4].Checked = false;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TEmailSender::SentText, mrOk);
    // The statuses are told before the outcome shows, so that the list behind it holds them.
    std::vector<std::string> Told;
    Mail.OnStatus = [&] {
      EXPECT_TRUE(Script.Asked().empty());
      for (const auto& I : Mail.Items) Told.push_back(I.Status);
    };
    EXPECT_EQ(Mail.Send(), 2);
    EXPECT_EQ(Told, (std::vector<std::string>{TEmailSender::Sent, TEmailSender::NotSent, TEmailSender::Sent,
                                              TEmailSender::NotSent, TEmailSender::NotSent}));
    EXPECT_EQ(Script.Asked().size(), 1u);
    Mail.OnStatus = nullptr;
  }
  EXPECT_EQ(Mail.Items[0].Status, TEmailSender::Sent);
  EXPECT_EQ(Mail.Items[1].Status, TEmailSender::NotSent);
  EXPECT_EQ(Mail.Items[2].Status, TEmailSender::Sent);
  EXPECT_EQ(Mail.Items[3].Status, TEmailSender::NotSent);
  EXPECT_EQ(Mail.Items[4].Status, TEmailSender::NotSent);
  const auto T = Server.Transactions();
  ASSERT_EQ(T.size(), 2u);
  EXPECT_EQ(T[0], "[[\"ann@example.com\"], \"StockBcc: evil@example.com\", \"1\", \"Ann <ann@example.com>\", "
                  "\"First line\\r\\nSecond line\\r\\n\\r\\n\"]");
  EXPECT_NE(T[1].find("[[\"bob@example.com\"]"), std::string::npos);
  EXPECT_EQ(T[1].find("ann@"), std::string::npos);  // no recipient sees another
}

TEST_F(EmailWindowTest, RefusedRecipientAndDeadServerStatuses) {
  LoopbackMailServer Server(Root);
  ASSERT_TRUE(Server.Ready);
  TEmailSender Mail;
  Mail.MailServer = "127.0.0.1";
  Mail.MailPort = std::to_string(Server.Port);
  Mail.SenderEmail = "shop@example.com";
  Mail.Body = {"Hello"};
  Mail.Items = {R("1", "A", "a@example.com"), R("2", "B", "b@example.com"), R("3", "R", "refused@example.com"),
                R("4", "D", "d@example.com")};
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TEmailSender::PartlyText, mrOk);
    EXPECT_EQ(Mail.Send(), 3);
  }
  EXPECT_EQ(Mail.Items[2].Status, TEmailSender::Error);
  EXPECT_EQ(Mail.Items[3].Status, TEmailSender::Sent);  // later recipients are still tried
  EXPECT_EQ(Server.Transactions().size(), 3u);

  // A server that does not answer: the first fails, the rest stay unsent.
  Mail.MailPort = std::to_string(nettest::ClosedPort());
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TEmailSender::FailedText, mrOk);
    EXPECT_EQ(Mail.Send(), 0);
  }
  EXPECT_EQ(Mail.Items[0].Status, TEmailSender::Error);
  EXPECT_EQ(Mail.Items[1].Status, TEmailSender::NotSent);
  EXPECT_EQ(Mail.Items[3].Status, TEmailSender::NotSent);
}

TEST_F(EmailWindowTest, NoRecipientsPortFallbackAndSelection) {
  TEmailSender Mail;
  Mail.MailServer = "127.0.0.1";
  Mail.MailPort = "abc";
  Mail.Items = {R("1", "A", "no address"), R("2", "B", "b@example.com")};
  Mail.Items[1].Checked = false;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TEmailSender::NoRecipientsText, mrOk);
    EXPECT_EQ(Mail.Send(), 0);
  }
  EXPECT_EQ(Mail.SendMail().Port(), 80);
  TSearchList List;
  List.Add("2", "B");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TEmailSender::SearchListQuestion, mrYes);
    Script.ExpectMessage(TEmailSender::SearchListQuestion, mrYes);
    Script.ExpectMessage(TEmailSender::NoSearchListText, mrOk);
    EXPECT_TRUE(Mail.SelectSearchList(List));
    EXPECT_FALSE(Mail.Items[0].Checked);
    EXPECT_TRUE(Mail.Items[1].Checked);
    List.Clear();
    EXPECT_TRUE(Mail.SelectSearchList(List));
  }
  Mail.SelectAll();
  EXPECT_TRUE(Mail.Items[0].Checked && Mail.Items[1].Checked);
}

TEST_F(EmailWindowTest, EmailListKeepsWholeBlocksOfACutReply) {
  TRecordingTransport Scripted;
  Scripted.Reply = [](const TClientRequest&) {
    return std::string("<HTML>\r*** Email Data Begin ***\r1\rAnn\rann@example.com\r2\rBob\r");
  };
  TServerSession S(Scripted);
  std::vector<TEmailRecipient> Out;
  ASSERT_TRUE(TEmailSender::LoadEmailList(S, 3, -1, Out));
  ASSERT_EQ(Out.size(), 1u);
  EXPECT_EQ(Out[0].Address, "ann@example.com");
  EXPECT_TRUE(Out[0].Checked);
  EXPECT_EQ(Out[0].Status, TEmailSender::NotSent);
  EXPECT_NE(Scripted.Requests[0].URL.find("?Function=EmailList&EmailField=3&NameField=%2D1"), std::string::npos);
}

}  // namespace
