#include "app/platform/WebAuthenticationSession.h"

#include "app/platform/WebAuthenticationSessionError.h"
#include "core/model/DiagnosticLogger.h"

#include <QCoroSignal>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QList>
#include <QVBoxLayout>
#include <QWidget>

#include <utility>

namespace {

WebAuthenticationSession::UrlOpener& urlOpener() {
  static WebAuthenticationSession::UrlOpener opener;
  return opener;
}

// Sessions that wait for their callback, in start order. Main thread only.
QList<QPointer<WebAuthenticationSession>>& waitingSessions() {
  static QList<QPointer<WebAuthenticationSession>> sessions;
  return sessions;
}

bool sameScheme(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

WebAuthenticationSession::WebAuthenticationSession(QUrl url, QString callbackScheme,
                                                   QObject* parent)
    : QObject(parent), m_url(std::move(url)), m_callbackScheme(std::move(callbackScheme)) {
  m_timeout.setSingleShot(true);
  m_timeout.setInterval(defaultTimeout);
  connect(&m_timeout, &QTimer::timeout, this, [this] {
    fail(std::make_exception_ptr(
        WebAuthenticationSessionError(WebAuthenticationSessionError::Code::timedOut)));
  });
}

WebAuthenticationSession::~WebAuthenticationSession() {
  waitingSessions().removeAll(QPointer<WebAuthenticationSession>(this));
  if (m_dialog) {
    m_dialog->disconnect(this);
    delete m_dialog;
  }
}

void WebAuthenticationSession::setPresentationAnchor(QWidget* anchor) { m_anchor = anchor; }

void WebAuthenticationSession::setTimeout(std::chrono::milliseconds timeout) {
  m_timeout.setInterval(timeout);
}

void WebAuthenticationSession::setUrlOpener(UrlOpener opener) { urlOpener() = std::move(opener); }

bool WebAuthenticationSession::start() {
  if (m_started) {
    return false;
  }
  m_started = true;

  // Cancel before opening: the earlier session's window must not linger beside the new one.
  const QList<QPointer<WebAuthenticationSession>> earlier = waitingSessions();
  for (const QPointer<WebAuthenticationSession>& session : earlier) {
    if (session && sameScheme(session->m_callbackScheme, m_callbackScheme)) {
      session->cancel();
    }
  }

  // Registered before opening: the callback may come back while the browser is being opened.
  waitingSessions().append(this);
  const UrlOpener& opener = urlOpener();
  const bool opened = opener ? opener(m_url) : QDesktopServices::openUrl(m_url);
  if (!opened) {
    fail(std::make_exception_ptr(
        WebAuthenticationSessionError(WebAuthenticationSessionError::Code::browserUnavailable)));
  }
  if (m_finished) {
    return true;
  }
  showWaitingWindow();
  m_timeout.start();
  return true;
}

void WebAuthenticationSession::showWaitingWindow() {
  auto* dialog = new QDialog(m_anchor);
  dialog->setObjectName(waitingWindowName);
  dialog->setWindowTitle(QStringLiteral("Google Sign-In \u2014 Pelmora"));
  dialog->setWindowModality(m_anchor ? Qt::WindowModal : Qt::NonModal);

  auto* layout = new QVBoxLayout(dialog);
  auto* label = new QLabel(QStringLiteral("Waiting for Google sign-in..."), dialog);
  layout->addWidget(label);
  auto* hint = new QLabel(QStringLiteral("Finish signing in in your web browser."), dialog);
  hint->setEnabled(false);
  layout->addWidget(hint);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
  layout->addWidget(buttons);

  // Cancel, Escape and the window's close button all end in rejected().
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  connect(dialog, &QDialog::rejected, this, &WebAuthenticationSession::cancel);
  // The anchor (and with it the dialog) may be destroyed while waiting. By then the dialog
  // is half torn down, so it is forgotten before anything else could touch it.
  connect(dialog, &QObject::destroyed, this, [this] {
    m_dialog = nullptr;
    cancel();
  });

  m_dialog = dialog;
  dialog->show();
}

void WebAuthenticationSession::cancel() {
  fail(std::make_exception_ptr(
      WebAuthenticationSessionError(WebAuthenticationSessionError::Code::canceledLogin)));
}

bool WebAuthenticationSession::handleCallback(const QUrl& callbackURL) {
  if (!callbackURL.isValid() || callbackURL.scheme().isEmpty()) {
    return false;
  }
  const QList<QPointer<WebAuthenticationSession>> sessions = waitingSessions();
  for (const QPointer<WebAuthenticationSession>& session : sessions) {
    if (session && !session->m_finished &&
        sameScheme(session->m_callbackScheme, callbackURL.scheme())) {
      session->complete(callbackURL);
      return true;
    }
  }
  // An old link, or a sign-in already cancelled; the address itself is never logged.
  DiagnosticLogger::shared().log(
      QStringLiteral("A browser sign-in answer arrived while no sign-in was waiting; ignored."),
      QStringLiteral("WARN"), QStringLiteral("App"));
  return false;
}

void WebAuthenticationSession::complete(const QUrl& callbackURL) {
  if (m_finished) {
    return;
  }
  m_callbackURL = callbackURL;
  finish();
  // The browser has the focus now; bring the window the user started from back.
  if (m_anchor && m_anchor->isVisible()) {
    m_anchor->raise();
    m_anchor->activateWindow();
  }
}

void WebAuthenticationSession::fail(std::exception_ptr error) {
  if (m_finished || !m_started) {
    return;
  }
  m_error = std::move(error);
  finish();
}

void WebAuthenticationSession::finish() {
  m_finished = true;
  m_timeout.stop();
  waitingSessions().removeAll(QPointer<WebAuthenticationSession>(this));
  if (m_dialog) {
    m_dialog->disconnect(this);
    m_dialog->hide();
    m_dialog->deleteLater();
    m_dialog = nullptr;
  }
  Q_EMIT finished();
}

QCoro::Task<QUrl> WebAuthenticationSession::waitForCallback() {
  QPointer<WebAuthenticationSession> self(this);
  if (!m_finished) {
    co_await qCoro(this, &WebAuthenticationSession::finished);
  }
  if (!self) {
    throw WebAuthenticationSessionError(WebAuthenticationSessionError::Code::canceledLogin);
  }
  if (m_error) {
    std::rethrow_exception(m_error);
  }
  co_return m_callbackURL;
}
