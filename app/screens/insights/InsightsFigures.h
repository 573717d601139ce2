#pragma once

#include "core/model/BillItem.h"
#include "core/model/Calendar.h"
#include "core/model/FocusSession.h"
#include "core/model/TaskItem.h"

#include <QDateTime>
#include <QList>

// The figures of a stretch of days that the insights screen shows.
namespace insights_figures {

struct Period {
  QDateTime start;  // inclusive
  QDateTime end;    // exclusive
};

struct PeriodFigures {
  int tasksDone = 0;      // finished within the period, whatever their due date
  int tasksDue = 0;       // due within the period, finished or not
  int billsDue = 0;       // due within the period, paid or not
  int billsPaid = 0;      // paid within the period
  int focusSessions = 0;  // focus intervals (not breaks) that ended within the period
  int focusMinutes = 0;   // their active minutes

  bool operator==(const PeriodFigures&) const = default;
};

// The calendar day of `now`.
Period dayContaining(const QDateTime& now, const Calendar& calendar);
// The seven calendar days from the last `firstDay` on or before the day of `now`.
Period weekContaining(const QDateTime& now, const Calendar& calendar, Qt::DayOfWeek firstDay);

PeriodFigures figures(const QList<TaskItem>& tasks, const QList<BillItem>& bills,
                      const QList<FocusSession>& sessions, const Period& period);

}  // namespace insights_figures
