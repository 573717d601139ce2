#include "app/screens/calendar/CalendarFilters.h"
#include "tests/screens/ScreenTestSupport.h"

#include <gtest/gtest.h>

using screentest::berlin;
static const Calendar& kBerlin = screentest::berlinCalendar();

namespace {

CalendarEventItem event(const QString& title, const QDateTime& start, int minutes = 30) {
  CalendarEventItem e;
  e.id = title;
  e.title = title;
  e.startDate = start;
  e.endDate = start.addSecs(minutes * 60);
  return e;
}

}  // namespace

// Today ends at the next midnight; the week is seven calendar days, so the one that loses an
// hour to the clock change still ends at midnight, not an hour into the eighth day.
TEST(CalendarFilters, TodayAndWeekEndAtMidnight) {
  struct Case {
    const char* name;
    QDateTime now;
    CalendarEventItem event;
    bool today;
    bool week;
  };
  const QDateTime morning = berlin(2026, 3, 10, 10, 30);
  const QDateTime monday = berlin(2026, 3, 23, 10, 0);
  const Case cases[] = {
      {"today at 23:59", morning, event(QStringLiteral("late"), berlin(2026, 3, 10, 23, 59)), true,
       true},
      {"tomorrow at 00:00", morning, event(QStringLiteral("next"), berlin(2026, 3, 11, 0, 0)),
       false, true},
      {"began yesterday, still running", morning,
       event(QStringLiteral("long"), berlin(2026, 3, 9, 22, 0), 13 * 60), true, true},
      {"last evening of a clock-change week", monday,
       event(QStringLiteral("sun"), berlin(2026, 3, 29, 23, 30)), false, true},
      {"eighth day, 00:00", monday, event(QStringLiteral("mon0"), berlin(2026, 3, 30, 0, 0)), false,
       false},
      {"eighth day, 00:30", monday, event(QStringLiteral("mon1"), berlin(2026, 3, 30, 0, 30)),
       false, false},
  };
  for (const Case& c : cases) {
    const QList<CalendarEventItem> upcoming{c.event};
    EXPECT_EQ(calendar_lists::filtered(upcoming, CalendarFilter::today, c.now, kBerlin).size(),
              c.today ? 1 : 0)
        << c.name;
    EXPECT_EQ(calendar_lists::filtered(upcoming, CalendarFilter::thisWeek, c.now, kBerlin).size(),
              c.week ? 1 : 0)
        << c.name;
    EXPECT_EQ(
        calendar_lists::filtered(upcoming, CalendarFilter::allUpcoming, c.now, kBerlin).size(), 1);
  }
}

TEST(CalendarFilters, EventFormRefusesBadTimesAndLinksAndFillsDefaults) {
  const QDateTime start = berlin(2026, 3, 10, 14, 0);
  struct Case {
    QDateTime end;
    QString link;
    bool accepted;
  };
  const Case cases[] = {
      {start.addSecs(3600), QStringLiteral("https://meet.example.com/abc"), true},
      {start.addSecs(3600), QStringLiteral("  "), true},
      {start.addSecs(3600), QStringLiteral("mailto:team@example.com"), true},
      {start, QString(), false},
      {start.addSecs(-60), QString(), false},
      {start.addSecs(3600), QStringLiteral("javascript:alert(1)"), false},
      {start.addSecs(3600), QStringLiteral("file:///etc/passwd"), false},
      {start.addSecs(3600), QStringLiteral("meet.example.com/abc"), false},
  };
  for (const Case& c : cases) {
    const auto result = calendar_lists::fromForm(
        {QStringLiteral("  "), start, c.end, false, QStringLiteral(" "), c.link, QString()},
        kBerlin);
    ASSERT_EQ(std::holds_alternative<CalendarEventItem>(result), c.accepted)
        << c.link.toStdString();
    if (const auto* e = std::get_if<CalendarEventItem>(&result)) {
      EXPECT_EQ(e->title, QStringLiteral("Untitled Event"));
      EXPECT_FALSE(e->location);
      EXPECT_EQ(e->meetingLink.has_value(), !c.link.trimmed().isEmpty());
      EXPECT_EQ(e->sourceType, CalendarSourceType::manual);
      EXPECT_FALSE(e->id.isEmpty());
    }
  }
  // A whole day runs midnight to midnight, 23 hours on the day the clocks go forward.
  const auto allDay = calendar_lists::fromForm({QStringLiteral("Trip"),
                                                berlin(2026, 3, 29, 15, 0),
                                                berlin(2026, 3, 29, 15, 0),
                                                true,
                                                {},
                                                {},
                                                {}},
                                               kBerlin);
  const auto& trip = std::get<CalendarEventItem>(allDay);
  EXPECT_EQ(trip.startDate, berlin(2026, 3, 29, 0, 0));
  EXPECT_EQ(trip.endDate, berlin(2026, 3, 30, 0, 0));
  EXPECT_EQ(trip.startDate.secsTo(trip.endDate), 23 * 3600);
}
