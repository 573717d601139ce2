#include "core/services/CalendarService.h"

#include "common/TestSupport.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

using testsupport::utc;

namespace {

// An event store answering from lists, recording the calendars asked for.
class ListEventStore : public EventStore {
 public:
  bool isReadable() const override { return readable; }
  QList<EventStoreCalendar> calendars() const override { return calendarList; }
  QList<EventStoreEvent> events(const QDateTime&, const QDateTime&,
                                const std::optional<QSet<QString>>& ids) const override {
    askedFor = ids;
    return eventList;
  }
  void announceChange() { Q_EMIT changed(); }

  bool readable = true;
  QList<EventStoreCalendar> calendarList;
  QList<EventStoreEvent> eventList;
  mutable std::optional<QSet<QString>> askedFor;
};

EventStoreEvent event(const QString& id, const QString& title, const QString& calendar) {
  EventStoreEvent e;
  e.identifier = id;
  e.title = title;
  e.startDate = utc(2024, 5, 2, 9);
  e.endDate = utc(2024, 5, 2, 10);
  e.calendarIdentifier = calendar;
  return e;
}

// Answers once the read that `fetchEvents` starts has come back.
QList<CalendarEventItem> settledFetch(CalendarService& service, const QDateTime& from,
                                      const QDateTime& to,
                                      const std::optional<QSet<QString>>& ids) {
  QSignalSpy changed(&service, &CalendarServiceProtocol::calendarChanged);
  service.fetchEvents(from, to, ids);
  changed.wait(5000);
  return service.fetchEvents(from, to, ids);
}

class CalendarServiceTest : public ::testing::Test {
 protected:
  CalendarServiceTest() {
    auto owned = std::make_unique<ListEventStore>();
    store_ = owned.get();
    store_->calendarList = {{QStringLiteral("work"), QStringLiteral("Work"),
                             QStringLiteral("#62A0EA"), QStringLiteral("On This Computer")},
                            {QStringLiteral("home"), QStringLiteral("Home"),
                             QStringLiteral("#FF9500"), QStringLiteral("Pelmora")}};
    service_ = std::make_unique<CalendarService>(std::move(owned));
  }

  ListEventStore* store_;
  std::unique_ptr<CalendarService> service_;
};

TEST_F(CalendarServiceTest, MirroredEventsCarryTheirCalendarSourceAndMeetingLink) {
  EventStoreEvent allDay = event(QStringLiteral("a/20240502"), QString(), QStringLiteral("home"));
  allDay.isAllDay = true;
  allDay.location = QStringLiteral("Garden");
  allDay.notes = QStringLiteral("Bring cake");
  // The link comes from the URL, then the location, then the notes; only web links count.
  EventStoreEvent withUrl = event(QStringLiteral("w"), QStringLiteral("Review"), "work");
  withUrl.url = QStringLiteral("https://meet.example.com/abc");
  withUrl.location = QStringLiteral("https://elsewhere.example.com/x");
  EventStoreEvent inLocation = event(QStringLiteral("2"), QStringLiteral("B"), "work");
  inLocation.url = QStringLiteral("mailto:someone@example.com");
  inLocation.location = QStringLiteral("Call https://zoom.example.com/j/42 or Room 2");
  inLocation.notes = QStringLiteral("https://notes.example.com");
  EventStoreEvent inNotes = event(QStringLiteral("3"), QStringLiteral("C"), "work");
  inNotes.location = QStringLiteral("Room 2");
  inNotes.notes = QStringLiteral("Join:\nHTTP://teams.example.com/l/7\nThanks");
  store_->eventList = {withUrl, allDay, inLocation, inNotes};

  const auto items =
      settledFetch(*service_, utc(2024, 5, 1), utc(2024, 5, 3), QSet<QString>{"work", "home"});
  EXPECT_EQ(store_->askedFor, (QSet<QString>{"work", "home"}));
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[0].id, QStringLiteral("w"));
  EXPECT_EQ(items[0].title, QStringLiteral("Review"));
  EXPECT_EQ(items[0].calendarName, QStringLiteral("Work"));
  EXPECT_EQ(items[0].calendarColorHex, QStringLiteral("#62A0EA"));
  EXPECT_EQ(items[0].sourceType, CalendarSourceType::apple);
  EXPECT_EQ(items[0].startDate, utc(2024, 5, 2, 9));
  EXPECT_EQ(items[0].endDate, utc(2024, 5, 2, 10));
  EXPECT_FALSE(items[0].isAllDay);
  EXPECT_EQ(items[0].meetingLink, QStringLiteral("https://meet.example.com/abc"));

  EXPECT_EQ(items[1].title, QStringLiteral("Untitled Event"));
  EXPECT_EQ(items[1].calendarName, QStringLiteral("Home"));
  EXPECT_TRUE(items[1].isAllDay);
  EXPECT_EQ(items[1].location, QStringLiteral("Garden"));
  EXPECT_EQ(items[1].notes, QStringLiteral("Bring cake"));
  EXPECT_FALSE(items[1].meetingLink.has_value());
  EXPECT_EQ(items[2].meetingLink, QStringLiteral("https://zoom.example.com/j/42"));
  EXPECT_EQ(items[3].meetingLink, QStringLiteral("HTTP://teams.example.com/l/7"));

