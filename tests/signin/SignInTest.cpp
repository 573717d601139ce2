// Signing in through the desktop's browser: the waiting session and Google's consent flow.

#include "app/platform/WebAuthenticationSession.h"
#include "app/platform/WebAuthenticationSessionError.h"
#include "app/signin/GoogleOAuthCoordinator.h"
#include "app/signin/GoogleSignInError.h"
#include "common/TestSupport.h"
#include "core/email/GmailError.h"
#include "core/email/GmailService.h"
#include "core/model/KeychainHelper.h"
#include "testing/FakeGoogle.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <memory>

using testsupport::runTask;
using Code = WebAuthenticationSessionError::Code;

namespace {

const QString kScheme = QStringLiteral("com.example.pelmora");
const QUrl kAuthorization(QStringLiteral("https://auth.example.test/o/oauth2/v2/auth?client_id=1"));
const QUrl kCallback(QStringLiteral("com.example.pelmora:/oauth2redirect?code=c"));
const QString kClientID = QStringLiteral("1234-abc9.apps.googleusercontent.com");
const QString kRedirectURI = QStringLiteral("com.googleusercontent.apps.1234-abc9:/oauth2redirect");
const QString kMissingCode = QStringLiteral("Missing authorization code in redirect callback");

GoogleOAuthCoordinator::Configuration registration() {
  GoogleOAuthCoordinator::Configuration configuration;
  configuration.authorizationHost = QUrl(QStringLiteral("https://accounts.example.test"));
  configuration.clientID = kClientID;
  configuration.clientSecret = QStringLiteral("GOCSPX-test-secret");
  configuration.redirectScheme = QStringLiteral("com.googleusercontent.apps.1234-abc9");
  configuration.redirectURI = kRedirectURI;
  return configuration;
}

QString queryValue(const QUrl& url, const QString& name) {
  return QUrlQuery(url).queryItemValue(name, QUrl::FullyDecoded);
}

QUrl callbackWith(const QString& query) { return QUrl(kRedirectURI + QStringLiteral("?") + query); }

template <typename Error, typename T>
Error errorOf(QCoro::Task<T>&& task) {
  try {
    runTask(std::move(task));
  } catch (const Error& error) {
    return error;
  }
  throw std::runtime_error("the sign-in did not fail as expected");
}

Code codeOf(WebAuthenticationSession& session) {
  return errorOf<WebAuthenticationSessionError>(session.waitForCallback()).code();
}

// Stands in for the desktop's browser: records what it was asked to open, then plays the
// person's answer.
class WebAuthenticationSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WebAuthenticationSession::setUrlOpener([this](const QUrl& url) {
      opened.append(url);
      QTimer::singleShot(0, &alive, [this, url] { browser(url); });
      return browserOpens;
    });
  }
  void TearDown() override { WebAuthenticationSession::setUrlOpener({}); }

  QList<QUrl> opened;
  bool browserOpens = true;
  std::function<void(const QUrl&)> browser = [](const QUrl&) {};
  QObject alive;  // an answer still queued when the test ends is dropped with it
};

// A fake Google behind a real GmailService.
class GoogleOAuthCoordinatorTest : public WebAuthenticationSessionTest {
 protected:
  void SetUp() override {
    WebAuthenticationSessionTest::SetUp();
    gmail->disconnect();
    google.setTokenReply(ScriptedReply::json(
        200, FakeGoogle::tokenJson(QStringLiteral("ya29.fresh"), 3599, QStringLiteral("1//r"))));
    google.setUserInfo(QStringLiteral("someone@example.com"));
  }
  void TearDown() override {
    gmail->disconnect();
    WebAuthenticationSessionTest::TearDown();
  }

  // The browser comes back with this query, the state of the request standing for "STATE".
  void answerWith(const QString& query) {
    browser = [query](const QUrl& url) {
      QString answer = query;
      WebAuthenticationSession::handleCallback(callbackWith(
          answer.replace(QStringLiteral("STATE"), queryValue(url, QStringLiteral("state")))));
    };
  }

