#include "core/platform/EvolutionDataServerEventStore.h"

#include "core/model/DiagnosticLogger.h"
#include "core/platform/ICalendarFile.h"

#include "EvolutionCalendars.h"
#include "common/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>

using testsupport::utc;

namespace {

const QTimeZone kBerlin("Europe/Berlin");

struct Seen {
  QString title;
  QDateTime start;
  QDateTime end;
  bool isAllDay = false;
  bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* os) {
  *os << seen.title.toStdString() << " " << seen.start.toString(Qt::ISODate).toStdString() << " - "
      << seen.end.toString(Qt::ISODate).toStdString() << (seen.isAllDay ? " all-day" : "");
}

QList<Seen> seen(const QList<EventStoreEvent>& events) {
  QList<Seen> result;
  for (const EventStoreEvent& event : events) {
    result.append({event.title, event.startDate, event.endDate, event.isAllDay});
  }
  return result;
}

// The week of the change to summer time in Berlin (29 March 2026).
const QDateTime kWeekStart = QDateTime(QDate(2026, 3, 23), QTime(0, 0), kBerlin);
const QDateTime kWeekEnd = QDateTime(QDate(2026, 3, 30), QTime(0, 0), kBerlin);

const QByteArray kCustomZone =
    "BEGIN:VTIMEZONE\r\n"
    "TZID:Pelmora Test Standard Time\r\n"
    "BEGIN:STANDARD\r\n"
    "DTSTART:19700101T000000\r\n"
    "TZOFFSETFROM:+0530\r\n"
    "TZOFFSETTO:+0530\r\n"
    "TZNAME:PTST\r\n"
    "END:STANDARD\r\n"
    "END:VTIMEZONE\r\n";

const QByteArray kStandup =
    "BEGIN:VEVENT\r\n"
    "UID:pelmora-test-standup\r\n"
    "SUMMARY:Standup\r\n"
    "DTSTART;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20260323T090000\r\n"
    "DTEND;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20260323T093000\r\n"
    "RRULE:FREQ=DAILY;COUNT=10\r\n"
    "EXDATE;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20260326T090000\r\n"
    "END:VEVENT\r\n";

const QByteArray kStandupMoved =
    "BEGIN:VEVENT\r\n"
    "UID:pelmora-test-standup\r\n"
    "RECURRENCE-ID;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20260327T090000\r\n"
    "SUMMARY:Standup (moved)\r\n"
    "DTSTART;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20260327T110000\r\n"
    "DTEND;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20260327T113000\r\n"
    "END:VEVENT\r\n";

const QByteArray kHoliday =
    "BEGIN:VEVENT\r\n"
    "UID:pelmora-test-holiday\r\n"
    "SUMMARY:Spring holiday\r\n"
    "DTSTART;VALUE=DATE:20260329\r\n"
    "DTEND;VALUE=DATE:20260330\r\n"
    "END:VEVENT\r\n";

const QByteArray kNewYork =
    "BEGIN:VEVENT\r\n"
    "UID:pelmora-test-newyork\r\n"
    "SUMMARY:New York sync\r\n"
    "LOCATION:Room 4\r\n"
    "DTSTART;TZID=America/New_York:20260325T100000\r\n"
    "DTEND;TZID=America/New_York:20260325T110000\r\n"
    "END:VEVENT\r\n";

const QByteArray kCustomZoneEvent =
    "BEGIN:VEVENT\r\n"
    "UID:pelmora-test-custom-zone\r\n"
    "SUMMARY:Review in its own zone\r\n"
    "DTSTART;TZID=Pelmora Test Standard Time:20260324T120000\r\n"
    "DTEND;TZID=Pelmora Test Standard Time:20260324T130000\r\n"
    "END:VEVENT\r\n";

const QByteArray kLater =
    "BEGIN:VEVENT\r\n"
    "UID:pelmora-test-later\r\n"
    "SUMMARY:After the week\r\n"
    "DTSTART;TZID=Europe/Berlin:20260410T090000\r\n"
    "DTEND;TZID=Europe/Berlin:20260410T100000\r\n"
    "END:VEVENT\r\n";

class EvolutionStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!inPrivateTestSession()) {
      GTEST_SKIP() << "runs only inside scripts/test-session.sh: it writes calendars";
    }
    calendars_ = std::make_unique<EvolutionCalendars>();
    ASSERT_TRUE(calendars_->isReady()) << calendars_->error().toStdString();
  }

  // A calendar holding the week's events: daily at 09:00 Berlin time with one day left out
  // and one moved, an all-day event on the day of the change, a meeting in New York time,
  // one in a zone only the calendar defines, and one after the week.
  void seedWork() {
    work_ =
        calendars_->createCalendar(QStringLiteral("Pelmora Test Work"), QStringLiteral("#1a2b3c"));
    ASSERT_FALSE(work_.isEmpty()) << calendars_->error().toStdString();
    ASSERT_TRUE(calendars_->addZone(work_, kCustomZone)) << calendars_->error().toStdString();
    for (const QByteArray& event : {kStandup, kHoliday, kNewYork, kCustomZoneEvent, kLater}) {
      ASSERT_TRUE(calendars_->addEvent(work_, event)) << calendars_->error().toStdString();
    }
    ASSERT_TRUE(calendars_->modifyEvent(work_, kStandupMoved, true))
        << calendars_->error().toStdString();
  }

  std::unique_ptr<EvolutionDataServerEventStore> openStore() {
    auto store = std::make_unique<EvolutionDataServerEventStore>(kBerlin);
    store->open(std::chrono::seconds(20));
    EXPECT_TRUE(eventually([&] { return store->isLoaded(); }));
    EXPECT_EQ(store->state(), EvolutionDataServerEventStore::State::open);
    return store;
  }

  QList<Seen> week() const {
    return seen(store_->events(kWeekStart, kWeekEnd, QSet<QString>{work_}));
  }

  std::unique_ptr<EvolutionCalendars> calendars_;
  std::unique_ptr<EvolutionDataServerEventStore> store_;
  QString work_;
};

