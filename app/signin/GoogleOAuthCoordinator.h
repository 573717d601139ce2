#pragma once

#include "core/email/GmailServiceProtocol.h"
#include "core/model/AppConfig.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;

// Connects a Gmail account: Google's consent page in the user's browser, the authorization
// code back through the redirect scheme, then the code exchange, which stores the tokens.
// A random state ties the answer to this sign-in and a PKCE challenge makes an intercepted
// code useless to whoever intercepted it: on this desktop any program may claim the scheme.
class GoogleOAuthCoordinator : public QObject {
  Q_OBJECT

 public:
  struct Configuration {
    // Scheme, host and port of Google's authorization server; the path is fixed.
    QUrl authorizationHost = QUrl(QStringLiteral("https://accounts.google.com"));
    QString clientID = AppConfig::googleClientID();
    QString clientSecret = AppConfig::googleClientSecret();
    QString redirectScheme = AppConfig::googleRedirectScheme();
    QString redirectURI = AppConfig::googleRedirectURI();
  };

  static GoogleOAuthCoordinator& shared();

  // The build's registration, Google's server and GmailService::shared().
  GoogleOAuthCoordinator();
  // gmail: who exchanges the code; GmailService::shared() when null. It must outlive every
  // sign-in started here.
  explicit GoogleOAuthCoordinator(Configuration configuration,
                                  GmailServiceProtocol* gmail = nullptr, QObject* parent = nullptr);

  // Runs one sign-in. When it returns, the credentials are stored already.
  QCoro::Task<TokenExchangeResult> startSignIn();

  // The window the waiting window is shown over: the active window, else the first window of
  // the application, else a new hidden window that the caller owns.
  static QWidget* presentationAnchor();

  // The consent page's address; throws GmailError::networkError("Invalid authorization URL")
  // when no address can be formed.
  static QUrl authorizationURL(const Configuration& configuration, const QString& state,
                               const QString& codeChallenge);
  // PKCE S256: the verifier's SHA-256, base64url without padding.
  static QString codeChallenge(const QString& codeVerifier);
  // The authorization code of a callback address; throws GoogleSignInError::stateMismatch when
  // its state is not the expected one, GmailError::decodingError when it has no code.
  static QString authorizationCode(const QUrl& callbackURL, const QString& expectedState);

 private:
  static QWidget* existingAnchor();
  static QCoro::Task<TokenExchangeResult> signIn(Configuration configuration,
                                                 GmailServiceProtocol* gmail);

  Configuration m_configuration;
  GmailServiceProtocol* m_gmail;
};
