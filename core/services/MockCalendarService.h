#pragma once

#include "core/services/CalendarServiceProtocol.h"

// Test double: answers from its public fields and records every call.
class MockCalendarService : public CalendarServiceProtocol {
  Q_OBJECT

 public:
  struct FetchCall {
    QDateTime from;
    QDateTime to;
    std::optional<QSet<QString>> calendarIDs;
    bool operator==(const FetchCall&) const = default;
  };

  using CalendarServiceProtocol::CalendarServiceProtocol;

  CalendarPermissionStatus authorizationStatus() const override;
  // Sets `permissionStatus` to authorized or denied by `accessGranted`.
  QCoro::Task<bool> requestAccess() override;
  QList<AppleCalendarInfo> availableCalendars() const override;
  // The items of `events` overlapping [from, to), whatever the calendars asked for.
  QList<CalendarEventItem> fetchEvents(
      const QDateTime& from, const QDateTime& to,
      const std::optional<QSet<QString>>& calendarIDs) const override;

  // Emits `calendarChanged()` as a changed calendar file would.
  void simulateChange();

  CalendarPermissionStatus permissionStatus = CalendarPermissionStatus::authorized;
  bool accessGranted = true;
  QList<AppleCalendarInfo> calendars;
  QList<CalendarEventItem> events;

  int accessRequests = 0;
  mutable QList<FetchCall> fetchCalls;
};
