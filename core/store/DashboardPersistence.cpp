#include "core/store/DashboardPersistence.h"

#include "core/model/DiagnosticLogger.h"
#include "core/model/JsonCoding.h"
#include "core/store/DataMigrations.h"
#include "core/store/StorageFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>

namespace {

const QString kSubsystem = QStringLiteral("Storage");

void logInfo(const QString& message) {
  DiagnosticLogger::shared().log(message, QStringLiteral("INFO"), kSubsystem);
}
void logWarning(const QString& message) {
  DiagnosticLogger::shared().log(message, QStringLiteral("WARN"), kSubsystem);
}
void logError(const QString& message) {
  DiagnosticLogger::shared().log(message, QStringLiteral("ERROR"), kSubsystem);
}

}  // namespace

DashboardPersistence::DashboardPersistence(QString folder, std::function<QDateTime()> clock)
    : folder_(std::move(folder)), clock_(std::move(clock)) {}

QString DashboardPersistence::defaultFolder() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
      .filePath(QLatin1String(StorageSchema::folderName));
}

QString DashboardPersistence::filePath(const char* name) const {
  return QDir(folder_).filePath(QLatin1String(name));
}
QString DashboardPersistence::databasePath() const {
  return filePath(StorageSchema::databaseFileName);
}
QString DashboardPersistence::backupPath() const { return filePath(StorageSchema::backupFileName); }
QString DashboardPersistence::settingsPath() const {
  return filePath(StorageSchema::settingsFileName);
}
QString DashboardPersistence::safetySnapshotPath() const {
  return filePath(StorageSchema::safetySnapshotFileName);
}

std::optional<QString> DashboardPersistence::prepareFolder() {
  auto failure = StorageFile::makePrivateFolder(folder_);
  if (failure) {
    logError(*failure);
  }
  return failure;
}

void DashboardPersistence::markUnreadable(const QString& path, const QString& stem,
                                          const QString& reason) {
  logWarning(QStringLiteral("%1 could not be read (%2). It will be kept aside, not overwritten.")
                 .arg(QFileInfo(path).fileName(), reason));
  unreadable_.append({path, stem});
}

DashboardPersistence::LoadedDatabase DashboardPersistence::loadDatabase() {
  LoadedDatabase loaded;
  const struct {
    QString path;
    const char* stem;
    bool isBackup;
  } candidates[] = {{databasePath(), "dashboard", false}, {backupPath(), "dashboard.backup", true}};

  for (const auto& candidate : candidates) {
    const StorageFile::ReadResult file = StorageFile::read(candidate.path);
    if (file.status == StorageFile::ReadStatus::missing) {
      continue;
    }
    loaded.foundFile = true;
    if (file.status == StorageFile::ReadStatus::failed) {
      markUnreadable(candidate.path, QLatin1String(candidate.stem), file.error);
      continue;
    }
    try {
      DataMigrations::Result result = DataMigrations::decode(file.bytes);
      loaded.container = std::move(result.container);
      loaded.fromBackup = candidate.isBackup;
      if (result.newerVersion) {
        readOnlyReason_ = result.newerVersion->errorDescription();
        logWarning(*readOnlyReason_);
      }
      if (candidate.isBackup) {
        logWarning(QStringLiteral("Loaded the data from the backup copy %1.")
                       .arg(QFileInfo(candidate.path).fileName()));
      }
      return loaded;
    } catch (const MigrationError& error) {
      markUnreadable(candidate.path, QLatin1String(candidate.stem), error.errorDescription());
    }
  }
  if (!loaded.foundFile) {
    logInfo(QStringLiteral("No saved data found; starting with an empty store."));
  }
  return loaded;
}

std::optional<QString> DashboardPersistence::moveUnreadableFilesAside(const QString& about) {
  for (qsizetype i = 0; i < unreadable_.size();) {
    const SetAside entry = unreadable_.at(i);
    if (entry.path != about || !QFileInfo::exists(entry.path)) {
      ++i;
      continue;
    }
    const auto moved = StorageFile::setAside(entry.path, entry.stem, clock_());
    if (!moved) {
      return QStringLiteral(
                 "Could not move the unreadable file %1 aside, so nothing was written over it.")
          .arg(entry.path);
    }
    logWarning(QStringLiteral("Kept the unreadable file %1 aside as %2.")
                   .arg(QFileInfo(entry.path).fileName(), QFileInfo(*moved).fileName()));
    unreadable_.removeAt(i);
  }
  return std::nullopt;
}

std::optional<QString> DashboardPersistence::saveDatabase(const QByteArray& bytes) {
  return saveDatabase(QByteArrayList{bytes});
}

std::optional<QString> DashboardPersistence::saveDatabase(const QByteArrayList& pieces) {
  if (readOnlyReason_) {
    return readOnlyReason_;
  }
  if (auto failure = prepareFolder()) {
    return failure;
  }
  for (const QString& path : {databasePath(), backupPath()}) {
    if (auto failure = moveUnreadableFilesAside(path)) {
      logError(*failure);
      return failure;
    }
  }
  // One folder sync after both renames makes both durable.
  std::optional<QString> failure = StorageFile::writeAtomically(databasePath(), pieces, false);
  if (!failure) {
    failure = StorageFile::writeAtomically(backupPath(), pieces, false);
    if (failure) {
      failure = QStringLiteral("The data was saved, but its backup copy was not: %1").arg(*failure);
    }
  }
  if (auto syncFailure = StorageFile::syncFolder(folder_); syncFailure && !failure) {
    failure = syncFailure;
  }
  if (failure) {
    logError(*failure);
  }
  return failure;
}

std::optional<QString> DashboardPersistence::saveSafetySnapshot(const QByteArray& bytes) {
  if (readOnlyReason_) {
    return readOnlyReason_;
  }
  if (auto failure = prepareFolder()) {
    return failure;
  }
  auto failure = StorageFile::writeAtomically(safetySnapshotPath(), bytes);
  if (failure) {
    logError(*failure);
  } else {
    logInfo(QStringLiteral("Safety snapshot written before a bulk removal."));
  }
  return failure;
}

AppSettings DashboardPersistence::loadSettings() {
  const StorageFile::ReadResult file = StorageFile::read(settingsPath());
  if (file.status == StorageFile::ReadStatus::missing) {
    return AppSettings{};
  }
  if (file.status == StorageFile::ReadStatus::failed) {
    markUnreadable(settingsPath(), QStringLiteral("settings"), file.error);
    return AppSettings{};
  }
  try {
    // Field by field: a missing or damaged field keeps its default, the others load.
    return AppSettings::fromJson(jsoncoding::parseObject(file.bytes));
  } catch (const DecodingError& error) {
    markUnreadable(settingsPath(), QStringLiteral("settings"), error.errorDescription());
    return AppSettings{};
  }
}

std::optional<QString> DashboardPersistence::saveSettings(const AppSettings& settings) {
  if (readOnlyReason_) {
    return readOnlyReason_;
  }
  if (auto failure = prepareFolder()) {
    return failure;
  }
  if (auto failure = moveUnreadableFilesAside(settingsPath())) {
    logError(*failure);
    return failure;
  }
  const QByteArray bytes = QJsonDocument(settings.toJson()).toJson(QJsonDocument::Indented);
  auto failure = StorageFile::writeAtomically(settingsPath(), bytes);
  if (failure) {
    logError(*failure);
  }
  return failure;
}
