#pragma once

#include "core/model/DecodingError.h"
#include "core/model/EnumText.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

class Calendar;

enum class WaitingStatus { waiting, followedUp, resolved, cancelled };

template <>
struct EnumCases<WaitingStatus> {
  static constexpr std::array values{WaitingStatus::waiting, WaitingStatus::followedUp,
                                     WaitingStatus::resolved, WaitingStatus::cancelled};
};

QString displayText(WaitingStatus status);

// Something another person or organisation owes the user.
struct WaitingForItem {
  QUuid id;
  QString title;
  QString personOrOrg;
  QString notes;
  WaitingStatus status = WaitingStatus::waiting;
  QDateTime createdAt;
  std::optional<QDateTime> expectedResponseDate;
  std::optional<QDateTime> lastFollowUpDate;
  std::optional<QDateTime> nextFollowUpDate;
  bool isSampleData = false;
  std::optional<QString> sourceEmailMessageID;

  // Still open, and its next follow-up (or, without one, the expected answer) is earlier
  // than `relativeTo`.
  bool isFollowUpOverdue(const QDateTime& relativeTo) const;
  // Whole calendar days since the day it was created; never below 0.
  int daysWaiting(const QDateTime& relativeTo, const Calendar& calendar) const;

  QJsonObject toJson() const;
  static WaitingForItem fromJson(const QJsonObject& object);

  bool operator==(const WaitingForItem&) const = default;
};
