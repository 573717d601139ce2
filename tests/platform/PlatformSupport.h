#pragma once

#include "core/model/DiagnosticLogger.h"
#include "core/platform/EventStoreEvent.h"

#include "common/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>

#include <ostream>

// An occurrence as a person sees it: enough to tell every occurrence apart.
struct Seen {
  QString title;
  QDateTime start;
  QDateTime end;
  bool isAllDay = false;
  bool operator==(const Seen&) const = default;
};

inline void PrintTo(const Seen& seen, std::ostream* os) {
  *os << seen.title.toStdString() << " " << seen.start.toString(Qt::ISODate).toStdString() << " - "
      << seen.end.toString(Qt::ISODate).toStdString() << (seen.isAllDay ? " all-day" : "");
}

inline QList<Seen> seen(const QList<EventStoreEvent>& events) {
  QList<Seen> result;
  for (const EventStoreEvent& event : events) {
    result.append({event.title, event.startDate, event.endDate, event.isAllDay});
  }
  return result;
}

// Log entries of `subsystem` at `level` (any level when empty) whose message contains `text`.
inline QList<DiagnosticLogger::Entry> logged(
    const QString& level, const QString& text,
    const QString& subsystem = QStringLiteral("Calendar")) {
  QList<DiagnosticLogger::Entry> result;
  for (const auto& entry : DiagnosticLogger::shared().entries()) {
    if ((level.isEmpty() || entry.level == level) && entry.subsystem == subsystem &&
        entry.message.contains(text)) {
      result.append(entry);
    }
  }
  return result;
}

// A calendar file under tests/data/calendars.
inline QByteArray calendarFixture(const QString& name) {
  QFile file(testsupport::dataPath(QStringLiteral("calendars/") + name));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
