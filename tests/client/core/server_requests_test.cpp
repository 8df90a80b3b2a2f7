#include "client/core/server_requests.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "client/core/local_server.h"
#include "client/core/recording_transport.h"
#include "platform/sys/process.h"
#include "platform/ui/shell.h"
#include "tests/client/core/client_fixture.h"
#include "tests/loopback_listener.h"

TEST(RequestTextTest, QueryEncodingAndDecoding) {
  TRecordingTransport T;
  TServerSession S(T);
  S.InitializeRequest();
  S.SetParameter("Function", "Add", true);
  S.SetParameter("Amount", "-1", false);
  EXPECT_EQ(S.RequestParameters, "?Function=Add&Amount=%2D1");
  EXPECT_EQ(URLEncodeValue("a b:c"), "a+b%3Ac");
  EXPECT_EQ(URLEncodeValue("a b", false), "a%20b");
  EXPECT_EQ(URLEncodeValue("./\\\xE9"), "%2E%2F%5C%E9");
  EXPECT_EQ(URLEncodeValue(""), "");
  EXPECT_EQ(URLDecodeValue("a+b%41"), "a bA");
  EXPECT_EQ(URLDecodeValue("%zz!"), std::string(1, '\0') + "!");
  EXPECT_EQ(HexTextToInt64("ffH"), 255);
  EXPECT_EQ(HexTextToInt64("1g"), 0);
  EXPECT_EQ(HexTextToInt64("7FFFFFFFFFFFFFFF"), INT64_MAX);
  std::string Target = "base";
  AddURLParameter(Target, "Name", "x&y", true);
  EXPECT_EQ(Target, "base?Name=x%26y");
}

TEST(RequestTextTest, ReplyLinesAndJudgement) {
  const std::string Jump = "<HTML>\r\nBarcode Field: x\r\nSUCCESS\r\nABCDEFGH\r\n</HTML>\r\n";
  auto Lines = SplitReplyLines(Jump);
  ASSERT_EQ(Lines.size(), 6u);
  EXPECT_EQ(Lines.back(), "");
  EXPECT_TRUE(JudgeReply("Jump", Lines));
  // Without the closing line end line 1 is tested.
  EXPECT_FALSE(JudgeReply("Jump", SplitReplyLines(Jump.substr(0, Jump.size() - 2))));
  // Decoding applies only to lines ended by CR.
  Lines = SplitReplyLines("a+b%41\r\na+b%41");
  EXPECT_EQ(Lines, (std::vector<std::string>{"a bA", "a+b%41"}));
  EXPECT_EQ(SplitReplyLines("no breaks").size(), 1u);
  EXPECT_FALSE(JudgeReply("Quantity", SplitReplyLines("SUCCESS")));
  EXPECT_TRUE(JudgeReply("Quantity", SplitReplyLines("x\r\nsuccess\r\n")));
  EXPECT_TRUE(JudgeReply("Anything", {}));
  EXPECT_FALSE(JudgeReply("Replace", SplitReplyLines("<HTML>\r\nSuccess")));  // 2 lines
  EXPECT_TRUE(JudgeReply("Replace", SplitReplyLines("<HTML>\r\nSuccess\r\n")));
  EXPECT_FALSE(JudgeReply("EmailList", SplitReplyLines("a\r\nb\r\nc\r\n")));

  TRecordingTransport T;
  TServerSession S(T);
  T.Reply = [&](const TClientRequest&) { return Jump; };
  S.InitializeRequest();
  S.SetParameter("Barcode", "x", true);
  ASSERT_TRUE(S.GetServerPath());
  EXPECT_EQ(T.Requests[0].UserAgent, "Z:");
  EXPECT_EQ(T.Requests[0].URL, "?Barcode=x");
  std::string Code;
  EXPECT_TRUE(S.CheckResult("Jump", nullptr, &Code));
  EXPECT_EQ(Code, "ABCDEFGH");
}

TEST(RequestTextTest, SaveRepliesNamesAndDatabaseNames) {
  EXPECT_TRUE(IsSaveReply("<HTML>12</HTML>"));
  EXPECT_TRUE(IsSaveReply("<HTML>0</HTML>\r\n"));
  EXPECT_FALSE(IsSaveReply("<HTML></HTML>"));
  EXPECT_FALSE(IsSaveReply("<HTML>Error in record save.</HTML>"));
  EXPECT_FALSE(IsSaveReply("<HTML>Load Error120<HTML>"));
  EXPECT_FALSE(IsSaveReply(""));
  EXPECT_TRUE(IsErrorReply("<HTML>Error in file retreive for x.res</HTML>"));
  EXPECT_FALSE(IsErrorReply("<HTML>ResumeABC.res3</HTML>"));

  EXPECT_EQ(SafeBaseName("../../etc/passwd"), "passwd");
  EXPECT_EQ(SafeBaseName("c:\\docs\\cv.doc"), "cv.doc");
  EXPECT_EQ(SafeBaseName(".."), "");
  EXPECT_EQ(SafeBaseName("a/."), "");
  EXPECT_EQ(SafeBaseName("dir/"), "");
  EXPECT_EQ(SafeBaseName(""), "");

  EXPECT_TRUE(ValidDatabaseName("Demo 2"));
  for (const char* Bad : {"", "a;b", "a:b", "a/b", "a\\b", "a\nb", "a\x7f"})
    EXPECT_FALSE(ValidDatabaseName(Bad)) << Bad;
}

