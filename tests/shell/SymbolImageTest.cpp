#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/shell/DashboardTab.h"
#include "core/model/WeatherConditionHelper.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Every symbol name the screens, the shell and the hosted screens ask for.
QStringList symbolsInUse() {
  QStringList names = {QStringLiteral("gauge.with.needle"),
                       QStringLiteral("gauge.with.needle.fill"),
                       QStringLiteral("sun.max"),
                       QStringLiteral("envelope.badge"),
                       QStringLiteral("clock.arrow.circlepath"),
                       QStringLiteral("creditcard"),
                       QStringLiteral("cloud.sun"),
                       QStringLiteral("chart.bar"),
                       QStringLiteral("command"),
                       QStringLiteral("pip"),
                       QStringLiteral("gearshape"),
                       QStringLiteral("plus.circle.fill"),
                       QStringLiteral("checkmark.circle.fill"),
                       QStringLiteral("circle"),
                       QStringLiteral("pin.fill"),
                       QStringLiteral("pin.slash"),
                       QStringLiteral("play.fill"),
                       QStringLiteral("pause.fill"),
                       QStringLiteral("video.fill"),
                       QStringLiteral("clock.badge.exclamationmark"),
                       QStringLiteral("line.3.horizontal"),
                       QStringLiteral("arrow.up.left.and.arrow.down.right"),
                       QStringLiteral("chevron.up"),
                       QStringLiteral("chevron.down"),
                       QStringLiteral("sparkles"),
                       QStringLiteral("info.circle.fill"),
                       QStringLiteral("envelope.badge.fill"),
                       QStringLiteral("macwindow"),
                       QStringLiteral("power"),
                       QStringLiteral("pencil"),
                       QStringLiteral("trash"),
                       QStringLiteral("repeat"),
                       QStringLiteral("mappin"),
                       QStringLiteral("magnifyingglass"),
                       QStringLiteral("xmark.circle.fill"),
                       QStringLiteral("plus"),
                       QStringLiteral("clock"),
                       QStringLiteral("list.bullet"),
                       QStringLiteral("note.text"),
                       QStringLiteral("number"),
                       QStringLiteral("gear"),
                       QStringLiteral("chart.bar.xaxis"),
                       QStringLiteral("timer"),
                       QStringLiteral("checklist"),
                       QStringLiteral("calendar")};
  for (DashboardTab tab : dashboard_tab::allCases) {
    names << dashboard_tab::icon(tab);
  }
  for (int code = -1; code <= 100; ++code) {
    names << WeatherConditionHelper::symbol(code);
  }
  names.removeDuplicates();
  return names;
}

QImage draw(const QIcon& icon, int size = 24, QIcon::Mode mode = QIcon::Normal) {
  return icon.pixmap(QSize(size, size), 1.0, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Pixels drawn mostly opaque in (about) this colour.
int countColoured(const QImage& image, const QColor& color, int tolerance = 24) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor px = image.pixelColor(x, y);
      if (px.alpha() > 160 && std::abs(px.red() - color.red()) <= tolerance &&
          std::abs(px.green() - color.green()) <= tolerance &&
          std::abs(px.blue() - color.blue()) <= tolerance) {
        ++count;
      }
    }
  }
  return count;
}

int countVisible(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      count += qAlpha(image.pixel(x, y)) > 160 ? 1 : 0;
    }
  }
  return count;
}

// Restores the application palette a test changes.
struct PaletteGuard {
  QPalette saved = QApplication::palette();
  ~PaletteGuard() { QApplication::setPalette(saved); }
};

}  // namespace

TEST(SymbolImage, EverySymbolInUseIsDrawnFromTheIconTheme) {
  const QColor red(255, 0, 0);
  for (const QString& name : symbolsInUse()) {
    SCOPED_TRACE(name.toStdString());
    EXPECT_TRUE(SymbolImage::knownSymbols().contains(name));
    EXPECT_TRUE(SymbolImage::resolves(name));
    const QIcon icon = SymbolImage::icon(name, red);
    ASSERT_FALSE(icon.isNull());
    // Not blank, and drawn in the colour asked for.
    EXPECT_GE(countColoured(draw(icon), red), 12);
  }
}

