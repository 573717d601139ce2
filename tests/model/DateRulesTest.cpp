#include "common/TestSupport.h"
#include "core/model/Calendar.h"
#include "core/model/CalendarEventItem.h"
#include "core/model/RecurrenceEngine.h"
#include "core/model/TaskItem.h"
#include "core/model/WaitingForItem.h"
#include "model/ModelTestPrinters.h"

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

const Calendar berlin(QTimeZone("Europe/Berlin"));
const Calendar newYork(QTimeZone("America/New_York"));

QDateTime wallClock(const Calendar& calendar, int y, int m, int d, int h, int min = 0) {
  return QDateTime(QDate(y, m, d), QTime(h, min), calendar.timeZone()).toUTC();
}

TaskItem taskDue(std::optional<QDateTime> due, bool completed = false) {
  TaskItem task;
  task.dueDate = std::move(due);
  task.isCompleted = completed;
  return task;
}

}  // namespace

TEST(CalendarDays, DayBoundariesFollowTheZoneAcrossDst) {
  // 23:30 UTC on 28 March is already 29 March in Berlin.
  const QDateTime lateUtc = utc(2026, 3, 28, 23, 30);
  EXPECT_EQ(berlin.startOfDay(lateUtc), utc(2026, 3, 28, 23, 0));
  EXPECT_FALSE(berlin.isDateInSameDay(lateUtc, utc(2026, 3, 28, 22, 30)));
  EXPECT_TRUE(Calendar(QTimeZone::utc()).isDateInSameDay(lateUtc, utc(2026, 3, 28, 0, 0)));
  EXPECT_EQ(berlin.startOfDay(utc(2026, 3, 29, 23, 0)), utc(2026, 3, 29, 22, 0));

  // Adding days keeps the wall clock; 02:30 on 29 March does not exist in Berlin.
  EXPECT_EQ(berlin.addDays(wallClock(berlin, 2026, 3, 28, 9), 1), utc(2026, 3, 29, 7, 0));
  EXPECT_EQ(newYork.addDays(wallClock(newYork, 2026, 10, 31, 9), 1), utc(2026, 11, 1, 14, 0));
  EXPECT_EQ(berlin.addDays(wallClock(berlin, 2026, 3, 28, 2, 30), 1), utc(2026, 3, 29, 1, 30));

  // Calendar days, not 24-hour spans: 47 hours is two days, ten minutes over midnight one.
  EXPECT_EQ(berlin.daysBetween(berlin.startOfDay(utc(2026, 3, 28, 12)),
                               berlin.startOfDay(utc(2026, 3, 30, 12))),
            2);
  EXPECT_EQ(berlin.daysBetween(wallClock(berlin, 2026, 5, 1, 23, 55),
                               wallClock(berlin, 2026, 5, 2, 0, 5)),
            1);
  EXPECT_EQ(berlin.daysBetween(utc(2026, 5, 3), utc(2026, 5, 1)), -2);
  EXPECT_EQ(berlin.daysBetween(QDateTime(), utc(2026, 5, 1)), std::nullopt);
}

TEST(TaskDates, OverdueAndDueTodayAtTheirEdges) {
  const QDateTime noon = utc(2026, 6, 1, 12);
  EXPECT_TRUE(taskDue(noon.addSecs(-1)).isOverdue(noon));
  EXPECT_FALSE(taskDue(noon).isOverdue(noon));
  EXPECT_FALSE(taskDue(noon.addSecs(-1), true).isOverdue(noon));
  EXPECT_FALSE(taskDue(std::nullopt).isOverdue(noon));

  const QDateTime now = wallClock(newYork, 2026, 6, 1, 8);
  EXPECT_TRUE(taskDue(wallClock(newYork, 2026, 6, 1, 0, 0), true).isDueToday(newYork, now));
  EXPECT_FALSE(taskDue(wallClock(newYork, 2026, 6, 2, 0, 0)).isDueToday(newYork, now));
  EXPECT_FALSE(taskDue(std::nullopt).isDueToday(newYork, now));
  // 23:30 in New York is the next day in UTC, yet still today for the user.
  EXPECT_TRUE(taskDue(wallClock(newYork, 2026, 6, 1, 23, 30)).isDueToday(newYork, now));
  EXPECT_FALSE(
      taskDue(wallClock(newYork, 2026, 6, 1, 23, 30)).isDueToday(Calendar(QTimeZone::utc()), now));
}

TEST(WaitingDates, FollowUpOverduePrefersNextFollowUpAndIgnoresClosedItems) {
  const QDateTime now = utc(2026, 6, 10, 12);
  WaitingForItem item;
  EXPECT_FALSE(item.isFollowUpOverdue(now));
  item.expectedResponseDate = now.addDays(-1);
  EXPECT_TRUE(item.isFollowUpOverdue(now));
  item.nextFollowUpDate = now.addDays(2);  // snoozed: the later follow-up wins
  EXPECT_FALSE(item.isFollowUpOverdue(now));
  item.nextFollowUpDate = now.addSecs(-60);
  item.status = WaitingStatus::followedUp;
  EXPECT_TRUE(item.isFollowUpOverdue(now));
  for (WaitingStatus closed : {WaitingStatus::resolved, WaitingStatus::cancelled}) {
    item.status = closed;
    EXPECT_FALSE(item.isFollowUpOverdue(now));
  }
}

