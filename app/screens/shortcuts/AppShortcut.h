#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class AppLauncher;

// One application the shortcuts screen offers. `bundleID` names the part it plays; the
// desktop entries that can play it on Linux follow, the preferred one first.
struct AppShortcut {
  QString name;
  QString bundleID;
  QString icon;
  QStringList desktopIds;
};

namespace app_shortcuts {

// The six rows, in display order.
const QList<AppShortcut>& all();
// The first of the shortcut's desktop entries that is installed; nothing when none is.
std::optional<QString> installedDesktopId(const AppShortcut& shortcut, const AppLauncher& launcher);

}  // namespace app_shortcuts
