#pragma once

#include <QHash>
#include <QString>

#include <optional>

// Reader for the "[Group]\nKey=Value" files of the freedesktop world (desktop entries,
// Evolution's source files). Values come back with the format's escapes resolved.
class KeyFile {
 public:
  static std::optional<KeyFile> read(const QString& path);
  static KeyFile fromText(const QString& text);

  std::optional<QString> value(const QString& group, const QString& key) const;

 private:
  QHash<QString, QHash<QString, QString>> groups_;
};
