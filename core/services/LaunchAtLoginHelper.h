#pragma once

#include "core/model/AppError.h"

#include <QString>

#include <optional>

// Why Pelmora could not be added to or removed from the programs started at login.
class LaunchAtLoginError : public AppError {
 public:
  LaunchAtLoginError(bool enabling, QString reason);

  QString errorDescription() const override;

 private:
  bool enabling_;
  QString reason_;
};

// Launch at login through an XDG autostart entry: <config>/autostart/pelmora.desktop, where
// <config> is $XDG_CONFIG_HOME or ~/.config.
class LaunchAtLoginHelper {
 public:
  static QString autostartEntryPath();

  // True when the entry exists and the desktop has not been told to skip it.
  static bool isEnabled();
  // Writes or removes the entry; the failure when it could not.
  [[nodiscard]] static std::optional<LaunchAtLoginError> setEnabled(bool enabled);

  // The entry that starts `binaryPath`.
  static QString desktopEntryText(const QString& binaryPath);
};
