#include "app/platform/Theme.h"
#include "app/shell/CategoryTag.h"
#include "app/shell/PriorityBadge.h"
#include "app/shell/WaitingStatusBadge.h"

#include <QImage>

#include <gtest/gtest.h>

TEST(Badges, TextDotAndColourOfEveryPriorityAndStatus) {
  struct Row {
    CapsuleBadge* badge;
    QString text;
    ThemeColor color;
    bool dot;
  };
  PriorityBadge low(TaskPriority::low), medium(TaskPriority::medium), high(TaskPriority::high),
      urgent(TaskPriority::urgent);
  WaitingStatusBadge waiting(WaitingStatus::waiting), followedUp(WaitingStatus::followedUp),
      resolved(WaitingStatus::resolved), cancelled(WaitingStatus::cancelled);
  const QString literal = QStringLiteral("50% <i>off</i> & more");
  CategoryTag tag(literal);
  const Row rows[] = {{&low, QStringLiteral("Low"), ThemeColor::secondary, true},
                      {&medium, QStringLiteral("Medium"), ThemeColor::blue, true},
                      {&high, QStringLiteral("High"), ThemeColor::orange, true},
                      {&urgent, QStringLiteral("Urgent"), ThemeColor::red, true},
                      {&waiting, QStringLiteral("Waiting"), ThemeColor::purple, false},
                      {&followedUp, QStringLiteral("Followed Up"), ThemeColor::blue, false},
                      {&resolved, QStringLiteral("Resolved"), ThemeColor::green, false},
                      {&cancelled, QStringLiteral("Cancelled"), ThemeColor::secondary, false},
                      {&tag, literal, ThemeColor::secondary, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text.toStdString());
    EXPECT_EQ(row.badge->text(), row.text);
    EXPECT_EQ(row.badge->colorRole(), row.color);
    EXPECT_EQ(row.badge->textRole(), row.color);
    EXPECT_EQ(row.badge->hasDot(), row.dot);
  }
  EXPECT_EQ(PriorityBadge::color(TaskPriority::urgent), ThemeColor::red);

  // Same text, same font: a status badge is two points wider than a tag (7 vs 6 each side).
  CategoryTag waitingTag(QStringLiteral("Waiting"));
  EXPECT_EQ(waiting.sizeHint(), waitingTag.sizeHint() + QSize(2, 0));
  // Every character of a tag takes room: markup is not swallowed.
  EXPECT_GT(tag.sizeHint().width(),
            CategoryTag(QStringLiteral("50% off & more")).sizeHint().width());
}

TEST(Badges, PriorityPaintsDotOnAFaintCapsuleOfItsColour) {
  for (bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    const QPalette palette = Theme::palette(dark, Theme::defaultAccent());
    PriorityBadge urgent(TaskPriority::urgent);
    urgent.setPalette(palette);
    urgent.resize(urgent.sizeHint());
    QImage image(urgent.size(), QImage::Format_ARGB32_Premultiplied);
    const QColor window = palette.color(QPalette::Window);
    image.fill(window);
    urgent.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor red = Theme::color(ThemeColor::red, palette);
    const auto expectNear = [](const QColor& actual, const QColor& expected, int tolerance) {
      EXPECT_NEAR(actual.red(), expected.red(), tolerance);
      EXPECT_NEAR(actual.green(), expected.green(), tolerance);
      EXPECT_NEAR(actual.blue(), expected.blue(), tolerance);
    };

    // The dot sits after six points of padding, six points wide, centred vertically.
    expectNear(image.pixelColor(6 + 3, image.height() / 2), red, 3);
    // Near the right end, between text and edge, only the capsule's 12 % shows.
    const auto mix = [](double top, double bottom) {
      return int(255 * (0.12 * top + 0.88 * bottom));
    };
    expectNear(image.pixelColor(image.width() - 3, image.height() / 2),
               QColor(mix(red.redF(), window.redF()), mix(red.greenF(), window.greenF()),
                      mix(red.blueF(), window.blueF())),
               3);
    // The corners lie outside the capsule.
    expectNear(image.pixelColor(0, 0), window, 1);
  }
}
