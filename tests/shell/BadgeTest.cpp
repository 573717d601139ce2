#include "app/platform/Theme.h"
#include "app/shell/CategoryTag.h"
#include "app/shell/PriorityBadge.h"
#include "app/shell/WaitingStatusBadge.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

const QPalette& lightPalette() {
  static const QPalette p = Theme::palette(false, Theme::defaultAccent());
  return p;
}

const QPalette& darkPalette() {
  static const QPalette p = Theme::palette(true, Theme::defaultAccent());
  return p;
}

// The badge drawn over its window colour.
QImage render(QWidget& badge, const QPalette& palette) {
  badge.setPalette(palette);
  badge.resize(badge.sizeHint());
  QImage image(badge.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(palette.color(QPalette::Window));
  badge.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

QColor over(const QColor& top, double alpha, const QColor& bottom) {
  return QColor::fromRgbF(float(top.redF() * alpha + bottom.redF() * (1 - alpha)),
                          float(top.greenF() * alpha + bottom.greenF() * (1 - alpha)),
                          float(top.blueF() * alpha + bottom.blueF() * (1 - alpha)));
}

void expectNear(const QColor& actual, const QColor& expected, int tolerance = 3) {
  EXPECT_NEAR(actual.red(), expected.red(), tolerance);
  EXPECT_NEAR(actual.green(), expected.green(), tolerance);
  EXPECT_NEAR(actual.blue(), expected.blue(), tolerance);
}

}  // namespace

TEST(PriorityBadge, TextAndColourPerPriority) {
  struct Row {
    TaskPriority priority;
    QString text;
    ThemeColor color;
  };
  const Row rows[] = {{TaskPriority::low, QStringLiteral("Low"), ThemeColor::secondary},
                      {TaskPriority::medium, QStringLiteral("Medium"), ThemeColor::blue},
                      {TaskPriority::high, QStringLiteral("High"), ThemeColor::orange},
                      {TaskPriority::urgent, QStringLiteral("Urgent"), ThemeColor::red}};
  for (const Row& row : rows) {
    PriorityBadge badge(row.priority);
    EXPECT_EQ(badge.text(), row.text);
    EXPECT_EQ(badge.colorRole(), row.color);
    EXPECT_EQ(badge.textRole(), row.color);
    EXPECT_EQ(PriorityBadge::color(row.priority), row.color);
    EXPECT_TRUE(badge.hasDot());
    EXPECT_EQ(badge.horizontalPadding(), 6);
  }
}

TEST(WaitingStatusBadge, TextAndColourPerStatus) {
  struct Row {
    WaitingStatus status;
    QString text;
    ThemeColor color;
  };
  const Row rows[] = {
      {WaitingStatus::waiting, QStringLiteral("Waiting"), ThemeColor::purple},
      {WaitingStatus::followedUp, QStringLiteral("Followed Up"), ThemeColor::blue},
      {WaitingStatus::resolved, QStringLiteral("Resolved"), ThemeColor::green},
      {WaitingStatus::cancelled, QStringLiteral("Cancelled"), ThemeColor::secondary}};
  for (const Row& row : rows) {
    WaitingStatusBadge badge(row.status);
    EXPECT_EQ(badge.text(), row.text);
    EXPECT_EQ(badge.colorRole(), row.color);
    EXPECT_EQ(badge.textRole(), row.color);
    EXPECT_FALSE(badge.hasDot());
    EXPECT_EQ(badge.horizontalPadding(), 7);
  }
  // A cancelled item shares the neutral colour of a low priority.
  EXPECT_EQ(WaitingStatusBadge::color(WaitingStatus::cancelled),
            PriorityBadge::color(TaskPriority::low));
}

TEST(CategoryTag, ShowsItsTitleLiterallyInTheSecondaryColour) {
  CategoryTag tag(QStringLiteral("50% <i>off</i> & more"));
  EXPECT_EQ(tag.title(), QStringLiteral("50% <i>off</i> & more"));
  EXPECT_EQ(tag.colorRole(), ThemeColor::secondary);
  EXPECT_EQ(tag.textRole(), ThemeColor::secondary);
  EXPECT_FALSE(tag.hasDot());
  EXPECT_EQ(tag.horizontalPadding(), 6);
  // Every character takes room: markup is not swallowed.
  CategoryTag plain(QStringLiteral("50% off & more"));
  EXPECT_GT(tag.sizeHint().width(), plain.sizeHint().width());
}

TEST(PriorityBadge, PaintsDotOnAFaintCapsuleOfItsColour) {
  for (const QPalette* palette : {&lightPalette(), &darkPalette()}) {
    PriorityBadge urgent(TaskPriority::urgent);
    const QImage image = render(urgent, *palette);
    const QColor red = Theme::color(ThemeColor::red, *palette);
    const QColor window = palette->color(QPalette::Window);

    // The dot sits after six points of padding, six points wide, centred vertically.
    expectNear(image.pixelColor(6 + 3, image.height() / 2), red);
    // Near the right end, between text and edge, only the capsule's 12 % shows.
    expectNear(image.pixelColor(image.width() - 3, image.height() / 2), over(red, 0.12, window));
    // The corners lie outside the capsule.
    expectNear(image.pixelColor(0, 0), window, 1);
  }
}

TEST(PriorityBadge, WaitingStatusPaddingIsOnePointWider) {
  // Same text, same font: the status badge is two points wider than a tag (7 vs 6 each side).
  WaitingStatusBadge status(WaitingStatus::waiting);
  CategoryTag tag(QStringLiteral("Waiting"));
  EXPECT_EQ(status.sizeHint().width(), tag.sizeHint().width() + 2);
  EXPECT_EQ(status.sizeHint().height(), tag.sizeHint().height());
}
