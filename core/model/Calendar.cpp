#include "core/model/Calendar.h"

#include <array>
#include <limits>

namespace {

// A stretch of time in which a zone's offset from UTC does not change. Inside it the local
// date is plain arithmetic; converting each instant through QTimeZone costs microseconds,
// which lists of thousands of records pay on every redraw.
struct OffsetSpan {
  QTimeZone zone;
  qint64 from = 0;
  qint64 to = 0;  // exclusive
  qint64 offsetMSecs = 0;
};

constexpr qint64 msecsPerDay = 86'400'000;
constexpr qint64 unixEpochJulianDay = 2'440'588;

// Per thread, so a Calendar can be used from worker threads without locking.
thread_local std::array<OffsetSpan, 4> recentSpans;
thread_local size_t nextSpan = 0;

QDate dateOfLocalMSecs(qint64 localMSecs) {
  qint64 days = localMSecs / msecsPerDay;
  if (localMSecs % msecsPerDay < 0) {
    --days;
  }
  return QDate::fromJulianDay(unixEpochJulianDay + days);
}

// The span around `instant`, or nothing when the zone cannot tell where its offset changes.
std::optional<OffsetSpan> spanAround(const QTimeZone& zone, const QDateTime& instant) {
  constexpr qint64 earliest = std::numeric_limits<qint64>::min();
  constexpr qint64 latest = std::numeric_limits<qint64>::max();
  const qint64 at = instant.toMSecsSinceEpoch();
  OffsetSpan span{zone, earliest, latest, qint64(zone.offsetFromUtc(instant)) * 1000};
  if (!zone.hasTransitions()) {
    if (zone.hasDaylightTime()) {
      return std::nullopt;
    }
    return span;
  }
  const QTimeZone::OffsetData next = zone.nextTransition(instant);
  if (next.atUtc.isValid()) {
    span.to = next.atUtc.toMSecsSinceEpoch();
  }
  const QTimeZone::OffsetData previous = zone.previousTransition(instant);
  if (previous.atUtc.isValid()) {
    // An instant right on a transition belongs to the new offset; start the span there.
    span.from = qint64(previous.offsetFromUtc) * 1000 == span.offsetMSecs
                    ? previous.atUtc.toMSecsSinceEpoch()
                    : at;
  }
  if (span.from > at || span.to <= at) {
    span.from = at;
    span.to = at + 1;
  }
  return span;
}

}  // namespace

Calendar::Calendar(QTimeZone zone) : zone_(std::move(zone)) {}

Calendar Calendar::current() { return Calendar(QTimeZone::systemTimeZone()); }

QDateTime Calendar::local(const QDateTime& instant) const { return instant.toTimeZone(zone_); }

QDate Calendar::date(const QDateTime& instant) const {
  if (!instant.isValid()) {
    return {};
  }
  const qint64 at = instant.toMSecsSinceEpoch();
  for (const OffsetSpan& span : recentSpans) {
    if (span.from <= at && at < span.to && span.zone == zone_) {
      return dateOfLocalMSecs(at + span.offsetMSecs);
    }
  }
  const std::optional<OffsetSpan> span = spanAround(zone_, instant);
  if (!span) {
    return local(instant).date();
  }
  recentSpans[nextSpan] = *span;
  nextSpan = (nextSpan + 1) % recentSpans.size();
  return dateOfLocalMSecs(at + span->offsetMSecs);
}

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
