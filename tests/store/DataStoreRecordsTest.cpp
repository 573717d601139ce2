#include "StoreTestSupport.h"

#include <QSignalSpy>

using namespace storetest;
using testsupport::utc;

namespace {

class BillOperations : public StoreTest {};

TEST_F(BillOperations, AddUpdateDeleteWithReminders) {
  DataStore& s = open();
  BillItem bill = makeBill(QStringLiteral("Power"), utc(2026, 3, 20, 9));
  s.addBill(bill);
  ASSERT_EQ(notifications.scheduledBillReminders.size(), 1);
  bill.amount = 99;
  s.updateBill(bill);
  EXPECT_EQ(s.bills().at(0).amount, 99);
  EXPECT_EQ(notifications.scheduledBillReminders.size(), 2);
  EXPECT_EQ(loadContainer(databasePath()).bills, s.bills());

  s.deleteBill(bill.id);
  EXPECT_TRUE(s.bills().isEmpty());
  EXPECT_EQ(notifications.cancelledBillReminders, QList<QUuid>{bill.id});
  EXPECT_TRUE(loadContainer(databasePath()).bills.isEmpty());
}

TEST_F(BillOperations, PayingARepeatingBillAddsTheNextOnce) {
  DataStore& s = open();
  // 31 January, 10:00 in Berlin: February has no 31st.
  const BillItem rent =
      makeBill(QStringLiteral("Rent"), utc(2026, 1, 31, 9), RecurrenceRule::monthly());
  s.addBill(rent);
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

  s.toggleBillPaid(rent.id, at);  // unpaid again
  EXPECT_FALSE(s.bills().at(0).isPaid);
  EXPECT_FALSE(s.bills().at(0).paidAt.has_value());
  s.toggleBillPaid(rent.id, at);  // paid again: the next bill exists already
  EXPECT_EQ(s.bills().size(), 2);
}

TEST_F(BillOperations, UnknownBillChangesNothing) {
  DataStore& s = open();
  s.addBill(makeBill(QStringLiteral("Water"), utc(2026, 3, 20, 9)));
  const QByteArray fileBefore = readFile(databasePath());
  const BillItem stranger = makeBill(QStringLiteral("Nobody"), utc(2026, 3, 20, 9));
  s.updateBill(stranger);
  s.toggleBillPaid(stranger.id, now);
  s.deleteBill(stranger.id);
  EXPECT_EQ(s.bills().size(), 1);
  EXPECT_FALSE(s.bills().at(0).isPaid);
  EXPECT_EQ(readFile(databasePath()), fileBefore);
}

class WaitingOperations : public StoreTest {};

TEST_F(WaitingOperations, SnoozeMovesTheFollowUpByCalendarDays) {
  DataStore& s = open();
  WaitingForItem withDate = makeWaiting(QStringLiteral("quote"), utc(2026, 3, 1, 9));
  withDate.nextFollowUpDate = utc(2026, 3, 27, 9);  // 10:00 in Berlin, before summer time
  WaitingForItem withoutDate = makeWaiting(QStringLiteral("refund"), utc(2026, 3, 1, 9));
  s.addWaitingItem(withDate);
  s.addWaitingItem(withoutDate);

  s.snoozeWaitingItem(withDate.id, 3);
  // Three calendar days later at 10:00 local, now in summer time.
  EXPECT_EQ(s.waitingItems().at(0).nextFollowUpDate, utc(2026, 3, 30, 8));

  s.snoozeWaitingItem(withoutDate.id, 3);
  EXPECT_EQ(s.waitingItems().at(1).nextFollowUpDate, utc(2026, 3, 13, 9));
  EXPECT_EQ(loadContainer(databasePath()).waitingItems, s.waitingItems());
}

TEST_F(WaitingOperations, SnoozeByLessThanOneDayStillMovesOneDay) {
  DataStore& s = open();
  WaitingForItem item = makeWaiting(QStringLiteral("reply"), utc(2026, 3, 1, 9));
  item.nextFollowUpDate = utc(2026, 3, 5, 9);
  s.addWaitingItem(item);
  s.snoozeWaitingItem(item.id, 0);
  EXPECT_EQ(s.waitingItems().at(0).nextFollowUpDate, utc(2026, 3, 6, 9));
  s.snoozeWaitingItem(item.id, -4);
  EXPECT_EQ(s.waitingItems().at(0).nextFollowUpDate, utc(2026, 3, 7, 9));
}

TEST_F(WaitingOperations, ResolveUpdateDelete) {
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
  EXPECT_TRUE(loadContainer(databasePath()).waitingItems.isEmpty());
}

TEST_F(WaitingOperations, UnknownItemChangesNothing) {
  DataStore& s = open();
  WaitingForItem item = makeWaiting(QStringLiteral("kept"), utc(2026, 3, 1, 9));
  s.addWaitingItem(item);
  const QByteArray fileBefore = readFile(databasePath());
  QSignalSpy changed(&s, &DataStore::waitingItemsChanged);
  const QUuid stranger = QUuid::createUuid();
  s.snoozeWaitingItem(stranger, 3);
  s.resolveWaitingItem(stranger);
  s.deleteWaitingItem(stranger);
  s.updateWaitingItem(makeWaiting(QStringLiteral("stranger"), now));
  EXPECT_EQ(s.waitingItems(), QList<WaitingForItem>{item});
  EXPECT_EQ(readFile(databasePath()), fileBefore);
  EXPECT_EQ(changed.count(), 0);
}

class ManualEvents : public StoreTest {};

TEST_F(ManualEvents, AddUpdateDeleteAndUnknown) {
  DataStore& s = open();
  CalendarEventItem event = makeEvent(QStringLiteral("e1"), utc(2026, 3, 12, 9), 60);
  s.addManualEvent(event);
  event.title = QStringLiteral("Moved");
  s.updateManualEvent(event);
  s.updateManualEvent(makeEvent(QStringLiteral("unknown"), utc(2026, 3, 12, 9), 60));
  s.deleteManualEvent(QStringLiteral("unknown"));
  ASSERT_EQ(s.manualEvents().size(), 1);
  EXPECT_EQ(s.manualEvents().at(0).title, QStringLiteral("Moved"));
  s.deleteManualEvent(QStringLiteral("e1"));
  EXPECT_TRUE(s.manualEvents().isEmpty());
  EXPECT_TRUE(loadContainer(databasePath()).manualEvents.isEmpty());
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
  s.deleteFocusSession(QUuid::createUuid());
  EXPECT_EQ(s.focusSessions().size(), 1);
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

TEST_F(FocusAndSuggestions, ApprovingTwiceOrAnAutoDraftCreatesNothingMore) {
  DataStore& s = open();
  auto task = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("once"));
  auto drafted = makeSuggestion(EmailExtractedCategory::task, QStringLiteral("drafted"));
  drafted.status = SuggestionStatus::autoApplied;
  s.addEmailSuggestion(task);
  s.addEmailSuggestion(drafted);
  s.approveSuggestion(task.id);
  s.approveSuggestion(task.id);
  s.approveSuggestion(drafted.id);
  EXPECT_EQ(s.tasks().size(), 1);
  EXPECT_EQ(s.emailSuggestions().at(1).status, SuggestionStatus::autoApplied);
}

TEST_F(FocusAndSuggestions, ADismissedSuggestionCanStillBeApproved) {
  DataStore& s = open();
  auto bill = makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("late"));
  s.addEmailSuggestion(bill);
  s.dismissSuggestion(bill.id);
  s.approveSuggestion(bill.id);
  EXPECT_EQ(s.bills().size(), 1);
  EXPECT_EQ(s.emailSuggestions().at(0).status, SuggestionStatus::approved);
}

