#include "app/platform/SymbolImage.h"
#include "app/ui/DashboardTab.h"
#include "core/model/WeatherConditionHelper.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QImage draw(const QIcon& icon, int size = 24, QIcon::Mode mode = QIcon::Normal) {
  return icon.pixmap(QSize(size, size), 1.0, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

using PixelTest = std::function<bool(const QColor&)>;

// Channels within `tolerance` of the colour.
PixelTest like(const QColor& color, int tolerance = 24) {
  return [=](const QColor& px) {
    return std::abs(px.red() - color.red()) <= tolerance &&
           std::abs(px.green() - color.green()) <= tolerance &&
           std::abs(px.blue() - color.blue()) <= tolerance;
  };
}

// Mostly opaque pixels that pass the test.
int count(
    const QImage& image, const PixelTest& test = [](const QColor&) { return true; }) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor px = image.pixelColor(x, y);
      n += px.alpha() > 160 && test(px) ? 1 : 0;
    }
  }
  return n;
}

}  // namespace

TEST(SymbolImage, EverySymbolInUseIsDrawnInTheColourAskedForAndFadesWhenDisabled) {
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
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    EXPECT_TRUE(SymbolImage::knownSymbols().contains(name));
    EXPECT_TRUE(SymbolImage::resolves(name));
    EXPECT_GE(count(draw(SymbolImage::icon(name, Qt::red)), like(Qt::red)), 12);
  }
  // An unknown name still draws something rather than leaving a hole.
  const QString unknown = QStringLiteral("no.such.symbol");
  EXPECT_FALSE(SymbolImage::resolves(unknown));
  EXPECT_TRUE(SymbolImage::themeNames(unknown).isEmpty());
  EXPECT_GE(count(draw(SymbolImage::icon(unknown, Qt::blue)), like(Qt::blue)), 12);
  // Disabled, a symbol fades below what counts as drawn.
  const QIcon trash = SymbolImage::icon(QStringLiteral("trash"), Qt::black);
  EXPECT_GE(count(draw(trash)), 12);
  EXPECT_EQ(count(draw(trash, 24, QIcon::Disabled)), 0);
}
