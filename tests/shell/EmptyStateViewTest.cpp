#include "app/shell/EmptyStateView.h"
#include "app/shell/ProminentButton.h"
#include "app/shell/SymbolView.h"
#include "app/shell/ThemedLabel.h"

#include <QLayout>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kSymbol = QStringLiteral("checklist");
const QString kTitle = QStringLiteral("No tasks found");
const QString kMessage =
    QStringLiteral("Stay on top of your day by adding your first action item.");

void show(EmptyStateView& view, QSize size) {
  view.resize(size);
  view.show();
  view.layout()->activate();
}

}  // namespace

TEST(EmptyStateView, ShowsEveryPartLiterallyAndOffersAButtonOnlyWithTitleAndAction) {
  int calls = 0;
  EmptyStateView view(kSymbol, QStringLiteral("<b>100%</b>"), QStringLiteral("<i>none</i> & %1"),
                      QStringLiteral("Add & go"), [&calls] { ++calls; });
  EXPECT_EQ(view.iconView()->symbol(), kSymbol);
  for (ThemedLabel* label : {view.titleLabel(), view.messageLabel()}) {
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
  }
  EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("<b>100%</b>"));
  EXPECT_EQ(view.messageLabel()->text(), QStringLiteral("<i>none</i> & %1"));
  ASSERT_NE(view.actionButton(), nullptr);
  // An "&" is a character of the label, not a keyboard shortcut (here Alt+Space).
  EXPECT_TRUE(view.actionButton()->shortcut().isEmpty());
  view.actionButton()->setText(QStringLiteral("Save &Close"));
  EXPECT_TRUE(view.actionButton()->shortcut().isEmpty());
  show(view, QSize(400, 300));
  QTest::mouseClick(view.actionButton(), Qt::LeftButton);
  EXPECT_EQ(calls, 1);

  EmptyStateView neither(kSymbol, kTitle, kMessage);
  EmptyStateView titleOnly(kSymbol, kTitle, kMessage, QStringLiteral("Create Task"));
  EmptyStateView actionOnly(kSymbol, kTitle, kMessage, std::nullopt, [] {});
  for (EmptyStateView* v : {&neither, &titleOnly, &actionOnly}) {
    EXPECT_TRUE(v->findChildren<QPushButton*>().isEmpty());
    EXPECT_EQ(v->sizeHint().height(), neither.sizeHint().height());  // no room kept for it
  }
}

TEST(EmptyStateView, ColumnSpacingCentringAndWrapping) {
  EmptyStateView view(kSymbol, kTitle, kMessage, QStringLiteral("Create Task"), [] {});
  show(view, QSize(500, 500));
  // Ten points between the parts, four more above the button.
  const QRect icon = view.iconView()->geometry();
  const QRect title = view.titleLabel()->geometry();
  const QRect message = view.messageLabel()->geometry();
  const QRect button = view.actionButton()->geometry();
  EXPECT_EQ(title.top() - icon.bottom() - 1, 10);
  EXPECT_EQ(message.top() - title.bottom() - 1, 10);
  EXPECT_EQ(button.top() - message.bottom() - 1, 14);
  // The column sits in the middle of all the room it is given.
  EXPECT_NEAR(icon.top(), view.height() - button.bottom() - 1, 1);
  EXPECT_NEAR(button.center().x(), view.width() / 2, 1);
  // However small the container, the 24 points of padding stay around the column.
  EXPECT_GE(view.minimumSizeHint().width(), message.width() + 48);
  EXPECT_GE(view.minimumSizeHint().height(), button.bottom() - icon.top() + 1 + 48);

  // A long message wraps at 240 points; the title does not.
  EmptyStateView wide(QStringLiteral("tray"),
                      QStringLiteral("A title that is much longer than the message column is wide"),
                      kMessage + QLatin1Char(' ') + kMessage);
  show(wide, QSize(700, 400));
  EXPECT_LE(wide.messageLabel()->width(), 240);
  EXPECT_GT(wide.messageLabel()->height(), 2 * wide.messageLabel()->fontMetrics().height());
  EXPECT_GT(wide.titleLabel()->width(), 240);
  // A short message keeps its natural width, centred under the symbol.
  EmptyStateView brief(QStringLiteral("tray"), QStringLiteral("Nothing"),
                       QStringLiteral("All clear."));
  show(brief, QSize(700, 400));
  EXPECT_LT(brief.messageLabel()->width(), 240);
  EXPECT_NEAR(brief.messageLabel()->geometry().center().x(),
              brief.iconView()->geometry().center().x(), 1);
}
