#include "app/screens/bills/BillEditorSheet.h"
#include "app/screens/bills/BillsView.h"
#include "app/shell/EmptyStateView.h"
#include "app/shell/ProminentButton.h"
#include "app/shell/ThemedLabel.h"
#include "tests/screens/ListScreenTestSupport.h"
#include "tests/screens/ScreenTestSupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QTest>

using screentest::openSheet;
using screentest::ScreenTest;
using screentest::settle;

using testsupport::findBy;

namespace {

QStringList names(const BillListModel* model) {
  return testsupport::texts(model->records(), &BillItem::name);
}

std::optional<BillItem> findBill(DataStore& store, const QString& name) {
  return findBy(store.bills(), &BillItem::name, name);
}

}  // namespace

TEST_F(ScreenTest, BillsOpenOnUpcomingWithTheUnpaidBillsByDueDate) {
  BillsView screen(env);
  auto* view = &screen;
  screentest::saveScreenshots(view, QStringLiteral("bills"), QSize(720, 460));
  EXPECT_EQ(view->state().filter, BillFilter::upcoming);
  EXPECT_FALSE(view->state().isShowingAddSheet);
  EXPECT_FALSE(view->state().editingBill);
  EXPECT_EQ(names(view->model()),
            (QStringList{QStringLiteral("Streaming subscription"), QStringLiteral("Electricity"),
                         QStringLiteral("Internet")}));
  view->filterBar()->setSelected(static_cast<int>(BillFilter::paid));
  EXPECT_EQ(view->state().filter, BillFilter::paid);
  EXPECT_EQ(names(view->model()), QStringList{QStringLiteral("Car insurance")});
  screentest::saveScreenshots(view, QStringLiteral("bills-paid"), QSize(720, 420));
}

// A refused amount keeps the sheet open with everything typed; the corrected form saves a
// normalised bill and closes the sheet.
TEST_F(ScreenTest, BillSheetRefusesANonAmountThenAddsTheBill) {
  BillsView screen(env);
  screen.show();
  auto* view = &screen;
  QTest::mouseClick(view->addButton(), Qt::LeftButton);
  ASSERT_TRUE(view->state().isShowingAddSheet);
  auto* sheet = openSheet<BillEditorSheet>(view);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->currencyField()->text(), QStringLiteral("USD"));
  EXPECT_EQ(sheet->categoryField()->text(), QStringLiteral("Utilities"));

  QTest::keyClicks(sheet->nameField(), QStringLiteral("  Water  "));
  QTest::keyClicks(sheet->amountField(), QStringLiteral("12,50"));
  sheet->dueDateField()->setDate(QDate(2026, 3, 14));
  QTest::keyClick(sheet->amountField(), Qt::Key_Return);
  settle();
  ASSERT_EQ(openSheet<BillEditorSheet>(view), sheet) << "the sheet stays open";
  EXPECT_TRUE(sheet->amountError()->isVisible());
  EXPECT_TRUE(sheet->amountError()->text().contains(QStringLiteral("12,50")));
  EXPECT_EQ(sheet->nameField()->text(), QStringLiteral("  Water  "));
  EXPECT_FALSE(findBill(store(), QStringLiteral("Water")));
  screentest::saveScreenshots(sheet->window(), QStringLiteral("bills-sheet"));

  sheet->amountField()->clear();
  QTest::keyClicks(sheet->amountField(), QStringLiteral("$1,042.10"));
  EXPECT_FALSE(sheet->amountError()->isVisible()) << "the message goes once the user edits";
  QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
  settle();
  EXPECT_EQ(openSheet<BillEditorSheet>(view), nullptr);
  EXPECT_FALSE(view->state().isShowingAddSheet);
  const auto water = findBill(store(), QStringLiteral("Water"));
  ASSERT_TRUE(water);
  EXPECT_DOUBLE_EQ(water->amount, 1042.10);
  EXPECT_EQ(water->dueDate, screentest::berlin(2026, 3, 14, 9, 0));
  EXPECT_EQ(names(view->model()).indexOf(QStringLiteral("Water")), 1) << "between +2 and +5 days";
}

