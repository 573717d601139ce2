#include "core/email/MockEmailIntelligenceProvider.h"

MockEmailIntelligenceProvider::MockEmailIntelligenceProvider(
    QList<EmailExtractedSuggestion> stubbedSuggestions)
    : stubbedSuggestions(std::move(stubbedSuggestions)) {}

QCoro::Task<QList<EmailExtractedSuggestion>> MockEmailIntelligenceProvider::extractActionableItems(
    EmailMessageContext /*from*/) {
  if (errorToThrow) {
    std::rethrow_exception(errorToThrow);
  }
  // A copy: co_return of a member lvalue would move out of it in this QCoro version.
  co_return QList<EmailExtractedSuggestion>(stubbedSuggestions);
}