TEST(WaitingDates, DaysWaitingCountsCalendarDaysNeverNegative) {
  WaitingForItem item;
  item.createdAt = wallClock(berlin, 2026, 3, 27, 23, 50);
  EXPECT_EQ(item.daysWaiting(wallClock(berlin, 2026, 3, 28, 0, 10), berlin), 1);
  EXPECT_EQ(item.daysWaiting(wallClock(berlin, 2026, 3, 30, 0, 10), berlin), 3);
  EXPECT_EQ(item.daysWaiting(wallClock(berlin, 2026, 3, 27, 23, 59), berlin), 0);
  EXPECT_EQ(item.daysWaiting(wallClock(berlin, 2026, 3, 20, 12), berlin), 0);
  item.createdAt = QDateTime();
  EXPECT_EQ(item.daysWaiting(utc(2026, 3, 30), berlin), 0);
}

TEST(EventCountdown, DescribesTheTimeUntilTheStartAndRunningOrEndedEvents) {
  const QDateTime now = utc(2026, 6, 1, 12);
  const struct {
    qint64 startIn, length;
    const char* expected;
  } cases[] = {
      {30, 3600, "in 0m"},
      {59 * 60 + 59, 3600, "in 59m"},
      {60 * 60, 3600, "in 1h"},
      {125 * 60, 3600, "in 2h 5m"},
      {1439 * 60, 3600, "in 23h 59m"},
      {1440 * 60, 3600, "in 1d"},
      {3 * 1440 * 60 - 60, 3600, "in 2d"},
      {0, 1, "Happening now"},
      {-3600, 3601, "Happening now"},
      {-3600, 3600, "Ended"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    CalendarEventItem event;
    event.startDate = now.addSecs(c.startIn);
    event.endDate = event.startDate.addSecs(c.length);
    EXPECT_EQ(event.countdownString(now), QString::fromUtf8(c.expected));
  }
}

TEST(Recurrence, NextDateKeepsTheLocalTimeSkipsWeekendsAndClampsShortMonths) {
  const QDateTime saturday = wallClock(berlin, 2026, 3, 28, 9);
  const struct {
    const char* label;
    RecurrenceRule rule;
    const Calendar& calendar;
    QDateTime from, expected;
  } cases[] = {
      {"daily over DST", RecurrenceRule::daily(), berlin, saturday,
       wallClock(berlin, 2026, 3, 29, 9)},
      {"weekly", RecurrenceRule::weekly(), berlin, saturday, wallClock(berlin, 2026, 4, 4, 9)},
      {"biweekly", RecurrenceRule::biweekly(), berlin, saturday, wallClock(berlin, 2026, 4, 11, 9)},
      {"every 3 days", RecurrenceRule::customDays(3), berlin, saturday,
       wallClock(berlin, 2026, 3, 31, 9)},
      {"every 0 days means 1", RecurrenceRule::customDays(0), berlin, saturday,
       wallClock(berlin, 2026, 3, 29, 9)},
      // 2026-03-26 is a Thursday.
      {"weekdays Thu", RecurrenceRule::weekdays(), newYork, wallClock(newYork, 2026, 3, 26, 8),
       wallClock(newYork, 2026, 3, 27, 8)},
      {"weekdays Fri", RecurrenceRule::weekdays(), newYork, wallClock(newYork, 2026, 3, 27, 8),
       wallClock(newYork, 2026, 3, 30, 8)},
      {"weekdays Sat", RecurrenceRule::weekdays(), newYork, wallClock(newYork, 2026, 3, 28, 8),
       wallClock(newYork, 2026, 3, 30, 8)},
      // Friday 23:30 in New York is Saturday in UTC; the user's weekday decides.
      {"weekdays Fri late", RecurrenceRule::weekdays(), newYork,
       wallClock(newYork, 2026, 3, 27, 23, 30), wallClock(newYork, 2026, 3, 30, 23, 30)},
      {"monthly from 31st", RecurrenceRule::monthly(), berlin, wallClock(berlin, 2026, 1, 31, 10),
       wallClock(berlin, 2026, 2, 28, 10)},
      {"monthly leap", RecurrenceRule::monthly(), berlin, wallClock(berlin, 2028, 1, 31, 8),
       wallClock(berlin, 2028, 2, 29, 8)},
      {"monthly mid", RecurrenceRule::monthly(), berlin, wallClock(berlin, 2026, 3, 15, 10),
       wallClock(berlin, 2026, 4, 15, 10)},
      {"yearly from 29 Feb", RecurrenceRule::yearly(), berlin, wallClock(berlin, 2028, 2, 29, 10),
       wallClock(berlin, 2029, 2, 28, 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(RecurrenceEngine::nextDate(c.rule, c.from, c.calendar), c.expected);
  }
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::none(), saturday, berlin), std::nullopt);
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::daily(), QDateTime(), berlin), std::nullopt);
}
