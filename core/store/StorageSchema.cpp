#include "core/store/StorageSchema.h"

#include "core/model/JsonCoding.h"

#include <QJsonArray>

#include <algorithm>

using namespace jsoncoding;

namespace {

// Sorted, so that the same set always gives the same file.
QJsonArray stringSetToJson(const QSet<QString>& set) {
  QStringList sorted(set.begin(), set.end());
  std::sort(sorted.begin(), sorted.end());
  return QJsonArray::fromStringList(sorted);
}

QSet<QString> requireStringSet(const QJsonObject& object, const char* key) {
  const QJsonArray array = requireArray(object, key);
  QSet<QString> result;
  result.reserve(array.size());
  for (qsizetype i = 0; i < array.size(); ++i) {
    if (!array.at(i).isString()) {
      throw DecodingError(DecodingError::Kind::typeMismatch,
                          QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i),
                          QStringLiteral("is not a string"));
    }
    result.insert(array.at(i).toString());
  }
  return result;
}

}  // namespace

QJsonObject DashboardStorageContainer::toJson() const {
  QJsonObject object;
  object.insert(QLatin1String("schemaVersion"), schemaVersion);
  object.insert(QLatin1String("tasks"), recordListToJson(tasks));
  object.insert(QLatin1String("bills"), recordListToJson(bills));
  object.insert(QLatin1String("waitingItems"), recordListToJson(waitingItems));
  object.insert(QLatin1String("manualEvents"), recordListToJson(manualEvents));
  object.insert(QLatin1String("focusSessions"), recordListToJson(focusSessions));
  object.insert(QLatin1String("emailSuggestions"), recordListToJson(emailSuggestions));
  object.insert(QLatin1String("processedEmailMessageIDs"),
                stringSetToJson(processedEmailMessageIDs));
  putOptional(object, "lastEmailSyncAt", lastEmailSyncAt);
  object.insert(QLatin1String("emailSyncState"), emailSyncState.toJson());
  object.insert(QLatin1String("dailyIntention"), dailyIntention);
  putOptional(object, "dailyIntentionDate", dailyIntentionDate);
  object.insert(QLatin1String("customGreeting"), customGreeting);
  if (cachedWeather) {
    object.insert(QLatin1String("cachedWeather"), cachedWeather->toJson());
  }
  return object;
}

DashboardStorageContainer DashboardStorageContainer::fromJson(const QJsonObject& object) {
  DashboardStorageContainer c;
  c.schemaVersion = requireInt(object, "schemaVersion");
  c.tasks = requireRecordList<TaskItem>(object, "tasks");
  c.bills = requireRecordList<BillItem>(object, "bills");
  c.waitingItems = requireRecordList<WaitingForItem>(object, "waitingItems");
  c.manualEvents = requireRecordList<CalendarEventItem>(object, "manualEvents");
  c.focusSessions = requireRecordList<FocusSession>(object, "focusSessions");
  c.emailSuggestions = requireRecordList<EmailExtractedSuggestion>(object, "emailSuggestions");
  c.processedEmailMessageIDs = requireStringSet(object, "processedEmailMessageIDs");
  c.lastEmailSyncAt = optionalDate(object, "lastEmailSyncAt");
  c.emailSyncState = requireRecord<EmailSyncState>(object, "emailSyncState");
  c.dailyIntention = requireString(object, "dailyIntention");
  c.dailyIntentionDate = optionalDate(object, "dailyIntentionDate");
  c.customGreeting = requireString(object, "customGreeting");
  if (object.contains(QLatin1String("cachedWeather")) &&
      !object.value(QLatin1String("cachedWeather")).isNull()) {
    c.cachedWeather = requireRecord<WeatherData>(object, "cachedWeather");
  }
  return c;
}
