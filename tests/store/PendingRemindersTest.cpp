#include "StoreTestSupport.h"

#include "core/platform/UserNotificationCenter.h"
#include "core/services/NotificationService.h"
#include "core/store/ExportImportManager.h"
#include "testing/FakeNotificationServer.h"

using namespace storetest;

namespace {

// A store whose reminders go to a real notification centre on the test clock, so a test sees
// what waits to be shown, whichever way the store hands its reminders over.
class PendingReminders : public StoreTest {
 protected:
  ~PendingReminders() override { store.reset(); }  // before the centre it schedules with

  // Opens the store as a new launch would: with a centre holding nothing yet.
  DataStore& openWithCenter() {
    store.reset();
    service_.reset();
    // No server answers on this name; nothing here falls due while the test runs.
    center_ = std::make_unique<UserNotificationCenter>(QDBusConnection::sessionBus(),
                                                       FakeNotificationServer::uniqueServiceName(),
                                                       [this] { return now; });
    service_ = std::make_unique<NotificationService>(center_.get(), calendar);
    store = std::make_unique<DataStore>(
        folder(), service_.get(), &calendarService, [this] { return now; }, calendar);
    return *store;
  }
  QSet<QString> pending() const {
    QSet<QString> identifiers;
    for (const NotificationRequest& request : center_->pendingRequests()) {
      identifiers.insert(request.identifier);
    }
    return identifiers;
  }
  // The centre looks at its queue, as its timer or a wake makes it.
  void lookAtQueue() { center_->deliverDueRequests(); }
  static QSet<QString> remindersOf(const QList<TaskItem>& tasks, const QList<BillItem>& bills) {
    QSet<QString> identifiers;
    for (const TaskItem& task : tasks) {
      identifiers.insert(NotificationService::taskIdentifier(task.id));
    }
    for (const BillItem& bill : bills) {
      identifiers.insert(NotificationService::billIdentifier(bill.id));
    }
    return identifiers;
  }
  // Everything here falls due within the coming two days: each open record has its reminder.
  QDateTime tomorrow() const { return now.addDays(1); }
  // Due in two days, reminded the day before.
  BillItem soonBill(const QString& name) const {
    BillItem bill = makeBill(name, now.addDays(2));
    bill.reminderDaysBefore = 1;
    return bill;
  }
  // Only the first task and the first bill want a reminder: the others are done, past, undated
  // or paid.
  DashboardStorageContainer mixedRecords() const {
    DashboardStorageContainer records;
    TaskItem done = makeTask("done", tomorrow());
    done.isCompleted = true;
    done.completedAt = now;
    BillItem paid = soonBill("paid");
    paid.isPaid = true;
    records.tasks = {makeTask("open", tomorrow()), done, makeTask("past", now.addDays(-1)),
                     makeTask("undated")};
    records.bills = {soonBill("unpaid"), paid};
    return records;
  }
  // Adds an open task due tomorrow and an unpaid bill due soon: both want a reminder.
  std::pair<TaskItem, BillItem> addDueSoon(DataStore& s, const QString& name) const {
    const TaskItem task = makeTask(name, tomorrow());
    const BillItem bill = soonBill(name + " bill");
    s.addTask(task);
    s.addBill(bill);
    return {task, bill};
  }
  static void writeDatabase(const QString& path, const DashboardStorageContainer& records) {
    writeFile(path, QJsonDocument(records.toJson()).toJson());
  }

 private:
  std::unique_ptr<UserNotificationCenter> center_;
  std::unique_ptr<NotificationService> service_;
};

// A launch over saved records has the reminders of its open tasks and unpaid bills waiting.
TEST_F(PendingReminders, ALaunchSchedulesTheSavedRecordsReminders) {
  const DashboardStorageContainer saved = mixedRecords();
  writeDatabase(databasePath(), saved);
  openWithCenter();
  EXPECT_EQ(pending(), remindersOf({saved.tasks.first()}, {saved.bills.first()}));
}

// A saved reminder far ahead is waiting by the time it falls due within the coming days,
// however far ahead a launch hands its reminders over.
TEST_F(PendingReminders, AReminderFarAheadIsWaitingWhenItsDayComesNear) {
  DashboardStorageContainer saved;
  saved.tasks = {makeTask("far", now.addDays(40))};
  saved.bills = {soonBill("far bill")};
  saved.bills.first().dueDate = now.addDays(41);
  writeDatabase(databasePath(), saved);
  openWithCenter();
  for (int day = 1; day <= 39; ++day) {
    now = now.addDays(1);
    lookAtQueue();
  }
  EXPECT_EQ(pending(), remindersOf(saved.tasks, saved.bills));
}

// After an import the reminders are exactly those of the restored open tasks and unpaid bills:
// none of the replaced records' is left, none of the restored ones is missing. A reset leaves
// none.
TEST_F(PendingReminders, AnImportOrAResetLeavesExactlyTheRestoredRecordsReminders) {
  DataStore& s = openWithCenter();
  const auto [kept, keptBill] = addDueSoon(s, "kept");
  ExportImportManager manager(s);
  const QString backup = path("backup.json");
  manager.exportBackup(backup, now);

  const auto [later, laterBill] = addDueSoon(s, "added after the backup");
  ASSERT_EQ(pending(), remindersOf({kept, later}, {keptBill, laterBill}));
  manager.importBackup(backup);
  EXPECT_EQ(pending(), remindersOf({kept}, {keptBill}));

  // Another set entirely: only its open, future records get a reminder.
  const DashboardStorageContainer other = mixedRecords();
  writeDatabase(path("other.json"), other);
  manager.importBackup(path("other.json"));
  EXPECT_EQ(pending(), remindersOf({other.tasks.first()}, {other.bills.first()}));

  manager.resetAllData();
  EXPECT_EQ(pending(), QSet<QString>{});
}

// With deadline or bill reminders switched off (and the settings saved, as the settings page
// does) nothing waits for those records, new ones included; on again, every open record has its
// reminder back.
TEST_F(PendingReminders, SwitchedOffRemindersLeaveNothingPending) {
  DataStore& s = openWithCenter();
  const auto [task, bill] = addDueSoon(s, "first");
  ASSERT_EQ(pending(), remindersOf({task}, {bill}));

  AppSettings settings = s.settings();
  settings.notifyTaskDeadlines = false;
  s.setSettings(settings);
  s.saveSettings();
  EXPECT_EQ(pending(), remindersOf({}, {bill}));
  const TaskItem quiet = makeTask("quiet", tomorrow());
  s.addTask(quiet);
  EXPECT_EQ(pending(), remindersOf({}, {bill}));

  settings.notifyBillReminders = false;
  s.setSettings(settings);
  s.saveSettings();
  const BillItem quietBill = soonBill("quiet bill");
  s.addBill(quietBill);
  EXPECT_EQ(pending(), QSet<QString>{});

  settings.notifyTaskDeadlines = settings.notifyBillReminders = true;
  s.setSettings(settings);
  s.saveSettings();
  EXPECT_EQ(pending(), remindersOf({task, quiet}, {bill, quietBill}));
}

}  // namespace
