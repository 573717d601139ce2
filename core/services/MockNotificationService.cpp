#include "core/services/MockNotificationService.h"

QCoro::Task<bool> MockNotificationService::requestAuthorization() {
  ++authorizationRequests;
  co_return authorizationGranted;
}

void MockNotificationService::scheduleTaskReminder(const TaskItem& task) {
  scheduledTaskReminders.append(task);
}

void MockNotificationService::cancelTaskReminder(const QUuid& taskID) {
  cancelledTaskReminders.append(taskID);
}

void MockNotificationService::scheduleBillReminder(const BillItem& bill) {
  scheduledBillReminders.append(bill);
}

void MockNotificationService::cancelBillReminder(const QUuid& billID) {
  cancelledBillReminders.append(billID);
}

void MockNotificationService::scheduleTopUp(const QDateTime& at, std::function<void()> topUp) {
  topUpAt = at;
  this->topUp = std::move(topUp);
}

void MockNotificationService::removePending(const QStringList& identifiers) {
  removedIdentifiers.append(identifiers);
}

QCoro::Task<> MockNotificationService::sendEmailActionableAlert(QString title, QString body,
                                                                QString identifier) {
  emailAlerts.append({std::move(title), std::move(body), std::move(identifier)});
  co_return;
}

QCoro::Task<> MockNotificationService::sendFocusCompletedNotification(
    FocusSessionType type, std::optional<QString> taskTitle) {
  focusNotifications.append({type, std::move(taskTitle)});
  co_return;
}
