// The Windows CGI front end: profiles written by the tests, replies read from the output file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "engine_fixture.h"
#include "platform/sys/files.h"
#include "platform/rtl/string_list.h"
#include "server/engine/cgi_win_engine.h"
#include "server/engine/request_api.h"

namespace {

class CGIWinEngineTest : public EngineFixture {
protected:
  // Writes a profile with the given sections (after [System] with the output file) and runs it.
  std::string RunProfile(TCGIWinEngine& Engine, const std::string& Sections) {
    const std::string profile = Folder + "/request.ini";
    WriteWholeFile(profile, "[System]\r\nOutput File=" + Folder + "/reply.out\r\nContent File=" + Folder +
                                "/content.bin\r\n" + Sections);
    Engine.RunProfile(profile);
    return ReadWholeFile(Folder + "/reply.out");
  }

  static TCGIEngineSettings Settings(TExecRequestEvent Handler, TCGIMode Mode = ServerMode) {
    TCGIEngineSettings settings;
    settings.CGIMode = Mode;
    settings.OnExecRequest = std::move(Handler);
    return settings;
  }
};

TEST(CGIIniFileTest, SectionsKeysAndLines) {
  std::string text =
      "  [cgi]  ]\r\nRequest Method = POST \r\n"
      "\tquery string=a=1&b=2\n"            // LF alone ends a line too; the value keeps its "="
      "[CGI]\rremote address=10.0.0.1\r\n"  // a repeated section is the same section
      "no equals sign here\r\n"
      "a key much longer than thirty-two characters=lost\r\n"
      "orphan\r\n[Empty]\r\n";
  // No fixed limits: many sections and a very long line.
  for (int i = 0; i < 80; ++i) text += "[S" + std::to_string(i) + "]\r\nK=" + std::to_string(i) + "\r\n";
  text += "[Long]\r\nValue=" + std::string(10000, 'v') + "\r\n";
  auto ini = TCGIIniFile::FromText(text);
  EXPECT_EQ(ini->ReadString("CGI", "REQUEST METHOD"), "POST");
  EXPECT_EQ(ini->ReadString(" cgi ", "query string"), "a=1&b=2");
  EXPECT_EQ(ini->ReadString("Cgi", "Remote Address"), "10.0.0.1");
  EXPECT_FALSE(ini->ValueExists("CGI", "A KEY MUCH LONGER THAN THIRTY-TWO CHARACTERS"));
  EXPECT_EQ(ini->ReadString("S79", "K"), "79");
  EXPECT_EQ(ini->ReadString("Long", "Value").size(), 10000u);
  ASSERT_GE(ini->Sections().size(), 3u);
  EXPECT_EQ(ini->Sections()[0], "CGI");
  EXPECT_EQ(ini->Sections()[1], "EMPTY");
  EXPECT_EQ(ini->Keys("cgi"), (std::vector<std::string>{"QUERY STRING", "REMOTE ADDRESS", "REQUEST METHOD"}));
  EXPECT_THROW(TCGIIniFile("/nonexistent/profile.ini"), EFOpenError);
}

TEST_F(CGIWinEngineTest, GetRequestAnswersIntoTheOutputFileWithoutStatusLine) {
  TCGIWinEngine engine(nullptr, Settings([](TObject*) {
    std::string value;
    GetField("name", "-", value);
    WriteString("<p>" + value);
    GetField("missing", "dflt", value);
    WriteString(value);
    GetVariable("Remote_Address", value);
    WriteString(value);
    GetVariable("executable path", value);
    WriteString(value);
    GetCookie(value);
    WriteString(value);
    GetUserAgent(value);
    WriteString(value);
    WriteString(std::to_string(GetContentLength()));
  }));
  const std::string reply = RunProfile(engine,
                                       "Executable Path=/cgi/qnserver.exe\r\n"
                                       "[CGI]\r\nRequest Method=GET\r\nQuery String=name=Ann%20Lee&x=1\r\n"
                                       "Remote Address=10.1.2.3\r\nContent Length=abc\r\n"
                                       "[Extra Headers]\r\nCookie=s=42\r\n[Accept]\r\nUser Agent=QN_LIST\r\n");
  EXPECT_EQ(reply, "content-type:text/html\r\n\r\n<p>Ann Lee\r\ndflt\r\n10.1.2.3\r\n/cgi/qnserver.exe\r\ns=42\r\n"
                   "QN_LIST\r\n0\r\n");
}

TEST_F(CGIWinEngineTest, PostFieldsFromTheFormSections) {
  WriteWholeFile(Folder + "/external.txt", "0123456789 and more");
  std::string names;
  TCGIWinEngine engine(nullptr, Settings([&](TObject*) {
    std::string value;
    for (const char* name : {"TITLE", "MULTI", "UPLOAD", "BIG", "BROKEN"}) {
      GetField(name, "(none)", value);
      WriteText(std::string(name) + "=" + value + "|");
    }
    auto list = GetCurrentEngine()->GetFieldNames();
    for (int i = 0; i < list->Count(); ++i) names += list->Strings(i) + ",";
  }));
  const std::string reply = RunProfile(
      engine, "[CGI]\r\nRequest Method=POST\r\nContent Length=12\r\n"
              "[Form Literal]\r\nTitle=First\r\nMulti=a\r\nMulti_1=b\r\nMulti_2=c\r\nMulti_x=y\r\n"
              "[Form File]\r\nUpload=[C:\\tmp\\up.bin] 12 image/gif binary [p.gif]\r\n"
              "[Form External]\r\nBig=" + Folder + "/external.txt 10\r\nBroken=" + Folder + "/none.txt 5\r\n");
  EXPECT_EQ(reply,
            "TITLE=First|MULTI=a\r\nb\r\nc|UPLOAD=[C:\\tmp\\up.bin] 12 image/gif binary [p.gif]|"
            "BIG=0123456789|BROKEN=(none)|content-type:text/html\r\n\r\n");
  EXPECT_EQ(names, "MULTI,MULTI_X,TITLE,UPLOAD,BIG,BROKEN,");
}

TEST_F(CGIWinEngineTest, MultipartContentFileGivesTheFields) {
  WriteWholeFile(Folder + "/content.bin",
                 "--zz\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nhello\r\n--zz--\r\n");
  TCGIWinEngine engine(nullptr, Settings([](TObject*) {
    std::string value;
    GetField("note", "-", value);
    WriteString("<b>" + value);
  }));
  const std::string reply = RunProfile(engine,
                                       "[CGI]\r\nRequest Method=POST\r\nContent Length=68\r\n"
                                       "Content Type=multipart/form-data; boundary=zz\r\n");
  EXPECT_EQ(reply, "content-type:text/html\r\n\r\n<b>hello\r\n");
}

TEST_F(CGIWinEngineTest, LastRequestEventOnlyInNormalModeAndErrorsGoToTheLog) {
  int last = 0;
  TCGIEngineSettings normal = Settings([](TObject*) { throw Exception("handler failed"); }, NormalMode);
  normal.OnLastExecRequest = [&](TObject*) { ++last; };
  TCGIWinEngine engine(nullptr, normal);
  const std::string reply = RunProfile(engine, "[CGI]\r\nRequest Method=GET\r\n");
  EXPECT_EQ(last, 0);  // the handler raised before it
  EXPECT_NE(Log().find("Unhandled exception : handler failed"), std::string::npos);
  EXPECT_EQ(reply, "");

  engine.OnExecRequest = [](TObject*) { WriteString("<i>ok"); };
  EXPECT_EQ(RunProfile(engine, "[CGI]\r\nRequest Method=GET\r\n"), "content-type:text/html\r\n\r\n<i>ok\r\n");
  EXPECT_EQ(last, 1);
  engine.CGIMode = ServerMode;
  RunProfile(engine, "[CGI]\r\nRequest Method=GET\r\n");
  EXPECT_EQ(last, 1);

  engine.RunProfile(Folder + "/missing.ini");
  EXPECT_NE(Log().find("Unhandled exception : Cannot open file \"" + Folder + "/missing.ini\""), std::string::npos);
}

}  // namespace

