#include "StoreTestSupport.h"

#include <QSignalSpy>

using namespace storetest;
using testsupport::utc;

namespace {

class MirroredEvents : public StoreTest {};

TEST_F(MirroredEvents, LaunchReadsPermissionAndTheLookAheadWindow) {
  calendarService.calendars = {
      {QStringLiteral("work"), QStringLiteral("Work"), QStringLiteral("#FF0000")}};
  calendarService.events = {
      makeEvent(QStringLiteral("m1"), utc(2026, 3, 11, 9), 60, CalendarSourceType::apple)};
  DataStore& s = open();
  EXPECT_EQ(s.calendarPermissionStatus(), CalendarPermissionStatus::authorized);
  EXPECT_EQ(s.availableCalendars(), calendarService.calendars);
  EXPECT_EQ(s.calendarEvents(), calendarService.events);
  ASSERT_EQ(calendarService.fetchCalls.size(), 1);
  // From midnight in Berlin, over the default seven days, every calendar.
  EXPECT_EQ(calendarService.fetchCalls.at(0).from, utc(2026, 3, 9, 23));
  EXPECT_EQ(calendarService.fetchCalls.at(0).to, utc(2026, 3, 16, 23));
  EXPECT_FALSE(calendarService.fetchCalls.at(0).calendarIDs.has_value());
}

TEST_F(MirroredEvents, OnlyTheSelectedCalendarsAreRead) {
  DataStore& s = open();
  AppSettings settings = s.settings();
  settings.selectedCalendarIDs = {QStringLiteral("home")};
  settings.calendarLookAheadDays = 2;
  s.setSettings(settings);
  s.saveSettings();
  ASSERT_FALSE(calendarService.fetchCalls.isEmpty());
  const auto& last = calendarService.fetchCalls.last();
  EXPECT_EQ(last.calendarIDs, (QSet<QString>{QStringLiteral("home")}));
  EXPECT_EQ(last.to, utc(2026, 3, 11, 23));
}

TEST_F(MirroredEvents, ACalendarChangeRefreshesTheMirror) {
  DataStore& s = open();
  QSignalSpy changed(&s, &DataStore::calendarEventsChanged);
  EXPECT_TRUE(s.calendarEvents().isEmpty());
  calendarService.events = {
      makeEvent(QStringLiteral("new"), utc(2026, 3, 10, 12), 30, CalendarSourceType::apple)};
  calendarService.simulateChange();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(s.calendarEvents(), calendarService.events);
  // Mirrored events are never written to the database.
  EXPECT_TRUE(loadContainer(databasePath()).manualEvents.isEmpty());
}

TEST_F(MirroredEvents, WithoutPermissionNothingIsReadUntilAccessIsGranted) {
  calendarService.permissionStatus = CalendarPermissionStatus::notDetermined;
  calendarService.events = {
      makeEvent(QStringLiteral("m"), utc(2026, 3, 10, 12), 30, CalendarSourceType::apple)};
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
      makeEvent(QStringLiteral("ended"), utc(2026, 3, 10, 7), 60, CalendarSourceType::apple),
      makeEvent(QStringLiteral("running"), utc(2026, 3, 10, 8, 30), 60, CalendarSourceType::apple),
      makeEvent(QStringLiteral("later"), utc(2026, 3, 10, 15), 60, CalendarSourceType::apple),
  };
  DataStore& s = open();
  s.addManualEvent(makeEvent(QStringLiteral("manual-soon"), utc(2026, 3, 10, 10), 30));
  s.addManualEvent(makeEvent(QStringLiteral("manual-past"), utc(2026, 3, 9, 10), 30));
  // Ends exactly now: over.
  s.addManualEvent(makeEvent(QStringLiteral("manual-edge"), utc(2026, 3, 10, 8, 30), 30));

