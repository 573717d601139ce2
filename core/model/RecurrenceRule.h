#pragma once

#include "core/model/DecodingError.h"

#include <QJsonObject>
#include <QString>

// How a task or bill repeats. Stored as an object with exactly one key naming the case:
// {"daily":{}}, {"customDays":{"_0":3}}.
class RecurrenceRule {
 public:
  enum class Kind { none, daily, weekdays, weekly, biweekly, monthly, yearly, customDays };

  RecurrenceRule() = default;  // none

  static RecurrenceRule none() { return RecurrenceRule(Kind::none, 0); }
  static RecurrenceRule daily() { return RecurrenceRule(Kind::daily, 0); }
  static RecurrenceRule weekdays() { return RecurrenceRule(Kind::weekdays, 0); }
  static RecurrenceRule weekly() { return RecurrenceRule(Kind::weekly, 0); }
  static RecurrenceRule biweekly() { return RecurrenceRule(Kind::biweekly, 0); }
  static RecurrenceRule monthly() { return RecurrenceRule(Kind::monthly, 0); }
  static RecurrenceRule yearly() { return RecurrenceRule(Kind::yearly, 0); }
  static RecurrenceRule customDays(int days) { return RecurrenceRule(Kind::customDays, days); }

  Kind kind() const { return kind_; }
  bool isNone() const { return kind_ == Kind::none; }
  // The day count of customDays; 0 for every other case.
  int customDayCount() const { return days_; }

  // "Never", "Daily", "Every Weekday", "Weekly", "Every 2 Weeks", "Monthly", "Yearly",
  // "Every 3 days".
  QString title() const;

  QJsonObject toJson() const;
  static RecurrenceRule fromJson(const QJsonObject& object);

  bool operator==(const RecurrenceRule&) const = default;

 private:
  RecurrenceRule(Kind kind, int days) : kind_(kind), days_(days) {}

  Kind kind_ = Kind::none;
  int days_ = 0;
};
