#include "StoreTestSupport.h"

#include <QSignalSpy>

#include <functional>
#include <limits>
#include <tuple>

using namespace storetest;

namespace {

using RecordOperations = StoreTest;

TEST_F(RecordOperations, TasksAddUpdateToggleDeleteWithRemindersAndSave) {
  DataStore& s = open();
  TaskItem first = makeTask("first", utc(2026, 3, 11, 9));
  const TaskItem second = makeTask("second");
  s.addTask(first);
  s.addTask(second);
  EXPECT_EQ(s.tasks(), (QList{first, second}));
  EXPECT_EQ(notifications.scheduledTaskReminders, (QList{first, second}));

  now = utc(2026, 3, 10, 15, 30);
  first.title = "final";
  s.updateTask(first);
  TaskItem expected = first;
  expected.updatedAt = now;
  EXPECT_EQ(s.tasks().at(0), expected);
  EXPECT_EQ(notifications.scheduledTaskReminders.last(), expected);
  expectSaved();

  // Completion is stamped with its own time, not as an edit.
  const QDateTime at = utc(2026, 3, 10, 11, 15);
  s.toggleTaskCompletion(first.id, at);
  expected.isCompleted = true;
  expected.completedAt = at;
  EXPECT_EQ(s.tasks().at(0), expected);

  s.deleteTask(first.id);
  EXPECT_EQ(s.tasks(), QList{second});
  EXPECT_EQ(notifications.cancelledTaskReminders, QList{first.id});
  expectSaved();
}

TEST_F(RecordOperations, RecurringCompletionAddsExactlyOneNextOccurrenceAtTheLocalTime) {
  DataStore& s = open();
  // 09:00 in Berlin the day before the change to summer time on 29 March 2026.
  TaskItem task = makeTask("water plants", utc(2026, 3, 28, 8), RecurrenceRule::weekly());
  task.isSampleData = true;  // the next one is too: it goes with its origin
  s.addTask(task);
  s.addTask(makeTask("someday", std::nullopt, RecurrenceRule::daily()));
  const QDateTime at = utc(2026, 3, 28, 12);
  s.toggleTaskCompletion(s.tasks().at(1).id, at);  // without a due date: no next one
  s.toggleTaskCompletion(task.id, at);
  ASSERT_EQ(s.tasks().size(), 3);
  TaskItem expected = task;
  expected.id = s.tasks().at(2).id;
  expected.dueDate = utc(2026, 4, 4, 7);  // still 09:00, now summer time
  expected.createdAt = expected.updatedAt = at;
  EXPECT_NE(expected.id, task.id);
  EXPECT_EQ(s.tasks().at(2), expected);

  // Reopening and finishing again must not add a second copy of the same occurrence.
  s.toggleTaskCompletion(task.id, at);
  s.toggleTaskCompletion(task.id, at);
  EXPECT_EQ(s.tasks().size(), 3);
  expectSaved();
  s.toggleTaskCompletion(expected.id, at);
  ASSERT_EQ(s.tasks().size(), 4);
  EXPECT_EQ(s.tasks().at(3).dueDate, utc(2026, 4, 11, 7));
}

// The safety copy is written first, and only when something goes; without it nothing goes.
TEST_F(RecordOperations, ClearCompletedKeepsASafetyCopyFirstAndOnlyWhenSomethingGoes) {
  DataStore& s = open();
  const TaskItem open1 = makeTask("open 1");
  const TaskItem done = makeTask("done");
  for (const TaskItem& t : {open1, done}) {
    s.addTask(t);
  }
  QDir().mkpath(snapshotPath());  // a folder in its place makes the write fail
  s.clearCompletedTasks();
  EXPECT_FALSE(s.saveError().has_value());
  s.toggleTaskCompletion(done.id, now);
  s.clearCompletedTasks();
  EXPECT_EQ(s.tasks().size(), 2);
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(s.saveError()->contains("Nothing was removed"));

  QDir(snapshotPath()).removeRecursively();
  const DashboardStorageContainer before = s.container();
  s.clearCompletedTasks();
  EXPECT_EQ(s.tasks(), QList{open1});
  EXPECT_EQ(loadContainer(snapshotPath()), before);
  expectSaved();
}

TEST_F(RecordOperations, UnknownIdentifiersChangeNothing) {
  DataStore& s = open();
  s.addTask(makeTask("kept", utc(2026, 3, 11, 9)));
  s.addBill(makeBill("Water", utc(2026, 3, 20, 9)));
  s.addWaitingItem(makeWaiting("kept", utc(2026, 3, 1, 9)));
  s.addManualEvent(makeEvent("e1", utc(2026, 3, 12, 9), 60));
  s.addEmailSuggestion(makeSuggestion(EmailExtractedCategory::task, "x"));
  const DashboardStorageContainer before = s.container();
  const QByteArray fileBefore = readFile(databasePath());
  const auto tasksBefore = notifications.scheduledTaskReminders;
  const auto billsBefore = notifications.scheduledBillReminders;
  const QUuid stranger = QUuid::createUuid();
  s.updateTask(makeTask("stranger"));
  s.toggleTaskCompletion(stranger, now);
  s.deleteTask(stranger);
  s.updateBill(makeBill("Nobody", utc(2026, 3, 20, 9)));
  s.toggleBillPaid(stranger, now);
  s.deleteBill(stranger);
  s.snoozeWaitingItem(stranger, 3);
  s.resolveWaitingItem(stranger);
  s.deleteWaitingItem(stranger);
  s.updateWaitingItem(makeWaiting("stranger", now));
  s.updateManualEvent(makeEvent("unknown", utc(2026, 3, 12, 9), 60));
  s.deleteManualEvent("unknown");
  s.deleteFocusSession(stranger);
  s.approveSuggestion(stranger);
  s.dismissSuggestion(stranger);
  s.updateEmailSuggestion(makeSuggestion(EmailExtractedCategory::task, "y"));

  EXPECT_EQ(readFile(databasePath()), fileBefore);
  EXPECT_EQ(s.container(), before);
  EXPECT_EQ(notifications.scheduledTaskReminders, tasksBefore);
  EXPECT_EQ(notifications.scheduledBillReminders, billsBefore);
  EXPECT_TRUE(notifications.cancelledTaskReminders.isEmpty() &&
              notifications.cancelledBillReminders.isEmpty());
}

TEST_F(RecordOperations, BillsUpdateDeleteWithRemindersAndPayingARepeatingOneAddsTheNextOnce) {
  DataStore& s = open();
  // 31 January, 10:00 in Berlin: February has no 31st.
  BillItem rent = makeBill("Rent", utc(2026, 1, 31, 9), RecurrenceRule::monthly());
  s.addBill(rent);
  rent.amount = 99;
  s.updateBill(rent);
  EXPECT_EQ(s.bills(), QList{rent});
  EXPECT_EQ(notifications.scheduledBillReminders.size(), 2);
  EXPECT_EQ(notifications.scheduledBillReminders.last(), rent);

  const QDateTime at = utc(2026, 1, 30, 12);
  s.toggleBillPaid(rent.id, at);
  ASSERT_EQ(s.bills().size(), 2);
  BillItem paid = rent;
  paid.isPaid = true;
  paid.paidAt = at;
  EXPECT_EQ(s.bills().at(0), paid);
  const BillItem next = s.bills().at(1);
  BillItem expected = rent;
  expected.id = next.id;
  expected.dueDate = utc(2026, 2, 28, 9);
  expected.createdAt = at;
  EXPECT_NE(next.id, rent.id);
  EXPECT_EQ(next, expected);
  expectSaved();

  s.toggleBillPaid(rent.id, at);  // unpaid again
  EXPECT_EQ(s.bills().at(0), rent);
  s.toggleBillPaid(rent.id, at);  // paid again: the next bill exists already
  EXPECT_EQ(s.bills().size(), 2);

  s.deleteBill(rent.id);
  EXPECT_EQ(s.bills(), QList{next});
  EXPECT_EQ(notifications.cancelledBillReminders, QList{rent.id});
  expectSaved();
}

TEST_F(RecordOperations, SnoozeMovesTheFollowUpByAtLeastOneCalendarDay) {
  DataStore& s = open();
  WaitingForItem withDate = makeWaiting("quote", utc(2026, 3, 1, 9));
  withDate.nextFollowUpDate = utc(2026, 3, 27, 9);  // 10:00 in Berlin, before summer time
  const WaitingForItem withoutDate = makeWaiting("refund", utc(2026, 3, 1, 9));
  s.addWaitingItem(withDate);
  s.addWaitingItem(withoutDate);

  // Three calendar days later at 10:00 local, now in summer time; then at least one day.
  const std::pair<int, QDateTime> steps[] = {
      {3, utc(2026, 3, 30, 8)}, {0, utc(2026, 3, 31, 8)}, {-4, utc(2026, 4, 1, 8)}};
  for (const auto& [days, expected] : steps) {
    s.snoozeWaitingItem(withDate.id, days);
    EXPECT_EQ(s.waitingItems().at(0).nextFollowUpDate, expected) << days;
  }
  s.snoozeWaitingItem(withoutDate.id, 3);  // counted from now
  EXPECT_EQ(s.waitingItems().at(1).nextFollowUpDate, utc(2026, 3, 13, 9));
  expectSaved();
}

// Deleting each kind is covered with the sample data below.
TEST_F(RecordOperations, WaitingItemsEventsAndFocusSessionsChangeAndAreSaved) {
  DataStore& s = open();
  WaitingForItem item = makeWaiting("parcel", utc(2026, 3, 1, 9));
  CalendarEventItem event = makeEvent("e1", utc(2026, 3, 12, 9), 60);
  const FocusSession session(QUuid::createUuid(), FocusSessionType::focus, utc(2026, 3, 10, 8),
                             utc(2026, 3, 10, 8, 25), 1500, std::nullopt, std::nullopt);
  s.addWaitingItem(item);
  s.addManualEvent(event);
  s.addFocusSession(session);
  s.resolveWaitingItem(item.id);
  EXPECT_EQ(s.waitingItems().at(0).status, WaitingStatus::resolved);
  item.title = "parcel (renamed)";
  s.updateWaitingItem(item);
  event.title = "Moved";
  s.updateManualEvent(event);
  EXPECT_EQ(s.waitingItems(), QList{item});
  EXPECT_EQ(s.manualEvents(), QList{event});
  EXPECT_EQ(s.focusSessions(), QList{session});
  expectSaved();
  s.deleteFocusSession(session.id);
  EXPECT_TRUE(s.focusSessions().isEmpty());
}

// Each kind counts as sample data; removing it takes every flagged record after a snapshot.
TEST_F(RecordOperations, SampleDataOfEachKindIsFoundAndRemovedTogether) {
  DataStore& s = open();
  TaskItem task = makeTask("sample");
  task.isSampleData = true;
  BillItem bill = makeBill("b", now);
  bill.isSampleData = true;
  WaitingForItem item = makeWaiting("w", now);
  item.isSampleData = true;
  const std::pair<std::function<void()>, std::function<void()>> kinds[] = {
      {[&] { s.addTask(task); }, [&] { s.deleteTask(task.id); }},
      {[&] { s.addBill(bill); }, [&] { s.deleteBill(bill.id); }},
      {[&] { s.addWaitingItem(item); }, [&] { s.deleteWaitingItem(item.id); }},
      {[&] { s.addManualEvent(makeEvent("s", now, 30, CalendarSourceType::sample)); },
       [&] { s.deleteManualEvent("s"); }}};
  for (const auto& [add, remove] : kinds) {
    add();
    EXPECT_TRUE(s.hasSampleData());
    remove();
    EXPECT_FALSE(s.hasSampleData());
  }
  const TaskItem mine = makeTask("mine");
  const CalendarEventItem myEvent = makeEvent("mine-1", now, 30);
  s.addTask(mine);
  s.addManualEvent(myEvent);
  for (const auto& [add, remove] : kinds) {
    add();
  }
  const DashboardStorageContainer before = s.container();
  s.removeAllSampleData();
  EXPECT_FALSE(s.hasSampleData());
  DashboardStorageContainer expected;
  expected.tasks = {mine};
  expected.manualEvents = {myEvent};
  EXPECT_EQ(s.container(), expected);
  EXPECT_TRUE(notifications.cancelledTaskReminders.contains(task.id));
  EXPECT_TRUE(notifications.cancelledBillReminders.contains(bill.id));
  expectSaved();
  EXPECT_EQ(loadContainer(snapshotPath()), before);
}

using Suggestions = StoreTest;

// Adding one again replaces it in place; several come with their drafts in one save, leaving
// out one that would not read back; pending ones keep the store's order and count.
TEST_F(Suggestions, AddReplaceDismissAndPendingOrder) {
  DataStore& s = open();
  auto first = makeSuggestion(EmailExtractedCategory::task, "1");
  auto drafted = makeSuggestion(EmailExtractedCategory::task, "2");
  drafted.status = SuggestionStatus::autoApplied;
  const auto third = makeSuggestion(EmailExtractedCategory::bill, "3");
  auto broken = makeSuggestion(EmailExtractedCategory::bill, "broken");
  broken.confidence = std::numeric_limits<double>::quiet_NaN();
  const TaskItem draft = makeTask("draft", now.addDays(1));
  s.addEmailSuggestion(first);
  first.title = "1, corrected";
  QSignalSpy saves(&s, &DataStore::databaseSaved);
  s.addEmailSuggestions({first, drafted, broken, third}, {draft});
  EXPECT_EQ(saves.size(), 1);
  EXPECT_EQ(s.emailSuggestions(), (QList{first, drafted, third}));
  EXPECT_EQ(s.pendingEmailSuggestions(), (QList{first, third}));
  EXPECT_EQ(s.emailSyncState().pendingCount, 2);
  EXPECT_EQ(s.tasks(), QList{draft});
  EXPECT_EQ(notifications.scheduledTaskReminders, QList{draft});
  expectSaved();
  s.addEmailSuggestions({broken});
  EXPECT_EQ(saves.size(), 1);

  s.addEmailSuggestion(third);
  EXPECT_EQ(s.emailSuggestions().size(), 3);
  s.dismissSuggestion(first.id);
  EXPECT_EQ(s.pendingEmailSuggestions(), QList{third});
  EXPECT_EQ(s.emailSyncState().pendingCount, 1);
  EXPECT_EQ(s.emailSuggestions().at(0).status, SuggestionStatus::dismissed);
  EXPECT_EQ(s.emailSuggestions().at(0).reviewedAt, now);
}

TEST_F(Suggestions, ApprovingCreatesTheMatchingRecordOnceAndDeletingMailDataKeepsIt) {
  DataStore& s = open();
  auto task = makeSuggestion(EmailExtractedCategory::task, "Sign form");
  task.dueDate = utc(2026, 3, 12, 10);
  auto bill = makeSuggestion(EmailExtractedCategory::bill, "Phone bill");
  bill.amount = 39.99;
  bill.currency = "EUR";
  bill.dueDate = utc(2026, 3, 20, 9);
  bill.referenceNumber = "INV-7";
  auto appointment = makeSuggestion(EmailExtractedCategory::appointment, "Dentist");
  appointment.dueDate = utc(2026, 3, 14, 8);
  appointment.location = "Main St 1";
  auto waiting = makeSuggestion(EmailExtractedCategory::waitingFor, "Refund");
  waiting.personOrOrg = "Shop";
  waiting.dueDate = utc(2026, 3, 18, 9);
  auto notice = makeSuggestion(EmailExtractedCategory::importantNotice, "Renew ID");
  auto drafted = makeSuggestion(EmailExtractedCategory::task, "drafted");
  drafted.status = SuggestionStatus::autoApplied;
  auto late = makeSuggestion(EmailExtractedCategory::bill, "late");
  for (const auto& x : {task, bill, appointment, waiting, notice, drafted, late}) {
    s.addEmailSuggestion(x);
  }
  now = utc(2026, 3, 10, 10);
  for (const auto& x : {task, bill, appointment, waiting, notice}) {
    s.approveSuggestion(x.id);
  }
  // Approved twice or drafted already: nothing more. A dismissal can be undone.
  s.approveSuggestion(task.id);
  s.approveSuggestion(drafted.id);
  s.dismissSuggestion(late.id);
  s.approveSuggestion(late.id);

  // Each kind of record carries what the mail gave for it.
  ASSERT_EQ(testsupport::texts(s.tasks(), &TaskItem::title),
            (QStringList{"Sign form", "Renew ID"}));
  const TaskItem& made = s.tasks().at(0);
  EXPECT_EQ(std::tuple(made.dueDate, made.priority, made.sourceEmailMessageID, made.isCompleted),
            std::tuple(task.dueDate, TaskPriority::high, task.sourceMessageID, false));
  ASSERT_EQ(s.bills().size(), 2);
  const BillItem& paid = s.bills().at(0);
  EXPECT_EQ(std::tuple(paid.name, paid.amount, paid.currency, paid.dueDate),
            std::tuple("Phone bill", 39.99, "EUR", *bill.dueDate));
  EXPECT_TRUE(paid.notes.contains("INV-7"));
  ASSERT_EQ(s.manualEvents().size(), 1);
  const CalendarEventItem& event = s.manualEvents().at(0);
  EXPECT_EQ(std::tuple(event.startDate, event.location, event.sourceType),
            std::tuple(*appointment.dueDate, appointment.location, CalendarSourceType::manual));
  EXPECT_GT(event.endDate, event.startDate);
  ASSERT_EQ(s.waitingItems().size(), 1);
  const WaitingForItem& item = s.waitingItems().at(0);
  EXPECT_EQ(std::tuple(item.personOrOrg, item.expectedResponseDate, item.status),
            std::tuple("Shop", waiting.dueDate, WaitingStatus::waiting));

  for (const auto& stored : s.emailSuggestions()) {
    EXPECT_EQ(stored.status,
              stored.id == drafted.id ? SuggestionStatus::autoApplied : SuggestionStatus::approved);
    EXPECT_EQ(stored.reviewedAt.has_value(), stored.id != drafted.id);
  }
  EXPECT_EQ(s.emailSuggestions().at(0).reviewedAt, now);
  EXPECT_TRUE(s.pendingEmailSuggestions().isEmpty());
  expectSaved();

  // Deleting the e-mail data forgets what mail gave, after a snapshot, and keeps the records.
  s.setProcessedEmailMessageIDs({"m1", "m2"});
  s.setLastEmailSyncAt(now);
  s.setEmailSyncState(EmailSyncState{now, "Found 2 new items", "me@example.com", false, 1});
  s.save();
  const DashboardStorageContainer before = s.container();
  s.deleteAllEmailData();
  DashboardStorageContainer expected = before;
  expected.emailSuggestions.clear();
  expected.processedEmailMessageIDs.clear();
  expected.lastEmailSyncAt.reset();
  expected.emailSyncState = EmailSyncState{};
  EXPECT_EQ(s.container(), expected);
  expectSaved();
  EXPECT_EQ(loadContainer(snapshotPath()), before);
}

using MirroredEvents = StoreTest;
using FetchCall = MockCalendarService::FetchCall;

// Mirrored events are read at launch, after the settings change and on a calendar change, and
// are never written to the database.
TEST_F(MirroredEvents, ReadFromMidnightOverTheLookAheadOfTheSelectedCalendars) {
  calendarService.calendars = {{"work", "Work", "#FF0000"}};
  calendarService.events = {makeEvent("m1", utc(2026, 3, 11, 9), 60, CalendarSourceType::apple)};
  DataStore& s = open();
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

  // Of the two due today only one is finished, whatever else was finished that day: in UTC the
  // one finished yesterday is due today.
  EXPECT_EQ(s.todayMetrics(now, calendar), (DashboardSummary{2, 1, 2, 1, 1, 1, 3, 75}));
  EXPECT_EQ(s.todayMetrics(now, Calendar(QTimeZone::utc())),
            (DashboardSummary{2, 1, 2, 1, 1, 2, 2, 50}));
  // Finished due ones over due; with nothing due, whether anything was finished that day.
  const std::tuple<int, int, int, double> ratios[] = {
      {0, 0, 0, 0.0}, {0, 0, 1, 1.0}, {4, 1, 1, 0.25}, {4, 4, 6, 1.0}, {3, 0, 4, 0.0}};
  for (const auto& [due, finished, completed, ratio] : ratios) {
    EXPECT_DOUBLE_EQ((DashboardSummary{due, finished, completed}).taskCompletionRatio(), ratio);
  }
}

}  // namespace
