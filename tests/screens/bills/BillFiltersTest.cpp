#include "app/screens/bills/BillFilters.h"
#include "tests/screens/ScreenTestSupport.h"

#include <gtest/gtest.h>

using screentest::berlin;
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
  EXPECT_EQ(added.createdAt, now);
  EXPECT_FALSE(added.id.isNull());

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
  EXPECT_EQ(edited.name, QStringLiteral("Rent"));
  EXPECT_EQ(edited.currency, QStringLiteral("EUR"));
  EXPECT_EQ(edited.category, QStringLiteral("Home"));
  EXPECT_EQ(edited.dueDate, berlin(2026, 4, 1, 18, 45)) << "the time of day stays";
  EXPECT_EQ(edited.recurrence, RecurrenceRule::monthly());
}
