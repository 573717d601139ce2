#include "core/email/EmailIntelligenceProvider.h"

#include <QUuid>

EmailExtractedSuggestion newSuggestion(const EmailMessageContext& source,
                                       EmailExtractedCategory category,
                                       const QDateTime& createdAt) {
  EmailExtractedSuggestion suggestion;
  suggestion.id = QUuid::createUuid();
  suggestion.sourceMessageID = source.id;
  suggestion.sender = source.sender;
  suggestion.subject = source.subject;
  suggestion.receivedDate = source.date;
  suggestion.category = category;
  suggestion.status = SuggestionStatus::pending;
  suggestion.createdAt = createdAt;
  return suggestion;
}
