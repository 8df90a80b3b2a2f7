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

#include "platform/ui/clipboard.h"
#include "platform/ui/ole_drag.h"
#include "tests/qt_test_app.h"

namespace {

const bool kOnDisplay = RunUnderXvfb();

const auto* const kEnvironment = UseQtBackend("qt_x11_tests", &kOnDisplay);

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
