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
  const QDateTime exact(date, time, zone_);
  if (exact.isValid() || !date.isValid() || !time.isValid()) {
    return exact.toUTC();
  }
  // The wall-clock time falls in a DST gap, which Qt reports as invalid. Reading it with the
  // offset in force before the gap moves it forward by the gap's length (02:30 -> 03:30).
  const QDateTime asUtc(date, time, QTimeZone::utc());
  return asUtc.addSecs(-zone_.offsetFromUtc(asUtc.addDays(-1)));
}

bool Calendar::isDateInSameDay(const QDateTime& a, const QDateTime& b) const {
  return a.isValid() && b.isValid() && date(a) == date(b);
}

QDateTime Calendar::addDays(const QDateTime& instant, int days) const {
  if (!instant.isValid()) {
    return {};
  }
  const QDateTime local = this->local(instant);
  return dateTime(local.date().addDays(days), local.time());
}

QDateTime Calendar::addMonths(const QDateTime& instant, int months) const {
  if (!instant.isValid()) {
    return {};
  }
  const QDateTime local = this->local(instant);
  return dateTime(local.date().addMonths(months), local.time());
}

QDateTime Calendar::addYears(const QDateTime& instant, int years) const {
  if (!instant.isValid()) {
    return {};
  }
  const QDateTime local = this->local(instant);
  return dateTime(local.date().addYears(years), local.time());
}

std::optional<int> Calendar::daysBetween(const QDateTime& from, const QDateTime& to) const {
  if (!from.isValid() || !to.isValid()) {
    return std::nullopt;
  }
  return static_cast<int>(date(from).daysTo(date(to)));
}

int Calendar::weekday(const QDateTime& instant) const { return date(instant).dayOfWeek(); }
