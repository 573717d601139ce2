#include "core/model/WaitingForItem.h"

#include "core/model/Calendar.h"
#include "core/model/JsonCoding.h"

#include <algorithm>

using namespace jsoncoding;

QString displayText(WaitingStatus status) {
  switch (status) {
    case WaitingStatus::waiting:
      return QStringLiteral("Waiting");
    case WaitingStatus::followedUp:
      return QStringLiteral("Followed Up");
    case WaitingStatus::resolved:
      return QStringLiteral("Resolved");
    case WaitingStatus::cancelled:
      return QStringLiteral("Cancelled");
  }
  return {};
}

bool WaitingForItem::isFollowUpOverdue(const QDateTime& relativeTo) const {
  if (status == WaitingStatus::resolved || status == WaitingStatus::cancelled) {
    return false;
  }
  const std::optional<QDateTime>& due = nextFollowUpDate ? nextFollowUpDate : expectedResponseDate;
  return due && *due < relativeTo;
}

int WaitingForItem::daysWaiting(const QDateTime& relativeTo, const Calendar& calendar) const {
  const auto days =
      calendar.daysBetween(calendar.startOfDay(createdAt), calendar.startOfDay(relativeTo));
  return std::max(days.value_or(0), 0);
}

QJsonObject WaitingForItem::toJson() const {
  QJsonObject object{
      {QStringLiteral("id"), uuidText(id)},
      {QStringLiteral("title"), title},
      {QStringLiteral("personOrOrg"), personOrOrg},
      {QStringLiteral("notes"), notes},
      {QStringLiteral("status"), displayText(status)},
      {QStringLiteral("createdAt"), dateText(createdAt)},
      {QStringLiteral("isSampleData"), isSampleData},
  };
  putOptional(object, "expectedResponseDate", expectedResponseDate);
  putOptional(object, "lastFollowUpDate", lastFollowUpDate);
  putOptional(object, "nextFollowUpDate", nextFollowUpDate);
  putOptional(object, "sourceEmailMessageID", sourceEmailMessageID);
  return object;
}

WaitingForItem WaitingForItem::fromJson(const QJsonObject& object) {
  WaitingForItem item;
  item.id = requireUuid(object, "id");
  item.title = requireString(object, "title");
  item.personOrOrg = requireString(object, "personOrOrg");
  item.notes = requireString(object, "notes");
  item.status = requireEnum<WaitingStatus>(object, "status");
  item.createdAt = requireDate(object, "createdAt");
  item.expectedResponseDate = optionalDate(object, "expectedResponseDate");
  item.lastFollowUpDate = optionalDate(object, "lastFollowUpDate");
  item.nextFollowUpDate = optionalDate(object, "nextFollowUpDate");
  item.isSampleData = requireBool(object, "isSampleData");
  item.sourceEmailMessageID = optionalString(object, "sourceEmailMessageID");
  return item;
}
