#include "StoreTestSupport.h"

#include <QSignalSpy>

#include <limits>
#include <tuple>

using namespace storetest;

namespace {

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

}  // namespace
