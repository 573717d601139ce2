#pragma once

#include "core/model/EmailIntelligenceModels.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>

// The one seam between the sync and the suggestion logic: one fetched message in, its
// suggestions out, in order. Implementations are shared objects (held by std::shared_ptr).
class EmailIntelligenceProvider {
 public:
  virtual ~EmailIntelligenceProvider() = default;

  // The message is taken by value: the caller's copy may be gone when the call resumes.
  virtual QCoro::Task<QList<EmailExtractedSuggestion>> extractActionableItems(
      EmailMessageContext from) = 0;
};

// A new pending suggestion of `category` for `source`: a fresh identifier, the message's
// identifier, sender, subject and date, and `createdAt`. Every provider starts from this.
EmailExtractedSuggestion newSuggestion(const EmailMessageContext& source,
                                       EmailExtractedCategory category, const QDateTime& createdAt);