const QList<Seen> kExpectedWeek{
    {QStringLiteral("Standup"), utc(2026, 3, 23, 8), utc(2026, 3, 23, 8, 30)},
    {QStringLiteral("Review in its own zone"), utc(2026, 3, 24, 6, 30), utc(2026, 3, 24, 7, 30)},
    {QStringLiteral("Standup"), utc(2026, 3, 24, 8), utc(2026, 3, 24, 8, 30)},
    {QStringLiteral("Standup"), utc(2026, 3, 25, 8), utc(2026, 3, 25, 8, 30)},
    {QStringLiteral("New York sync"), utc(2026, 3, 25, 14), utc(2026, 3, 25, 15)},
    {QStringLiteral("Standup (moved)"), utc(2026, 3, 27, 10), utc(2026, 3, 27, 10, 30)},
    {QStringLiteral("Standup"), utc(2026, 3, 28, 8), utc(2026, 3, 28, 8, 30)},
    // Berlin midnight to midnight on the day that has only 23 hours.
    {QStringLiteral("Spring holiday"), utc(2026, 3, 28, 23), utc(2026, 3, 29, 22), true},
    // Still 09:00 in Berlin, now in summer time.
    {QStringLiteral("Standup"), utc(2026, 3, 29, 7), utc(2026, 3, 29, 7, 30)},
};

