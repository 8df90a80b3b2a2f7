// The event loop over Qt's: descriptor watches that end before their descriptor closes leave
// nothing behind in Qt's poll set (Qt would warn about every closed descriptor it still polls);
// paints held over a command's steps.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/qt_event_loop.h"

namespace {

std::vector<std::string>* gHeard = nullptr;
void Hear(QtMsgType, const QMessageLogContext&, const QString& message) {
  if (gHeard) gHeard->push_back(message.toStdString());
}

// Collects what Qt writes to its log while the test runs.
class QtEventLoopTest : public ::testing::Test {
protected:
  void SetUp() override {
    gHeard = &Heard;
    FPrevious = qInstallMessageHandler(Hear);
  }
  void TearDown() override {
    qInstallMessageHandler(FPrevious);
    gHeard = nullptr;
  }
  // A few rounds of the loop, each waiting a little: enough for Qt to poll every descriptor.
  void Run(TQtEventLoop& loop) {
    for (int i = 0; i < 5; ++i) loop.ProcessMessages(5);
  }
  struct TPair {
    int Fd[2] = {-1, -1};
    TPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, Fd), 0); }
    ~TPair() { Close(); }
    void Close() {
      for (int& f : Fd)
        if (f >= 0) ::close(f), f = -1;
    }
  };
  std::vector<std::string> Heard;

private:
  QtMessageHandler FPrevious = nullptr;
};

}  // namespace

TEST_F(QtEventLoopTest, WatchesEndedBeforeTheirDescriptorClosesLeaveQtNothingToPoll) {
  TQtEventLoop loop;
  int reads = 0;
  {
    TPair pair;
    loop.SetFdWatch(pair.Fd[0], fdeRead | fdeWrite, [&](int, unsigned event) { reads += event == fdeRead; });
    ASSERT_EQ(::write(pair.Fd[1], "x", 1), 1);
    Run(loop);
    EXPECT_GE(reads, 1);
    // The write side ends alone, then the whole watch; the descriptor closes right after.
    loop.SetFdWatch(pair.Fd[0], fdeRead, [&](int, unsigned) {});
    loop.RemoveFdWatch(pair.Fd[0]);
    pair.Close();
    Run(loop);
  }
  // A watch that its own handler ends, closing the descriptor there (as a socket closed on its
  // last read is).
  {
    TPair pair;
    int fd = pair.Fd[0];
    int calls = 0;
    loop.SetFdWatch(fd, fdeRead, [&](int, unsigned) {
      ++calls;
      loop.RemoveFdWatch(fd);
      ::close(fd);
      pair.Fd[0] = -1;
    });
    ASSERT_EQ(::write(pair.Fd[1], "x", 1), 1);
    Run(loop);
    EXPECT_EQ(calls, 1);
  }
  // A descriptor number reused at once by a new socket is watched afresh.
  {
    TPair first;
    int number = first.Fd[0];
    loop.SetFdWatch(number, fdeRead, [](int, unsigned) {});
    loop.RemoveFdWatch(number);
    first.Close();
    TPair second;
    ASSERT_EQ(second.Fd[0], number);
    int heard = 0;
    loop.SetFdWatch(second.Fd[0], fdeRead, [&](int, unsigned) { ++heard; });
    ASSERT_EQ(::write(second.Fd[1], "y", 1), 1);
    Run(loop);
    EXPECT_GE(heard, 1);
    loop.RemoveFdWatch(second.Fd[0]);
  }
  for (const std::string& m : Heard) ADD_FAILURE() << "Qt said: " << m;
}

namespace {

// A widget that counts its paints.
class TCountedWidget : public QWidget {
public:
  int Paints = 0;

protected:
  void paintEvent(QPaintEvent*) override { ++Paints; }
};

// Runs rounds of the loop until Done, for 5 seconds at the most.
bool RunUntil(TQtEventLoop& loop, const std::function<bool()>& Done) {
  QElapsedTimer since;
  since.start();
  while (!Done()) {
    if (since.elapsed() > 5000) return false;
    loop.ProcessMessages(5);
  }
  return true;
}

}  // namespace

// Paints asked for under a hold are painted once at its end, or once its bound has passed; a
// widget's updates without a hold are painted as they come.
TEST_F(QtEventLoopTest, HeldPaintsComeOnceAtTheHoldsEndOrItsBound) {
  TQtEventLoop loop;
  TCountedWidget w;
  w.resize(60, 40);
  w.show();
  ASSERT_TRUE(RunUntil(loop, [&] { return w.Paints > 0; }));
  // Without a hold an update is painted at the next round.
  w.Paints = 0;
  w.update();
  ASSERT_TRUE(RunUntil(loop, [&] { return w.Paints > 0; }));
  // Held (nested holds included): rounds that would have painted paint nothing, the end paints once.
  w.Paints = 0;
  loop.HoldPaints(60000);
  w.update();
  loop.HoldPaints(60000);
  Run(loop);
  w.update(QRect(0, 0, 5, 5));
  loop.ReleasePaints();
  Run(loop);
  EXPECT_EQ(w.Paints, 0);
  loop.ReleasePaints();
  ASSERT_TRUE(RunUntil(loop, [&] { return w.Paints > 0; }));
  Run(loop);
  EXPECT_EQ(w.Paints, 1);
  // A hold that outlasts its bound lets the paints through, before its end and after.
  w.Paints = 0;
  loop.HoldPaints(30);
  w.update();
  EXPECT_TRUE(RunUntil(loop, [&] { return w.Paints > 0; }));
  w.update();
  EXPECT_TRUE(RunUntil(loop, [&] { return w.Paints > 1; }));
  loop.ReleasePaints();
  // A release without a hold changes nothing.
  loop.ReleasePaints();
  w.Paints = 0;
  w.update();
  EXPECT_TRUE(RunUntil(loop, [&] { return w.Paints > 0; }));
  for (const std::string& m : Heard) ADD_FAILURE() << "Qt said: " << m;
}
