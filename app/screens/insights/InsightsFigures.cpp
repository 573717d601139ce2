#include "app/screens/insights/InsightsFigures.h"

#include <cmath>

namespace insights_figures {

namespace {

bool within(const QDateTime& instant, const Period& period) {
  return instant.isValid() && instant >= period.start && instant < period.end;
}

}  // namespace

Period dayContaining(const QDateTime& now, const Calendar& calendar) {
  const QDateTime start = calendar.startOfDay(now);
  return {start, calendar.startOfDay(calendar.addDays(start, 1))};
}

Period weekContaining(const QDateTime& now, const Calendar& calendar, Qt::DayOfWeek firstDay) {
  const int back = (calendar.weekday(now) - int(firstDay) + 7) % 7;
  const QDateTime start = calendar.startOfDay(calendar.addDays(calendar.startOfDay(now), -back));
  // Through the calendar, so a week with a clock change is still seven whole days.
  return {start, calendar.startOfDay(calendar.addDays(start, 7))};
}

PeriodFigures figures(const QList<TaskItem>& tasks, const QList<BillItem>& bills,
                      const QList<FocusSession>& sessions, const Period& period) {
  PeriodFigures result;
  for (const TaskItem& task : tasks) {
    if (task.isCompleted && task.completedAt && within(*task.completedAt, period)) {
      ++result.tasksDone;
    }
    if (task.dueDate && within(*task.dueDate, period)) {
      ++result.tasksDue;
    }
  }
  for (const BillItem& bill : bills) {
    if (within(bill.dueDate, period)) {
      ++result.billsDue;
    }
    if (bill.isPaid && bill.paidAt && within(*bill.paidAt, period)) {
      ++result.billsPaid;
    }
  }
  double seconds = 0;
  for (const FocusSession& session : sessions) {
    if (session.type == FocusSessionType::focus && within(session.endedAt, period)) {
      ++result.focusSessions;
      if (std::isfinite(session.durationSeconds) && session.durationSeconds > 0) {
        seconds += session.durationSeconds;
      }
    }
  }
  result.focusMinutes = int(seconds / 60.0);
  return result;
}

}  // namespace insights_figures