  FakeGoogle google;
  std::unique_ptr<GmailService> gmail = std::make_unique<GmailService>(google.gmailConfiguration());
  GoogleOAuthCoordinator coordinator{registration(), gmail.get()};
};

}  // namespace

TEST_F(WebAuthenticationSessionTest, CompletesWithTheFirstCallbackOfItsScheme) {
  // Schemes compare without regard to case; the address keeps its scheme in lower case.
  WebAuthenticationSession session(kAuthorization, QStringLiteral("Com.Example.Pelmora"));
  ASSERT_TRUE(session.start());
  EXPECT_FALSE(session.start()) << "a session starts once";
  EXPECT_EQ(opened, QList<QUrl>{kAuthorization});
  ASSERT_NE(session.waitingWindow(), nullptr);
  EXPECT_TRUE(session.waitingWindow()->isVisible());
  EXPECT_EQ(session.waitingWindow()->windowTitle(), QStringLiteral("Google Sign-In \u2014 Pelmora"));
  EXPECT_EQ(session.waitingWindow()->findChild<QLabel*>()->text(),
            QStringLiteral("Waiting for Google sign-in..."));

  // Another program's scheme is not this session's answer.
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(
      QUrl(QStringLiteral("org.other.app:/oauth2redirect?code=stolen"))));
  const QUrl callback(QStringLiteral("COM.Example.Pelmora:/oauth2redirect?code=4%2F0Ab"));
  QTimer::singleShot(0, [callback] { WebAuthenticationSession::handleCallback(callback); });
  EXPECT_EQ(runTask(session.waitForCallback()), callback);
  EXPECT_EQ(session.waitingWindow(), nullptr);
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(kCallback)) << "nothing waits any more";
}

TEST_F(WebAuthenticationSessionTest, CancelTheTimeOutAndAMissingBrowserEndIt) {
  WebAuthenticationSession byButton(kAuthorization, kScheme);
  byButton.start();
  QPushButton* cancel =
      byButton.waitingWindow()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
  QTimer::singleShot(0, cancel, &QAbstractButton::click);
  EXPECT_EQ(codeOf(byButton), Code::canceledLogin);
  EXPECT_EQ(byButton.waitingWindow(), nullptr);
  EXPECT_EQ(WebAuthenticationSessionError(Code::canceledLogin).errorDescription(),
            QStringLiteral("Google sign-in was cancelled."));

  EXPECT_FALSE(WebAuthenticationSession::handleCallback(kCallback)) << "a late answer is dropped";

  WebAuthenticationSession unanswered(kAuthorization, kScheme);
  unanswered.setTimeout(std::chrono::milliseconds(1));
  unanswered.start();
  EXPECT_EQ(codeOf(unanswered), Code::timedOut);
  EXPECT_EQ(unanswered.waitingWindow(), nullptr);

  browserOpens = false;
  WebAuthenticationSession noBrowser(kAuthorization, kScheme);
  noBrowser.start();
  EXPECT_TRUE(noBrowser.isFinished());
  EXPECT_EQ(noBrowser.waitingWindow(), nullptr);
  EXPECT_EQ(codeOf(noBrowser), Code::browserUnavailable);
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(kCallback));
}

TEST_F(WebAuthenticationSessionTest, ANewSignInOrALostAnchorEndsTheOneWaitingOnItsScheme) {
  WebAuthenticationSession first(kAuthorization, kScheme);
  first.start();
  WebAuthenticationSession second(kAuthorization, kScheme);
  second.start();
  EXPECT_EQ(codeOf(first), Code::canceledLogin);
  EXPECT_TRUE(WebAuthenticationSession::handleCallback(kCallback));
  EXPECT_EQ(runTask(second.waitForCallback()), kCallback);

  // The waiting window sits over its anchor and goes with it.
  auto anchor = std::make_unique<QWidget>();
  anchor->show();
  WebAuthenticationSession anchored(kAuthorization, kScheme);
  anchored.setPresentationAnchor(anchor.get());
  anchored.start();
  EXPECT_EQ(anchored.waitingWindow()->parentWidget(), anchor.get());
  EXPECT_EQ(anchored.waitingWindow()->windowModality(), Qt::WindowModal);
  anchor.reset();
  EXPECT_EQ(codeOf(anchored), Code::canceledLogin);
}

