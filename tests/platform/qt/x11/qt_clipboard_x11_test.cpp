// The Qt clipboard on a real X server (run under xvfb-run): what we put there is read by xclip,
// and what xclip puts there is read by us, for text, rich text and a private format.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include "platform/qt/qt_window_peer.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/ole_drag.h"

namespace {

// Without a display the program runs itself again under xvfb-run (listing the tests needs none).
const bool kOnDisplay = [] {
  if (std::getenv("DISPLAY") && *std::getenv("DISPLAY")) return true;
  std::ifstream f("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  for (std::size_t at = 0; at < all.size();) {
    std::size_t end = all.find('\0', at);
    if (end == std::string::npos) end = all.size();
    args.push_back(all.substr(at, end - at));
    at = end + 1;
  }
  for (const std::string& a : args)
    if (a.rfind("--gtest_list_tests", 0) == 0) return false;
  if (std::getenv("QN_UNDER_XVFB")) return false;
  setenv("QN_UNDER_XVFB", "1", 1);
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return false;
  // A server number of our own to start from, so parallel runs do not race for the same one.
  std::string number = std::to_string(100 + getpid() % 800);
  std::vector<char*> argv{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"), const_cast<char*>("-n"),
                          number.data(), self};
  for (std::size_t i = 1; i < args.size(); ++i) argv.push_back(args[i].data());
  argv.push_back(nullptr);
  execvp("xvfb-run", argv.data());
  return false;
}();

class X11Environment : public ::testing::Environment {
public:
  void SetUp() override {
    ASSERT_TRUE(kOnDisplay) << "no X display and no xvfb-run";
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "qt_x11_tests";
    static char* argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
    InstallQtBackend();
  }
  void TearDown() override { delete app; }
  QApplication* app = nullptr;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new X11Environment);

// Runs xclip while our event loop serves the selection requests it makes.
QByteArray RunXclip(const QStringList& args, const QByteArray& input = {}) {
  QProcess p;
  p.start("xclip", args);
  if (!p.waitForStarted(5000)) return "<xclip did not start>";
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  QElapsedTimer t;
  t.start();
  while (p.state() != QProcess::NotRunning && t.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    p.waitForFinished(10);
  }
  return p.readAllStandardOutput();
}

// xclip keeps serving what it was given in the background until another program takes the
// selection; the processes are ended by the next copy of ours.
void XclipSets(const char* target, const QByteArray& bytes) {
  QProcess::execute("sh", {"-c", QString("printf '%s' \"$0\" | xclip -selection clipboard -t %1 -i").arg(target),
                           QString::fromUtf8(bytes)});
  // Let Qt notice the new owner.
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(QtClipboardX11, WhatWeCopyXclipReads) {
  const std::string rtf = "{\\rtf1\\ansi {\\b bold} caf\\'e9}";
  UINT privateFormat = RegisterClipboardFormat("Grid Column");
  Clipboard().Open();
  Clipboard().SetAsText("plain caf\xC3\xA9 text");
  Clipboard().SetAsHandle(CF_RTF(), GlobalAllocBytes(rtf, true));
  Clipboard().SetAsHandle(privateFormat, GlobalAllocBytes(GridColumnBytes(258), false));
  Clipboard().Close();

  QByteArray targets = RunXclip({"-selection", "clipboard", "-o", "-t", "TARGETS"});
  EXPECT_TRUE(targets.contains("text/rtf")) << targets.toStdString();
  EXPECT_TRUE(targets.contains("application/x-qn-grid-column")) << targets.toStdString();
  // The block's NUL ends the rich text for a reader; xclip gets the bytes we stored.
  QByteArray gotRtf = RunXclip({"-selection", "clipboard", "-o", "-t", "text/rtf"});
  EXPECT_EQ(std::string(gotRtf.constData(), std::min<std::size_t>(gotRtf.size(), rtf.size())), rtf);
  EXPECT_EQ(RunXclip({"-selection", "clipboard", "-o", "-t", "UTF8_STRING"}).toStdString(), "plain caf\xC3\xA9 text");
  QByteArray column = RunXclip({"-selection", "clipboard", "-o", "-t", "application/x-qn-grid-column"});
  EXPECT_EQ(GridColumnFromBytes(column.toStdString()), 258);
}

TEST(QtClipboardX11, WhatXclipCopiesWeRead) {
  XclipSets("text/rtf", "{\\rtf1 from {\\i xclip}}");
  ASSERT_TRUE(Clipboard().HasFormat(CF_RTF()));
  std::string got;
  ASSERT_TRUE(Clipboard().GetBuffer(CF_RTF(), got));
  EXPECT_EQ(got, "{\\rtf1 from {\\i xclip}}");

  XclipSets("UTF8_STRING", "na\xC3\xAFve text");
  EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_FALSE(Clipboard().HasFormat(CF_RTF()));
  EXPECT_EQ(Clipboard().AsText(), "na\xC3\xAFve text");

  UINT mine = RegisterClipboardFormat("Some Private Format");
  XclipSets("application/x-qn-some-private-format", "private bytes");
  ASSERT_TRUE(Clipboard().HasFormat(mine));
  ASSERT_TRUE(Clipboard().GetBuffer(mine, got));
  EXPECT_EQ(got, "private bytes");

  // Our copy takes the clipboard back (and ends the waiting xclip).
  Clipboard().SetAsText("ours again");
  EXPECT_EQ(Clipboard().AsText(), "ours again");
}

}  // namespace
