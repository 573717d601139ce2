#include "app/screens/today/TodayLogic.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::utc;

// The figure counts the finished tasks among those due today, never more than there are; a
// name holding "%1" or "%2" shows as written.
TEST(TodayLogic, TextsShowTheirFiguresAndNamesAsTheyAre) {
  DashboardSummary summary;
  summary.totalTasksDueToday = 3;
  summary.finishedTasksDueToday = 1;
  summary.tasksCompletedToday = 4;
  EXPECT_EQ(today::tasksFinishedText(summary), QStringLiteral("1 of 3 tasks finished"));

  const Calendar utcCalendar(QTimeZone::utc());
  const QDateTime now = utc(2026, 3, 10, 9);
  WaitingForItem item;
  item.createdAt = now.addDays(-6);
  for (const QString& name : {QStringLiteral("50%2 Partners"), QStringLiteral("%1 & %2 Ltd")}) {
    item.personOrOrg = name;
    EXPECT_EQ(today::followUpDetail(item, now, utcCalendar),
              name + QStringLiteral(" \u2022 6 days waiting"));
  }
}

TEST(TodayLogic, SampleDataQuestionCountsEachKind) {
  const struct {
    today::SampleRecords records;
    const char* question;
    const char* details;
  } cases[] = {
      {{1, 0, 0, 0}, "1 sample record will be removed.", "1 task, including any you changed."},
      {{2, 1, 0, 3}, "6 sample records will be removed.",
       "2 tasks, 1 bill and 3 events, including any you changed."},
      {{0, 2, 1, 1}, "4 sample records will be removed.",
       "2 bills, 1 waiting-for item and 1 event, including any you changed."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(today::removeSampleDataQuestion(c.records), QString::fromLatin1(c.question));
    EXPECT_EQ(today::removeSampleDataDetails(c.records), QString::fromLatin1(c.details));
  }
}
