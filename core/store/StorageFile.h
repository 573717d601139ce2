#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>
#include <sys/types.h>

// An open, read-only file the store read or wrote, kept so that text it already holds can be
// copied from it, and so that the file being replaced costs no time: its blocks are freed when
// the last holder lets go, on a thread of its own.
//
// Its text is only ever taken back after a check: a checksum of every block, made from the
// bytes the store itself wrote or read, is compared with what the file holds now. Another
// program may rewrite the file in place with the same size and modification time; the
// checksums still tell.
class KeptFile {
 public:
  static constexpr qint64 blockSize = 64 * 1024;
  using BlockSums = std::vector<quint64>;

  // Checksum of one block (or the file's last, shorter one).
  static quint64 blockSum(const char* data, qint64 length);
  static BlockSums blockSums(const char* data, qint64 length);

  // Takes the descriptor over and notes the file's state. `sums` hold the checksums of the
  // text the store knows the file holds.
  KeptFile(int handle, BlockSums sums);
  KeptFile(const KeptFile&) = delete;
  KeptFile& operator=(const KeptFile&) = delete;
  ~KeptFile();

  int handle() const { return handle_; }
  // False once the file was changed, as far as its size and times tell; cheap.
  bool isUnchanged() const;
  qint64 size() const { return size_; }
  const BlockSums& sums() const { return sums_; }
  // Reads the text, checking every block it touches; false when the file no longer holds the
  // text it was kept with (or could not be read).
  bool read(qint64 offset, qint64 length, char* into) const;
  // Reads the whole file, checking every block; false when it no longer holds its text.
  bool holdsItsText() const;
  // Whether the file at `path` is this very file.
  bool isAt(const QString& path) const;
  // Waits until every replaced file handed to the closing thread has been closed, so that
  // their blocks are free.
  static void waitForClosing();

 private:
  int handle_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  qint64 size_ = -1;
  qint64 modified_[2] = {};
  BlockSums sums_;
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
  // Bytes of room kept after what was read, so a fast JSON reader may read past its end.
  static constexpr qint64 readPadding = 64;

  // Anything but a regular file (a named pipe, a folder, a device), a link refused by
  // linkTarget(), or a file over the limit fails, without blocking.
  static ReadResult read(const QString& path, bool keepOpen = false);

  // Where reads and writes of `path` go: the path itself, or, for a link, the regular file it
  // leads to when the user owns it. A dangling link or one to anything else is refused with a
  // message naming it.
  struct LinkTarget {
    QString path;
    std::optional<QString> refusal;
  };
  static LinkTarget linkTarget(const QString& path);

  // Writes `bytes` as the complete new content of `path` with owner-only permissions, or of the
  // file a link at `path` leads to (see linkTarget(); a refused link is set aside first).
  // Every write and the commit are checked; when `syncFolder` is set the folder is synced after
  // the rename so the rename itself is durable. Returns the failure message; nothing on success.
  // Text copied from a kept file is checked against its checksums first.
  static std::optional<QString> writeAtomically(const QString& path, const QByteArray& bytes,
                                                bool syncFolder = true);
  // The same, with the content in parts. With `kept`, the new file is kept open there.
  // `copiedTextChanged` is set when a kept file the content refers to no longer holds its text.
  static std::optional<QString> writeAtomically(const QString& path, const FileContent& content,
                                                bool syncFolder = true,
                                                std::shared_ptr<KeptFile>* kept = nullptr,
                                                bool* copiedTextChanged = nullptr);

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
