#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <memory>

class QLocalSocket;
class QLockFile;

// One Pelmora per user. The first process holds a lock file and listens on a local socket;
// a later process hands its arguments over and exits: an address (the browser coming back
// from a sign-in) is passed on, no address asks the running one to come forward.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // name: path of the socket; the lock file sits beside it.
  explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // In the user's runtime folder, which only the user can enter.
  static QString defaultName();

  QString name() const { return m_name; }

  // Claims the instance; false when another process of the user already holds it. If the
  // socket cannot be opened, this process still runs, just without receiving hand-overs.
  bool listen();
  bool isListening() const { return m_server.isListening(); }

  // Emits what a start with these arguments asks for (urlReceived or activationRequested).
  void dispatch(const QStringList& arguments);

  // From a later process: passes the arguments to the running instance and waits for its
  // acknowledgement. Blocking; retries while the running one is still starting to listen.
  static bool handOver(const QString& name, const QStringList& arguments,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5));

 Q_SIGNALS:
  void urlReceived(const QUrl& url);
  void activationRequested();

 private:
  void onNewConnection();
  void onReadyRead(QLocalSocket* socket);
  bool handleMessage(const QByteArray& line);

  QString m_name;
  std::unique_ptr<QLockFile> m_lock;
  QLocalServer m_server;
};
