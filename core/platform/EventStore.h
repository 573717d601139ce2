#pragma once

#include "core/platform/EventStoreCalendar.h"
#include "core/platform/EventStoreEvent.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

// What one read of the calendars found.
struct EventStoreContent {
  QList<EventStoreCalendar> calendars;
  QList<EventStoreEvent> events;
};

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

  // The calendars and `events(from, to, calendarIdentifiers)`, read when the returned function
  // runs, on any thread: what the read needs of the store is taken now, on the store's thread,
  // so the store may even be gone by then. Run one read of a store at a time. By default the
  // reading happens here and now.
  using Read = std::function<EventStoreContent()>;
  virtual Read prepareRead(const QDateTime& from, const QDateTime& to,
                           const std::optional<QSet<QString>>& calendarIdentifiers) const {
    EventStoreContent content{calendars(), events(from, to, calendarIdentifiers)};
    return [content] { return content; };
  }

 Q_SIGNALS:
  // A calendar, or the set of calendars, changed.
  void changed();
};