TEST(GoogleOAuthAddress, SixParametersInOrderThenStateAndChallenge) {
  const QUrl url = GoogleOAuthCoordinator::authorizationURL(registration(), QStringLiteral("st4te"),
                                                            QStringLiteral("ch-all_enge"));
  EXPECT_EQ(url.toString(QUrl::FullyEncoded),
            QStringLiteral("https://accounts.example.test/o/oauth2/v2/auth"
                           "?client_id=1234-abc9.apps.googleusercontent.com"
                           "&redirect_uri=com.googleusercontent.apps.1234-abc9:/oauth2redirect"
                           "&response_type=code"
                           "&scope=https://www.googleapis.com/auth/gmail.readonly%20email%20profile"
                           "&access_type=offline&prompt=consent"
                           "&state=st4te&code_challenge=ch-all_enge&code_challenge_method=S256"));
  // The client identifier goes in unencoded, so one that breaks the address is refused.
  GoogleOAuthCoordinator::Configuration odd = registration();
  odd.clientID = QStringLiteral("12 34");
  try {
    GoogleOAuthCoordinator::authorizationURL(odd, QStringLiteral("s"), QStringLiteral("c"));
    ADD_FAILURE() << "an address with a space was formed";
  } catch (const GmailError& error) {
    EXPECT_EQ(error, GmailError::networkError(QStringLiteral("Invalid authorization URL")));
  }
  // The worked example of the PKCE standard.
  EXPECT_EQ(GoogleOAuthCoordinator::codeChallenge(
                QStringLiteral("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk")),
            QStringLiteral("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"));
}

TEST(GoogleOAuthCallback, TakesTheFirstItemNamedExactlyCodeOfTheRightState) {
  const auto code = [](const QString& query) {
    try {
      return GoogleOAuthCoordinator::authorizationCode(callbackWith(query), QStringLiteral("S1"));
    } catch (const GmailError& error) {
      EXPECT_EQ(error, GmailError::decodingError(kMissingCode));
      return QStringLiteral("missing");
    } catch (const GoogleSignInError& error) {
      EXPECT_EQ(error.kind(), GoogleSignInError::Kind::stateMismatch);
      return QStringLiteral("foreign");
    }
  };
  EXPECT_EQ(code(QStringLiteral("state=S1&code=first&code=second")), QStringLiteral("first"));
  EXPECT_EQ(code(QStringLiteral("code=4%2F0A+b&state=S1")), QStringLiteral("4/0A+b"));
  EXPECT_EQ(code(QStringLiteral("error=access_denied&state=S1")), QStringLiteral("missing"));
  EXPECT_EQ(code(QStringLiteral("Code=abc&CODE=abc&state=S1")), QStringLiteral("missing"));
  EXPECT_EQ(code(QStringLiteral("state=S1&code=")), QStringLiteral("missing"));
  EXPECT_EQ(code(QStringLiteral("code=abc&state=S2")), QStringLiteral("foreign"));
  EXPECT_EQ(code(QStringLiteral("code=abc&state=s1")), QStringLiteral("foreign"));
  EXPECT_EQ(code(QStringLiteral("code=abc")), QStringLiteral("foreign"));
}

