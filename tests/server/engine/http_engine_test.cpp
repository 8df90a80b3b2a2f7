#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "engine_fixture.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/string_list.h"
#include "platform/sys/process.h"
#include "server/engine/cgi_handover.h"
#include "server/engine/http_text.h"
#include "server/engine/request_api.h"

namespace {

TCGIEngineSettings Settings(TExecRequestEvent Handler) {
  TCGIEngineSettings settings;
  settings.CGIMode = ServerMode;
  settings.OnExecRequest = std::move(Handler);
  return settings;
}

class HttpEngineTest : public EngineFixture {};

TEST_F(HttpEngineTest, AutomaticHeaderBeforeABlankFirstLine) {
  TCGIStdEngine engine(nullptr, Settings([](TObject*) {
    WriteString("");
    WriteString("<p>hi</p>");
  }));
  EXPECT_EQ(Run(engine, {}), "HTTP/1.1 200 OK\r\ncontent-type:text/html\r\n\r\n\r\n<p>hi</p>\r\n");
}

TEST_F(HttpEngineTest, PlainTextFirstGetsTheHeaderAtTheEnd) {
  TCGIStdEngine engine(nullptr, Settings([](TObject*) { WriteString("*** Record List Begin ***"); }));
  EXPECT_EQ(Run(engine, {}),
            "*** Record List Begin ***\r\nHTTP/1.1 200 OK\r\ncontent-type:text/html\r\n\r\n");
}

TEST_F(HttpEngineTest, EmptyReplyStillGetsAHeaderBlock) {
  TCGIStdEngine engine(nullptr, Settings([](TObject*) {}));
  EXPECT_EQ(Run(engine, {}), "HTTP/1.1 200 OK\r\ncontent-type:text/html\r\n\r\n");
}

TEST_F(HttpEngineTest, StatusLineDependsOnServerSoftwareAndLocation) {
  TCGIStdEngine engine(nullptr, Settings([](TObject*) {
    AddHeader("Location", "/x");
    WriteString("");
  }));
  EXPECT_EQ(Run(engine, {}), "Location:/x\r\ncontent-type:text/html\r\n\r\n\r\n");
  TCGIStdEngine apache(nullptr, Settings([](TObject*) { WriteString("<b>"); }));
  EXPECT_EQ(Run(apache, {"SERVER_SOFTWARE=Apache/2"}), "content-type:text/html\r\n\r\n<b>\r\n");
}

TEST_F(HttpEngineTest, NoCacheLinesCarryADateLongPast) {
  TCGIEngineSettings settings = Settings([](TObject*) { WriteString(""); });
  settings.NoCache = true;
  TCGIStdEngine engine(nullptr, settings);
  const std::string reply = Run(engine, {});
  std::smatch match;
  ASSERT_TRUE(std::regex_search(
      reply, match,
      std::regex("content-type:text/html\r\nPragma:no-cache\r\nCache-Control:no-cache\r\n"
                 "Expires:(.*) GMT\r\nDocument Expires:(.*) GMT\r\n\r\n\r\n$")));
  EXPECT_EQ(match[1], match[2]);
  // The same day, 1000 days ago (the clock may tick between the two).
  EXPECT_EQ(match[1].str().substr(0, 16), HttpDateString(Now() - 1000).substr(0, 16));
}

TEST_F(HttpEngineTest, BufferedReplyGetsItsBodyLength) {
  TCGIEngineSettings settings = Settings([](TObject*) {
    WriteString("");
    WriteText("abc");
  });
  settings.BufferedOutput = true;
  TCGIStdEngine engine(nullptr, settings);
  EXPECT_EQ(Run(engine, {}),
            "HTTP/1.1 200 OK\r\ncontent-type:text/html\r\ncontent-length:5\r\n\r\n\r\nabc");
}

TEST_F(HttpEngineTest, BufferedReplyWithoutBlankLineGoesOutUnchanged) {
  TCGIEngineSettings settings = Settings([](TObject*) { WriteText("raw bytes"); });
  settings.BufferedOutput = true;
  settings.AutoHttpHeader = false;
  TCGIStdEngine engine(nullptr, settings);
  EXPECT_EQ(Run(engine, {}), "raw bytes");
}

TEST_F(HttpEngineTest, PictureKindPicksTheContentTypeOfBinaryReplies) {
  TCGIStdEngine engine(nullptr, Settings([](TObject*) {
    SetPictureKind(2);
    WriteBytes("GIF8", 4);
  }));
  EXPECT_EQ(Run(engine, {}), "HTTP/1.1 200 OK\r\ncontent-type:image/gif\r\n\r\nGIF8");
  TCGIStdEngine plain(nullptr, Settings([](TObject*) { WriteBytes("x", 1); }));
  EXPECT_EQ(Run(plain, {}), "HTTP/1.1 200 OK\r\ncontent-type:text/html\r\n\r\nx");
}

TEST_F(HttpEngineTest, HandlerExceptionGoesToTheLogOnly) {
  TCGIStdEngine engine(nullptr, Settings([](TObject*) {
    WriteString("");
    throw Exception("x\r\n1/1/2000 1:00:00 AM,  0 : forged");
  }));
  const std::string reply = Run(engine, {});
  EXPECT_EQ(reply.find("forged"), std::string::npos);
  const std::string log = Log();
  EXPECT_TRUE(std::regex_match(
      log, std::regex("\\d+/\\d+/\\d{4} \\d+:\\d\\d:\\d\\d [AP]M,  \\d{1,3} : Unhandled exception : "
                      "x  1/1/2000 1:00:00 AM,  0 : forged\r\n")))
      << log;
}

TEST_F(HttpEngineTest, RequestErrorEventReplacesTheLog) {
  std::string seen;
  TCGIEngineSettings settings = Settings([](TObject*) { throw Exception("bad"); });
  settings.OnRequestError = [&seen](TObject*, Exception& error) { seen = error.Message(); };
  TCGIStdEngine engine(nullptr, settings);
  Run(engine, {});
  EXPECT_EQ(seen, "bad");
  EXPECT_EQ(Log(), "");
}

TEST_F(HttpEngineTest, EventsRunInOrderAndLastOnlyInNormalMode) {
  std::string calls;
  TCGIEngineSettings settings = Settings([&calls](TObject*) { calls += "E"; });
  settings.OnFirstExecRequest = [&calls](TObject*) { calls += "F"; };
  settings.OnLastExecRequest = [&calls](TObject*) { calls += "L"; };
  TCGIStdEngine engine(nullptr, settings);
  Run(engine, {});
  Run(engine, {});
  EXPECT_EQ(calls, "FEE");
  settings.CGIMode = NormalMode;
  TCGIStdEngine normal(nullptr, settings);
  calls.clear();
  Run(normal, {});
  EXPECT_EQ(calls, "FEL");
}

TEST_F(HttpEngineTest, QueryFieldsVariablesAndFallbacks) {
  std::string a, c, agent, remote, length, url;
  std::unique_ptr<TStringList> names;
  TCGIStdEngine engine(nullptr, Settings([&](TObject*) {
    GetField("a", "none", a);
    GetField("c", "none", c);
    GetUserAgent(agent);
    GetRemoteAddr(remote);
    GetUrl(url);
    names = GetCurrentEngine()->GetFieldNames();
  }));
  Run(engine, {"QUERY_STRING=A=1&b=2&a=3", "USER_AGENT=cmd", "REMOTE_ADDRESS=10.0.0.1",
               "SCRIPT_NAME=/database/qnserver.exe"});
  EXPECT_EQ(a, "1\r\n3");
  EXPECT_EQ(c, "none");
  EXPECT_EQ(agent, "cmd");
  EXPECT_EQ(remote, "10.0.0.1");
  EXPECT_EQ(url, "/database/qnserver.exe");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->Count(), 3);
}