TEST_F(EvolutionStoreTest, ReadsAWeekAcrossTheChangeToSummerTimeWithEachEventsOwnZone) {
  seedWork();
  store_ = openStore();
  ASSERT_TRUE(store_->isReadable());

  const QList<EventStoreCalendar> all = store_->calendars();
  const auto found = std::find_if(
      all.begin(), all.end(), [&](const EventStoreCalendar& c) { return c.identifier == work_; });
  ASSERT_NE(found, all.end());
  EXPECT_EQ(*found,
            (EventStoreCalendar{work_, QStringLiteral("Pelmora Test Work"),
                                QStringLiteral("#1A2B3C"), QStringLiteral("On This Computer")}));

  EXPECT_EQ(week(), kExpectedWeek);

  const QList<EventStoreEvent> events = store_->events(kWeekStart, kWeekEnd, std::nullopt);
  const auto newYork = std::find_if(events.begin(), events.end(), [](const EventStoreEvent& e) {
    return e.title == QLatin1String("New York sync");
  });
  ASSERT_NE(newYork, events.end());
  EXPECT_EQ(newYork->location, QStringLiteral("Room 4"));
  EXPECT_EQ(newYork->calendarIdentifier, work_);
  QSet<QString> identifiers;
  for (const EventStoreEvent& event : events) {
    identifiers.insert(event.identifier);
  }
  EXPECT_EQ(identifiers.size(), events.size()) << "every occurrence has its own identifier";

  EXPECT_TRUE(store_->events(kWeekStart, kWeekEnd, QSet<QString>{}).isEmpty());
}

TEST_F(EvolutionStoreTest, FollowsEditsMadeByOtherApplications) {
  seedWork();
  store_ = openStore();
  ASSERT_EQ(week(), kExpectedWeek);
  QSignalSpy changed(store_.get(), &EventStore::changed);

  const QByteArray moved = QByteArray(kNewYork)
                               .replace("SUMMARY:New York sync", "SUMMARY:New York sync (moved)")
                               .replace("20260325T100000", "20260326T090000")
                               .replace("20260325T110000", "20260326T093000");
  ASSERT_TRUE(calendars_->modifyEvent(work_, moved, false)) << calendars_->error().toStdString();
  const Seen movedSeen{QStringLiteral("New York sync (moved)"), utc(2026, 3, 26, 13),
                       utc(2026, 3, 26, 13, 30)};
  // The signal follows the data by a turn of the event loop.
  ASSERT_TRUE(eventually([&] { return week().contains(movedSeen) && !changed.isEmpty(); }))
      << ::testing::PrintToString(week()) << changed.count();
  QList<Seen> expected = kExpectedWeek;
  expected.removeAt(4);
  expected.insert(4, movedSeen);
  EXPECT_EQ(week(), expected);

  changed.clear();
  ASSERT_TRUE(calendars_->removeEvent(work_, QStringLiteral("pelmora-test-holiday")));
  ASSERT_TRUE(
      eventually([&] { return week().size() == expected.size() - 1 && !changed.isEmpty(); }));
  for (const Seen& event : week()) {
    EXPECT_FALSE(event.isAllDay) << "the removed holiday is gone";
  }

  // One occurrence deleted: the one that had been moved, and a plain one.
  changed.clear();
  ASSERT_TRUE(calendars_->removeEvent(work_, QStringLiteral("pelmora-test-standup"),
                                      QStringLiteral("20260327T090000")))
      << calendars_->error().toStdString();
  ASSERT_TRUE(calendars_->removeEvent(work_, QStringLiteral("pelmora-test-standup"),
                                      QStringLiteral("20260324T090000")))
      << calendars_->error().toStdString();
  expected.removeAll(kExpectedWeek[5]);
  expected.removeAll(kExpectedWeek[2]);
  expected.removeAll(kExpectedWeek[7]);
  EXPECT_TRUE(eventually([&] { return week() == expected; })) << ::testing::PrintToString(week());

  // A calendar recoloured, another added and then switched off, in the desktop's settings.
  const auto listed = [&](const QString& identifier) {
    const QList<EventStoreCalendar> all = store_->calendars();
    const auto found = std::find_if(all.begin(), all.end(), [&](const EventStoreCalendar& c) {
      return c.identifier == identifier;
    });
    return found == all.end() ? std::optional<EventStoreCalendar>() : *found;
  };
  changed.clear();
  ASSERT_TRUE(calendars_->setColor(work_, QStringLiteral("#AbCdEf80")))
      << calendars_->error().toStdString();
  EXPECT_TRUE(eventually(
      [&] { return listed(work_)->colorHex == QLatin1String("#ABCDEF") && !changed.isEmpty(); }));

  changed.clear();
  const QString extra =
      calendars_->createCalendar(QStringLiteral("Pelmora Test Extra"), QStringLiteral("#00ff00"));
  ASSERT_FALSE(extra.isEmpty()) << calendars_->error().toStdString();
  ASSERT_TRUE(eventually([&] { return listed(extra).has_value() && !changed.isEmpty(); }));
  ASSERT_TRUE(calendars_->setEnabled(extra, false)) << calendars_->error().toStdString();
  EXPECT_TRUE(eventually([&] { return !listed(extra); }));
  EXPECT_TRUE(listed(work_));
}

