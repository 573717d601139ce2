#include "core/email/MockEmailIntelligenceProvider.h"

MockEmailIntelligenceProvider::MockEmailIntelligenceProvider(
    QList<EmailExtractedSuggestion> stubbedSuggestions)
    : stubbedSuggestions(std::move(stubbedSuggestions)) {}

QCoro::Task<QList<EmailExtractedSuggestion>> MockEmailIntelligenceProvider::extractActionableItems(
    EmailMessageContext /*from*/) {
  if (errorToThrow) {
    std::rethrow_exception(errorToThrow);
  }
  co_return stubbedSuggestions;
}
