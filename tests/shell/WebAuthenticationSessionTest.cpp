#include "app/platform/WebAuthenticationSession.h"
#include "app/platform/WebAuthenticationSessionError.h"
#include "common/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using testsupport::runTask;

namespace {

const QString kScheme = QStringLiteral("com.example.pelmora");
const QUrl kAuthorization(QStringLiteral("https://auth.example.test/o/oauth2/v2/auth?client_id=1"));

// Stands in for the desktop's browser: records what it was asked to open.
class WebAuthenticationSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WebAuthenticationSession::setUrlOpener([this](const QUrl& url) {
      opened.append(url);
      return browserOpens;
    });
  }
  void TearDown() override {
    WebAuthenticationSession::setUrlOpener({});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  WebAuthenticationSessionError::Code errorOf(WebAuthenticationSession& session) {
    try {
      runTask(session.waitForCallback());
    } catch (const WebAuthenticationSessionError& error) {
      return error.code();
    }
    ADD_FAILURE() << "the session did not fail";
    return WebAuthenticationSessionError::Code::canceledLogin;
  }

  QList<QUrl> opened;
  bool browserOpens = true;
};

}  // namespace

TEST_F(WebAuthenticationSessionTest, OpensTheBrowserAndCompletesWithTheCallbackOfItsScheme) {
  WebAuthenticationSession session(kAuthorization, kScheme);
  ASSERT_TRUE(session.start());
  EXPECT_FALSE(session.start()) << "a session starts once";
  ASSERT_EQ(opened, QList<QUrl>{kAuthorization});

  QDialog* window = session.waitingWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  bool saysWaiting = false;
  for (QLabel* label : window->findChildren<QLabel*>()) {
    saysWaiting = saysWaiting || label->text() == QStringLiteral("Waiting for Google sign-in...");
  }
  EXPECT_TRUE(saysWaiting);

  // Another program's scheme is not this session's answer.
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(
      QUrl(QStringLiteral("org.other.app:/oauth2redirect?code=stolen"))));
  EXPECT_FALSE(session.isFinished());

  // Schemes compare without regard to letter case.
  const QUrl callback(QStringLiteral("COM.Example.Pelmora:/oauth2redirect?code=4%2F0Ab&state=s"));
  EXPECT_TRUE(WebAuthenticationSession::handleCallback(callback));
  EXPECT_TRUE(session.isFinished());
  EXPECT_EQ(session.waitingWindow(), nullptr);
  EXPECT_EQ(runTask(session.waitForCallback()), callback);

  // Nothing waits any more: a repeated answer is not taken.
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(callback));
}

TEST_F(WebAuthenticationSessionTest, TheCallbackCanArriveWhileTheCallerWaits) {
  WebAuthenticationSession session(kAuthorization, kScheme);
  session.start();
  const QUrl callback(QStringLiteral("com.example.pelmora:/oauth2redirect?code=abc"));
  QTimer::singleShot(0, [callback] { WebAuthenticationSession::handleCallback(callback); });
  EXPECT_EQ(runTask(session.waitForCallback()), callback);
}

TEST_F(WebAuthenticationSessionTest, CancelButtonAndClosingTheWindowCancel) {
  {
    WebAuthenticationSession session(kAuthorization, kScheme);
    session.start();
    auto* buttons = session.waitingWindow()->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    ASSERT_NE(cancel, nullptr);
    QTimer::singleShot(0, cancel, &QAbstractButton::click);
    EXPECT_EQ(errorOf(session), WebAuthenticationSessionError::Code::canceledLogin);
    EXPECT_EQ(session.waitingWindow(), nullptr);
  }
  {
    WebAuthenticationSession session(kAuthorization, kScheme);
    session.start();
    QPointer<QDialog> window = session.waitingWindow();
    QTimer::singleShot(0, window, &QWidget::close);
    EXPECT_EQ(errorOf(session), WebAuthenticationSessionError::Code::canceledLogin);
    // A late answer after cancelling changes nothing.
    EXPECT_FALSE(WebAuthenticationSession::handleCallback(
        QUrl(QStringLiteral("com.example.pelmora:/oauth2redirect?code=late"))));
    EXPECT_EQ(errorOf(session), WebAuthenticationSessionError::Code::canceledLogin);
  }
}

