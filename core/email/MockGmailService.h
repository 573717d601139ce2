#pragma once

#include "core/email/GmailServiceProtocol.h"

#include <exception>

// In-memory stand-in for the Gmail client: no network, no keychain. Tests and previews set
// the public fields directly.
class MockGmailService : public GmailServiceProtocol {
 public:
  // The address reported by a code exchange when none is stubbed.
  static constexpr auto placeholderEmail = "demo.user@example.com";

  MockGmailService(bool connected, std::optional<QString> email,
                   QList<EmailMessageContext> messages);

  bool stubbedConnected;
  std::optional<QString> stubbedEmail;
  QList<EmailMessageContext> stubbedMessages;
  std::exception_ptr errorToThrow;  // thrown by every search while set

  bool isConnected() const override;
  std::optional<QString> getAccountEmail() const override;
  void saveCredentials(const QString& accessToken, const std::optional<QString>& refreshToken,
                       std::optional<int> expiresInSeconds,
                       const std::optional<QString>& accountEmail,
                       const std::optional<QString>& clientID) override;
  void disconnect() override;
  QCoro::Task<QList<EmailMessageContext>> fetchActionableMessages(std::optional<QDateTime> after,
                                                                  int limit) override;
  QCoro::Task<TokenExchangeResult> exchangeCodeForTokens(
      QString code, QString clientID, QString clientSecret, QString redirectURI,
      std::optional<QString> codeVerifier = std::nullopt) override;
};
