#pragma once

#include "core/model/BillItem.h"
#include "core/model/FocusSession.h"
#include "core/model/TaskItem.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <optional>

// Local notifications. Request identifiers are "task-", "bill-", "focus-complete-" or
// "email-urgent-" followed by a UUID in upper case; adding an identifier again replaces the
// pending request. Nothing here throws: a desktop without a notification server only loses
// the notifications.
class NotificationServiceProtocol {
 public:
  virtual ~NotificationServiceProtocol() = default;

  // True when the desktop can show notifications.
  virtual QCoro::Task<bool> requestAuthorization() = 0;

  // Replaces the task's deadline reminder ("task-" + id), due at the task's due date. An
  // open task whose due date lies ahead gets one; any other task only loses its old one.
  virtual void scheduleTaskReminder(const TaskItem& task) = 0;
  virtual void cancelTaskReminder(const QUuid& taskID) = 0;

  // Replaces the bill's reminder ("bill-" + id) at 9:00 local time, `reminderDaysBefore`
  // days before the due day. An unpaid bill whose reminder time lies ahead gets one; any
  // other bill only loses its old one.
  virtual void scheduleBillReminder(const BillItem& bill) = 0;
  virtual void cancelBillReminder(const QUuid& billID) = 0;

  // Calls `topUp` once the wall clock reaches `at`, from the same wait as the pending
  // reminders, so that reminders can be scheduled a few days ahead at a time. A later call
  // replaces it; an invalid `at` clears it. A reminder scheduled inside `topUp` whose time came
  // after `at` (the machine slept past it) is shown at once instead of being dropped.
  virtual void scheduleTopUp(const QDateTime& at, std::function<void()> topUp) = 0;

  // Drops pending requests by identifier; unknown identifiers are ignored.
  virtual void removePending(const QStringList& identifiers) = 0;

  // Posts title and body under `identifier`, half a second from now, with the default sound.
  virtual QCoro::Task<> sendEmailActionableAlert(QString title, QString body,
                                                 QString identifier) = 0;
  // Posts the end of a focus or break interval ("focus-complete-" + a new UUID).
  virtual QCoro::Task<> sendFocusCompletedNotification(FocusSessionType type,
                                                       std::optional<QString> taskTitle) = 0;
};