namespace {

// The echo program (ServerMode) copied into the test folder, started by a web server with a
// profile path and no CGI environment: it queues the profile for a resident instance, which it
// starts, and ends when the reply is in the output file.
class CGIWinHandoverTest : public CGIWinEngineTest {
protected:
  void SetUp() override {
    CGIWinEngineTest::SetUp();
    const std::string built = std::string(QN_BINARY_DIR) + "/tests/server/engine/engine_echo";
    ASSERT_EQ(::access(built.c_str(), X_OK), 0) << "build the engine_echo target first";
    Program = Folder + "/qnserver.exe";
    WriteWholeFile(Program, ReadWholeFile(built));
    ASSERT_EQ(::chmod(Program.c_str(), 0755), 0);
  }
  void TearDown() override {
    // Removing the queue ends the resident at its next tick.
    ::unlink((Folder + "/Temp/qnserver.exe_S").c_str());
    for (int i = 0; i < 100 && ResidentRuns(); ++i) usleep(20000);
    EXPECT_FALSE(ResidentRuns());
    CGIWinEngineTest::TearDown();
  }
  bool ResidentRuns() {
    const std::string command = "pgrep -f '^" + Program + "$' >/dev/null";
    return std::system(command.c_str()) == 0;
  }
  // Runs the program as the web server would, from the folder of the profile.
  int RunWithProfile(const std::string& Profile, const std::string& Extra = "") {
    const std::string command = "cd '" + Folder + "' && env -i PATH=/usr/bin CGI_LOG_DIR='" + Folder + "' " +
                                Extra + " timeout 20 '" + Program + "' " + Profile;
    return std::system(command.c_str());
  }
  std::string Program;
};

TEST_F(CGIWinHandoverTest, ProfilesAreAnsweredByOneResidentIntoTheirOutputFiles) {
  WriteWholeFile(Folder + "/content.bin", "hello body");
  for (const char* name : {"first", "second"}) {
    WriteWholeFile(Folder + "/" + name + ".ini",
                   std::string("[CGI]\r\nRequest Method=POST\r\nContent Length=10\r\n[Accept]\r\nUser Agent=") +
                       name + "\r\n[System]\r\nContent File=" + Folder + "/content.bin\r\nOutput File=" + Folder +
                       "/" + name + ".out\r\n");
    EXPECT_EQ(RunWithProfile(std::string(name) + ".ini"), 0);
    EXPECT_EQ(ReadWholeFile(Folder + "/" + name + ".out"),
              std::string("content-type:application/octet-stream\r\n\r\n\r\nUA=") + name +
                  "\r\nID=\r\nLEN=10\r\nhello body");
    EXPECT_TRUE(FileExists(Folder + "/" + name + ".ini"));  // the web server's profile stays
  }
  EXPECT_TRUE(ResidentRuns());
  const std::string count = "test $(pgrep -fc '^" + Program + "$') -eq 1";
  EXPECT_EQ(std::system(count.c_str()), 0);
}

// The resident started by hand serves both kinds: a standard CGI process's request queued
// beside Windows CGI profiles reaches its standard output.
TEST_F(CGIWinHandoverTest, StandardRequestsAreServedBesideProfiles) {
  WriteWholeFile(Folder + "/win.ini", "[CGI]\r\nRequest Method=GET\r\n[Accept]\r\nUser Agent=win\r\n"
                                      "[System]\r\nOutput File=" + Folder + "/win.out\r\n");
  ASSERT_EQ(RunWithProfile("win.ini"), 0);
  EXPECT_NE(ReadWholeFile(Folder + "/win.out").find("UA=win"), std::string::npos);
  const std::string command = "cd '" + Folder + "' && env -i PATH=/usr/bin CGI_LOG_DIR='" + Folder +
                              "' SERVER_SOFTWARE=test REQUEST_METHOD=GET HTTP_USER_AGENT=std QUERY_STRING=id=7 "
                              "timeout 20 '" + Program + "' > std.out";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_NE(ReadWholeFile(Folder + "/std.out").find("UA=std\r\nID=7"), std::string::npos);
}

TEST_F(CGIWinHandoverTest, NormalModeRunsTheProfileItself) {
  WriteWholeFile(Folder + "/n.ini", "[CGI]\r\nRequest Method=GET\r\n[Accept]\r\nUser Agent=normal\r\n"
                                    "[System]\r\nOutput File=" + Folder + "/n.out\r\n");
  ASSERT_EQ(RunWithProfile("n.ini", "ENGINE_ECHO_MODE=normal"), 0);
  EXPECT_NE(ReadWholeFile(Folder + "/n.out").find("UA=normal"), std::string::npos);
  EXPECT_FALSE(ResidentRuns());
  EXPECT_FALSE(FileExists(Folder + "/Temp/qnserver.exe_S"));
}

}  // namespace
