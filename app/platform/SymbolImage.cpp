#include "app/platform/SymbolImage.h"

#include <QHash>
#include <QStandardPaths>

namespace {

const QHash<QString, QStringList>& table() {
  static const QHash<QString, QStringList> names = {
      {QStringLiteral("sun.max"), {QStringLiteral("weather-clear-symbolic")}},
      {QStringLiteral("envelope.badge"), {QStringLiteral("mail-unread-symbolic")}},
      {QStringLiteral("calendar"), {QStringLiteral("x-office-calendar-symbolic")}},
      {QStringLiteral("checklist"), {QStringLiteral("view-list-bullet-symbolic")}},
      {QStringLiteral("clock.arrow.circlepath"), {QStringLiteral("task-due-symbolic")}},
      {QStringLiteral("creditcard"),
       {QStringLiteral("wallet-symbolic"), QStringLiteral("x-office-spreadsheet-symbolic")}},
      {QStringLiteral("timer"), {QStringLiteral("alarm-symbolic")}},
      {QStringLiteral("cloud.sun"), {QStringLiteral("weather-few-clouds-symbolic")}},
      {QStringLiteral("chart.bar"),
       {QStringLiteral("utilities-system-monitor-symbolic"),
        QStringLiteral("org.gnome.SystemMonitor-symbolic"), QStringLiteral("view-grid-symbolic")}},
      {QStringLiteral("command"),
       {QStringLiteral("view-app-grid-symbolic"),
        QStringLiteral("applications-utilities-symbolic")}},
  };
  return names;
}

}  // namespace

QStringList SymbolImage::themeNames(const QString& symbol) { return table().value(symbol); }

QIcon SymbolImage::icon(const QString& symbol) {
  // Desktops without a platform theme (bare window managers, the offscreen test
  // platform) give Qt no icon theme and no search path: use Adwaita from the XDG data dirs.
  static const bool fallbackSet = [] {
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
      const QString icons = dir + QStringLiteral("/icons");
      if (!paths.contains(icons)) {
        paths.append(icons);
      }
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor")) {
      QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    return true;
  }();
  Q_UNUSED(fallbackSet);
  for (const QString& name : themeNames(symbol)) {
    if (QIcon::hasThemeIcon(name)) {
      return QIcon::fromTheme(name);
    }
  }
  return {};
}