TEST(RequestSessionTest, RequestsNeverNest) {
  TRecordingTransport T;
  TServerSession S(T);
  S.ServerURL = "http://h/database/qnserver.exe";
  S.DatabaseName = "Demo";
  std::vector<bool> Locks;
  S.OnEnableForm = [&](bool Enable) { Locks.push_back(Enable); };
  bool Refused = false;
  T.Reply = [&](const TClientRequest&) {
    EXPECT_TRUE(S.Busy());
    try {
      S.Get("Y");
    } catch (const ERequestBusy&) {
      Refused = true;
    }
    return std::string("ok");
  };
  EXPECT_EQ(S.Get("F"), "ok");
  EXPECT_TRUE(Refused);
  EXPECT_FALSE(S.Busy());
  EXPECT_EQ(T.Commands(), std::vector<std::string>{"F:Demo"});
  EXPECT_EQ(Locks, (std::vector<bool>{false, true}));
  // A failed transfer unlocks the window as well, and the body is empty.
  T.Fail = true;
  EXPECT_THROW(S.Post("S12345678", "x"), ERequestFailed);
  EXPECT_EQ(Locks, (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(S.Body(), "");
  EXPECT_FALSE(S.Busy());
  EXPECT_EQ(T.Requests.back().ContentType, "multipart/form-data");
}

class FileTransferTest : public ::testing::Test {
protected:
  void SetUp() override {
    Root = TestFolder("files");
    S.ScratchFolder = (Root / "Work").string() + "/";
    S.DatabaseName = "Demo";
  }
  void TearDown() override { fs::remove_all(Root); }
  fs::path Root;
  TRecordingTransport T;
  TServerSession S{T};
};

TEST_F(FileTransferTest, DownloadsStayInTheScratchFolderUnderTheirBaseName) {
  T.Reply = [](const TClientRequest&) { return std::string("file bytes"); };
  const std::string Path = S.RetreiveFile("../../outside.doc", "RR", "ABCDEFGH");
  EXPECT_EQ(Path, S.ScratchFolder + "outside.doc");
  EXPECT_EQ(ReadWholeFile(Path), "file bytes");
  EXPECT_FALSE(fs::exists(Root / "outside.doc"));
  EXPECT_EQ(T.Commands().back(), "RRABCDEFGH:Demo");
  // Names that name no file are refused before any request.
  T.Clear();
  EXPECT_EQ(S.RetreiveFile("..", "RR", "ABCDEFGH"), "");
  EXPECT_EQ(S.RetreiveFile("", "RR", "ABCDEFGH"), "");
  EXPECT_TRUE(T.Requests.empty());
  // Only what this client downloaded is deleted, by its full path.
  const fs::path Foreign = Root / "Work" / "mine.txt";
  WriteWholeFile(Foreign, "not downloaded");
  EXPECT_FALSE(S.DeleteDownload("mine.txt"));
  EXPECT_TRUE(fs::exists(Foreign));
  EXPECT_TRUE(S.DeleteDownload("x/outside.doc"));
  EXPECT_FALSE(fs::exists(Path));
}

TEST_F(FileTransferTest, ServerErrorsAreFailures) {
  T.Reply = [](const TClientRequest&) {
    return std::string("<HTML>Error in file retreive for ABCDEFGH.res</HTML>\r\n");
  };
  EXPECT_EQ(S.RetreiveFile("cv.doc", "RR", "ABCDEFGH"), "");
  EXPECT_FALSE(fs::exists(Root / "Work" / "cv.doc"));
  const fs::path Upload = Root / "up.bin";
  WriteWholeFile(Upload, std::string("\0\1\2", 3));
  T.Reply = [](const TClientRequest&) { return std::string("<HTML>Error in data save.X</HTML>"); };
  EXPECT_FALSE(S.SendFile(Upload.string(), "RS", "ABCDEFGH"));
  EXPECT_EQ(T.Requests.back().Body, std::string("\0\1\2", 3));
  EXPECT_TRUE(T.Requests.back().Post);
  T.Reply = [](const TClientRequest&) { return std::string("<HTML>ResumeABCDEFGH.res0</HTML>"); };
  EXPECT_TRUE(S.SendFile(Upload.string(), "RS", "ABCDEFGH"));
  EXPECT_FALSE(S.SendFile((Root / "missing").string(), "RS", "ABCDEFGH"));
  T.Fail = true;
  EXPECT_FALSE(S.SendFile(Upload.string(), "RS", "ABCDEFGH"));
}

TEST_F(FileTransferTest, RedirectPageGoesToTheShell) {
  std::vector<std::string> Opened;
  SetShellHandler([&](const TShellRequest& R) {
    Opened.push_back(R.Verb + " " + R.File);
    return std::intptr_t{42};
  });
  ASSERT_TRUE(WriteRedirectPage(S.ScratchFolder, "http://example.invalid/a"));
  SetShellHandler(nullptr);
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0], "open " + S.ScratchFolder + "go.htm");
  const std::string Page = ReadWholeFile(S.ScratchFolder + "go.htm");
  const auto Lines = SplitReplyLines(Page);
  EXPECT_EQ(Lines[0], "<html><head>");
  EXPECT_EQ(Lines[1].rfind("<meta HTTP-EQUIV=\"Refresh\" CONTENT=\"0;", 0), 0u);
  EXPECT_EQ(Lines[2], "URL=http://example.invalid/a\">");
  EXPECT_EQ(Lines[3], "<title></title></head><body></body></html>");
}

