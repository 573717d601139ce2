#include "core/store/StorageFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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

  // Returns once every handle given so far is closed.
  void wait() {
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

Closer& closer() {
  static Closer instance;
  return instance;
}

constexpr quint64 kSumSeed = 0x9e3779b97f4a7c15ULL;
constexpr qint64 kChunkSize = 16 * KeptFile::blockSize;

// Reads a kept file's text a chunk of whole blocks at a time, each block checked against the
// file's checksums; the last chunk is remembered, so neighbouring ranges read it once.
class CheckedReader {
 public:
  enum class Result { ok, changed, failed };

  explicit CheckedReader(const KeptFile& file) : file_(file) {}

  // Hands [offset, offset + length) to sink(data, n), piece by piece.
  template <typename Sink>
  Result copy(qint64 offset, qint64 length, Sink sink) {
    if (offset < 0 || length < 0 || offset + length > file_.size()) {
      return Result::changed;
    }
    while (length > 0) {
      if (offset < from_ || offset >= to_) {
        if (const Result loaded = load(offset / KeptFile::blockSize); loaded != Result::ok) {
          return loaded;
        }
      }
      const qint64 n = std::min(length, to_ - offset);
      if (!sink(buffer_.constData() + (offset - from_), n)) {
        return Result::failed;
      }
      offset += n;
      length -= n;
    }
    return Result::ok;
  }

 private:
  Result load(qint64 block) {
    const qint64 from = block * KeptFile::blockSize;
    const qint64 to = std::min(from + kChunkSize, file_.size());
    if (buffer_.size() < kChunkSize) {
      buffer_.resize(qsizetype(std::min(kChunkSize, file_.size())));
    }
    from_ = to_ = -1;
    char* data = buffer_.data();
    const bool read = transferAll(to - from, [&](qint64 done, qint64 left) {
      return ::pread(file_.handle(), data + done, size_t(left), off_t(from + done));
    });
    if (!read) {
      return errno == EIO ? Result::changed : Result::failed;  // EIO here: shorter than kept
    }
    const KeptFile::BlockSums& sums = file_.sums();
    for (qint64 at = from; at < to; at += KeptFile::blockSize) {
      const auto index = size_t(at / KeptFile::blockSize);
      const qint64 length = std::min(KeptFile::blockSize, to - at);
      if (index >= sums.size() || KeptFile::blockSum(data + (at - from), length) != sums[index]) {
        return Result::changed;
      }
    }
    from_ = from;
    to_ = to;
    return Result::ok;
  }

  const KeptFile& file_;
  QByteArray buffer_;
  qint64 from_ = -1;
  qint64 to_ = -1;
};

// Writes a new file through one buffer of whole blocks, taking the checksum of each block as it
// goes out; few large writes instead of one per part.
class BlockWriter {
 public:
  explicit BlockWriter(int handle) : handle_(handle), buffer_(qsizetype(kChunkSize), Qt::Uninitialized) {}

  bool append(const char* data, qint64 length) {
    while (length > 0) {
      const qint64 n = std::min(length, qint64(buffer_.size()) - used_);
      std::memcpy(buffer_.data() + used_, data, size_t(n));
      used_ += n;
      data += n;
      length -= n;
      if (used_ == buffer_.size() && !flush()) {
        return false;
      }
    }
    return true;
  }

  bool flush() {
    for (qint64 at = 0; at < used_; at += KeptFile::blockSize) {
      sums_.push_back(
          KeptFile::blockSum(buffer_.constData() + at, std::min(KeptFile::blockSize, used_ - at)));
    }
    const bool written = writeAll(handle_, buffer_.constData(), used_);
    used_ = 0;
    return written;
  }

  KeptFile::BlockSums takeSums() { return std::move(sums_); }

 private:
  int handle_;
  QByteArray buffer_;
  qint64 used_ = 0;
  KeptFile::BlockSums sums_;
};

QString kindOfFile(mode_t mode) {
  if (S_ISFIFO(mode)) {
    return QStringLiteral("a named pipe");
  }
  if (S_ISDIR(mode)) {
    return QStringLiteral("a folder");
  }
  if (S_ISSOCK(mode)) {
    return QStringLiteral("a socket");
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return QStringLiteral("a device");
  }
  return QStringLiteral("not a regular file");
}

}  // namespace

quint64 KeptFile::blockSum(const char* data, qint64 length) {
  return quint64(qHashBits(data, size_t(length), size_t(kSumSeed)));
}

KeptFile::BlockSums KeptFile::blockSums(const char* data, qint64 length) {
  BlockSums sums;
  sums.reserve(size_t((length + blockSize - 1) / blockSize));
  for (qint64 at = 0; at < length; at += blockSize) {
    sums.push_back(blockSum(data + at, std::min(blockSize, length - at)));
  }
  return sums;
}

