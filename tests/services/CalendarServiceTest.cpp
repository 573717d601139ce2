#include "core/services/CalendarService.h"

#include "common/TestSupport.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

using testsupport::utc;

namespace {

using Text = std::optional<QString>;
const QDateTime kStart = utc(2024, 5, 2, 9);
const QDateTime kEnd = utc(2024, 5, 2, 10);

EventStoreEvent event(const QString& id, const QString& title, const QString& calendar) {
  return {id, title, kStart, kEnd, false, std::nullopt, std::nullopt, std::nullopt, calendar};
}

// An event store answering from lists, recording the calendars asked for. Its reads wait for
// the gate, on whatever thread runs them.
class ListEventStore : public EventStore {
 public:
  bool isReadable() const override { return readable; }
  QList<EventStoreCalendar> calendars() const override { return {}; }
  QList<EventStoreEvent> events(const QDateTime&, const QDateTime&,
                                const std::optional<QSet<QString>>&) const override {
    return {};
  }
  Read prepareRead(const QDateTime&, const QDateTime&,
                   const std::optional<QSet<QString>>& ids) const override {
    ++prepared;
    askedFor = ids;
    return [this, content = EventStoreContent{calendarList, eventList}] {
      readOnMainThread = QThread::currentThread() == qApp->thread();
      gate.acquire();
      return content;
    };
  }
  void announceChange() { Q_EMIT changed(); }

  bool readable = true;
  QList<EventStoreCalendar> calendarList = {{"work", "Work", "#62A0EA", "On This Computer"},
                                            {"home", "Home", "#FF9500", "Pelmora"}};
  QList<EventStoreEvent> eventList;
  mutable std::optional<QSet<QString>> askedFor;
  mutable std::atomic<int> prepared{0};
  mutable std::atomic<bool> readOnMainThread{true};
  mutable QSemaphore gate{1000};
};

// Answers once the read that `fetchEvents` starts has come back.
QList<CalendarEventItem> settledFetch(CalendarService& service,
                                      const std::optional<QSet<QString>>& ids) {
  QSignalSpy changed(&service, &CalendarServiceProtocol::calendarChanged);
  service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 3), ids);
  changed.wait(testsupport::kPatienceMs);
  return service.fetchEvents(utc(2024, 5, 1), utc(2024, 5, 3), ids);
}

TEST(CalendarServiceTest, MirroredEventsCarryTheirCalendarSourceAndMeetingLink) {
  auto owned = std::make_unique<ListEventStore>();
  ListEventStore* store = owned.get();
  // The link comes from the URL, then the location, then the notes; only web links count.
  store->eventList = {
      {"w", "Review", kStart, kEnd, false, Text("https://elsewhere.example.com/x"),
       Text("https://meet.example.com/abc"), std::nullopt, "work"},
      {"a/20240502", "", kStart, kEnd, true, Text("Garden"), std::nullopt, Text("Bring cake"),
       "home"},
      {"2", "B", kStart, kEnd, false, Text("Call https://zoom.example.com/j/42 or Room 2"),
       Text("mailto:someone@example.com"), Text("https://notes.example.com"), "work"},
      {"3", "C", kStart, kEnd, false, Text("Room 2"), std::nullopt,
       Text("Join:\nHTTP://teams.example.com/l/7\nThanks"), "work"}};
  CalendarService service(std::move(owned));

  const auto apple = CalendarSourceType::apple;
  const QList<CalendarEventItem> expected{
      {"w", "Review", kStart, kEnd, false, Text("https://elsewhere.example.com/x"),
       Text("https://meet.example.com/abc"), "Work", "#62A0EA", apple, std::nullopt},
      {"a/20240502", "Untitled Event", kStart, kEnd, true, Text("Garden"), std::nullopt, "Home",
       "#FF9500", apple, Text("Bring cake")},
      {"2", "B", kStart, kEnd, false, Text("Call https://zoom.example.com/j/42 or Room 2"),
       Text("https://zoom.example.com/j/42"), "Work", "#62A0EA", apple,
       Text("https://notes.example.com")},
      {"3", "C", kStart, kEnd, false, Text("Room 2"), Text("HTTP://teams.example.com/l/7"), "Work",
       "#62A0EA", apple, Text("Join:\nHTTP://teams.example.com/l/7\nThanks")}};
  EXPECT_EQ(settledFetch(service, QSet<QString>{"work", "home"}), expected);
  EXPECT_EQ(store->askedFor, (QSet<QString>{"work", "home"}));
  settledFetch(service, std::nullopt);
  EXPECT_FALSE(store->askedFor.has_value());
  EXPECT_EQ(service.availableCalendars(),
            (QList<AppleCalendarInfo>{{"work", "Work", "#62A0EA"}, {"home", "Home", "#FF9500"}}));

  // Permission follows whether the store can be read; its changes are passed on.
  store->readable = false;
  EXPECT_EQ(service.authorizationStatus(), CalendarPermissionStatus::denied);
  EXPECT_FALSE(testsupport::runTask(service.requestAccess()));
  QSignalSpy changed(&service, &CalendarServiceProtocol::calendarChanged);
  store->announceChange();
  EXPECT_EQ(changed.size(), 1);
}

