#include "app/platform/Theme.h"
#include "app/shell/CardView.h"
#include "app/shell/SymbolView.h"

#include <QImage>
#include <QLabel>
#include <QLayout>

#include <gtest/gtest.h>

namespace {

QWidget* block(int height = 40) {
  auto* w = new QWidget;
  w->setFixedHeight(height);
  return w;
}

void layOut(CardView& card, QSize size = QSize(320, 160)) {
  card.resize(size);
  card.layout()->activate();
  if (card.header()) {
    card.header()->layout()->activate();
  }
}

// A point inside the panel, mapped from a child widget.
QRect inCard(const CardView& card, const QWidget* child) {
  return QRect(child->mapTo(&card, QPoint(0, 0)), child->size());
}

}  // namespace

TEST(CardView, HeaderWithIconTitleAndAccessoryInThatOrder) {
  auto* trailing = new QLabel(QStringLiteral("3"));
  auto* content = block();
  CardView card(QStringLiteral("Next Event"), QStringLiteral("calendar"), trailing, content);
  layOut(card);

  ASSERT_NE(card.header(), nullptr);
  ASSERT_NE(card.iconView(), nullptr);
  ASSERT_NE(card.titleLabel(), nullptr);
  EXPECT_EQ(card.iconView()->symbol(), QStringLiteral("calendar"));
  EXPECT_EQ(card.iconView()->role(), ThemeColor::accent);
  EXPECT_EQ(card.titleLabel()->text(), QStringLiteral("Next Event"));
  EXPECT_EQ(card.titleLabel()->font().pixelSize(), 14);
  EXPECT_EQ(card.headerTrailing(), trailing);
  EXPECT_EQ(card.content(), content);

  const QRect panel = card.panelRect();
  const QRect icon = inCard(card, card.iconView());
  const QRect title = inCard(card, card.titleLabel());
  const QRect accessory = inCard(card, trailing);
  EXPECT_EQ(icon.left(), panel.left() + 14);
  EXPECT_LT(icon.right(), title.left());
  EXPECT_LT(title.right(), accessory.left());
  EXPECT_EQ(accessory.right(), panel.right() - 14);
  // The content follows the header, twelve points below it.
  EXPECT_EQ(inCard(card, content).top(), inCard(card, card.header()).bottom() + 1 + 12);
}

TEST(CardView, AccessoryAloneStillMakesAHeaderAtTheRight) {
  auto* trailing = new QLabel(QStringLiteral("Edit"));
  CardView card(std::nullopt, std::nullopt, trailing, block());
  layOut(card);
  ASSERT_NE(card.header(), nullptr);
  EXPECT_EQ(card.iconView(), nullptr);
  EXPECT_EQ(card.titleLabel(), nullptr);
  EXPECT_EQ(inCard(card, trailing).right(), card.panelRect().right() - 14);
  EXPECT_GT(inCard(card, trailing).left(), card.panelRect().center().x());
}

TEST(CardView, TitleWithoutIconStartsTheHeader) {
  CardView card(QStringLiteral("Today"), std::nullopt, nullptr, block());
  layOut(card);
  ASSERT_NE(card.titleLabel(), nullptr);
  EXPECT_EQ(card.iconView(), nullptr);
  EXPECT_TRUE(card.findChildren<SymbolView*>().isEmpty());
  EXPECT_EQ(inCard(card, card.titleLabel()).left(), card.panelRect().left() + 14);
}

TEST(CardView, NoHeaderValuesMeansContentRightUnderThePadding) {
  auto* content = block();
  CardView card(std::nullopt, std::nullopt, nullptr, content);
  layOut(card);
  EXPECT_EQ(card.header(), nullptr);
  EXPECT_TRUE(card.findChildren<QLabel*>().isEmpty());
  EXPECT_EQ(inCard(card, content).topLeft(), card.panelRect().topLeft() + QPoint(14, 14));
  EXPECT_EQ(inCard(card, content).right(), card.panelRect().right() - 14);
}

TEST(CardView, TitleIsShownLiterally) {
  const QString title = QStringLiteral("100% <b>done</b> %1");
  CardView card(title, std::nullopt, nullptr, block());
  EXPECT_EQ(card.titleLabel()->text(), title);
  EXPECT_EQ(card.titleLabel()->textFormat(), Qt::PlainText);
}

TEST(CardView, PaintsATranslucentRoundedPanel) {
  const QPalette palette = Theme::palette(false, Theme::defaultAccent());
  CardView card(std::nullopt, std::nullopt, nullptr, block());
  card.setPalette(palette);
  layOut(card, QSize(200, 100));
  QImage image(card.size(), QImage::Format_ARGB32_Premultiplied);
  const QColor backdrop(255, 0, 0);
  image.fill(backdrop);
  card.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);

  // Inside: the window colour at 0.85 over whatever is behind the card.
  const QColor window = palette.color(QPalette::Window);
  const QColor inside = image.pixelColor(card.panelRect().center());
  EXPECT_NEAR(inside.red(), 0.85 * window.red() + 0.15 * 255, 2);
  EXPECT_NEAR(inside.green(), 0.85 * window.green(), 2);
  EXPECT_NEAR(inside.blue(), 0.85 * window.blue(), 2);
  // The corner is rounded off: the backdrop shows there (under a faint shadow at most).
  const QColor corner = image.pixelColor(card.panelRect().topLeft() + QPoint(1, 1));
  EXPECT_GT(corner.red(), 240);
  EXPECT_LT(corner.green(), 15);
  // The outline: the text colour at 0.08, darker than the fill just inside it.
  const int midY = card.panelRect().center().y();
  const QColor edge = image.pixelColor(card.panelRect().left(), midY);
  const QColor fill = image.pixelColor(card.panelRect().left() + 3, midY);
  EXPECT_LT(edge.green(), fill.green());
}
