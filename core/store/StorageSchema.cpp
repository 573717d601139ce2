#include "core/store/StorageSchema.h"

#include "core/model/JsonCoding.h"

#include "core/store/ParallelRanges.h"

#include <QJsonArray>

#include <algorithm>

using namespace jsoncoding;

namespace {

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

// Decodes a long list on several threads: loading tens of thousands of records one after the
// other takes longer than a launch may.
template <typename T>
QList<T> requireLongRecordList(const QJsonObject& object, const char* key) {
  const QJsonArray array = requireArray(object, key);
  QList<T> result(array.size());
  T* out = result.data();  // detached here, before the threads write to their own items
  forEachRangeInParallel(array.size(), 2000, [&](qsizetype begin, qsizetype end) {
    for (qsizetype i = begin; i < end; ++i) {
      auto path = [&] { return QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i); };
      const QJsonValue value = array.at(i);
      if (!value.isObject()) {
        throw DecodingError(DecodingError::Kind::typeMismatch, path(),
                            QStringLiteral("is not an object"));
      }
      try {
        out[i] = T::fromJson(value.toObject());
      } catch (const DecodingError& error) {
        throw error.nestedIn(path());
      }
    }
  });
  return result;
}

}  // namespace

QJsonArray StorageSchema::stringSetToJson(const QSet<QString>& set) {
  QStringList sorted(set.begin(), set.end());
  std::sort(sorted.begin(), sorted.end());
  return QJsonArray::fromStringList(sorted);
}

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
                StorageSchema::stringSetToJson(processedEmailMessageIDs));
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
  // Compile the shared patterns of the readers before several threads use them.
  jsoncoding::parseDate(QStringLiteral("2000-01-01T00:00:00.000Z"));
  jsoncoding::parseUuid(QStringLiteral("00000000-0000-0000-0000-000000000000"));
  DashboardStorageContainer c;
  c.schemaVersion = requireInt(object, "schemaVersion");
  c.tasks = requireLongRecordList<TaskItem>(object, "tasks");
  c.bills = requireLongRecordList<BillItem>(object, "bills");
  c.waitingItems = requireLongRecordList<WaitingForItem>(object, "waitingItems");
  c.manualEvents = requireLongRecordList<CalendarEventItem>(object, "manualEvents");
  c.focusSessions = requireLongRecordList<FocusSession>(object, "focusSessions");
  c.emailSuggestions = requireLongRecordList<EmailExtractedSuggestion>(object, "emailSuggestions");
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
