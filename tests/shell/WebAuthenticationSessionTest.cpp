#include "app/platform/WebAuthenticationSession.h"
#include "app/platform/WebAuthenticationSessionError.h"
#include "common/TestSupport.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using testsupport::runTask;
using Code = WebAuthenticationSessionError::Code;

namespace {

const QString kScheme = QStringLiteral("com.example.pelmora");
const QUrl kAuthorization(QStringLiteral("https://auth.example.test/o/oauth2/v2/auth?client_id=1"));
const QUrl kCallback(QStringLiteral("com.example.pelmora:/oauth2redirect?code=c"));

// Stands in for the desktop's browser: records what it was asked to open.
class WebAuthenticationSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WebAuthenticationSession::setUrlOpener([this](const QUrl& url) {
      opened.append(url);
      return browserOpens;
    });
  }
  void TearDown() override { WebAuthenticationSession::setUrlOpener({}); }

  static Code errorOf(WebAuthenticationSession& session) {
    try {
      runTask(session.waitForCallback());
    } catch (const WebAuthenticationSessionError& error) {
      return error.code();
    }
    throw std::runtime_error("the session did not fail");
  }

  QList<QUrl> opened;
  bool browserOpens = true;
};

}  // namespace

TEST_F(WebAuthenticationSessionTest, CompletesWithTheFirstCallbackOfItsScheme) {
  WebAuthenticationSession session(kAuthorization, kScheme);
  ASSERT_TRUE(session.start());
  EXPECT_FALSE(session.start()) << "a session starts once";
  EXPECT_EQ(opened, QList<QUrl>{kAuthorization});
  ASSERT_NE(session.waitingWindow(), nullptr);
  EXPECT_TRUE(session.waitingWindow()->isVisible());
  EXPECT_EQ(session.waitingWindow()->findChild<QLabel*>()->text(),
            QStringLiteral("Waiting for Google sign-in..."));

  // Another program's scheme is not this session's answer; letter case of the scheme is.
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(
      QUrl(QStringLiteral("org.other.app:/oauth2redirect?code=stolen"))));
  const QUrl callback(QStringLiteral("COM.Example.Pelmora:/oauth2redirect?code=4%2F0Ab"));
  QTimer::singleShot(0, [callback] { WebAuthenticationSession::handleCallback(callback); });
  EXPECT_EQ(runTask(session.waitForCallback()), callback);
  EXPECT_EQ(session.waitingWindow(), nullptr);
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(kCallback)) << "nothing waits any more";
}

TEST_F(WebAuthenticationSessionTest, CancelClosingTheTimeOutAndAMissingBrowserEndIt) {
  WebAuthenticationSession byButton(kAuthorization, kScheme);
  byButton.start();
  QPushButton* cancel =
      byButton.waitingWindow()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
  QTimer::singleShot(0, cancel, &QAbstractButton::click);
  EXPECT_EQ(errorOf(byButton), Code::canceledLogin);
  EXPECT_EQ(byButton.waitingWindow(), nullptr);
  EXPECT_EQ(WebAuthenticationSessionError(Code::canceledLogin).errorDescription(),
            QStringLiteral("Google sign-in was cancelled."));

  WebAuthenticationSession byClosing(kAuthorization, kScheme);
  byClosing.start();
  QTimer::singleShot(0, byClosing.waitingWindow(), &QWidget::close);
  EXPECT_EQ(errorOf(byClosing), Code::canceledLogin);
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(kCallback)) << "a late answer is dropped";

  EXPECT_EQ(WebAuthenticationSession::defaultTimeout, std::chrono::minutes(10));
  WebAuthenticationSession unanswered(kAuthorization, kScheme);
  unanswered.setTimeout(std::chrono::milliseconds(1));
  unanswered.start();
  EXPECT_EQ(errorOf(unanswered), Code::timedOut);
  EXPECT_EQ(unanswered.waitingWindow(), nullptr);

  browserOpens = false;
  WebAuthenticationSession noBrowser(kAuthorization, kScheme);
  noBrowser.start();
  EXPECT_TRUE(noBrowser.isFinished());
  EXPECT_EQ(noBrowser.waitingWindow(), nullptr);
  EXPECT_EQ(errorOf(noBrowser), Code::browserUnavailable);
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(kCallback));
}

TEST_F(WebAuthenticationSessionTest, ANewSignInOrALostAnchorEndsTheOneWaitingOnItsScheme) {
  WebAuthenticationSession first(kAuthorization, kScheme);
  first.start();
  WebAuthenticationSession other(kAuthorization, QStringLiteral("org.other.scheme"));
  other.start();
  WebAuthenticationSession second(kAuthorization, kScheme);
  second.start();
  EXPECT_EQ(errorOf(first), Code::canceledLogin);
  EXPECT_TRUE(WebAuthenticationSession::handleCallback(kCallback));
  EXPECT_EQ(runTask(second.waitForCallback()), kCallback);
  EXPECT_FALSE(other.isFinished());

  // The waiting window sits over its anchor and goes with it.
  auto anchor = std::make_unique<QWidget>();
  anchor->show();
  WebAuthenticationSession anchored(kAuthorization, kScheme);
  anchored.setPresentationAnchor(anchor.get());
  anchored.start();
  EXPECT_EQ(anchored.waitingWindow()->parentWidget(), anchor.get());
  EXPECT_EQ(anchored.waitingWindow()->windowModality(), Qt::WindowModal);
  anchor.reset();
  EXPECT_EQ(errorOf(anchored), Code::canceledLogin);
}
