#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/shell/DashboardTab.h"
#include "core/model/WeatherConditionHelper.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QImage draw(const QIcon& icon, int size = 24, QIcon::Mode mode = QIcon::Normal) {
  return icon.pixmap(QSize(size, size), 1.0, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Mostly opaque pixels that pass the test.
int count(const QImage& image, const std::function<bool(const QColor&)>& test) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor px = image.pixelColor(x, y);
      n += px.alpha() > 160 && test(px) ? 1 : 0;
    }
  }
  return n;
}

int countColoured(const QImage& image, const QColor& color, int tolerance = 24) {
  return count(image, [&](const QColor& px) {
    return std::abs(px.red() - color.red()) <= tolerance &&
           std::abs(px.green() - color.green()) <= tolerance &&
           std::abs(px.blue() - color.blue()) <= tolerance;
  });
}

int countVisible(const QImage& image) {
  return count(image, [](const QColor&) { return true; });
}

}  // namespace

TEST(SymbolImage, EverySymbolInUseIsDrawnFromTheIconThemeInTheColourAskedFor) {
  // Every symbol name the screens, the shell and the hosted screens ask for.
  QStringList names =
      QStringLiteral(
          "gauge.with.needle gauge.with.needle.fill sun.max envelope.badge clock.arrow.circlepath "
          "creditcard cloud.sun chart.bar command pip gearshape plus.circle.fill "
          "checkmark.circle.fill circle pin.fill pin.slash play.fill pause.fill video.fill "
          "clock.badge.exclamationmark line.3.horizontal arrow.up.left.and.arrow.down.right "
          "chevron.up chevron.down sparkles info.circle.fill envelope.badge.fill macwindow power "
          "pencil trash repeat mappin magnifyingglass xmark.circle.fill plus clock list.bullet "
          "note.text number gear chart.bar.xaxis timer checklist calendar")
          .split(QLatin1Char(' '));
  for (DashboardTab tab : dashboard_tab::allCases) {
    names << dashboard_tab::icon(tab);
  }
  for (int code = -1; code <= 100; ++code) {
    names << WeatherConditionHelper::symbol(code);
  }
  names.removeDuplicates();
  const QColor red(255, 0, 0);
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    EXPECT_TRUE(SymbolImage::knownSymbols().contains(name));
    EXPECT_TRUE(SymbolImage::resolves(name));
    EXPECT_GE(countColoured(draw(SymbolImage::icon(name, red)), red), 12);
  }

  // An unknown name still draws something rather than leaving a hole.
  const QString unknown = QStringLiteral("no.such.symbol");
  EXPECT_FALSE(SymbolImage::resolves(unknown));
  EXPECT_TRUE(SymbolImage::themeNames(unknown).isEmpty());
  EXPECT_GE(countColoured(draw(SymbolImage::icon(unknown, QColor(0, 0, 255))), QColor(0, 0, 255)),
            12);
}

TEST(SymbolImage, PlainIconsFollowTheApplicationAndNamedColoursTheContextWidget) {
  const QPalette saved = QApplication::palette();
  const QPalette light = Theme::palette(false, Theme::defaultAccent());
  const QPalette dark = Theme::palette(true, Theme::defaultAccent());
  const QIcon plain = SymbolImage::icon(QStringLiteral("plus"));
  QApplication::setPalette(light);
  const QImage onLight = draw(plain);
  QApplication::setPalette(dark);
  const QImage onDark = draw(plain);
  QApplication::setPalette(saved);
  EXPECT_GE(countColoured(onDark, Qt::white), 12);
  EXPECT_EQ(countColoured(onLight, Qt::white), 0);
  EXPECT_GE(countColoured(onLight, QColor(light.color(QPalette::WindowText).rgb())), 12);

  QWidget panel;
  panel.setPalette(dark);
  const QIcon green = SymbolImage::icon(QStringLiteral("checklist"), ThemeColor::green, &panel);
  const QColor darkGreen = Theme::color(ThemeColor::green, dark);
  const QColor lightGreen = Theme::color(ThemeColor::green, light);
  ASSERT_NE(darkGreen, lightGreen);
  EXPECT_GE(countColoured(draw(green), darkGreen, 6), 12);
  EXPECT_EQ(countColoured(draw(green), lightGreen, 6), 0);
  // The palette is read when drawing, so a later change shows.
  panel.setPalette(light);
  EXPECT_GE(countColoured(draw(green), lightGreen, 6), 12);
}

TEST(SymbolImage, KeepsMeaningfulColoursCutsOutFilledGlyphsAndFadesWhenDisabled) {
  // The exclamation badge of the clock keeps its warning orange when the clock turns blue.
  const QImage clock =
      draw(SymbolImage::icon(QStringLiteral("clock.badge.exclamationmark"), QColor(0, 0, 255)), 32);
  EXPECT_GE(countColoured(clock, QColor(0, 0, 255)), 12);
  EXPECT_GE(count(clock, [](const QColor& px) { return px.red() > 200 && px.blue() < 80; }), 6);

  // The disc covers far more than the bare glyph, and its centre (the glyph) is see-through.
  const QImage plus = draw(SymbolImage::icon(QStringLiteral("plus"), Qt::black), 32);
  const QImage filled = draw(SymbolImage::icon(QStringLiteral("plus.circle.fill"), Qt::black), 32);
  EXPECT_GT(countVisible(filled), 2 * countVisible(plus));
  EXPECT_LT(qAlpha(filled.pixel(16, 16)), 40);
  EXPECT_GT(qAlpha(filled.pixel(16, 4)), 200);

  const QIcon trash = SymbolImage::icon(QStringLiteral("trash"), Qt::black);
  EXPECT_GE(countVisible(draw(trash)), 12);
  EXPECT_EQ(countVisible(draw(trash, 24, QIcon::Disabled)), 0);
}
