#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QRect>

#include <optional>

// The tray icon's glyph. Hosts that take icons by name (StatusNotifierItem) recolour a symbolic
// icon to their panel themselves; an XEmbed tray shows the pixels it is given, so there the
// glyph is drawn light on a dark panel and dark on a light one.
namespace tray_glyph {

// The glyph's colour over the panel seen in `shot`, a grab of the icon's place and a margin
// around it: its corners show the panel, never the glyph. Nothing for an empty grab.
std::optional<QColor> colorOver(const QImage& shot);

// The theme's icon by name, or drawn in `color` when one is given.
QIcon icon(std::optional<QColor> color = std::nullopt);

// The screen's pixels around the icon at `place` (global coordinates), as far as the screen
// reaches; empty where nothing can be grabbed.
QImage grabAround(const QRect& place);

}  // namespace tray_glyph
