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

TEST(CalendarDays, StartOfDayAndSameDayFollowTheZone) {
  // 23:30 UTC on 28 March is already 29 March in Berlin.
  const QDateTime lateUtc = utc(2026, 3, 28, 23, 30);
  EXPECT_EQ(berlin.startOfDay(lateUtc), utc(2026, 3, 28, 23, 0));
  EXPECT_EQ(berlin.startOfDay(lateUtc).timeSpec(), Qt::UTC);
  EXPECT_FALSE(berlin.isDateInSameDay(lateUtc, utc(2026, 3, 28, 22, 30)));
  EXPECT_TRUE(Calendar(QTimeZone::utc()).isDateInSameDay(lateUtc, utc(2026, 3, 28, 0, 0)));
  // Summer time: the day after the change starts at 22:00 UTC.
  EXPECT_EQ(berlin.startOfDay(utc(2026, 3, 29, 23, 0)), utc(2026, 3, 29, 22, 0));
}

TEST(CalendarDays, AddDaysKeepsWallClockAcrossDst) {
  EXPECT_EQ(berlin.addDays(wallClock(berlin, 2026, 3, 28, 9), 1), utc(2026, 3, 29, 7, 0));
  EXPECT_EQ(newYork.addDays(wallClock(newYork, 2026, 3, 7, 9), 1), utc(2026, 3, 8, 13, 0));
  EXPECT_EQ(newYork.addDays(wallClock(newYork, 2026, 10, 31, 9), 1), utc(2026, 11, 1, 14, 0));
  // 02:30 does not exist on 29 March in Berlin; the time moves past the gap.
  EXPECT_EQ(berlin.addDays(wallClock(berlin, 2026, 3, 28, 2, 30), 1), utc(2026, 3, 29, 1, 30));
}

TEST(CalendarDays, MonthsAndYearsClampToTheLastDay) {
  EXPECT_EQ(berlin.addMonths(wallClock(berlin, 2026, 1, 31, 8), 1),
            wallClock(berlin, 2026, 2, 28, 8));
  EXPECT_EQ(berlin.addMonths(wallClock(berlin, 2028, 1, 31, 8), 1),
            wallClock(berlin, 2028, 2, 29, 8));
  EXPECT_EQ(berlin.addYears(wallClock(berlin, 2028, 2, 29, 8), 1),
            wallClock(berlin, 2029, 2, 28, 8));
}

TEST(CalendarDays, DaysBetweenCountsCalendarDaysNotHours) {
  // 47 hours apart across the spring change, still two days.
  EXPECT_EQ(berlin.daysBetween(berlin.startOfDay(utc(2026, 3, 28, 12)),
                               berlin.startOfDay(utc(2026, 3, 30, 12))),
            2);
  // Ten minutes apart across local midnight is one day.
  EXPECT_EQ(berlin.daysBetween(wallClock(berlin, 2026, 5, 1, 23, 55),
                               wallClock(berlin, 2026, 5, 2, 0, 5)),
            1);
  EXPECT_EQ(berlin.daysBetween(utc(2026, 5, 3), utc(2026, 5, 1)), -2);
  EXPECT_EQ(berlin.daysBetween(QDateTime(), utc(2026, 5, 1)), std::nullopt);
}

TEST(TaskDates, OverdueOnlyWhenOpenAndDueBeforeNow) {
  const QDateTime now = utc(2026, 6, 1, 12);
  EXPECT_TRUE(taskDue(now.addSecs(-1)).isOverdue(now));
  EXPECT_FALSE(taskDue(now).isOverdue(now));
  EXPECT_FALSE(taskDue(now.addSecs(-1), true).isOverdue(now));
  EXPECT_FALSE(taskDue(std::nullopt).isOverdue(now));
}

TEST(TaskDates, DueTodayUsesTheCalendarDayAndIgnoresCompletion) {
  const QDateTime now = wallClock(newYork, 2026, 6, 1, 8);
  EXPECT_TRUE(taskDue(wallClock(newYork, 2026, 6, 1, 23, 59)).isDueToday(newYork, now));
  EXPECT_TRUE(taskDue(wallClock(newYork, 2026, 6, 1, 0, 0), true).isDueToday(newYork, now));
  EXPECT_FALSE(taskDue(wallClock(newYork, 2026, 6, 2, 0, 0)).isDueToday(newYork, now));
  EXPECT_FALSE(taskDue(std::nullopt).isDueToday(newYork, now));
  // 23:30 in New York is the next day in UTC, yet still today for the user.
  EXPECT_TRUE(taskDue(wallClock(newYork, 2026, 6, 1, 23, 30)).isDueToday(newYork, now));
  EXPECT_FALSE(
      taskDue(wallClock(newYork, 2026, 6, 1, 23, 30)).isDueToday(Calendar(QTimeZone::utc()), now));
}

