#include "app/screens/shortcuts/AppShortcut.h"

#include "app/screens/shortcuts/AppLauncher.h"

namespace app_shortcuts {

const QList<AppShortcut>& all() {
  // GNOME first, then KDE; older ids after the current ones.
  static const QList<AppShortcut> shortcuts{
      {QStringLiteral("Calendar"),
       QStringLiteral("com.apple.iCal"),
       QStringLiteral("calendar"),
       {QStringLiteral("org.gnome.Calendar.desktop"), QStringLiteral("org.kde.korganizer.desktop"),
        QStringLiteral("org.kde.merkuro.calendar.desktop"),
        QStringLiteral("org.kde.kalendar.desktop")}},
      {QStringLiteral("Reminders"),
       QStringLiteral("com.apple.reminders"),
       QStringLiteral("list.bullet"),
       {QStringLiteral("org.gnome.Todo.desktop"), QStringLiteral("org.gnome.Endeavour.desktop"),
        QStringLiteral("org.kde.zanshin.desktop")}},
      {QStringLiteral("Notes"),
       QStringLiteral("com.apple.Notes"),
       QStringLiteral("note.text"),
       {QStringLiteral("org.gnome.Notes.desktop"), QStringLiteral("org.kde.knotes.desktop")}},
      {QStringLiteral("System Settings"),
       QStringLiteral("com.apple.systempreferences"),
       QStringLiteral("gear"),
       {QStringLiteral("org.gnome.Settings.desktop"),
        QStringLiteral("gnome-control-center.desktop"),
        QStringLiteral("org.kde.systemsettings.desktop"), QStringLiteral("systemsettings.desktop")}},
      {QStringLiteral("Calculator"),
       QStringLiteral("com.apple.calculator"),
       QStringLiteral("number"),
       {QStringLiteral("org.gnome.Calculator.desktop"), QStringLiteral("gnome-calculator.desktop"),
        QStringLiteral("org.kde.kcalc.desktop")}},
      {QStringLiteral("Activity Monitor"),
       QStringLiteral("com.apple.ActivityMonitor"),
       QStringLiteral("chart.bar.xaxis"),
       {QStringLiteral("org.gnome.SystemMonitor.desktop"),
        QStringLiteral("gnome-system-monitor.desktop"),
        QStringLiteral("org.kde.plasma-systemmonitor.desktop"),
        QStringLiteral("org.kde.ksysguard.desktop")}},
  };
  return shortcuts;
}

std::optional<QString> installedDesktopId(const AppShortcut& shortcut, const AppLauncher& launcher) {
  for (const QString& id : shortcut.desktopIds) {
    if (launcher.installedName(id)) {
      return id;
    }
  }
  return std::nullopt;
}

}  // namespace app_shortcuts