KeptFile::KeptFile(int handle, BlockSums sums) : handle_(handle), sums_(std::move(sums)) {
  struct stat info {};
  if (::fstat(handle_, &info) == 0) {
    device_ = info.st_dev;
    inode_ = info.st_ino;
    size_ = info.st_size;
    modified_[0] = info.st_mtim.tv_sec;
    modified_[1] = info.st_mtim.tv_nsec;
  }
  if (qint64(sums_.size()) != (size_ + blockSize - 1) / blockSize) {
    size_ = -1;  // the sums are not of this file: nothing is taken from it
  }
}

KeptFile::~KeptFile() {
  // Large files are the ones that take long to free once replaced.
  if (size_ >= kCloseAsideSize) {
    closer().close(handle_);
  } else {
    ::close(handle_);
  }
}

void KeptFile::waitForClosing() { closer().wait(); }

// Its status time changes when a save renames another file over it, so only the
// modification time tells.
bool KeptFile::isUnchanged() const {
  struct stat info {};
  return size_ >= 0 && ::fstat(handle_, &info) == 0 && info.st_dev == device_ &&
         info.st_ino == inode_ && info.st_size == size_ && info.st_mtim.tv_sec == modified_[0] &&
         info.st_mtim.tv_nsec == modified_[1];
}

bool KeptFile::isAt(const QString& path) const {
  struct stat info {};
  return size_ >= 0 && ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
         info.st_dev == device_ && info.st_ino == inode_;
}

bool KeptFile::read(qint64 offset, qint64 length, char* into) const {
  CheckedReader reader(*this);
  return reader.copy(offset, length, [&into](const char* data, qint64 n) {
           std::memcpy(into, data, size_t(n));
           into += n;
           return true;
         }) == CheckedReader::Result::ok;
}

bool KeptFile::holdsItsText() const {
  if (!isUnchanged()) {
    return false;
  }
  CheckedReader reader(*this);
  return reader.copy(0, size_, [](const char*, qint64) { return true; }) ==
         CheckedReader::Result::ok;
}

StorageFile::LinkTarget StorageFile::linkTarget(const QString& path) {
  const QFileInfo info(path);
  if (!info.isSymLink()) {
    return {path, std::nullopt};
  }
  const QString leadsTo = info.symLinkTarget();
  const QString target = info.canonicalFilePath();  // empty when it leads nowhere
  struct stat status {};
  if (target.isEmpty() || ::stat(QFile::encodeName(target).constData(), &status) != 0) {
    return {path, QStringLiteral("%1 is a link to %2, which does not exist").arg(path, leadsTo)};
  }
  if (!S_ISREG(status.st_mode)) {
    return {path, QStringLiteral("%1 is a link to %2, which is %3")
                      .arg(path, target, kindOfFile(status.st_mode))};
  }
  if (status.st_uid != ::geteuid()) {
    return {path, QStringLiteral("%1 is a link to %2, which belongs to another user")
                      .arg(path, target)};
  }
  return {target, std::nullopt};
}

