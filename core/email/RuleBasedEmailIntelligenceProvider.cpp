#include "core/email/RuleBasedEmailIntelligenceProvider.h"

#include "core/email/AmountReader.h"
#include "core/email/CompiledPattern.h"
#include "core/model/GraphemeText.h"

#include <array>

namespace {

using Keywords = std::array<QLatin1StringView, 6>;

constexpr Keywords billKeywords = {QLatin1StringView("invoice"),
                                   QLatin1StringView("amount due"),
                                   QLatin1StringView("payment due"),
                                   QLatin1StringView("bill is ready"),
                                   QLatin1StringView("statement is ready"),
                                   QLatin1StringView("your bill of")};
constexpr Keywords appointmentKeywords = {
    QLatin1StringView("reservation confirmed"), QLatin1StringView("appointment confirmed"),
    QLatin1StringView("booking confirmation"),  QLatin1StringView("calendar invitation"),
    QLatin1StringView("zoom meeting"),          QLatin1StringView("google meet")};
constexpr Keywords waitingForKeywords = {
    QLatin1StringView("tracking number"),       QLatin1StringView("order has shipped"),
    QLatin1StringView("package is on the way"), QLatin1StringView("i will follow up"),
    QLatin1StringView("will send it by"),       QLatin1StringView("waiting on")};
constexpr Keywords taskKeywords = {
    QLatin1StringView("action required"),     QLatin1StringView("please review"),
    QLatin1StringView("by tomorrow"),         QLatin1StringView("deadline:"),
    QLatin1StringView("needs your approval"), QLatin1StringView("can you please")};

constexpr qsizetype evidenceLength = 200;

bool containsAny(const QString& lowerText, const Keywords& keywords) {
  for (const QLatin1StringView keyword : keywords) {
    if (lowerText.contains(keyword)) {
      return true;
    }
  }
  return false;
}

const QRegularExpression& dueDatePattern() {
  static const QRegularExpression re = compiledPattern(
      QStringLiteral("(?:due|by|date)[:\\s]+([A-Za-z]{3,9}\\s+[0-9]{1,2}(?:,\\s+[0-9]{4})?"
                     "|[0-9]{1,2}/[0-9]{1,2}/[0-9]{2,4}|[0-9]{4}-[0-9]{2}-[0-9]{2})"),
      QRegularExpression::CaseInsensitiveOption);
  return re;
}

const QRegularExpression& referencePattern() {
  static const QRegularExpression re = compiledPattern(
      QStringLiteral(
          "(?:invoice|account|reference|order)\\s*(?:#|no\\.?|num\\.?)?\\s*([A-Za-z0-9-]{4,20})"),
      QRegularExpression::CaseInsensitiveOption);
  return re;
}

std::optional<QString> extractReferenceNumber(const QString& text) {
  const QRegularExpressionMatch match = referencePattern().match(text);
  if (!match.hasCaptured(1)) {
    return std::nullopt;
  }
  return match.captured(1);
}

// "Jane Doe <jane@example.com>" gives "Jane Doe"; a bare "<address>" gives an empty text.
QString senderNamePart(const QString& sender) { return sender.section(u'<', 0, 0).trimmed(); }

EmailExtractedSuggestion baseSuggestion(const EmailMessageContext& message,
                                        EmailExtractedCategory category, const QString& evidence) {
  EmailExtractedSuggestion suggestion =
      newSuggestion(message, category, QDateTime::currentDateTimeUtc());
  suggestion.evidenceSnippet = evidence;
  suggestion.priority = TaskPriority::medium;
  return suggestion;
}

}  // namespace

RuleBasedEmailIntelligenceProvider::RuleBasedEmailIntelligenceProvider()
    : RuleBasedEmailIntelligenceProvider(QLocale::system(), Calendar::current()) {}

RuleBasedEmailIntelligenceProvider::RuleBasedEmailIntelligenceProvider(const QLocale& locale,
                                                                       const Calendar& calendar)
    : dates_(locale, calendar), calendar_(calendar) {}

QCoro::Task<QList<EmailExtractedSuggestion>>
RuleBasedEmailIntelligenceProvider::extractActionableItems(EmailMessageContext from) {
  co_return extract(from);
}

