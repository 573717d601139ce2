#pragma once

#include "core/services/NotificationServiceProtocol.h"

#include <QList>

// Test double: records every call and posts nothing.
class MockNotificationService : public NotificationServiceProtocol {
 public:
  struct EmailAlert {
    QString title;
    QString body;
    QString identifier;
    bool operator==(const EmailAlert&) const = default;
  };
  struct FocusNotification {
    FocusSessionType type;
    std::optional<QString> taskTitle;
    bool operator==(const FocusNotification&) const = default;
  };

  QCoro::Task<bool> requestAuthorization() override;
  void scheduleTaskReminder(const TaskItem& task) override;
  void cancelTaskReminder(const QUuid& taskID) override;
  void scheduleBillReminder(const BillItem& bill) override;
  void cancelBillReminder(const QUuid& billID) override;
  void scheduleTopUp(const QDateTime& at, std::function<void()> topUp) override;
  void removePending(const QStringList& identifiers) override;
  QCoro::Task<> sendEmailActionableAlert(QString title, QString body, QString identifier) override;
  QCoro::Task<> sendFocusCompletedNotification(FocusSessionType type,
                                               std::optional<QString> taskTitle) override;

  // What `requestAuthorization()` answers.
  bool authorizationGranted = true;

  int authorizationRequests = 0;
  QList<TaskItem> scheduledTaskReminders;
  QList<QUuid> cancelledTaskReminders;
  QList<BillItem> scheduledBillReminders;
  QList<QUuid> cancelledBillReminders;
  QList<QStringList> removedIdentifiers;
  // The top-up last asked for; a test calls it when its clock has reached `topUpAt`.
  QDateTime topUpAt;
  std::function<void()> topUp;
  QList<EmailAlert> emailAlerts;
  QList<FocusNotification> focusNotifications;
};
