#include "core/platform/ICalendarFileEventStore.h"

#include "PlatformSupport.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

using testsupport::utc;

namespace {

const QTimeZone kLosAngeles("America/Los_Angeles");
const QSet<QString> kHolidays{QStringLiteral("pelmora-calendars/holidays.ics")};

class CalendarFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    DiagnosticLogger::shared().clear();
    install("zones.ics", "data/evolution/calendar/work-uid/calendar.ics");
    install("work.source", "config/evolution/sources/work-uid.source");
    install("team.ics", "data/Pelmora/calendars/team.ics");
    install("holidays.ics", "data/Pelmora/calendars/holidays.ics");
    install("truncated.ics", "data/Pelmora/calendars/broken.ics");
    store_ = makeStore();
  }

  void install(const QString& fixture, const QString& relative) {
    const QString target = root_.filePath(relative);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
    QFile::remove(target);
    ASSERT_TRUE(QFile::copy(testsupport::dataPath(QStringLiteral("calendars/") + fixture), target));
  }

  std::unique_ptr<ICalendarFileEventStore> makeStore(const QString& base = QString()) {
    return std::make_unique<ICalendarFileEventStore>(
        root_.filePath(base + QStringLiteral("data")),
        root_.filePath(base + QStringLiteral("config")), kLosAngeles);
  }

  QTemporaryDir root_;
  std::unique_ptr<ICalendarFileEventStore> store_;
};

TEST_F(CalendarFilesTest, ListsCalendarsOfBothFoldersAndSkipsAMalformedFile) {
  const QList<EventStoreCalendar> expected{
      {QStringLiteral("work-uid"), QStringLiteral("Work"), QStringLiteral("#62A0EA"),
       QStringLiteral("On This Computer")},
      // COLOR holds a CSS name, not a hexadecimal value: the default colour stands in.
      {QStringLiteral("pelmora-calendars/holidays.ics"), QStringLiteral("holidays"),
       QStringLiteral("#3B82F6"), QStringLiteral("Pelmora")},
      {QStringLiteral("pelmora-calendars/team.ics"), QStringLiteral("Team, Berlin office"),
       QStringLiteral("#FF9500"), QStringLiteral("Pelmora")},
  };
  EXPECT_EQ(store_->calendars(), expected);
  EXPECT_EQ(logged(QStringLiteral("WARN"), QStringLiteral("1 unreadable event(s)")).size(), 1);

  // Logged once, not on every read.
  store_->events(utc(2024, 1, 1), utc(2025, 1, 1), std::nullopt);
  store_->calendars();
  EXPECT_EQ(logged(QStringLiteral("WARN"), QStringLiteral("broken.ics")).size(), 1);
}

TEST_F(CalendarFilesTest, ExpandsRecurrencesWithExceptionsOverridesAndDaylightSaving) {
  const auto events = store_->events(utc(2024, 3, 1), utc(2024, 6, 1),
                                     QSet<QString>{QStringLiteral("pelmora-calendars/team.ics")});

  // 09:00 in Berlin is 08:00 UTC before the switch to summer time on 31 March and 07:00
  // after it. 1 April is excluded, 8 April moved to the 9th, the rule ends after six
  // Mondays; the retro's 3 April occurrence is cancelled and the rule ends on 30 April.
  const QList<Seen> expected{
      {QStringLiteral("Stand-up"), utc(2024, 3, 18, 8), utc(2024, 3, 18, 8, 30)},
      {QStringLiteral("Retro"), utc(2024, 3, 20, 15), utc(2024, 3, 20, 16)},
      {QStringLiteral("Stand-up"), utc(2024, 3, 25, 8), utc(2024, 3, 25, 8, 30)},
      {QStringLiteral("Stand-up (moved)"), utc(2024, 4, 9, 12), utc(2024, 4, 9, 12, 30)},
      {QStringLiteral("Stand-up"), utc(2024, 4, 15, 7), utc(2024, 4, 15, 7, 30)},
      {QStringLiteral("Retro"), utc(2024, 4, 17, 14), utc(2024, 4, 17, 15)},
      {QStringLiteral("Stand-up"), utc(2024, 4, 22, 7), utc(2024, 4, 22, 7, 30)},
  };
  ASSERT_EQ(seen(events), expected);

  QSet<QString> identifiers;
  for (const EventStoreEvent& event : events) {
    identifiers.insert(event.identifier);
    EXPECT_EQ(event.calendarIdentifier, QStringLiteral("pelmora-calendars/team.ics"));
  }
  EXPECT_EQ(identifiers.size(), events.size());
  // The moved occurrence keeps the identifier of the slot it replaces.
  EXPECT_EQ(events[3].identifier, QStringLiteral("standup@pelmora.test/20240408T070000Z"));

  EXPECT_EQ(events[0].location, QStringLiteral("Room 4"));
  EXPECT_EQ(events[0].notes, QStringLiteral("Daily sync, short."));
  EXPECT_EQ(events[0].url, QStringLiteral("https://meet.example.com/standup"));
  EXPECT_FALSE(events[1].url.has_value());
}

