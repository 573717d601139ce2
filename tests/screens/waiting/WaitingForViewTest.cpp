#include "app/screens/SheetForm.h"
#include "app/screens/waiting/WaitingForSheets.h"
#include "app/screens/waiting/WaitingForView.h"
#include "app/shell/ProminentButton.h"
#include "tests/screens/ScreenTestSupport.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace screentest;

namespace {

QStringList titles(const WaitingListModel* model) {
  return testsupport::texts(model->records(), &WaitingForItem::title);
}

std::optional<WaitingForItem> find(DataStore& store, const QString& title) {
  return testsupport::findBy(store.waitingItems(), &WaitingForItem::title, title);
}

}  // namespace

// Adding and following up each go through their sheet into the store.
TEST_F(ScreenTest, WaitingForSheetsAddAndFollowUp) {
  WaitingForView view(env);
  view.show();
  QTest::mouseClick(view.addButton(), Qt::LeftButton);
  auto* add = openSheet<WaitingForItemSheet>(&view);
  ASSERT_NE(add, nullptr);
  QTest::keyClicks(add->titleField(), QStringLiteral(" Deposit refund "));
  QTest::keyClicks(add->personField(), QStringLiteral("Landlord"));
  add->followUpField()->setDate(QDate(2026, 3, 12));
  QTest::keyClick(add->titleField(), Qt::Key_Return);
  settle();
  const auto refund = find(store(), QStringLiteral("Deposit refund"));
  ASSERT_TRUE(refund);
  EXPECT_EQ(refund->nextFollowUpDate, berlin(2026, 3, 12, 9, 0));

  const WaitingForItem quote = *find(store(), QStringLiteral("Laptop repair quote"));
  view.showFollowUpSheet(quote);
  auto* followUp = openSheet<FollowUpSheet>(&view);
  ASSERT_NE(followUp, nullptr);
  QTest::keyClicks(followUp->notesField(), QStringLiteral("Rang the shop"));
  QTest::mouseClick(followUp->saveButton(), Qt::LeftButton);
  settle();
  EXPECT_EQ(openSheet<FollowUpSheet>(&view), nullptr);
  const WaitingForItem chased = *find(store(), QStringLiteral("Laptop repair quote"));
  EXPECT_EQ(chased.status, WaitingStatus::followedUp);
  EXPECT_TRUE(chased.notes.endsWith(QStringLiteral("Rang the shop")));
}

TEST_F(ScreenTest, WaitingForRowsSnoozeResolveAndDelete) {
  WaitingForView view(env);
  view.show();
  saveScreenshots(&view, QStringLiteral("waiting"), QSize(720, 420));
  const WaitingForItem contract = *find(store(), QStringLiteral("Signed contract"));
  view.list()->trigger(view.model()->index(0), QStringLiteral("snooze"));
  ASSERT_TRUE(view.snoozeMenu());
  ASSERT_EQ(view.snoozeMenu()->actions().size(), 3);
  view.snoozeMenu()->actions().at(1)->trigger();  // three days
  EXPECT_EQ(find(store(), QStringLiteral("Signed contract"))->nextFollowUpDate,
            calendar.addDays(*contract.nextFollowUpDate, 3));

  const qsizetype row = titles(view.model()).indexOf(QStringLiteral("Signed contract"));
  view.list()->trigger(view.model()->index(static_cast<int>(row)), QStringLiteral("resolve"));
  EXPECT_EQ(find(store(), QStringLiteral("Signed contract"))->status, WaitingStatus::resolved);
  EXPECT_FALSE(titles(view.model()).contains(QStringLiteral("Signed contract")));
  view.setFilter(WaitingFilter::resolved);
  EXPECT_EQ(titles(view.model()), QStringList{QStringLiteral("Signed contract")});

  view.list()->setCurrentIndex(view.model()->index(0));
  view.list()->setFocus();
  QTest::keyClick(view.list(), Qt::Key_Delete);
  ASSERT_TRUE(answer(view.pendingConfirmation(), QStringLiteral("Delete")));
  EXPECT_FALSE(find(store(), QStringLiteral("Signed contract")));
}
