#include "core/store/StorageFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

QString systemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Closing the last descriptor of a replaced file frees its blocks, which takes milliseconds
// for a large one; a thread that lives while there is something to close does it.
class Closer {
 public:
  ~Closer() {
    std::thread last;
    {
      const std::lock_guard lock(mutex_);
      last = std::move(thread_);
    }
    if (last.joinable()) {
      last.join();
    }
  }

  void close(int handle) {
    std::thread finished;
    {
      const std::lock_guard lock(mutex_);
      handles_.push_back(handle);
      if (running_) {
        return;
      }
      running_ = true;
      finished = std::move(thread_);
      thread_ = std::thread([this] { run(); });
    }
    if (finished.joinable()) {
      finished.join();
    }
  }

 private:
  void run() {
    for (;;) {
      int handle = -1;
      {
        const std::lock_guard lock(mutex_);
        if (handles_.empty()) {
          running_ = false;
          return;
        }
        handle = handles_.back();
        handles_.pop_back();
      }
      ::close(handle);
    }
  }

  std::mutex mutex_;
  std::vector<int> handles_;
  bool running_ = false;
  std::thread thread_;
};

constexpr qint64 kCloseAsideSize = 1024 * 1024;

// Calls `step(done, left)` until `length` bytes have gone through, again after an interruption;
// a call that moves nothing (the file ended early) counts as an I/O error.
template <typename Step>
bool transferAll(qint64 length, Step step) {
  qint64 done = 0;
  while (done < length) {
    const ssize_t n = step(done, length - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      if (n == 0) {
        errno = EIO;
      }
      return false;
    }
    done += n;
  }
  return true;
}

bool writeAll(int handle, const char* data, qint64 size) {
  return transferAll(size, [&](qint64 done, qint64 left) {
    return ::write(handle, data + done, size_t(left));
  });
}

// In the kernel where it can, through a buffer where it cannot.
bool copyRange(const KeptFile& from, qint64 offset, qint64 length, int to) {
  loff_t at = offset;
  bool inKernel = true;
  while (length > 0 && inKernel) {
    const ssize_t n = ::copy_file_range(from.handle(), &at, to, nullptr, size_t(length), 0);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                  errno == EBADF)) {
      inKernel = false;
      break;
    }
    if (n <= 0) {
      if (n == 0) {
        errno = EIO;  // the file is shorter than what was kept of it
      }
      return false;
    }
    length -= n;
  }
  QByteArray buffer(qsizetype(std::min<qint64>(length, 1 << 20)), Qt::Uninitialized);
  offset = at;
  while (length > 0) {
    const qint64 n = std::min<qint64>(length, buffer.size());
    if (!from.read(offset, n, buffer.data()) || !writeAll(to, buffer.constData(), n)) {
      return false;
    }
    offset += n;
    length -= n;
  }
  return true;
}

}  // namespace

KeptFile::KeptFile(int handle) : handle_(handle) {
  struct stat info {};
  if (::fstat(handle_, &info) == 0) {
    device_ = info.st_dev;
    inode_ = info.st_ino;
    size_ = info.st_size;
    modified_[0] = info.st_mtim.tv_sec;
    modified_[1] = info.st_mtim.tv_nsec;
  }
}

KeptFile::~KeptFile() {
  // Large files are the ones that take long to free once replaced.
  if (size_ >= kCloseAsideSize) {
    static Closer closer;
    closer.close(handle_);
  } else {
    ::close(handle_);
  }
}

// Its status time changes when a save renames another file over it, so only the
// modification time tells.
bool KeptFile::isUnchanged() const {
  struct stat info {};
  return size_ >= 0 && ::fstat(handle_, &info) == 0 && info.st_dev == device_ &&
         info.st_ino == inode_ && info.st_size == size_ && info.st_mtim.tv_sec == modified_[0] &&
         info.st_mtim.tv_nsec == modified_[1];
}

