#pragma once

#include "core/model/FocusSession.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <functional>
#include <optional>

// The focus timer. It works from wall-clock instants: the active time of an interval is what
// was accumulated before the last pause plus the time since the interval clock last started,
// so a suspended machine or a stalled event loop never makes it drift. The one-second
// heartbeat, which runs only while the timer runs, merely refreshes the display values and
// notices the end.
class FocusTimerManager : public QObject {
  Q_OBJECT
  Q_PROPERTY(TimerStatus status READ status NOTIFY statusChanged)
  Q_PROPERTY(FocusSessionType sessionType READ sessionType NOTIFY sessionTypeChanged)
  Q_PROPERTY(double displayRemainingSeconds READ displayRemainingSeconds NOTIFY
                 displayRemainingSecondsChanged)
  Q_PROPERTY(double displayProgress READ displayProgress NOTIFY displayProgressChanged)
  Q_PROPERTY(int focusDurationMinutes READ focusDurationMinutes NOTIFY focusDurationMinutesChanged)
  Q_PROPERTY(
      int completedFocusSessions READ completedFocusSessions NOTIFY completedFocusSessionsChanged)

 public:
  using Clock = std::function<QDateTime()>;

  // Durations below one minute and a long-break cadence below one count as one.
  FocusTimerManager(int focusDurationMinutes, int shortBreakDurationMinutes,
                    int longBreakDurationMinutes, int sessionsBeforeLongBreak,
                    QObject* parent = nullptr);
  // `clock` is what the heartbeat reads; tests pass their own.
  FocusTimerManager(int focusDurationMinutes, int shortBreakDurationMinutes,
                    int longBreakDurationMinutes, int sessionsBeforeLongBreak, Clock clock,
                    QObject* parent = nullptr);

  // Called with each interval that completes, after the timer shows it completed.
  std::function<void(const FocusSession&)> onSessionCompleted;

  // While running: completes the interval when its target is reached at `at`, else
  // refreshes the display values. Otherwise nothing.
  void checkCompletion(const QDateTime& at);
  // From idle or completed, begins a new interval of `sessionType` with that task link.
  // In every state the interval clock restarts at `now` and the timer runs; time already
  // run in a running interval is kept.
  void start(FocusSessionType sessionType, std::optional<QUuid> taskId,
             std::optional<QString> taskTitle, const QDateTime& now);
  void pause(const QDateTime& now);
  void resume(const QDateTime& now);
  // Back to idle with nothing accumulated; the session type stays.
  void reset(const QDateTime& now);

  // New durations from the settings. A running or paused interval keeps its length; an
  // idle timer shows the new one.
  void updateDurations(int focusDurationMinutes, int shortBreakDurationMinutes,
                       int longBreakDurationMinutes, int sessionsBeforeLongBreak);

  TimerStatus status() const { return status_; }
  FocusSessionType sessionType() const { return sessionType_; }
  double displayRemainingSeconds() const { return displayRemainingSeconds_; }
  double displayProgress() const { return displayProgress_; }
  int focusDurationMinutes() const { return focusDurationMinutes_; }
  int shortBreakDurationMinutes() const { return shortBreakDurationMinutes_; }
  int longBreakDurationMinutes() const { return longBreakDurationMinutes_; }
  int sessionsBeforeLongBreak() const { return sessionsBeforeLongBreak_; }
  // Focus intervals completed since the timer was created.
  int completedFocusSessions() const { return completedFocusSessions_; }
  std::optional<QUuid> taskId() const { return taskId_; }
  std::optional<QString> taskTitle() const { return taskTitle_; }
  bool isHeartbeatActive() const { return heartbeat_.isActive(); }

  // What to offer next: after a completed focus interval a break, long after every
  // `sessionsBeforeLongBreak`-th one; otherwise focus.
  FocusSessionType suggestedNextSessionType() const;

 Q_SIGNALS:
  void statusChanged(TimerStatus status);
  void sessionTypeChanged(FocusSessionType sessionType);
  void displayRemainingSecondsChanged(double seconds);
  void displayProgressChanged(double progress);
  void focusDurationMinutesChanged(int minutes);
  void completedFocusSessionsChanged(int count);

 private:
  double targetSeconds(FocusSessionType type) const;
  double activeSeconds(const QDateTime& at) const;
  void complete(const QDateTime& at);
  void refreshDisplay(const QDateTime& at);
  void setStatus(TimerStatus status);
  void setSessionType(FocusSessionType type);

  int focusDurationMinutes_;
  int shortBreakDurationMinutes_;
  int longBreakDurationMinutes_;
  int sessionsBeforeLongBreak_;
  Clock clock_;
  QTimer heartbeat_;

  TimerStatus status_ = TimerStatus::idle;
  FocusSessionType sessionType_ = FocusSessionType::focus;
  double targetSeconds_ = 0;
  double accumulatedSeconds_ = 0;
  std::optional<QDateTime> intervalStart_;
  std::optional<QDateTime> sessionStart_;
  std::optional<QUuid> taskId_;
  std::optional<QString> taskTitle_;
  int completedFocusSessions_ = 0;

  double displayRemainingSeconds_ = 0;
  double displayProgress_ = 0;
};
