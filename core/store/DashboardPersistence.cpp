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

#include <fcntl.h>
#include <unistd.h>
#include <cstring>
#include <future>

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
                                          const QString& reason, const QString& loadedInstead) {
  logWarning(QStringLiteral("%1 could not be read (%2). It will be kept aside, not overwritten.")
                 .arg(QFileInfo(path).fileName(), reason));
  unreadable_.append({path, stem, reason, loadedInstead, QString()});
}

bool DashboardPersistence::backupMatches(const QString& backupPath, const KeptFile& database) {
  // By size, then block by block against the database's checksums, a chunk at a time: the
  // backup is never held in memory, and usually it is the same bytes.
  QFile backup(backupPath);
  if (QFileInfo(backupPath).isSymLink() || backup.size() != database.size() ||
      !backup.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    return false;
  }
  QByteArray chunk(qsizetype(16 * KeptFile::blockSize), Qt::Uninitialized);
  size_t block = 0;
  for (;;) {
    const qint64 n = backup.read(chunk.data(), chunk.size());
    if (n <= 0) {
      return n == 0 && block == database.sums().size();
    }
    for (qint64 at = 0; at < n; at += KeptFile::blockSize, ++block) {
      if (block >= database.sums().size() ||
          KeptFile::blockSum(chunk.constData() + at, std::min(KeptFile::blockSize, n - at)) !=
              database.sums()[block]) {
        return false;
      }
    }
  }
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
  const QString databaseName = QFileInfo(databasePath()).fileName();
  const QString backupName = QFileInfo(backupPath()).fileName();

  std::optional<QString> databaseFailure;
  {
    StorageFile::ReadResult database = StorageFile::read(databasePath(), true);
    loaded.foundFile = database.status != StorageFile::ReadStatus::missing;
    // While the database is decoded, the backup is compared with it on another thread.
    std::future<bool> sameBackup;
    if (database.kept) {
      sameBackup = std::async(std::launch::async, [path = backupPath(), kept = database.kept] {
        return backupMatches(path, *kept);
      });
    }
    if (database.status == StorageFile::ReadStatus::failed) {
      databaseFailure = database.error;
    } else if (database.status == StorageFile::ReadStatus::ok) {
      try {
        DataMigrations::Result result = DataMigrations::decode(database.bytes);
        database.bytes = QByteArray();  // the records hold what is needed of it now
        loaded.container = std::move(result.container);
        loaded.spans = std::move(result.spans);
        loaded.file = database.kept;
        database_ = database.kept;
        if (result.newerVersion) {
          readOnlyReason_ = result.newerVersion->errorDescription();
          logWarning(*readOnlyReason_);
        }
        if (!result.unreadableRecords.isEmpty()) {
          keepUnreadableRecords(result.unreadableRecords, databasePath());
        }
      } catch (const MigrationError& error) {
        databaseFailure = error.errorDescription();
      }
    }
    if (sameBackup.valid() && sameBackup.get() && !databaseFailure) {
      // The same text: kept with the database's checksums, so the first save can tell whether
      // there is anything to write at all.
      const StorageFile::LinkTarget target = StorageFile::linkTarget(backupPath());
      const int handle = ::open(QFile::encodeName(target.path).constData(),
                                O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
      if (!target.refusal && handle >= 0) {
        backup_ = std::make_shared<KeptFile>(handle, database.kept->sums());
      } else if (handle >= 0) {
        ::close(handle);
      }
      return loaded;
    }
  }

  // The backup is read whole only when it differs from the database or the database failed.
  StorageFile::ReadResult backup = StorageFile::read(backupPath(), true);
  if (backup.status == StorageFile::ReadStatus::missing) {
    if (databaseFailure) {
      markUnreadable(databasePath(), QStringLiteral("dashboard"), *databaseFailure,
                     QStringLiteral("There is no backup copy, so Pelmora opened with no data."));
    } else if (!loaded.foundFile) {
      logInfo(QStringLiteral("No saved data found; starting with an empty store."));
    }
    return loaded;
  }
  loaded.foundFile = true;
  std::optional<QString> backupFailure;
  std::optional<DataMigrations::Result> fromBackup;
  if (backup.status == StorageFile::ReadStatus::failed) {
    backupFailure = backup.error;
  } else {
    try {
      fromBackup = DataMigrations::decode(backup.bytes);
      backup.bytes = QByteArray();
    } catch (const MigrationError& error) {
      backupFailure = error.errorDescription();
    }
  }
  if (!databaseFailure) {
    // The database loaded; the backup is only checked, so a damaged one is kept aside too
    // instead of being silently replaced.
    if (backupFailure) {
      markUnreadable(backupPath(), QStringLiteral("dashboard.backup"), *backupFailure,
                     QStringLiteral("Your data loaded from %1.").arg(databaseName));
    } else {
      backup_ = backup.kept;
    }
    return loaded;
  }
  if (backupFailure) {
    markUnreadable(databasePath(), QStringLiteral("dashboard"), *databaseFailure,
                   QStringLiteral("Its backup copy could not be read either, so Pelmora opened "
                                  "with no data."));
    markUnreadable(backupPath(), QStringLiteral("dashboard.backup"), *backupFailure);
    return loaded;
  }
  markUnreadable(databasePath(), QStringLiteral("dashboard"), *databaseFailure,
                 QStringLiteral("The backup copy %1 was loaded instead.").arg(backupName));
  loaded.container = std::move(fromBackup->container);
  loaded.spans = std::move(fromBackup->spans);
  loaded.fromBackup = true;
  loaded.file = backup.kept;
  backup_ = backup.kept;
  if (fromBackup->newerVersion) {
    readOnlyReason_ = fromBackup->newerVersion->errorDescription();
    logWarning(*readOnlyReason_);
  }
  logWarning(QStringLiteral("Loaded the data from the backup copy %1.").arg(backupName));
  if (!fromBackup->unreadableRecords.isEmpty()) {
    keepUnreadableRecords(fromBackup->unreadableRecords, backupPath());
  }
  return loaded;
}

std::optional<QString> DashboardPersistence::loadWarning() const {
  QStringList lines;
  for (const SetAside& file : unreadable_) {
    lines << QStringLiteral("%1 could not be read (%2). %3 It stays in %4 and is renamed "
                            "%5.unreadable-<date>.json there before anything is saved; nothing "
                            "was deleted.")
                 .arg(QFileInfo(file.path).fileName(), file.reason, file.loadedInstead,
                      QFileInfo(file.path).absolutePath(), file.stem)
                 .replace(QStringLiteral(".  "), QStringLiteral(". "));
  }
  for (const SetAside& file : setAside_) {
    lines << QStringLiteral("%1 could not be read (%2). %3 It was set aside as %4 in %5; "
                            "nothing was deleted.")
                 .arg(QFileInfo(file.path).fileName(), file.reason, file.loadedInstead,
                      QFileInfo(file.movedTo).fileName(), QFileInfo(file.movedTo).absolutePath())
                 .replace(QStringLiteral(".  "), QStringLiteral(". "));
  }
  if (recordsWarning_) {
    lines << *recordsWarning_;
  }
  if (lines.isEmpty()) {
    return std::nullopt;
  }
  return lines.join(QLatin1Char('\n'));
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
    recordsWarning_ = readOnlyReason_;
    return;
  }
  recordsWarning_ =
      QStringLiteral("%1 could not be read and %2 kept in %3 in %4; everything else loaded.")
          .arg(count, records.size() == 1 ? QStringLiteral("was") : QStringLiteral("were"),
               QFileInfo(path).fileName(), folder_);
  logWarning(*recordsWarning_ + QStringLiteral(" First problem: ") + records.first().error);
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
    SetAside done = entry;
    done.movedTo = *moved;
    setAside_.append(done);
    unreadable_.removeAt(i);
  }
  return std::nullopt;
}

