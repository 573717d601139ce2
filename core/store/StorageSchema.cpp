#include "core/store/StorageSchema.h"

#include "core/model/JsonCoding.h"

#include "core/store/ParallelRanges.h"

#include <QJsonArray>

#include <algorithm>
#include <vector>

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
// other takes longer than a launch may. With `unreadable`, a record that does not decode is
// kept there, as it was stored, instead of failing the whole list.
template <typename T>
QList<T> requireLongRecordList(const QJsonObject& object, const char* key,
                               UnreadableRecords* unreadable) {
  const QJsonArray array = requireArray(object, key);
  QList<T> result(array.size());
  T* out = result.data();  // detached here, before the threads write to their own items
  std::vector<QString> errors(unreadable ? static_cast<size_t>(array.size()) : 0);
  forEachRangeInParallel(array.size(), 2000, [&](qsizetype begin, qsizetype end) {
    for (qsizetype i = begin; i < end; ++i) {
      auto path = [&] { return QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i); };
      try {
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
      } catch (const DecodingError& error) {
        if (!unreadable) {
          throw;
        }
        errors[static_cast<size_t>(i)] = error.errorDescription();
      }
    }
  });
  if (unreadable) {
    for (qsizetype i = array.size() - 1; i >= 0; --i) {
      if (!errors[static_cast<size_t>(i)].isEmpty()) {
        unreadable->prepend({QLatin1String(key), array.at(i), errors[static_cast<size_t>(i)]});
        result.removeAt(i);
      }
    }
  }
  return result;
}

}  // namespace

QJsonObject UnreadableRecord::toJson() const {
  return QJsonObject{{QStringLiteral("list"), list},
                     {QStringLiteral("error"), error},
                     {QStringLiteral("record"), record}};
}

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

DashboardStorageContainer DashboardStorageContainer::fromJson(const QJsonObject& object,
                                                              UnreadableRecords* unreadable) {
  // Compile the shared patterns of the readers before several threads use them.
  jsoncoding::parseDate(QStringLiteral("2000-01-01T00:00:00.000Z"));
  jsoncoding::parseUuid(QStringLiteral("00000000-0000-0000-0000-000000000000"));
  DashboardStorageContainer c;
  c.schemaVersion = requireInt(object, "schemaVersion");
  c.tasks = requireLongRecordList<TaskItem>(object, "tasks", unreadable);
  c.bills = requireLongRecordList<BillItem>(object, "bills", unreadable);
  c.waitingItems = requireLongRecordList<WaitingForItem>(object, "waitingItems", unreadable);
  c.manualEvents = requireLongRecordList<CalendarEventItem>(object, "manualEvents", unreadable);
  c.focusSessions = requireLongRecordList<FocusSession>(object, "focusSessions", unreadable);
  c.emailSuggestions = requireLongRecordList<EmailExtractedSuggestion>(object, "emailSuggestions", unreadable);
  readFieldsBesidesLists(object, c);
  return c;
}

void DashboardStorageContainer::readFieldsBesidesLists(const QJsonObject& object,
                                                       DashboardStorageContainer& c) {
  c.schemaVersion = requireInt(object, "schemaVersion");
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
}
