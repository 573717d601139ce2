#pragma once

#include <QString>

// One calendar that an event store offers.
struct EventStoreCalendar {
  QString identifier;
  QString title;
  QString colorHex;  // "#RRGGBB"
  QString sourceTitle;

  bool operator==(const EventStoreCalendar&) const = default;
};
