#include "app/screens/bills/BillEditorSheet.h"
#include "app/screens/bills/BillFilters.h"
#include "app/screens/bills/BillsView.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/ThemedLabel.h"
#include "tests/screens/ScreenTestSupport.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QTest>

using namespace screentest;

static const Calendar& kBerlin = screentest::berlinCalendar();

namespace {

BillItem billDue(const QDateTime& due, bool paid = false) {
  BillItem bill;
  bill.id = QUuid::createUuid();
  bill.name = QStringLiteral("Bill");
  bill.dueDate = due;
  bill.isPaid = paid;
  return bill;
}

QStringList names(const BillListModel* model) {
  return testsupport::texts(model->records(), &BillItem::name);
}

std::optional<BillItem> findBill(DataStore& store, const QString& name) {
  return testsupport::findBy(store.bills(), &BillItem::name, name);
}

}  // namespace

// A bill is due on a day: it stays upcoming through the whole of its due day and turns overdue
// at the next midnight, counted in calendar days even across the spring clock change.
TEST(BillFilters, DayBoundariesDecideUpcomingOrOverdue) {
  struct Case {
    const char* name;
    QDateTime now;
    QDateTime due;
    bool paid;
    std::optional<BillFilter> unpaidFilter;  // upcoming or overdue; none when paid
    QString countdown;
  };
  const QDateTime morning = berlin(2026, 3, 10, 10, 30);
  const Case cases[] = {
      {"due at today's first minute", morning, berlin(2026, 3, 10, 0, 0), false,
       BillFilter::upcoming, QStringLiteral("Due today")},
      {"due at today's last minute", morning, berlin(2026, 3, 10, 23, 59), false,
       BillFilter::upcoming, QStringLiteral("Due today")},
      {"due yesterday at 23:59", morning, berlin(2026, 3, 9, 23, 59), false, BillFilter::overdue,
       QStringLiteral("Overdue by 1 day")},
      {"due tomorrow at midnight", morning, berlin(2026, 3, 11, 0, 0), false, BillFilter::upcoming,
       QStringLiteral("Due tomorrow")},
      {"seen at 23:59 the day before", berlin(2026, 3, 9, 23, 59), berlin(2026, 3, 10, 0, 0), false,
       BillFilter::upcoming, QStringLiteral("Due tomorrow")},
      {"a week overdue", morning, berlin(2026, 3, 3, 9, 0), false, BillFilter::overdue,
       QStringLiteral("Overdue by 7 days")},
      {"across the clock change", berlin(2026, 3, 28, 23, 30), berlin(2026, 3, 30, 0, 30), false,
       BillFilter::upcoming, QStringLiteral("Due in 2 days")},
      {"paid while overdue", morning, berlin(2026, 3, 1, 9, 0), true, std::nullopt,
       QStringLiteral("Paid")},
  };
  for (const Case& c : cases) {
    const BillItem bill = billDue(c.due, c.paid);
    for (BillFilter filter : allCases<BillFilter>) {
      const bool expected = filter == BillFilter::all ||
                            (filter == BillFilter::paid ? c.paid : c.unpaidFilter == filter);
      EXPECT_EQ(bill_lists::filtered({bill}, filter, c.now, kBerlin).size(), expected ? 1 : 0)
          << c.name << " / " << displayText(filter).toStdString();
    }
    EXPECT_EQ(bill_lists::countdown(bill, c.now, kBerlin), c.countdown) << c.name;
  }
  BillItem paid = billDue(morning, true);
  paid.paidAt = berlin(2026, 3, 7, 0, 30);
  EXPECT_EQ(bill_lists::countdown(paid, morning, kBerlin), QStringLiteral("Paid on 7 Mar"))
      << "the day in Berlin, not in UTC";
}

TEST(BillFilters, ListsAreSortedByDueDatePaidNewestFirst) {
  const QDateTime now = berlin(2026, 3, 10, 10, 30);
  const QList<BillItem> bills = {billDue(berlin(2026, 3, 20, 9)), billDue(berlin(2026, 3, 12, 9)),
                                 billDue(berlin(2026, 2, 1, 9), true),
                                 billDue(berlin(2026, 3, 1, 9), true)};
  const auto dues = [&](BillFilter filter) {
    QList<QDateTime> out;
    for (const BillItem& b : bill_lists::filtered(bills, filter, now, kBerlin)) {
      out.append(b.dueDate);
    }
    return out;
  };
  EXPECT_EQ(dues(BillFilter::upcoming), (QList{bills[1].dueDate, bills[0].dueDate}));
  EXPECT_EQ(dues(BillFilter::paid), (QList{bills[3].dueDate, bills[2].dueDate}));
  EXPECT_EQ(dues(BillFilter::all).first(), bills[2].dueDate);
}

// The amount goes through the money parser (whose cases live with it); everything else is
// trimmed and defaulted.
TEST(BillFilters, FormTextIsTrimmedDefaultedAndAnEditKeepsTheBill) {
  const QDateTime now = berlin(2026, 3, 10, 10, 30);
  bill_lists::BillForm blank{QStringLiteral("   "),  QStringLiteral("9"),
                             QStringLiteral(" "),    QString(),
                             QDate(2026, 3, 20),     -2,
                             RecurrenceRule::none(), QStringLiteral("  note \n")};
  const BillItem added = *bill_lists::fromForm(blank, std::nullopt, now, kBerlin);
  EXPECT_DOUBLE_EQ(added.amount, 9.0);
  blank.amountText = QStringLiteral("12,50");
  EXPECT_FALSE(bill_lists::fromForm(blank, std::nullopt, now, kBerlin).has_value());
  EXPECT_EQ(added.name, QStringLiteral("Untitled Bill"));
  EXPECT_EQ(added.category, QStringLiteral("Utilities"));
  EXPECT_EQ(added.currency, QStringLiteral("USD"));
  EXPECT_EQ(added.notes, QStringLiteral("note"));
  EXPECT_EQ(added.reminderDaysBefore, 0);
  EXPECT_EQ(added.dueDate, berlin(2026, 3, 20, 9, 0));

  BillItem existing = billDue(berlin(2026, 3, 5, 18, 45), true);
  existing.paidAt = now;
  existing.createdAt = berlin(2026, 1, 1);
  bill_lists::BillForm edit{QStringLiteral(" Rent "),  QStringLiteral("900"),
                            QStringLiteral("eur"),     QStringLiteral(" Home "),
                            QDate(2026, 4, 1),         5,
                            RecurrenceRule::monthly(), QString()};
  const BillItem edited = *bill_lists::fromForm(edit, existing, now, kBerlin);
  EXPECT_EQ(edited.id, existing.id);
  EXPECT_TRUE(edited.isPaid);
  EXPECT_EQ(edited.paidAt, existing.paidAt);
  EXPECT_EQ(edited.createdAt, existing.createdAt);
  EXPECT_EQ(edited.currency, QStringLiteral("EUR"));
  EXPECT_EQ(edited.dueDate, berlin(2026, 4, 1, 18, 45)) << "the time of day stays";
}

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
