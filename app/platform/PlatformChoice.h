#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

// The windowing platform to ask Qt for before it starts. Native Wayland windows can neither
// stay on top nor be placed by the app, which the floating panel and the tray popup need, so
// a Wayland session with an X display (XWayland) runs on xcb. A platform the user chose
// (QT_QPA_PLATFORM) always wins. Nothing when Qt's own choice is fine.
std::optional<QByteArray> preferredPlatform(
    const std::function<QByteArray(const char*)>& environment);
