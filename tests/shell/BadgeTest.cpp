#include "app/platform/Theme.h"
#include "app/shell/CategoryTag.h"
#include "app/shell/PriorityBadge.h"
#include "app/shell/WaitingStatusBadge.h"

#include <QImage>

#include <gtest/gtest.h>

#include <array>

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
    const int middle = image.height() / 2;
    for (int c = 0; c < 3; ++c) {
      const auto part = [c](const QColor& color) {
        return std::array{color.red(), color.green(), color.blue()}[c];
      };
      // The dot sits after six points of padding, six points wide, centred vertically.
      EXPECT_NEAR(part(image.pixelColor(6 + 3, middle)), part(red), 3);
      // Near the right end, between text and edge, only the capsule's 12 % shows.
      EXPECT_NEAR(part(image.pixelColor(image.width() - 3, middle)),
                  0.12 * part(red) + 0.88 * part(window), 3);
      // The corners lie outside the capsule.
      EXPECT_NEAR(part(image.pixelColor(0, 0)), part(window), 1);
    }
  }
}