namespace {
// Records the programs started instead of starting them; the handle is a child that has ended.
class TRecordingStarter : public TProcessStarter {
public:
  std::vector<std::string> Started;
  std::unique_ptr<TProcessHandle> Start(const std::string& Path,
                                        const std::vector<std::string>& Args) override {
    std::string Line = Path;
    for (const auto& A : Args) Line += " " + A;
    Started.push_back(Line);
    return TProcessStarter::Start("/bin/true", {});
  }
};
}  // namespace

// A web server that ended is started again before a request to its own address only (the loopback
// address or "localhost" at its port), and never once stopped; the hand-over files stay.
TEST(LocalServerTest, AnEndedWebServerIsStartedAgainForItsOwnAddressOnly) {
  const fs::path R = TestFolder("revive");
  const std::string Folder = R.string() + "/";
  fs::create_directories(R / "bin");
  WriteWholeFile(R / "bin" / "hmserv", "#!/bin/sh\n");
  const TLoopbackListener L = OpenLoopbackListener();
  const int Port = L.Port;
  ::close(L.Fd);  // nothing answers there
  const std::string Own = TLocalServer::ServerURL(Port);
  TRecordingStarter Starter;
  SetProcessStarter(&Starter);
  {
    TLocalServer Server;
    EXPECT_FALSE(Server.Revive(Own)) << "never started";
    ASSERT_TRUE(Server.Start(Folder, Port));
    WriteWholeFile(R / "Data" / "database" / "Temp" / "handed_over", "x");
    for (int i = 0; i < 500 && Server.Running(); ++i) Sleep(10);
    ASSERT_FALSE(Server.Running());
    for (const std::string& Other :
         {"http://192.0.2.1:" + std::to_string(Port) + "/database/qnserver.exe",
          "http://127.0.0.1:" + std::to_string(Port) + "0/database/qnserver.exe",
          "http://127.0.0.1:" + std::to_string(Port + 1) + "/database/qnserver.exe"})
      EXPECT_FALSE(Server.Revive(Other)) << Other;
    EXPECT_EQ(Starter.Started.size(), 1u);
    // Its own address, also by name: started again (the stand-in ends at once, so it never answers).
    EXPECT_FALSE(Server.Revive(Own));
    EXPECT_FALSE(Server.Revive("HTTP://LocalHost:" + std::to_string(Port) + "/database/qnserver.exe"));
    EXPECT_EQ(Starter.Started.size(), 3u);
    EXPECT_TRUE(fs::exists(R / "Data" / "database" / "Temp" / "handed_over"));
    Server.Stop();
    EXPECT_FALSE(Server.Revive(Own));
    EXPECT_EQ(Starter.Started.size(), 3u);
  }
  SetProcessStarter(nullptr);
  fs::remove_all(R);
}

