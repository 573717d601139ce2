#include "core/store/RegularFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

QString openProblem(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return QStringLiteral("it does not exist");
    case EACCES:
    case EPERM:
      return QStringLiteral("you are not allowed to read it");
    case ELOOP:
      return QStringLiteral("it is a link that leads back to itself");
    default:
      return QStringLiteral("it could not be opened (%1)")
          .arg(QString::fromLocal8Bit(std::strerror(error)));
  }
}

std::optional<QString> kindProblem(mode_t mode) {
  if (S_ISREG(mode)) {
    return std::nullopt;
  }
  if (S_ISDIR(mode)) {
    return QStringLiteral("it is a folder, not a file");
  }
  if (S_ISFIFO(mode)) {
    return QStringLiteral("it is a named pipe, not a file");
  }
  if (S_ISSOCK(mode)) {
    return QStringLiteral("it is a socket, not a file");
  }
  return QStringLiteral("it is a device, not a file");
}

QString megabytes(qint64 size) { return QString::number((size + (1 << 20) - 1) >> 20); }

}  // namespace

RegularFile::Content RegularFile::read(const QString& path, qint64 maximumSize,
                                       qsizetype padding) {
  Content content;
  // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come.
  const int handle =
      ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (handle < 0) {
    content.problem = openProblem(errno);
    return content;
  }
  struct stat info {};
  if (::fstat(handle, &info) != 0) {
    content.problem = openProblem(errno);
  } else if (const auto problem = kindProblem(info.st_mode)) {
    content.problem = problem;
  } else if (info.st_size > maximumSize) {
    content.problem = QStringLiteral("it is %1 MB, more than the %2 MB a file may have here")
                          .arg(megabytes(info.st_size), megabytes(maximumSize));
  }
  if (content.problem) {
    ::close(handle);
    return content;
  }
  const qint64 size = info.st_size;
  QByteArray bytes(qsizetype(size + padding), Qt::Uninitialized);
  qint64 done = 0;
  while (done < size) {
    const ssize_t n = ::pread(handle, bytes.data() + done, size_t(size - done), off_t(done));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      content.problem = QStringLiteral("it could not be read (%1)")
                            .arg(QString::fromLocal8Bit(std::strerror(errno)));
      ::close(handle);
      return content;
    }
    if (n == 0) {
      break;  // it shrank while being read; what is there is checked like any content
    }
    done += n;
  }
  ::close(handle);
  std::memset(bytes.data() + done, 0, size_t(bytes.size() - done));
  bytes.truncate(qsizetype(done));  // keeps the capacity, and with it the padding
  content.bytes = std::move(bytes);
  return content;
}
