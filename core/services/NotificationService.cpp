#include "core/services/NotificationService.h"

#include "core/model/JsonCoding.h"
#include "core/platform/UserNotificationCenter.h"

#include <QTime>

#include <algorithm>
#include <chrono>

namespace {

constexpr std::chrono::milliseconds kEmailAlertDelay{500};
const QTime kBillReminderTime(9, 0);

QString dueText(int daysBefore) {
  switch (daysBefore) {
    case 0:
      return QStringLiteral("today");
    case 1:
      return QStringLiteral("tomorrow");
    default:
      return QStringLiteral("in %1 days").arg(daysBefore);
  }
}

}  // namespace

NotificationService::NotificationService(UserNotificationCenter* center, Calendar calendar)
    : center_(center ? *center : UserNotificationCenter::current()),
      calendar_(std::move(calendar)) {}

QString NotificationService::taskIdentifier(const QUuid& taskID) {
  return QStringLiteral("task-") + jsoncoding::uuidText(taskID);
}

QString NotificationService::billIdentifier(const QUuid& billID) {
  return QStringLiteral("bill-") + jsoncoding::uuidText(billID);
}

QCoro::Task<bool> NotificationService::requestAuthorization() {
  co_return co_await center_.requestAuthorization();
}

void NotificationService::scheduleTaskReminder(const TaskItem& task) {
  const QString identifier = taskIdentifier(task.id);
  if (task.isCompleted || !task.dueDate) {
    center_.removePendingRequests({identifier});
    return;
  }
  const QString title =
      task.title.trimmed().isEmpty() ? QStringLiteral("Untitled Task") : task.title;
  NotificationRequest request;
  request.identifier = identifier;
  request.title = QStringLiteral("Task Due: ") + title;
  request.body = QStringLiteral("This task is due now.");
  request.fireDate = *task.dueDate;
  center_.add(request);
}

void NotificationService::cancelTaskReminder(const QUuid& taskID) {
  center_.removePendingRequests({taskIdentifier(taskID)});
}

void NotificationService::scheduleBillReminder(const BillItem& bill) {
  const QString identifier = billIdentifier(bill.id);
  if (bill.isPaid || !bill.dueDate.isValid()) {
    center_.removePendingRequests({identifier});
    return;
  }
  const int daysBefore = std::max(bill.reminderDaysBefore, 0);
  const QString name = bill.name.trimmed().isEmpty() ? QStringLiteral("Untitled Bill") : bill.name;
  NotificationRequest request;
  request.identifier = identifier;
  request.title = QStringLiteral("Bill Due: ") + name;
  request.body = QStringLiteral("%1 %2 is due %3.")
                     .arg(bill.currency, QString::number(bill.amount, 'f', 2), dueText(daysBefore));
  request.fireDate =
      calendar_.dateTime(calendar_.date(bill.dueDate).addDays(-daysBefore), kBillReminderTime);
  center_.add(request);
}

void NotificationService::cancelBillReminder(const QUuid& billID) {
  center_.removePendingRequests({billIdentifier(billID)});
}

void NotificationService::scheduleTopUp(const QDateTime& at, std::function<void()> topUp) {
  center_.setCheckpoint(at, std::move(topUp));
}

void NotificationService::removePending(const QStringList& identifiers) {
  center_.removePendingRequests(identifiers);
}

QCoro::Task<> NotificationService::sendEmailActionableAlert(QString title, QString body,
                                                            QString identifier) {
  NotificationRequest request;
  request.identifier = std::move(identifier);
  request.title = std::move(title);
  request.body = std::move(body);
  request.delay = kEmailAlertDelay;
  center_.add(request);
  co_return;
}

QCoro::Task<> NotificationService::sendFocusCompletedNotification(
    FocusSessionType type, std::optional<QString> taskTitle) {
  NotificationRequest request;
  request.identifier =
      QStringLiteral("focus-complete-") + jsoncoding::uuidText(QUuid::createUuid());
  if (type == FocusSessionType::focus) {
    request.title = QStringLiteral("Focus Session Complete");
    request.body = taskTitle && !taskTitle->trimmed().isEmpty()
                       ? QStringLiteral("Great work on \"%1\". Time for a break.").arg(*taskTitle)
                       : QStringLiteral("Great work! Time for a break.");
  } else {
    request.title = displayText(type) + QStringLiteral(" Over");
    request.body = QStringLiteral("Ready to focus again?");
  }
  center_.add(request);
  co_return;
}
