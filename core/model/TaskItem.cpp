#include "core/model/TaskItem.h"

#include "core/model/Calendar.h"
#include "core/model/JsonCoding.h"

using namespace jsoncoding;

TaskItem::TaskItem(QUuid id, QString title, QString notes, std::optional<QDateTime> dueDate,
                   TaskPriority priority, QString category, bool isCompleted,
                   std::optional<QDateTime> completedAt, RecurrenceRule recurrence,
                   QDateTime createdAt, QDateTime updatedAt, bool isSampleData,
                   std::optional<QString> sourceEmailMessageID)
    : id(id),
      title(std::move(title)),
      notes(std::move(notes)),
      dueDate(std::move(dueDate)),
      priority(priority),
      category(std::move(category)),
      isCompleted(isCompleted),
      completedAt(std::move(completedAt)),
      recurrence(recurrence),
      createdAt(std::move(createdAt)),
      updatedAt(std::move(updatedAt)),
      isSampleData(isSampleData),
      sourceEmailMessageID(std::move(sourceEmailMessageID)) {}

bool TaskItem::isOverdue(const QDateTime& relativeTo) const {
  return !isCompleted && dueDate && *dueDate < relativeTo;
}

bool TaskItem::isDueToday(const Calendar& calendar, const QDateTime& relativeTo) const {
  return dueDate && calendar.isDateInSameDay(*dueDate, relativeTo);
}

QJsonObject TaskItem::toJson() const {
  QJsonObject object{
      {QStringLiteral("id"), uuidText(id)},
      {QStringLiteral("title"), title},
      {QStringLiteral("notes"), notes},
      {QStringLiteral("priority"), displayText(priority)},
      {QStringLiteral("category"), category},
      {QStringLiteral("isCompleted"), isCompleted},
      {QStringLiteral("recurrence"), recurrence.toJson()},
      {QStringLiteral("createdAt"), dateText(createdAt)},
      {QStringLiteral("updatedAt"), dateText(updatedAt)},
      {QStringLiteral("isSampleData"), isSampleData},
  };
  putOptional(object, "dueDate", dueDate);
  putOptional(object, "completedAt", completedAt);
  putOptional(object, "sourceEmailMessageID", sourceEmailMessageID);
  return object;
}

TaskItem TaskItem::fromJson(const QJsonObject& object) {
  return TaskItem(
      requireUuid(object, "id"), requireString(object, "title"), requireString(object, "notes"),
      optionalDate(object, "dueDate"), requireEnum<TaskPriority>(object, "priority"),
      requireString(object, "category"), requireBool(object, "isCompleted"),
      optionalDate(object, "completedAt"), requireRecord<RecurrenceRule>(object, "recurrence"),
      requireDate(object, "createdAt"), requireDate(object, "updatedAt"),
      requireBool(object, "isSampleData"), optionalString(object, "sourceEmailMessageID"));
}
