#include "core/platform/UserNotificationCenter.h"
#include "core/services/NotificationService.h"
#include "testing/FakeNotificationServer.h"

#include "common/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

const QUuid kID = QUuid::fromString(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));

TaskItem task(std::optional<QDateTime> due) {
  TaskItem t;
  t.id = kID;
  t.title = QStringLiteral("Renew passport");
  t.dueDate = due;
  return t;
}

BillItem bill(const QDateTime& due, int daysBefore) {
  BillItem b;
  b.id = kID;
  b.name = QStringLiteral("Electricity");
  b.amount = 42.5;
  b.currency = QStringLiteral("EUR");
  b.dueDate = due;
  b.reminderDaysBefore = daysBefore;
  return b;
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
    QSignalSpy notified(&server_, &FakeNotificationServer::notified);
    const int before = server_.notifications().size();
    while (server_.notifications().size() == before) {
      EXPECT_TRUE(notified.wait(10000));
      if (notified.isEmpty()) {
        return {};
      }
    }
    return server_.notifications().last();
  }

  FakeNotificationServer server_;
  QDateTime now_ = utc(2024, 6, 10, 12);
  UserNotificationCenter center_;
  NotificationService service_;
};

TEST_F(NotificationServiceTest, TaskReminderFallsDueWithTheTaskAndFollowsItsChanges) {
  const QString identifier = QStringLiteral("task-0F8FAD5B-D9CB-469F-A165-70867728950E");
  EXPECT_EQ(NotificationService::taskIdentifier(kID), identifier);

  service_.scheduleTaskReminder(task(utc(2024, 6, 12, 15)));
  auto reminder = pending(identifier);
  ASSERT_TRUE(reminder.has_value());
  EXPECT_EQ(reminder->fireDate, utc(2024, 6, 12, 15));
  EXPECT_EQ(reminder->title, QStringLiteral("Task Due: Renew passport"));

  // Rescheduling moves it; completing, losing the due date or a past due date drop it.
  service_.scheduleTaskReminder(task(utc(2024, 6, 14, 8)));
  ASSERT_EQ(center_.pendingRequests().size(), 1);
  EXPECT_EQ(pending(identifier)->fireDate, utc(2024, 6, 14, 8));

  TaskItem done = task(utc(2024, 6, 14, 8));
  done.isCompleted = true;
  service_.scheduleTaskReminder(done);
  EXPECT_FALSE(pending(identifier).has_value());

  service_.scheduleTaskReminder(task(utc(2024, 6, 14, 8)));
  service_.scheduleTaskReminder(task(std::nullopt));
  EXPECT_FALSE(pending(identifier).has_value());

  service_.scheduleTaskReminder(task(utc(2024, 6, 14, 8)));
  service_.scheduleTaskReminder(task(utc(2024, 6, 9, 8)));
  EXPECT_FALSE(pending(identifier).has_value());

  service_.scheduleTaskReminder(task(utc(2024, 6, 14, 8)));
  service_.cancelTaskReminder(kID);
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
}

