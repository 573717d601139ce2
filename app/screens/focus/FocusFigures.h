#pragma once

#include "core/model/Calendar.h"
#include "core/model/FocusSession.h"
#include "core/model/TaskItem.h"

#include <QDateTime>
#include <QList>
#include <QString>

// What the focus screen derives from the store and the timer.
namespace focus_figures {

// Sessions (focus and breaks) that ended on the calendar day of `now`, latest first.
QList<FocusSession> sessionsFinishedToday(const QList<FocusSession>& sessions, const QDateTime& now,
                                          const Calendar& calendar);
// Focus intervals done in the current round towards the long break, 0...sessionsBeforeLongBreak.
// Right after the interval that earns the long break the round shows full, not empty.
int sessionsTowardsLongBreak(int completedFocusSessions, int sessionsBeforeLongBreak,
                             bool longBreakIsNext);
// Tasks a session can be linked to: the open ones, in store order.
QList<TaskItem> linkableTasks(const QList<TaskItem>& tasks);
// "25 min", "1 h 5 min": whole minutes of active time, never below zero.
QString durationText(double seconds);

}  // namespace focus_figures