TEST_F(FocusAndSuggestions, UnknownSuggestionChangesNothing) {
  DataStore& s = open();
  s.addEmailSuggestion(makeSuggestion(EmailExtractedCategory::task, QStringLiteral("x")));
  const QByteArray fileBefore = readFile(databasePath());
  s.approveSuggestion(QUuid::createUuid());
  s.dismissSuggestion(QUuid::createUuid());
  s.updateEmailSuggestion(makeSuggestion(EmailExtractedCategory::task, QStringLiteral("y")));
  EXPECT_TRUE(s.tasks().isEmpty());
  EXPECT_EQ(s.emailSuggestions().at(0).status, SuggestionStatus::pending);
  EXPECT_EQ(readFile(databasePath()), fileBefore);
}

class SampleData : public StoreTest {};

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
  s.addBill(bill);
  EXPECT_TRUE(s.hasSampleData());
  s.deleteBill(bill.id);
  WaitingForItem item = makeWaiting(QStringLiteral("w"), now);
  item.isSampleData = true;
  s.addWaitingItem(item);
  EXPECT_TRUE(s.hasSampleData());
  s.deleteWaitingItem(item.id);
  s.addManualEvent(makeEvent(QStringLiteral("s"), now, 30, CalendarSourceType::sample));
  EXPECT_TRUE(s.hasSampleData());
  s.deleteManualEvent(QStringLiteral("s"));
  EXPECT_FALSE(s.hasSampleData());
}

}  // namespace
