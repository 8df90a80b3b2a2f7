// The event loop over the QApplication's: timers are QTimers (Qt::PreciseTimer under 20 ms),
// descriptor watches QSocketNotifiers, posted messages and wakes a posted QEvent of our own,
// the quit signals a notifier on the self-pipe.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <map>
#include <memory>

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

  // Called by the receiver of our wake event.
  void Woken();

private:
  struct TWatch {
    unsigned Mask = 0;
    TFdProc OnReady;
    std::unique_ptr<QSocketNotifier> Read, Write;
  };
  void FdReady(int Fd, unsigned Event);

  std::unique_ptr<QObject> FReceiver;
  std::map<TTimerId, std::unique_ptr<QTimer>> FTimers;
  std::map<int, TWatch> FWatches;
  std::unique_ptr<QSocketNotifier> FSignals;
  TTimerId FNextId = 1;
  unsigned long FHandled = 0;  // handlers run, so a round knows whether anything happened
};

// Installs the Qt loop as the event-loop factory.
void InstallQtEventLoop();
