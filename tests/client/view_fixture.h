// A main window logged in to the shipped demonstration database "Demo", on the headless backend
// against the record server in-process (every request recorded), with a web server launcher
// that does nothing.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "client/password_form.h"
#include "client/view.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/application.h"
#include "tests/client/core/client_fixture.h"
#include "tests/client/login_script.h"
#include "tests/platform/headless/headless_application.h"

class LoggedInViewTest : public ::testing::Test {
protected:
  explicit LoggedInViewTest(const char* FolderName) : FFolderName(FolderName) {}
  void SetUp() override {
    NewHeadlessApplication(App);
    Root = TestFolder(FFolderName);
    setenv("XDG_CONFIG_HOME", (Root / "config").c_str(), 1);
    setenv("QN_PORT", "6777", 1);
    Db = std::make_unique<TServedDatabase>(Root);
    fs::create_directories(Root / "bin");
    std::ofstream(Root / "bin" / "hmserv") << "#!/bin/sh\nexit 0\n";
    fs::permissions(Root / "bin" / "hmserv", fs::perms::owner_all);
    TViewOptions Options;
    Options.Transport = &Db->Recorder;
    Options.ProgramFolder = Root.string() + "/";
    View = std::make_unique<TView>(nullptr, Options);
    LogIn(*View, "Demo");
  }
  void TearDown() override {
    View.reset();
    delete App;
    Application = nullptr;
    fs::remove_all(Root);
  }
  TApplication* App = nullptr;
  fs::path Root;
  std::unique_ptr<TServedDatabase> Db;
  std::unique_ptr<TView> View;

private:
  const char* FFolderName;
};
