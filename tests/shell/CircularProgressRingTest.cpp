#include "app/platform/Theme.h"
#include "app/shell/CircularProgressRing.h"

#include <QImage>

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Alpha where the ring's line passes at the given clock angle (0 = twelve o'clock).
int alphaOnLineAt(CircularProgressRing& ring, double degrees) {
  QImage image(ring.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  ring.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  const double radius = ring.ringSize() / 2;
  const double rad = qDegreesToRadians(degrees);
  const QPointF at = QPointF(image.width() / 2.0, image.height() / 2.0) +
                     QPointF(radius * std::sin(rad), -radius * std::cos(rad));
  return qAlpha(image.pixel(at.toPoint()));
}

}  // namespace

TEST(CircularProgressRing, ClampsIntoZeroToOneAndTakesNaNAsFull) {
  const std::pair<double, double> cases[] = {{1.7, 1.0},  {-0.2, 0.0},  {kNaN, 1.0},
                                             {kInf, 1.0}, {-kInf, 0.0}, {0.42, 0.42}};
  for (const auto& [given, expected] : cases) {
    SCOPED_TRACE(given);
    EXPECT_EQ(CircularProgressRing::clampProgress(given), expected);
    // A new ring takes the clamped value and draws it at once.
    CircularProgressRing ring(given, 6, Qt::red, 40);
    EXPECT_EQ(ring.progress(), expected);
    EXPECT_EQ(ring.displayedProgress(), expected);
    EXPECT_FALSE(ring.isAnimating());
  }
}

TEST(CircularProgressRing, DrawsTheArcClockwiseFromTwelve) {
  CircularProgressRing full(1.7, 6, Qt::red, 40);
  CircularProgressRing empty(-0.2, 6, Qt::red, 40);
  CircularProgressRing part(0.3, 6, Qt::red, 40);
  // Room for the half of the line that lies outside the ring's size.
  EXPECT_EQ(full.size(), QSize(46, 46));
  for (double angle : {20.0, 90.0, 180.0, 270.0, 340.0}) {
    SCOPED_TRACE(angle);
    EXPECT_EQ(alphaOnLineAt(full, angle), 255);
    // Only the track: the colour at 0.15.
    EXPECT_NEAR(alphaOnLineAt(empty, angle), 0.15 * 255, 3);
  }
  // 0.3 covers three o'clock but not seven or ten o'clock.
  EXPECT_EQ(alphaOnLineAt(part, 60), 255);
  EXPECT_NEAR(alphaOnLineAt(part, 200), 0.15 * 255, 3);
  EXPECT_NEAR(alphaOnLineAt(part, 300), 0.15 * 255, 3);
}

TEST(CircularProgressRing, AnimatesAChangeOfProgressWithEaseInOutFromTheArcAsDrawn) {
  CircularProgressRing ring(0.25, 6, Qt::blue, 40);
  ring.setProgress(0.75);
  EXPECT_EQ(ring.progress(), 0.75);
  ASSERT_TRUE(ring.isAnimating());
  EXPECT_EQ(ring.animation()->duration(), 300);
  EXPECT_DOUBLE_EQ(ring.displayedProgress(), 0.25);
  // Symmetric curve: half the time is half the way, a quarter of the time well short of a quarter.
  ring.animation()->setCurrentTime(75);
  EXPECT_GT(ring.displayedProgress(), 0.25);
  EXPECT_LT(ring.displayedProgress(), 0.25 + 0.5 * 0.2);
  ring.animation()->setCurrentTime(150);
  EXPECT_NEAR(ring.displayedProgress(), 0.5, 1e-3);

  // A new target midway starts from where the arc is now.
  ring.setProgress(0.2);
  EXPECT_NEAR(ring.displayedProgress(), 0.5, 1e-3);
  ring.animation()->setCurrentTime(300);
  EXPECT_DOUBLE_EQ(ring.displayedProgress(), 0.2);
  EXPECT_FALSE(ring.isAnimating());
}

TEST(CircularProgressRing, OnlyARealChangeOfProgressAnimatesAndNamedColoursFollowThePalette) {
  CircularProgressRing ring(1.0, 6, ThemeColor::green, 40);
  ring.setLineWidth(8);
  ring.setRingSize(60);
  EXPECT_EQ(ring.size(), QSize(68, 68));
  const QPalette dark = Theme::palette(true, Theme::defaultAccent());
  ring.setPalette(Theme::palette(false, Theme::defaultAccent()));
  const QColor light = ring.primaryColor();
  ring.setPalette(dark);
  EXPECT_NE(ring.primaryColor(), light);
  EXPECT_EQ(ring.primaryColor(), Theme::color(ThemeColor::green, dark));
  // The same value, or one that clamps to it, is no change.
  ring.setProgress(1.0);
  ring.setProgress(1.7);
  ring.setProgress(kNaN);
  EXPECT_FALSE(ring.isAnimating());
  ring.setProgress(-3);
  EXPECT_TRUE(ring.isAnimating());
  EXPECT_EQ(ring.progress(), 0.0);
}
