#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

// One local notification and when to show it: at `fireDate` when set, otherwise `delay`
// after it is added (zero: at once).
struct NotificationRequest {
  QString identifier;
  QString title;
  QString body;
  bool playsDefaultSound = true;
  std::optional<QDateTime> fireDate;
  std::chrono::milliseconds delay{0};

  bool operator==(const NotificationRequest&) const = default;
};
