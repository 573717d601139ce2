#include "app/platform/VisualEffectView.h"

#include "app/platform/Theme.h"

#include <QPainter>

namespace {

struct MaterialLook {
  double opacity;      // of the window colour
  double tintOpacity;  // of the text colour laid over it
};

MaterialLook look(VisualEffectView::Material material) {
  switch (material) {
    case VisualEffectView::Material::windowBackground:
      return {1.0, 0.0};
    case VisualEffectView::Material::sidebar:
      return {0.92, 0.03};
    case VisualEffectView::Material::popover:
      return {0.95, 0.0};
    case VisualEffectView::Material::menu:
      return {0.95, 0.02};
    case VisualEffectView::Material::hudWindow:
      return {0.88, 0.05};
  }
  return {1.0, 0.0};
}

}  // namespace

VisualEffectView::VisualEffectView(Material material, BlendingMode blendingMode, QWidget* parent)
    : QWidget(parent), material_(material), blendingMode_(blendingMode) {
  setAttribute(Qt::WA_NoSystemBackground);
}

void VisualEffectView::setMaterial(Material material) {
  material_ = material;
  update();
}

void VisualEffectView::setBlendingMode(BlendingMode blendingMode) {
  blendingMode_ = blendingMode;
  update();
}

QColor VisualEffectView::fillColor(Material material, const QPalette& palette) {
  const MaterialLook m = look(material);
  const QColor window = Theme::color(ThemeColor::windowBackground, palette);
  const QColor tint = Theme::color(ThemeColor::primary, palette);
  // Tint over the window colour, both translucent, folded into one colour ("over" operator).
  const double baseAlpha = window.alphaF() * m.opacity;
  const double tintAlpha = tint.alphaF() * m.tintOpacity;
  const double alpha = tintAlpha + baseAlpha * (1 - tintAlpha);
  if (alpha <= 0) {
    return QColor(0, 0, 0, 0);
  }
  auto mix = [&](double t, double w) {
    return (t * tintAlpha + w * baseAlpha * (1 - tintAlpha)) / alpha;
  };
  return QColor::fromRgbF(float(mix(tint.redF(), window.redF())),
                          float(mix(tint.greenF(), window.greenF())),
                          float(mix(tint.blueF(), window.blueF())), float(alpha));
}

void VisualEffectView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // Only a translucent window lets the desktop show through. An opaque one keeps no alpha, so
  // replacing its pixels would drop the fill's translucency and darken it; there the window's
  // own background is what lies behind.
  if (blendingMode_ == BlendingMode::behindWindow &&
      window()->testAttribute(Qt::WA_TranslucentBackground)) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
  }
  p.fillRect(rect(), fillColor(material_, palette()));
}
