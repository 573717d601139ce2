#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// A notification server for tests: claims a bus name on its own connection to the session bus
// (the private bus of scripts/test-session.sh) and records every notification it is sent.
// Calls reach it through the bus daemon, as they would reach a real server, and are answered
// from the event loop. Test programs run in parallel on that one bus, so each server takes a
// name of its own by default; point the centre under test at `serviceName()`.
class FakeNotificationServer : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Notification {
    uint id = 0;
    QString appName;
    uint replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int expireTimeout = 0;
  };

  // A name no other server on the bus holds.
  static QString uniqueServiceName();

  explicit FakeNotificationServer(QString serviceName = uniqueServiceName(),
                                  QObject* parent = nullptr);
  ~FakeNotificationServer() override;

  // False when the name is taken or there is no session bus.
  bool start();
  void stop();

  const QString& serviceName() const { return serviceName_; }
  QList<Notification> notifications() const { return notifications_; }
  void clear() { notifications_.clear(); }

  // The server's methods, called over the bus.
  Q_SCRIPTABLE uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                           const QString& summary, const QString& body, const QStringList& actions,
                           const QVariantMap& hints, int expireTimeout);
  Q_SCRIPTABLE void CloseNotification(uint id);
  Q_SCRIPTABLE QStringList GetCapabilities();
  Q_SCRIPTABLE QString GetServerInformation(QString& vendor, QString& version,
                                            QString& specVersion);

 Q_SIGNALS:
  // Emitted for each Notify call, after it was recorded.
  void notified();

 private:
  QString serviceName_;
  QString connectionName_;
  QDBusConnection connection_;
  bool running_ = false;
  uint nextID_ = 1;
  QList<Notification> notifications_;
};
