#include "core/platform/KeyFile.h"

#include <QFile>
#include <QStringList>

namespace {

QString unescaped(const QString& raw) {
  QString value;
  value.reserve(raw.size());
  for (qsizetype i = 0; i < raw.size(); ++i) {
    if (raw[i] != QLatin1Char('\\') || i + 1 == raw.size()) {
      value.append(raw[i]);
      continue;
    }
    const QChar next = raw[++i];
    switch (next.unicode()) {
      case 's':
        value.append(QLatin1Char(' '));
        break;
      case 'n':
        value.append(QLatin1Char('\n'));
        break;
      case 't':
        value.append(QLatin1Char('\t'));
        break;
      case 'r':
        value.append(QLatin1Char('\r'));
        break;
      default:
        value.append(next);
    }
  }
  return value;
}

}  // namespace

std::optional<KeyFile> KeyFile::read(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  return fromText(QString::fromUtf8(file.readAll()));
}

KeyFile KeyFile::fromText(const QString& text) {
  KeyFile keyFile;
  QString group;
  for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
    const QString line = rawLine.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
      continue;
    }
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      group = line.mid(1, line.size() - 2);
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0 || group.isEmpty()) {
      continue;
    }
    const QString key = line.left(equals).trimmed();
    keyFile.groups_[group].insert(key, unescaped(line.mid(equals + 1).trimmed()));
  }
  return keyFile;
}

std::optional<QString> KeyFile::value(const QString& group, const QString& key) const {
  const auto groupIt = groups_.constFind(group);
  if (groupIt == groups_.cend()) {
    return std::nullopt;
  }
  const auto it = groupIt->constFind(key);
  if (it == groupIt->cend()) {
    return std::nullopt;
  }
  return *it;
}
