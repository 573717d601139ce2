// The shared view pieces: what they show, paint and animate.

#include "app/platform/Theme.h"
#include "app/ui/CardView.h"
#include "app/ui/CategoryTag.h"
#include "app/ui/CircularProgressRing.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/PriorityBadge.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "app/ui/WaitingStatusBadge.h"

#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const QPalette kLight = Theme::palette(false, Theme::defaultAccent());
const QPalette kDark = Theme::palette(true, Theme::defaultAccent());

// `top` at its alpha over an opaque `bottom`.
QColor over(const QColor& top, double alpha, const QColor& bottom) {
  return QColor::fromRgbF(float(top.redF() * alpha + bottom.redF() * (1 - alpha)),
                          float(top.greenF() * alpha + bottom.greenF() * (1 - alpha)),
                          float(top.blueF() * alpha + bottom.blueF() * (1 - alpha)));
}

}  // namespace

// Where colour carries meaning: the card's translucent fill, a badge's dot on a faint capsule
// of its colour, the ring's full arc over its faint track. Each piece is drawn over a backdrop
// unlike any of them and read at one point.
TEST(ViewPieces, PaintTheirColoursAtTheirPlaces) {
  auto* content = new QWidget;
  content->setFixedHeight(40);
  CardView card(std::nullopt, std::nullopt, nullptr, content);
  card.resize(200, 100);
  card.layout()->activate();
  const QRect panel = card.panelRect();
  // Without a header the content sits inside the padding alone.
  EXPECT_EQ(QRect(content->mapTo(&card, QPoint(0, 0)), content->size()),
            QRect(panel.topLeft() + QPoint(14, 14), QSize(panel.width() - 28, 40)));
  // A header's symbol is as tall as its title's text.
  CardView titled(QStringLiteral("Next Event"), QStringLiteral("calendar"), nullptr, new QWidget);
  ASSERT_NE(titled.findChild<SymbolView*>(), nullptr);
  EXPECT_EQ(titled.findChild<SymbolView*>()->sizeHint(), QSize(14, 14));
  for (const QPalette& palette : {kLight, kDark}) {
    PriorityBadge urgent(TaskPriority::urgent);
    urgent.resize(urgent.sizeHint());
    CircularProgressRing ring(0.3, 6, ThemeColor::red, 40);
    const QColor window = palette.color(QPalette::Window);
    const QColor backdrop(40, 160, 90);
    const QColor red = Theme::color(ThemeColor::red, palette);
    // A point on the ring's line at a clock angle, twelve o'clock being 0.
    const auto onRing = [](double degrees) {
      const double rad = qDegreesToRadians(degrees);
      return (QPointF(23, 23) + QPointF(20 * std::sin(rad), -20 * std::cos(rad))).toPoint();
    };
    const struct {
      QWidget* piece;
      QPoint at;
      QColor expected;
    } rows[] = {
        {&card, panel.center(), over(window, 0.85, backdrop)},
        {&urgent, {6 + 3, urgent.height() / 2}, red},  // the dot
        {&urgent, {urgent.width() - 3, urgent.height() / 2}, over(red, 0.12, backdrop)},
        {&urgent, {0, 0}, backdrop},  // outside the capsule
        {&ring, onRing(60), red},
        {&ring, onRing(200), over(red, 0.15, backdrop)},
    };
    for (const auto& row : rows) {
      row.piece->setPalette(palette);
      QImage image(row.piece->size(), QImage::Format_ARGB32_Premultiplied);
      image.fill(backdrop);
      row.piece->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
      const QColor actual = image.pixelColor(row.at);
      EXPECT_LE(std::abs(actual.red() - row.expected.red()) +
                    std::abs(actual.green() - row.expected.green()) +
                    std::abs(actual.blue() - row.expected.blue()),
                6)
          << row.piece->metaObject()->className() << " at " << row.at.x() << ',' << row.at.y()
          << ": " << actual.name().toStdString() << " is not " << row.expected.name().toStdString();
    }
  }
}

