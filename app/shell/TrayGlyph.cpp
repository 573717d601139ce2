#include "app/shell/TrayGlyph.h"

#include "app/platform/SymbolImage.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace tray_glyph {

namespace {

const QString kSymbol = QStringLiteral("gauge.with.needle");
const QColor kLight(0xf6, 0xf5, 0xf4);
const QColor kDark(0x24, 0x1f, 0x31);
constexpr int kCorner = 2;
constexpr int kMargin = 2;

}  // namespace

std::optional<QColor> colorOver(const QImage& shot) {
  if (shot.width() < 2 * kCorner || shot.height() < 2 * kCorner) {
    return std::nullopt;
  }
  const QImage rgb = shot.convertToFormat(QImage::Format_RGB32);
  const int right = rgb.width() - kCorner;
  const int bottom = rgb.height() - kCorner;
  double luminance = 0;
  int pixels = 0;
  for (const QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom),
                              QPoint(right, bottom)}) {
    for (int y = 0; y < kCorner; ++y) {
      for (int x = 0; x < kCorner; ++x) {
        const QColor c = rgb.pixelColor(corner + QPoint(x, y));
        luminance += 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF();
        ++pixels;
      }
    }
  }
  return luminance / pixels < 0.5 ? kLight : kDark;
}

QIcon icon(std::optional<QColor> color) {
  if (color) {
    return SymbolImage::icon(kSymbol, *color);
  }
  // By name, so a host that recolours symbolic icons can fit it to its panel.
  for (const QString& name : SymbolImage::themeNames(kSymbol)) {
    if (QIcon::hasThemeIcon(name)) {
      return QIcon::fromTheme(name);
    }
  }
  return SymbolImage::icon(kSymbol);
}

QImage grabAround(const QRect& place) {
  QScreen* screen = QGuiApplication::screenAt(place.center());
  if (screen == nullptr || !place.isValid()) {
    return {};
  }
  // Outside the icon, so what it draws never sways the choice.
  const QRect area = place.adjusted(-kMargin, -kMargin, kMargin, kMargin)
                         .intersected(screen->geometry());
  const QRect local = area.translated(-screen->geometry().topLeft());
  return screen->grabWindow(0, local.x(), local.y(), local.width(), local.height()).toImage();
}

}  // namespace tray_glyph
