#include "platform/ui/application.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/headless/event_loop_poll.h"
#include "platform/ui/timer.h"

namespace {

// An application on a poll loop with a fake clock, for one test.
struct TFakeApp {
  TFakeApp() : App(new TApplication) {
    auto loop = std::make_unique<TPollEventLoop>(false);
    Loop = loop.get();
    Loop->UseFakeClock();
    App->SetLoop(std::move(loop));
  }
  ~TFakeApp() { delete App; }
  TApplication* App;
  TPollEventLoop* Loop;
};

}  // namespace

TEST(Application, ExceptionsOfHandlersGoToOnExceptionAndAbortIsSilent) {
  TFakeApp f;
  std::vector<std::string> seen;
  f.App->OnException = [&](TObject* Sender, Exception& E) {
    EXPECT_EQ(Sender, f.App);
    seen.push_back(std::string(E.ClassName()) + ":" + E.Message());
  };
  f.Loop->Post([] { throw EConvertError("'x' is not a valid integer value"); });
  f.Loop->Post([] { throw EAbort(); });
  f.Loop->Post([] { throw std::runtime_error("plain"); });
  f.Loop->Post([] { throw 42; });
  int after = 0;
  f.Loop->Post([&] { ++after; });
  f.App->ProcessMessages();
  EXPECT_EQ(seen, (std::vector<std::string>{"EConvertError:'x' is not a valid integer value",
                                            "Exception:plain", "Exception:Unknown exception"}));
  EXPECT_EQ(after, 1);  // the messages after a failing one still ran
}

TEST(Application, WithoutOnExceptionTheMessageIsShown) {
  TFakeApp f;
  f.App->SetTitle("qnserver.exe_S");
  std::vector<std::string> shown;
  f.App->MessageHook = [&](const std::string& text) { shown.push_back(text); };
  f.Loop->Post([] { throw Exception("Cannot open file x"); });
  f.Loop->Post([] { throw EAbort(); });
  f.App->ProcessMessages();
  EXPECT_EQ(shown, (std::vector<std::string>{"Cannot open file x."}));
  // The hook may raise too: the application stays up.
  f.App->MessageHook = [](const std::string&) { throw Exception("hook"); };
  f.Loop->Post([] { throw Exception("second"); });
  EXPECT_NO_THROW(f.App->ProcessMessages());
}

TEST(Application, TerminateEndsRunAndTitleChangesAreTold) {
  TFakeApp f;
  std::string told;
  f.App->OnTitleChange = [&](TApplication* a) { told = a->Title(); };
  f.App->SetTitle("prog_S");
  EXPECT_EQ(told, "prog_S");
  EXPECT_FALSE(f.App->Terminated());
  int rounds = 0;
  std::function<void()> tick = [&] {
    if (++rounds == 3) f.App->Terminate();
    else f.Loop->Post(tick);
  };
  f.Loop->Post(tick);
  f.App->Run();
  EXPECT_EQ(rounds, 3);
  EXPECT_TRUE(f.App->Terminated());
  EXPECT_EQ(CurrentEventLoop(), f.Loop);
}

TEST(Timers, FireEveryIntervalWhileEnabled) {
  TFakeApp f;
  auto* timer = new TTimer(f.App);  // owned by the application
  timer->SetInterval(50);
  int ticks = 0;
  TObject* sender = nullptr;
  timer->OnTimer = [&](TObject* s) {
    ++ticks;
    sender = s;
  };
  f.Loop->AdvanceClock(49);
  EXPECT_EQ(ticks, 0);
  f.Loop->AdvanceClock(151);
  EXPECT_EQ(ticks, 4);
  EXPECT_EQ(sender, timer);
  timer->SetEnabled(false);
  f.Loop->AdvanceClock(500);
  EXPECT_EQ(ticks, 4);
  timer->SetEnabled(true);  // restarts the full interval
  f.Loop->AdvanceClock(49);
  EXPECT_EQ(ticks, 4);
  f.Loop->AdvanceClock(1);
  EXPECT_EQ(ticks, 5);
  timer->SetInterval(0);  // no interval: no ticks
  f.Loop->AdvanceClock(1000);
  EXPECT_EQ(ticks, 5);
  EXPECT_EQ(f.Loop->TimerCount(), 0u);
}

TEST(Timers, AHandlerMayStopOrFreeItsOwnTimer) {
  TFakeApp f;
  auto* timer = new TTimer(f.App);
  timer->SetInterval(50);
  int ticks = 0;
  // The resident loop's pattern: stop the timer, do the work, start it again.
  timer->OnTimer = [&](TObject*) {
    timer->SetEnabled(false);
    ++ticks;
    if (ticks < 3) timer->SetEnabled(true);
  };
  f.Loop->AdvanceClock(1000);
  EXPECT_EQ(ticks, 3);
  auto* once = new TTimer(f.App);
  once->SetInterval(10);
  int onceTicks = 0;
  once->OnTimer = [&](TObject*) {
    ++onceTicks;
    delete once;
  };
  f.Loop->AdvanceClock(100);
  EXPECT_EQ(onceTicks, 1);
  EXPECT_EQ(f.Loop->TimerCount(), 0u);
}

TEST(Timers, AnExceptionInOnTimerReachesTheApplication) {
  TFakeApp f;
  int errors = 0;
  f.App->OnException = [&](TObject*, Exception&) { ++errors; };
  TTimer timer;
  timer.SetLoop(f.Loop);
  timer.SetInterval(10);
  timer.OnTimer = [](TObject*) { throw Exception("tick failed"); };
  f.Loop->AdvanceClock(30);
  EXPECT_EQ(errors, 3);
}

TEST(Timers, EnabledBeforeAnyLoopStartsWhenTheLoopComes) {
  SetEventLoopFactory(nullptr);
  auto* app = new TApplication;
  ASSERT_FALSE(app->HasLoop());
  int ticks = 0;
  {
    TTimer timer(app);
    timer.SetInterval(20);
    timer.OnTimer = [&](TObject*) { ++ticks; };
    auto loop = std::make_unique<TPollEventLoop>(false);
    TPollEventLoop* raw = loop.get();
    raw->UseFakeClock();
    app->SetLoop(std::move(loop));
    raw->AdvanceClock(45);
    EXPECT_EQ(ticks, 2);
  }
  delete app;
  // A timer that outlives its loop frees without touching it.
  auto loop = std::make_unique<TPollEventLoop>(false);
  auto* timer = new TTimer;
  timer->SetLoop(loop.get());
  loop.reset();
  delete timer;
}

TEST(Application, InitializeNeedsABackend) {
  SetEventLoopFactory(nullptr);
  TApplication app;
  EXPECT_THROW(app.Initialize(), EInvalidOperation);
  InstallHeadlessEventLoop();
  app.Initialize();
  EXPECT_TRUE(app.HasLoop());
  EXPECT_EQ(CurrentEventLoop(), &app.Loop());
}

// A program that returns from main with its application, loop and timers alive ends cleanly:
// the application is freed by a static destructor after the loop's own bookkeeping.
TEST(Application, ExitWithEverythingAliveEndsCleanly) {
  pid_t child = ::fork();
  if (child == 0) {
    InstallHeadlessEventLoop();
    TApplication& app = GetApplication();
    app.Initialize();
    auto* timer = new TTimer(&app);
    timer->SetInterval(10);
    app.ProcessMessages(20);
    std::exit(3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 3);
}
