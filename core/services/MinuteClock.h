#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>

// One tick at every turn of the wall-clock minute, for views that show a clock, a greeting or a
// countdown: they stay current with one wake-up a minute and no polling. The app keeps one.
class MinuteClock : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<QDateTime()>;

  // `clock` is what the next turn is worked out from; tests pass their own.
  explicit MinuteClock(Clock clock = {}, QObject* parent = nullptr);

  // Milliseconds from `now` until just after the next minute begins.
  static int msecsToNextMinute(const QDateTime& now);

  void start();
  void stop();
  bool isActive() const { return timer_.isActive(); }
  // Ticks now and aligns again: after the machine wakes or the wall clock was set, the monotonic
  // timer no longer matches the minute.
  void resync();

 Q_SIGNALS:
  void minuteChanged();

 private:
  void arm();

  Clock clock_;
  QTimer timer_;
};
