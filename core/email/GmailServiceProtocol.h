#pragma once

#include "core/model/EmailIntelligenceModels.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What a completed code exchange gives the caller; the credentials are stored by then.
struct TokenExchangeResult {
  QString email;  // may be empty when the account's address could not be looked up
  QString accessToken;
  std::optional<QString> refreshToken;
  int expiresIn = 0;  // seconds

  bool operator==(const TokenExchangeResult&) const = default;
};

// The read-only Gmail client as the sync, the sign-in and the settings screen see it.
// The asynchronous calls throw GmailError, TransportError or DecodingError.
class GmailServiceProtocol {
 public:
  virtual ~GmailServiceProtocol() = default;

  virtual bool isConnected() const = 0;
  virtual std::optional<QString> getAccountEmail() const = 0;
  virtual void saveCredentials(const QString& accessToken,
                               const std::optional<QString>& refreshToken,
                               std::optional<int> expiresInSeconds,
                               const std::optional<QString>& accountEmail,
                               const std::optional<QString>& clientID) = 0;
  virtual void disconnect() = 0;
  // Recent messages that look actionable, at most `limit`, in the order the server lists them.
  virtual QCoro::Task<QList<EmailMessageContext>> fetchActionableMessages(
      std::optional<QDateTime> after, int limit) = 0;
  // codeVerifier: the PKCE verifier of the sign-in that got the code, sent when given.
  virtual QCoro::Task<TokenExchangeResult> exchangeCodeForTokens(
      QString code, QString clientID, QString clientSecret, QString redirectURI,
      std::optional<QString> codeVerifier = std::nullopt) = 0;
};
