#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <sys/types.h>

// An open, read-only file the store read or wrote, kept so that text it already holds can be
// copied from it, and so that the file being replaced costs no time: its blocks are freed when
// the last holder lets go, on a thread of its own.
class KeptFile {
 public:
  explicit KeptFile(int handle);  // takes the descriptor over and notes the file's state
  KeptFile(const KeptFile&) = delete;
  KeptFile& operator=(const KeptFile&) = delete;
  ~KeptFile();

  int handle() const { return handle_; }
  // False once the file was written to since it was kept.
  bool isUnchanged() const;
  qint64 size() const { return size_; }
  bool read(qint64 offset, qint64 length, char* into) const;

 private:
  int handle_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  qint64 size_ = -1;
  qint64 modified_[2] = {};
};

// A file's content in parts written one after the other: bytes of a block in memory, or a
// range of a kept file that the caller keeps alive.
struct ContentPart {
  ContentPart(QByteArray bytes) : bytes(std::move(bytes)), length(this->bytes.size()) {}
  ContentPart(QByteArray block, qint64 offset, qint64 length)
      : bytes(std::move(block)), offset(offset), length(length) {}
  ContentPart(const KeptFile* file, qint64 offset, qint64 length)
      : file(file), offset(offset), length(length) {}

  QByteArray bytes;
  const KeptFile* file = nullptr;
  qint64 offset = 0;
  qint64 length = 0;
};
using FileContent = QList<ContentPart>;

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
    std::shared_ptr<KeptFile> kept;  // the file read, when asked for
  };

  // Far beyond any real store (100,000 tasks take about 30 MB); a larger file is refused
  // without being read whole.
  static constexpr qint64 maximumReadSize = 256LL * 1024 * 1024;

  // A link, or a file over the limit, fails.
  static ReadResult read(const QString& path, bool keepOpen = false);

  // Writes `bytes` as the complete new content of `path` with owner-only permissions.
  // Every write and the commit are checked; when `syncFolder` is set the folder is synced after
  // the rename so the rename itself is durable. Returns the failure message; nothing on success.
  static std::optional<QString> writeAtomically(const QString& path, const QByteArray& bytes,
                                                bool syncFolder = true);
  // The same, with the content in parts. With `kept`, the new file is kept open there.
  static std::optional<QString> writeAtomically(const QString& path, const FileContent& content,
                                                bool syncFolder = true,
                                                std::shared_ptr<KeptFile>* kept = nullptr);

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
