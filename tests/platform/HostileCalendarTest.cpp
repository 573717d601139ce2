// Calendar files built to make a read expensive: each must still be read within one read's
// budget, keep the events that are really in the window, and say once what was left out.
#include "core/platform/ICalendarFileEventStore.h"

#include "PlatformSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using testsupport::utc;

namespace {

const QTimeZone kBerlin("Europe/Berlin");

QByteArray calendar(const QByteArray& body) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + body + "END:VCALENDAR\r\n";
}

QByteArray vevent(const QByteArray& uid, const QByteArray& lines) {
  return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nSUMMARY:" + uid + "\r\n" + lines + "END:VEVENT\r\n";
}

const QByteArray kPlanning = vevent("Planning", "DTSTART:20260311T100000Z\r\nDURATION:PT1H\r\n");

int warnings(const QString& text) { return logged(QStringLiteral("WARN"), text).size(); }

// Read in the week from 10 March 2026, or the first `days` of it.
struct Hostile {
  const char* name;
  std::function<QByteArray()> content;
  QStringList mustContain;       // titles of occurrences that are really in the window
  QString warning;               // "" when the file must read without one
  bool allTitlesAppear = false;  // no event may starve the others of the budget
  int days = 7;
};

TEST(HostileCalendars, ReadWithinOneBudgetKeepTheWindowsEventsAndWarnOnce) {
  const Hostile cases[] = {
      {"an event lasting 1,800 years that repeats daily",
       [] { return calendarFixture(QStringLiteral("everlasting-daily.ics")); },
       {QStringLiteral("Ages")},
       QStringLiteral("\u201CAges\u201D")},
      {"fifty rules ticking every second until before the window",
       [] { return calendarFixture(QStringLiteral("secondly-before-window.ics")); },
       {QStringLiteral("Planning")},
       QString()},
      {"a hundred events every minute",
       [] { return calendarFixture(QStringLiteral("minutely-hundred.ics")); },
       {},
       QStringLiteral("and 99 other event(s)"),
       true,
       1},
      {"rules that pick days while ticking every second or minute",
       [] { return calendarFixture(QStringLiteral("day-picking-rules.ics")); },
       {QStringLiteral("Planning")},
       QStringLiteral("\u201CLeap\u201D")},
      {"zones whose offset flips every hour and every minute",
       [] { return calendarFixture(QStringLiteral("flickering-zones.ics")); },
       {QStringLiteral("Lunch in Berlin"), QStringLiteral("Call from nowhere")},
       QStringLiteral("Europe/Berlin, Nowhere/Flicker")},
      {"a line of a megabyte",
       [] {
         return calendar(kPlanning + vevent("Huge", "DTSTART:20260311T120000Z\r\nDESCRIPTION:" +
                                                        QByteArray(1024 * 1024, 'x') + "\r\n"));
       },
       {},
       QStringLiteral("is longer than 256 KiB")},
      {"a file over the size limit",
       [] { return calendar(kPlanning + QByteArray(ICalendarFileEventStore::maxFileSize, '\n')); },
       {},
       QStringLiteral("is larger than 8 MiB")},
      {"lines ended by a bare CR",
       [] { return calendar(kPlanning).replace("\r\n", "\r"); },
       {QStringLiteral("Planning")},
       QString()},
  };
  for (const Hostile& hostile : cases) {
    SCOPED_TRACE(hostile.name);
    DiagnosticLogger::shared().clear();
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("data/Pelmora/calendars"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(folder + QStringLiteral("/hostile.ics"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(hostile.content());
    file.close();
    ICalendarFileEventStore store(root.filePath(QStringLiteral("data")),
                                  root.filePath(QStringLiteral("config")), kBerlin);

    const QDateTime from = utc(2026, 3, 10);
    const QDateTime to = from.addDays(hostile.days);
    for (int read = 0; read < 2; ++read) {
      const auto events = store.events(from, to, std::nullopt);
      EXPECT_LE(events.size(), ICalendarFile::Budget::defaultOccurrences);
      QSet<QString> titles;
      for (const EventStoreEvent& event : events) {
        EXPECT_TRUE(event.startDate < to && event.endDate >= from);
        titles.insert(event.title);
      }
      for (const QString& title : hostile.mustContain) {
        EXPECT_TRUE(titles.contains(title)) << qPrintable(title);
      }
      if (hostile.allTitlesAppear) {
        EXPECT_EQ(titles.size(), 100);
      }
    }
    if (!hostile.warning.isEmpty()) {
      EXPECT_EQ(warnings(hostile.warning), 1);
      EXPECT_EQ(warnings(QStringLiteral("hostile.ics")), 1);
    } else {
      EXPECT_EQ(warnings(QString()), 0);
    }
  }
}

TEST(HostileCalendars, ZoneDefinitionsThatChangeTooOftenAreReplaced) {
  DiagnosticLogger::shared().clear();
  const auto file = ICalendarFile::parse(calendarFixture(QStringLiteral("flickering-zones.ics")));
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->refusedZones(),
            (QStringList{QStringLiteral("Europe/Berlin"), QStringLiteral("Nowhere/Flicker")}));
  const auto events = file->events(utc(2026, 3, 10), utc(2026, 3, 17), kBerlin, {});
  ASSERT_EQ(events.size(), 2);
  // Berlin's own rules (winter time, UTC+1); a zone the system does not know is read as UTC.
  EXPECT_EQ(events[0].startDate, utc(2026, 3, 11, 11));
  EXPECT_EQ(events[1].startDate, utc(2026, 3, 12, 15));

  // A real zone's yearly rules stay.
  const auto real = ICalendarFile::parse(calendarFixture(QStringLiteral("zones.ics")));
  ASSERT_TRUE(real.has_value());
  EXPECT_TRUE(real->refusedZones().isEmpty());
}

// Rules started long before the window: the occurrences in it come out exactly, and the
// years before cost next to nothing.
TEST(HostileCalendars, RulesSkipTheYearsBeforeTheWindow) {
  struct Rule {
    const char* rule;
    qint64 period;  // seconds between occurrences
    qint64 count;   // 0: no COUNT
  };
  const QDateTime start = utc(1999, 1, 31, 9, 30);
  const QDateTime from = utc(2024, 3, 1);
  const QDateTime to = utc(2024, 3, 1, 2);
  const qint64 minutesToWindow = start.secsTo(from) / 60;
  const Rule rules[] = {
      {"FREQ=SECONDLY;INTERVAL=37", 37, 0},
      {"FREQ=MINUTELY;INTERVAL=13", 13 * 60, 0},
      {"FREQ=HOURLY;INTERVAL=7", 7 * 3600, 0},
      {"FREQ=MINUTELY", 60, minutesToWindow + 30},  // its last occurrence is inside the window
      {"FREQ=DAILY;INTERVAL=3", 3 * 86400, 0},
      {"FREQ=SECONDLY", 1, 10},  // ends decades before the window
  };
  for (const Rule& rule : rules) {
    SCOPED_TRACE(rule.rule);
    QByteArray text = rule.rule;
    if (rule.count > 0) {
      text += ";COUNT=" + QByteArray::number(rule.count);
    }
    const auto file = ICalendarFile::parse(
        calendar(vevent("Tick", "DTSTART:19990131T093000Z\r\nRRULE:" + text + "\r\n")));
    ASSERT_TRUE(file.has_value());

    QList<QDateTime> expected;
    const qint64 first = (start.secsTo(from) + rule.period - 1) / rule.period;
    for (qint64 k = first; start.addSecs(k * rule.period) < to; ++k) {
      if (rule.count == 0 || k < rule.count) {
        expected.append(start.addSecs(k * rule.period));
      }
    }
    ICalendarFile::Budget budget;
    QList<QDateTime> starts;
    for (const EventStoreEvent& event : file->events(from, to, kBerlin, {}, budget)) {
      starts.append(event.startDate);
    }
    EXPECT_EQ(starts, expected);
    EXPECT_TRUE(budget.cutShort.isEmpty());
    EXPECT_LT(ICalendarFile::Budget::defaultSteps - budget.steps, expected.size() + 10);
  }
}

// libical counts leap days by the Julian rule before 1753, so its iterators hand back 29
// February of years such as 100 that the proleptic Gregorian calendar has not: no occurrence,
// in an event's rule or in a zone's.
TEST(HostileCalendars, DaysTheCalendarDoesNotHaveAreSkipped) {
  const QByteArray zone =
      "BEGIN:VTIMEZONE\r\nTZID:Old/Monthly\r\nBEGIN:STANDARD\r\nDTSTART:01000101T000000\r\n"
      "RRULE:FREQ=MONTHLY;BYMONTHDAY=-1\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\n"
      "END:STANDARD\r\nEND:VTIMEZONE\r\n";
  const struct {
    const char* name;
    QByteArray body;
    QList<QDateTime> starts;
  } cases[] = {
      {"a monthly rule on the last day from the year 26",
       vevent("Month end",
              "DTSTART:00260131T090000Z\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=-1;COUNT=30000\r\n"),
       {utc(2026, 3, 31, 9)}},
      {"a zone whose offset is set again at each month's end from the year 100",
       zone + vevent("Zoned", "DTSTART;TZID=Old/Monthly:20260311T100000\r\n"),
       {utc(2026, 3, 11, 9)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = ICalendarFile::parse(calendar(c.body));
    ASSERT_TRUE(file.has_value());
    QList<QDateTime> starts;
    for (const EventStoreEvent& event : file->events(utc(2026, 3, 10), utc(2026, 4, 10), kBerlin, {})) {
      starts.append(event.startDate);
    }
    EXPECT_EQ(starts, c.starts);
  }
}

}  // namespace
