// The shared view pieces: how they lay out and what they paint.

#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/platform/VisualEffectView.h"
#include "app/shell/CardView.h"
#include "app/shell/CategoryTag.h"
#include "app/shell/CircularProgressRing.h"
#include "app/shell/ComponentGallery.h"
#include "app/shell/DashboardTab.h"
#include "app/shell/EmptyStateView.h"
#include "app/shell/PriorityBadge.h"
#include "app/shell/ProminentButton.h"
#include "app/shell/SymbolView.h"
#include "app/shell/ThemedLabel.h"
#include "app/shell/WaitingStatusBadge.h"
#include "core/model/WeatherConditionHelper.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const QPalette kLight = Theme::palette(false, Theme::defaultAccent());
const QPalette kDark = Theme::palette(true, Theme::defaultAccent());

// The widget and its children drawn over a backdrop of one colour.
QImage renderOver(QWidget& widget, const QColor& backdrop) {
  QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(backdrop);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  return image;
}

// Channels of two colours differ by at most `tolerance` each.
::testing::AssertionResult near(const QColor& actual, const QColor& expected, int tolerance) {
  if (std::abs(actual.red() - expected.red()) <= tolerance &&
      std::abs(actual.green() - expected.green()) <= tolerance &&
      std::abs(actual.blue() - expected.blue()) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << actual.name().toStdString() << " is not " << expected.name().toStdString();
}

// `top` at its alpha over an opaque `bottom`.
QColor over(const QColor& top, double alpha, const QColor& bottom) {
  return QColor::fromRgbF(float(top.redF() * alpha + bottom.redF() * (1 - alpha)),
                          float(top.greenF() * alpha + bottom.greenF() * (1 - alpha)),
                          float(top.blueF() * alpha + bottom.blueF() * (1 - alpha)));
}

QWidget* block() {
  auto* w = new QWidget;
  w->setFixedHeight(40);
  return w;
}

// A child's rectangle in the card's coordinates.
QRect inCard(const CardView& card, const QWidget* child) {
  return QRect(child->mapTo(&card, QPoint(0, 0)), child->size());
}

}  // namespace

TEST(CardView, HeaderHoldsOnlyTheGivenPartsInOrderWithinThePadding) {
  const QString literal = QStringLiteral("100% <b>done</b> %1");
  const struct {
    std::optional<QString> title;
    std::optional<QString> icon;
    bool accessory;
  } rows[] = {{literal, QStringLiteral("calendar"), true},
              {std::nullopt, std::nullopt, true},
              {literal, std::nullopt, false},
              {std::nullopt, std::nullopt, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << row.title.has_value() << row.icon.has_value() << row.accessory);
    QLabel* trailing = row.accessory ? new QLabel(QStringLiteral("3")) : nullptr;
    QWidget* content = block();
    CardView card(row.title, row.icon, trailing, content);
    card.resize(320, 160);
    card.layout()->activate();
    const QRect panel = card.panelRect();
    EXPECT_EQ(card.titleLabel() != nullptr, row.title.has_value());
    EXPECT_EQ(card.findChildren<SymbolView*>().size(), row.icon ? 1 : 0);
    if (!row.title && !row.accessory) {
      EXPECT_EQ(card.header(), nullptr);
      EXPECT_TRUE(card.findChildren<QLabel*>().isEmpty());
      EXPECT_EQ(inCard(card, content),
                QRect(panel.topLeft() + QPoint(14, 14), QSize(panel.width() - 28, 40)));
      continue;
    }
    ASSERT_NE(card.header(), nullptr);
    card.header()->layout()->activate();
    // Content twelve points below the header; icon, then title (shown literally), from the left.
    EXPECT_EQ(inCard(card, content).top(), inCard(card, card.header()).bottom() + 1 + 12);
    int left = panel.left() + 14;
    if (row.icon) {
      EXPECT_EQ(card.iconView()->symbol(), *row.icon);
      EXPECT_EQ(card.iconView()->role(), ThemeColor::accent);
      EXPECT_EQ(inCard(card, card.iconView()).left(), left);
      left = inCard(card, card.iconView()).right() + 1 + 6;
    }
    if (row.title) {
      EXPECT_EQ(card.titleLabel()->text(), *row.title);
      EXPECT_EQ(card.titleLabel()->textFormat(), Qt::PlainText);
      EXPECT_EQ(inCard(card, card.titleLabel()).left(), left);
      left = inCard(card, card.titleLabel()).right() + 1;
    }
    if (trailing) {
      EXPECT_GT(inCard(card, trailing).left(), std::max(left, panel.center().x()));
      EXPECT_EQ(inCard(card, trailing).right(), panel.right() - 14);
    }
  }
}