TEST_F(CalendarFilesTest, AllDayEventsAreWholeLocalDays) {
  // Los Angeles is on summer time (UTC-7) from 10 March 2024.
  const QList<Seen> march{
      {QStringLiteral("Holiday"), utc(2024, 3, 15, 7), utc(2024, 3, 16, 7), true},
      {QStringLiteral("Trip"), utc(2024, 3, 20, 7), utc(2024, 3, 23, 7), true},
  };
  EXPECT_EQ(seen(store_->events(utc(2024, 3, 1), utc(2024, 4, 1), kHolidays)), march);

  // A window inside the trip's middle day still finds the trip.
  EXPECT_EQ(seen(store_->events(utc(2024, 3, 21, 12), utc(2024, 3, 21, 13), kHolidays)),
            QList<Seen>{march[1]});

  // A yearly all-day event without an end lasts one day, in its 35th year as in its first.
  const auto birthday = store_->events(utc(2024, 6, 1), utc(2024, 7, 1), kHolidays);
  ASSERT_EQ(birthday.size(), 1);
  EXPECT_EQ(seen(birthday).first(),
            (Seen{QStringLiteral("Birthday"), utc(2024, 6, 12, 7), utc(2024, 6, 13, 7), true}));
  EXPECT_EQ(birthday.first().identifier, QStringLiteral("birthday@pelmora.test/20240612"));
}

// Every way of naming a time zone, the window's edges and the choice of calendars.
TEST_F(CalendarFilesTest, HonoursEveryWayOfNamingATimeZoneAndTheWindow) {
  const QSet<QString> work{QStringLiteral("work-uid")};
  const QList<Seen> expected{
      {QStringLiteral("In UTC"), utc(2024, 7, 10, 6), utc(2024, 7, 10, 7)},
      // Vendor-prefixed IANA name, no VTIMEZONE in the file; DURATION instead of DTEND.
      {QStringLiteral("Tokyo call"), utc(2024, 7, 10, 9), utc(2024, 7, 10, 9, 45)},
      // Windows zone name.
      {QStringLiteral("Lunch in Berlin"), utc(2024, 7, 10, 10), utc(2024, 7, 10, 11)},
      // IANA name from the system's zone database.
      {QStringLiteral("New York call"), utc(2024, 7, 10, 13), utc(2024, 7, 10, 14)},
      // Floating time: read in the user's zone.
      {QStringLiteral("Wherever I am"), utc(2024, 7, 10, 15), utc(2024, 7, 10, 15, 30)},
      // A daily rule started nine years earlier yields just this day's occurrence.
      {QStringLiteral("Since 2015"), utc(2024, 7, 10, 22), utc(2024, 7, 10, 22, 15)},
  };
  EXPECT_EQ(seen(store_->events(utc(2024, 7, 10), utc(2024, 7, 11), work)), expected);

  // An event that ends where the window starts, or starts where it ends, is outside it.
  EXPECT_TRUE(store_->events(utc(2024, 7, 10, 7), utc(2024, 7, 10, 9), work).isEmpty());
  EXPECT_EQ(store_->events(utc(2024, 7, 10, 6, 59), utc(2024, 7, 10, 9, 1), work).size(), 2);
  // An empty or reversed window has nothing.
  EXPECT_TRUE(store_->events(utc(2024, 7, 11), utc(2024, 7, 10), work).isEmpty());

  EXPECT_TRUE(store_->events(utc(2024, 1, 1), utc(2025, 1, 1), QSet<QString>{}).isEmpty());
  EXPECT_EQ(store_->events(utc(2024, 7, 10), utc(2024, 7, 11), std::nullopt).size(), 6);
  const auto all = store_->events(utc(2024, 3, 1), utc(2024, 4, 1), std::nullopt);
  for (qsizetype i = 1; i < all.size(); ++i) {
    EXPECT_LE(all[i - 1].startDate, all[i].startDate);
  }
  // Three team events, the holiday, the trip, and the daily event on each day of March.
  EXPECT_EQ(all.size(), 3 + 2 + 31);
}

TEST_F(CalendarFilesTest, AReadPreparedHereRunsOnAnotherThreadAfterTheStoreIsGone) {
  const EventStore::Read read =
      store_->prepareRead(utc(2024, 3, 1), utc(2024, 4, 1),
                          QSet<QString>{QStringLiteral("pelmora-calendars/holidays.ics")});
  store_.reset();
  EventStoreContent content;
  std::unique_ptr<QThread> thread(QThread::create([&] { content = read(); }));
  thread->start();
  ASSERT_TRUE(thread->wait(10000));
  EXPECT_EQ(content.calendars.size(), 3);
  ASSERT_EQ(content.events.size(), 2);
  EXPECT_EQ(content.events[1].title, QStringLiteral("Trip"));
}

