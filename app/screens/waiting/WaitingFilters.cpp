#include "app/screens/waiting/WaitingFilters.h"

#include <QLocale>

#include <algorithm>

namespace {

// Dates picked by day are kept in the morning of that day.
const QTime kDefaultTime(9, 0);

std::optional<QDateTime> atDay(std::optional<QDate> date, const std::optional<QDateTime>& before,
                               const Calendar& calendar) {
  if (!date || !date->isValid()) {
    return std::nullopt;
  }
  const QTime time =
      before && before->isValid() ? before->toTimeZone(calendar.timeZone()).time() : kDefaultTime;
  return calendar.dateTime(*date, time);
}

QString days(int count) {
  return count == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(count);
}

}  // namespace

QString displayText(WaitingFilter filter) {
  switch (filter) {
    case WaitingFilter::active:
      return QStringLiteral("Active");
    case WaitingFilter::resolved:
      return QStringLiteral("Resolved");
    case WaitingFilter::all:
      return QStringLiteral("All");
  }
  return {};
}

namespace waiting_lists {

bool isActive(const WaitingForItem& item) {
  return item.status == WaitingStatus::waiting || item.status == WaitingStatus::followedUp;
}

std::optional<QDateTime> followUpDate(const WaitingForItem& item) {
  return item.nextFollowUpDate ? item.nextFollowUpDate : item.expectedResponseDate;
}

QList<WaitingForItem> filtered(const QList<WaitingForItem>& items, WaitingFilter filter) {
  QList<WaitingForItem> result;
  for (const WaitingForItem& item : items) {
    if (filter == WaitingFilter::all || (filter == WaitingFilter::active) == isActive(item)) {
      result.append(item);
    }
  }
  if (filter == WaitingFilter::active) {
    std::stable_sort(result.begin(), result.end(),
                     [](const WaitingForItem& a, const WaitingForItem& b) {
                       const auto da = followUpDate(a);
                       const auto db = followUpDate(b);
                       if (da && db) {
                         return *da < *db;
                       }
                       return da.has_value() && !db.has_value();
                     });
  }
  return result;
}

std::optional<QString> followUpText(const WaitingForItem& item, const QDateTime& now,
                                    const Calendar& calendar) {
  const std::optional<QDateTime> date = followUpDate(item);
  if (!isActive(item) || !date) {
    return std::nullopt;
  }
  const int until = calendar.daysBetween(now, *date).value_or(0);
  if (item.isFollowUpOverdue(now)) {
    return until >= 0 ? QStringLiteral("Follow-up overdue")
                      : QStringLiteral("Follow-up overdue by ") + days(-until);
  }
  if (until == 0) {
    return QStringLiteral("Follow up today");
  }
  if (until == 1) {
    return QStringLiteral("Follow up tomorrow");
  }
  return QStringLiteral("Follow up in ") + days(until);
}

QString waitingText(const WaitingForItem& item, const QDateTime& now, const Calendar& calendar) {
  const int waited = item.daysWaiting(now, calendar);
  return waited == 0 ? QStringLiteral("Since today") : QStringLiteral("Waiting ") + days(waited);
}

WaitingForItem fromForm(const WaitingForm& form, const std::optional<WaitingForItem>& existing,
                        const QDateTime& now, const Calendar& calendar) {
  WaitingForItem item;
  if (existing) {
    item = *existing;
  } else {
    item.id = QUuid::createUuid();
    item.createdAt = now;
  }
  const QString title = form.title.trimmed();
  item.title = title.isEmpty() ? QStringLiteral("Untitled Item") : title;
  item.personOrOrg = form.personOrOrg.trimmed();
  item.notes = form.notes.trimmed();
  item.status = existing ? form.status : WaitingStatus::waiting;
  item.expectedResponseDate = atDay(form.expectedResponseDate, item.expectedResponseDate, calendar);
  item.nextFollowUpDate = atDay(form.nextFollowUpDate, item.nextFollowUpDate, calendar);
  return item;
}

WaitingForItem recordFollowUp(const WaitingForItem& item, const QString& notes,
                              std::optional<QDate> next, const QDateTime& now,
                              const Calendar& calendar) {
  WaitingForItem result = item;
  result.status = WaitingStatus::followedUp;
  result.lastFollowUpDate = now;
  result.nextFollowUpDate = atDay(next, std::nullopt, calendar);
  const QString text = notes.trimmed();
  if (!text.isEmpty()) {
    const QString line =
        QStringLiteral("Followed up %1: %2")
            .arg(QLocale().toString(calendar.date(now), QStringLiteral("d MMM yyyy")), text);
    result.notes = result.notes.isEmpty() ? line : result.notes + QLatin1Char('\n') + line;
  }
  return result;
}

}  // namespace waiting_lists
