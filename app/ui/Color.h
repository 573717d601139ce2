#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace Color {

// Parses "#RRGGBB" or "RRGGBB" (either case, surrounding white space ignored) into an
// opaque sRGB colour. Anything else gives no colour; each caller picks its own fallback.
std::optional<QColor> fromHex(const QString& text);

}  // namespace Color