TEST_F(CalendarFilesTest, NoticesFoldersAndFilesCreatedOrChangedAfterStart) {
  // Nothing exists yet but the data folder itself.
  ASSERT_TRUE(QDir().mkpath(root_.filePath(QStringLiteral("later/data"))));
  const auto store = makeStore(QStringLiteral("later/"));
  EXPECT_TRUE(store->calendars().isEmpty());
  QSignalSpy changed(store.get(), &EventStore::changed);

  install("team.ics", "later/data/Pelmora/calendars/team.ics");
  ASSERT_TRUE(changed.wait(testsupport::kPatienceMs));
  ASSERT_EQ(store->calendars().size(), 1);

  // The new folder is watched too: a second file there is noticed as well.
  changed.clear();
  install("holidays.ics", "later/data/Pelmora/calendars/holidays.ics");
  ASSERT_TRUE(changed.wait(testsupport::kPatienceMs));
  EXPECT_EQ(store->calendars().size(), 2);
  ASSERT_EQ(store->events(utc(2024, 3, 1), utc(2024, 4, 1), kHolidays).size(), 2);

  changed.clear();
  install("days-off.ics", "later/data/Pelmora/calendars/holidays.ics");
  ASSERT_TRUE(changed.wait(testsupport::kPatienceMs));
  const auto events = store->events(utc(2024, 3, 1), utc(2024, 4, 1), kHolidays);
  ASSERT_EQ(events.size(), 1);
  EXPECT_EQ(events.first().title, QStringLiteral("Only day"));
  EXPECT_EQ(store->calendars()[0].title, QStringLiteral("Days off"));
}

TEST(ICalendarFileTest, RejectsTextThatIsNoCalendarAndAcceptsAnEmptyOne) {
  QString error;
  EXPECT_FALSE(ICalendarFile::parse("this is not a calendar", &error).has_value());
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(ICalendarFile::parse("BEGIN:VEVENT\nUID:a\nDTSTART:20240101T100000Z\nEND:VEVENT\n")
                   .has_value());

  const auto empty = ICalendarFile::parse("\n");
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->events(utc(2000, 1, 1), utc(2100, 1, 1), kLosAngeles, {}).isEmpty());

  // A byte-order mark and several calendars in one file are fine.
  const auto two = ICalendarFile::parse(
      "\xEF\xBB\xBF"
      "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:a\nDTSTART:20240101T100000Z\nEND:VEVENT\nEND:VCALENDAR\n"
      "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:b\nDTSTART:20240102T100000Z\nEND:VEVENT\nEND:"
      "VCALENDAR\n");
  ASSERT_TRUE(two.has_value());
  EXPECT_EQ(two->events(utc(2024, 1, 1), utc(2024, 1, 3), kLosAngeles, {}).size(), 2);
}

TEST(ICalendarFileTest, DaylightSavingGapsStillGiveRealInstants) {
  const auto file =
      ICalendarFile::parse(calendarFixture(QStringLiteral("daylight-saving-gaps.ics")));
  ASSERT_TRUE(file.has_value());
  // Chile skipped midnight on 11 September 2022: the day began at 01:00 (UTC-3).
  const QList<Seen> santiago{
      {QStringLiteral("Holiday"), utc(2022, 9, 11, 4), utc(2022, 9, 12, 3), true}};
  EXPECT_EQ(
      seen(file->events(utc(2022, 9, 10), utc(2022, 9, 13), QTimeZone("America/Santiago"), {})),
      santiago);

  // 02:30 does not exist in Berlin on 29 March 2026; both readings move to 03:30 summer time.
  const QList<Seen> berlin{
      {QStringLiteral("Floating"), utc(2026, 3, 29, 1, 30), utc(2026, 3, 29, 2)},
      {QStringLiteral("Zoned"), utc(2026, 3, 29, 1, 30), utc(2026, 3, 29, 2)}};
  EXPECT_EQ(seen(file->events(utc(2026, 3, 28), utc(2026, 3, 30), QTimeZone("Europe/Berlin"), {})),
            berlin);
}

TEST(ICalendarFileTest, NormalisesColours) {
  const std::pair<const char*, const char*> colours[] = {
      {"#ff9500ff", "#FF9500"}, {" 62a0ea ", "#62A0EA"}, {"turquoise", ""},
      {"#12345G", ""},          {"#1234", ""},           {"#12345\xc3\xa9", ""},
  };
  for (const auto& [given, expected] : colours) {
    EXPECT_EQ(ICalendarFile::normalisedColor(QString::fromUtf8(given)), QString::fromUtf8(expected))
        << given;
  }
}

}  // namespace