TEST(ViewPieces, BadgeTextDotAndColourOfEveryPriorityAndStatus) {
  PriorityBadge low(TaskPriority::low), medium(TaskPriority::medium), high(TaskPriority::high),
      urgent(TaskPriority::urgent);
  WaitingStatusBadge waiting(WaitingStatus::waiting), followedUp(WaitingStatus::followedUp),
      resolved(WaitingStatus::resolved), cancelled(WaitingStatus::cancelled);
  const QString literal = QStringLiteral("50% <i>off</i> & more");
  CategoryTag tag(literal);
  const struct {
    CapsuleBadge* badge;
    QString text;
    ThemeColor color;
    bool dot;
  } rows[] = {{&low, QStringLiteral("Low"), ThemeColor::secondary, true},
              {&medium, QStringLiteral("Medium"), ThemeColor::blue, true},
              {&high, QStringLiteral("High"), ThemeColor::orange, true},
              {&urgent, QStringLiteral("Urgent"), ThemeColor::red, true},
              {&waiting, QStringLiteral("Waiting"), ThemeColor::purple, false},
              {&followedUp, QStringLiteral("Followed Up"), ThemeColor::blue, false},
              {&resolved, QStringLiteral("Resolved"), ThemeColor::green, false},
              {&cancelled, QStringLiteral("Cancelled"), ThemeColor::secondary, false},
              {&tag, literal, ThemeColor::secondary, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text.toStdString());
    EXPECT_EQ(row.badge->text(), row.text);
    EXPECT_EQ(row.badge->colorRole(), row.color);
    EXPECT_EQ(row.badge->textRole(), row.color);
    EXPECT_EQ(row.badge->hasDot(), row.dot);
  }
}

TEST(CircularProgressRing, ClampsThenAnimatesOnlyARealChangeWithEaseInOut) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, double> clamps[] = {{1.7, 1.0},  {nan, 1.0},  {inf, 1.0},
                                              {-0.2, 0.0}, {-inf, 0.0}, {0.3, 0.3}};
  for (const auto& [given, expected] : clamps) {
    // A new ring takes the clamped value and draws it at once.
    CircularProgressRing ring(given, 6, Qt::red, 40);
    EXPECT_EQ(ring.progress(), expected) << given;
    EXPECT_EQ(ring.displayedProgress(), expected) << given;
    EXPECT_FALSE(ring.isAnimating());
  }

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
  // The same value, or one that clamps to it, is no change.
  CircularProgressRing full(1.0, 6, ThemeColor::green, 40);
  for (const double same : {1.0, 1.7, nan}) {
    full.setProgress(same);
  }
  EXPECT_FALSE(full.isAnimating());
  full.setProgress(-3);
  EXPECT_TRUE(full.isAnimating());
  EXPECT_EQ(full.progress(), 0.0);
}

TEST(EmptyStateView, ShowsEveryPartLiterallyAndOffersAButtonOnlyWithTitleAndAction) {
  const QString symbol = QStringLiteral("checklist");
  int calls = 0;
  EmptyStateView view(symbol, QStringLiteral("<b>100%</b>"), QStringLiteral("<i>none</i> & %1"),
                      QStringLiteral("Add & go"), [&calls] { ++calls; });
  EXPECT_EQ(view.iconView()->symbol(), symbol);
  EXPECT_EQ(view.titleLabel()->textFormat(), Qt::PlainText);
  EXPECT_EQ(view.messageLabel()->textFormat(), Qt::PlainText);
  EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("<b>100%</b>"));
  EXPECT_EQ(view.messageLabel()->text(), QStringLiteral("<i>none</i> & %1"));
  ASSERT_NE(view.actionButton(), nullptr);
  // An "&" is a character of the label, not a keyboard shortcut (here Alt+Space).
  EXPECT_TRUE(view.actionButton()->shortcut().isEmpty());
  view.resize(400, 300);
  view.show();
  QTest::mouseClick(view.actionButton(), Qt::LeftButton);
  EXPECT_EQ(calls, 1);
  const QString title = QStringLiteral("No tasks found");
  EmptyStateView neither(symbol, title, title);
  EmptyStateView titleOnly(symbol, title, title, QStringLiteral("Create Task"));
  EmptyStateView actionOnly(symbol, title, title, std::nullopt, [] {});
  for (EmptyStateView* v : {&neither, &titleOnly, &actionOnly}) {
    EXPECT_TRUE(v->findChildren<QPushButton*>().isEmpty());
    EXPECT_EQ(v->sizeHint().height(), neither.sizeHint().height());  // no room kept for it
  }
}
