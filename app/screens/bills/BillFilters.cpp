#include "app/screens/bills/BillFilters.h"

#include "core/model/SecurityValidator.h"

#include <QLocale>

#include <algorithm>

namespace {

// New bills fall due in the morning of their day, as the sample bills do.
const QTime kDueTime(9, 0);

int daysUntil(const BillItem& bill, const QDateTime& now, const Calendar& calendar) {
  return calendar.daysBetween(now, bill.dueDate).value_or(0);
}

}  // namespace

QString displayText(BillFilter filter) {
  switch (filter) {
    case BillFilter::upcoming:
      return QStringLiteral("Upcoming");
    case BillFilter::overdue:
      return QStringLiteral("Overdue");
    case BillFilter::paid:
      return QStringLiteral("Paid");
    case BillFilter::all:
      return QStringLiteral("All");
  }
  return {};
}

namespace bill_lists {

bool isOverdue(const BillItem& bill, const QDateTime& now, const Calendar& calendar) {
  return !bill.isPaid && daysUntil(bill, now, calendar) < 0;
}

QList<BillItem> filtered(const QList<BillItem>& bills, BillFilter filter, const QDateTime& now,
                         const Calendar& calendar) {
  QList<BillItem> result;
  for (const BillItem& bill : bills) {
    const bool overdue = isOverdue(bill, now, calendar);
    const bool keep = filter == BillFilter::all || (filter == BillFilter::paid && bill.isPaid) ||
                      (filter == BillFilter::overdue && overdue) ||
                      (filter == BillFilter::upcoming && !bill.isPaid && !overdue);
    if (keep) {
      result.append(bill);
    }
  }
  const bool newestFirst = filter == BillFilter::paid;
  std::stable_sort(result.begin(), result.end(),
                   [newestFirst](const BillItem& a, const BillItem& b) {
                     return newestFirst ? a.dueDate > b.dueDate : a.dueDate < b.dueDate;
                   });
  return result;
}

QString countdown(const BillItem& bill, const QDateTime& now, const Calendar& calendar) {
  if (bill.isPaid) {
    return bill.paidAt
               ? QStringLiteral("Paid on ") +
                     QLocale().toString(calendar.date(*bill.paidAt), QStringLiteral("d MMM"))
               : QStringLiteral("Paid");
  }
  const int days = daysUntil(bill, now, calendar);
  if (days < 0) {
    return days == -1 ? QStringLiteral("Overdue by 1 day")
                      : QStringLiteral("Overdue by %1 days").arg(-days);
  }
  if (days == 0) {
    return QStringLiteral("Due today");
  }
  if (days == 1) {
    return QStringLiteral("Due tomorrow");
  }
  return QStringLiteral("Due in %1 days").arg(days);
}

QString formatAmount(double amount, const QString& currency) {
  return currency + QLatin1Char(' ') + QLocale().toString(amount, 'f', 2);
}

std::optional<BillItem> fromForm(const BillForm& form, const std::optional<BillItem>& existing,
                                 const QDateTime& now, const Calendar& calendar) {
  const std::optional<double> amount = SecurityValidator::parseMonetaryAmount(form.amountText);
  if (!amount) {
    return std::nullopt;
  }
  BillItem bill;
  if (existing) {
    bill = *existing;
  } else {
    bill.id = QUuid::createUuid();
    bill.createdAt = now;
  }
  const auto orDefault = [](const QString& text, const QString& fallback) {
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? fallback : trimmed;
  };
  bill.name = orDefault(form.name, QStringLiteral("Untitled Bill"));
  bill.amount = *amount;
  bill.currency = orDefault(form.currency, QStringLiteral("USD")).toUpper();
  bill.category = orDefault(form.category, QStringLiteral("Utilities"));
  const QTime time = existing && existing->dueDate.isValid()
                         ? existing->dueDate.toTimeZone(calendar.timeZone()).time()
                         : kDueTime;
  bill.dueDate = calendar.dateTime(form.dueDate, time);
  bill.reminderDaysBefore = std::max(form.reminderDaysBefore, 0);
  bill.recurrence = form.recurrence;
  bill.notes = form.notes.trimmed();
  return bill;
}

}  // namespace bill_lists
