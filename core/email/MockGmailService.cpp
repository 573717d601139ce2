#include "core/email/MockGmailService.h"

#include "core/email/GmailError.h"

MockGmailService::MockGmailService(bool connected, std::optional<QString> email,
                                   QList<EmailMessageContext> messages)
    : stubbedConnected(connected),
      stubbedEmail(std::move(email)),
      stubbedMessages(std::move(messages)) {}

bool MockGmailService::isConnected() const { return stubbedConnected; }

std::optional<QString> MockGmailService::getAccountEmail() const { return stubbedEmail; }

void MockGmailService::saveCredentials(const QString& /*accessToken*/,
                                       const std::optional<QString>& /*refreshToken*/,
                                       std::optional<int> /*expiresInSeconds*/,
                                       const std::optional<QString>& accountEmail,
                                       const std::optional<QString>& /*clientID*/) {
  stubbedConnected = true;
  stubbedEmail = accountEmail;
}

void MockGmailService::disconnect() {
  stubbedConnected = false;
  stubbedEmail.reset();
}

// Everything below runs before the first suspension, so the fields are read at call time.
QCoro::Task<QList<EmailMessageContext>> MockGmailService::fetchActionableMessages(
    std::optional<QDateTime> after, int limit) {
  if (errorToThrow) {
    std::rethrow_exception(errorToThrow);
  }
  if (!stubbedConnected) {
    throw GmailError::notConnected();
  }
  QList<EmailMessageContext> result;
  for (const EmailMessageContext& message : stubbedMessages) {
    if (result.size() >= limit) {
      break;
    }
    if (!after || message.date > *after) {
      result.append(message);
    }
  }
  co_return result;
}

QCoro::Task<TokenExchangeResult> MockGmailService::exchangeCodeForTokens(QString /*code*/,
                                                                         QString /*clientID*/,
                                                                         QString /*clientSecret*/,
                                                                         QString /*redirectURI*/,
                                                                         std::optional<QString>) {
  const QString email = stubbedEmail.value_or(QString::fromLatin1(placeholderEmail));
  stubbedConnected = true;
  stubbedEmail = email;
  co_return TokenExchangeResult{email, QStringLiteral("demo_grant_ticket"),
                                QStringLiteral("demo_renewal_stamp"), 3600};
}
