#include "platform/qt/qt_event_loop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>

#include "platform/sys/process.h"

namespace {

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::User + 0x5157);

class TWakeReceiver : public QObject {
public:
  explicit TWakeReceiver(TQtEventLoop& loop) : FLoop(loop) {}
  bool event(QEvent* e) override {
    if (e->type() == kWakeEvent) {
      FLoop.Woken();
      return true;
    }
    return QObject::event(e);
  }

private:
  TQtEventLoop& FLoop;
};

// Ends a descriptor's notifier at once: it is taken off Qt's poll set now, since its descriptor
// may be closed (or reused for another socket) right after, and freed once Qt is done with it
// (it may be the one whose handler is running).
void Drop(std::unique_ptr<QSocketNotifier>& n) {
  if (!n) return;
  n->setEnabled(false);
  n.release()->deleteLater();
}

// A quit from outside (the desktop's logout, SIGTERM) ends every modal run of the toolkit that is
// open (a message box, a file or input dialog, a pop-up menu): each caller takes its cancel answer
// and the program goes on to its close instead of waiting for an answer that never comes.
void EndModalRuns() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (!popup->close()) break;
  }
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
}

// Takes the update requests of widgets away while the loop holds paints.
class TPaintFilter : public QObject {
public:
  explicit TPaintFilter(TQtEventLoop& loop) : FLoop(loop) {}
  bool eventFilter(QObject* target, QEvent* e) override {
    if (e->type() != QEvent::UpdateRequest || !target->isWidgetType()) return false;
    return FLoop.HeldPaint(static_cast<QWidget*>(target));
  }

private:
  TQtEventLoop& FLoop;
};

}  // namespace

TQtEventLoop::TQtEventLoop() : FReceiver(std::make_unique<TWakeReceiver>(*this)) {
  InstallQuitSignals();
  int fd = QuitSignalFd();
  if (fd >= 0) {
    FSignals = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(FSignals.get(), &QSocketNotifier::activated, [this] {
      ++FHandled;
      ClearQuitSignal();
      Quit();
      EndModalRuns();
      // A program that runs the toolkit's own loop (QApplication::exec) ends on the signal too;
      // under our loop this does nothing.
      QCoreApplication::quit();
    });
  }
}

TQtEventLoop::~TQtEventLoop() {
  if (FPaintFilter && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(FPaintFilter.get());
  FPaintFilter.reset();
  FHoldBound.reset();
  Retire();
  FTimers.clear();
  FWatches.clear();
  FSignals.reset();
  FReceiver.reset();
}

TEventLoop::TTimerId TQtEventLoop::AddTimer(unsigned IntervalMs, bool Repeat, TTimerProc OnFire) {
  TTimerId id = FNextId++;
  if (FNextId == 0) FNextId = 1;
  auto timer = std::make_unique<QTimer>();
  timer->setSingleShot(!Repeat);
  timer->setTimerType(IntervalMs < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
  QObject::connect(timer.get(), &QTimer::timeout, [this, id, Repeat, proc = std::move(OnFire)] {
    ++FHandled;
    TTimerProc run = proc;  // the handler may remove this timer
    if (!Repeat) RemoveTimer(id);
    if (run) Guard(run);
  });
  timer->start(static_cast<int>(IntervalMs));
  FTimers[id] = std::move(timer);
  return id;
}

void TQtEventLoop::RemoveTimer(TTimerId Id) {
  auto it = FTimers.find(Id);
  if (it == FTimers.end()) return;
  it->second->stop();
  // A timer may be removed from its own handler: Qt frees it once the handler returned.
  it->second.release()->deleteLater();
  FTimers.erase(it);
}

void TQtEventLoop::SetFdWatch(int Fd, unsigned Mask, TFdProc OnReady) {
  if (Fd < 0) return;
  Mask &= fdeRead | fdeWrite;
  if (!Mask || !OnReady) {
    RemoveFdWatch(Fd);
    return;
  }
  TWatch& w = FWatches[Fd];
  w.Mask = Mask;
  w.OnReady = std::move(OnReady);
  auto make = [&](std::unique_ptr<QSocketNotifier>& n, QSocketNotifier::Type type, unsigned event, bool want) {
    if (!want) {
      Drop(n);
      return;
    }
    if (!n) {
      n = std::make_unique<QSocketNotifier>(Fd, type);
      QObject::connect(n.get(), &QSocketNotifier::activated, [this, Fd, event] { FdReady(Fd, event); });
    }
    n->setEnabled(true);
  };
  make(w.Read, QSocketNotifier::Read, fdeRead, Mask & fdeRead);
  make(w.Write, QSocketNotifier::Write, fdeWrite, Mask & fdeWrite);
}

void TQtEventLoop::RemoveFdWatch(int Fd) {
  auto it = FWatches.find(Fd);
  if (it == FWatches.end()) return;
  Drop(it->second.Read);
  Drop(it->second.Write);
  FWatches.erase(it);
}

void TQtEventLoop::FdReady(int Fd, unsigned Event) {
  auto it = FWatches.find(Fd);
  if (it == FWatches.end()) return;
  ++FHandled;
  TFdProc proc = it->second.OnReady;
  // A write watch reports once per arming, as the socket layer expects of FD_WRITE.
  if (Event == fdeWrite && it->second.Write) it->second.Write->setEnabled(false);
  Guard([&] { proc(Fd, Event); });
}

void TQtEventLoop::Woken() {
  ++FHandled;
  DispatchPosted();
}

void TQtEventLoop::Wake() {
  if (FReceiver) QCoreApplication::postEvent(FReceiver.get(), new QEvent(kWakeEvent));
}

bool TQtEventLoop::ProcessMessages(int WaitMs) {
  unsigned long before = FHandled;
  bool any = DispatchPosted();
  if (any || WaitMs == 0 || QuitRequested()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  } else if (WaitMs < 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  } else {
    // The wait is bounded by a single-shot timer of our own.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(WaitMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return any || FHandled != before;
}

void TQtEventLoop::HoldPaints(unsigned BoundMs) {
  if (FHolds++ > 0 || !QCoreApplication::instance()) return;
  FHoldExpired = false;
  if (!FPaintFilter) {
    FPaintFilter = std::make_unique<TPaintFilter>(*this);
    FHoldBound = std::make_unique<QTimer>();
    FHoldBound->setSingleShot(true);
    QObject::connect(FHoldBound.get(), &QTimer::timeout, [this] {
      FHoldExpired = true;
      PaintHeld();
    });
  }
  QCoreApplication::instance()->installEventFilter(FPaintFilter.get());
  FHoldBound->start(static_cast<int>(BoundMs));
}

void TQtEventLoop::ReleasePaints() {
  if (FHolds == 0 || --FHolds > 0) return;
  FHoldExpired = true;
  PaintHeld();
}

bool TQtEventLoop::HeldPaint(QWidget* Widget) {
  if (FHoldExpired) return false;
  for (const QPointer<QWidget>& w : FHeld)
    if (w == Widget) return true;
  FHeld.emplace_back(Widget);
  return true;
}

void TQtEventLoop::PaintHeld() {
  if (FHoldBound) FHoldBound->stop();
  if (FPaintFilter && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(FPaintFilter.get());
  // (Qt posts a widget's update request once until it is handled: the held one is posted again.)
  std::vector<QPointer<QWidget>> held;
  held.swap(FHeld);
  for (const QPointer<QWidget>& w : held)
    if (w) QCoreApplication::postEvent(w.data(), new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

void InstallQtEventLoop() {
  SetEventLoopFactory([] { return std::make_unique<TQtEventLoop>(); });
}
