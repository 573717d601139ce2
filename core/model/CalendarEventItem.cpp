#include "core/model/CalendarEventItem.h"

#include "core/model/JsonCoding.h"
#include "core/model/SecurityValidator.h"

using namespace jsoncoding;

QString displayText(CalendarSourceType type) {
  switch (type) {
    case CalendarSourceType::apple:
      return QStringLiteral("System Calendar");
    case CalendarSourceType::manual:
      return QStringLiteral("Manual");
    case CalendarSourceType::sample:
      return QStringLiteral("Sample");
  }
  return {};
}

QString displayText(CalendarPermissionStatus status) {
  switch (status) {
    case CalendarPermissionStatus::notDetermined:
      return QStringLiteral("Not Determined");
    case CalendarPermissionStatus::authorized:
      return QStringLiteral("Authorized");
    case CalendarPermissionStatus::denied:
      return QStringLiteral("Denied");
    case CalendarPermissionStatus::restricted:
      return QStringLiteral("Restricted");
  }
  return {};
}

std::optional<QUrl> CalendarEventItem::safeMeetingLink() const {
  if (!meetingLink) {
    return std::nullopt;
  }
  const QUrl url(meetingLink->trimmed(), QUrl::StrictMode);
  if (!SecurityValidator::isSafeURL(url)) {
    return std::nullopt;
  }
  return url;
}

QString CalendarEventItem::countdownString(const QDateTime& at) const {
  if (startDate <= at && endDate > at) {
    return QStringLiteral("Happening now");
  }
  if (startDate < at) {
    return QStringLiteral("Ended");
  }
  const qint64 minutes = at.msecsTo(startDate) / 60000;
  if (minutes <= 59) {
    return QStringLiteral("in %1m").arg(minutes);
  }
  if (minutes >= 1440) {
    return QStringLiteral("in %1d").arg(minutes / 1440);
  }
  const qint64 hours = minutes / 60;
  const qint64 rest = minutes % 60;
  if (rest == 0) {
    return QStringLiteral("in %1h").arg(hours);
  }
  return QStringLiteral("in %1h %2m").arg(hours).arg(rest);
}

QJsonObject CalendarEventItem::toJson() const {
  QJsonObject object{
      {QStringLiteral("id"), id},
      {QStringLiteral("title"), title},
      {QStringLiteral("startDate"), dateText(startDate)},
      {QStringLiteral("endDate"), dateText(endDate)},
      {QStringLiteral("isAllDay"), isAllDay},
      {QStringLiteral("calendarName"), calendarName},
      {QStringLiteral("calendarColorHex"), calendarColorHex},
      {QStringLiteral("sourceType"), displayText(sourceType)},
  };
  putOptional(object, "location", location);
  putOptional(object, "meetingLink", meetingLink);
  putOptional(object, "notes", notes);
  return object;
}

CalendarEventItem CalendarEventItem::fromJson(const QJsonObject& object) {
  CalendarEventItem event;
  event.id = requireString(object, "id");
  event.title = requireString(object, "title");
  event.startDate = requireDate(object, "startDate");
  event.endDate = requireDate(object, "endDate");
  event.isAllDay = requireBool(object, "isAllDay");
  event.location = optionalString(object, "location");
  event.meetingLink = optionalString(object, "meetingLink");
  event.calendarName = requireString(object, "calendarName");
  event.calendarColorHex = requireString(object, "calendarColorHex");
  event.sourceType = requireEnum<CalendarSourceType>(object, "sourceType");
  event.notes = optionalString(object, "notes");
  return event;
}

QJsonObject AppleCalendarInfo::toJson() const {
  return QJsonObject{
      {QStringLiteral("id"), id},
      {QStringLiteral("title"), title},
      {QStringLiteral("colorHex"), colorHex},
  };
}

AppleCalendarInfo AppleCalendarInfo::fromJson(const QJsonObject& object) {
  return AppleCalendarInfo{requireString(object, "id"), requireString(object, "title"),
                           requireString(object, "colorHex")};
}
