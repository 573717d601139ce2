#include "app/shell/DayLists.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using testsupport::utc;

TEST(DayLists, FormatSecondsDropsTheFractionAndPrintsLongMinutesInFull) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {{0, "00:00"},      {59.9, "00:59"},   {125.9, "02:05"},
               {1499.6, "24:59"}, {1500, "25:00"},   {3600, "60:00"},
               {6000, "100:00"},  {-3, "00:00"},     {std::numeric_limits<double>::quiet_NaN(), "00:00"}};
  for (const auto& c : cases) {
    EXPECT_EQ(day_lists::formatSeconds(c.seconds), QString::fromLatin1(c.text)) << c.seconds;
  }
}

TEST(DayLists, TasksDueTodayFollowTheCalendarDayAndTheCompletionChoice) {
  const Calendar berlin(QTimeZone(QByteArrayLiteral("Europe/Berlin")));
  const QDateTime now = utc(2026, 3, 10, 22, 30);  // 23:30 in Berlin
  auto task = [](const QString& title, std::optional<QDateTime> due, bool done) {
    TaskItem t;
    t.id = QUuid::createUuid();
    t.title = title;
    t.dueDate = due;
    t.isCompleted = done;
    return t;
  };
  const QList<TaskItem> tasks = {
      task(QStringLiteral("early today"), utc(2026, 3, 9, 23, 0), false),  // 00:00 Berlin
      task(QStringLiteral("yesterday"), utc(2026, 3, 9, 22, 59), false),
      task(QStringLiteral("no date"), std::nullopt, false),
      task(QStringLiteral("done today"), utc(2026, 3, 10, 8), true),
      task(QStringLiteral("tomorrow"), utc(2026, 3, 10, 23, 0), false),
  };
  auto titles = [](const QList<TaskItem>& list) {
    QStringList out;
    for (const TaskItem& t : list) out << t.title;
    return out;
  };
  using day_lists::Completed;
  EXPECT_EQ(titles(day_lists::tasksDueToday(tasks, now, berlin, Completed::included)),
            QStringList({QStringLiteral("early today"), QStringLiteral("done today")}));
  EXPECT_EQ(titles(day_lists::tasksDueToday(tasks, now, berlin, Completed::excluded)),
            QStringList({QStringLiteral("early today")}));
}