TEST_F(HttpEngineTest, BodyFieldsReplaceTheQueryString) {
  std::string a, q;
  TCGIStdEngine engine(nullptr, Settings([&](TObject*) {
    GetField("a", "", a);
    GetField("q", "none", q);
  }));
  Run(engine, {"QUERY_STRING=q=1", "CONTENT_LENGTH=9"}, std::string("a=x%20y\0z", 9));
  EXPECT_EQ(a, "x y");
  EXPECT_EQ(q, "none");
}

TEST_F(HttpEngineTest, LongBodyStaysUnreadForTheHandler) {
  std::string body, field;
  TCGIEngineSettings settings = Settings([&](TObject*) {
    GetField("a", "none", field);
    body.resize(static_cast<size_t>(GetContentLength()));
    body.resize(static_cast<size_t>(ReadBytes(body.data(), static_cast<int>(body.size()))));
  });
  settings.AutoReadLimit = 4;
  TCGIStdEngine engine(nullptr, settings);
  Run(engine, {"CONTENT_LENGTH=6"}, "a=1234");
  EXPECT_EQ(field, "none");
  EXPECT_EQ(body, "a=1234");
  EXPECT_NE(Log().find(" : Content length exceeds AutoReadLimit\r\n"), std::string::npos);
}

TEST_F(HttpEngineTest, ShortBodyReturnsWhatCameInsteadOfWaiting) {
  int got = -1;
  TCGIEngineSettings settings = Settings([&](TObject*) {
    char buffer[100];
    got = ReadBytes(buffer, GetContentLength());
  });
  settings.AutoReadInput = false;
  TCGIStdEngine engine(nullptr, settings);
  Run(engine, {"CONTENT_LENGTH=100"}, "only ten b");
  EXPECT_EQ(got, 10);
}

