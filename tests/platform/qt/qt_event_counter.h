// Counts the events of one type that reach the objects it filters.
#pragma once

#include <QEvent>
#include <QObject>

class TEventCounter : public QObject {
public:
  TEventCounter(QEvent::Type type, int& count) : FType(type), FCount(count) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == FType) ++FCount;
    return false;
  }

private:
  QEvent::Type FType;
  int& FCount;
};
