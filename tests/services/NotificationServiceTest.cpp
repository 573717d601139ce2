#include "core/platform/UserNotificationCenter.h"
#include "core/services/NotificationService.h"
#include "testing/FakeNotificationServer.h"

#include "common/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

const QUuid kID = QUuid::fromString("{0f8fad5b-d9cb-469f-a165-70867728950e}");
const QString kTaskIdentifier = "task-0F8FAD5B-D9CB-469F-A165-70867728950E";
const QString kBillIdentifier = "bill-0F8FAD5B-D9CB-469F-A165-70867728950E";

TaskItem task(std::optional<QDateTime> due, bool completed = false) {
  return TaskItem(kID, "Renew passport", QString(), due, TaskPriority::medium, "General", completed,
                  std::nullopt, RecurrenceRule::none(), QDateTime(), QDateTime(), false,
                  std::nullopt);
}

BillItem bill(const QDateTime& due, int daysBefore, bool paid = false) {
  return BillItem(kID, "Electricity", 42.5, "EUR", due, "Utilities", paid, std::nullopt, daysBefore,
                  RecurrenceRule::none(), QString(), QDateTime(), false, std::nullopt);
}

class NotificationServiceTest : public ::testing::Test {
 protected:
  NotificationServiceTest()
      : center_(QDBusConnection::sessionBus(), server_.serviceName(), [this] { return now_; }),
        service_(&center_, Calendar(QTimeZone("Europe/Berlin"))) {}

  void SetUp() override { ASSERT_TRUE(server_.start()); }

  std::optional<NotificationRequest> pending(const QString& identifier) const {
    return testsupport::findBy(center_.pendingRequests(), &NotificationRequest::identifier,
                               identifier);
  }

  FakeNotificationServer::Notification nextNotification() {
    const int before = server_.notifications().size();
    QSignalSpy notified(&server_, &FakeNotificationServer::notified);
    EXPECT_TRUE(notified.wait(testsupport::kPatienceMs));
    return server_.notifications().value(before);
  }

  FakeNotificationServer server_;
  QDateTime now_ = utc(2024, 6, 10, 12);
  UserNotificationCenter center_;
  NotificationService service_;
};

// Each row follows a pending reminder for the 14th: it moves, or it is dropped.
TEST_F(NotificationServiceTest, TaskReminderFallsDueWithTheTaskAndFollowsItsChanges) {
  const std::pair<TaskItem, std::optional<QDateTime>> cases[] = {
      {task(utc(2024, 6, 15, 8)), utc(2024, 6, 15, 8)},
      {task(utc(2024, 6, 14, 8), true), std::nullopt},  // completed
      {task(std::nullopt), std::nullopt},
      {task(utc(2024, 6, 9, 8)), std::nullopt},  // due in the past
  };
  for (const auto& [changed, fireDate] : cases) {
    service_.scheduleTaskReminder(task(utc(2024, 6, 14, 8)));
    ASSERT_TRUE(pending(kTaskIdentifier).has_value());
    EXPECT_EQ(pending(kTaskIdentifier)->title, "Task Due: Renew passport");
    service_.scheduleTaskReminder(changed);
    EXPECT_EQ(center_.pendingRequests().size(), fireDate ? 1 : 0);
    if (fireDate) {
      EXPECT_EQ(pending(kTaskIdentifier)->fireDate, *fireDate);
    }
  }
  service_.cancelTaskReminder(kID);
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
}

// Due late on 20 June in Berlin (summer time, UTC+2): 09:00 local is 07:00 UTC.
TEST_F(NotificationServiceTest, BillReminderIsAtNineLocalTheChosenDaysBefore) {
  const struct {
    BillItem bill;
    std::optional<QDateTime> fireDate;
    const char* body;
  } cases[] = {
      {bill(utc(2024, 6, 20, 21, 30), 3), utc(2024, 6, 17, 7), "EUR 42.50 is due in 3 days."},
      {bill(utc(2024, 6, 20, 10), -2), utc(2024, 6, 20, 7), "EUR 42.50 is due today."},
      {bill(utc(2024, 6, 20, 10), 1), utc(2024, 6, 19, 7), "EUR 42.50 is due tomorrow."},
      {bill(utc(2024, 6, 20, 10), 3, true), std::nullopt, ""},
      // The reminder day is already over: nothing to schedule.
      {bill(utc(2024, 6, 11, 10), 3), std::nullopt, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    service_.scheduleBillReminder(bill(utc(2024, 6, 25, 10), 3));
    service_.scheduleBillReminder(c.bill);
    ASSERT_EQ(center_.pendingRequests().size(), c.fireDate ? 1 : 0);
    if (c.fireDate) {
      EXPECT_EQ(pending(kBillIdentifier)->fireDate, *c.fireDate);
      EXPECT_EQ(pending(kBillIdentifier)->title, "Bill Due: Electricity");
      EXPECT_EQ(pending(kBillIdentifier)->body, c.body);
    }
  }
  service_.scheduleBillReminder(bill(utc(2024, 6, 20, 10), 3));
  service_.cancelBillReminder(kID);
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
}

// Reminders and alerts reach the server when due; focus completions at once, each its own.
TEST_F(NotificationServiceTest, NotificationsReachTheServerWhenDue) {
  QSignalSpy posted(&center_, &UserNotificationCenter::posted);
  testsupport::runTask(service_.sendFocusCompletedNotification(FocusSessionType::focus, "Essay"));
  auto shown = nextNotification();
  EXPECT_EQ(std::pair(shown.summary, shown.body),
            std::pair(QString("Focus Session Complete"),
                      QString("Great work on \"Essay\". Time for a break.")));
  testsupport::runTask(
      service_.sendFocusCompletedNotification(FocusSessionType::longBreak, std::nullopt));
  EXPECT_EQ(nextNotification().summary, "Long Break Over");
  while (posted.size() < 2) {
    ASSERT_TRUE(posted.wait(testsupport::kPatienceMs));
  }
  EXPECT_TRUE(posted[0][0].toString().startsWith("focus-complete-"));
  EXPECT_NE(posted[0][0].toString(), posted[1][0].toString());
  EXPECT_EQ(server_.notifications().last().replacesId, 0u);

  service_.scheduleTaskReminder(task(utc(2024, 6, 10, 13)));
  now_ = utc(2024, 6, 10, 13);
  center_.deliverDueRequests();
  shown = nextNotification();
  EXPECT_EQ(std::pair(shown.summary, shown.body),
            std::pair(QString("Task Due: Renew passport"), QString("This task is due now.")));

  // An e-mail alert waits half a second under its own identifier.
  const QString identifier = "email-urgent-0F8FAD5B-D9CB-469F-A165-70867728950E";
  testsupport::runTask(service_.sendEmailActionableAlert("Bill Due: Water", "$12 due", identifier));
  ASSERT_TRUE(pending(identifier).has_value());
  EXPECT_EQ(pending(identifier)->delay, std::chrono::milliseconds(500));
  EXPECT_TRUE(pending(identifier)->playsDefaultSound);
  now_ = now_.addMSecs(500);
  center_.deliverDueRequests();
  EXPECT_EQ(nextNotification().summary, "Bill Due: Water");
}

}  // namespace
