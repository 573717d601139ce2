#include "core/services/LaunchAtLoginHelper.h"

#include "core/platform/KeyFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kGroup = QStringLiteral("Desktop Entry");

// The Exec value for one program path: quoted when it holds a character the desktop
// entry format reserves, then escaped once more as every string value is.
QString execValue(const QString& program) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  const bool needsQuotes =
      std::any_of(program.cbegin(), program.cend(), [](QChar c) { return reserved.contains(c); });
  QString value = program;
  if (needsQuotes) {
    QString quoted;
    for (const QChar c : program) {
      if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
        quoted.append(u'\\');
      }
      quoted.append(c);
    }
    value = u'"' + quoted + u'"';
  }
  return value.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
}

}  // namespace

LaunchAtLoginError::LaunchAtLoginError(bool enabling, QString reason)
    : enabling_(enabling), reason_(std::move(reason)) {}

QString LaunchAtLoginError::errorDescription() const {
  return (enabling_ ? QStringLiteral("Pelmora could not be set to open at login: %1")
                    : QStringLiteral("Pelmora could not be kept from opening at login: %1"))
      .arg(reason_);
}

QString LaunchAtLoginHelper::autostartEntryPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/autostart/pelmora.desktop");
}

bool LaunchAtLoginHelper::isEnabled() {
  const auto entry = KeyFile::read(autostartEntryPath());
  if (!entry) {
    return false;
  }
  const auto flag = [&](const QString& key) {
    return entry->value(kGroup, key).value_or(QString()).trimmed().toLower();
  };
  return entry->value(kGroup, QStringLiteral("Type")).has_value() &&
         flag(QStringLiteral("Hidden")) != QLatin1String("true") &&
         flag(QStringLiteral("X-GNOME-Autostart-enabled")) != QLatin1String("false");
}

std::optional<LaunchAtLoginError> LaunchAtLoginHelper::setEnabled(bool enabled) {
  const QString path = autostartEntryPath();
  if (!enabled) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
      return std::nullopt;
    }
    QFile file(path);
    if (!file.remove()) {
      return LaunchAtLoginError(false,
                                QStringLiteral("%1 could not be removed (%2).")
                                    .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    return std::nullopt;
  }

  const QString folder = QFileInfo(path).path();
  if (!QDir().mkpath(folder)) {
    return LaunchAtLoginError(true, QStringLiteral("the folder %1 could not be created.")
                                        .arg(QDir::toNativeSeparators(folder)));
  }
  QSaveFile file(path);
  const QByteArray text = desktopEntryText(QCoreApplication::applicationFilePath()).toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
    return LaunchAtLoginError(true, QStringLiteral("%1 could not be written (%2).")
                                        .arg(QDir::toNativeSeparators(path), file.errorString()));
  }
  return std::nullopt;
}

QString LaunchAtLoginHelper::desktopEntryText(const QString& binaryPath) {
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=Pelmora\n"
             "Comment=Your day at a glance: tasks, bills, waiting-for items, events and focus\n"
             "Exec=%1\n"
             "Icon=x-office-calendar\n"
             "Terminal=false\n"
             "X-GNOME-Autostart-enabled=true\n")
      .arg(execValue(binaryPath));
}
