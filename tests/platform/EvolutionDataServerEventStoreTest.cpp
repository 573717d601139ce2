#include "core/platform/EvolutionDataServerEventStore.h"

#include "core/platform/ICalendarFile.h"

#include "PlatformSupport.h"
#include "common/TestSupport.h"
#include "testing/EvolutionCalendars.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using testsupport::utc;

namespace {

const QTimeZone kBerlin("Europe/Berlin");

// The week of the change to summer time in Berlin (29 March 2026).
const QDateTime kWeekStart = QDateTime(QDate(2026, 3, 23), QTime(0, 0), kBerlin);
const QDateTime kWeekEnd = QDateTime(QDate(2026, 3, 30), QTime(0, 0), kBerlin);

// The components of a calendar file under tests/data/calendars, each as text.
QList<QByteArray> components(const QString& fixture) {
  const QByteArray text = calendarFixture(fixture);
  QList<QByteArray> result;
  for (qsizetype at = text.indexOf("\nBEGIN:V"); at >= 0; at = text.indexOf("\nBEGIN:V", at)) {
    const QByteArray kind = text.mid(at + 7, text.indexOf('\n', at + 1) - at - 7);
    const qsizetype end = text.indexOf("\nEND:" + kind, at) + 5 + kind.size();
    result.append(text.mid(at + 1, end - at));
    at = end;
  }
  return result;
}

// The week's calendar: daily at 09:00 Berlin time with one day left out and one moved, an
// all-day event on the day of the change, a meeting in New York time, one in a zone only the
// calendar defines, and one after the week.
QList<QByteArray> weekCalendar() { return components(QStringLiteral("evolution-week.ics")); }

QByteArray weekEvent(const QByteArray& uid) {
  for (const QByteArray& component : weekCalendar()) {
    if (component.contains("UID:" + uid + "\n")) {
      return component;
    }
  }
  return {};
}

class EvolutionStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!inPrivateTestSession()) {
      GTEST_SKIP() << "runs only inside scripts/test-session.sh: it writes calendars";
    }
    calendars_ = std::make_unique<EvolutionCalendars>();
    ASSERT_TRUE(calendars_->isReady()) << calendars_->error().toStdString();
  }

  void seedWork() {
    work_ =
        calendars_->createCalendar(QStringLiteral("Pelmora Test Work"), QStringLiteral("#1a2b3c"));
    ASSERT_FALSE(work_.isEmpty()) << calendars_->error().toStdString();
    for (const QByteArray& component : weekCalendar()) {
      const bool added =
          component.startsWith("BEGIN:VTIMEZONE") ? calendars_->addZone(work_, component)
          : component.contains("RECURRENCE-ID")   ? calendars_->modifyEvent(work_, component, true)
                                                  : calendars_->addEvent(work_, component);
      ASSERT_TRUE(added) << calendars_->error().toStdString();
    }
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

  std::optional<EventStoreCalendar> listed(const QString& identifier) const {
    for (const EventStoreCalendar& calendar : store_->calendars()) {
      if (calendar.identifier == identifier) {
        return calendar;
      }
    }
    return std::nullopt;
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

TEST_F(EvolutionStoreTest, ReadsAWeekAcrossSummerTimeAndFollowsEditsOfOtherApplications) {
  seedWork();
  store_ = openStore();
  ASSERT_TRUE(store_->isReadable());
  EXPECT_EQ(listed(work_),
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

  // Edits made elsewhere arrive; the signal follows the data by a turn of the event loop.
  QSignalSpy changed(store_.get(), &EventStore::changed);
  const QByteArray moved = weekEvent("pelmora-test-newyork")
                               .replace("SUMMARY:New York sync", "SUMMARY:New York sync (moved)")
                               .replace("20260325T100000", "20260326T090000")
                               .replace("20260325T110000", "20260326T093000");
  ASSERT_TRUE(calendars_->modifyEvent(work_, moved, false)) << calendars_->error().toStdString();
  const Seen movedSeen{QStringLiteral("New York sync (moved)"), utc(2026, 3, 26, 13),
                       utc(2026, 3, 26, 13, 30)};
  ASSERT_TRUE(eventually([&] { return week().contains(movedSeen) && !changed.isEmpty(); }))
      << ::testing::PrintToString(week()) << changed.count();
  QList<Seen> expected = kExpectedWeek;
  expected[4] = movedSeen;
  EXPECT_EQ(week(), expected);

  changed.clear();
  ASSERT_TRUE(calendars_->removeEvent(work_, QStringLiteral("pelmora-test-holiday")));
  expected.removeAll(kExpectedWeek[7]);
  ASSERT_TRUE(eventually([&] { return week() == expected && !changed.isEmpty(); }))
      << ::testing::PrintToString(week());

  // One occurrence deleted: the one that had been moved, and a plain one.
  for (const char* occurrence : {"20260327T090000", "20260324T090000"}) {
    ASSERT_TRUE(calendars_->removeEvent(work_, QStringLiteral("pelmora-test-standup"),
                                        QString::fromLatin1(occurrence)))
        << calendars_->error().toStdString();
  }
  expected.removeAll(kExpectedWeek[5]);
  expected.removeAll(kExpectedWeek[2]);
  EXPECT_TRUE(eventually([&] { return week() == expected; })) << ::testing::PrintToString(week());

  // In the desktop's settings: a calendar recoloured; others added in a burst, the way an
  // online account brings its calendars, read before any other application opened them;
  // one of them switched off.
  changed.clear();
  ASSERT_TRUE(calendars_->setSource(work_, QStringLiteral("#AbCdEf80"), true))
      << calendars_->error().toStdString();
  EXPECT_TRUE(eventually(
      [&] { return listed(work_)->colorHex == QLatin1String("#ABCDEF") && !changed.isEmpty(); }));

  QStringList added;
  for (int i = 0; i < 3; ++i) {
    added.append(calendars_->createSource(QStringLiteral("Pelmora Test Added %1").arg(i),
                                          QStringLiteral("#336699")));
    ASSERT_FALSE(added.last().isEmpty()) << calendars_->error().toStdString();
  }
  ASSERT_TRUE(eventually([&] {
    return std::all_of(added.begin(), added.end(), [&](const QString& c) { return listed(c); });
  }));
  QList<Seen> addedEvents;
  for (int i = 0; i < added.size(); ++i) {
    ASSERT_TRUE(calendars_->open(added[i])) << calendars_->error().toStdString();
    const QByteArray n = QByteArray::number(i);
    ASSERT_TRUE(calendars_->addEvent(
        added[i], "BEGIN:VEVENT\r\nUID:pelmora-test-added-" + n + "\r\nSUMMARY:Added " + n +
                      "\r\nDTSTART:20260325T1" + n + "0000Z\r\nDTEND:20260325T1" + n +
                      "3000Z\r\nEND:VEVENT\r\n"))
        << calendars_->error().toStdString();
    addedEvents.append({QStringLiteral("Added %1").arg(i), utc(2026, 3, 25, 10 + i),
                        utc(2026, 3, 25, 10 + i, 30)});
  }
  const QSet<QString> onlyAdded(added.begin(), added.end());
  EXPECT_TRUE(eventually([&] {
    return seen(store_->events(kWeekStart, kWeekEnd, onlyAdded)) == addedEvents;
  })) << ::testing::PrintToString(seen(store_->events(kWeekStart, kWeekEnd, onlyAdded)));

  ASSERT_TRUE(calendars_->setSource(added[0], QStringLiteral("#336699"), false))
      << calendars_->error().toStdString();
  EXPECT_TRUE(eventually([&] { return !listed(added[0]); }));
  EXPECT_TRUE(listed(work_));
}

TEST_F(EvolutionStoreTest, SurvivesClosingMidCallAndTheCalendarServerCrashing) {
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
  ASSERT_EQ(week(), kExpectedWeek);

  // The calendar server is killed, and the store opens the calendars again. Its factory was
  // started by this test session's bus, which knows its process.
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
      weekEvent("pelmora-test-holiday")
          .replace("SUMMARY:Spring holiday", "SUMMARY:Spring holiday (renamed)");
  ASSERT_TRUE(calendars_->modifyEvent(work_, renamed, false)) << calendars_->error().toStdString();
  QList<Seen> expected = kExpectedWeek;
  expected[7].title = QStringLiteral("Spring holiday (renamed)");
  EXPECT_TRUE(eventually([&] { return week() == expected; })) << ::testing::PrintToString(week());
}

TEST_F(EvolutionStoreTest, ExpandsOffTheMainThreadWithinOneBudgetAndWarnsOnce) {
  const QString calendar =
      calendars_->createCalendar(QStringLiteral("Pelmora Test Ages"), QStringLiteral("#123456"));
  ASSERT_FALSE(calendar.isEmpty()) << calendars_->error().toStdString();
  ASSERT_TRUE(
      calendars_->addEvent(calendar, components(QStringLiteral("everlasting-daily.ics"))[0]))
      << calendars_->error().toStdString();
  store_ = openStore();
  ASSERT_TRUE(eventually(
      [&] { return !store_->events(kWeekStart, kWeekEnd, QSet<QString>{calendar}).isEmpty(); }));
  const auto cutWarnings = [] {
    return logged(QStringLiteral("WARN"),
                  QStringLiteral("\u201CPelmora Test Ages\u201D: left out "
                                 "the later occurrences of \u201CAges\u201D"))
        .size();
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

// A calendar listed before the calendar server can open it, as when the server's copy of the
// registry lags behind a burst of new calendars: once the server can, its events are read.
TEST_F(EvolutionStoreTest, ReadsACalendarTheServerCouldNotOpenAtFirst) {
  store_ = openStore();
  const QString late = calendars_->createUnreadableSource(QStringLiteral("Pelmora Test Late"),
                                                          QStringLiteral("#336699"));
  ASSERT_FALSE(late.isEmpty()) << calendars_->error().toStdString();
  ASSERT_TRUE(eventually([&] {
    return !logged(QString(), QStringLiteral("\u201CPelmora Test Late\u201D")).isEmpty();
  })) << "the store never tried the calendar";
  ASSERT_TRUE(calendars_->mend(late)) << calendars_->error().toStdString();
  ASSERT_TRUE(calendars_->open(late)) << calendars_->error().toStdString();
  ASSERT_TRUE(calendars_->addEvent(late,
                                   "BEGIN:VEVENT\r\nUID:pelmora-test-late\r\nSUMMARY:Late\r\n"
                                   "DTSTART:20260325T100000Z\r\nDTEND:20260325T103000Z\r\n"
                                   "END:VEVENT\r\n"))
      << calendars_->error().toStdString();
  const QList<Seen> expected{
      {QStringLiteral("Late"), utc(2026, 3, 25, 10), utc(2026, 3, 25, 10, 30)}};
  EXPECT_TRUE(eventually([&] {
    return seen(store_->events(kWeekStart, kWeekEnd, QSet<QString>{late})) == expected;
  })) << DiagnosticLogger::shared().exportText().toStdString();
}

}  // namespace
