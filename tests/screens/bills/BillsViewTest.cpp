#include "app/screens/bills/BillEditorSheet.h"
#include "app/screens/bills/BillsView.h"
#include "app/shell/ProminentButton.h"
#include "app/shell/ThemedLabel.h"
#include "tests/screens/ScreenTestSupport.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QTest>

using namespace screentest;

namespace {

QStringList names(const BillListModel* model) {
  return testsupport::texts(model->records(), &BillItem::name);
}

std::optional<BillItem> findBill(DataStore& store, const QString& name) {
  return testsupport::findBy(store.bills(), &BillItem::name, name);
}

}  // namespace

// A refused amount keeps the sheet open with everything typed; the corrected form saves a
// normalised bill and closes the sheet.
TEST_F(ScreenTest, BillSheetRefusesANonAmountThenAddsTheBill) {
  BillsView view(env);
  view.show();
  QTest::mouseClick(view.addButton(), Qt::LeftButton);
  auto* sheet = openSheet<BillEditorSheet>(&view);
  ASSERT_NE(sheet, nullptr);

  QTest::keyClicks(sheet->nameField(), QStringLiteral("  Water  "));
  QTest::keyClicks(sheet->amountField(), QStringLiteral("12,50"));
  sheet->dueDateField()->setDate(QDate(2026, 3, 14));
  QTest::keyClick(sheet->amountField(), Qt::Key_Return);
  settle();
  ASSERT_EQ(openSheet<BillEditorSheet>(&view), sheet) << "the sheet stays open";
  EXPECT_TRUE(sheet->amountError()->isVisible());
  EXPECT_FALSE(findBill(store(), QStringLiteral("Water")));
  saveScreenshots(sheet->window(), QStringLiteral("bills-sheet"));

  sheet->amountField()->clear();
  QTest::keyClicks(sheet->amountField(), QStringLiteral("$1,042.10"));
  EXPECT_FALSE(sheet->amountError()->isVisible()) << "the message goes once the user edits";
  QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
  settle();
  EXPECT_EQ(openSheet<BillEditorSheet>(&view), nullptr);
  const auto water = findBill(store(), QStringLiteral("Water"));
  ASSERT_TRUE(water);
  EXPECT_DOUBLE_EQ(water->amount, 1042.10);
  EXPECT_EQ(water->dueDate, berlin(2026, 3, 14, 9, 0));
  EXPECT_EQ(names(view.model()).indexOf(QStringLiteral("Water")), 1) << "between +2 and +5 days";
}

// Return edits the selected row, Space pays it (a monthly bill gets its next one), delete asks
// first; a click lands on the symbol it hits and elsewhere only selects.
TEST_F(ScreenTest, BillRowsEditPayAndDeleteByKeyboardAndMouse) {
  BillsView view(env);
  view.resize(720, 420);
  view.show();
  saveScreenshots(&view, QStringLiteral("bills"), QSize(720, 420));
  RowListView* list = view.list();
  list->setFocus();
  list->setCurrentIndex(view.model()->index(0));
  const QUuid streaming = view.model()->record(0).id;

  QTest::keyClick(list, Qt::Key_Return);
  ASSERT_TRUE(view.state().editingBill);
  auto* sheet = openSheet<BillEditorSheet>(&view);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->amountField()->text(), QStringLiteral("15.49"));
  sheet->nameField()->setText(QStringLiteral("Music"));
  sheet->save();
  settle();
  EXPECT_FALSE(view.state().editingBill);
  EXPECT_EQ(findBill(store(), QStringLiteral("Music")).value().id, streaming);

  const qsizetype before = store().bills().size();
  list->setCurrentIndex(view.model()->index(0));
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_TRUE(findBill(store(), QStringLiteral("Music"))->isPaid);
  EXPECT_EQ(store().bills().size(), before + 1) << "the next monthly bill";
  EXPECT_EQ(names(view.model()).count(QStringLiteral("Music")), 1) << "only the next one is upcoming";

  view.requestDelete(streaming);
  ASSERT_TRUE(answer(view.pendingConfirmation(), QStringLiteral("Cancel")));
  EXPECT_EQ(store().bills().size(), before + 1);
  view.requestDelete(streaming);
  ASSERT_TRUE(answer(view.pendingConfirmation(), QStringLiteral("Delete")));
  EXPECT_EQ(store().bills().size(), before);

  const QModelIndex first = view.model()->index(0);
  const QList<QRect> symbols = list->rowDelegate()->actionRects(list->visualRect(first), first);
  ASSERT_EQ(symbols.size(), 3);
  const QString name = view.model()->record(0).name;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(first).center());
  EXPECT_FALSE(findBill(store(), name)->isPaid);
  EXPECT_EQ(view.pendingConfirmation(), nullptr);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, symbols[2].center());
  ASSERT_TRUE(answer(view.pendingConfirmation(), QStringLiteral("Cancel")));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, symbols[0].center());
  EXPECT_TRUE(findBill(store(), name)->isPaid);
}