TEST_F(EvolutionStoreTest, ReadsCalendarsAddedWhileItRuns) {
  seedWork();
  store_ = openStore();
  // Added in a burst, the way an online account brings its calendars, and read by the store
  // before any other application opened them.
  QStringList added;
  for (int i = 0; i < 5; ++i) {
    const QString uid = calendars_->createSource(QStringLiteral("Pelmora Test Added %1").arg(i),
                                                 QStringLiteral("#336699"));
    ASSERT_FALSE(uid.isEmpty()) << calendars_->error().toStdString();
    added.append(uid);
  }
  ASSERT_TRUE(eventually([&] {
    QSet<QString> listed;
    for (const EventStoreCalendar& calendar : store_->calendars()) {
      listed.insert(calendar.identifier);
    }
    return listed.contains(QSet<QString>(added.begin(), added.end()));
  }));
  QList<Seen> expected;
  for (int i = 0; i < added.size(); ++i) {
    ASSERT_TRUE(calendars_->open(added[i])) << calendars_->error().toStdString();
    const QByteArray title = "Added " + QByteArray::number(i);
    ASSERT_TRUE(calendars_->addEvent(
        added[i], "BEGIN:VEVENT\r\nUID:pelmora-test-added-" + QByteArray::number(i) +
                      "\r\nSUMMARY:" + title + "\r\nDTSTART:20260325T1" + QByteArray::number(i) +
                      "0000Z\r\nDTEND:20260325T1" + QByteArray::number(i) +
                      "3000Z\r\nEND:VEVENT\r\n"))
        << calendars_->error().toStdString();
    expected.append(
        {QString::fromUtf8(title), utc(2026, 3, 25, 10 + i), utc(2026, 3, 25, 10 + i, 30)});
  }
  const QSet<QString> onlyAdded(added.begin(), added.end());
  EXPECT_TRUE(eventually([&] {
    return seen(store_->events(kWeekStart, kWeekEnd, onlyAdded)) == expected;
  })) << ::testing::PrintToString(seen(store_->events(kWeekStart, kWeekEnd, onlyAdded)));
}

TEST_F(EvolutionStoreTest, OpensTheCalendarsAgainAfterTheCalendarServerCrashed) {
  seedWork();
  store_ = openStore();
  ASSERT_EQ(week(), kExpectedWeek);

  // The factory was started by this test session's bus, which knows its process.
  const QDBusReply<uint> factory = QDBusConnection::sessionBus().interface()->servicePid(
      QStringLiteral("org.gnome.evolution.dataserver.Calendar8"));
  ASSERT_TRUE(factory.isValid()) << factory.error().message().toStdString();
  ASSERT_EQ(::kill(static_cast<pid_t>(factory.value()), SIGKILL), 0);
  ASSERT_TRUE(eventually([] {
    return !QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.gnome.evolution.dataserver.Calendar8"));
  }));

  ASSERT_TRUE(calendars_->reconnect()) << calendars_->error().toStdString();
  const QByteArray renamed =
      QByteArray(kHoliday).replace("SUMMARY:Spring holiday", "SUMMARY:Spring holiday (renamed)");
  ASSERT_TRUE(calendars_->modifyEvent(work_, renamed, false)) << calendars_->error().toStdString();
  QList<Seen> expected = kExpectedWeek;
  expected[7].title = QStringLiteral("Spring holiday (renamed)");
  EXPECT_TRUE(eventually([&] { return week() == expected; })) << ::testing::PrintToString(week());
}

