#pragma once

#include <QCoroTask>
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <exception>
#include <functional>

class QWidget;

// A sign-in in the user's default browser. The browser comes back to Pelmora through the
// callback scheme: the desktop entry makes the desktop start `pelmora <address>`, that second
// process hands the address to this one (SingleInstance), and handleCallback() passes it to the
// waiting session. Meanwhile a small window offers Cancel; closing it cancels the sign-in.
class WebAuthenticationSession : public QObject {
  Q_OBJECT

 public:
  using UrlOpener = std::function<bool(const QUrl&)>;

  static constexpr std::chrono::milliseconds defaultTimeout = std::chrono::minutes(10);
  // Object name of the waiting window, so it is never taken for an application window.
  static inline const QString waitingWindowName = QStringLiteral("WebAuthenticationWaitingWindow");

  WebAuthenticationSession(QUrl url, QString callbackScheme, QObject* parent = nullptr);
  ~WebAuthenticationSession() override;

  // The window the waiting window is shown over (window-modal).
  void setPresentationAnchor(QWidget* anchor);
  void setTimeout(std::chrono::milliseconds timeout);

  // Opens the browser and shows the waiting window; false when already started. A session of
  // the same callback scheme that is still waiting is cancelled: only the newest one can match
  // the callback. A browser that cannot be opened ends the session with an error at once.
  bool start();
  void cancel();

  bool isFinished() const { return m_finished; }
  // The callback address once the session has finished, or throws what ended it.
  QCoro::Task<QUrl> waitForCallback();

  // Hands a callback address to the waiting session of its scheme; false when none waits.
  static bool handleCallback(const QUrl& callbackURL);

  // Replaces how the browser is opened (tests); an empty opener restores the desktop's.
  static void setUrlOpener(UrlOpener opener);

  // The waiting window while the session waits.
  QDialog* waitingWindow() const { return m_dialog; }

 Q_SIGNALS:
  void finished();

 private:
  void showWaitingWindow();
  void complete(const QUrl& callbackURL);
  void fail(std::exception_ptr error);
  void finish();

  QUrl m_url;
  QString m_callbackScheme;
  QPointer<QWidget> m_anchor;
  QPointer<QDialog> m_dialog;
  QTimer m_timeout;
  bool m_started = false;
  bool m_finished = false;
  QUrl m_callbackURL;
  std::exception_ptr m_error;
};
