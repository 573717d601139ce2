#include "StoreTestSupport.h"

#include <QSignalSpy>

using namespace storetest;
using testsupport::utc;

namespace {

using MirroredEvents = StoreTest;

// Mirrored events are read at launch, after the settings change and on a calendar change, and
// are never written to the database.
TEST_F(MirroredEvents, ReadFromMidnightOverTheLookAheadOfTheSelectedCalendars) {
  calendarService.calendars = {{"work", "Work", "#FF0000"}};
  calendarService.events = {makeEvent("m1", utc(2026, 3, 11, 9), 60, CalendarSourceType::apple)};
  DataStore& s = open();
  EXPECT_EQ(s.calendarPermissionStatus(), CalendarPermissionStatus::authorized);
  EXPECT_EQ(s.availableCalendars(), calendarService.calendars);
  EXPECT_EQ(s.calendarEvents(), calendarService.events);
  ASSERT_EQ(calendarService.fetchCalls.size(), 1);
  // From midnight in Berlin, over the default seven days, every calendar.
  EXPECT_EQ(calendarService.fetchCalls.at(0).from, utc(2026, 3, 9, 23));
  EXPECT_EQ(calendarService.fetchCalls.at(0).to, utc(2026, 3, 16, 23));
  EXPECT_FALSE(calendarService.fetchCalls.at(0).calendarIDs.has_value());

  AppSettings settings = s.settings();
  settings.selectedCalendarIDs = {"home"};
  settings.calendarLookAheadDays = 2;
  s.setSettings(settings);
  s.saveSettings();
  EXPECT_EQ(calendarService.fetchCalls.last().calendarIDs, (QSet<QString>{"home"}));
  EXPECT_EQ(calendarService.fetchCalls.last().to, utc(2026, 3, 11, 23));

  QSignalSpy changed(&s, &DataStore::calendarEventsChanged);
  calendarService.events = {makeEvent("new", utc(2026, 3, 10, 12), 30, CalendarSourceType::apple)};
  calendarService.simulateChange();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(s.calendarEvents(), calendarService.events);
  EXPECT_TRUE(loadContainer(databasePath()).manualEvents.isEmpty());
}

TEST_F(MirroredEvents, WithoutPermissionNothingIsReadUntilAccessIsGranted) {
  calendarService.permissionStatus = CalendarPermissionStatus::notDetermined;
  calendarService.events = {makeEvent("m", utc(2026, 3, 10, 12), 30, CalendarSourceType::apple)};
  DataStore& s = open();
  EXPECT_EQ(s.calendarPermissionStatus(), CalendarPermissionStatus::notDetermined);
  EXPECT_TRUE(s.calendarEvents().isEmpty());
  EXPECT_TRUE(calendarService.fetchCalls.isEmpty());

  calendarService.accessGranted = false;
  EXPECT_FALSE(testsupport::runTask(s.requestCalendarAccess()));
  EXPECT_EQ(s.calendarPermissionStatus(), CalendarPermissionStatus::denied);
  EXPECT_TRUE(s.calendarEvents().isEmpty());

  calendarService.accessGranted = true;
  EXPECT_TRUE(testsupport::runTask(s.requestCalendarAccess()));
  EXPECT_EQ(s.calendarPermissionStatus(), CalendarPermissionStatus::authorized);
  EXPECT_EQ(s.calendarEvents().size(), 1);
}

TEST_F(MirroredEvents, UpcomingEventsMergeBothSourcesByStart) {
  calendarService.events = {
      makeEvent("ended", utc(2026, 3, 10, 7), 60, CalendarSourceType::apple),
      makeEvent("running", utc(2026, 3, 10, 8, 30), 60, CalendarSourceType::apple),
      makeEvent("later", utc(2026, 3, 10, 15), 60, CalendarSourceType::apple),
  };
  DataStore& s = open();
  s.addManualEvent(makeEvent("manual-soon", utc(2026, 3, 10, 10), 30));
  s.addManualEvent(makeEvent("manual-past", utc(2026, 3, 9, 10), 30));
  // Ends exactly now: over.
  s.addManualEvent(makeEvent("manual-edge", utc(2026, 3, 10, 8, 30), 30));

  EXPECT_EQ(testsupport::texts(s.allUpcomingEvents(), &CalendarEventItem::id),
            (QStringList{"running", "manual-soon", "later"}));
  ASSERT_TRUE(s.nextEvent().has_value());
  EXPECT_EQ(s.nextEvent()->id, "running");
  now = utc(2026, 3, 10, 16);
  EXPECT_FALSE(s.nextEvent().has_value());
}

FocusSession focusSession(FocusSessionType type, const QDateTime& end, double seconds) {
  return {QUuid::createUuid(), type,        end.addSecs(-qint64(seconds)), end, seconds,
          std::nullopt,        std::nullopt};
}

using DaySummary = StoreTest;

TEST_F(DaySummary, CountsTheCalendarDayOfNow) {
  DataStore& s = open();
  // Berlin: 10 March runs from 9 March 23:00 to 10 March 23:00 UTC.
  const TaskItem dueEarly = makeTask("due 00:30 local", utc(2026, 3, 9, 23, 30));
  const TaskItem dueLate = makeTask("due 23:30 local", utc(2026, 3, 10, 22, 30));
  const TaskItem dueTomorrow = makeTask("tomorrow", utc(2026, 3, 10, 23, 30));
  const TaskItem overdue = makeTask("last week", utc(2026, 3, 3, 9));
  const TaskItem undated = makeTask("undated");
  for (const auto& t : {dueEarly, dueLate, dueTomorrow, overdue, undated}) {
    s.addTask(t);
  }
  s.toggleTaskCompletion(dueEarly.id, utc(2026, 3, 10, 8));
  s.toggleTaskCompletion(undated.id, utc(2026, 3, 10, 8));
  s.toggleTaskCompletion(dueTomorrow.id, utc(2026, 3, 9, 12));  // finished yesterday

  WaitingForItem late = makeWaiting("late", utc(2026, 3, 1, 9));
  late.nextFollowUpDate = utc(2026, 3, 9, 9);
  WaitingForItem resolved = late;
  resolved.id = QUuid::createUuid();
  resolved.status = WaitingStatus::resolved;
  s.addWaitingItem(late);
  s.addWaitingItem(resolved);

  s.addBill(makeBill("this week", utc(2026, 3, 16, 22)));
  s.addBill(makeBill("next week", utc(2026, 3, 16, 23)));
  s.addBill(makeBill("yesterday", utc(2026, 3, 9, 12)));
  BillItem paid = makeBill("paid", utc(2026, 3, 12, 9));
  paid.isPaid = true;
  s.addBill(paid);

  s.addFocusSession(focusSession(FocusSessionType::focus, utc(2026, 3, 10, 7), 1500));
  s.addFocusSession(focusSession(FocusSessionType::focus, utc(2026, 3, 10, 8), 1530));
  s.addFocusSession(focusSession(FocusSessionType::shortBreak, utc(2026, 3, 10, 8, 5), 300));
  s.addFocusSession(focusSession(FocusSessionType::focus, utc(2026, 3, 9, 23, 10), 1500));
  s.addFocusSession(focusSession(FocusSessionType::focus, utc(2026, 3, 9, 22, 50), 1500));

  const DashboardSummary summary = s.todayMetrics(utc(2026, 3, 10, 9), calendar);
  EXPECT_EQ(summary.totalTasksDueToday, 2);
  EXPECT_EQ(summary.tasksCompletedToday, 2);
  EXPECT_EQ(summary.tasksOverdue, 1);
  EXPECT_EQ(summary.followUpsDue, 1);
  EXPECT_EQ(summary.billsDueThisWeek, 1);
  EXPECT_EQ(summary.focusSessionsToday, 3);
  EXPECT_EQ(summary.focusMinutesToday, 75);
  EXPECT_DOUBLE_EQ(summary.taskCompletionRatio(), 1.0);

  // The same data seen from UTC: the early task and the session just after local midnight
  // belong to the day before, the task due at 23:30 UTC to this one.
  const DashboardSummary utcDay = s.todayMetrics(utc(2026, 3, 10, 9), Calendar(QTimeZone::utc()));
  EXPECT_EQ(utcDay.totalTasksDueToday, 2);
  EXPECT_EQ(utcDay.focusSessionsToday, 2);
  EXPECT_EQ(utcDay.focusMinutesToday, 50);
}

TEST(DashboardSummaryRatio, FinishedOverDueCappedAtOne) {
  const std::tuple<int, int, double> cases[] = {
      {0, 0, 0.0}, {1, 0, 1.0}, {1, 4, 0.25}, {6, 4, 1.0}};
  for (const auto& [completed, due, ratio] : cases) {
    DashboardSummary s;
    s.tasksCompletedToday = completed;
    s.totalTasksDueToday = due;
    EXPECT_DOUBLE_EQ(s.taskCompletionRatio(), ratio);
  }
}

}  // namespace
