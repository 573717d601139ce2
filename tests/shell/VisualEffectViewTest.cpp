#include "app/platform/Theme.h"
#include "app/platform/VisualEffectView.h"

#include <QImage>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

using Material = VisualEffectView::Material;
using Blending = VisualEffectView::BlendingMode;

QColor centreOver(VisualEffectView& view, const QColor& backdrop) {
  view.resize(40, 30);
  QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(backdrop);
  view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image.pixelColor(20, 15);
}

}  // namespace

TEST(VisualEffectView, WithinWindowBlendsOverTheContentBehindWindowReplacesIt) {
  const QPalette palette = Theme::palette(false, Theme::defaultAccent());
  const QColor fill = VisualEffectView::fillColor(Material::hudWindow, palette);
  EXPECT_GT(fill.alphaF(), 0.8);
  EXPECT_LT(fill.alphaF(), 1.0);

  // Behind a translucent top-level the pixels become the translucent fill, so the desktop
  // shows through instead of the window's own content; within it, the fill blends over it.
  VisualEffectView view(Material::hudWindow, Blending::behindWindow);
  view.setAttribute(Qt::WA_TranslucentBackground);
  view.setPalette(palette);
  const QColor replaced = centreOver(view, Qt::red);
  EXPECT_NEAR(replaced.alpha(), fill.alpha(), 1);
  EXPECT_NEAR(replaced.red(), fill.red(), 2);
  view.setBlendingMode(Blending::withinWindow);
  const QColor blended = centreOver(view, Qt::red);
  EXPECT_EQ(blended.alpha(), 255);
  EXPECT_NEAR(blended.red(), fill.red() * fill.alphaF() + 255 * (1 - fill.alphaF()), 2);

  // A new material shows at once.
  view.setMaterial(Material::windowBackground);
  EXPECT_EQ(centreOver(view, Qt::red), palette.color(QPalette::Window));
}

TEST(VisualEffectView, BehindAnOpaqueWindowItLiesOverTheWindowsBackground) {
  // An opaque window has no alpha to keep: the fill must not come out darker than the
  // window colour it is made of.
  for (bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
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
    // The HUD material is the window colour tinted towards the text.
    EXPECT_EQ(fill.lightness() > back.lightness(), dark);
    const QColor shown = window.grab().toImage().pixelColor(30, 20);
    const auto over = [&](double top, double bottom) {
      return top * fill.alphaF() + bottom * (1 - fill.alphaF());
    };
    EXPECT_NEAR(shown.redF(), over(fill.redF(), back.redF()), 0.02);
    EXPECT_NEAR(shown.greenF(), over(fill.greenF(), back.greenF()), 0.02);
    EXPECT_NEAR(shown.blueF(), over(fill.blueF(), back.blueF()), 0.02);
  }
}
