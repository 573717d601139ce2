#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// A notification server for tests: claims org.freedesktop.Notifications on its own connection
// to the session bus (the private bus of scripts/test-session.sh) and records every
// notification it is sent. Calls reach it through the bus daemon, as they would reach a real
// server, and are answered from the event loop.
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

  explicit FakeNotificationServer(QObject* parent = nullptr);
  ~FakeNotificationServer() override;

  // False when the name is taken or there is no session bus.
  bool start();
  void stop();

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
  QString connectionName_;
  QDBusConnection connection_;
  bool running_ = false;
  uint nextID_ = 1;
  QList<Notification> notifications_;
};
