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

// Wall-clock times in Berlin and New York, as UTC instants.
QDateTime be(int y, int m, int d, int h, int min = 0) {
  return QDateTime(QDate(y, m, d), QTime(h, min), berlin.timeZone()).toUTC();
}
QDateTime ny(int y, int m, int d, int h, int min = 0) {
  return QDateTime(QDate(y, m, d), QTime(h, min), newYork.timeZone()).toUTC();
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
  EXPECT_EQ(berlin.addDays(be(2026, 3, 28, 9), 1), utc(2026, 3, 29, 7, 0));
  EXPECT_EQ(newYork.addDays(ny(2026, 10, 31, 9), 1), utc(2026, 11, 1, 14, 0));
  EXPECT_EQ(berlin.addDays(be(2026, 3, 28, 2, 30), 1), utc(2026, 3, 29, 1, 30));

  // Calendar days, not 24-hour spans: 47 hours is two days, ten minutes over midnight one.
  EXPECT_EQ(berlin.daysBetween(berlin.startOfDay(utc(2026, 3, 28, 12)),
                               berlin.startOfDay(utc(2026, 3, 30, 12))),
            2);
  EXPECT_EQ(berlin.daysBetween(be(2026, 5, 1, 23, 55), be(2026, 5, 2, 0, 5)), 1);
  EXPECT_EQ(berlin.daysBetween(utc(2026, 5, 3), utc(2026, 5, 1)), -2);
  EXPECT_EQ(berlin.daysBetween(QDateTime(), utc(2026, 5, 1)), std::nullopt);
}

TEST(TaskDates, OverdueAndDueTodayAtTheirEdges) {
  const QDateTime noon = utc(2026, 6, 1, 12);
  EXPECT_TRUE(taskDue(noon.addSecs(-1)).isOverdue(noon));
  EXPECT_FALSE(taskDue(noon).isOverdue(noon));
  EXPECT_FALSE(taskDue(noon.addSecs(-1), true).isOverdue(noon));

  const QDateTime now = ny(2026, 6, 1, 8);
  EXPECT_TRUE(taskDue(ny(2026, 6, 1, 0, 0), true).isDueToday(newYork, now));
  EXPECT_FALSE(taskDue(ny(2026, 6, 2, 0, 0)).isDueToday(newYork, now));
  // 23:30 in New York is the next day in UTC, yet still today for the user.
  EXPECT_TRUE(taskDue(ny(2026, 6, 1, 23, 30)).isDueToday(newYork, now));
  EXPECT_FALSE(taskDue(ny(2026, 6, 1, 23, 30)).isDueToday(Calendar(QTimeZone::utc()), now));
}

// A snoozed follow-up wins over the expected date; closed items are never overdue. Days waiting
// are calendar days, never negative.
TEST(WaitingDates, FollowUpOverdueAndDaysWaiting) {
  const QDateTime now = utc(2026, 6, 10, 12);
  WaitingForItem item;
  EXPECT_FALSE(item.isFollowUpOverdue(now));
  item.expectedResponseDate = now.addDays(-1);
  EXPECT_TRUE(item.isFollowUpOverdue(now));
  item.nextFollowUpDate = now.addDays(2);
  EXPECT_FALSE(item.isFollowUpOverdue(now));
  item.nextFollowUpDate = now.addSecs(-60);
  item.status = WaitingStatus::followedUp;
  EXPECT_TRUE(item.isFollowUpOverdue(now));
  for (WaitingStatus closed : {WaitingStatus::resolved, WaitingStatus::cancelled}) {
    item.status = closed;
    EXPECT_FALSE(item.isFollowUpOverdue(now));
  }

  item.createdAt = be(2026, 3, 27, 23, 50);
  const std::pair<QDateTime, int> days[] = {{be(2026, 3, 28, 0, 10), 1},
                                            {be(2026, 3, 30, 0, 10), 3},
                                            {be(2026, 3, 27, 23, 59), 0},
                                            {be(2026, 3, 20, 12), 0}};
  for (const auto& [at, expected] : days) {
    EXPECT_EQ(item.daysWaiting(at, berlin), expected);
  }
  item.createdAt = QDateTime();
  EXPECT_EQ(item.daysWaiting(utc(2026, 3, 30), berlin), 0);
}

// Start in seconds from now, length in seconds, the text.
TEST(EventCountdown, DescribesTheTimeUntilTheStartAndRunningOrEndedEvents) {
  const QDateTime now = utc(2026, 6, 1, 12);
  const std::tuple<qint64, qint64, const char*> cases[] = {
      {30, 3600, "in 0m"},      {3599, 3600, "in 59m"},      {3600, 3600, "in 1h"},
      {7500, 3600, "in 2h 5m"}, {86340, 3600, "in 23h 59m"}, {86400, 3600, "in 1d"},
      {259140, 3600, "in 2d"},  {0, 1, "Happening now"},     {-3600, 3601, "Happening now"},
      {-3600, 3600, "Ended"}};
  for (const auto& [startIn, length, expected] : cases) {
    CalendarEventItem event;
    event.startDate = now.addSecs(startIn);
    event.endDate = event.startDate.addSecs(length);
    EXPECT_EQ(event.countdownString(now), QString::fromUtf8(expected)) << expected;
  }
}

TEST(Recurrence, NextDateKeepsTheLocalTimeSkipsWeekendsAndClampsShortMonths) {
  const QDateTime saturday = be(2026, 3, 28, 9);
  using R = RecurrenceRule;
  const struct {
    const char* label;
    RecurrenceRule rule;
    const Calendar& calendar;
    QDateTime from, expected;
  } cases[] = {
      {"daily over DST", R::daily(), berlin, saturday, be(2026, 3, 29, 9)},
      {"weekly", R::weekly(), berlin, saturday, be(2026, 4, 4, 9)},
      {"biweekly", R::biweekly(), berlin, saturday, be(2026, 4, 11, 9)},
      {"every 3 days", R::customDays(3), berlin, saturday, be(2026, 3, 31, 9)},
      {"every 0 days means 1", R::customDays(0), berlin, saturday, be(2026, 3, 29, 9)},
      // 2026-03-26 is a Thursday.
      {"weekdays Thu", R::weekdays(), newYork, ny(2026, 3, 26, 8), ny(2026, 3, 27, 8)},
      {"weekdays Fri", R::weekdays(), newYork, ny(2026, 3, 27, 8), ny(2026, 3, 30, 8)},
      {"weekdays Sat", R::weekdays(), newYork, ny(2026, 3, 28, 8), ny(2026, 3, 30, 8)},
      // Friday 23:30 in New York is Saturday in UTC; the user's weekday decides.
      {"weekdays Fri late", R::weekdays(), newYork, ny(2026, 3, 27, 23, 30),
       ny(2026, 3, 30, 23, 30)},
      {"monthly from 31st", R::monthly(), berlin, be(2026, 1, 31, 10), be(2026, 2, 28, 10)},
      {"monthly leap", R::monthly(), berlin, be(2028, 1, 31, 8), be(2028, 2, 29, 8)},
      {"yearly from 29 Feb", R::yearly(), berlin, be(2028, 2, 29, 10), be(2029, 2, 28, 10)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(RecurrenceEngine::nextDate(c.rule, c.from, c.calendar), c.expected);
  }
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::none(), saturday, berlin), std::nullopt);
  EXPECT_EQ(RecurrenceEngine::nextDate(RecurrenceRule::daily(), QDateTime(), berlin), std::nullopt);
}
