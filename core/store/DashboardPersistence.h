#pragma once

#include "core/model/AppSettings.h"
#include "core/store/StorageFile.h"
#include "core/store/StorageSchema.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The files of the store in one folder: the database, its backup copy, the settings and the
// safety snapshot. Loading falls back to the backup; a file that could not be read is renamed
// out of the way before anything is written in its place, and a file written by a newer
// version puts the whole store in read-only mode.
class DashboardPersistence {
 public:
  DashboardPersistence(QString folder, std::function<QDateTime()> clock);

  // $XDG_DATA_HOME/Pelmora.
  static QString defaultFolder();

  const QString& folder() const { return folder_; }
  QString databasePath() const;
  QString backupPath() const;
  QString settingsPath() const;
  QString safetySnapshotPath() const;

  // Creates the folder when it is missing. Every save calls it again, so that a folder that
  // could not be made at launch, or was removed while the app ran, does not fail every save.
  std::optional<QString> prepareFolder();

  struct LoadedDatabase {
    DashboardStorageContainer container;
    bool foundFile = false;  // false when neither the database nor its backup existed
    bool fromBackup = false;
    std::shared_ptr<KeptFile> file;  // the file the container was read from
  };
  LoadedDatabase loadDatabase();

  // What the user should know about the last load (records that could not be read and where
  // they were kept); nothing when all went well.
  const std::optional<QString>& loadWarning() const { return loadWarning_; }

  // Why nothing may be written, when a newer version wrote the database.
  const std::optional<QString>& readOnlyReason() const { return readOnlyReason_; }

  // Writes the database and then its backup copy. Returns the failure message. `written` gets
  // the new database file once it is in place, even when its backup copy failed.
  std::optional<QString> saveDatabase(const FileContent& content,
                                      std::shared_ptr<KeptFile>* written = nullptr);
  std::optional<QString> saveSafetySnapshot(const FileContent& content);

  // Fields missing from the file, or of the wrong type, keep their defaults.
  AppSettings loadSettings();
  std::optional<QString> saveSettings(const AppSettings& settings);

 private:
  struct SetAside {
    QString path;
    QString stem;
  };

  QString filePath(const char* name) const;
  // Writes records that could not be read to a side file next to the database.
  void keepUnreadableRecords(const UnreadableRecords& records, const QString& source);
  void markUnreadable(const QString& path, const QString& stem, const QString& reason);
  // Moves every unreadable file still in the way; fails rather than let one be written over.
  std::optional<QString> moveUnreadableFilesAside(const QString& about);

  QString folder_;
  std::function<QDateTime()> clock_;
  QList<SetAside> unreadable_;
  std::optional<QString> readOnlyReason_;
  std::optional<QString> loadWarning_;
  // Held open so that replacing them frees their blocks elsewhere, not inside the rename.
  std::shared_ptr<KeptFile> database_;
  std::shared_ptr<KeptFile> backup_;
};
