#pragma once

#include "core/email/GmailServiceProtocol.h"

#include <QDateTime>
#include <QUrl>

#include <functional>
#include <memory>

// The read-only Gmail client. One account's credentials live in the keychain; the object
// itself holds only its HTTP session, its lock and where Google's services are.
class GmailService : public GmailServiceProtocol {
 public:
  struct Configuration {
    // Scheme, host and port of each service; the paths are fixed.
    QUrl oauthHost = QUrl(QStringLiteral("https://oauth2.googleapis.com"));
    QUrl userInfoHost = QUrl(QStringLiteral("https://www.googleapis.com"));
    QUrl gmailHost = QUrl(QStringLiteral("https://gmail.googleapis.com"));
    // Sent with a token refresh when not empty; the built-in registration by default.
    std::optional<QString> clientSecret;
    // The current time; the system clock when empty.
    std::function<QDateTime()> clock;
  };

  static constexpr auto kAccessToken = "gmail_access_token";
  static constexpr auto kRefreshToken = "gmail_refresh_token";
  static constexpr auto kTokenExpiry = "gmail_token_expiry";
  static constexpr auto kAccountEmail = "gmail_account_email";
  static constexpr auto kClientID = "gmail_client_id";

  // The keyword part of every search.
  static QString actionableQuery();

  static GmailService& shared();

  GmailService();
  explicit GmailService(Configuration configuration);
  ~GmailService() override;
  GmailService(const GmailService&) = delete;
  GmailService& operator=(const GmailService&) = delete;

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

 private:
  struct State;

  // Shared with every running call, so a call may outlive the object that started it.
  std::shared_ptr<State> state_;
};
