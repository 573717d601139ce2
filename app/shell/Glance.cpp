#include "app/shell/Glance.h"

#include "app/ui/Color.h"
#include "app/ui/DayLists.h"
#include "core/services/FocusTimerManager.h"

namespace glance {

namespace {
constexpr int kTopTasks = 3;
constexpr int kShownTasks = 3;
constexpr int kShownFollowUps = 2;
}  // namespace

QList<TaskItem> topTodayTasks(const QList<TaskItem>& tasks, const QDateTime& now,
                              const Calendar& calendar) {
  return day_lists::tasksDueToday(tasks, now, calendar, day_lists::Completed::excluded)
      .mid(0, kTopTasks);
}

QString progressText(const DashboardSummary& summary) {
  return QStringLiteral("%1/%2").arg(summary.finishedTasksDueToday).arg(summary.totalTasksDueToday);
}

QString eventTimeLine(const CalendarEventItem& event, const QDateTime& now,
                      const Calendar& calendar, const QLocale& locale) {
  if (event.isAllDay) {
    return QStringLiteral("All Day");
  }
  return QStringLiteral("%1 (%2)").arg(day_lists::shortTime(event.startDate, calendar, locale),
                                       event.countdownString(now));
}

QColor eventDotColor(const CalendarEventItem& event, const QColor& blue) {
  return Color::fromHex(event.calendarColorHex).value_or(blue);
}

FocusControl focusControl(TimerStatus status) {
  switch (status) {
    case TimerStatus::running:
      return {QStringLiteral("Pause"), false, QStringLiteral("pause.fill")};
    case TimerStatus::paused:
      return {QStringLiteral("Resume"), true, QStringLiteral("play.fill")};
    case TimerStatus::idle:
    case TimerStatus::completed:
      break;
  }
  return {QStringLiteral("Start"), true, QStringLiteral("play.fill")};
}

void advanceFocus(FocusTimerManager& timer, const QDateTime& now) {
  switch (timer.status()) {
    case TimerStatus::running:
      timer.pause(now);
      return;
    case TimerStatus::paused:
      timer.resume(now);
      return;
    case TimerStatus::idle:
    case TimerStatus::completed:
      timer.start(FocusSessionType::focus, std::nullopt, std::nullopt, now);
      return;
  }
}

Reminders Reminders::shown() const {
  return {tasks.mid(0, kShownTasks), followUps.mid(0, kShownFollowUps)};
}

Reminders reminders(const QList<TaskItem>& tasks, const QList<WaitingForItem>& waitingItems,
                    const QDateTime& now, const Calendar& calendar) {
  return {day_lists::tasksDueToday(tasks, now, calendar, day_lists::Completed::excluded),
          day_lists::followUpsOverdue(waitingItems, now)};
}

QString reminderToggleText(bool expanded, int count) {
  return expanded ? QStringLiteral("Hide Reminders")
                  : QStringLiteral("Show Reminders (%1)").arg(count);
}

}  // namespace glance
