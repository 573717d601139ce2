#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// One occurrence of an event. A recurring event yields one value per occurrence, each with
// its own identifier. All-day occurrences run from local midnight to the local midnight after
// their last day.
struct EventStoreEvent {
  QString identifier;
  QString title;
  QDateTime startDate;  // UTC
  QDateTime endDate;    // UTC, exclusive
  bool isAllDay = false;
  std::optional<QString> location;
  std::optional<QString> url;
  std::optional<QString> notes;
  QString calendarIdentifier;

  bool operator==(const EventStoreEvent&) const = default;
};
