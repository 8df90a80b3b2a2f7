// Test programs on the Qt backend: one QApplication for the whole run, on Qt's offscreen
// platform or on a real X server, and the re-run of an X server test under xvfb-run.
//
//   const auto* const kEnvironment = UseQtBackend("my_tests");            // offscreen
//   const bool kOnDisplay = RunUnderXvfb();                                // X server tests
//   const auto* const kEnvironment = UseQtBackend("my_x11_tests", &kOnDisplay);
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/qt/qt_window_peer.h"

class TQtTestEnvironment : public ::testing::Environment {
public:
  // Display: null for the offscreen platform; else whether the program has an X display.
  TQtTestEnvironment(std::string Name, const bool* Display) : FName(std::move(Name)), FDisplay(Display) {}
  void SetUp() override {
    if (FDisplay) {
      ASSERT_TRUE(*FDisplay) << "no X display and no xvfb-run";
    }
    setenv("QT_QPA_PLATFORM", FDisplay ? "xcb" : "offscreen", 1);
    static int Argc = 1;
    static char* Argv[] = {FName.data(), nullptr};
    // On an X server a Qt warning is a fault of the program: it fails the test that caused it.
    if (FDisplay) qInstallMessageHandler(FailOnQtWarning);
    FApp = new QApplication(Argc, Argv);
    InstallQtBackend();
  }
  void TearDown() override { delete FApp; }

private:
  static void FailOnQtWarning(QtMsgType Type, const QMessageLogContext& Context, const QString& Message) {
    const QString Line = qFormatLogMessage(Type, Context, Message);
    fprintf(stderr, "%s\n", Line.toLocal8Bit().constData());
    if (Type == QtWarningMsg || Type == QtCriticalMsg || Type == QtFatalMsg)
      ADD_FAILURE() << "Qt warning: " << Line.toStdString();
  }

  std::string FName;
  const bool* FDisplay;
  QApplication* FApp = nullptr;
};

// One environment, and so one QApplication, for the whole program, however many of its files ask
// for it: a second application would be made over the first and freed after it.
inline ::testing::Environment* UseQtBackend(const std::string& Name, const bool* Display = nullptr) {
  static ::testing::Environment* const Environment =
      ::testing::AddGlobalTestEnvironment(new TQtTestEnvironment(Name, Display));
  return Environment;
}

// True when the program has an X display.  Without one the program runs itself again under
// xvfb-run with a 1024 x 768 screen and does not return; listing the tests needs no display.
inline bool RunUnderXvfb() {
  if (std::getenv("DISPLAY") && *std::getenv("DISPLAY")) return true;
  std::ifstream F("/proc/self/cmdline", std::ios::binary);
  const std::string All((std::istreambuf_iterator<char>(F)), std::istreambuf_iterator<char>());
  std::vector<std::string> Args;
  for (std::size_t At = 0; At < All.size();) {
    std::size_t End = All.find('\0', At);
    if (End == std::string::npos) End = All.size();
    Args.push_back(All.substr(At, End - At));
    At = End + 1;
  }
  for (const std::string& A : Args)
    if (A.rfind("--gtest_list_tests", 0) == 0) return false;
  if (std::getenv("QN_UNDER_XVFB")) return false;
  setenv("QN_UNDER_XVFB", "1", 1);
  char Self[4096] = {};
  if (readlink("/proc/self/exe", Self, sizeof Self - 1) <= 0) return false;
  // A server number of our own to start from, so parallel runs do not race for the same one.
  std::string Number = std::to_string(100 + getpid() % 800);
  std::string Screen = "-screen 0 1024x768x24";
  std::vector<char*> Argv{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"), const_cast<char*>("-n"),
                          Number.data(), const_cast<char*>("-s"), Screen.data(), Self};
  for (std::size_t i = 1; i < Args.size(); ++i) Argv.push_back(Args[i].data());
  Argv.push_back(nullptr);
  execvp("xvfb-run", Argv.data());
  return false;
}
