#pragma once

#include "core/email/EmailIntelligenceProvider.h"

#include <exception>

// Stand-in for the suggestion logic: throws `errorToThrow` when set, else answers every message
// with `stubbedSuggestions`. Set both before handing it to a caller; they are not guarded.
class MockEmailIntelligenceProvider : public EmailIntelligenceProvider {
 public:
  explicit MockEmailIntelligenceProvider(QList<EmailExtractedSuggestion> stubbedSuggestions);

  QCoro::Task<QList<EmailExtractedSuggestion>> extractActionableItems(
      EmailMessageContext from) override;

  QList<EmailExtractedSuggestion> stubbedSuggestions;
  std::exception_ptr errorToThrow;
};
