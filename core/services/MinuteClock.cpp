#include "core/services/MinuteClock.h"

namespace {
// Lands the tick safely inside the new minute, whatever the timer's rounding.
constexpr int kSlackMsecs = 25;
constexpr qint64 kMinuteMsecs = 60'000;
}  // namespace

MinuteClock::MinuteClock(Clock clock, QObject* parent) : QObject(parent), clock_(std::move(clock)) {
  timer_.setSingleShot(true);
  // A coarse timer may fire up to 5 % late, three seconds on a minute.
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] {
    arm();
    Q_EMIT minuteChanged();
  });
}

int MinuteClock::msecsToNextMinute(const QDateTime& now) {
  const qint64 intoMinute = ((now.toMSecsSinceEpoch() % kMinuteMsecs) + kMinuteMsecs) % kMinuteMsecs;
  return static_cast<int>(kMinuteMsecs - intoMinute) + kSlackMsecs;
}

void MinuteClock::start() { arm(); }

void MinuteClock::stop() { timer_.stop(); }

void MinuteClock::resync() {
  if (timer_.isActive()) {
    arm();
  }
  Q_EMIT minuteChanged();
}

void MinuteClock::arm() {
  timer_.start(msecsToNextMinute(clock_ ? clock_() : QDateTime::currentDateTimeUtc()));
}
