#include "StoreTestSupport.h"

#include <QSignalSpy>

#include <functional>
#include <limits>

using namespace storetest;
using testsupport::utc;

namespace {

class RecordOperations : public StoreTest {};

TEST_F(RecordOperations, UnknownIdentifiersChangeNothing) {
  DataStore& s = open();
  s.addTask(makeTask(QStringLiteral("kept"), utc(2026, 3, 11, 9)));
  s.addBill(makeBill(QStringLiteral("Water"), utc(2026, 3, 20, 9)));
  s.addWaitingItem(makeWaiting(QStringLiteral("kept"), utc(2026, 3, 1, 9)));
  s.addManualEvent(makeEvent(QStringLiteral("e1"), utc(2026, 3, 12, 9), 60));
  s.addEmailSuggestion(makeSuggestion(EmailExtractedCategory::task, QStringLiteral("x")));
  const DashboardStorageContainer before = loadContainer(databasePath());
  const QByteArray fileBefore = readFile(databasePath());
  const auto remindersBefore =
      notifications.scheduledTaskReminders.size() + notifications.scheduledBillReminders.size();
  QSignalSpy tasks(&s, &DataStore::tasksChanged);
  QSignalSpy waiting(&s, &DataStore::waitingItemsChanged);

  const QUuid stranger = QUuid::createUuid();
  TaskItem task = makeTask(QStringLiteral("stranger"));
  s.updateTask(task);
  s.toggleTaskCompletion(stranger, now);
  s.deleteTask(stranger);
  s.updateBill(makeBill(QStringLiteral("Nobody"), utc(2026, 3, 20, 9)));
  s.toggleBillPaid(stranger, now);
  s.deleteBill(stranger);
  s.snoozeWaitingItem(stranger, 3);
  s.resolveWaitingItem(stranger);
  s.deleteWaitingItem(stranger);
  s.updateWaitingItem(makeWaiting(QStringLiteral("stranger"), now));
  s.updateManualEvent(makeEvent(QStringLiteral("unknown"), utc(2026, 3, 12, 9), 60));
  s.deleteManualEvent(QStringLiteral("unknown"));
  s.deleteFocusSession(stranger);
  s.approveSuggestion(stranger);
  s.dismissSuggestion(stranger);
  s.updateEmailSuggestion(makeSuggestion(EmailExtractedCategory::task, QStringLiteral("y")));

  EXPECT_EQ(readFile(databasePath()), fileBefore);
  EXPECT_EQ(s.tasks(), before.tasks);
  EXPECT_EQ(s.bills(), before.bills);
  EXPECT_EQ(s.waitingItems(), before.waitingItems);
  EXPECT_EQ(s.manualEvents(), before.manualEvents);
  EXPECT_EQ(s.emailSuggestions(), before.emailSuggestions);
  EXPECT_EQ(tasks.count() + waiting.count(), 0);
  EXPECT_EQ(
      notifications.scheduledTaskReminders.size() + notifications.scheduledBillReminders.size(),
      remindersBefore);
  EXPECT_TRUE(notifications.cancelledTaskReminders.isEmpty());
  EXPECT_TRUE(notifications.cancelledBillReminders.isEmpty());
}

TEST_F(RecordOperations, BillsUpdateDeleteWithRemindersAndPayingARepeatingOneAddsTheNextOnce) {
  DataStore& s = open();
  // 31 January, 10:00 in Berlin: February has no 31st.
  BillItem rent = makeBill(QStringLiteral("Rent"), utc(2026, 1, 31, 9), RecurrenceRule::monthly());
  s.addBill(rent);
  ASSERT_EQ(notifications.scheduledBillReminders.size(), 1);
  rent.amount = 99;
  s.updateBill(rent);
  EXPECT_EQ(s.bills().at(0).amount, 99);
  EXPECT_EQ(notifications.scheduledBillReminders.size(), 2);

  const QDateTime at = utc(2026, 1, 30, 12);
  s.toggleBillPaid(rent.id, at);
  ASSERT_EQ(s.bills().size(), 2);
  EXPECT_TRUE(s.bills().at(0).isPaid);
  EXPECT_EQ(s.bills().at(0).paidAt, at);
  const BillItem next = s.bills().at(1);
  EXPECT_FALSE(next.isPaid);
  EXPECT_FALSE(next.paidAt.has_value());
  EXPECT_EQ(next.dueDate, utc(2026, 2, 28, 9));
  EXPECT_NE(next.id, rent.id);
  EXPECT_EQ(loadContainer(databasePath()).bills, s.bills());

  s.toggleBillPaid(rent.id, at);  // unpaid again
  EXPECT_FALSE(s.bills().at(0).isPaid);
  EXPECT_FALSE(s.bills().at(0).paidAt.has_value());
  s.toggleBillPaid(rent.id, at);  // paid again: the next bill exists already
  EXPECT_EQ(s.bills().size(), 2);

  s.deleteBill(rent.id);
  EXPECT_EQ(s.bills(), QList<BillItem>{next});
  EXPECT_EQ(notifications.cancelledBillReminders, QList<QUuid>{rent.id});
  EXPECT_EQ(loadContainer(databasePath()).bills, s.bills());
}

TEST_F(RecordOperations, SnoozeMovesTheFollowUpByAtLeastOneCalendarDay) {
  DataStore& s = open();
  WaitingForItem withDate = makeWaiting(QStringLiteral("quote"), utc(2026, 3, 1, 9));
  withDate.nextFollowUpDate = utc(2026, 3, 27, 9);  // 10:00 in Berlin, before summer time
  WaitingForItem withoutDate = makeWaiting(QStringLiteral("refund"), utc(2026, 3, 1, 9));
  s.addWaitingItem(withDate);
  s.addWaitingItem(withoutDate);

  s.snoozeWaitingItem(withDate.id, 3);
  // Three calendar days later at 10:00 local, now in summer time.
  EXPECT_EQ(s.waitingItems().at(0).nextFollowUpDate, utc(2026, 3, 30, 8));
  s.snoozeWaitingItem(withDate.id, 0);
  EXPECT_EQ(s.waitingItems().at(0).nextFollowUpDate, utc(2026, 3, 31, 8));
  s.snoozeWaitingItem(withDate.id, -4);
  EXPECT_EQ(s.waitingItems().at(0).nextFollowUpDate, utc(2026, 4, 1, 8));

  s.snoozeWaitingItem(withoutDate.id, 3);  // counted from now
  EXPECT_EQ(s.waitingItems().at(1).nextFollowUpDate, utc(2026, 3, 13, 9));
  EXPECT_EQ(loadContainer(databasePath()).waitingItems, s.waitingItems());
}

TEST_F(RecordOperations, WaitingItemsAndManualEventsResolveUpdateAndDelete) {
  DataStore& s = open();
  WaitingForItem item = makeWaiting(QStringLiteral("parcel"), utc(2026, 3, 1, 9));
  s.addWaitingItem(item);
  s.resolveWaitingItem(item.id);
  EXPECT_EQ(s.waitingItems().at(0).status, WaitingStatus::resolved);
  EXPECT_EQ(loadContainer(databasePath()).waitingItems.at(0).status, WaitingStatus::resolved);
  item.title = QStringLiteral("parcel (renamed)");
  s.updateWaitingItem(item);
  EXPECT_EQ(s.waitingItems().at(0), item);
  s.deleteWaitingItem(item.id);
  EXPECT_TRUE(s.waitingItems().isEmpty());

  CalendarEventItem event = makeEvent(QStringLiteral("e1"), utc(2026, 3, 12, 9), 60);
  s.addManualEvent(event);
  event.title = QStringLiteral("Moved");
  s.updateManualEvent(event);
  EXPECT_EQ(loadContainer(databasePath()).manualEvents, QList<CalendarEventItem>{event});
  s.deleteManualEvent(QStringLiteral("e1"));
  EXPECT_TRUE(s.manualEvents().isEmpty());
  const DashboardStorageContainer saved = loadContainer(databasePath());
  EXPECT_TRUE(saved.manualEvents.isEmpty());
  EXPECT_TRUE(saved.waitingItems.isEmpty());
}

class FocusAndSuggestions : public StoreTest {};

TEST_F(FocusAndSuggestions, FocusSessionsAreAppendedAndDeleted) {
  DataStore& s = open();
  FocusSession session;
  session.id = QUuid::createUuid();
  session.startedAt = utc(2026, 3, 10, 8);
  session.endedAt = utc(2026, 3, 10, 8, 25);
  session.durationSeconds = 1500;
  s.addFocusSession(session);
  EXPECT_EQ(loadContainer(databasePath()).focusSessions, QList<FocusSession>{session});
  s.deleteFocusSession(session.id);
  EXPECT_TRUE(s.focusSessions().isEmpty());
}

TEST_F(FocusAndSuggestions, AddingTheSameSuggestionReplacesIt) {
  DataStore& s = open();
  EmailExtractedSuggestion a = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("a"));
  const EmailExtractedSuggestion b =
      makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("b"));
  s.addEmailSuggestion(a);
  s.addEmailSuggestion(b);
  a.title = QStringLiteral("a, corrected");
  s.addEmailSuggestion(a);
  ASSERT_EQ(s.emailSuggestions().size(), 2);
  EXPECT_EQ(s.emailSuggestions().at(0).title, QStringLiteral("a, corrected"));
  EXPECT_EQ(s.emailSuggestions().at(1).id, b.id);
  EXPECT_EQ(s.emailSyncState().pendingCount, 2);
  EXPECT_EQ(loadContainer(databasePath()).emailSuggestions, s.emailSuggestions());
}

