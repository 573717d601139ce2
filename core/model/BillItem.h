#pragma once

#include "core/model/DecodingError.h"
#include "core/model/RecurrenceRule.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

struct BillItem {
  QUuid id;
  QString name;
  double amount = 0;
  QString currency = QStringLiteral("USD");
  QDateTime dueDate;
  QString category = QStringLiteral("Utilities");
  bool isPaid = false;
  std::optional<QDateTime> paidAt;
  // Days before the due date to remind; 0 reminds on the day itself.
  int reminderDaysBefore = 3;
  RecurrenceRule recurrence;
  QString notes;
  QDateTime createdAt;
  bool isSampleData = false;
  std::optional<QString> sourceEmailMessageID;

  QJsonObject toJson() const;
  static BillItem fromJson(const QJsonObject& object);

  bool operator==(const BillItem&) const = default;
};
