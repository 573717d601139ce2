#include "core/model/Calendar.h"

Calendar::Calendar(QTimeZone zone) : zone_(std::move(zone)) {}

Calendar Calendar::current() { return Calendar(QTimeZone::systemTimeZone()); }

QDateTime Calendar::local(const QDateTime& instant) const { return instant.toTimeZone(zone_); }

QDate Calendar::date(const QDateTime& instant) const { return local(instant).date(); }

QDateTime Calendar::startOfDay(const QDateTime& instant) const {
  if (!instant.isValid()) {
    return {};
  }
  return startOfDay(date(instant));
}

QDateTime Calendar::startOfDay(QDate date) const { return date.startOfDay(zone_).toUTC(); }

QDateTime Calendar::dateTime(QDate date, QTime time) const {
  return QDateTime(date, time, zone_).toUTC();
}

bool Calendar::isDateInSameDay(const QDateTime& a, const QDateTime& b) const {
  return a.isValid() && b.isValid() && date(a) == date(b);
}

QDateTime Calendar::addDays(const QDateTime& instant, int days) const {
  if (!instant.isValid()) {
    return {};
  }
  return local(instant).addDays(days).toUTC();
}

QDateTime Calendar::addMonths(const QDateTime& instant, int months) const {
  if (!instant.isValid()) {
    return {};
  }
  return local(instant).addMonths(months).toUTC();
}

QDateTime Calendar::addYears(const QDateTime& instant, int years) const {
  if (!instant.isValid()) {
    return {};
  }
  return local(instant).addYears(years).toUTC();
}

std::optional<int> Calendar::daysBetween(const QDateTime& from, const QDateTime& to) const {
  if (!from.isValid() || !to.isValid()) {
    return std::nullopt;
  }
  return static_cast<int>(date(from).daysTo(date(to)));
}

int Calendar::weekday(const QDateTime& instant) const { return date(instant).dayOfWeek(); }