// A translucent rounded panel with a faint outline; a capsule badge a faint fill of its colour
// with a full-colour dot.
TEST(ViewPieces, CardAndBadgePaintTheirShapesInTheirColours) {
  CardView card(std::nullopt, std::nullopt, nullptr, block());
  card.setPalette(kLight);
  card.resize(200, 100);
  const QImage image = renderOver(card, Qt::red);
  const QRect panel = card.panelRect();
  // Inside: the window colour at 0.85 over whatever is behind the card.
  EXPECT_TRUE(near(image.pixelColor(panel.center()),
                   over(kLight.color(QPalette::Window), 0.85, Qt::red), 2));
  // The corner is rounded off: the backdrop shows there (under a faint shadow at most).
  EXPECT_TRUE(near(image.pixelColor(panel.topLeft() + QPoint(1, 1)), Qt::red, 15));
  // The outline: the text colour at 0.08, darker than the fill just inside it.
  EXPECT_LT(image.pixelColor(panel.left(), panel.center().y()).green(),
            image.pixelColor(panel.left() + 3, panel.center().y()).green());

  for (const QPalette& palette : {kLight, kDark}) {
    PriorityBadge urgent(TaskPriority::urgent);
    urgent.setPalette(palette);
    urgent.resize(urgent.sizeHint());
    const QColor window = palette.color(QPalette::Window);
    const QColor red = Theme::color(ThemeColor::red, palette);
    const QImage badge = renderOver(urgent, window);
    const int middle = badge.height() / 2;
    // The dot sits after six points of padding, six points wide, centred vertically.
    EXPECT_TRUE(near(badge.pixelColor(6 + 3, middle), red, 3));
    // Near the right end, between text and edge, only the capsule's 12 % shows.
    EXPECT_TRUE(near(badge.pixelColor(badge.width() - 3, middle), over(red, 0.12, window), 3));
    // The corners lie outside the capsule.
    EXPECT_TRUE(near(badge.pixelColor(0, 0), window, 1));
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
  // Same text, same font: a status badge is two points wider than a tag (7 vs 6 each side).
  EXPECT_EQ(waiting.sizeHint(), CategoryTag(QStringLiteral("Waiting")).sizeHint() + QSize(2, 0));
  // Every character of a tag takes room: markup is not swallowed.
  EXPECT_GT(tag.sizeHint().width(),
            CategoryTag(QStringLiteral("50% off & more")).sizeHint().width());
}

TEST(CircularProgressRing, ClampsAndDrawsTheArcClockwiseFromTwelve) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // Alpha where the line passes at each clock angle, 0 = twelve o'clock; the track alone is
  // the colour at 0.15.
  const int track = int(std::lround(0.15 * 255));
  const struct {
    double given, expected;
    int at20, at60, at200, at340;
  } rows[] = {{1.7, 1.0, 255, 255, 255, 255},          {nan, 1.0, 255, 255, 255, 255},
              {inf, 1.0, 255, 255, 255, 255},          {-0.2, 0.0, track, track, track, track},
              {-inf, 0.0, track, track, track, track}, {0.3, 0.3, 255, 255, track, track}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.given);
    EXPECT_EQ(CircularProgressRing::clampProgress(row.given), row.expected);
    // A new ring takes the clamped value and draws it at once.
    CircularProgressRing ring(row.given, 6, Qt::red, 40);
    EXPECT_EQ(ring.progress(), row.expected);
    EXPECT_EQ(ring.displayedProgress(), row.expected);
    EXPECT_FALSE(ring.isAnimating());
    // Room for the half of the line that lies outside the ring's size.
    ASSERT_EQ(ring.size(), QSize(46, 46));
    const QImage image = renderOver(ring, Qt::transparent);
    const int alphas[] = {row.at20, row.at60, row.at200, row.at340};
    const double angles[] = {20, 60, 200, 340};
    for (int i = 0; i < 4; ++i) {
      const double rad = qDegreesToRadians(angles[i]);
      const QPointF at = QPointF(23, 23) + QPointF(20 * std::sin(rad), -20 * std::cos(rad));
      EXPECT_NEAR(qAlpha(image.pixel(at.toPoint())), alphas[i], 3) << angles[i];
    }
  }
}

