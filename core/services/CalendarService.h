#pragma once

#include "core/platform/EventStore.h"
#include "core/services/CalendarServiceProtocol.h"

#include <memory>

// The system calendars through an `EventStore`; mirrored events come back as
// `CalendarEventItem`s of source type `apple` with their calendar's name and colour.
class CalendarService : public CalendarServiceProtocol {
  Q_OBJECT

 public:
  explicit CalendarService(std::unique_ptr<EventStore> eventStore, QObject* parent = nullptr);
  ~CalendarService() override;

  CalendarPermissionStatus authorizationStatus() const override;
  QCoro::Task<bool> requestAccess() override;
  QList<AppleCalendarInfo> availableCalendars() const override;
  QList<CalendarEventItem> fetchEvents(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIDs) const override;

 private:
  std::unique_ptr<EventStore> eventStore_;
};