TEST_F(GoogleOAuthCoordinatorTest, EveryFailureEndsTheSignInUnconnectedAndReachesTheCaller) {
  GoogleOAuthCoordinator::Configuration unconfigured = registration();
  unconfigured.clientID.clear();
  unconfigured.redirectScheme.clear();
  GoogleOAuthCoordinator placeholder(unconfigured, gmail.get());
  const auto notConfigured = errorOf<GoogleSignInError>(placeholder.startSignIn());
  EXPECT_EQ(notConfigured.kind(), GoogleSignInError::Kind::notConfigured);
  // Said to the user in plain words: the way round it and where to read more, no build names.
  const QString told = notConfigured.errorDescription();
  EXPECT_TRUE(told.contains(QStringLiteral("no Google sign-in")) &&
              told.contains(QStringLiteral("access token")) && told.contains(QStringLiteral("README")))
      << told.toStdString();
  EXPECT_FALSE(told.contains(QStringLiteral("PELMORA_"))) << told.toStdString();
  EXPECT_TRUE(opened.isEmpty()) << "no browser without a client registration";

  // A foreign or codeless answer ends it before any exchange.
  answerWith(QStringLiteral("code=intercepted&state=guessed"));
  EXPECT_EQ(errorOf<GoogleSignInError>(coordinator.startSignIn()).kind(),
            GoogleSignInError::Kind::stateMismatch);
  answerWith(QStringLiteral("error=access_denied&state=STATE"));
  EXPECT_EQ(errorOf<GmailError>(coordinator.startSignIn()),
            GmailError::decodingError(kMissingCode));
  EXPECT_TRUE(google.server().requests().isEmpty());

  // Each attempt had its own state and challenge.
  ASSERT_EQ(opened.size(), 2);
  QSet<QString> seen;
  for (const QUrl& url : opened) {
    seen << queryValue(url, QStringLiteral("state"))
         << queryValue(url, QStringLiteral("code_challenge"));
  }
  EXPECT_EQ(seen.size(), 4);

  // A refused exchange comes back unchanged.
  google.setTokenReply(ScriptedReply::json(400, R"({"error":"invalid_grant"})"));
  answerWith(QStringLiteral("state=STATE&code=4/expired"));
  EXPECT_EQ(errorOf<GmailError>(coordinator.startSignIn()),
            GmailError::networkError(
                QStringLiteral(R"(Token exchange failed: {"error":"invalid_grant"})")));
  EXPECT_FALSE(gmail->isConnected());
}

TEST_F(GoogleOAuthCoordinatorTest, FullSignInExchangesTheCodeWithTheVerifierAndStoresTheTokens) {
  answerWith(QStringLiteral("state=STATE&code=4%2F0AeanS0b&scope=email%20profile"));
  const TokenExchangeResult result = runTask(coordinator.startSignIn());
  EXPECT_EQ(result,
            (TokenExchangeResult{QStringLiteral("someone@example.com"),
                                 QStringLiteral("ya29.fresh"), QStringLiteral("1//r"), 3599}));

  // The exchange proves it holds the verifier behind the challenge of the consent request.
  ASSERT_EQ(google.tokenRequests().size(), 1);
  const RecordedRequest exchange = google.tokenRequests().first();
  EXPECT_EQ(exchange.formValue("code"), QStringLiteral("4/0AeanS0b"));
  EXPECT_EQ(exchange.formValue("client_id"), kClientID);
  EXPECT_EQ(exchange.formValue("client_secret"), QStringLiteral("GOCSPX-test-secret"));
  EXPECT_EQ(exchange.formValue("redirect_uri"), kRedirectURI);
  const QString verifier = exchange.formValue("code_verifier").value_or(QString());
  EXPECT_EQ(verifier.size(), 43);
  EXPECT_EQ(GoogleOAuthCoordinator::codeChallenge(verifier),
            queryValue(opened.value(0), QStringLiteral("code_challenge")));

  // In the session's keyring, where the rest of Pelmora reads them.
  EXPECT_EQ(KeychainHelper::read(GmailService::kAccessToken), QStringLiteral("ya29.fresh"));
  EXPECT_EQ(KeychainHelper::read(GmailService::kRefreshToken), QStringLiteral("1//r"));
  EXPECT_EQ(KeychainHelper::read(GmailService::kAccountEmail),
            QStringLiteral("someone@example.com"));
  EXPECT_EQ(KeychainHelper::read(GmailService::kClientID), kClientID);
}
