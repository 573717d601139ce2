#include "testing/FakeNotificationServer.h"

#include <QCoreApplication>
#include <QUuid>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

}  // namespace

QString FakeNotificationServer::uniqueServiceName() {
  static int counter = 0;
  return QStringLiteral("org.pelmora.test.Notifications.p%1_%2")
      .arg(QCoreApplication::applicationPid())
      .arg(++counter);
}

FakeNotificationServer::FakeNotificationServer(QString serviceName, QObject* parent)
    : QObject(parent),
      serviceName_(std::move(serviceName)),
      connectionName_(QStringLiteral("fake-notifications-") +
                      QUuid::createUuid().toString(QUuid::WithoutBraces)),
      connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)) {}

FakeNotificationServer::~FakeNotificationServer() {
  stop();
  QDBusConnection::disconnectFromBus(connectionName_);
}

bool FakeNotificationServer::start() {
  if (running_) {
    return true;
  }
  if (!connection_.isConnected() ||
      !connection_.registerObject(
          kPath, this,
          QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableInvokables)) {
    return false;
  }
  if (!connection_.registerService(serviceName_)) {
    connection_.unregisterObject(kPath);
    return false;
  }
  running_ = true;
  return true;
}

void FakeNotificationServer::stop() {
  if (!running_) {
    return;
  }
  connection_.unregisterService(serviceName_);
  connection_.unregisterObject(kPath);
  running_ = false;
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                    const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap& hints,
                                    int expireTimeout) {
  const uint id = replacesId != 0 ? replacesId : nextID_++;
  notifications_.append(
      {id, appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
  Q_EMIT notified();
  return id;
}

void FakeNotificationServer::CloseNotification(uint) {}

QStringList FakeNotificationServer::GetCapabilities() {
  return {QStringLiteral("body"), QStringLiteral("sound")};
}

QString FakeNotificationServer::GetServerInformation(QString& vendor, QString& version,
                                                     QString& specVersion) {
  vendor = QStringLiteral("Pelmora tests");
  version = QStringLiteral("1");
  specVersion = QStringLiteral("1.2");
  return QStringLiteral("fake-notifications");
}
