#include "core/store/StorageFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QString systemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

StorageFile::ReadResult StorageFile::read(const QString& path) {
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
                       .arg(path)
                       .arg(info.size() / (1024 * 1024));
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
  result.status = ReadStatus::ok;
  return result;
}

std::optional<QString> StorageFile::writeAtomically(const QString& path, const QByteArray& bytes,
                                                    bool syncFolder) {
  return writeAtomically(path, QByteArrayList{bytes}, syncFolder);
}

std::optional<QString> StorageFile::writeAtomically(const QString& path,
                                                    const QByteArrayList& pieces,
                                                    bool syncFolder) {
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
  for (const QByteArray& bytes : pieces) {
    qint64 written = 0;
    while (written < bytes.size()) {
      const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
      if (n <= 0) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("Could not write %1: %2").arg(path, reason);
      }
      written += n;
    }
  }
  // commit() syncs too but ignores a failure; the data must be on disk before the rename.
  if (!file.flush() || ::fsync(file.handle()) != 0) {
    const QString reason =
        file.error() != QFileDevice::NoError ? file.errorString() : systemMessage(errno);
    file.cancelWriting();
    return QStringLiteral("Could not write %1: %2").arg(path, reason);
  }
  // On failure the target is left as it was and the temporary file is removed.
  if (!file.commit()) {
    return QStringLiteral("Could not write %1: %2").arg(path, file.errorString());
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
    target = dir.filePath(QStringLiteral("%1.unreadable-%2-%3.json").arg(stem, stamp).arg(n));
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
