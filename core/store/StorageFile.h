#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// Whole-file reads and writes of the user's data. A write goes to a temporary file in the
// target's folder that is renamed over the target, so a crash or power cut at any moment leaves
// either the old or the new content, never a torn file.
class StorageFile {
 public:
  enum class ReadStatus { ok, missing, failed };
  struct ReadResult {
    ReadStatus status = ReadStatus::missing;
    QByteArray bytes;
    QString error;  // set when status is failed
  };

  // Far beyond any real store (100,000 tasks take about 30 MB); a larger file is refused
  // without being read whole.
  static constexpr qint64 maximumReadSize = 256LL * 1024 * 1024;

  // A link, or a file over the limit, fails.
  static ReadResult read(const QString& path);

  // Writes `bytes` as the complete new content of `path` with owner-only permissions.
  // Every write and the commit are checked; when `syncFolder` is set the folder is synced after
  // the rename so the rename itself is durable. Returns the failure message; nothing on success.
  static std::optional<QString> writeAtomically(const QString& path, const QByteArray& bytes,
                                                bool syncFolder = true);
  // The same, with the content given as pieces written one after the other.
  static std::optional<QString> writeAtomically(const QString& path, const QByteArrayList& pieces,
                                                bool syncFolder = true);

  // Flushes the folder's entries (renames, new names) to disk.
  static std::optional<QString> syncFolder(const QString& folder);

  // Creates the folder (and its parents) when missing; a folder created here is owner-only.
  static std::optional<QString> makePrivateFolder(const QString& folder);

  // Removes what interrupted writes of the named files left in the folder; returns how many.
  static int removeTemporaryLeftovers(const QString& folder, const QStringList& fileNames);

  // Renames `path` to "<stem>.unreadable-<timestamp>.json" in the same folder, choosing a free
  // name. Returns the new path, or nothing when the rename failed.
  static std::optional<QString> setAside(const QString& path, const QString& stem,
                                         const QDateTime& now);
};
