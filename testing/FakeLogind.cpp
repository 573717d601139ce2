#include "testing/FakeLogind.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QUuid>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");

}  // namespace

FakeLogind::FakeLogind()
    : connectionName_(QStringLiteral("fake-logind-") +
                      QUuid::createUuid().toString(QUuid::WithoutBraces)),
      connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)) {}

FakeLogind::~FakeLogind() {
  if (running_) {
    connection_.unregisterService(kService);
  }
  QDBusConnection::disconnectFromBus(connectionName_);
}

bool FakeLogind::start() {
  if (!running_) {
    running_ = connection_.isConnected() && connection_.registerService(kService);
  }
  return running_;
}

bool FakeLogind::announceSleep(bool starting) {
  QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                   QStringLiteral("org.freedesktop.login1.Manager"),
                                                   QStringLiteral("PrepareForSleep"));
  signal << starting;
  return connection_.send(signal);
}