TEST_F(WebAuthenticationSessionTest, CancelledErrorTellsTheUser) {
  const WebAuthenticationSessionError error(WebAuthenticationSessionError::Code::canceledLogin);
  EXPECT_EQ(error.errorDescription(), QStringLiteral("Google sign-in was cancelled."));
  EXPECT_STREQ(error.what(), "Google sign-in was cancelled.");
  EXPECT_NE(WebAuthenticationSessionError(WebAuthenticationSessionError::Code::timedOut)
                .errorDescription(),
            error.errorDescription());
}

TEST_F(WebAuthenticationSessionTest, GivesUpWhenNoAnswerComesInTime) {
  WebAuthenticationSession session(kAuthorization, kScheme);
  EXPECT_EQ(WebAuthenticationSession::defaultTimeout, std::chrono::minutes(10));
  session.setTimeout(std::chrono::milliseconds(1));
  session.start();
  EXPECT_EQ(errorOf(session), WebAuthenticationSessionError::Code::timedOut);
  EXPECT_EQ(session.waitingWindow(), nullptr);
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(
      QUrl(QStringLiteral("com.example.pelmora:/oauth2redirect?code=late"))));
}

TEST_F(WebAuthenticationSessionTest, ABrowserThatCannotBeOpenedEndsTheSessionAtOnce) {
  browserOpens = false;
  WebAuthenticationSession session(kAuthorization, kScheme);
  EXPECT_TRUE(session.start());
  EXPECT_TRUE(session.isFinished());
  EXPECT_EQ(session.waitingWindow(), nullptr);
  EXPECT_EQ(errorOf(session), WebAuthenticationSessionError::Code::browserUnavailable);
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(
      QUrl(QStringLiteral("com.example.pelmora:/oauth2redirect?code=x"))));
}

TEST_F(WebAuthenticationSessionTest, ANewSignInReplacesTheOneStillWaiting) {
  WebAuthenticationSession first(kAuthorization, kScheme);
  first.start();
  WebAuthenticationSession other(kAuthorization, QStringLiteral("org.other.scheme"));
  other.start();
  WebAuthenticationSession second(kAuthorization, kScheme);
  second.start();

  EXPECT_EQ(errorOf(first), WebAuthenticationSessionError::Code::canceledLogin);
  EXPECT_FALSE(other.isFinished()) << "a session of another scheme is left alone";

  const QUrl callback(QStringLiteral("com.example.pelmora:/oauth2redirect?code=second"));
  EXPECT_TRUE(WebAuthenticationSession::handleCallback(callback));
  EXPECT_EQ(runTask(second.waitForCallback()), callback);
  EXPECT_FALSE(other.isFinished());
}

TEST_F(WebAuthenticationSessionTest, WaitsOverItsAnchorAndCancelsWhenTheAnchorGoes) {
  auto anchor = std::make_unique<QWidget>();
  anchor->show();
  WebAuthenticationSession session(kAuthorization, kScheme);
  session.setPresentationAnchor(anchor.get());
  session.start();
  ASSERT_NE(session.waitingWindow(), nullptr);
  EXPECT_EQ(session.waitingWindow()->parentWidget(), anchor.get());
  EXPECT_EQ(session.waitingWindow()->windowModality(), Qt::WindowModal);

  anchor.reset();  // takes the waiting window with it
  EXPECT_TRUE(session.isFinished());
  EXPECT_EQ(errorOf(session), WebAuthenticationSessionError::Code::canceledLogin);
}

TEST_F(WebAuthenticationSessionTest, DestroyingAWaitingSessionLeavesNoWindowAndNoListener) {
  QPointer<QDialog> window;
  {
    WebAuthenticationSession session(kAuthorization, kScheme);
    session.start();
    window = session.waitingWindow();
    ASSERT_FALSE(window.isNull());
  }
  EXPECT_TRUE(window.isNull());
  EXPECT_FALSE(WebAuthenticationSession::handleCallback(
      QUrl(QStringLiteral("com.example.pelmora:/oauth2redirect?code=x"))));
}
