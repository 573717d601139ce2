#pragma once

#include "core/model/Calendar.h"
#include "core/model/RecurrenceRule.h"

#include <QDateTime>

#include <optional>

// The next occurrence of a repeating task or bill, keeping its wall-clock time.
class RecurrenceEngine {
 public:
  // Nothing for a rule that does not repeat or an invalid date. Weekdays skips Saturday and
  // Sunday; monthly and yearly clamp to the month's last day (31 Jan -> 28/29 Feb,
  // 29 Feb -> 28 Feb); a custom interval below one day counts as one day.
  static std::optional<QDateTime> nextDate(const RecurrenceRule& rule, const QDateTime& from,
                                           const Calendar& calendar);
};
