#include "core/model/EmailIntelligenceModels.h"

#include "core/model/JsonCoding.h"

using namespace jsoncoding;

QString displayText(EmailExtractedCategory category) {
  switch (category) {
    case EmailExtractedCategory::bill:
      return QStringLiteral("Bill / Invoice");
    case EmailExtractedCategory::task:
      return QStringLiteral("Task / Action Item");
    case EmailExtractedCategory::appointment:
      return QStringLiteral("Appointment / Booking");
    case EmailExtractedCategory::waitingFor:
      return QStringLiteral("Waiting For / Follow-up");
    case EmailExtractedCategory::importantNotice:
      return QStringLiteral("Important Notice / Renewal");
  }
  return {};
}

QString displayText(SuggestionStatus status) {
  switch (status) {
    case SuggestionStatus::pending:
      return QStringLiteral("Pending Review");
    case SuggestionStatus::approved:
      return QStringLiteral("Approved");
    case SuggestionStatus::dismissed:
      return QStringLiteral("Dismissed");
    case SuggestionStatus::autoApplied:
      return QStringLiteral("Auto-Drafted");
  }
  return {};
}

EmailMessageContext::EmailMessageContext(QString id, QString threadId, QString sender,
                                         QString subject, QDateTime date, QString snippet,
                                         QString bodyExcerpt)
    : id(std::move(id)),
      threadId(std::move(threadId)),
      sender(std::move(sender)),
      subject(std::move(subject)),
      date(std::move(date)),
      snippet(std::move(snippet)),
      bodyExcerpt(std::move(bodyExcerpt)) {}

QJsonObject EmailExtractedSuggestion::toJson() const {
  QJsonObject object{
      {QStringLiteral("id"), uuidText(id)},
      {QStringLiteral("sourceMessageID"), sourceMessageID},
      {QStringLiteral("sender"), sender},
      {QStringLiteral("subject"), subject},
      {QStringLiteral("receivedDate"), dateText(receivedDate)},
      {QStringLiteral("category"), displayText(category)},
      {QStringLiteral("title"), title},
      {QStringLiteral("notes"), notes},
      {QStringLiteral("confidence"), confidence},
      {QStringLiteral("evidenceSnippet"), evidenceSnippet},
      {QStringLiteral("priority"), displayText(priority)},
      {QStringLiteral("status"), displayText(status)},
      {QStringLiteral("createdAt"), dateText(createdAt)},
  };
  putOptional(object, "amount", amount);
  putOptional(object, "currency", currency);
  putOptional(object, "dueDate", dueDate);
  putOptional(object, "referenceNumber", referenceNumber);
  putOptional(object, "personOrOrg", personOrOrg);
  putOptional(object, "location", location);
  putOptional(object, "reviewedAt", reviewedAt);
  return object;
}

EmailExtractedSuggestion EmailExtractedSuggestion::fromJson(const QJsonObject& object) {
  EmailExtractedSuggestion s;
  s.id = requireUuid(object, "id");
  s.sourceMessageID = requireString(object, "sourceMessageID");
  s.sender = requireString(object, "sender");
  s.subject = requireString(object, "subject");
  s.receivedDate = requireDate(object, "receivedDate");
  s.category = requireEnum<EmailExtractedCategory>(object, "category");
  s.title = requireString(object, "title");
  s.notes = requireString(object, "notes");
  s.confidence = requireDouble(object, "confidence");
  s.evidenceSnippet = requireString(object, "evidenceSnippet");
  s.amount = optionalDouble(object, "amount");
  s.currency = optionalString(object, "currency");
  s.dueDate = optionalDate(object, "dueDate");
  s.referenceNumber = optionalString(object, "referenceNumber");
  s.personOrOrg = optionalString(object, "personOrOrg");
  s.priority = requireEnum<TaskPriority>(object, "priority");
  s.location = optionalString(object, "location");
  s.status = requireEnum<SuggestionStatus>(object, "status");
  s.createdAt = requireDate(object, "createdAt");
  s.reviewedAt = optionalDate(object, "reviewedAt");
  return s;
}

QJsonObject EmailSyncState::toJson() const {
  QJsonObject object{
      {QStringLiteral("lastSyncStatus"), lastSyncStatus},
      {QStringLiteral("isSyncing"), isSyncing},
      {QStringLiteral("pendingCount"), pendingCount},
  };
  putOptional(object, "lastSyncAt", lastSyncAt);
  putOptional(object, "accountEmail", accountEmail);
  return object;
}

EmailSyncState EmailSyncState::fromJson(const QJsonObject& object) {
  EmailSyncState state;
  state.lastSyncAt = optionalDate(object, "lastSyncAt");
  state.lastSyncStatus = requireString(object, "lastSyncStatus");
  state.accountEmail = optionalString(object, "accountEmail");
  state.isSyncing = requireBool(object, "isSyncing");
  state.pendingCount = requireInt(object, "pendingCount");
  return state;
}