TEST_F(NotificationServiceTest, BillReminderIsAtNineLocalTheChosenDaysBefore) {
  const QString identifier = QStringLiteral("bill-0F8FAD5B-D9CB-469F-A165-70867728950E");
  EXPECT_EQ(NotificationService::billIdentifier(kID), identifier);

  // Due late on 20 June in Berlin (summer time, UTC+2): 17 June 09:00 local is 07:00 UTC.
  service_.scheduleBillReminder(bill(utc(2024, 6, 20, 21, 30), 3));
  auto reminder = pending(identifier);
  ASSERT_TRUE(reminder.has_value());
  EXPECT_EQ(reminder->fireDate, utc(2024, 6, 17, 7));
  EXPECT_EQ(reminder->title, QStringLiteral("Bill Due: Electricity"));
  EXPECT_EQ(reminder->body, QStringLiteral("EUR 42.50 is due in 3 days."));

  service_.scheduleBillReminder(bill(utc(2024, 6, 20, 10), -2));  // read as on the day
  ASSERT_EQ(center_.pendingRequests().size(), 1);
  EXPECT_EQ(pending(identifier)->fireDate, utc(2024, 6, 20, 7));
  EXPECT_EQ(pending(identifier)->body, QStringLiteral("EUR 42.50 is due today."));
  service_.scheduleBillReminder(bill(utc(2024, 6, 20, 10), 1));
  EXPECT_EQ(pending(identifier)->body, QStringLiteral("EUR 42.50 is due tomorrow."));

  BillItem paid = bill(utc(2024, 6, 20, 10), 3);
  paid.isPaid = true;
  service_.scheduleBillReminder(paid);
  EXPECT_FALSE(pending(identifier).has_value());

  // The reminder day is already over: nothing to schedule.
  service_.scheduleBillReminder(bill(utc(2024, 6, 11, 10), 3));
  EXPECT_FALSE(pending(identifier).has_value());

  service_.scheduleBillReminder(bill(utc(2024, 6, 20, 10), 3));
  service_.removePending({identifier});
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
  service_.scheduleBillReminder(bill(utc(2024, 6, 20, 10), 3));
  service_.cancelBillReminder(kID);
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
}

TEST_F(NotificationServiceTest, ScheduledReminderReachesTheServerWhenDue) {
  service_.scheduleTaskReminder(task(utc(2024, 6, 10, 13)));
  now_ = utc(2024, 6, 10, 13);
  center_.deliverDueRequests();
  const auto shown = nextNotification();
  EXPECT_EQ(shown.summary, QStringLiteral("Task Due: Renew passport"));
  EXPECT_EQ(shown.body, QStringLiteral("This task is due now."));
}

TEST_F(NotificationServiceTest, EmailAlertWaitsHalfASecondUnderItsOwnIdentifier) {
  const QString identifier = QStringLiteral("email-urgent-0F8FAD5B-D9CB-469F-A165-70867728950E");
  testsupport::runTask(service_.sendEmailActionableAlert(
      QStringLiteral("Bill Due: Water"), QStringLiteral("Amount: $12.00 due soon."), identifier));
  const auto alert = pending(identifier);
  ASSERT_TRUE(alert.has_value());
  EXPECT_EQ(alert->delay, std::chrono::milliseconds(500));
  EXPECT_TRUE(alert->playsDefaultSound);

  now_ = now_.addMSecs(500);
  center_.deliverDueRequests();
  const auto shown = nextNotification();
  EXPECT_EQ(shown.summary, QStringLiteral("Bill Due: Water"));
  EXPECT_EQ(shown.body, QStringLiteral("Amount: $12.00 due soon."));
}

TEST_F(NotificationServiceTest, FocusCompletionIsShownAtOnce) {
  QSignalSpy posted(&center_, &UserNotificationCenter::posted);
  testsupport::runTask(
      service_.sendFocusCompletedNotification(FocusSessionType::focus, QStringLiteral("Essay")));
  auto shown = nextNotification();
  EXPECT_EQ(shown.summary, QStringLiteral("Focus Session Complete"));
  EXPECT_EQ(shown.body, QStringLiteral("Great work on \"Essay\". Time for a break."));

  testsupport::runTask(
      service_.sendFocusCompletedNotification(FocusSessionType::longBreak, std::nullopt));
  shown = nextNotification();
  EXPECT_EQ(shown.summary, QStringLiteral("Long Break Over"));

  while (posted.size() < 2) {
    ASSERT_TRUE(posted.wait(10000));
  }
  const QString first = posted[0][0].toString();
  const QString second = posted[1][0].toString();
  EXPECT_TRUE(first.startsWith(QStringLiteral("focus-complete-")));
  EXPECT_EQ(first, first.toUpper().replace(QStringLiteral("FOCUS-COMPLETE-"),
                                           QStringLiteral("focus-complete-")));
  // Each completion is its own notification, never replacing the previous one.
  EXPECT_NE(first, second);
  EXPECT_EQ(server_.notifications()[1].replacesId, 0u);
}

}  // namespace
