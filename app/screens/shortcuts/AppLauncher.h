#pragma once

#include <QString>

#include <memory>
#include <optional>

// What the shortcuts screen asks of the desktop: whether an application (by desktop-entry id,
// "org.gnome.Calculator.desktop") is installed, and to launch it. Tests give a fake list.
class AppLauncher {
 public:
  virtual ~AppLauncher() = default;

  // The application's name as its desktop entry gives it; nothing when it is not installed.
  virtual std::optional<QString> installedName(const QString& desktopId) const = 0;
  // Nothing on success, otherwise why it failed, in words for the user.
  virtual std::optional<QString> launch(const QString& desktopId) = 0;

  // The desktop's own launcher (GIO): startup notification and D-Bus activation included.
  static std::shared_ptr<AppLauncher> system();
};
