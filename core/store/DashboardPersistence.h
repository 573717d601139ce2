#pragma once

#include "core/model/AppSettings.h"
#include "core/store/DatabaseReader.h"
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
    DatabaseSpans spans;             // where each record's text lies in that file
  };
  LoadedDatabase loadDatabase();

  // What the user should know about the files as they were found: a file that could not be
  // read, where it is kept and what was loaded instead; records that could not be read and
  // where they were kept. Nothing when all went well. It changes when a save sets a file
  // aside.
  std::optional<QString> loadWarning() const;

  // Why nothing may be written, when a newer version wrote the database.
  const std::optional<QString>& readOnlyReason() const { return readOnlyReason_; }

  // Writes the database and then its backup copy, made from the new database. Returns the
  // failure message. `written` is called with the new database file once it is in place, even
  // when its backup copy fails; the caller lets go of the file it replaced there, so that its
  // room is free before the backup is written. Nothing is written when both files already hold
  // exactly `content`. `copiedTextChanged` is set when a file the content copies text from no
  // longer holds that text (nothing was written then).
  std::optional<QString> saveDatabase(
      const FileContent& content,
      const std::function<void(std::shared_ptr<KeptFile>)>& written = {},
      bool* copiedTextChanged = nullptr);
  std::optional<QString> saveSafetySnapshot(const FileContent& content,
                                            bool* copiedTextChanged = nullptr);

  // Fields missing from the file, or of the wrong type, keep their defaults.
  AppSettings loadSettings();
  std::optional<QString> saveSettings(const AppSettings& settings);

 private:
  struct SetAside {
    QString path;
    QString stem;
    QString reason;
    QString loadedInstead;  // what the user sees instead of the file's content
    QString movedTo;        // once it was set aside
  };

  QString filePath(const char* name) const;
  // Writes records that could not be read to a side file next to the database.
  void keepUnreadableRecords(const UnreadableRecords& records, const QString& source);
  void markUnreadable(const QString& path, const QString& stem, const QString& reason,
                      const QString& loadedInstead = {});
  // Whether the database and its backup both hold exactly `content`, checked block by block.
  bool holdsAlready(const FileContent& content) const;
  // Whether the backup holds what `database` holds, by size and checksums.
  static bool backupMatches(const QString& backupPath, const KeptFile& database);
  // Moves every unreadable file still in the way; fails rather than let one be written over.
  std::optional<QString> moveUnreadableFilesAside(const QString& about);

  QString folder_;
  std::function<QDateTime()> clock_;
  QList<SetAside> unreadable_;
  QList<SetAside> setAside_;  // files that were found unreadable and have been set aside
  std::optional<QString> readOnlyReason_;
  std::optional<QString> recordsWarning_;
  // Held open so that replacing them frees their blocks elsewhere, not inside the rename.
  std::shared_ptr<KeptFile> database_;
  std::shared_ptr<KeptFile> backup_;
};
