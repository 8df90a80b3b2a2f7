#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "engine_fixture.h"
#include "platform/sys/files.h"
#include "server/engine/cgi_handover.h"
#include "server/engine/general_http_engine.h"
#include "server/engine/isapi_engine.h"
#include "server/engine/nsapi_engine.h"
#include "server/engine/cgi_win_engine.h"
#include "platform/sys/process.h"
#include "server/engine/request_api.h"

namespace {

class ComponentTest : public EngineFixture {};

TEST_F(ComponentTest, SettingsReachTheRunningEngine) {
  TGeneralHttpEngine component(nullptr);
  EXPECT_EQ(component.AutoReadLimit(), 10000);
  EXPECT_EQ(component.SessionName(), "DefaultSession");
  TCGIEngineSettings settings;
  settings.CGIMode = ServerMode;
  settings.OnExecRequest = [&component](TObject*) {
    component.SetAutoContentType("image/gif");
    component.SetNoCache(false);
    component.Current().WriteLine("");
  };
  TCGIStdEngine engine(nullptr, settings);
  EXPECT_EQ(Run(engine, {}), "HTTP/1.1 200 OK\r\ncontent-type:image/gif\r\n\r\n\r\n");
  EXPECT_EQ(engine.AutoContentType, "image/gif");
  EXPECT_EQ(component.AutoContentType(), "image/gif");
}

// The request's variables are the running engine's, reached through the component; before a front
// end runs there is no engine to reach.
TEST_F(ComponentTest, CurrentIsTheRunningEngineOnly) {
  TGeneralHttpEngine component(nullptr);
  EXPECT_THROW(component.Current(), EHttpEngineError);
  std::string agent, user;
  int length = -1;
  THttpEngine* seen = nullptr;
  TCGIEngineSettings settings;
  settings.CGIMode = ServerMode;
  settings.AutoReadInput = false;
  settings.OnExecRequest = [&](TObject*) {
    seen = &component.Current();
    agent = component.Current().GetUserAgent();
    user = component.Current().GetRemoteUser();
    length = component.Current().GetContentLength();
  };
  TCGIStdEngine engine(nullptr, settings);
  Run(engine, {"HTTP_USER_AGENT=ListDatabases", "REMOTE_USER=ann", "CONTENT_LENGTH=3"}, "abc");
  EXPECT_EQ(seen, &engine);
  EXPECT_EQ(agent, "ListDatabases");
  EXPECT_EQ(user, "ann");
  EXPECT_EQ(length, 3);
}

TEST_F(ComponentTest, StaleHandoverFilesGoAfterThreeMinutes) {
  THandoverFolder folder(Folder + "/qnserver.exe");
  const std::string old = folder.RequestFileName("0A0A"), fresh = folder.RequestFileName("0B0B");
  WriteWholeFile(old, "x");
  WriteWholeFile(fresh, "x");
  WriteWholeFile(folder.QueueFile(), "");
  utimbuf times{time(nullptr) - 200, time(nullptr) - 200};
  ASSERT_EQ(utime(old.c_str(), &times), 0);
  ASSERT_EQ(utime(folder.QueueFile().c_str(), &times), 0);
  EXPECT_EQ(Handover::RemoveStaleFiles(folder, 180), 1);
  EXPECT_FALSE(FileExists(old));
  EXPECT_TRUE(FileExists(fresh));
  EXPECT_TRUE(FileExists(folder.QueueFile()));
}

// Loaded in a library host, the component creates the NSAPI and the extension engine with its
// settings and hands the extension events to the latter; no CGI front end is made.
TEST_F(ComponentTest, LibraryBuildGetsTheLibraryFrontEnds) {
  SetIsLibrary(true);
  {
    TComponent form;
    auto* component = new TGeneralHttpEngine(&form);
    component->SetCGIMode(ServerMode);
    component->SetAutoReadLimit(777);
    component->SetSessionName("LibSession");
    int versions = 0;
    component->OnIsapiExtensionVersion = [&](int&, std::string&, bool&) { ++versions; };
    component->Loaded();
    ASSERT_NE(component->ISAPIEngine(), nullptr);
    ASSERT_NE(component->NSAPIEngine(), nullptr);
    EXPECT_EQ(component->StdEngine(), nullptr);
    EXPECT_EQ(component->WinEngine(), nullptr);
    EXPECT_EQ(GlobalISAPIEngine(), component->ISAPIEngine());
    EXPECT_EQ(component->ISAPIEngine()->Owner(), &form);
    EXPECT_EQ(component->ISAPIEngine()->AutoReadLimit, 777);
    EXPECT_EQ(component->ISAPIEngine()->SessionName, "LibSession");
    EXPECT_EQ(component->ISAPIEngine()->CGIMode, ServerMode);
    EXPECT_EQ(component->NSAPIEngine()->AutoReadLimit, 777);
    ASSERT_TRUE(component->ISAPIEngine()->OnHttpExtensionVersion);
    int version = 0;
    std::string description;
    bool result = true;
    component->ISAPIEngine()->OnHttpExtensionVersion(version, description, result);
    EXPECT_EQ(versions, 1);
    // A second Loaded makes no further engines.
    TISAPIEngine* first = component->ISAPIEngine();
    component->Loaded();
    EXPECT_EQ(component->ISAPIEngine(), first);
  }
  EXPECT_EQ(GlobalISAPIEngine(), nullptr);  // freed with its owner
  SetIsLibrary(false);
}

// Below a web server whose CGI version names Windows CGI, only the Windows CGI front end is made
// (without a profile argument it has nothing to run and returns).
TEST_F(ComponentTest, WindowsCGIServerGetsOnlyTheWindowsFrontEnd) {
  setenv("CGI_VERSION", "CGI/1.3a Win", 1);
  {
    TComponent form;
    auto* component = new TGeneralHttpEngine(&form);
    component->SetCGIMode(ServerMode);
    component->Loaded();
    EXPECT_EQ(component->StdEngine(), nullptr);
    ASSERT_NE(component->WinEngine(), nullptr);
    EXPECT_EQ(component->WinEngine()->Owner(), &form);
    EXPECT_EQ(component->WinEngine()->CGIMode, ServerMode);
    EXPECT_EQ(component->ISAPIEngine(), nullptr);
  }
  unsetenv("CGI_VERSION");
}

}  // namespace
