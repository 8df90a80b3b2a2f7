#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <filesystem>
#include <mutex>
#include <regex>

#include "engine_fixture.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/string_list.h"
#include "platform/sys/files.h"
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

int LineCount(const std::string& Text) { return static_cast<int>(std::count(Text.begin(), Text.end(), '\n')); }

// Lines written together are the lines written one by one: each with its own stamp and tag, in
// order, control bytes blanked; and a log removed from outside is begun anew for them as well.
TEST_F(HttpEngineTest, LinesWrittenTogetherAreTheLinesWrittenOneByOne) {
  WriteLogLine("Quick:a");
  WriteLogLines({"Quick:b\r\nforged", "Database:c"});
  const std::string log = Log();
  ASSERT_EQ(LineCount(log), 3);
  const size_t First = log.find(" : Quick:a\r\n"), Second = log.find(" : Quick:b  forged\r\n"),
               Third = log.find(" : Database:c\r\n");
  ASSERT_NE(First, std::string::npos);
  ASSERT_NE(Second, std::string::npos);
  ASSERT_NE(Third, std::string::npos);
  EXPECT_LT(First, Second);
  EXPECT_LT(Second, Third);
  // Every line carries the stamp and tag of a line written alone.
  const std::string Tag = log.substr(log.find(",  "), log.find(" : ") - log.find(",  "));
  EXPECT_NE(log.find(Tag + " : Quick:b"), std::string::npos);
  EXPECT_NE(log.find(Tag + " : Database:c"), std::string::npos);

  ASSERT_EQ(::unlink(EngineLogFileName().c_str()), 0);
  WriteLogLines({"one", "two"});
  const std::string again = Log();
  EXPECT_EQ(LineCount(again), 2);
  EXPECT_LT(again.find(" : one\r\n"), again.find(" : two\r\n"));
  EXPECT_NE(again.find(" : two\r\n"), std::string::npos);
}

TEST_F(HttpEngineTest, LogKeepsOneOlderFilePastItsSize) {
  const std::string log = EngineLogFileName(), older = EngineOldLogFileName();
  EXPECT_EQ(older, log + ".1");
  WriteLogLine("first");

  // 64 lines of 64 KB fill the 4 MB; the next line begins a new log.
  const std::string big(64 << 10, 'x');
  for (int i = 0; i < 70; ++i) WriteLogLine(std::to_string(i) + big);
  std::string old = ReadWholeFile(older), now = ReadWholeFile(log);
  EXPECT_NE(old.find(" : first\r\n"), std::string::npos);
  EXPECT_EQ(LineCount(old), 65);
  EXPECT_EQ(LineCount(now), 6);
  EXPECT_NE(now.find(" : 64xxx"), std::string::npos);

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

// In a process whose files are private (the server program's) the log folder it makes, the log
// and the older log are its user's alone, whatever the umask.
TEST_F(HttpEngineTest, APrivateProcessLogIsItsUsersAlone) {
  const mode_t Mask = ::umask(0);
  SetFileAccess(TFileAccess::Private);
  auto ModeOf = [](const std::string& Path) {
    struct stat st {};
    EXPECT_EQ(::stat(Path.c_str(), &st), 0) << Path;
    return st.st_mode & 07777;
  };
  const std::string Folder = this->Folder + "/Log";
  setenv("CGI_LOG_DIR", Folder.c_str(), 1);
  WriteLogLine("Quick:secret");
  const std::string log = EngineLogFileName(), older = EngineOldLogFileName();
  EXPECT_EQ(log.rfind(Folder + "/", 0), 0u) << log;
  EXPECT_EQ(ModeOf(Folder), 0700u);
  EXPECT_EQ(ModeOf(log), 0600u);
  const std::string big(64 << 10, 'x');
  for (int i = 0; i < 70; ++i) WriteLogLine(std::to_string(i) + big);
  EXPECT_NE(ReadWholeFile(older).find(" : Quick:secret\r\n"), std::string::npos);
  EXPECT_EQ(ModeOf(older), 0600u);
  EXPECT_EQ(ModeOf(log), 0600u);
  SetFileAccess(TFileAccess::Shared);
  ::umask(Mask);
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

// Checks that run in a process of their own and report each failure by itself.
class TChecks {
public:
  void operator()(bool Holds, const std::string& What) {
    if (!Holds) Failed.push_back(What);
  }
  std::vector<std::string> Failed;
};

// Runs Body in a fresh process whose program lies in the test's folder, so that the hand-over
// folder is the test's own; every failed check is named on standard error.
[[noreturn]] void RunChecksAndExit(const std::string& Folder, const std::function<void(TChecks&)>& Body) {
  const std::string program = Folder + "/qnserver.exe";
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  InitProcess(1, argv);
  TChecks checks;
  Body(checks);
  for (const std::string& failed : checks.Failed) std::fprintf(stderr, "failed: %s\n", failed.c_str());
  std::filesystem::remove_all(Folder);
  std::_Exit(checks.Failed.empty() ? 0 : 1);
}

void RunAsProgramInFolder(const std::string& Folder, const std::function<void(TChecks&)>& Body) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RunChecksAndExit(Folder, Body), ::testing::ExitedWithCode(0), "");
}

