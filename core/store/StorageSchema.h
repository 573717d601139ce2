#pragma once

#include "core/model/BillItem.h"
#include "core/model/CalendarEventItem.h"
#include "core/model/EmailIntelligenceModels.h"
#include "core/model/FocusSession.h"
#include "core/model/TaskItem.h"
#include "core/model/WaitingForItem.h"
#include "core/model/WeatherData.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// File names and the layout version of the on-disk store.
namespace StorageSchema {

inline constexpr int currentVersion = 3;

inline constexpr auto folderName = "Pelmora";
inline constexpr auto databaseFileName = "dashboard.json";
inline constexpr auto backupFileName = "dashboard.backup.json";
inline constexpr auto settingsFileName = "settings.json";
inline constexpr auto safetySnapshotFileName = "dashboard.safety-snapshot.json";

// Sets are stored sorted, so the same set always gives the same file.
QJsonArray stringSetToJson(const QSet<QString>& set);

}  // namespace StorageSchema

// A stored record that could not be read, kept as it was so nothing is lost.
struct UnreadableRecord {
  QString list;  // "tasks", "bills", ...
  QJsonValue record;
  QString error;

  QJsonObject toJson() const;
};
using UnreadableRecords = QList<UnreadableRecord>;

// The whole database as one JSON document (storage version 3).
struct DashboardStorageContainer {
  int schemaVersion = StorageSchema::currentVersion;
  QList<TaskItem> tasks;
  QList<BillItem> bills;
  QList<WaitingForItem> waitingItems;
  QList<CalendarEventItem> manualEvents;
  QList<FocusSession> focusSessions;
  QList<EmailExtractedSuggestion> emailSuggestions;
  QSet<QString> processedEmailMessageIDs;
  std::optional<QDateTime> lastEmailSyncAt;
  EmailSyncState emailSyncState;
  QString dailyIntention;
  std::optional<QDateTime> dailyIntentionDate;  // when the intention was last set
  QString customGreeting;
  std::optional<WeatherData> cachedWeather;

  QJsonObject toJson() const;
  // Throws DecodingError naming the first field that does not decode. With `unreadable`,
  // records that do not decode are collected there and left out instead.
  static DashboardStorageContainer fromJson(const QJsonObject& object,
                                            UnreadableRecords* unreadable = nullptr);
  // The fields besides the record lists, as fromJson() reads them, into `container`.
  static void readFieldsBesidesLists(const QJsonObject& object,
                                     DashboardStorageContainer& container);

  bool operator==(const DashboardStorageContainer&) const = default;
};
