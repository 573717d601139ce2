#include "app/screens/capture/CaptureRecord.h"

#include "core/model/SecurityValidator.h"

#include <QUuid>

namespace capture_record {

namespace {

QString orDefault(const QString& text, const QString& fallback) {
  const QString trimmed = text.trimmed();
  return trimmed.isEmpty() ? fallback : trimmed;
}

}  // namespace

Record fromDraft(const QuickCaptureDraft& draft, const QDateTime& now) {
  switch (draft.type) {
    case CaptureType::task:
      return TaskItem(QUuid::createUuid(), orDefault(draft.title, QStringLiteral("Untitled Task")),
                      draft.notes.trimmed(), draft.dueDate, draft.priority,
                      orDefault(draft.category, QStringLiteral("General")), false, std::nullopt,
                      RecurrenceRule(), now, now, false, std::nullopt);
    case CaptureType::waitingFor: {
      WaitingForItem item;
      item.id = QUuid::createUuid();
      item.title = orDefault(draft.title, QStringLiteral("Untitled Item"));
      item.personOrOrg = draft.secondaryField.trimmed();
      item.notes = draft.notes.trimmed();
      item.createdAt = now;
      item.expectedResponseDate = draft.dueDate;
      return item;
    }
    case CaptureType::bill: {
      const std::optional<double> amount =
          SecurityValidator::parseMonetaryAmount(draft.secondaryField.trimmed());
      if (!amount) {
        return Refusal{draft.secondaryField.trimmed().isEmpty()
                           ? QStringLiteral("Enter the bill's amount, for example 42.50.")
                           : QStringLiteral("\"%1\" is not an amount. Enter a number such as 42.50.")
                                 .arg(draft.secondaryField.trimmed())};
      }
      if (!draft.dueDate || !draft.dueDate->isValid()) {
        return Refusal{QStringLiteral("Choose the bill's due date.")};
      }
      BillItem bill;
      bill.id = QUuid::createUuid();
      bill.name = orDefault(draft.title, QStringLiteral("Untitled Bill"));
      bill.amount = *amount;
      bill.currency = QStringLiteral("USD");
      bill.dueDate = *draft.dueDate;
      bill.category = orDefault(draft.category, QStringLiteral("Utilities"));
      bill.notes = draft.notes.trimmed();
      bill.createdAt = now;
      return bill;
    }
    case CaptureType::intention: {
      const QString text = draft.title.trimmed();
      if (text.isEmpty()) {
        return Refusal{QStringLiteral("Type your intention for today first.")};
      }
      return DailyIntention{text};
    }
  }
  return Refusal{QStringLiteral("This kind of item cannot be saved.")};
}

}  // namespace capture_record
