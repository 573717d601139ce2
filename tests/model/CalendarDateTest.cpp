#include "core/model/Calendar.h"

#include <gtest/gtest.h>

// Calendar::date takes shortcuts between a zone's offset changes; it must still agree with a
// full conversion everywhere: on both sides of DST changes (some at local midnight), half-hour
// and 45-minute offsets, a skipped calendar day, instants before 1970 and past the zone tables.
// One zone at a time reuses the shortcuts; all zones in turn keep replacing them.
TEST(CalendarDate, AgreesWithAFullConversionInEveryZone) {
  const std::vector<Calendar> calendars = {
      Calendar(QTimeZone("Europe/Berlin")),    Calendar(QTimeZone("Australia/Lord_Howe")),
      Calendar(QTimeZone("Pacific/Apia")),     Calendar(QTimeZone("America/St_Johns")),
      Calendar(QTimeZone("Asia/Kathmandu")),   Calendar(QTimeZone("Asia/Beirut")),
      Calendar(QTimeZone("America/Havana")),   Calendar(QTimeZone::utc()),
      Calendar(QTimeZone(-9 * 3600 - 30 * 60))};
  const std::vector<std::pair<QDateTime, int>> stretches = {
      {QDateTime(QDate(2011, 3, 20), QTime(0, 0), QTimeZone::utc()), 400},  // days
      {QDateTime(QDate(2011, 12, 28), QTime(0, 0), QTimeZone::utc()), 5},
      {QDateTime(QDate(1969, 12, 30), QTime(0, 0), QTimeZone::utc()), 3},
      {QDateTime(QDate(2045, 10, 20), QTime(0, 0), QTimeZone::utc()), 20}};
  int compared = 0;
  const auto compare = [&](const Calendar& calendar, const QDateTime& instant) {
    ASSERT_EQ(calendar.date(instant), instant.toTimeZone(calendar.timeZone()).date())
        << calendar.timeZone().id().constData() << ' '
        << instant.toString(Qt::ISODateWithMs).toStdString();
    ++compared;
  };
  for (const auto& [start, days] : stretches) {
    // 13-minute steps come within minutes of every change.
    for (qint64 minute = 0; minute < qint64(days) * 24 * 60; minute += 13) {
      const QDateTime instant = start.addSecs(minute * 60);
      for (const Calendar& calendar : calendars) {
        compare(calendar, instant);
      }
    }
    for (const Calendar& calendar : calendars) {
      for (qint64 minute = 0; minute < qint64(days) * 24 * 60; minute += 13) {
        compare(calendar, start.addSecs(minute * 60));
      }
    }
  }
  EXPECT_GT(compared, 500000);
  // Right on Berlin's spring change, and one millisecond before it.
  const Calendar berlin(QTimeZone("Europe/Berlin"));
  const QDateTime change(QDate(2026, 3, 29), QTime(1, 0), QTimeZone::utc());
  EXPECT_EQ(berlin.date(change.addMSecs(-1)), QDate(2026, 3, 29));
  EXPECT_EQ(berlin.date(QDateTime(QDate(2026, 3, 28), QTime(22, 59, 59, 999), QTimeZone::utc())),
            QDate(2026, 3, 28));
  EXPECT_EQ(berlin.date(QDateTime(QDate(2026, 3, 28), QTime(23, 0), QTimeZone::utc())),
            QDate(2026, 3, 29));
  EXPECT_FALSE(berlin.date(QDateTime()).isValid());
}
