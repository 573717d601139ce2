#include "core/services/MockCalendarService.h"

CalendarPermissionStatus MockCalendarService::authorizationStatus() const {
  return permissionStatus;
}

QCoro::Task<bool> MockCalendarService::requestAccess() {
  ++accessRequests;
  permissionStatus =
      accessGranted ? CalendarPermissionStatus::authorized : CalendarPermissionStatus::denied;
  co_return accessGranted;
}

QList<AppleCalendarInfo> MockCalendarService::availableCalendars() const { return calendars; }

QList<CalendarEventItem> MockCalendarService::fetchEvents(
    const QDateTime& from, const QDateTime& to,
    const std::optional<QSet<QString>>& calendarIDs) const {
  fetchCalls.append({from, to, calendarIDs});
  QList<CalendarEventItem> result;
  for (const CalendarEventItem& event : events) {
    if (event.startDate < to && event.endDate > from) {
      result.append(event);
    }
  }
  return result;
}

void MockCalendarService::simulateChange() { Q_EMIT calendarChanged(); }
