#include "app/platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <optional>
#include <utility>

namespace {

// Far above any callback address; a peer that sends more without a line end is dropped.
constexpr qsizetype maxMessageLength = 16 * 1024;

const QByteArray openCommand = QByteArrayLiteral("open ");
const QByteArray activateCommand = QByteArrayLiteral("activate");
const QByteArray acknowledgement = QByteArrayLiteral("ok\n");

std::optional<QUrl> addressFrom(const QString& text) {
  for (const QChar c : text) {
    if (c.category() == QChar::Other_Control) {
      return std::nullopt;
    }
  }
  const QUrl url(text, QUrl::StrictMode);
  // A scheme of one letter would be a drive, and plain file names have none.
  if (!url.isValid() || url.scheme().size() < 2) {
    return std::nullopt;
  }
  return url;
}

std::optional<QString> addressArgument(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (addressFrom(argument)) {
      return argument;
    }
  }
  return std::nullopt;
}

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {
  connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return QDir(folder).filePath(QStringLiteral("pelmora-instance"));
}

bool SingleInstance::listen() {
  if (m_lock) {
    return true;
  }
  auto lock = std::make_unique<QLockFile>(m_name + QStringLiteral(".lock"));
  // Never stale by age; a lock whose process is gone is taken over.
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) {
    return false;
  }
  m_lock = std::move(lock);

  // A socket file left by a process that died is in the way of listening.
  QLocalServer::removeServer(m_name);
  m_server.setSocketOptions(QLocalServer::UserAccessOption);
  m_server.listen(m_name);
  return true;
}

void SingleInstance::dispatch(const QStringList& arguments) {
  if (const std::optional<QString> address = addressArgument(arguments)) {
    Q_EMIT urlReceived(QUrl(*address, QUrl::StrictMode));
  } else {
    Q_EMIT activationRequested();
  }
}

void SingleInstance::onNewConnection() {
  while (QLocalSocket* socket = m_server.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    // Data may have arrived before the connections were made.
    if (socket->bytesAvailable() > 0) {
      onReadyRead(socket);
    }
  }
}

void SingleInstance::onReadyRead(QLocalSocket* socket) {
  if (!socket->canReadLine()) {
    if (socket->bytesAvailable() > maxMessageLength) {
      socket->abort();
    }
    return;
  }
  const QByteArray line = socket->readLine(maxMessageLength).trimmed();
  socket->disconnect(this);
  if (handleMessage(line)) {
    socket->write(acknowledgement);
  }
  socket->disconnectFromServer();
}

bool SingleInstance::handleMessage(const QByteArray& line) {
  if (line == activateCommand) {
    Q_EMIT activationRequested();
    return true;
  }
  if (line.startsWith(openCommand)) {
    if (const std::optional<QUrl> url =
            addressFrom(QString::fromUtf8(line.mid(openCommand.size())))) {
      Q_EMIT urlReceived(*url);
      return true;
    }
  }
  return false;
}

bool SingleInstance::handOver(const QString& name, const QStringList& arguments,
                              std::chrono::milliseconds timeout) {
  const std::optional<QString> address = addressArgument(arguments);
  const QByteArray message =
      (address ? openCommand + address->toUtf8() : activateCommand) + QByteArrayLiteral("\n");

  const QDeadlineTimer deadline(timeout);
  QLocalSocket socket;
  for (;;) {
    socket.connectToServer(name);
    if (socket.waitForConnected(int(deadline.remainingTime()))) {
      break;
    }
    if (deadline.hasExpired()) {
      return false;
    }
    // The running instance holds the lock but may not be listening yet.
    QThread::msleep(50);
  }
  socket.write(message);
  socket.flush();
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(int(deadline.remainingTime()))) {
      return false;
    }
  }
  return socket.readLine() == acknowledgement;
}
