#include "core/model/BillItem.h"

#include "core/model/JsonCoding.h"

using namespace jsoncoding;

QJsonObject BillItem::toJson() const {
  QJsonObject object{
      {QStringLiteral("id"), uuidText(id)},
      {QStringLiteral("name"), name},
      {QStringLiteral("amount"), amount},
      {QStringLiteral("currency"), currency},
      {QStringLiteral("dueDate"), dateText(dueDate)},
      {QStringLiteral("category"), category},
      {QStringLiteral("isPaid"), isPaid},
      {QStringLiteral("reminderDaysBefore"), reminderDaysBefore},
      {QStringLiteral("recurrence"), recurrence.toJson()},
      {QStringLiteral("notes"), notes},
      {QStringLiteral("createdAt"), dateText(createdAt)},
      {QStringLiteral("isSampleData"), isSampleData},
  };
  putOptional(object, "paidAt", paidAt);
  putOptional(object, "sourceEmailMessageID", sourceEmailMessageID);
  return object;
}

BillItem BillItem::fromJson(const QJsonObject& object) {
  BillItem bill;
  bill.id = requireUuid(object, "id");
  bill.name = requireString(object, "name");
  bill.amount = requireDouble(object, "amount");
  bill.currency = requireString(object, "currency");
  bill.dueDate = requireDate(object, "dueDate");
  bill.category = requireString(object, "category");
  bill.isPaid = requireBool(object, "isPaid");
  bill.paidAt = optionalDate(object, "paidAt");
  bill.reminderDaysBefore = requireInt(object, "reminderDaysBefore");
  bill.recurrence = requireRecord<RecurrenceRule>(object, "recurrence");
  bill.notes = requireString(object, "notes");
  bill.createdAt = requireDate(object, "createdAt");
  bill.isSampleData = requireBool(object, "isSampleData");
  bill.sourceEmailMessageID = optionalString(object, "sourceEmailMessageID");
  return bill;
}
