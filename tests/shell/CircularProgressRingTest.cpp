#include "app/platform/Theme.h"
#include "app/shell/CircularProgressRing.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

QImage render(CircularProgressRing& ring) {
  QImage image(ring.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  ring.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

// Alpha where the ring's line passes at the given clock angle (0 = twelve o'clock).
int alphaOnLineAt(const QImage& image, const CircularProgressRing& ring, double degrees) {
  const double radius = ring.ringSize() / 2;
  const QPointF centre(image.width() / 2.0, image.height() / 2.0);
  const double rad = qDegreesToRadians(degrees);
  const QPointF at = centre + QPointF(radius * std::sin(rad), -radius * std::cos(rad));
  return qAlpha(image.pixel(at.toPoint()));
}

}  // namespace

TEST(CircularProgressRing, ClampsIntoZeroToOneAndTakesNaNAsFull) {
  EXPECT_EQ(CircularProgressRing::clampProgress(1.7), 1.0);
  EXPECT_EQ(CircularProgressRing::clampProgress(-0.2), 0.0);
  EXPECT_EQ(CircularProgressRing::clampProgress(kNaN), 1.0);
  EXPECT_EQ(CircularProgressRing::clampProgress(kInf), 1.0);
  EXPECT_EQ(CircularProgressRing::clampProgress(-kInf), 0.0);
  EXPECT_EQ(CircularProgressRing::clampProgress(0.42), 0.42);

  CircularProgressRing over(1.7, 6, Qt::red, 40);
  CircularProgressRing under(-0.2, 6, Qt::red, 40);
  CircularProgressRing notANumber(kNaN, 6, Qt::red, 40);
  EXPECT_EQ(over.progress(), 1.0);
  EXPECT_EQ(under.progress(), 0.0);
  EXPECT_EQ(notANumber.progress(), 1.0);
  // A new ring draws its value at once.
  EXPECT_EQ(over.displayedProgress(), 1.0);
  EXPECT_FALSE(over.isAnimating());
}

TEST(CircularProgressRing, DrawsTheArcClockwiseFromTwelve) {
  CircularProgressRing full(1.7, 6, Qt::red, 40);
  CircularProgressRing empty(-0.2, 6, Qt::red, 40);
  CircularProgressRing quarter(0.3, 6, Qt::red, 40);
  // Room for the half of the line that lies outside the ring's size.
  EXPECT_EQ(full.size(), QSize(46, 46));

  const QImage fullImage = render(full);
  const QImage emptyImage = render(empty);
  const QImage quarterImage = render(quarter);
  for (double angle : {20.0, 90.0, 180.0, 270.0, 340.0}) {
    EXPECT_EQ(alphaOnLineAt(fullImage, full, angle), 255) << angle;
    // Only the track: the colour at 0.15.
    EXPECT_NEAR(alphaOnLineAt(emptyImage, empty, angle), 0.15 * 255, 3) << angle;
  }
  // 0.3 covers three o'clock but not nine o'clock.
  EXPECT_EQ(alphaOnLineAt(quarterImage, quarter, 60), 255);
  EXPECT_NEAR(alphaOnLineAt(quarterImage, quarter, 200), 0.15 * 255, 3);
  EXPECT_NEAR(alphaOnLineAt(quarterImage, quarter, 300), 0.15 * 255, 3);
}

TEST(CircularProgressRing, AnimatesAChangeOfProgressWithEaseInOut) {
  CircularProgressRing ring(0.25, 6, Qt::blue, 40);
  ring.setProgress(0.75);
  EXPECT_EQ(ring.progress(), 0.75);
  ASSERT_TRUE(ring.isAnimating());
  EXPECT_EQ(ring.animation()->duration(), 300);
  EXPECT_DOUBLE_EQ(ring.displayedProgress(), 0.25);

  // The curve is symmetric: half the time is half the way, a quarter of the time is
  // well short of a quarter of the way.
  ring.animation()->setCurrentTime(150);
  EXPECT_NEAR(ring.displayedProgress(), 0.5, 1e-3);
  ring.animation()->setCurrentTime(75);
  EXPECT_LT(ring.displayedProgress(), 0.25 + 0.5 * 0.2);
  EXPECT_GT(ring.displayedProgress(), 0.25);
  ring.animation()->setCurrentTime(300);
  EXPECT_DOUBLE_EQ(ring.displayedProgress(), 0.75);
  EXPECT_FALSE(ring.isAnimating());
}

TEST(CircularProgressRing, ANewTargetMidwayStartsFromTheArcAsDrawn) {
  CircularProgressRing ring(0.0, 6, Qt::blue, 40);
  ring.setProgress(1.0);
  ring.animation()->setCurrentTime(150);
  ASSERT_NEAR(ring.displayedProgress(), 0.5, 1e-3);
  ring.setProgress(0.2);
  EXPECT_NEAR(ring.displayedProgress(), 0.5, 1e-3);
  ring.animation()->setCurrentTime(300);
  EXPECT_DOUBLE_EQ(ring.displayedProgress(), 0.2);
}

TEST(CircularProgressRing, OnlyProgressAnimates) {
  CircularProgressRing ring(0.25, 6, Qt::blue, 40);
  ring.setPrimaryColor(QColor(Qt::red));
  ring.setLineWidth(8);
  ring.setRingSize(60);
  EXPECT_FALSE(ring.isAnimating());
  EXPECT_EQ(ring.primaryColor(), QColor(Qt::red));
  EXPECT_EQ(ring.size(), QSize(68, 68));

  // The same value, or one that clamps to it, is no change.
  ring.setProgress(0.25);
  EXPECT_FALSE(ring.isAnimating());
  CircularProgressRing full(1.0, 6, Qt::blue, 40);
  full.setProgress(1.7);
  full.setProgress(kNaN);
  EXPECT_FALSE(full.isAnimating());
  full.setProgress(-3);
  EXPECT_TRUE(full.isAnimating());
  EXPECT_EQ(full.progress(), 0.0);
}

TEST(CircularProgressRing, ANamedColourFollowsThePalette) {
  CircularProgressRing ring(0.5, 6, ThemeColor::green, 40);
  ring.setPalette(Theme::palette(false, Theme::defaultAccent()));
  const QColor light = ring.primaryColor();
  ring.setPalette(Theme::palette(true, Theme::defaultAccent()));
  const QColor dark = ring.primaryColor();
  EXPECT_NE(light, dark);
  EXPECT_EQ(dark, Theme::color(ThemeColor::green, Theme::palette(true, Theme::defaultAccent())));
}