TEST(WaitingDates, FollowUpOverduePrefersNextFollowUp) {
  const QDateTime now = utc(2026, 6, 10, 12);
  WaitingForItem item;
  EXPECT_FALSE(item.isFollowUpOverdue(now));

  item.expectedResponseDate = now.addDays(-1);
  EXPECT_TRUE(item.isFollowUpOverdue(now));

  item.nextFollowUpDate = now.addDays(2);  // snoozed: the later follow-up wins
  EXPECT_FALSE(item.isFollowUpOverdue(now));

  item.nextFollowUpDate = now.addSecs(-60);
  EXPECT_TRUE(item.isFollowUpOverdue(now));
  item.status = WaitingStatus::followedUp;
  EXPECT_TRUE(item.isFollowUpOverdue(now));
  item.status = WaitingStatus::resolved;
  EXPECT_FALSE(item.isFollowUpOverdue(now));
  item.status = WaitingStatus::cancelled;
  EXPECT_FALSE(item.isFollowUpOverdue(now));
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

TEST(EventCountdown, DescribesTheTimeUntilTheStart) {
  const QDateTime now = utc(2026, 6, 1, 12);
  CalendarEventItem event;
  const auto startingIn = [&](qint64 seconds) {
    event.startDate = now.addSecs(seconds);
    event.endDate = event.startDate.addSecs(3600);
    return event.countdownString(now);
  };
  EXPECT_EQ(startingIn(30), QStringLiteral("in 0m"));
  EXPECT_EQ(startingIn(59 * 60 + 59), QStringLiteral("in 59m"));
  EXPECT_EQ(startingIn(60 * 60), QStringLiteral("in 1h"));
  EXPECT_EQ(startingIn(125 * 60), QStringLiteral("in 2h 5m"));
  EXPECT_EQ(startingIn(1439 * 60), QStringLiteral("in 23h 59m"));
  EXPECT_EQ(startingIn(1440 * 60), QStringLiteral("in 1d"));
  EXPECT_EQ(startingIn(3 * 1440 * 60 - 60), QStringLiteral("in 2d"));
}

TEST(EventCountdown, RunningAndEndedEvents) {
  const QDateTime now = utc(2026, 6, 1, 12);
  CalendarEventItem event;
  event.startDate = now;
  event.endDate = now.addSecs(1);
  EXPECT_EQ(event.countdownString(now), QStringLiteral("Happening now"));
  event.startDate = now.addSecs(-3600);
  EXPECT_EQ(event.countdownString(now), QStringLiteral("Happening now"));
  event.endDate = now;
  EXPECT_EQ(event.countdownString(now), QStringLiteral("Ended"));
}

TEST(Recurrence, NoneGivesNothing) {
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::none(), utc(2026, 1, 1), berlin),
            std::nullopt);
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::daily(), QDateTime(), berlin), std::nullopt);
}

TEST(Recurrence, FixedIntervalsKeepTheLocalTimeAcrossDst) {
  const QDateTime saturday = wallClock(berlin, 2026, 3, 28, 9);
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::daily(), saturday, berlin),
            wallClock(berlin, 2026, 3, 29, 9));
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::weekly(), saturday, berlin),
            wallClock(berlin, 2026, 4, 4, 9));
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::biweekly(), saturday, berlin),
            wallClock(berlin, 2026, 4, 11, 9));
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::customDays(3), saturday, berlin),
            wallClock(berlin, 2026, 3, 31, 9));
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::customDays(0), saturday, berlin),
            wallClock(berlin, 2026, 3, 29, 9));
}

TEST(Recurrence, WeekdaysSkipTheWeekend) {
  // 2026-03-26 is a Thursday.
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::weekdays(),
                                       wallClock(newYork, 2026, 3, 26, 8), newYork),
            wallClock(newYork, 2026, 3, 27, 8));
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::weekdays(),
                                       wallClock(newYork, 2026, 3, 27, 8), newYork),
            wallClock(newYork, 2026, 3, 30, 8));
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::weekdays(),
                                       wallClock(newYork, 2026, 3, 28, 8), newYork),
            wallClock(newYork, 2026, 3, 30, 8));
  // Friday 23:30 in New York is Saturday in UTC; the user's weekday decides.
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::weekdays(),
                                       wallClock(newYork, 2026, 3, 27, 23, 30), newYork),
            wallClock(newYork, 2026, 3, 30, 23, 30));
}

TEST(Recurrence, MonthlyAndYearlyClampToShortMonths) {
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::monthly(),
                                       wallClock(berlin, 2026, 1, 31, 10), berlin),
            wallClock(berlin, 2026, 2, 28, 10));
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::monthly(),
                                       wallClock(berlin, 2026, 3, 15, 10), berlin),
            wallClock(berlin, 2026, 4, 15, 10));
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::yearly(), wallClock(berlin, 2028, 2, 29, 10),
                                       berlin),
            wallClock(berlin, 2029, 2, 28, 10));
}