TEST_F(FocusAndSuggestions, SeveralSuggestionsAndTheirDraftsAreAddedWithOneSave) {
  DataStore& s = open();
  EmailExtractedSuggestion stored = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("stored"));
  s.addEmailSuggestion(stored);
  stored.title = QStringLiteral("stored, corrected");
  const auto fresh = makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("fresh"));
  auto broken = makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("broken"));
  broken.confidence = std::numeric_limits<double>::quiet_NaN();  // would not read back
  const TaskItem draft = makeTask(QStringLiteral("draft"), now.addDays(1));
  QSignalSpy saves(&s, &DataStore::databaseSaved);

  s.addEmailSuggestions({stored, broken, fresh}, {draft});
  EXPECT_EQ(saves.size(), 1);
  EXPECT_EQ(s.emailSuggestions(), (QList{stored, fresh}));
  EXPECT_EQ(s.tasks(), QList{draft});
  EXPECT_EQ(notifications.scheduledTaskReminders, QList{draft});
  EXPECT_EQ(s.emailSyncState().pendingCount, 2);
  EXPECT_EQ(loadContainer(databasePath()).emailSuggestions, s.emailSuggestions());
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());

  s.addEmailSuggestions({broken});
  EXPECT_EQ(saves.size(), 1);
}

