// Keys that come while a modal window opens (run under xvfb-run): keys the X server gave the
// window under it, before the modal window has the keyboard, reach the modal window, in order,
// followed by those typed after it took the keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QVBoxLayout>
#include <QWidget>

#include "tests/qt_test_app.h"

namespace {

const bool kOnDisplay = RunUnderXvfb();

const auto* const kEnvironment = UseQtBackend("qt_x11_tests", &kOnDisplay);

// Runs the event loop until Done() holds; false when it did not within ten seconds.
template <class Done>
bool Until(Done done) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > 10000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Key presses and releases sent to the window by the X server, as it gives keys to the window
// that has the keyboard; this process does not look at them until its loop runs again.
void KeysTo(const QWidget& window, const QStringList& keys) {
  QStringList args{"key", "--window", QString::number(window.winId())};
  QProcess::execute("xdotool", args + keys);
}

TEST(QtModalKeys, KeysGivenToTheWindowUnderAModalWindowAsItOpensReachIt) {
  if (!kOnDisplay) GTEST_SKIP() << "no X display";
  QWidget Main;
  auto* MainEdit = new QLineEdit(&Main);
  Main.resize(300, 100);
  Main.show();
  Main.activateWindow();
  MainEdit->setFocus();
  ASSERT_TRUE(Until([&] { return QGuiApplication::focusWindow() == Main.windowHandle(); }));

  QDialog Box(&Main);
  auto* From = new QLineEdit(&Box);
  (new QVBoxLayout(&Box))->addWidget(From);
  Box.setWindowModality(Qt::ApplicationModal);
  // "M", "a" come to the window that has the keyboard (the main window) before the box shows.
  KeysTo(Main, {"M", "a"});
  Box.show();
  Box.activateWindow();
  From->setFocus();
  ASSERT_TRUE(Until([&] { return QGuiApplication::focusWindow() == Box.windowHandle(); }));
  // The rest once the box has the keyboard.
  KeysTo(Box, {"k", "e", "r"});
  EXPECT_TRUE(Until([&] { return From->text() == "Maker"; })) << From->text().toStdString();
  EXPECT_EQ(MainEdit->text().toStdString(), "");

  // Once the box is gone, keys reach the main window as ever, none held.
  Box.close();
  Main.activateWindow();
  ASSERT_TRUE(Until([&] { return QGuiApplication::focusWindow() == Main.windowHandle(); }));
  KeysTo(Main, {"x"});
  EXPECT_TRUE(Until([&] { return MainEdit->text() == "x"; })) << MainEdit->text().toStdString();
  EXPECT_EQ(From->text().toStdString(), "Maker");
}

}  // namespace