QList<EmailExtractedSuggestion> RuleBasedEmailIntelligenceProvider::extract(
    const EmailMessageContext& message) const {
  const QString text = message.subject + u'\n' + message.snippet + u'\n' + message.bodyExcerpt;
  const QString lowerText = text.toLower();

  QList<EmailExtractedSuggestion> result;
  // Built lazily: most messages match nothing.
  std::optional<QString> evidence;
  const auto evidenceSnippet = [&]() -> const QString& {
    if (!evidence) {
      evidence = grapheme_text::leading(message.snippet, evidenceLength);
    }
    return *evidence;
  };

  if (containsAny(lowerText, billKeywords)) {
    result.append(extractBill(message, text, evidenceSnippet()));
  }
  if (containsAny(lowerText, appointmentKeywords)) {
    result.append(extractAppointment(message, text, evidenceSnippet()));
  }
  if (containsAny(lowerText, waitingForKeywords)) {
    result.append(extractWaitingFor(message, evidenceSnippet()));
  }
  if (result.isEmpty() && containsAny(lowerText, taskKeywords)) {
    result.append(extractTask(message, text, lowerText, evidenceSnippet()));
  }
  return result;
}

std::optional<QDateTime> RuleBasedEmailIntelligenceProvider::extractDueDate(
    const QString& text, const QDateTime& messageDate) const {
  auto matches = dueDatePattern().globalMatch(text);
  while (matches.hasNext()) {
    const QRegularExpressionMatch match = matches.next();
    if (!match.hasCaptured(1)) {
      continue;
    }
    if (auto date = dates_.read(match.captured(1), messageDate)) {
      return date;
    }
  }
  return std::nullopt;
}

std::optional<QDateTime> RuleBasedEmailIntelligenceProvider::daysAfter(const QDateTime& date,
                                                                       int days) const {
  const QDateTime shifted = calendar_.addDays(date, days);
  if (!shifted.isValid()) {
    return std::nullopt;
  }
  return shifted;
}

EmailExtractedSuggestion RuleBasedEmailIntelligenceProvider::extractBill(
    const EmailMessageContext& message, const QString& text, const QString& evidence) const {
  EmailExtractedSuggestion suggestion =
      baseSuggestion(message, EmailExtractedCategory::bill, evidence);
  const QString vendor = senderNamePart(message.sender);
  suggestion.title =
      QStringLiteral("Bill from ") + (vendor.isEmpty() ? QStringLiteral("Vendor") : vendor);
  suggestion.notes = QStringLiteral("Extracted from email subject: ") + message.subject;

  const ExtractedAmount amount = extractAmountAndCurrency(text);
  const std::optional<QDateTime> due = extractDueDate(text, message.date);
  // The higher confidence needs a date read from the text, not the default below.
  suggestion.confidence = amount.amount && due ? 0.9 : 0.75;
  suggestion.amount = amount.amount;
  suggestion.currency = amount.currency.value_or(QStringLiteral("USD"));
  suggestion.dueDate = due ? due : daysAfter(message.date, 14);
  suggestion.referenceNumber = extractReferenceNumber(text);
  return suggestion;
}

EmailExtractedSuggestion RuleBasedEmailIntelligenceProvider::extractAppointment(
    const EmailMessageContext& message, const QString& text, const QString& evidence) const {
  EmailExtractedSuggestion suggestion =
      baseSuggestion(message, EmailExtractedCategory::appointment, evidence);
  suggestion.title = message.subject;
  suggestion.notes = QStringLiteral("Appointment booking via ") + message.sender;
  suggestion.confidence = 0.85;
  const std::optional<QDateTime> due = extractDueDate(text, message.date);
  suggestion.dueDate = due ? due : daysAfter(message.date, 1);
  return suggestion;
}

EmailExtractedSuggestion RuleBasedEmailIntelligenceProvider::extractWaitingFor(
    const EmailMessageContext& message, const QString& evidence) const {
  EmailExtractedSuggestion suggestion =
      baseSuggestion(message, EmailExtractedCategory::waitingFor, evidence);
  suggestion.title = QStringLiteral("Waiting on ") + message.subject;
  suggestion.notes = QStringLiteral("Sender: ") + message.sender;
  suggestion.confidence = 0.8;
  suggestion.dueDate = daysAfter(message.date, 5);
  suggestion.personOrOrg = senderNamePart(message.sender);
  return suggestion;
}

EmailExtractedSuggestion RuleBasedEmailIntelligenceProvider::extractTask(
    const EmailMessageContext& message, const QString& text, const QString& lowerText,
    const QString& evidence) const {
  EmailExtractedSuggestion suggestion =
      baseSuggestion(message, EmailExtractedCategory::task, evidence);
  suggestion.title = message.subject;
  suggestion.notes =
      QStringLiteral("From: ") + message.sender + QStringLiteral("\nSnippet: ") + message.snippet;
  suggestion.confidence = 0.75;
  suggestion.dueDate = extractDueDate(text, message.date);
  const bool urgent = lowerText.contains(QLatin1StringView("urgent")) ||
                      lowerText.contains(QLatin1StringView("immediately"));
  suggestion.priority = urgent ? TaskPriority::urgent : TaskPriority::high;
  return suggestion;
}
