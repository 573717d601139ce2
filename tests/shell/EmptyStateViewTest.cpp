#include "app/shell/EmptyStateView.h"
#include "app/shell/ProminentButton.h"
#include "app/shell/SymbolView.h"
#include "app/shell/ThemedLabel.h"

#include <QLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kMessage =
    QStringLiteral("Stay on top of your day by adding your first action item.");

}  // namespace

TEST(EmptyStateView, ShowsSymbolTitleMessageAndAButtonThatRunsTheAction) {
  int calls = 0;
  EmptyStateView view(QStringLiteral("checklist"), QStringLiteral("No tasks found"), kMessage,
                      QStringLiteral("Create Task"), [&calls] { ++calls; });
  EXPECT_EQ(view.iconView()->symbol(), QStringLiteral("checklist"));
  EXPECT_EQ(view.iconView()->role(), ThemeColor::tertiary);
  EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("No tasks found"));
  EXPECT_EQ(view.titleLabel()->role(), ThemeColor::primary);
  EXPECT_EQ(view.messageLabel()->text(), kMessage);
  EXPECT_EQ(view.messageLabel()->role(), ThemeColor::secondary);
  ASSERT_NE(view.actionButton(), nullptr);
  EXPECT_EQ(view.actionButton()->text(), QStringLiteral("Create Task"));

  view.resize(400, 300);
  view.show();
  QTest::mouseClick(view.actionButton(), Qt::LeftButton);
  EXPECT_EQ(calls, 1);
}

TEST(EmptyStateView, AButtonNeedsBothTitleAndAction) {
  EmptyStateView neither(QStringLiteral("checklist"), QStringLiteral("No tasks found"), kMessage);
  EmptyStateView titleOnly(QStringLiteral("checklist"), QStringLiteral("No tasks found"), kMessage,
                           QStringLiteral("Create Task"));
  EmptyStateView actionOnly(QStringLiteral("checklist"), QStringLiteral("No tasks found"), kMessage,
                            std::nullopt, [] {});
  EmptyStateView both(QStringLiteral("checklist"), QStringLiteral("No tasks found"), kMessage,
                      QStringLiteral("Create Task"), [] {});
  for (EmptyStateView* view : {&neither, &titleOnly, &actionOnly}) {
    EXPECT_EQ(view->actionButton(), nullptr);
    EXPECT_TRUE(view->findChildren<QPushButton*>().isEmpty());
    // No room kept for a missing button either.
    EXPECT_EQ(view->sizeHint().height(), neither.sizeHint().height());
  }
  EXPECT_GT(both.sizeHint().height(), neither.sizeHint().height());
}

TEST(EmptyStateView, LongMessagesWrapAt240WhileTheTitleDoesNot) {
  const QString longTitle =
      QStringLiteral("A title that is much longer than the message column is wide");
  EmptyStateView view(QStringLiteral("tray"), longTitle, kMessage + QLatin1Char(' ') + kMessage);
  view.resize(700, 400);
  view.show();
  view.layout()->activate();
  EXPECT_LE(view.messageLabel()->width(), 240);
  EXPECT_TRUE(view.messageLabel()->wordWrap());
  EXPECT_TRUE(view.messageLabel()->alignment().testFlag(Qt::AlignHCenter));
  EXPECT_GT(view.messageLabel()->height(), 2 * view.messageLabel()->fontMetrics().height());
  EXPECT_GT(view.titleLabel()->width(), 240);

  // A short message keeps its natural width, centred under the symbol.
  EmptyStateView brief(QStringLiteral("tray"), QStringLiteral("Nothing"),
                       QStringLiteral("All clear."));
  brief.resize(700, 400);
  brief.show();
  brief.layout()->activate();
  EXPECT_LT(brief.messageLabel()->width(), 240);
  EXPECT_NEAR(brief.messageLabel()->geometry().center().x(),
              brief.iconView()->geometry().center().x(), 1);
}

TEST(EmptyStateView, TextsAreShownAsGiven) {
  EmptyStateView view(QStringLiteral("tray"), QStringLiteral("<b>100%</b>"),
                      QStringLiteral("<i>none</i> & %1"), QStringLiteral("Add & go"), [] {});
  EXPECT_EQ(view.titleLabel()->textFormat(), Qt::PlainText);
  EXPECT_EQ(view.messageLabel()->textFormat(), Qt::PlainText);
  EXPECT_EQ(view.messageLabel()->text(), QStringLiteral("<i>none</i> & %1"));
  EXPECT_EQ(view.actionButton()->text(), QStringLiteral("Add & go"));
  // An "&" is a character of the label, not a keyboard shortcut (here Alt+Space).
  EXPECT_TRUE(view.actionButton()->shortcut().isEmpty());
  view.actionButton()->setText(QStringLiteral("Save &Close"));
  EXPECT_TRUE(view.actionButton()->shortcut().isEmpty());
}

TEST(EmptyStateView, FontsAndSpacingOfTheColumn) {
  EmptyStateView view(QStringLiteral("checklist"), QStringLiteral("No tasks found"), kMessage,
                      QStringLiteral("Create Task"), [] {});
  view.resize(500, 500);
  view.show();
  view.layout()->activate();

  EXPECT_EQ(view.iconView()->size(), QSize(32, 32));
  EXPECT_EQ(view.titleLabel()->font().pixelSize(), 14);
  EXPECT_EQ(view.titleLabel()->font().weight(), QFont::DemiBold);
  EXPECT_EQ(view.messageLabel()->font().pixelSize(), 12);
  EXPECT_EQ(view.messageLabel()->font().weight(), QFont::Normal);
  EXPECT_EQ(view.actionButton()->font().pixelSize(), 12);
  EXPECT_EQ(view.actionButton()->font().weight(), QFont::Medium);

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
}
