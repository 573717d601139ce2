#include "app/platform/Theme.h"
#include "app/shell/CardView.h"
#include "app/shell/SymbolView.h"

#include <QImage>
#include <QLabel>
#include <QLayout>

#include <gtest/gtest.h>

namespace {

QWidget* block() {
  auto* w = new QWidget;
  w->setFixedHeight(40);
  return w;
}

void layOut(CardView& card, QSize size = QSize(320, 160)) {
  card.resize(size);
  card.layout()->activate();
  if (card.header()) {
    card.header()->layout()->activate();
  }
}

// A child's rectangle in the card's coordinates.
QRect inCard(const CardView& card, const QWidget* child) {
  return QRect(child->mapTo(&card, QPoint(0, 0)), child->size());
}

}  // namespace

TEST(CardView, HeaderHoldsOnlyTheGivenPartsInOrderWithinThePadding) {
  struct Row {
    const char* name;
    std::optional<QString> title;
    std::optional<QString> icon;
    bool accessory;
  };
  const QString literal = QStringLiteral("100% <b>done</b> %1");
  const Row rows[] = {{"all", literal, QStringLiteral("calendar"), true},
                      {"accessory only", std::nullopt, std::nullopt, true},
                      {"title only", literal, std::nullopt, false},
                      {"none", std::nullopt, std::nullopt, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QLabel* trailing = row.accessory ? new QLabel(QStringLiteral("3")) : nullptr;
    QWidget* content = block();
    CardView card(row.title, row.icon, trailing, content);
    layOut(card);
    const QRect panel = card.panelRect();
    EXPECT_EQ(card.titleLabel() != nullptr, row.title.has_value());
    EXPECT_EQ(card.iconView() != nullptr, row.icon.has_value());
    EXPECT_EQ(card.findChildren<SymbolView*>().size(), row.icon ? 1 : 0);
    if (!row.title && !row.accessory) {
      EXPECT_EQ(card.header(), nullptr);
      EXPECT_TRUE(card.findChildren<QLabel*>().isEmpty());
      EXPECT_EQ(inCard(card, content),
                QRect(panel.topLeft() + QPoint(14, 14), QSize(panel.width() - 28, 40)));
      continue;
    }
    ASSERT_NE(card.header(), nullptr);
    // Content twelve points below the header; icon, then title (shown literally), from the left.
    EXPECT_EQ(inCard(card, content).top(), inCard(card, card.header()).bottom() + 1 + 12);
    int left = panel.left() + 14;
    if (row.icon) {
      EXPECT_EQ(card.iconView()->symbol(), *row.icon);
      EXPECT_EQ(card.iconView()->role(), ThemeColor::accent);
      EXPECT_EQ(inCard(card, card.iconView()).left(), left);
      left = inCard(card, card.iconView()).right() + 1;
    }
    if (row.title) {
      EXPECT_EQ(card.titleLabel()->text(), *row.title);
      EXPECT_EQ(card.titleLabel()->textFormat(), Qt::PlainText);
      EXPECT_EQ(inCard(card, card.titleLabel()).left(), left + (row.icon ? 6 : 0));
      left = inCard(card, card.titleLabel()).right() + 1;
    }
    if (trailing) {
      EXPECT_GT(inCard(card, trailing).left(), std::max(left, panel.center().x()));
      EXPECT_EQ(inCard(card, trailing).right(), panel.right() - 14);
    }
  }
}

TEST(CardView, PaintsATranslucentRoundedPanel) {
  const QPalette palette = Theme::palette(false, Theme::defaultAccent());
  CardView card(std::nullopt, std::nullopt, nullptr, block());
  card.setPalette(palette);
  layOut(card, QSize(200, 100));
  QImage image(card.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(QColor(255, 0, 0));
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
  EXPECT_LT(image.pixelColor(card.panelRect().left(), midY).green(),
            image.pixelColor(card.panelRect().left() + 3, midY).green());
}