TEST(SymbolImage, AnUnknownSymbolStillDrawsSomething) {
  const QString name = QStringLiteral("no.such.symbol");
  EXPECT_FALSE(SymbolImage::resolves(name));
  EXPECT_TRUE(SymbolImage::themeNames(name).isEmpty());
  const QIcon icon = SymbolImage::icon(name, QColor(0, 0, 255));
  ASSERT_FALSE(icon.isNull());
  EXPECT_GE(countColoured(draw(icon), QColor(0, 0, 255)), 12);
}

TEST(SymbolImage, PlainIconsFollowTheApplicationTextColour) {
  PaletteGuard guard;
  const QIcon icon = SymbolImage::icon(QStringLiteral("plus"));
  QApplication::setPalette(Theme::palette(false, Theme::defaultAccent()));
  const QColor lightText = QApplication::palette().color(QPalette::WindowText);
  const QImage onLight = draw(icon);
  QApplication::setPalette(Theme::palette(true, Theme::defaultAccent()));
  const QImage onDark = draw(icon);

  EXPECT_GE(countColoured(onDark, Qt::white), 12);
  EXPECT_EQ(countColoured(onLight, Qt::white), 0);
  EXPECT_GE(countColoured(onLight, QColor(lightText.rgb())), 12);
}

TEST(SymbolImage, NamedColoursFollowTheContextWidget) {
  QWidget darkPanel;
  darkPanel.setPalette(Theme::palette(true, Theme::defaultAccent()));
  QWidget lightPanel;
  lightPanel.setPalette(Theme::palette(false, Theme::defaultAccent()));
  const QColor darkGreen = Theme::color(ThemeColor::green, darkPanel.palette());
  const QColor lightGreen = Theme::color(ThemeColor::green, lightPanel.palette());
  ASSERT_NE(darkGreen, lightGreen);

  const QImage a =
      draw(SymbolImage::icon(QStringLiteral("checklist"), ThemeColor::green, &darkPanel));
  const QImage b =
      draw(SymbolImage::icon(QStringLiteral("checklist"), ThemeColor::green, &lightPanel));
  EXPECT_GE(countColoured(a, darkGreen, 6), 12);
  EXPECT_EQ(countColoured(a, lightGreen, 6), 0);
  EXPECT_GE(countColoured(b, lightGreen, 6), 12);

  // The palette is read when drawing, so a later change shows.
  darkPanel.setPalette(lightPanel.palette());
  EXPECT_GE(countColoured(
                draw(SymbolImage::icon(QStringLiteral("checklist"), ThemeColor::green, &darkPanel)),
                lightGreen, 6),
            12);
}

TEST(SymbolImage, RecolouringKeepsTheColoursThatCarryMeaning) {
  // The exclamation badge of the clock keeps its warning orange when the clock turns blue.
  const QImage image =
      draw(SymbolImage::icon(QStringLiteral("clock.badge.exclamationmark"), QColor(0, 0, 255)), 32);
  EXPECT_GE(countColoured(image, QColor(0, 0, 255)), 12);
  int warm = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor px = image.pixelColor(x, y);
      warm += (px.alpha() > 160 && px.red() > 200 && px.blue() < 80) ? 1 : 0;
    }
  }
  EXPECT_GE(warm, 6);
}

TEST(SymbolImage, FilledCircleSymbolsCutTheirGlyphOut) {
  const QImage plus = draw(SymbolImage::icon(QStringLiteral("plus"), Qt::black), 32);
  const QImage filled = draw(SymbolImage::icon(QStringLiteral("plus.circle.fill"), Qt::black), 32);
  // The disc covers far more than the bare glyph, and its centre (the glyph) is see-through.
  EXPECT_GT(countVisible(filled), 2 * countVisible(plus));
  EXPECT_LT(qAlpha(filled.pixel(16, 16)), 40);
  EXPECT_GT(qAlpha(filled.pixel(16, 4)), 200);
}

TEST(SymbolImage, DisabledIconsAreFainter) {
  const QIcon icon = SymbolImage::icon(QStringLiteral("trash"), Qt::black);
  const QImage normal = draw(icon, 24, QIcon::Normal);
  const QImage disabled = draw(icon, 24, QIcon::Disabled);
  EXPECT_GE(countVisible(normal), 12);
  EXPECT_EQ(countVisible(disabled), 0);
}
