#include "core/platform/Workspace.h"

#include "core/model/DiagnosticLogger.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>

namespace {

const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindInterface = QStringLiteral("org.freedesktop.login1.Manager");

void logUnwatched(const QString& reason) {
  DiagnosticLogger::shared().log(
      reason + QStringLiteral(": sleep and wake are not observed; timers run on."),
      QStringLiteral("WARN"), QStringLiteral("System"));
}

bool hasLogind(const QDBusConnection& bus) {
  QDBusConnectionInterface* daemon = bus.interface();
  if (daemon == nullptr) {
    return false;
  }
  const QDBusReply<bool> running = daemon->isServiceRegistered(kLogindService);
  if (running.isValid() && running.value()) {
    return true;
  }
  // A bus may start logind on first use instead of keeping it running.
  const QDBusReply<QStringList> activatable = daemon->activatableServiceNames();
  return activatable.isValid() && activatable.value().contains(kLogindService);
}

}  // namespace

Workspace& Workspace::shared() {
  // Owned by the application object, so that it lets go of the bus before the bus goes.
  static Workspace* workspace = [] {
    auto* created = new Workspace(QCoreApplication::instance());
    created->watchSleep(QDBusConnection::systemBus());
    return created;
  }();
  return *workspace;
}

Workspace::Workspace(QObject* parent) : QObject(parent) {}

bool Workspace::watchSleep(const QDBusConnection& bus) {
  if (!bus.isConnected()) {
    logUnwatched(QStringLiteral("No system bus"));
    return false;
  }
  if (!hasLogind(bus)) {
    logUnwatched(QStringLiteral("logind is not running"));
    return false;
  }
  // The connection object is a handle; the match lives in the shared bus connection.
  QDBusConnection connection(bus);
  if (!connection.connect(kLogindService, kLogindPath, kLogindInterface,
                          QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)))) {
    logUnwatched(QStringLiteral("PrepareForSleep cannot be followed"));
    return false;
  }
  return true;
}

void Workspace::prepareForSleep(bool starting) {
  if (starting) {
    Q_EMIT willSleep();
  } else {
    Q_EMIT didWake();
  }
}