TEST_F(FocusAndSuggestions, PendingSuggestionsKeepStoreOrder) {
  DataStore& s = open();
  auto first = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("1"));
  auto drafted = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("2"));
  drafted.status = SuggestionStatus::autoApplied;
  auto third = makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("3"));
  for (const auto& x : {first, drafted, third}) {
    s.addEmailSuggestion(x);
  }
  const auto pending = s.pendingEmailSuggestions();
  ASSERT_EQ(pending.size(), 2);
  EXPECT_EQ(pending.at(0).id, first.id);
  EXPECT_EQ(pending.at(1).id, third.id);
  s.dismissSuggestion(first.id);
  EXPECT_EQ(s.pendingEmailSuggestions().size(), 1);
  EXPECT_EQ(s.emailSyncState().pendingCount, 1);
  EXPECT_EQ(s.emailSuggestions().at(0).status, SuggestionStatus::dismissed);
  EXPECT_EQ(s.emailSuggestions().at(0).reviewedAt, now);
}

TEST_F(FocusAndSuggestions, ApprovingCreatesTheMatchingRecord) {
  DataStore& s = open();
  auto task = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("Sign form"));
  task.dueDate = utc(2026, 3, 12, 10);
  auto bill = makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("Phone bill"));
  bill.amount = 39.99;
  bill.currency = QStringLiteral("EUR");
  bill.dueDate = utc(2026, 3, 20, 9);
  bill.referenceNumber = QStringLiteral("INV-7");
  auto appointment = makeSuggestion(EmailExtractedCategory::appointment, QStringLiteral("Dentist"));
  appointment.dueDate = utc(2026, 3, 14, 8);
  appointment.location = QStringLiteral("Main St 1");
  auto waiting = makeSuggestion(EmailExtractedCategory::waitingFor, QStringLiteral("Refund"));
  waiting.personOrOrg = QStringLiteral("Shop");
  waiting.dueDate = utc(2026, 3, 18, 9);
  auto notice = makeSuggestion(EmailExtractedCategory::importantNotice, QStringLiteral("Renew ID"));
  for (const auto& x : {task, bill, appointment, waiting, notice}) {
    s.addEmailSuggestion(x);
  }
  now = utc(2026, 3, 10, 10);
  for (const auto& x : {task, bill, appointment, waiting, notice}) {
    s.approveSuggestion(x.id);
  }

  ASSERT_EQ(s.tasks().size(), 2);
  EXPECT_EQ(s.tasks().at(0).title, QStringLiteral("Sign form"));
  EXPECT_EQ(s.tasks().at(0).dueDate, task.dueDate);
  EXPECT_EQ(s.tasks().at(0).priority, TaskPriority::high);
  EXPECT_EQ(s.tasks().at(0).sourceEmailMessageID, task.sourceMessageID);
  EXPECT_FALSE(s.tasks().at(0).isCompleted);
  EXPECT_EQ(s.tasks().at(1).title, QStringLiteral("Renew ID"));

  ASSERT_EQ(s.bills().size(), 1);
  EXPECT_EQ(s.bills().at(0).name, QStringLiteral("Phone bill"));
  EXPECT_DOUBLE_EQ(s.bills().at(0).amount, 39.99);
  EXPECT_EQ(s.bills().at(0).currency, QStringLiteral("EUR"));
  EXPECT_EQ(s.bills().at(0).dueDate, bill.dueDate);
  EXPECT_TRUE(s.bills().at(0).notes.contains(QStringLiteral("INV-7")));

  ASSERT_EQ(s.manualEvents().size(), 1);
  EXPECT_EQ(s.manualEvents().at(0).startDate, appointment.dueDate);
  EXPECT_GT(s.manualEvents().at(0).endDate, s.manualEvents().at(0).startDate);
  EXPECT_EQ(s.manualEvents().at(0).location, appointment.location);
  EXPECT_EQ(s.manualEvents().at(0).sourceType, CalendarSourceType::manual);

  ASSERT_EQ(s.waitingItems().size(), 1);
  EXPECT_EQ(s.waitingItems().at(0).personOrOrg, QStringLiteral("Shop"));
  EXPECT_EQ(s.waitingItems().at(0).expectedResponseDate, waiting.dueDate);
  EXPECT_EQ(s.waitingItems().at(0).status, WaitingStatus::waiting);

  for (const auto& stored : s.emailSuggestions()) {
    EXPECT_EQ(stored.status, SuggestionStatus::approved);
    EXPECT_EQ(stored.reviewedAt, now);
  }
  EXPECT_TRUE(s.pendingEmailSuggestions().isEmpty());
  const DashboardStorageContainer saved = loadContainer(databasePath());
  EXPECT_EQ(saved.tasks, s.tasks());
  EXPECT_EQ(saved.bills, s.bills());
  EXPECT_EQ(saved.manualEvents, s.manualEvents());
  EXPECT_EQ(saved.waitingItems, s.waitingItems());
  EXPECT_EQ(saved.emailSuggestions, s.emailSuggestions());
}