TEST(CircularProgressRing, AnimatesARealChangeWithEaseInOutFromTheArcAsDrawn) {
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

  CircularProgressRing full(1.0, 6, ThemeColor::green, 40);
  full.setLineWidth(8);
  full.setRingSize(60);
  EXPECT_EQ(full.size(), QSize(68, 68));
  full.setPalette(kLight);
  EXPECT_EQ(full.primaryColor(), Theme::color(ThemeColor::green, kLight));
  full.setPalette(kDark);
  EXPECT_EQ(full.primaryColor(), Theme::color(ThemeColor::green, kDark));
  // The same value, or one that clamps to it, is no change.
  for (const double same : {1.0, 1.7, std::numeric_limits<double>::quiet_NaN()}) {
    full.setProgress(same);
  }
  EXPECT_FALSE(full.isAnimating());
  full.setProgress(-3);
  EXPECT_TRUE(full.isAnimating());
  EXPECT_EQ(full.progress(), 0.0);
}

TEST(EmptyStateView, ShowsEveryPartLiterallyAndOffersAButtonOnlyWithTitleAndAction) {
  const QString symbol = QStringLiteral("checklist");
  const QString title = QStringLiteral("No tasks found");
  const QString message =
      QStringLiteral("Stay on top of your day by adding your first action item.");
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
  view.actionButton()->setText(QStringLiteral("Save &Close"));
  EXPECT_TRUE(view.actionButton()->shortcut().isEmpty());
  view.resize(400, 300);
  view.show();
  QTest::mouseClick(view.actionButton(), Qt::LeftButton);
  EXPECT_EQ(calls, 1);
  EmptyStateView neither(symbol, title, message);
  EmptyStateView titleOnly(symbol, title, message, QStringLiteral("Create Task"));
  EmptyStateView actionOnly(symbol, title, message, std::nullopt, [] {});
  for (EmptyStateView* v : {&neither, &titleOnly, &actionOnly}) {
    EXPECT_TRUE(v->findChildren<QPushButton*>().isEmpty());
    EXPECT_EQ(v->sizeHint().height(), neither.sizeHint().height());  // no room kept for it
  }

  // Ten points between the parts, four more above the button; the column centred in its room.
  EmptyStateView full(symbol, title, message, QStringLiteral("Create Task"), [] {});
  full.resize(500, 500);
  full.show();
  full.layout()->activate();
  const QRect icon = full.iconView()->geometry();
  const QRect text = full.titleLabel()->geometry();
  const QRect body = full.messageLabel()->geometry();
  const QRect button = full.actionButton()->geometry();
  EXPECT_EQ(text.top() - icon.bottom() - 1, 10);
  EXPECT_EQ(body.top() - text.bottom() - 1, 10);
  EXPECT_EQ(button.top() - body.bottom() - 1, 14);
  EXPECT_NEAR(icon.top(), full.height() - button.bottom() - 1, 1);
  EXPECT_NEAR(button.center().x(), full.width() / 2, 1);
  // However small the container, the 24 points of padding stay around the column.
  EXPECT_GE(full.minimumSizeHint().width(), body.width() + 48);
  EXPECT_GE(full.minimumSizeHint().height(), button.bottom() - icon.top() + 1 + 48);
}