TEST_F(EvolutionStoreTest, ClosingTheStoreWhileCallsAreUnderwayIsSafe) {
  seedWork();
  // Destroyed at every stage of opening: callbacks that arrive later must find nothing.
  for (int turns : {0, 1, 3, 10, 30}) {
    auto store = std::make_unique<EvolutionDataServerEventStore>(kBerlin);
    store->open(std::chrono::seconds(20));
    for (int i = 0; i < turns; ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    store.reset();
  }
  // And at the moments the work changes hands: when the registry answers (from within that
  // signal), while the calendars connect, and while the zones their first events need are
  // fetched.
  using Store = EvolutionDataServerEventStore;
  const auto closeAt = [](auto signal, bool fromWithin) {
    auto store = std::make_unique<Store>(kBerlin);
    bool closed = false;
    QObject::connect(store.get(), signal, store.get(), [&] {
      if (fromWithin) {
        store.reset();
      } else {
        QTimer::singleShot(0, store.get(), [&] { store.reset(); });
      }
      closed = true;
    });
    store->open(std::chrono::seconds(20));
    return eventually([&] { return closed && !store; });
  };
  EXPECT_TRUE(closeAt(&Store::opened, true));
  EXPECT_TRUE(closeAt(&Store::opened, false));
  EXPECT_TRUE(closeAt(&EventStore::changed, false));
  store_ = openStore();
  EXPECT_EQ(week(), kExpectedWeek);
}

TEST_F(EvolutionStoreTest, ExpandsOffTheMainThreadWithinOneBudgetAndWarnsOnce) {
  const QString calendar =
      calendars_->createCalendar(QStringLiteral("Pelmora Test Ages"), QStringLiteral("#123456"));
  ASSERT_FALSE(calendar.isEmpty()) << calendars_->error().toStdString();
  ASSERT_TRUE(calendars_->addEvent(calendar,
                                   "BEGIN:VEVENT\r\nUID:pelmora-test-ages\r\n"
                                   "SUMMARY:Ages\r\nDTSTART:02260101T090000Z\r\n"
                                   "DTEND:20260101T090000Z\r\nRRULE:FREQ=DAILY\r\n"
                                   "END:VEVENT\r\n"));
  store_ = openStore();
  ASSERT_TRUE(eventually(
      [&] { return !store_->events(kWeekStart, kWeekEnd, QSet<QString>{calendar}).isEmpty(); }));
  const auto cutWarnings = [] {
    int count = 0;
    for (const auto& entry : DiagnosticLogger::shared().entries()) {
      count += entry.level == QLatin1String("WARN") &&
               entry.message.contains(QStringLiteral("Pelmora Test Ages")) &&
               entry.message.contains(QStringLiteral("\u201CAges\u201D"));
    }
    return count;
  };
  // The reads that waited for the event have said it was cut short; reading on repeats nothing.
  const int warned = cutWarnings();
  EXPECT_GE(warned, 1);

  for (int read = 0; read < 2; ++read) {
    const EventStore::Read prepared =
        store_->prepareRead(kWeekStart, kWeekEnd, QSet<QString>{calendar});
    EventStoreContent content;
    std::unique_ptr<QThread> thread(QThread::create([&] { content = prepared(); }));
    thread->start();
    ASSERT_TRUE(thread->wait(20000));
    EXPECT_GT(content.events.size(), 0);
    EXPECT_LE(content.events.size(), ICalendarFile::Budget::defaultOccurrences);
    for (const EventStoreEvent& event : content.events) {
      EXPECT_EQ(event.title, QStringLiteral("Ages"));
    }
  }
  EXPECT_EQ(cutWarnings(), warned);
}

}  // namespace