TEST_F(FocusAndSuggestions, ApprovingTwiceOrAnAutoDraftCreatesNothingMoreButADismissalCanBeUndone) {
  DataStore& s = open();
  auto task = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("once"));
  auto drafted = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("drafted"));
  drafted.status = SuggestionStatus::autoApplied;
  auto late = makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("late"));
  for (const auto& x : {task, drafted, late}) {
    s.addEmailSuggestion(x);
  }
  s.approveSuggestion(task.id);
  s.approveSuggestion(task.id);
  s.approveSuggestion(drafted.id);
  s.dismissSuggestion(late.id);
  s.approveSuggestion(late.id);
  EXPECT_EQ(s.tasks().size(), 1);
  EXPECT_EQ(s.bills().size(), 1);
  EXPECT_EQ(s.emailSuggestions().at(1).status, SuggestionStatus::autoApplied);
  EXPECT_EQ(s.emailSuggestions().at(2).status, SuggestionStatus::approved);
}

class SampleData : public StoreTest {};

TEST_F(FocusAndSuggestions, DeletingEmailDataForgetsWhatMailGaveAndKeepsApprovedRecords) {
  DataStore& s = open();
  const auto approved = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("approved"));
  s.addEmailSuggestion(approved);
  s.approveSuggestion(approved.id);
  s.addEmailSuggestion(makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("pending")));
  s.setProcessedEmailMessageIDs({QStringLiteral("m1"), QStringLiteral("m2")});
  s.setLastEmailSyncAt(now);
  EmailSyncState sync = s.emailSyncState();
  sync.lastSyncAt = now;
  sync.lastSyncStatus = QStringLiteral("Found 2 new items");
  sync.accountEmail = QStringLiteral("me@example.com");
  s.setEmailSyncState(sync);
  s.save();
  const QList<TaskItem> tasks = s.tasks();
  ASSERT_EQ(tasks.size(), 1);

  s.deleteAllEmailData();
  const DashboardStorageContainer saved = loadContainer(databasePath());
  EXPECT_TRUE(saved.emailSuggestions.isEmpty());
  EXPECT_TRUE(saved.processedEmailMessageIDs.isEmpty());
  EXPECT_FALSE(saved.lastEmailSyncAt.has_value());
  EXPECT_EQ(saved.emailSyncState, EmailSyncState{});
  EXPECT_EQ(saved.tasks, tasks);
  EXPECT_EQ(loadContainer(snapshotPath()).emailSuggestions.size(), 2);
}