TEST_F(HttpEngineTest, ContentLengthThatIsNoNumberFailsTheRequest) {
  bool ran = false;
  TCGIStdEngine engine(nullptr, Settings([&](TObject*) { ran = true; }));
  Run(engine, {"CONTENT_LENGTH=12x"}, "abc");
  EXPECT_FALSE(ran);
  EXPECT_NE(Log().find("Unhandled exception : '12x' is not a valid integer value"), std::string::npos);
  EXPECT_EQ(engine.GetContentLength(), 0);
}

TEST_F(HttpEngineTest, RequestApiWithoutEngineRaises) {
  std::string value;
  EXPECT_THROW(GetUserAgent(value), EHttpEngineError);
}

TEST_F(HttpEngineTest, LogFileSitsInTheNamedFolderOrBesideTheProgram) {
  EXPECT_EQ(EngineLogFileName(), Folder + "/engine_tests.Log");
  WriteLogLine("one\ttwo");
  EXPECT_NE(Log().find(" : one two\r\n"), std::string::npos);
  setenv("CGI_LOG_DIR", "/proc/no/such/folder", 1);
  const std::string program = GetModuleName();
  EXPECT_EQ(EngineLogFileName(), program.substr(0, program.rfind('/')) + "/engine_tests.Log");
}

// True when this process has Path open.
bool ProcessHolds(const std::string& Path) {
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ignored;
    if (std::filesystem::read_symlink(fd.path(), ignored) == Path) return true;
  }
  return false;
}

int LineCount(const std::string& Text) { return static_cast<int>(std::count(Text.begin(), Text.end(), '\n')); }

TEST_F(HttpEngineTest, LogStaysOpenAndKeepsOneOlderFilePastItsSize) {
  const std::string log = EngineLogFileName(), older = EngineOldLogFileName();
  EXPECT_EQ(older, log + ".1");
  WriteLogLine("first");
  EXPECT_TRUE(ProcessHolds(log)) << "the log is closed between lines";

  // 64 lines of 64 KB fill the 4 MB; the next line begins a new log.
  const std::string big(64 << 10, 'x');
  for (int i = 0; i < 70; ++i) WriteLogLine(std::to_string(i) + big);
  std::string old = ReadWholeFile(older), now = ReadWholeFile(log);
  EXPECT_NE(old.find(" : first\r\n"), std::string::npos);
  EXPECT_EQ(LineCount(old), 65);
  EXPECT_EQ(LineCount(now), 6);
  EXPECT_NE(now.find(" : 64xxx"), std::string::npos);
  EXPECT_TRUE(ProcessHolds(log));
  EXPECT_FALSE(ProcessHolds(older));

  // Filled again: the older file is replaced, and no third file appears.
  for (int i = 70; i < 140; ++i) WriteLogLine(std::to_string(i) + big);
  old = ReadWholeFile(older);
  EXPECT_EQ(old.find(" : first\r\n"), std::string::npos);
  EXPECT_NE(old.find(" : 64xxx"), std::string::npos);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Folder))
    files += entry.path().filename().string().rfind("engine_tests.Log", 0) == 0;
  EXPECT_EQ(files, 2);
  EXPECT_LE(std::filesystem::file_size(log) + std::filesystem::file_size(older), 2u * (4u << 20) + 2 * (big.size() + 100));

  // A log removed from outside is begun anew.
  ASSERT_EQ(::unlink(log.c_str()), 0);
  WriteLogLine("after");
  now = ReadWholeFile(log);
  EXPECT_EQ(LineCount(now), 1);
  EXPECT_NE(now.find(" : after\r\n"), std::string::npos);
}