StorageFile::ReadResult StorageFile::read(const QString& path, bool keepOpen) {
  ReadResult result;
  const auto fail = [&result](QString error) {
    result.status = ReadStatus::failed;
    result.error = std::move(error);
    result.bytes.clear();
    return result;
  };
  const LinkTarget target = linkTarget(path);
  if (target.refusal) {
    return fail(*target.refusal);
  }
  // Without blocking: a named pipe with no writer would otherwise hang here for good. Not
  // through a link either: one put in place since it was looked at is not followed.
  const int handle = ::open(QFile::encodeName(target.path).constData(),
                            O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (handle < 0) {
    if (errno == ENOENT) {
      result.status = ReadStatus::missing;
      return result;
    }
    return fail(QStringLiteral("Could not open %1: %2").arg(path, systemMessage(errno)));
  }
  struct Closing {
    int handle;
    ~Closing() {
      if (handle >= 0) {
        ::close(handle);
      }
    }
  } closing{handle};
  struct stat info {};
  if (::fstat(handle, &info) != 0) {
    return fail(QStringLiteral("Could not read %1: %2").arg(path, systemMessage(errno)));
  }
  if (!S_ISREG(info.st_mode)) {
    return fail(QStringLiteral("%1 is %2, not a file Pelmora can read")
                    .arg(path, kindOfFile(info.st_mode)));
  }
  if (info.st_size > maximumReadSize) {
    return fail(QStringLiteral("%1 is %2 MB, far larger than any store")
                    .arg(path, QString::number(info.st_size / (1024 * 1024))));
  }
  // Read until the end, whatever the size said: it may have changed since. Never past the
  // limit, and with room after the text for a reader that reads ahead.
  QByteArray& bytes = result.bytes;
  bytes.resize(qsizetype(info.st_size + readPadding));
  qint64 size = 0;
  for (;;) {
    const qint64 room = bytes.size() - readPadding - size;
    char probe[4096];
    // Once the expected size is in, a small read tells whether the file ended there.
    char* into = room > 0 ? bytes.data() + size : probe;
    const ssize_t n = ::read(handle, into, size_t(room > 0 ? room : qint64(sizeof probe)));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return fail(QStringLiteral("Could not read %1: %2").arg(path, systemMessage(errno)));
    }
    if (n == 0) {
      break;
    }
    if (room <= 0) {  // it grew since it was looked at
      bytes.resize(qsizetype(std::min(maximumReadSize + 1, std::max(size * 2, size + 65536)) + readPadding));
      std::memcpy(bytes.data() + size, probe, size_t(n));
    }
    size += n;
    if (size > maximumReadSize) {
      return fail(QStringLiteral("%1 is far larger than any store").arg(path));
    }
  }
  bytes.resize(qsizetype(size));
  if (keepOpen) {
    result.kept = std::make_shared<KeptFile>(handle, KeptFile::blockSums(bytes.constData(), size));
    closing.handle = -1;
    if (!result.kept->isUnchanged()) {
      result.kept.reset();  // written to while it was read: nothing may be copied from it
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
                                                    std::shared_ptr<KeptFile>* kept,
                                                    bool* copiedTextChanged) {
  // A link the user may keep (to a regular file of their own) is written through by replacing
  // its target in the target's folder; any other link is moved aside, never written through.
  const LinkTarget target = linkTarget(path);
  if (target.refusal &&
      !setAside(path, QFileInfo(path).completeBaseName(), QDateTime::currentDateTimeUtc())) {
    return QStringLiteral("%1, and it could not be moved aside.").arg(*target.refusal);
  }
  const QString& targetPath = target.refusal ? path : target.path;
  QSaveFile file(targetPath);
  // The fallback would write over the target in place, which is exactly what must not happen.
  file.setDirectWriteFallback(false);
  // Unbuffered: a buffered tail is flushed inside commit(), where Qt loses a short write and
  // renames a truncated file over the target.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return QStringLiteral("Could not create a file next to %1: %2")
        .arg(targetPath, file.errorString());
  }
  // The temporary file becomes the target, so its mode is the target's mode.
  if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
    file.cancelWriting();
    return QStringLiteral("Could not restrict the permissions of %1: %2")
        .arg(targetPath, file.errorString());
  }
  // Written past QFileDevice, straight to the descriptor, through one buffer that takes each
  // block's checksum. Text from a kept file is checked block by block before it is used.
  BlockWriter out(file.handle());
  const auto append = [&out](const char* data, qint64 n) { return out.append(data, n); };
  std::vector<std::pair<const KeptFile*, std::unique_ptr<CheckedReader>>> readers;
  const auto changed = [&] {
    if (copiedTextChanged) {
      *copiedTextChanged = true;
    }
    file.cancelWriting();
    return QStringLiteral("Could not write %1: the file its text is copied from has changed.")
        .arg(targetPath);
  };
  for (const ContentPart& part : content) {
    if (!part.file) {
      if (!out.append(part.bytes.constData() + part.offset, part.length)) {
        const QString reason = systemMessage(errno);
        file.cancelWriting();
        return QStringLiteral("Could not write %1: %2").arg(targetPath, reason);
      }
      continue;
    }
    auto it = std::find_if(readers.begin(), readers.end(),
                           [&](const auto& reader) { return reader.first == part.file; });
    if (it == readers.end()) {
      if (!part.file->isUnchanged()) {
        return changed();
      }
      readers.emplace_back(part.file, std::make_unique<CheckedReader>(*part.file));
      it = readers.end() - 1;
    }
    const CheckedReader::Result copied = it->second->copy(part.offset, part.length, append);
    if (copied == CheckedReader::Result::changed) {
      return changed();
    }
    if (copied == CheckedReader::Result::failed) {
      const QString reason = systemMessage(errno);
      file.cancelWriting();
      return QStringLiteral("Could not write %1: %2").arg(targetPath, reason);
    }
  }
  readers.clear();
  // commit() syncs too but ignores a failure; the data must be on disk before the rename.
  if (!out.flush() || ::fsync(file.handle()) != 0) {
    const QString reason =
        file.error() != QFileDevice::NoError ? file.errorString() : systemMessage(errno);
    file.cancelWriting();
    return QStringLiteral("Could not write %1: %2").arg(targetPath, reason);
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
    return QStringLiteral("Could not write %1: %2").arg(targetPath, file.errorString());
  }
  if (keptHandle >= 0) {
    *kept = std::make_shared<KeptFile>(keptHandle, out.takeSums());  // the state after the rename
  }
  if (syncFolder) {
    return StorageFile::syncFolder(QFileInfo(targetPath).absolutePath());
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
    target = dir.filePath(
        QStringLiteral("%1.unreadable-%2-%3.json").arg(stem, stamp, QString::number(n)));
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