// Return edits the selected row, Space pays it (a monthly bill gets its next one), and delete
// asks first.
TEST_F(ScreenTest, BillRowsEditPayAndDeleteThroughTheStore) {
  BillsView screen(env);
  screen.show();
  auto* view = &screen;
  view->list()->setFocus();
  view->list()->setCurrentIndex(view->model()->index(0));
  const QUuid streaming = view->model()->record(0).id;

  QTest::keyClick(view->list(), Qt::Key_Return);
  ASSERT_TRUE(view->state().editingBill);
  EXPECT_EQ(view->state().editingBill->id, streaming);
  auto* sheet = openSheet<BillEditorSheet>(view);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->amountField()->text(), QStringLiteral("15.49"));
  sheet->nameField()->setText(QStringLiteral("Music"));
  sheet->save();
  settle();
  EXPECT_FALSE(view->state().editingBill);
  ASSERT_TRUE(findBill(store(), QStringLiteral("Music")));
  EXPECT_EQ(findBill(store(), QStringLiteral("Music"))->id, streaming);

  const qsizetype before = store().bills().size();
  view->list()->setCurrentIndex(view->model()->index(0));
  QTest::keyClick(view->list(), Qt::Key_Space);
  EXPECT_TRUE(findBill(store(), QStringLiteral("Music"))->isPaid);
  EXPECT_EQ(store().bills().size(), before + 1) << "the next monthly bill";
  EXPECT_EQ(names(view->model()).count(QStringLiteral("Music")), 1)
      << "only the next one is upcoming";

  view->requestDelete(streaming);
  ASSERT_TRUE(screentest::answer(view->pendingConfirmation(), QStringLiteral("Cancel")));
  EXPECT_EQ(store().bills().size(), before + 1);
  view->requestDelete(streaming);
  ASSERT_TRUE(screentest::answer(view->pendingConfirmation(), QStringLiteral("Delete")));
  EXPECT_EQ(store().bills().size(), before);
}

TEST_F(ScreenTest, EachBillFilterHasItsEmptyState) {
  emptyStore();
  BillsView screen(env);
  auto* view = &screen;
  const QStringList titles = {QStringLiteral("No Upcoming Bills"),
                              QStringLiteral("Nothing Overdue"), QStringLiteral("No Paid Bills"),
                              QStringLiteral("No Bills")};
  for (BillFilter filter : allCases<BillFilter>) {
    view->setFilter(filter);
    auto* empty = qobject_cast<EmptyStateView*>(view->emptyState());
    ASSERT_NE(empty, nullptr) << displayText(filter).toStdString();
    EXPECT_EQ(empty->titleLabel()->text(), titles[static_cast<int>(filter)]);
  }
  view->setFilter(BillFilter::upcoming);
  screentest::saveScreenshots(view, QStringLiteral("bills-empty"), QSize(720, 420));
  QTest::mouseClick(qobject_cast<EmptyStateView*>(view->emptyState())->actionButton(),
                    Qt::LeftButton);
  EXPECT_TRUE(view->state().isShowingAddSheet);
}

// A click lands on the symbol it hits: the check circle pays, the trash asks before deleting,
// and the rest of the row only selects.
TEST_F(ScreenTest, BillRowSymbolsAnswerClicks) {
  BillsView view(env);
  view.resize(720, 420);
  view.show();
  QApplication::processEvents();
  RowListView* list = view.list();
  const QModelIndex first = view.model()->index(0);
  const QList<QRect> symbols = list->rowDelegate()->actionRects(list->visualRect(first), first);
  ASSERT_EQ(symbols.size(), 3);
  const QString name = view.model()->record(0).name;
  const auto isPaid = [&] { return findBill(store(), name)->isPaid; };

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(first).center());
  EXPECT_FALSE(isPaid());
  EXPECT_EQ(view.pendingConfirmation(), nullptr);

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, symbols[2].center());
  ASSERT_NE(view.pendingConfirmation(), nullptr);
  ASSERT_TRUE(screentest::answer(view.pendingConfirmation(), QStringLiteral("Cancel")));

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, symbols[0].center());
  EXPECT_TRUE(isPaid());
}