TEST_F(SampleData, RemovalTakesEveryFlaggedRecordAndKeepsASnapshot) {
  DataStore& s = open();
  EXPECT_FALSE(s.hasSampleData());
  TaskItem sampleTask = makeTask(QStringLiteral("sample"));
  sampleTask.isSampleData = true;
  const TaskItem mine = makeTask(QStringLiteral("mine"));
  BillItem sampleBill = makeBill(QStringLiteral("sample bill"), utc(2026, 3, 20, 9));
  sampleBill.isSampleData = true;
  WaitingForItem sampleWaiting = makeWaiting(QStringLiteral("sample wait"), now);
  sampleWaiting.isSampleData = true;
  s.addTask(sampleTask);
  s.addTask(mine);
  s.addBill(sampleBill);
  s.addWaitingItem(sampleWaiting);
  s.addManualEvent(
      makeEvent(QStringLiteral("sample-1"), utc(2026, 3, 11, 9), 30, CalendarSourceType::sample));
  s.addManualEvent(makeEvent(QStringLiteral("mine-1"), utc(2026, 3, 11, 9), 30));
  EXPECT_TRUE(s.hasSampleData());

  s.removeAllSampleData();
  EXPECT_FALSE(s.hasSampleData());
  EXPECT_EQ(s.tasks(), QList<TaskItem>{mine});
  EXPECT_TRUE(s.bills().isEmpty());
  EXPECT_TRUE(s.waitingItems().isEmpty());
  ASSERT_EQ(s.manualEvents().size(), 1);
  EXPECT_EQ(s.manualEvents().at(0).id, QStringLiteral("mine-1"));
  EXPECT_TRUE(notifications.cancelledTaskReminders.contains(sampleTask.id));
  EXPECT_TRUE(notifications.cancelledBillReminders.contains(sampleBill.id));

  const DashboardStorageContainer saved = loadContainer(databasePath());
  EXPECT_EQ(saved.tasks, s.tasks());
  EXPECT_EQ(saved.manualEvents, s.manualEvents());
  const DashboardStorageContainer snapshot = loadContainer(snapshotPath());
  EXPECT_EQ(snapshot.tasks.size(), 2);
  EXPECT_EQ(snapshot.bills.size(), 1);
  EXPECT_EQ(snapshot.manualEvents.size(), 2);
}

TEST_F(SampleData, EachKindOfRecordCountsAsSampleData) {
  DataStore& s = open();
  BillItem bill = makeBill(QStringLiteral("b"), now);
  bill.isSampleData = true;
  WaitingForItem item = makeWaiting(QStringLiteral("w"), now);
  item.isSampleData = true;
  const std::pair<std::function<void()>, std::function<void()>> kinds[] = {
      {[&] { s.addBill(bill); }, [&] { s.deleteBill(bill.id); }},
      {[&] { s.addWaitingItem(item); }, [&] { s.deleteWaitingItem(item.id); }},
      {[&] { s.addManualEvent(makeEvent("s", now, 30, CalendarSourceType::sample)); },
       [&] { s.deleteManualEvent(QStringLiteral("s")); }},
  };
  for (const auto& [add, remove] : kinds) {
    add();
    EXPECT_TRUE(s.hasSampleData());
    remove();
    EXPECT_FALSE(s.hasSampleData());
  }
}

}  // namespace