// A request sent as soon as the web server was started (Login pressed as the window shows)
// waits until it listens, instead of failing while it is still on its way up.
TEST(LocalServerTest, TheFirstRequestWaitsForTheWebServerJustStarted) {
  const fs::path R = TestFolder("first_request");
  const std::string Folder = R.string() + "/";
  fs::create_directories(R / "bin");
  const TLoopbackListener L = OpenLoopbackListener();
  const int Port = L.Port;
  ::close(L.Fd);
  // A launcher that listens a while after its start.
  WriteWholeFile(R / "bin" / "hmserv",
                 "#!/bin/sh\nsleep 0.4\nexec /usr/bin/python3 -c 'import socket, time\n"
                 "s = socket.socket()\ns.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
                 "s.bind((\"127.0.0.1\", " + std::to_string(Port) + "))\ns.listen()\ntime.sleep(30)'\n");
  fs::permissions(R / "bin" / "hmserv", fs::perms::owner_all);
  {
    TLocalServer Server;
    ASSERT_TRUE(Server.Start(Folder, Port));
    EXPECT_FALSE(TLocalServer::Answers(Port));
    EXPECT_FALSE(Server.Revive(TLocalServer::ServerURL(Port))) << "started once only";
    EXPECT_TRUE(TLocalServer::Answers(Port));
    Server.Stop();
  }
  fs::remove_all(R);
}

TEST(LocalServerTest, LaunchLineAndHandOverFolders) {
  const fs::path R = TestFolder("local");
  const std::string Folder = R.string() + "/";
  fs::create_directories(R / "Data" / "database" / "tEMP" / "sub");
  WriteWholeFile(R / "Data" / "database" / "tEMP" / "qnserver.exe_C_1", "x");
  WriteWholeFile(R / "Data" / "database" / "tEMP" / "sub" / "kept", "x");
  WriteWholeFile(R / "Data" / "database" / "Demo.qnd", "kept");
  fs::create_directories(R / "bin");
  WriteWholeFile(R / "bin" / "hmserv", "#!/bin/sh\n");
  TRecordingStarter Starter;
  SetProcessStarter(&Starter);
  {
    TLocalServer Server;
    EXPECT_TRUE(Server.Start(Folder, 6790));
    EXPECT_EQ(Starter.Started,
              std::vector<std::string>{Folder + "bin/hmserv " + Folder + "Data 6790"});
    // An existing hand-over folder of another case is used, not a second one made.
    EXPECT_FALSE(fs::exists(R / "Data" / "database" / "Temp"));
    Server.Stop();
  }
  SetProcessStarter(nullptr);
  EXPECT_FALSE(fs::exists(R / "Data" / "database" / "tEMP" / "qnserver.exe_C_1"));
  EXPECT_TRUE(fs::exists(R / "Data" / "database" / "tEMP" / "sub" / "kept"));
  EXPECT_TRUE(fs::exists(R / "Data" / "database" / "Demo.qnd"));

  // Made by the client, the hand-over folder is private whatever the umask.
  const fs::path Fresh = TestFolder("local_fresh");
  fs::create_directories(Fresh / "bin");
  WriteWholeFile(Fresh / "bin" / "hmserv", "#!/bin/sh\n");
  const mode_t UmaskBefore = ::umask(002);
  SetProcessStarter(&Starter);
  {
    TLocalServer Server;
    EXPECT_TRUE(Server.Start(Fresh.string() + "/", 6791));
    Server.Stop();
  }
  SetProcessStarter(nullptr);
  ::umask(UmaskBefore);
  struct stat Info {};
  ASSERT_EQ(::stat((Fresh / "Data" / "database" / "Temp").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 07777, 0700u);
  fs::remove_all(Fresh);

  ::setenv("QN_PORT", "7001", 1);
  EXPECT_EQ(TLocalServer::PortFromEnvironment(), 7001);
  for (const char* Bad : {"", "0", "65536", "12a", "-5"}) {
    ::setenv("QN_PORT", Bad, 1);
    EXPECT_EQ(TLocalServer::PortFromEnvironment(), 6777) << Bad;
  }
  ::unsetenv("QN_PORT");
  EXPECT_EQ(TLocalServer::ServerURL(6777), "http://127.0.0.1:6777/database/qnserver.exe");
  fs::remove_all(R);
}

// The login window offers the server remembered from the last login when it is another
// machine's; this machine's own address gives way to the local web server's (its port may differ).
TEST(LocalServerTest, TheLoginOffersTheRememberedServerOfAnotherMachine) {
  const std::string Local = TLocalServer::ServerURL(7001);
  for (const char* Other : {"http://files.example.org:6777/database/qnserver.exe", "http://192.168.1.20/database/qnserver.exe",
                            "https://[fe80::1]:443/database/qnserver.exe", "10.0.0.5:6777/database/qnserver.exe"})
    EXPECT_EQ(TLocalServer::LoginAddress(Other, Local), Other);
  for (const char* Own : {"", "http://127.0.0.1:6777/database/qnserver.exe", "http://LocalHost:80/database/qnserver.exe",
                          "http://127.1.2.3/x", "http://[::1]:6777/database/qnserver.exe", "http:///database/qnserver.exe"})
    EXPECT_EQ(TLocalServer::LoginAddress(Own, Local), Local) << Own;
}
