#pragma once

#include "core/platform/EventStoreEvent.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <memory>
#include <optional>

// The parsed content of one iCalendar file. Keeps libical out of every header: the
// component tree lives behind the private pointer.
class ICalendarFile {
 public:
  // What one read may spend on expanding recurrences, shared by every file the read covers:
  // occurrences it may still produce and iterator steps it may still take.
  struct Budget {
    static constexpr qint64 defaultOccurrences = 10000;
    static constexpr qint64 defaultSteps = 100000;

    qint64 occurrences = defaultOccurrences;
    qint64 steps = defaultSteps;
    // Events stopped before their last occurrence in the window, as "“title” (uid)".
    QStringList cutShort;

    // Takes the first of `parts` fair shares of what is left; `giveBack` returns what the
    // share did not use, so a light consumer leaves more for the ones after it.
    Budget split(qint64 parts);
    void giveBack(const Budget& part);
  };

  // Longer physical lines cost libical's parser quadratic time.
  static constexpr qsizetype maxLineLength = 256 * 1024;

  // nullopt when the text is not an iCalendar object, or has a line longer than
  // `maxLineLength`; `error` then says why.
  static std::optional<ICalendarFile> parse(const QByteArray& text, QString* error = nullptr);

  // X-WR-CALNAME, or empty.
  QString calendarName() const;
  // X-APPLE-CALENDAR-COLOR or COLOR as "#RRGGBB", or empty when absent or not hexadecimal.
  QString colorHex() const;
  // "#RRGGBB" from "#RRGGBB", "RRGGBB" or "#RRGGBBAA" in either case; empty otherwise.
  static QString normalisedColor(const QString& value);

  // Events that could not be read (no start, unreadable start); the rest still load.
  int skippedEventCount() const;
  // TZIDs whose definition in the file was refused because its offset would change more
  // often than monthly; times in them are read in the system zone of that name, else UTC.
  QStringList refusedZones() const;

  // Occurrences overlapping [from, to), recurrences expanded within `budget` (a default one
  // when none is given). Floating times and all-day days are read in `localZone`.
  QList<EventStoreEvent> events(const QDateTime& from, const QDateTime& to,
                                const QTimeZone& localZone,
                                const QString& calendarIdentifier) const;
  QList<EventStoreEvent> events(const QDateTime& from, const QDateTime& to,
                                const QTimeZone& localZone, const QString& calendarIdentifier,
                                Budget& budget) const;

 private:
  struct Data;
  explicit ICalendarFile(std::shared_ptr<const Data> data);
  std::shared_ptr<const Data> data_;
};
