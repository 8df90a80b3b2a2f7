// The event loop over the QApplication's: timers are QTimers (Qt::PreciseTimer under 20 ms),
// descriptor watches QSocketNotifiers, posted messages and wakes a posted QEvent of our own,
// the quit signals a notifier on the self-pipe.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "platform/sys/event_loop.h"

class TQtEventLoop : public TEventLoop {
public:
  TQtEventLoop();
  ~TQtEventLoop() override;

  TTimerId AddTimer(unsigned IntervalMs, bool Repeat, TTimerProc OnFire) override;
  void RemoveTimer(TTimerId Id) override;
  void SetFdWatch(int Fd, unsigned Mask, TFdProc OnReady) override;
  void RemoveFdWatch(int Fd) override;
  bool ProcessMessages(int WaitMs) override;
  void Wake() override;
  // A held paint is a widget's update request taken away (by an application event filter) and
  // posted again at the hold's end or bound: its marked area is then painted, once.
  void HoldPaints(unsigned BoundMs) override;
  void ReleasePaints() override;
  // Whether Widget's update request is held now (and noted for the hold's end).
  bool HeldPaint(QWidget* Widget);

  // Called by the receiver of our wake event.
  void Woken();

private:
  struct TWatch {
    unsigned Mask = 0;
    TFdProc OnReady;
    std::unique_ptr<QSocketNotifier> Read, Write;
  };
  void FdReady(int Fd, unsigned Event);
  // Posts the held update requests again; holds that are still on hold no more.
  void PaintHeld();

  std::unique_ptr<QObject> FReceiver;
  std::map<TTimerId, std::unique_ptr<QTimer>> FTimers;
  std::map<int, TWatch> FWatches;
  std::unique_ptr<QSocketNotifier> FSignals;
  TTimerId FNextId = 1;
  unsigned long FHandled = 0;  // handlers run, so a round knows whether anything happened
  // Paint holds: their count, the outermost's bound, the widgets whose update requests wait.
  int FHolds = 0;
  bool FHoldExpired = false;
  std::unique_ptr<QObject> FPaintFilter;
  std::unique_ptr<QTimer> FHoldBound;
  std::vector<QPointer<QWidget>> FHeld;
};

// Installs the Qt loop as the event-loop factory.
void InstallQtEventLoop();
