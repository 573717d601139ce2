#pragma once

#include "core/model/Calendar.h"
#include "core/model/TaskItem.h"
#include "core/model/WaitingForItem.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QTime>
#include <QString>

// The day lists several screens derive from the store on every redraw.
namespace day_lists {

enum class Completed { included, excluded };

// Tasks, in store order, with a due date on the calendar day of `now`; tasks without a due
// date never count.
QList<TaskItem> tasksDueToday(const QList<TaskItem>& tasks, const QDateTime& now,
                              const Calendar& calendar, Completed completed);
// Waiting-for items, in store order, whose follow-up is overdue at `now`.
QList<WaitingForItem> followUpsOverdue(const QList<WaitingForItem>& items, const QDateTime& now);
// A clock time in the locale's short format, never with seconds (some locales' short
// format carries them).
QString shortTime(const QTime& time, const QLocale& locale);
QString shortTimeFormat(const QLocale& locale);
// The wall-clock time of `instant` in the calendar's zone, as above.
QString shortTime(const QDateTime& instant, const Calendar& calendar, const QLocale& locale);
// The date of `instant` in the calendar's zone in the locale's long form, with the month
// abbreviated and no weekday ("Mar 10, 2026", "10. März 2026").
QString abbreviatedDate(const QDateTime& instant, const Calendar& calendar, const QLocale& locale);
// A remaining time as "mm:ss": the fraction dropped, minutes in full above 99 (6000 gives
// 100:00). A value below zero or not a number shows 00:00.
QString formatSeconds(double seconds);

}  // namespace day_lists