  QStringList ids;
  for (const auto& e : s.allUpcomingEvents()) {
    ids << e.id;
  }
  EXPECT_EQ(ids, (QStringList{"running", "manual-soon", "later"}));
  ASSERT_TRUE(s.nextEvent().has_value());
  EXPECT_EQ(s.nextEvent()->id, QStringLiteral("running"));

  now = utc(2026, 3, 10, 16);
  EXPECT_FALSE(s.nextEvent().has_value());
}

class DaySummary : public StoreTest {};

TEST_F(DaySummary, CountsTheCalendarDayOfNow) {
  DataStore& s = open();
  // Berlin: 10 March runs from 9 March 23:00 to 10 March 23:00 UTC.
  const TaskItem dueEarly = makeTask(QStringLiteral("due 00:30 local"), utc(2026, 3, 9, 23, 30));
  const TaskItem dueLate = makeTask(QStringLiteral("due 23:30 local"), utc(2026, 3, 10, 22, 30));
  const TaskItem dueTomorrow = makeTask(QStringLiteral("tomorrow"), utc(2026, 3, 10, 23, 30));
  const TaskItem overdue = makeTask(QStringLiteral("last week"), utc(2026, 3, 3, 9));
  const TaskItem undated = makeTask(QStringLiteral("undated"));
  for (const auto& t : {dueEarly, dueLate, dueTomorrow, overdue, undated}) {
    s.addTask(t);
  }
  s.toggleTaskCompletion(dueEarly.id, utc(2026, 3, 10, 8));
  s.toggleTaskCompletion(undated.id, utc(2026, 3, 10, 8));
  s.toggleTaskCompletion(dueTomorrow.id, utc(2026, 3, 9, 12));  // finished yesterday

  WaitingForItem late = makeWaiting(QStringLiteral("late"), utc(2026, 3, 1, 9));
  late.nextFollowUpDate = utc(2026, 3, 9, 9);
  WaitingForItem resolved = late;
  resolved.id = QUuid::createUuid();
  resolved.status = WaitingStatus::resolved;
  s.addWaitingItem(late);
  s.addWaitingItem(resolved);

  s.addBill(makeBill(QStringLiteral("this week"), utc(2026, 3, 16, 22)));
  s.addBill(makeBill(QStringLiteral("next week"), utc(2026, 3, 16, 23)));
  s.addBill(makeBill(QStringLiteral("yesterday"), utc(2026, 3, 9, 12)));
  BillItem paid = makeBill(QStringLiteral("paid"), utc(2026, 3, 12, 9));
  paid.isPaid = true;
  s.addBill(paid);

  auto session = [](FocusSessionType type, const QDateTime& end, double seconds) {
    FocusSession f;
    f.id = QUuid::createUuid();
    f.type = type;
    f.startedAt = end.addSecs(-qint64(seconds));
    f.endedAt = end;
    f.durationSeconds = seconds;
    return f;
  };
  s.addFocusSession(session(FocusSessionType::focus, utc(2026, 3, 10, 7), 1500));
  s.addFocusSession(session(FocusSessionType::focus, utc(2026, 3, 10, 8), 1530));
  s.addFocusSession(session(FocusSessionType::shortBreak, utc(2026, 3, 10, 8, 5), 300));
  s.addFocusSession(session(FocusSessionType::focus, utc(2026, 3, 9, 23, 10), 1500));
  s.addFocusSession(session(FocusSessionType::focus, utc(2026, 3, 9, 22, 50), 1500));

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
  DashboardSummary s;
  EXPECT_DOUBLE_EQ(s.taskCompletionRatio(), 0.0);
  s.tasksCompletedToday = 1;
  EXPECT_DOUBLE_EQ(s.taskCompletionRatio(), 1.0);
  s.totalTasksDueToday = 4;
  EXPECT_DOUBLE_EQ(s.taskCompletionRatio(), 0.25);
  s.tasksCompletedToday = 6;
  EXPECT_DOUBLE_EQ(s.taskCompletionRatio(), 1.0);
}

}  // namespace
