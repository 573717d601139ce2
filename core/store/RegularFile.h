#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads a file the user named without ever blocking on it: a named pipe, a device or a folder
// is refused with a reason instead of hanging the reader on its first read (or reading
// /dev/zero forever), and a file over the limit is refused before anything is read.
class RegularFile {
 public:
  struct Content {
    QByteArray bytes;
    // Why nothing was read, as the end of a sentence: "it is a named pipe, not a file".
    std::optional<QString> problem;
  };

  // The whole file when it is a regular file of at most `maximumSize` bytes, with `padding`
  // spare bytes of capacity (zeroed) after its end for readers that look past it.
  static Content read(const QString& path, qint64 maximumSize, qsizetype padding = 0);
};
