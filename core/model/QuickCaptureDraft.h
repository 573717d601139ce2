#pragma once

#include "core/model/DecodingError.h"
#include "core/model/EnumText.h"
#include "core/model/TaskPriority.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

enum class CaptureType { task, waitingFor, bill, intention };

template <>
struct EnumCases<CaptureType> {
  static constexpr std::array values{CaptureType::task, CaptureType::waitingFor, CaptureType::bill,
                                     CaptureType::intention};
};

QString displayText(CaptureType type);

// The quick-capture form's content; the defaults are the empty form.
struct QuickCaptureDraft {
  CaptureType type = CaptureType::task;
  QString title;
  // Person for waiting-for items, amount for bills.
  QString secondaryField;
  QString category = QStringLiteral("General");
  TaskPriority priority = TaskPriority::medium;
  std::optional<QDateTime> dueDate;
  QString notes;

  QJsonObject toJson() const;
  static QuickCaptureDraft fromJson(const QJsonObject& object);

  bool operator==(const QuickCaptureDraft&) const = default;
};
