#include "core/services/FocusTimerManager.h"

#include <algorithm>

namespace {

constexpr int kHeartbeatMilliseconds = 1000;

int atLeastOne(int value) { return std::max(value, 1); }

}  // namespace

FocusTimerManager::FocusTimerManager(int focusDurationMinutes, int shortBreakDurationMinutes,
                                     int longBreakDurationMinutes, int sessionsBeforeLongBreak,
                                     QObject* parent)
    : FocusTimerManager(focusDurationMinutes, shortBreakDurationMinutes, longBreakDurationMinutes,
                        sessionsBeforeLongBreak, &QDateTime::currentDateTimeUtc, parent) {}

FocusTimerManager::FocusTimerManager(int focusDurationMinutes, int shortBreakDurationMinutes,
                                     int longBreakDurationMinutes, int sessionsBeforeLongBreak,
                                     Clock clock, QObject* parent)
    : QObject(parent),
      focusDurationMinutes_(atLeastOne(focusDurationMinutes)),
      shortBreakDurationMinutes_(atLeastOne(shortBreakDurationMinutes)),
      longBreakDurationMinutes_(atLeastOne(longBreakDurationMinutes)),
      sessionsBeforeLongBreak_(atLeastOne(sessionsBeforeLongBreak)),
      clock_(std::move(clock)) {
  heartbeat_.setInterval(kHeartbeatMilliseconds);
  connect(&heartbeat_, &QTimer::timeout, this, [this] { checkCompletion(clock_()); });
  targetSeconds_ = targetSeconds(sessionType_);
  refreshDisplay(QDateTime());
}

double FocusTimerManager::targetSeconds(FocusSessionType type) const {
  switch (type) {
    case FocusSessionType::focus:
      return focusDurationMinutes_ * 60.0;
    case FocusSessionType::shortBreak:
      return shortBreakDurationMinutes_ * 60.0;
    case FocusSessionType::longBreak:
      return longBreakDurationMinutes_ * 60.0;
  }
  return focusDurationMinutes_ * 60.0;
}

double FocusTimerManager::activeSeconds(const QDateTime& at) const {
  double active = accumulatedSeconds_;
  if (intervalStart_ && at.isValid()) {
    // A clock set back never takes time away.
    active += std::max<qint64>(intervalStart_->msecsTo(at), 0) / 1000.0;
  }
  return active;
}

void FocusTimerManager::checkCompletion(const QDateTime& at) {
  if (status_ != TimerStatus::running) {
    return;
  }
  if (targetSeconds_ <= activeSeconds(at)) {
    complete(at);
  } else {
    refreshDisplay(at);
  }
}

void FocusTimerManager::start(FocusSessionType sessionType, std::optional<QUuid> taskId,
                              std::optional<QString> taskTitle, const QDateTime& now) {
  if (status_ == TimerStatus::idle || status_ == TimerStatus::completed) {
    setSessionType(sessionType);
    targetSeconds_ = targetSeconds(sessionType);
    taskId_ = std::move(taskId);
    taskTitle_ = std::move(taskTitle);
    accumulatedSeconds_ = 0;
    sessionStart_ = now;
  } else if (status_ == TimerStatus::running) {
    // Restarting the clock alone would drop what ran since it last started.
    accumulatedSeconds_ = activeSeconds(now);
  }
  intervalStart_ = now;
  setStatus(TimerStatus::running);
  refreshDisplay(now);
  heartbeat_.start();
}

void FocusTimerManager::pause(const QDateTime& now) {
  if (status_ != TimerStatus::running) {
    return;
  }
  accumulatedSeconds_ = activeSeconds(now);
  intervalStart_.reset();
  setStatus(TimerStatus::paused);
  refreshDisplay(now);
  heartbeat_.stop();
}

void FocusTimerManager::resume(const QDateTime& now) {
  if (status_ != TimerStatus::paused) {
    return;
  }
  intervalStart_ = now;
  setStatus(TimerStatus::running);
  refreshDisplay(now);
  heartbeat_.start();
}

