#include "app/signin/GoogleOAuthCoordinator.h"

#include "app/platform/WebAuthenticationSession.h"
#include "app/signin/GoogleSignInError.h"
#include "core/email/GmailError.h"
#include "core/email/GmailService.h"
#include "core/model/DiagnosticLogger.h"
#include "core/platform/PercentEncoding.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QUrlQuery>
#include <QWidget>
#include <QWindow>

#include <array>
#include <memory>
#include <optional>
#include <utility>

namespace {

const QString kAuthorizationPath = QStringLiteral("/o/oauth2/v2/auth");
const QString kScope =
    QStringLiteral("https://www.googleapis.com/auth/gmail.readonly email profile");

constexpr auto kBase64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

// Unguessable text of unreserved URL characters only, so it needs no encoding.
template <std::size_t Words>
QString randomToken() {
  std::array<quint32, Words> words;
  QRandomGenerator::system()->fillRange(words.data(), words.size());
  const QByteArray bytes(reinterpret_cast<const char*>(words.data()),
                         qsizetype(words.size() * sizeof(quint32)));
  return QString::fromLatin1(bytes.toBase64(kBase64Url));
}

std::optional<QString> firstQueryValue(const QList<std::pair<QString, QString>>& items,
                                       const QString& name) {
  for (const auto& [key, value] : items) {
    if (key == name) {
      return value;
    }
  }
  return std::nullopt;
}

// Made when the application has no window; it belongs to one sign-in and is never another's.
const QString kNewAnchorName = QStringLiteral("GoogleSignInAnchor");

std::unique_ptr<QWidget> makeAnchor() {
  auto window = std::make_unique<QWidget>();
  window->setObjectName(kNewAnchorName);
  return window;
}

bool isApplicationWindow(const QWidget* widget) {
  switch (widget->windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::Desktop:
    case Qt::SplashScreen:
      return false;
    default:
      // Another sign-in's waiting window goes away when this sign-in starts, and so does the
      // window made for it.
      return widget->objectName() != WebAuthenticationSession::waitingWindowName &&
             widget->objectName() != kNewAnchorName;
  }
}

}  // namespace

GoogleOAuthCoordinator& GoogleOAuthCoordinator::shared() {
  static GoogleOAuthCoordinator instance;
  return instance;
}

GoogleOAuthCoordinator::GoogleOAuthCoordinator() : GoogleOAuthCoordinator(Configuration{}) {}

GoogleOAuthCoordinator::GoogleOAuthCoordinator(Configuration configuration,
                                               GmailServiceProtocol* gmail, QObject* parent)
    : QObject(parent), m_configuration(std::move(configuration)), m_gmail(gmail) {}

QCoro::Task<TokenExchangeResult> GoogleOAuthCoordinator::startSignIn() {
  // Everything the sign-in needs is copied: nothing of this object is touched after it waits.
  return signIn(m_configuration, m_gmail ? m_gmail : &GmailService::shared());
}

QCoro::Task<TokenExchangeResult> GoogleOAuthCoordinator::signIn(Configuration configuration,
                                                                GmailServiceProtocol* gmail) {
  if (configuration.clientID.isEmpty() || configuration.redirectScheme.isEmpty()) {
    throw GoogleSignInError(GoogleSignInError::Kind::notConfigured);
  }
  const QString state = randomToken<4>();
  const QString codeVerifier = randomToken<8>();
  const QUrl url = authorizationURL(configuration, state, codeChallenge(codeVerifier));

  // Declared before the session, so the session and its waiting window go first.
  std::unique_ptr<QWidget> newAnchor;
  QWidget* anchor = existingAnchor();
  if (!anchor) {
    newAnchor = makeAnchor();
    anchor = newAnchor.get();
  }
  auto session = std::make_unique<WebAuthenticationSession>(url, configuration.redirectScheme);
  session->setPresentationAnchor(anchor);
  session->start();
  const QUrl callbackURL = co_await session->waitForCallback();
  session.reset();
  newAnchor.reset();

  QString code;
  try {
    code = authorizationCode(callbackURL, state);
  } catch (const GoogleSignInError&) {
    DiagnosticLogger::shared().log(
        QStringLiteral("Rejected a Google sign-in answer that belongs to another sign-in."),
        QStringLiteral("WARN"), QStringLiteral("App"));
    throw;
  }
  co_return co_await gmail->exchangeCodeForTokens(code, configuration.clientID,
                                                  configuration.clientSecret,
                                                  configuration.redirectURI, codeVerifier);
}

QUrl GoogleOAuthCoordinator::authorizationURL(const Configuration& configuration,
                                              const QString& state, const QString& codeChallenge) {
  const QUrl endpoint = configuration.authorizationHost.resolved(QUrl(kAuthorizationPath));
  const QString text =
      endpoint.toString(QUrl::FullyEncoded | QUrl::RemoveQuery | QUrl::RemoveFragment) +
      QStringLiteral("?client_id=") + configuration.clientID + QStringLiteral("&redirect_uri=") +
      QString::fromLatin1(percentencoding::urlQueryAllowed(configuration.redirectURI)) +
      QStringLiteral("&response_type=code&scope=") +
      QString::fromLatin1(percentencoding::urlQueryAllowed(kScope)) +
      QStringLiteral("&access_type=offline&prompt=consent") + QStringLiteral("&state=") + state +
      QStringLiteral("&code_challenge=") + codeChallenge +
      QStringLiteral("&code_challenge_method=S256");
  const QUrl url(text, QUrl::StrictMode);
  if (!endpoint.isValid() || endpoint.scheme().isEmpty() || endpoint.host().isEmpty() ||
      !url.isValid()) {
    throw GmailError::networkError(QStringLiteral("Invalid authorization URL"));
  }
  return url;
}

QString GoogleOAuthCoordinator::codeChallenge(const QString& codeVerifier) {
  const QByteArray digest =
      QCryptographicHash::hash(codeVerifier.toUtf8(), QCryptographicHash::Sha256);
  return QString::fromLatin1(digest.toBase64(kBase64Url));
}

QString GoogleOAuthCoordinator::authorizationCode(const QUrl& callbackURL,
                                                  const QString& expectedState) {
  const QList<std::pair<QString, QString>> items =
      QUrlQuery(callbackURL.query(QUrl::FullyEncoded)).queryItems(QUrl::FullyDecoded);
  if (firstQueryValue(items, QStringLiteral("state")) != expectedState) {
    throw GoogleSignInError(GoogleSignInError::Kind::stateMismatch);
  }
  // An empty code could never be exchanged; it counts as missing.
  const std::optional<QString> code = firstQueryValue(items, QStringLiteral("code"));
  if (!code || code->isEmpty()) {
    throw GmailError::decodingError(
        QStringLiteral("Missing authorization code in redirect callback"));
  }
  return *code;
}

QWidget* GoogleOAuthCoordinator::presentationAnchor() {
  if (QWidget* anchor = existingAnchor()) {
    return anchor;
  }
  return makeAnchor().release();
}

QWidget* GoogleOAuthCoordinator::existingAnchor() {
  // The windows in the order the application lists them.
  QList<QWidget*> windows;
  const QWidgetList widgets = QApplication::topLevelWidgets();
  for (QWindow* window : QGuiApplication::topLevelWindows()) {
    for (QWidget* widget : widgets) {
      if (widget->windowHandle() == window && isApplicationWindow(widget)) {
        windows.append(widget);
      }
    }
  }
  QWidget* active = QApplication::activeWindow();
  if (active && windows.contains(active)) {
    return active;
  }
  return windows.isEmpty() ? nullptr : windows.first();
}
