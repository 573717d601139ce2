#pragma once

#include "core/model/Calendar.h"
#include "core/services/NotificationServiceProtocol.h"

class UserNotificationCenter;

// Local notifications through a user-notification centre.
class NotificationService : public NotificationServiceProtocol {
 public:
  // nullptr selects the process's centre. Bill reminders fall at 9:00 in `calendar`.
  explicit NotificationService(UserNotificationCenter* center = nullptr,
                               Calendar calendar = Calendar::current());

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

  static QString taskIdentifier(const QUuid& taskID);
  static QString billIdentifier(const QUuid& billID);

 private:
  UserNotificationCenter& center_;
  Calendar calendar_;
};
