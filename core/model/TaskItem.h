#pragma once

#include "core/model/DecodingError.h"
#include "core/model/RecurrenceRule.h"
#include "core/model/TaskPriority.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

class Calendar;

struct TaskItem {
  TaskItem() = default;
  TaskItem(QUuid id, QString title, QString notes, std::optional<QDateTime> dueDate,
           TaskPriority priority, QString category, bool isCompleted,
           std::optional<QDateTime> completedAt, RecurrenceRule recurrence, QDateTime createdAt,
           QDateTime updatedAt, bool isSampleData, std::optional<QString> sourceEmailMessageID);

  QUuid id;
  QString title;
  QString notes;
  std::optional<QDateTime> dueDate;
  TaskPriority priority = TaskPriority::medium;
  QString category;
  bool isCompleted = false;
  std::optional<QDateTime> completedAt;
  RecurrenceRule recurrence;
  QDateTime createdAt;
  QDateTime updatedAt;
  bool isSampleData = false;
  std::optional<QString> sourceEmailMessageID;

  // Open, with a due date earlier than `relativeTo`.
  bool isOverdue(const QDateTime& relativeTo) const;
  // Due on the same calendar day as `relativeTo`, completed or not.
  bool isDueToday(const Calendar& calendar, const QDateTime& relativeTo) const;

  QJsonObject toJson() const;
  static TaskItem fromJson(const QJsonObject& object);

  bool operator==(const TaskItem&) const = default;
};
