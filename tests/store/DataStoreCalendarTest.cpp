#include "StoreTestSupport.h"

#include <QSignalSpy>

using namespace storetest;

namespace {

using MirroredEvents = StoreTest;
using FetchCall = MockCalendarService::FetchCall;

// Mirrored events are read at launch, after the settings change and on a calendar change, and
// are never written to the database.
TEST_F(MirroredEvents, ReadFromMidnightOverTheLookAheadOfTheSelectedCalendars) {
  calendarService.calendars = {{"work", "Work", "#FF0000"}};
  calendarService.events = {makeEvent("m1", utc(2026, 3, 11, 9), 60, CalendarSourceType::apple)};
  DataStore& s = open();
  EXPECT_EQ(s.availableCalendars(), calendarService.calendars);
  EXPECT_EQ(s.calendarEvents(), calendarService.events);
  // From midnight in Berlin, over the default seven days, every calendar.
  EXPECT_EQ(calendarService.fetchCalls,
            (QList<FetchCall>{{utc(2026, 3, 9, 23), utc(2026, 3, 16, 23), std::nullopt}}));

  AppSettings settings = s.settings();
  settings.selectedCalendarIDs = {"home"};
  settings.calendarLookAheadDays = 2;
  s.setSettings(settings);
  s.saveSettings();
  EXPECT_EQ(calendarService.fetchCalls.last(),
            (FetchCall{utc(2026, 3, 9, 23), utc(2026, 3, 11, 23), QSet<QString>{"home"}}));

  QSignalSpy changed(&s, &DataStore::calendarEventsChanged);
  calendarService.events = {makeEvent("new", utc(2026, 3, 10, 12), 30, CalendarSourceType::apple)};
  calendarService.simulateChange();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(s.calendarEvents(), calendarService.events);
  EXPECT_TRUE(loadContainer(databasePath()).manualEvents.isEmpty());
}

TEST_F(MirroredEvents, UpcomingEventsMergeBothSourcesByStart) {
  calendarService.events = {
      makeEvent("ended", utc(2026, 3, 10, 7), 60, CalendarSourceType::apple),
      makeEvent("running", utc(2026, 3, 10, 8, 30), 60, CalendarSourceType::apple),
      makeEvent("later", utc(2026, 3, 10, 15), 60, CalendarSourceType::apple)};
  DataStore& s = open();
  s.addManualEvent(makeEvent("manual-soon", utc(2026, 3, 10, 10), 30));
  s.addManualEvent(makeEvent("manual-past", utc(2026, 3, 9, 10), 30));
  s.addManualEvent(makeEvent("manual-edge", utc(2026, 3, 10, 8, 30), 30));  // ends now: over

  EXPECT_EQ(testsupport::texts(s.allUpcomingEvents(), &CalendarEventItem::id),
            (QStringList{"running", "manual-soon", "later"}));
  EXPECT_EQ(s.nextEvent()->id, "running");
  now = utc(2026, 3, 10, 16);
  EXPECT_FALSE(s.nextEvent().has_value());
}

using DaySummary = StoreTest;

// Berlin: 10 March runs from 9 March 23:00 to 10 March 23:00 UTC. Seen from UTC, the early
// task and the session just after local midnight belong to the day before.
TEST_F(DaySummary, CountsTheCalendarDayOfNow) {
  DataStore& s = open();
  const TaskItem dueEarly = makeTask("due 00:30 local", utc(2026, 3, 9, 23, 30));
  const TaskItem dueTomorrow = makeTask("tomorrow", utc(2026, 3, 10, 23, 30));
  const TaskItem undated = makeTask("undated");
  for (const auto& t : {dueEarly, makeTask("due 23:30 local", utc(2026, 3, 10, 22, 30)),
                        dueTomorrow, makeTask("last week", utc(2026, 3, 3, 9)), undated}) {
    s.addTask(t);
  }
  s.toggleTaskCompletion(dueEarly.id, utc(2026, 3, 10, 8));
  s.toggleTaskCompletion(undated.id, utc(2026, 3, 10, 8));
  s.toggleTaskCompletion(dueTomorrow.id, utc(2026, 3, 9, 12));  // finished yesterday

  WaitingForItem late = makeWaiting("late", utc(2026, 3, 1, 9));
  late.nextFollowUpDate = utc(2026, 3, 9, 9);
  s.addWaitingItem(late);
  late.id = QUuid::createUuid();
  late.status = WaitingStatus::resolved;
  s.addWaitingItem(late);

  s.addBill(makeBill("this week", utc(2026, 3, 16, 22)));
  s.addBill(makeBill("next week", utc(2026, 3, 16, 23)));
  s.addBill(makeBill("yesterday", utc(2026, 3, 9, 12)));
  BillItem paid = makeBill("paid", utc(2026, 3, 12, 9));
  paid.isPaid = true;
  s.addBill(paid);

  // 75.5 minutes of focus count as 75.
  const std::tuple<FocusSessionType, QDateTime, int> sessions[] = {
      {FocusSessionType::focus, utc(2026, 3, 10, 7), 1500},
      {FocusSessionType::focus, utc(2026, 3, 10, 8), 1530},
      {FocusSessionType::shortBreak, utc(2026, 3, 10, 8, 5), 300},
      {FocusSessionType::focus, utc(2026, 3, 9, 23, 10), 1500},
      {FocusSessionType::focus, utc(2026, 3, 9, 22, 50), 1500}};
  for (const auto& [type, end, seconds] : sessions) {
    s.addFocusSession({QUuid::createUuid(), type, end.addSecs(-seconds), end, double(seconds),
                       std::nullopt, std::nullopt});
  }

  EXPECT_EQ(s.todayMetrics(now, calendar), (DashboardSummary{2, 2, 1, 1, 1, 3, 75}));
  EXPECT_EQ(s.todayMetrics(now, Calendar(QTimeZone::utc())),
            (DashboardSummary{2, 2, 1, 1, 2, 2, 50}));
  // Finished over due, capped at one; with nothing due, whether anything was finished.
  const std::tuple<int, int, double> ratios[] = {
      {0, 0, 0.0}, {1, 0, 1.0}, {1, 4, 0.25}, {6, 4, 1.0}};
  for (const auto& [completed, due, ratio] : ratios) {
    EXPECT_DOUBLE_EQ((DashboardSummary{due, completed}).taskCompletionRatio(), ratio);
  }
}

}  // namespace
