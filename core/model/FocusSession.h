#pragma once

#include "core/model/DecodingError.h"
#include "core/model/EnumText.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

enum class FocusSessionType { focus, shortBreak, longBreak };

template <>
struct EnumCases<FocusSessionType> {
  static constexpr std::array values{FocusSessionType::focus, FocusSessionType::shortBreak,
                                     FocusSessionType::longBreak};
};

QString displayText(FocusSessionType type);

enum class TimerStatus { idle, running, paused, completed };

template <>
struct EnumCases<TimerStatus> {
  static constexpr std::array values{TimerStatus::idle, TimerStatus::running, TimerStatus::paused,
                                     TimerStatus::completed};
};

QString displayText(TimerStatus status);

// A finished focus or break interval.
struct FocusSession {
  QUuid id;
  FocusSessionType type = FocusSessionType::focus;
  QDateTime startedAt;
  QDateTime endedAt;
  // Active time only: pauses are not counted.
  double durationSeconds = 0;
  std::optional<QUuid> taskId;
  std::optional<QString> taskTitle;

  QJsonObject toJson() const;
  static FocusSession fromJson(const QJsonObject& object);

  bool operator==(const FocusSession&) const = default;
};
