#include "app/screens/focus/FocusFigures.h"

#include <algorithm>
#include <cmath>

namespace focus_figures {

QList<FocusSession> sessionsFinishedToday(const QList<FocusSession>& sessions, const QDateTime& now,
                                          const Calendar& calendar) {
  QList<FocusSession> today;
  for (const FocusSession& session : sessions) {
    if (session.endedAt.isValid() && calendar.isDateInSameDay(session.endedAt, now)) {
      today.append(session);
    }
  }
  std::stable_sort(today.begin(), today.end(), [](const FocusSession& a, const FocusSession& b) {
    return a.endedAt > b.endedAt;
  });
  return today;
}

int sessionsTowardsLongBreak(int completedFocusSessions, int sessionsBeforeLongBreak,
                             bool longBreakIsNext) {
  const int round = std::max(sessionsBeforeLongBreak, 1);
  const int done = std::max(completedFocusSessions, 0) % round;
  return done == 0 && longBreakIsNext && completedFocusSessions > 0 ? round : done;
}

QList<TaskItem> linkableTasks(const QList<TaskItem>& tasks) {
  QList<TaskItem> open;
  for (const TaskItem& task : tasks) {
    if (!task.isCompleted) {
      open.append(task);
    }
  }
  return open;
}

QString durationText(double seconds) {
  const int minutes = std::isfinite(seconds) ? std::max(int(seconds / 60.0), 0) : 0;
  if (minutes < 60) {
    return QStringLiteral("%1 min").arg(minutes);
  }
  return minutes % 60 == 0 ? QStringLiteral("%1 h").arg(minutes / 60)
                           : QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

}  // namespace focus_figures
