#include "app/platform/PlatformChoice.h"

std::optional<QByteArray> preferredPlatform(
    const std::function<QByteArray(const char*)>& environment) {
  if (!environment("QT_QPA_PLATFORM").isEmpty()) {
    return std::nullopt;
  }
  const bool wayland = environment("XDG_SESSION_TYPE") == "wayland" ||
                       !environment("WAYLAND_DISPLAY").isEmpty();
  if (wayland && !environment("DISPLAY").isEmpty()) {
    return QByteArrayLiteral("xcb");
  }
  return std::nullopt;
}
