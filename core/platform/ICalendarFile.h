#pragma once

#include "core/platform/EventStoreEvent.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <memory>
#include <optional>

// The parsed content of one iCalendar file. Keeps libical out of every header: the
// component tree lives behind the private pointer.
class ICalendarFile {
 public:
  // nullopt when the text is not an iCalendar object; `error` then says why.
  static std::optional<ICalendarFile> parse(const QByteArray& text, QString* error = nullptr);

  // X-WR-CALNAME, or empty.
  QString calendarName() const;
  // X-APPLE-CALENDAR-COLOR or COLOR as "#RRGGBB", or empty when absent or not hexadecimal.
  QString colorHex() const;
  // "#RRGGBB" from "#RRGGBB", "RRGGBB" or "#RRGGBBAA" in either case; empty otherwise.
  static QString normalisedColor(const QString& value);

  // Events that could not be read (no start, unreadable start); the rest still load.
  int skippedEventCount() const;

  // Occurrences overlapping [from, to), recurrences expanded. Floating times and all-day
  // days are read in `localZone`.
  QList<EventStoreEvent> events(const QDateTime& from, const QDateTime& to,
                                const QTimeZone& localZone,
                                const QString& calendarIdentifier) const;

 private:
  struct Data;
  explicit ICalendarFile(std::shared_ptr<const Data> data);
  std::shared_ptr<const Data> data_;
};
