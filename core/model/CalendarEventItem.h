#pragma once

#include "core/model/DecodingError.h"
#include "core/model/EnumText.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <optional>

// Where an event comes from: mirrored from the system calendar, typed in, or sample data.
enum class CalendarSourceType { apple, manual, sample };

template <>
struct EnumCases<CalendarSourceType> {
  static constexpr std::array values{CalendarSourceType::apple, CalendarSourceType::manual,
                                     CalendarSourceType::sample};
};

QString displayText(CalendarSourceType type);

enum class CalendarPermissionStatus { notDetermined, authorized, denied, restricted };

template <>
struct EnumCases<CalendarPermissionStatus> {
  static constexpr std::array values{
      CalendarPermissionStatus::notDetermined, CalendarPermissionStatus::authorized,
      CalendarPermissionStatus::denied, CalendarPermissionStatus::restricted};
};

QString displayText(CalendarPermissionStatus status);

struct CalendarEventItem {
  QString id;
  QString title;
  QDateTime startDate;
  QDateTime endDate;
  bool isAllDay = false;
  std::optional<QString> location;
  std::optional<QString> meetingLink;
  QString calendarName;
  QString calendarColorHex;  // six hex digits, with or without "#"
  CalendarSourceType sourceType = CalendarSourceType::manual;
  std::optional<QString> notes;

  // "Happening now", "Ended", or the time until the start: "in 45m", "in 2h", "in 2h 5m",
  // "in 3d".
  QString countdownString(const QDateTime& at) const;
  // The meeting link, only when it parses strictly and is safe to open.
  std::optional<QUrl> safeMeetingLink() const;

  QJsonObject toJson() const;
  static CalendarEventItem fromJson(const QJsonObject& object);

  bool operator==(const CalendarEventItem&) const = default;
};

// One system calendar the user can choose to mirror.
struct AppleCalendarInfo {
  QString id;
  QString title;
  QString colorHex;

  QJsonObject toJson() const;
  static AppleCalendarInfo fromJson(const QJsonObject& object);

  bool operator==(const AppleCalendarInfo&) const = default;
};