// Two processes write one log across its size: each line lands whole in one of the two files, and
// the log is handed on once.
TEST_F(HttpEngineTest, LogHandedOnOnceWhileTwoProcessesWrite) {
  const std::string big(16 << 10, 'y');
  WriteLogLine("start");
  const pid_t child = fork();
  for (int i = 0; i < 200; ++i) WriteLogLine((child == 0 ? "child " : "parent ") + std::to_string(i) + big);
  if (child == 0) _exit(0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  const std::string all = ReadWholeFile(EngineOldLogFileName()) + ReadWholeFile(EngineLogFileName());
  EXPECT_NE(all.find(" : start\r\n"), std::string::npos) << "the older file was replaced by a second hand-on";
  for (const char* who : {"child ", "parent "})
    for (int i = 0; i < 200; ++i)
      EXPECT_NE(all.find(" : " + std::string(who) + std::to_string(i) + big + "\r\n"), std::string::npos) << who << i;
}

}  // namespace

namespace {

// The resident's way with a queued request file: the reply takes the request file's place (the
// same file, renamed), a reply longer than a piece goes to a file of its own and the request file
// goes, and a request file that is gone gets no reply at all (its CGI process then answers with
// the error reply).  Returns 0, or the failed checks as bits.
int QueuedReplyChecks(const std::string& Folder) {
  const std::string program = Folder + "/qnserver.exe";
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  InitProcess(1, argv);
  size_t replySize = 0;
  TCGIStdEngine engine(nullptr, Settings([&replySize](TObject*) {
    WriteString("");
    WriteString(std::string(replySize, 'r'));
  }));
  auto inode = [](const std::string& Path) {
    struct stat info {};
    return ::stat(Path.c_str(), &info) == 0 ? info.st_ino : 0;
  };
  int failed = 0;
  auto check = [&failed](bool Holds) { failed = failed * 2 + (Holds ? 0 : 1); };
  // A short reply to a short request, one to a long request (whose rest must not stay behind the
  // reply), and a reply longer than a piece.
  const std::pair<size_t, size_t> cases[] = {{10, 0}, {10, 5000}, {(3u << 20) / 2, 0}};
  for (const auto& [size, padding] : cases) {
    replySize = size;
    const std::string request = Folder + "/qnserver.exe_C_00A1_REQ";
    const std::string reply = THandoverFolder::ReplyFileName(request);
    WriteWholeFile(request, "PAD=" + std::string(padding, 'p') + "\r\nQUERY_STRING=\r\nOSTREL_CGI_DEBUG=true\r\n\r\n");
    const auto requestInode = inode(request);
    check(engine.RunQueuedRequest(request, AsciiUpper(request), false));
    const std::string bytes = ReadWholeFile(reply);
    check(bytes.size() > size + 2 && bytes.compare(bytes.size() - size - 2, size, std::string(size, 'r')) == 0);
    check((inode(reply) == requestInode) == (size < (1u << 20)));
    check(inode(request) == 0 && inode(reply + ".part") == 0);
    ::unlink(reply.c_str());
  }
  const std::string gone = Folder + "/qnserver.exe_C_00A2_REQ";
  check(!engine.RunQueuedRequest(gone, AsciiUpper(gone), false));
  check(inode(THandoverFolder::ReplyFileName(gone)) == 0 && inode(THandoverFolder::ReplyFileName(gone) + ".part") == 0);
  return failed;
}

// Runs in a fresh process whose program lies in the test's folder, so that the hand-over folder
// is the test's own.
TEST_F(HttpEngineTest, QueuedReplyTakesTheRequestFilesPlace) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const int failed = QueuedReplyChecks(Folder);
        std::filesystem::remove_all(Folder);
        std::_Exit(failed);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