  settledFetch(*service_, utc(2024, 5, 1), utc(2024, 5, 3), std::nullopt);
  EXPECT_FALSE(store_->askedFor.has_value());
}

TEST_F(CalendarServiceTest, CalendarsPermissionAndChangesComeFromTheStore) {
  const QList<AppleCalendarInfo> expected{
      {QStringLiteral("work"), QStringLiteral("Work"), QStringLiteral("#62A0EA")},
      {QStringLiteral("home"), QStringLiteral("Home"), QStringLiteral("#FF9500")}};
  settledFetch(*service_, utc(2024, 5, 1), utc(2024, 5, 3), std::nullopt);
  EXPECT_EQ(service_->availableCalendars(), expected);

  EXPECT_EQ(service_->authorizationStatus(), CalendarPermissionStatus::authorized);
  EXPECT_TRUE(testsupport::runTask(service_->requestAccess()));
  store_->readable = false;
  EXPECT_EQ(service_->authorizationStatus(), CalendarPermissionStatus::denied);
  EXPECT_FALSE(testsupport::runTask(service_->requestAccess()));

  QSignalSpy changed(service_.get(), &CalendarServiceProtocol::calendarChanged);
  store_->announceChange();
  EXPECT_EQ(changed.size(), 1);
}

// A store whose reads wait for the test's word, on whatever thread runs them.
class GatedEventStore : public EventStore {
 public:
  bool isReadable() const override { return true; }
  QList<EventStoreCalendar> calendars() const override { return {}; }
  QList<EventStoreEvent> events(const QDateTime&, const QDateTime&,
                                const std::optional<QSet<QString>>&) const override {
    return {};
  }
  Read prepareRead(const QDateTime&, const QDateTime&,
                   const std::optional<QSet<QString>>&) const override {
    ++prepared;
    return [this, list = eventList] {
      readOnMainThread = QThread::currentThread() == qApp->thread();
      gate.acquire();
      return EventStoreContent{
          {{QStringLiteral("work"), QStringLiteral("Work"), QStringLiteral("#62A0EA"), QString()}},
          list};
    };
  }
  void announceChange() { Q_EMIT changed(); }

  QList<EventStoreEvent> eventList;
  mutable std::atomic<int> prepared{0};
  mutable std::atomic<bool> readOnMainThread{true};
  mutable QSemaphore gate;
};

TEST(CalendarServiceReads, ReadOffTheMainThreadAndAnswerFromTheLatestRead) {
  auto owned = std::make_unique<GatedEventStore>();
  GatedEventStore* store = owned.get();
  store->eventList = {event(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("work")),
                      event(QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("home"))};
  store->eventList[1].startDate = utc(2024, 5, 4, 9);
  store->eventList[1].endDate = utc(2024, 5, 4, 10);
  CalendarService service(std::move(owned));
  QSignalSpy changed(&service, &CalendarServiceProtocol::calendarChanged);

  // The read waits for the gate, yet asking returns at once, with nothing read so far.
  EXPECT_TRUE(service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 8), std::nullopt).isEmpty());
  // Asking again while that read runs starts no second one.
  service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 8), std::nullopt);
  EXPECT_EQ(store->prepared.load(), 1);
  store->gate.release();
  ASSERT_TRUE(changed.wait(5000));
  EXPECT_FALSE(store->readOnMainThread.load());
  EXPECT_EQ(service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 8), std::nullopt).size(), 2);
  EXPECT_EQ(service.availableCalendars().size(), 1);
  EXPECT_EQ(store->prepared.load(), 1);

  // A narrower window or fewer calendars are answered from that read until the next is in.
  const auto narrower = service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 3), std::nullopt);
  ASSERT_EQ(narrower.size(), 1);
  EXPECT_EQ(narrower.first().id, QStringLiteral("a"));
  const auto homeOnly =
      service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 8), QSet<QString>{QStringLiteral("home")});
  ASSERT_EQ(homeOnly.size(), 1);
  EXPECT_EQ(homeOnly.first().id, QStringLiteral("b"));
  store->gate.release();
  ASSERT_TRUE(changed.wait(5000));
  // The last request was queued behind the first and read in turn.
  store->gate.release();
  ASSERT_TRUE(changed.wait(5000));
  EXPECT_EQ(store->prepared.load(), 3);

  // A change of the store makes the same request read again.
  store->announceChange();
  changed.clear();
  store->eventList.clear();
  service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 8), QSet<QString>{QStringLiteral("home")});
  EXPECT_EQ(store->prepared.load(), 4);
  store->gate.release();
  ASSERT_TRUE(changed.wait(5000));
  EXPECT_TRUE(
      service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 8), QSet<QString>{QStringLiteral("home")})
          .isEmpty());
}

}  // namespace
