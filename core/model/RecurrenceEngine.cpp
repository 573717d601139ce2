#include "core/model/RecurrenceEngine.h"

#include <algorithm>

std::optional<QDateTime> RecurrenceEngine::nextDate(const RecurrenceRule& rule,
                                                    const QDateTime& from,
                                                    const Calendar& calendar) {
  if (!from.isValid()) {
    return std::nullopt;
  }
  using Kind = RecurrenceRule::Kind;
  switch (rule.kind()) {
    case Kind::none:
      return std::nullopt;
    case Kind::daily:
      return calendar.addDays(from, 1);
    case Kind::weekdays: {
      // Counted from `from` each time so a DST shift on a skipped day cannot move the time.
      int days = 1;
      while (calendar.weekday(calendar.addDays(from, days)) >= Qt::Saturday) {
        ++days;
      }
      return calendar.addDays(from, days);
    }
    case Kind::weekly:
      return calendar.addDays(from, 7);
    case Kind::biweekly:
      return calendar.addDays(from, 14);
    case Kind::monthly:
      return calendar.addMonths(from, 1);
    case Kind::yearly:
      return calendar.addYears(from, 1);
    case Kind::customDays:
      return calendar.addDays(from, std::max(rule.customDayCount(), 1));
  }
  return std::nullopt;
}