TEST(EmptyStateView, ALongMessageWrapsAtItsColumnAShortOneKeepsItsWidth) {
  const QString message =
      QStringLiteral("Stay on top of your day by adding your first action item.");
  EmptyStateView wide(QStringLiteral("tray"),
                      QStringLiteral("A title that is much longer than the message column is wide"),
                      message + QLatin1Char(' ') + message);
  EmptyStateView brief(QStringLiteral("tray"), QStringLiteral("Nothing"),
                       QStringLiteral("All clear."));
  for (EmptyStateView* view : {&wide, &brief}) {
    view->resize(700, 400);
    view->show();
    view->layout()->activate();
  }
  EXPECT_LE(wide.messageLabel()->width(), 240);
  EXPECT_GT(wide.messageLabel()->height(), 2 * wide.messageLabel()->fontMetrics().height());
  EXPECT_GT(wide.titleLabel()->width(), 240);
  EXPECT_LT(brief.messageLabel()->width(), 240);
  EXPECT_NEAR(brief.messageLabel()->geometry().center().x(),
              brief.iconView()->geometry().center().x(), 1);
}

// Keyboard focus must show on the filled button: at its inner left edge the focused button
// looks clearly unlike the same button without focus.
TEST(ProminentButton, FocusIsVisibleOnTheFill) {
  QWidget window;
  auto* row = new QHBoxLayout(&window);
  auto* other = new QLineEdit(&window);
  auto* button = new ProminentButton(QStringLiteral("Add Task"), &window);
  row->addWidget(other);
  row->addWidget(button);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  other->setFocus();
  const QImage plain = button->grab().toImage();
  button->setFocus();
  ASSERT_TRUE(button->hasFocus());
  const QImage focused = button->grab().toImage();
  const QPoint edge(2, button->height() / 2);
  EXPECT_GE(std::abs(focused.pixelColor(edge * focused.devicePixelRatio()).lightness() -
                     plain.pixelColor(edge * plain.devicePixelRatio()).lightness()),
            40);
}

// Behind a translucent top-level the pixels become the translucent fill, so the desktop shows
// through; within a window, or behind an opaque one, the fill blends over what lies beneath.
TEST(VisualEffectView, BehindWindowReplacesTheContentWithinWindowBlendsOverIt) {
  using Material = VisualEffectView::Material;
  using Blending = VisualEffectView::BlendingMode;
  const QColor fill = VisualEffectView::fillColor(Material::hudWindow, kLight);
  EXPECT_GT(fill.alphaF(), 0.8);
  EXPECT_LT(fill.alphaF(), 1.0);
  VisualEffectView view(Material::hudWindow, Blending::behindWindow);
  view.setAttribute(Qt::WA_TranslucentBackground);
  view.setPalette(kLight);
  view.resize(40, 30);
  const QColor replaced = renderOver(view, Qt::red).pixelColor(20, 15);
  EXPECT_NEAR(replaced.alpha(), fill.alpha(), 1);
  EXPECT_NEAR(replaced.red(), fill.red(), 2);
  view.setBlendingMode(Blending::withinWindow);
  const QColor blended = renderOver(view, Qt::red).pixelColor(20, 15);
  EXPECT_EQ(blended.alpha(), 255);
  EXPECT_TRUE(near(blended, over(fill, fill.alphaF(), Qt::red), 2));
  // A new material shows at once.
  view.setMaterial(Material::windowBackground);
  EXPECT_EQ(renderOver(view, Qt::red).pixelColor(20, 15), kLight.color(QPalette::Window));

  // An opaque window has no alpha to keep: the fill must not come out darker than the window
  // colour it is made of. The HUD material is the window colour tinted towards the text.
  for (const QPalette& palette : {kLight, kDark}) {
    QWidget window;
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new VisualEffectView(Material::hudWindow, Blending::behindWindow));
    window.resize(60, 40);
    window.show();
    const QColor hud = VisualEffectView::fillColor(Material::hudWindow, palette);
    const QColor back = palette.color(QPalette::Window);
    EXPECT_EQ(hud.lightness() > back.lightness(), Theme::isDark(palette));
    EXPECT_TRUE(near(window.grab().toImage().pixelColor(30, 20), over(hud, hud.alphaF(), back), 5));
  }
}