ino_t InodeOf(const std::string& Path) {
  struct stat info {};
  return ::stat(Path.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::string Reply(size_t Size) { return std::string(Size, 'r'); }

// Queues a request file as its CGI process does and takes it as the resident does.
std::string QueueAndTake(const std::string& RequestFile, std::vector<std::string>* Served = nullptr) {
  THandoverFolder& folder = ProcessHandover();
  Handover::CreateQueue(folder.QueueFile());
  Handover::Append(folder, RequestFile);
  std::string taken;
  Handover::TakeNext(folder, ekRequestFile, taken, Served);
  return taken;
}

// The resident's way with a queued request file: the reply takes the request file's place (the
// same file, renamed), a reply longer than a piece goes to a file of its own and the request file
// goes, and a request file that is gone gets no reply at all (its CGI process then answers with
// the error reply).
TEST_F(HttpEngineTest, QueuedReplyTakesTheRequestFilesPlace) {
  RunAsProgramInFolder(Folder, [](TChecks& check) {
    size_t replySize = 0;
    TCGIStdEngine engine(nullptr, Settings([&replySize](TObject*) {
      WriteString("");
      WriteString(Reply(replySize));
    }));
    // A short reply to a short request, one to a long request (whose rest must not stay behind the
    // reply), and a reply longer than a piece.
    const std::pair<size_t, size_t> cases[] = {{10, 0}, {10, 5000}, {(3u << 20) / 2, 0}};
    for (const auto& [size, padding] : cases) {
      replySize = size;
      const std::string what = std::to_string(size) + " bytes to a request padded by " + std::to_string(padding) + ": ";
      const std::string request = ProcessHandover().RequestFileName("00A1");
      const std::string reply = THandoverFolder::ReplyFileName(request);
      WriteWholeFile(request, "PAD=" + std::string(padding, 'p') + "\r\nQUERY_STRING=\r\nOSTREL_CGI_DEBUG=true\r\n\r\n");
      const auto requestInode = InodeOf(request);
      const std::string upper = QueueAndTake(request);
      check(upper == AsciiUpper(request), what + "the request is taken");
      check(engine.RunRequestLeavingEntry(request, upper), what + "the entry is left for the next take");
      const std::string bytes = ReadWholeFile(reply);
      check(bytes.size() > size + 2 && bytes.size() < size + 200, what + "the reply has its own length, no more");
      check(bytes.size() > size + 2 && bytes.compare(bytes.size() - size - 2, size, Reply(size)) == 0,
            what + "the reply ends in its body");
      check((InodeOf(reply) == requestInode) == (size < (1u << 20)), what + "a short reply is the request file renamed");
      if (size < (1u << 20)) {
        // Its CGI process then copies it as it stands, with no length to put in.
        const size_t blank = bytes.find("\r\n\r\n");
        check(blank != std::string::npos &&
                  bytes.substr(0, blank).find("\r\nContent-Length: " + std::to_string(bytes.size() - blank - 4)) !=
                      std::string::npos,
              what + "a short reply names its length");
      }
      check(InodeOf(request) == 0, what + "the request file is gone");
      check(InodeOf(reply + ".part") == 0, what + "no unfinished reply is left");
      ::unlink(reply.c_str());
      Handover::Finish(ProcessHandover(), upper);
    }
    const std::string gone = ProcessHandover().RequestFileName("00A2");
    WriteWholeFile(gone, "QUERY_STRING=\r\n\r\n");
    const std::string upper = QueueAndTake(gone);
    ::unlink(gone.c_str());
    check(!engine.RunRequestLeavingEntry(gone, upper), "a request file that is gone finishes its entry");
    check(InodeOf(THandoverFolder::ReplyFileName(gone)) == 0, "a request file that is gone gets no reply");
    check(Handover::EntryState(ProcessHandover(), gone) == TEntryState::Finished, "its entry has left the queue");
  });
}

// The owner of a request gives up while the resident runs it, and a new request of the same id
// appears meanwhile (the first request file deleted by someone else): the new request keeps its
// file, the first one's reply is not handed to it, and it gets its own reply.
TEST_F(HttpEngineTest, AReplyReachesOnlyItsOwnRequest) {
  RunAsProgramInFolder(Folder, [](TChecks& check) {
    THandoverFolder& folder = ProcessHandover();
    const std::string request = folder.RequestFileName("00B7");
    const std::string reply = THandoverFolder::ReplyFileName(request);
    const std::string second = "OTHER=1\r\nQUERY_STRING=second\r\nOSTREL_CGI_DEBUG=true\r\n\r\n";
    size_t replySize = 0;
    bool meanwhile = false;
    std::string what;
    TCGIStdEngine engine(nullptr, Settings([&](TObject*) {
      std::string query;
      GetQueryString(query);
      if (meanwhile) {
        meanwhile = false;
        // The owner gives up (the web server ends it): the taken request file stays.
        check(!Handover::GiveUpRequest(folder, request), what + "a taken entry is not withdrawn");
        check(FileExists(request), what + "a taken request file is not deleted by its owner");
        // Someone deletes it anyway, and a new request draws the same id.
        ::unlink(request.c_str());
        WriteWholeFile(request, second);
        Handover::Append(folder, request);
      }
      WriteString("");
      WriteString("reply to " + query + " " + Reply(replySize));
    }));
    for (size_t size : {size_t{10}, size_t{(3u << 20) / 2}}) {
      replySize = size;
      what = std::to_string(size) + " bytes: ";
      WriteWholeFile(request, "QUERY_STRING=first\r\nOSTREL_CGI_DEBUG=true\r\n\r\n");
      std::vector<std::string> served;
      const std::string upper = QueueAndTake(request, &served);
      meanwhile = true;
      check(!engine.RunRequestLeavingEntry(request, upper), what + "the first request's reply is dropped");
      check(ReadWholeFile(request) == second, what + "the new request keeps its file");
      check(!FileExists(reply) && !FileExists(reply + ".part"), what + "no reply waits for the new request yet");
      check(Handover::EntryState(folder, request) == TEntryState::Waiting, what + "the new request waits");

      const std::string next = QueueAndTake(request + ".none", &served);  // takes the waiting one
      check(next == upper, what + "the new request is taken");
      check(engine.RunRequestLeavingEntry(request, next), what + "the new request is answered");
      const std::string bytes = ReadWholeFile(reply);
      check(bytes.find("reply to second ") != std::string::npos, what + "the new request gets its own reply");
      check(bytes.find("reply to first") == std::string::npos, what + "and not the first one's");
      ::unlink(reply.c_str());
      Handover::Finish(folder, next);
      // The record of the missing ".none" file is never taken by a request file's resident
      // when its file is missing; drop it.
      Handover::Withdraw(folder, AsciiUpper(request + ".none"));
    }
  });
}

// The resident ends while its placing thread puts a reply in place and another reply waits for
// that thread: both reach their owners before the thread ends, and what was not taken waits on.
TEST_F(HttpEngineTest, RepliesWaitingToBePlacedArePlacedWhenTheResidentEnds) {
  RunAsProgramInFolder(Folder, [](TChecks& check) {
    THandoverFolder& folder = ProcessHandover();
    TCGIStdEngine engine(nullptr, Settings([](TObject*) {
      std::string query;
      GetQueryString(query);
      WriteString("");
      WriteString("reply to " + query);
    }));
    const char* ids[] = {"00D1", "00D2", "00D3"};
    std::vector<std::string> requests;
    Handover::CreateQueue(folder.QueueFile());
    for (const char* id : ids) {
      requests.push_back(folder.RequestFileName(id));
      WriteWholeFile(requests.back(), std::string("QUERY_STRING=") + id + "\r\nOSTREL_CGI_DEBUG=true\r\n\r\n");
      Handover::Append(folder, requests.back());
    }
    // The first placing is held until the second reply waits behind it; then the resident ends.
    std::mutex mutex;
    std::condition_variable changed;
    bool secondWaits = false, heldOne = false, heldTooLong = false;
    std::vector<std::string> placings;
    engine.BeforePlacingInBackground = [&](const std::string& upper) {
      std::unique_lock<std::mutex> lock(mutex);
      placings.push_back(upper);
      if (heldOne) return;
      heldOne = true;
      changed.notify_all();
      heldTooLong = !changed.wait_for(lock, std::chrono::minutes(2), [&] { return secondWaits; });
      lock.unlock();
      engine.StopPlacing();  // as the resident's end does; on this thread it does not wait for itself
    };
    bool served = false;
    check(engine.ServeNextEntry(&served) && served, "the first request is served");
    {
      std::unique_lock<std::mutex> lock(mutex);
      check(changed.wait_for(lock, std::chrono::minutes(2), [&] { return heldOne; }),
            "the placing thread takes the first reply");
    }
    check(engine.ServeNextEntry(&served) && served, "the second request is served");
    {
      std::lock_guard<std::mutex> lock(mutex);
      secondWaits = true;
    }
    changed.notify_all();
    engine.StopPlacing();
    check(!heldTooLong, "the first placing was held until the second waited");
    check(placings.size() == 2 && placings[0] == AsciiUpper(requests[0]) && placings[1] == AsciiUpper(requests[1]),
          "both replies went to the placing thread, in their order");
    for (int i = 0; i < 2; ++i) {
      const std::string reply = THandoverFolder::ReplyFileName(requests[i]);
      check(ReadWholeFile(reply).find(std::string("reply to ") + ids[i]) != std::string::npos,
            std::string("the reply to ") + ids[i] + " is in place");
      check(!FileExists(reply + ".part"), std::string("no unfinished reply to ") + ids[i] + " is left");
    }
    check(Handover::EntryState(folder, requests[2]) == TEntryState::Waiting, "the third request still waits");
    check(!FileExists(THandoverFolder::ReplyFileName(requests[2])), "the third request has no reply");
  });
}

// A reply that is seen but cannot be opened (it went between a look and the open, as with the
// sweep of a stalled CGI process) gets the error reply, not an empty one.
TEST_F(HttpEngineTest, AReplyThatCannotBeHadGetsTheErrorReply) {
  SetHandoverErrorReply("<HTML>Busy</HTML>");
  const std::string request = Folder + "/qnserver.exe_C_00C3_REQ";
  const std::string reply = THandoverFolder::ReplyFileName(request);
  const std::string out = Folder + "/out";
  auto take = [&](bool Copied) {
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_EQ(TakeReply(request, fd), Copied);
    ::close(fd);
    return ReadWholeFile(out);
  };
  const std::string error = "HTTP/1.1 200 OK\r\ncontent-type:text/html\r\nContent-Length: 19\r\n\r\n<HTML>Busy</HTML>\r\n";
  // There, but not a file that can be opened.
  const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(reply.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, reply.c_str(), reply.size() + 1);
  ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_TRUE(FileExists(reply));
  EXPECT_EQ(take(false), error);
  ::close(socketFd);
  ::unlink(reply.c_str());
  EXPECT_EQ(take(false), error);  // not there at all
  WriteWholeFile(reply, "A:1\r\n\r\nok");
  EXPECT_EQ(take(true), "A:1\r\nContent-Length: 2\r\n\r\nok");
  EXPECT_FALSE(FileExists(reply));
  SetHandoverErrorReply("");
}

}  // namespace
