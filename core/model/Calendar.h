#pragma once

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include <optional>

// Day-based date rules in one time zone. Instants go in and come out as UTC QDateTime;
// days, weekdays and wall-clock times are those of the calendar's zone.
class Calendar {
 public:
  explicit Calendar(QTimeZone zone);
  // The user's calendar: the system time zone.
  static Calendar current();

  const QTimeZone& timeZone() const { return zone_; }

  QDate date(const QDateTime& instant) const;
  QDateTime startOfDay(const QDateTime& instant) const;
  QDateTime startOfDay(QDate date) const;
  // The instant of the wall-clock time `time` on `date`; a time inside a DST gap moves
  // forward by the gap.
  QDateTime dateTime(QDate date, QTime time) const;
  bool isDateInSameDay(const QDateTime& a, const QDateTime& b) const;

  // Calendar arithmetic keeps the wall-clock time across DST changes (see dateTime for
  // gaps). Months and years clamp to the month's last day.
  QDateTime addDays(const QDateTime& instant, int days) const;
  QDateTime addMonths(const QDateTime& instant, int months) const;
  QDateTime addYears(const QDateTime& instant, int years) const;

  // Calendar days from the day of `from` to the day of `to` (negative when `to` is
  // earlier); nothing when either instant is invalid.
  std::optional<int> daysBetween(const QDateTime& from, const QDateTime& to) const;

  // 1 = Monday ... 7 = Sunday.
  int weekday(const QDateTime& instant) const;

  bool operator==(const Calendar& other) const { return zone_ == other.zone_; }

 private:
  QDateTime local(const QDateTime& instant) const;

  QTimeZone zone_;
};
