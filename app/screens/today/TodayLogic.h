#pragma once

#include "core/model/BillItem.h"
#include "core/model/Calendar.h"
#include "core/model/CalendarEventItem.h"
#include "core/model/TaskItem.h"
#include "core/model/WaitingForItem.h"
#include "core/store/DashboardSummary.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

// What the Today screen derives from the store on every redraw.
namespace today {

// The custom greeting when there is one, else by the hour in the calendar: morning from 5,
// afternoon from 12, evening from 17, night from 22.
QString greetingText(const QString& customGreeting, const QDateTime& now, const Calendar& calendar);
// Tasks due on today's calendar day, completed ones included, in store order.
QList<TaskItem> todayTasks(const QList<TaskItem>& tasks, const QDateTime& now,
                           const Calendar& calendar);
QList<WaitingForItem> waitingNeedingAttention(const QList<WaitingForItem>& items,
                                              const QDateTime& now);

// "Tuesday, 10 March 2026" in the locale's complete date style.
QString dateText(const QDateTime& now, const Calendar& calendar, const QLocale& locale);
// A location name up to its first comma.
QString shortLocationName(const QString& locationName);
// "2 actionable suggestions from recent emails waiting for review."
QString emailPromptText(qsizetype pendingCount);
// "View All (5)": the open tasks, whatever their due date.
QString viewAllText(const QList<TaskItem>& tasks);
// "3 of 5 tasks finished".
QString tasksFinishedText(const DashboardSummary& summary);
// "Alex Chen • 4 days waiting".
QString followUpDetail(const WaitingForItem& item, const QDateTime& now, const Calendar& calendar);
// "All Day", or the start and end times joined by " - ".
QString eventTimeText(const CalendarEventItem& event, const Calendar& calendar,
                      const QLocale& locale);

// The sample records "Remove Sample Data" removes, edited ones included.
struct SampleRecords {
  qsizetype tasks = 0;
  qsizetype bills = 0;
  qsizetype waitingItems = 0;
  qsizetype events = 0;
  qsizetype total() const { return tasks + bills + waitingItems + events; }
};
SampleRecords sampleRecords(const QList<TaskItem>& tasks, const QList<BillItem>& bills,
                            const QList<WaitingForItem>& waitingItems,
                            const QList<CalendarEventItem>& manualEvents);
// "5 sample records will be removed."
QString removeSampleDataQuestion(const SampleRecords& records);
// "2 tasks, 1 bill, 1 waiting-for item and 1 event, including any you changed."
QString removeSampleDataDetails(const SampleRecords& records);
}  // namespace today
