#pragma once

#include "core/email/DatePhraseReader.h"
#include "core/email/EmailIntelligenceProvider.h"
#include "core/model/Calendar.h"

#include <QLocale>

// The on-device suggestion engine: keyword lists pick the kinds, patterns pull out amounts,
// dates and references. Needs no account or network and never fails; one instance serves any
// number of concurrent calls.
class RuleBasedEmailIntelligenceProvider : public EmailIntelligenceProvider {
 public:
  // The user's locale (order of numeric dates) and calendar (days and their arithmetic).
  RuleBasedEmailIntelligenceProvider();
  RuleBasedEmailIntelligenceProvider(const QLocale& locale, const Calendar& calendar);

  QCoro::Task<QList<EmailExtractedSuggestion>> extractActionableItems(
      EmailMessageContext from) override;

  // The same answer without a coroutine: bill, appointment, waiting-for, then a task only
  // when none of the other three matched.
  QList<EmailExtractedSuggestion> extract(const EmailMessageContext& message) const;

 private:
  std::optional<QDateTime> extractDueDate(const QString& text, const QDateTime& messageDate) const;
  std::optional<QDateTime> daysAfter(const QDateTime& date, int days) const;

  EmailExtractedSuggestion extractBill(const EmailMessageContext& message, const QString& text,
                                       const QString& evidence) const;
  EmailExtractedSuggestion extractAppointment(const EmailMessageContext& message,
                                              const QString& text, const QString& evidence) const;
  EmailExtractedSuggestion extractWaitingFor(const EmailMessageContext& message,
                                             const QString& evidence) const;
  EmailExtractedSuggestion extractTask(const EmailMessageContext& message, const QString& text,
                                       const QString& lowerText, const QString& evidence) const;

  DatePhraseReader dates_;
  Calendar calendar_;
};
