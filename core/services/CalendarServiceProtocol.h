#pragma once

#include "core/model/CalendarEventItem.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

// The system calendars, read-only. `calendarChanged()` fires after a calendar (or the set
// of calendars) changed on disk, or when a read asked for earlier is in; listeners fetch
// again. An implementation may answer from its latest read and read afresh in the background.
class CalendarServiceProtocol : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  virtual CalendarPermissionStatus authorizationStatus() const = 0;
  // Resolves to true when calendars may be read afterwards.
  virtual QCoro::Task<bool> requestAccess() = 0;

  virtual QList<AppleCalendarInfo> availableCalendars() const = 0;

  // Events overlapping [from, to), recurring events expanded into one item per occurrence,
  // sorted by start. `calendarIDs`: nullopt reads every calendar, an empty set none.
  virtual QList<CalendarEventItem> fetchEvents(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIDs) const = 0;

 Q_SIGNALS:
  void calendarChanged();
};
