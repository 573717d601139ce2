#pragma once

#include "core/model/BillItem.h"
#include "core/model/Calendar.h"
#include "core/model/EnumText.h"

#include <QList>
#include <QString>

#include <optional>

// The bills screen's filters, in the order of its filter bar.
enum class BillFilter { upcoming, overdue, paid, all };

template <>
struct EnumCases<BillFilter> {
  static constexpr std::array values{BillFilter::upcoming, BillFilter::overdue, BillFilter::paid,
                                     BillFilter::all};
};

QString displayText(BillFilter filter);

namespace bill_lists {

// Bills are due on a day: an unpaid bill is overdue from the day after its due date on, so one
// due at 00:00 today is still upcoming. Upcoming, overdue and all are sorted by due date; paid
// bills the most recent due date first.
QList<BillItem> filtered(const QList<BillItem>& bills, BillFilter filter, const QDateTime& now,
                         const Calendar& calendar);
bool isOverdue(const BillItem& bill, const QDateTime& now, const Calendar& calendar);

// "Due today", "Due tomorrow", "Due in 5 days", "Overdue by 1 day", "Paid on 6 Mar".
QString countdown(const BillItem& bill, const QDateTime& now, const Calendar& calendar);
// An amount with its currency code: "USD 1,234.50" in the user's number format.
QString formatAmount(double amount, const QString& currency);

// What the bill form holds when the user saves it.
struct BillForm {
  QString name;
  QString amountText;
  QString currency;
  QString category;
  QDate dueDate;
  int reminderDaysBefore = 3;
  RecurrenceRule recurrence;
  QString notes;
};

// The bill the form describes, its texts trimmed and empty ones given their defaults ("Untitled
// Bill", "Utilities", "USD"); an edited bill keeps its identity, paid state and time of day.
// Nothing when the amount text is not an amount.
std::optional<BillItem> fromForm(const BillForm& form, const std::optional<BillItem>& existing,
                                 const QDateTime& now, const Calendar& calendar);

}  // namespace bill_lists
