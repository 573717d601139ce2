#include "core/store/DashboardPersistence.h"

#include "core/model/DiagnosticLogger.h"
#include "core/model/JsonCoding.h"
#include "core/store/DataMigrations.h"
#include "core/store/StorageFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
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
  if (const int removed = StorageFile::removeTemporaryLeftovers(
          folder_, {QLatin1String(StorageSchema::databaseFileName),
                    QLatin1String(StorageSchema::backupFileName),
                    QLatin1String(StorageSchema::settingsFileName),
                    QLatin1String(StorageSchema::safetySnapshotFileName)})) {
    logInfo(QStringLiteral("Removed %1 temporary file(s) left by an interrupted save.").arg(removed));
  }
  LoadedDatabase loaded;
  const struct {
    QString path;
    const char* stem;
    bool isBackup;
  } candidates[] = {{databasePath(), "dashboard", false}, {backupPath(), "dashboard.backup", true}};

  QByteArray loadedBytes;
  for (const auto& candidate : candidates) {
    const StorageFile::ReadResult file = StorageFile::read(candidate.path, true);
    if (file.status == StorageFile::ReadStatus::missing) {
      continue;
    }
    loaded.foundFile = true;
    if (file.status == StorageFile::ReadStatus::failed) {
      markUnreadable(candidate.path, QLatin1String(candidate.stem), file.error);
      continue;
    }
    if (!loadedBytes.isNull()) {
      // The main file loaded; the backup is only checked, so a damaged one is kept aside
      // too instead of being silently replaced. Usually it is the same bytes.
      try {
        if (file.bytes != loadedBytes) {
          DataMigrations::decode(file.bytes);
        }
        backup_ = file.kept;
      } catch (const MigrationError& error) {
        markUnreadable(candidate.path, QLatin1String(candidate.stem), error.errorDescription());
      }
      break;
    }
    try {
      DataMigrations::Result result = DataMigrations::decode(file.bytes);
      loaded.container = std::move(result.container);
      loaded.fromBackup = candidate.isBackup;
      loaded.file = file.kept;
      (candidate.isBackup ? backup_ : database_) = file.kept;
      if (result.newerVersion) {
        readOnlyReason_ = result.newerVersion->errorDescription();
        logWarning(*readOnlyReason_);
      }
      if (candidate.isBackup) {
        logWarning(QStringLiteral("Loaded the data from the backup copy %1.")
                       .arg(QFileInfo(candidate.path).fileName()));
      }
      if (!result.unreadableRecords.isEmpty()) {
        keepUnreadableRecords(result.unreadableRecords, candidate.path);
      }
      loadedBytes = file.bytes;
    } catch (const MigrationError& error) {
      markUnreadable(candidate.path, QLatin1String(candidate.stem), error.errorDescription());
    }
  }
  if (!loaded.foundFile) {
    logInfo(QStringLiteral("No saved data found; starting with an empty store."));
  }
  return loaded;
}

void DashboardPersistence::keepUnreadableRecords(const UnreadableRecords& records,
                                                 const QString& source) {
  QJsonArray kept;
  for (const UnreadableRecord& record : records) {
    kept.append(record.toJson());
  }
  const QDateTime now = clock_();
  const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString path = QDir(folder_).filePath(QStringLiteral("dashboard.unreadable-records-%1.json").arg(stamp));
  for (int n = 2; QFileInfo::exists(path); ++n) {
    path = QDir(folder_).filePath(
        QStringLiteral("dashboard.unreadable-records-%1-%2.json").arg(stamp).arg(n));
  }
  const QJsonObject document{{QStringLiteral("source"), QFileInfo(source).fileName()},
                             {QStringLiteral("keptAt"), now.toUTC().toString(Qt::ISODateWithMs)},
                             {QStringLiteral("records"), kept}};
  const auto failure =
      StorageFile::writeAtomically(path, QJsonDocument(document).toJson(QJsonDocument::Indented));
  const QString count = records.size() == 1 ? QStringLiteral("1 record")
                                            : QStringLiteral("%1 records").arg(records.size());
  if (failure) {
    // Without the side file the records would be lost with the next save.
    readOnlyReason_ = QStringLiteral("%1 could not be read and could not be kept aside (%2), so "
                                     "nothing will be saved until this is resolved.")
                          .arg(count, *failure);
    logError(*readOnlyReason_);
    loadWarning_ = readOnlyReason_;
    return;
  }
  loadWarning_ = QStringLiteral("%1 could not be read and %2 kept in %3; everything else loaded.")
                     .arg(count, records.size() == 1 ? QStringLiteral("was") : QStringLiteral("were"),
                          QFileInfo(path).fileName());
  logWarning(*loadWarning_ + QStringLiteral(" First problem: ") + records.first().error);
}

std::optional<QString> DashboardPersistence::moveUnreadableFilesAside(const QString& about) {
  for (qsizetype i = 0; i < unreadable_.size();) {
    const SetAside entry = unreadable_.at(i);
    const QFileInfo info(entry.path);
    if (entry.path != about || !(info.exists() || info.isSymLink())) {
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

std::optional<QString> DashboardPersistence::saveDatabase(const FileContent& content,
                                                          std::shared_ptr<KeptFile>* written) {
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
  std::shared_ptr<KeptFile> database;
  std::optional<QString> failure =
      StorageFile::writeAtomically(databasePath(), content, false, &database);
  if (!failure) {
    database_ = database;
    if (written) {
      *written = std::move(database);
    }
    failure = StorageFile::writeAtomically(backupPath(), content, false, &backup_);
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

std::optional<QString> DashboardPersistence::saveSafetySnapshot(const FileContent& content) {
  if (readOnlyReason_) {
    return readOnlyReason_;
  }
  if (auto failure = prepareFolder()) {
    return failure;
  }
  auto failure = StorageFile::writeAtomically(safetySnapshotPath(), content);
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