void FocusTimerManager::reset(const QDateTime& now) {
  heartbeat_.stop();
  setStatus(TimerStatus::idle);
  intervalStart_.reset();
  sessionStart_.reset();
  accumulatedSeconds_ = 0;
  targetSeconds_ = targetSeconds(sessionType_);
  refreshDisplay(now);
}

void FocusTimerManager::complete(const QDateTime& at) {
  // The interval ended when its target was reached, which after a suspend lies well before
  // the moment this is noticed.
  QDateTime endedAt = at;
  if (intervalStart_) {
    const auto remainingAtStart =
        static_cast<qint64>((targetSeconds_ - accumulatedSeconds_) * 1000.0);
    endedAt = std::min(at, intervalStart_->addMSecs(std::max<qint64>(remainingAtStart, 0)));
  }
  const FocusSession session{QUuid::createUuid(),
                             sessionType_,
                             sessionStart_.value_or(endedAt),
                             endedAt,
                             targetSeconds_,
                             taskId_,
                             taskTitle_};

  heartbeat_.stop();
  accumulatedSeconds_ = targetSeconds_;
  intervalStart_.reset();
  setStatus(TimerStatus::completed);
  refreshDisplay(at);
  if (sessionType_ == FocusSessionType::focus) {
    ++completedFocusSessions_;
    Q_EMIT completedFocusSessionsChanged(completedFocusSessions_);
  }
  if (onSessionCompleted) {
    onSessionCompleted(session);
  }
}

void FocusTimerManager::updateDurations(int focusDurationMinutes, int shortBreakDurationMinutes,
                                        int longBreakDurationMinutes, int sessionsBeforeLongBreak) {
  const int focus = atLeastOne(focusDurationMinutes);
  const bool focusChanged = focus != focusDurationMinutes_;
  focusDurationMinutes_ = focus;
  shortBreakDurationMinutes_ = atLeastOne(shortBreakDurationMinutes);
  longBreakDurationMinutes_ = atLeastOne(longBreakDurationMinutes);
  sessionsBeforeLongBreak_ = atLeastOne(sessionsBeforeLongBreak);
  if (status_ == TimerStatus::idle) {
    targetSeconds_ = targetSeconds(sessionType_);
    refreshDisplay(QDateTime());
  }
  if (focusChanged) {
    Q_EMIT focusDurationMinutesChanged(focusDurationMinutes_);
  }
}

FocusSessionType FocusTimerManager::suggestedNextSessionType() const {
  if (status_ != TimerStatus::completed || sessionType_ != FocusSessionType::focus) {
    return FocusSessionType::focus;
  }
  return completedFocusSessions_ % sessionsBeforeLongBreak_ == 0 ? FocusSessionType::longBreak
                                                                 : FocusSessionType::shortBreak;
}

void FocusTimerManager::refreshDisplay(const QDateTime& at) {
  const double active = std::min(activeSeconds(at), targetSeconds_);
  const double remaining = std::max(targetSeconds_ - active, 0.0);
  const double progress = targetSeconds_ > 0 ? std::clamp(active / targetSeconds_, 0.0, 1.0) : 0.0;
  if (remaining != displayRemainingSeconds_) {
    displayRemainingSeconds_ = remaining;
    Q_EMIT displayRemainingSecondsChanged(remaining);
  }
  if (progress != displayProgress_) {
    displayProgress_ = progress;
    Q_EMIT displayProgressChanged(progress);
  }
}

void FocusTimerManager::setStatus(TimerStatus status) {
  if (status != status_) {
    status_ = status;
    Q_EMIT statusChanged(status);
  }
}

void FocusTimerManager::setSessionType(FocusSessionType type) {
  if (type != sessionType_) {
    sessionType_ = type;
    Q_EMIT sessionTypeChanged(type);
  }
}
