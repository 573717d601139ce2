#include "app/platform/Theme.h"
#include "app/platform/VisualEffectView.h"

#include <QImage>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

using Material = VisualEffectView::Material;
using Blending = VisualEffectView::BlendingMode;

QImage renderOver(VisualEffectView& view, const QColor& backdrop) {
  view.resize(40, 30);
  QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(backdrop);
  view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

}  // namespace

TEST(VisualEffectView, MaterialsAreTheWindowColourAtTheirOpacityWithTheirTint) {
  for (bool dark : {false, true}) {
    const QPalette palette = Theme::palette(dark, Theme::defaultAccent());
    const QColor window = palette.color(QPalette::Window);
    EXPECT_EQ(VisualEffectView::fillColor(Material::windowBackground, palette), window);

    const QColor hud = VisualEffectView::fillColor(Material::hudWindow, palette);
    EXPECT_LT(hud.alphaF(), 1.0);
    EXPECT_GT(hud.alphaF(), 0.8);
    // The tint is the text colour: it pulls the window colour towards it.
    if (dark) {
      EXPECT_GT(hud.lightness(), window.lightness());
    } else {
      EXPECT_LT(hud.lightness(), window.lightness());
    }
  }
}

TEST(VisualEffectView, WithinWindowBlendsOverTheContentBehindWindowReplacesIt) {
  const QPalette palette = Theme::palette(false, Theme::defaultAccent());
  const QColor fill = VisualEffectView::fillColor(Material::hudWindow, palette);
  const QColor red(255, 0, 0);

  VisualEffectView within(Material::hudWindow, Blending::withinWindow);
  within.setPalette(palette);
  const QColor blended = renderOver(within, red).pixelColor(20, 15);
  EXPECT_EQ(blended.alpha(), 255);
  EXPECT_NEAR(blended.red(), fill.red() * fill.alphaF() + 255 * (1 - fill.alphaF()), 2);
  EXPECT_NEAR(blended.green(), fill.green() * fill.alphaF(), 2);

  // Behind the window: the pixels become the translucent fill, so a translucent top-level
  // lets the desktop show through instead of the window's own content.
  VisualEffectView behind(Material::hudWindow, Blending::behindWindow);
  behind.setAttribute(Qt::WA_TranslucentBackground);
  behind.setPalette(palette);
  const QColor replaced = renderOver(behind, red).pixelColor(20, 15);
  EXPECT_NEAR(replaced.alpha(), fill.alpha(), 1);
  EXPECT_NEAR(replaced.red(), fill.red(), 2);
  EXPECT_NEAR(replaced.green(), fill.green(), 2);
}

TEST(VisualEffectView, UpdatesKeepTheNewMaterial) {
  const QPalette palette = Theme::palette(true, Theme::defaultAccent());
  VisualEffectView view(Material::hudWindow, Blending::behindWindow);
  view.setPalette(palette);
  view.setMaterial(Material::windowBackground);
  view.setBlendingMode(Blending::withinWindow);
  EXPECT_EQ(view.material(), Material::windowBackground);
  EXPECT_EQ(view.blendingMode(), Blending::withinWindow);
  EXPECT_EQ(renderOver(view, Qt::red).pixelColor(5, 5), palette.color(QPalette::Window));
}

TEST(VisualEffectView, BehindAnOpaqueWindowItLiesOverTheWindowsBackground) {
  // An opaque window has no alpha to keep: the fill must not come out darker than the
  // window colour it is made of.
  for (bool dark : {false, true}) {
    const QPalette palette = Theme::palette(dark, Theme::defaultAccent());
    QWidget window;
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new VisualEffectView(Material::hudWindow, Blending::behindWindow));
    window.resize(60, 40);
    window.show();

    const QColor fill = VisualEffectView::fillColor(Material::hudWindow, palette);
    const QColor back = palette.color(QPalette::Window);
    const QColor shown = window.grab().toImage().pixelColor(30, 20);
    const auto over = [&](double top, double bottom) {
      return top * fill.alphaF() + bottom * (1 - fill.alphaF());
    };
    EXPECT_NEAR(shown.redF(), over(fill.redF(), back.redF()), 0.02) << dark;
    EXPECT_NEAR(shown.greenF(), over(fill.greenF(), back.greenF()), 0.02) << dark;
    EXPECT_NEAR(shown.blueF(), over(fill.blueF(), back.blueF()), 0.02) << dark;
  }
}
