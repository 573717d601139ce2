#pragma once

#include "core/model/Calendar.h"
#include "core/model/CalendarEventItem.h"
#include "core/model/FocusSession.h"
#include "core/model/TaskItem.h"
#include "core/model/WaitingForItem.h"
#include "core/store/DashboardSummary.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

class FocusTimerManager;

// What the tray popup and the floating widget derive from the store and the timer on each
// redraw. The day lists themselves come from day_lists.
namespace glance {

// The first three of today's open tasks, in store order.
QList<TaskItem> topTodayTasks(const QList<TaskItem>& tasks, const QDateTime& now,
                              const Calendar& calendar);

// "done/total" of the day summary, e.g. 2/5.
QString progressText(const DashboardSummary& summary);

// An event's second line: "All Day", or its start time with the countdown in parentheses.
QString eventTimeLine(const CalendarEventItem& event, const QDateTime& now,
                      const Calendar& calendar, const QLocale& locale);
// The colour of a calendar's dot; blue when its text is not a colour.
QColor eventDotColor(const CalendarEventItem& event, const QColor& blue);

// The one focus control of each timer state.
struct FocusControl {
  QString title;   // of the popup's button
  bool prominent;  // filled rather than bordered
  QString symbol;  // of the widget's play/pause button
};
FocusControl focusControl(TimerStatus status);
// Pauses a running timer, resumes a paused one, and otherwise starts a focus interval tied to
// no task (never a break, whatever ended last).
void advanceFocus(FocusTimerManager& timer, const QDateTime& now);

// Today's open tasks and the overdue follow-ups, in store order.
struct Reminders {
  QList<TaskItem> tasks;
  QList<WaitingForItem> followUps;

  int count() const { return int(tasks.size() + followUps.size()); }
  bool isEmpty() const { return count() == 0; }
  // What the open list shows: the first three tasks, then the first two follow-ups.
  Reminders shown() const;
};
Reminders reminders(const QList<TaskItem>& tasks, const QList<WaitingForItem>& waitingItems,
                    const QDateTime& now, const Calendar& calendar);
QString reminderToggleText(bool expanded, int count);

}  // namespace glance