bool KeptFile::read(qint64 offset, qint64 length, char* into) const {
  return transferAll(length, [&](qint64 done, qint64 left) {
    return ::pread(handle_, into + done, size_t(left), off_t(offset + done));
  });
}

StorageFile::ReadResult StorageFile::read(const QString& path, bool keepOpen) {
  ReadResult result;
  const QFileInfo info(path);
  // A link could lead anywhere, and a save would write through it: it counts as unreadable,
  // so it is set aside before anything is written in its place.
  if (info.isSymLink()) {
    result.status = ReadStatus::failed;
    result.error = QStringLiteral("%1 is a link, not a file").arg(path);
    return result;
  }
  QFile file(path);
  if (!file.exists()) {
    result.status = ReadStatus::missing;
    return result;
  }
  if (info.size() > maximumReadSize) {
    result.status = ReadStatus::failed;
    result.error = QStringLiteral("%1 is %2 MB, far larger than any store")
                       .arg(path, QString::number(info.size() / (1024 * 1024)));
    return result;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    result.status = ReadStatus::failed;
    result.error = QStringLiteral("Could not open %1: %2").arg(path, file.errorString());
    return result;
  }
  // The size may have grown since it was looked at; never read past the limit.
  result.bytes = file.read(maximumReadSize + 1);
  if (result.bytes.size() > maximumReadSize) {
    result.status = ReadStatus::failed;
    result.error = QStringLiteral("%1 is far larger than any store").arg(path);
    result.bytes.clear();
    return result;
  }
  if (file.error() != QFileDevice::NoError) {
    result.status = ReadStatus::failed;
    result.error = QStringLiteral("Could not read %1: %2").arg(path, file.errorString());
    result.bytes.clear();
    return result;
  }
  if (keepOpen) {
    const int handle = ::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0);
    if (handle >= 0) {
      result.kept = std::make_shared<KeptFile>(handle);
    }
  }
  result.status = ReadStatus::ok;
  return result;
}

std::optional<QString> StorageFile::writeAtomically(const QString& path, const QByteArray& bytes,
                                                    bool syncFolder) {
  return writeAtomically(path, FileContent{bytes}, syncFolder);
}

std::optional<QString> StorageFile::writeAtomically(const QString& path, const FileContent& content,
                                                    bool syncFolder,
                                                    std::shared_ptr<KeptFile>* kept) {
  // QSaveFile would write to the link's target, wherever that is.
  if (QFileInfo(path).isSymLink() &&
      !setAside(path, QFileInfo(path).completeBaseName(), QDateTime::currentDateTimeUtc())) {
    return QStringLiteral("%1 is a link that could not be moved aside.").arg(path);
  }
  QSaveFile file(path);
  // The fallback would write over the target in place, which is exactly what must not happen.
  file.setDirectWriteFallback(false);
  // Unbuffered: a buffered tail is flushed inside commit(), where Qt loses a short write and
  // renames a truncated file over the target.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return QStringLiteral("Could not create a file next to %1: %2").arg(path, file.errorString());
  }
  // The temporary file becomes the target, so its mode is the target's mode.
  if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
    file.cancelWriting();
    return QStringLiteral("Could not restrict the permissions of %1: %2")
        .arg(path, file.errorString());
  }
  // Written past QFileDevice, straight to the descriptor, as parts from kept files must be.
  const KeptFile* checked = nullptr;
  for (const ContentPart& part : content) {
    if (part.file && part.file != checked && !part.file->isUnchanged()) {
      file.cancelWriting();
      return QStringLiteral("Could not write %1: the file its text is copied from has changed.")
          .arg(path);
    }
    checked = part.file ? part.file : checked;
    const bool written = part.file
                             ? copyRange(*part.file, part.offset, part.length, file.handle())
                             : writeAll(file.handle(), part.bytes.constData() + part.offset,
                                        part.length);
    if (!written) {
      const QString reason = systemMessage(errno);
      file.cancelWriting();
      return QStringLiteral("Could not write %1: %2").arg(path, reason);
    }
  }
  for (const ContentPart& part : content) {
    // Text copied while something else wrote to its file may be torn.
    if (part.file && !part.file->isUnchanged()) {
      file.cancelWriting();
      return QStringLiteral("Could not write %1: the file its text is copied from has changed.")
          .arg(path);
    }
  }
  // commit() syncs too but ignores a failure; the data must be on disk before the rename.
  if (!file.flush() || ::fsync(file.handle()) != 0) {
    const QString reason =
        file.error() != QFileDevice::NoError ? file.errorString() : systemMessage(errno);
    file.cancelWriting();
    return QStringLiteral("Could not write %1: %2").arg(path, reason);
  }
  // Opened again for reading before the rename, so it is certainly this file.
  int keptHandle = -1;
  if (kept) {
    keptHandle = ::open(QByteArray("/proc/self/fd/" + QByteArray::number(file.handle())).constData(),
                        O_RDONLY | O_CLOEXEC);
  }
  // On failure the target is left as it was and the temporary file is removed.
  if (!file.commit()) {
    if (keptHandle >= 0) {
      ::close(keptHandle);
    }
    return QStringLiteral("Could not write %1: %2").arg(path, file.errorString());
  }
  if (keptHandle >= 0) {
    *kept = std::make_shared<KeptFile>(keptHandle);  // notes the state after the rename
  }
  if (syncFolder) {
    return StorageFile::syncFolder(QFileInfo(path).absolutePath());
  }
  return std::nullopt;
}