bool DashboardPersistence::holdsAlready(const FileContent& content) const {
  if (!database_ || !backup_ || backup_->sums() != database_->sums() ||
      !database_->isAt(StorageFile::linkTarget(databasePath()).path) ||
      !backup_->isAt(backupPath()) || !database_->isUnchanged() || !backup_->isUnchanged()) {
    return false;
  }
  // Every part where the database has it already, its literal text compared...
  qint64 at = 0;
  QByteArray buffer;
  for (const ContentPart& part : content) {
    if (part.file) {
      if (part.file != database_.get() || part.offset != at) {
        return false;
      }
    } else {
      buffer.resize(qsizetype(part.length));
      if (at + part.length > database_->size() || !database_->read(at, part.length, buffer.data()) ||
          std::memcmp(buffer.constData(), part.bytes.constData() + part.offset,
                      size_t(part.length)) != 0) {
        return false;
      }
    }
    at += part.length;
  }
  // ... and both files still holding, block by block, the text they were kept with.
  return at == database_->size() && database_->holdsItsText() && backup_->holdsItsText();
}

std::optional<QString> DashboardPersistence::saveDatabase(
    const FileContent& content, const std::function<void(std::shared_ptr<KeptFile>)>& written,
    bool* copiedTextChanged) {
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
  if (holdsAlready(content)) {
    return std::nullopt;  // nothing changed since the files were written or loaded
  }
  // One folder sync after both renames makes both durable.
  std::shared_ptr<KeptFile> database;
  std::optional<QString> failure = StorageFile::writeAtomically(databasePath(), content, false,
                                                                &database, copiedTextChanged);
  if (!failure) {
    database_ = database;
    if (written) {
      written(std::move(database));  // the replaced database is let go of here
    }
    // Copied from the new database, not written from `content` again: the replaced one is no
    // longer needed, so its room is free for the copy.
    const FileContent copy = database_ ? FileContent{ContentPart(database_.get(), 0, database_->size())}
                                       : content;
    failure = StorageFile::writeAtomically(backupPath(), copy, false, &backup_);
    if (failure) {
      // The replaced file's blocks may still be on their way back: once more when they are.
      KeptFile::waitForClosing();
      failure = StorageFile::writeAtomically(backupPath(), copy, false, &backup_);
    }
    if (failure) {
      backup_.reset();
      failure = QStringLiteral("The data was saved, but its backup copy was not: %1").arg(*failure);
    }
  }
  // The database's own folder too, when it is a link to a file elsewhere.
  QStringList folders{folder_};
  const QString databaseFolder = QFileInfo(StorageFile::linkTarget(databasePath()).path).absolutePath();
  if (QFileInfo(databaseFolder) != QFileInfo(folder_)) {
    folders << databaseFolder;
  }
  for (const QString& folder : folders) {
    if (auto syncFailure = StorageFile::syncFolder(folder); syncFailure && !failure) {
      failure = syncFailure;
    }
  }
  if (failure) {
    logError(*failure);
  }
  return failure;
}

std::optional<QString> DashboardPersistence::saveSafetySnapshot(const FileContent& content,
                                                                bool* copiedTextChanged) {
  if (readOnlyReason_) {
    return readOnlyReason_;
  }
  if (auto failure = prepareFolder()) {
    return failure;
  }
  auto failure =
      StorageFile::writeAtomically(safetySnapshotPath(), content, true, nullptr, copiedTextChanged);
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
    markUnreadable(settingsPath(), QStringLiteral("settings"), file.error,
                   QStringLiteral("Pelmora uses its default settings instead."));
    return AppSettings{};
  }
  try {
    // Field by field: a missing or damaged field keeps its default, the others load.
    return AppSettings::fromJson(jsoncoding::parseObject(file.bytes));
  } catch (const DecodingError& error) {
    markUnreadable(settingsPath(), QStringLiteral("settings"), error.errorDescription(),
                   QStringLiteral("Pelmora uses its default settings instead."));
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
