#pragma once

#include <QList>
#include <QtGlobal>

// Allows a service that keeps failing a few restarts within a time window. Restarts
// spread over a long session (a server restarted by an update now and then) never
// use the budget up; a crash loop does.
class RestartBudget {
 public:
  RestartBudget(int maxRestarts, qint64 windowMs)
      : maxRestarts_(maxRestarts), windowMs_(windowMs) {}

  // Records a restart at `nowMs` (a monotonic clock) and says whether it may go ahead.
  bool allow(qint64 nowMs) {
    restarts_.removeIf([&](qint64 at) { return nowMs - at >= windowMs_; });
    restarts_.append(nowMs);
    return restarts_.size() <= maxRestarts_;
  }

 private:
  int maxRestarts_;
  qint64 windowMs_;
  QList<qint64> restarts_;
};