std::optional<QString> StorageFile::syncFolder(const QString& folder) {
  const QByteArray native = QFile::encodeName(folder);
  const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return QStringLiteral("Could not open the folder %1: %2").arg(folder, systemMessage(errno));
  }
  std::optional<QString> failure;
  if (::fsync(fd) != 0) {
    failure = QStringLiteral("Could not sync the folder %1: %2").arg(folder, systemMessage(errno));
  }
  ::close(fd);
  return failure;
}

std::optional<QString> StorageFile::makePrivateFolder(const QString& folder) {
  const QFileInfo info(folder);
  constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
  if (info.isDir()) {
    // A folder made by hand or by an older version may be readable by others.
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    if ((info.permissions() & others) && !QFile::setPermissions(folder, ownerOnly)) {
      return QStringLiteral("Could not restrict the permissions of the folder %1.").arg(folder);
    }
    return std::nullopt;
  }
  if (info.exists()) {
    return QStringLiteral("%1 exists and is not a folder.").arg(folder);
  }
  if (!QDir().mkpath(folder)) {
    return QStringLiteral("Could not create the folder %1.").arg(folder);
  }
  if (!QFile::setPermissions(folder, ownerOnly)) {
    return QStringLiteral("Could not restrict the permissions of the folder %1.").arg(folder);
  }
  return std::nullopt;
}

std::optional<QString> StorageFile::setAside(const QString& path, const QString& stem,
                                             const QDateTime& now) {
  const QFileInfo info(path);
  const QDir dir = info.absoluteDir();
  const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = dir.filePath(QStringLiteral("%1.unreadable-%2.json").arg(stem, stamp));
  for (int n = 2; QFileInfo::exists(target); ++n) {
    target = dir.filePath(QStringLiteral("%1.unreadable-%2-%3.json").arg(stem, stamp, QString::number(n)));
  }
  // rename(2) moves a link itself, even one that leads nowhere; QFile::rename would refuse it.
  if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0) {
    return std::nullopt;
  }
  return target;
}

int StorageFile::removeTemporaryLeftovers(const QString& folder, const QStringList& fileNames) {
  // QSaveFile writes "<name>.XXXXXX" next to its target; one left by a kill at the wrong
  // moment may hold a whole database.
  int removed = 0;
  const QDir dir(folder);
  for (const QString& name : fileNames) {
    for (const QString& entry :
         dir.entryList({name + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden)) {
      removed += QFile::remove(dir.filePath(entry)) ? 1 : 0;
    }
  }
  return removed;
}