TEST(CalendarServiceReads, ReadOffTheMainThreadAndAnswerFromTheLatestRead) {
  auto owned = std::make_unique<ListEventStore>();
  ListEventStore* store = owned.get();
  store->gate.acquire(1000);
  store->eventList = {event("a", "A", "work"), event("b", "B", "home")};
  store->eventList[1].startDate = utc(2024, 5, 4, 9);
  store->eventList[1].endDate = utc(2024, 5, 4, 10);
  CalendarService service(std::move(owned));
  QSignalSpy changed(&service, &CalendarServiceProtocol::calendarChanged);
  const QDateTime from = utc(2024, 5, 1);
  const QDateTime to = utc(2024, 5, 8);
  const QSet<QString> home{"home"};

  // The read waits for the gate, yet asking returns at once, with nothing read so far.
  EXPECT_TRUE(service.fetchEvents(from, to, std::nullopt).isEmpty());
  // Asking again while that read runs starts no second one.
  service.fetchEvents(from, to, std::nullopt);
  EXPECT_EQ(store->prepared.load(), 1);
  store->gate.release();
  ASSERT_TRUE(changed.wait(testsupport::kPatienceMs));
  EXPECT_FALSE(store->readOnMainThread.load());
  EXPECT_EQ(service.fetchEvents(from, to, std::nullopt).size(), 2);
  EXPECT_EQ(service.availableCalendars().size(), 2);
  EXPECT_EQ(store->prepared.load(), 1);

  // A narrower window or fewer calendars are answered from that read until the next is in.
  const auto narrower = service.fetchEvents(from, utc(2024, 5, 3), std::nullopt);
  EXPECT_EQ(testsupport::texts(narrower, &CalendarEventItem::id), QStringList{"a"});
  EXPECT_EQ(testsupport::texts(service.fetchEvents(from, to, home), &CalendarEventItem::id),
            QStringList{"b"});
  store->gate.release();
  ASSERT_TRUE(changed.wait(testsupport::kPatienceMs));
  // The last request was queued behind the first and read in turn.
  store->gate.release();
  ASSERT_TRUE(changed.wait(testsupport::kPatienceMs));
  EXPECT_EQ(store->prepared.load(), 3);

  // A change of the store makes the same request read again.
  store->announceChange();
  changed.clear();
  store->eventList.clear();
  service.fetchEvents(from, to, home);
  EXPECT_EQ(store->prepared.load(), 4);
  store->gate.release();
  ASSERT_TRUE(changed.wait(5000));
  EXPECT_TRUE(service.fetchEvents(from, to, home).isEmpty());
}

}  // namespace
