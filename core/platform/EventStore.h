#pragma once

#include "core/platform/EventStoreCalendar.h"
#include "core/platform/EventStoreEvent.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

// The desktop's calendars, read-only. One implementation reads iCalendar files; another
// backend (a calendar server on the bus) can take its place behind this interface.
class EventStore : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Whether this backend can read calendars at all on this machine.
  virtual bool isReadable() const = 0;
  virtual QList<EventStoreCalendar> calendars() const = 0;
  // Occurrences overlapping [from, to), recurrences expanded, sorted by start.
  // nullopt reads every calendar; an empty list reads none.
  virtual QList<EventStoreEvent> events(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIdentifiers) const = 0;

 Q_SIGNALS:
  // A calendar, or the set of calendars, changed.
  void changed();
};
