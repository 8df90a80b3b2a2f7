// The Windows CGI front end: profiles written by the tests, replies read from the output file.
#include <gtest/gtest.h>

#include "engine_fixture.h"
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

// The program started by a web server with a profile path and no CGI environment.
TEST_F(CGIWinEngineTest, ProgramStartedWithAProfileAnswersIntoItsOutputFile) {
  const std::string program = std::string(QN_BINARY_DIR) + "/tests/server/engine/engine_echo";
  ASSERT_EQ(::access(program.c_str(), X_OK), 0) << "build the engine_echo target first";
  WriteWholeFile(Folder + "/content.bin", "hello body");
  WriteWholeFile(Folder + "/request.ini",
                 "[CGI]\r\nRequest Method=POST\r\nContent Length=10\r\n[Accept]\r\nUser Agent=wintest\r\n"
                 "[System]\r\nContent File=" + Folder + "/content.bin\r\nOutput File=" + Folder + "/reply.out\r\n");
  const std::string command = "cd '" + Folder + "' && env -i PATH=/usr/bin CGI_LOG_DIR='" + Folder + "' '" +
                              program + "' request.ini";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadWholeFile(Folder + "/reply.out"),
            "content-type:application/octet-stream\r\n\r\n\r\nUA=wintest\r\nID=\r\nLEN=10\r\nhello body");
}

}  // namespace
