#pragma once

#include "core/platform/NotificationRequest.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

// Local notifications on the freedesktop notification server (org.freedesktop.Notifications
// on the session bus). Requests for later wait in this process, one timer per identifier,
// and are judged by the wall clock: a timer that wakes early, or late after a suspend, only
// makes the request be looked at again. Without a notification server every call still
// returns; the failure is logged once until a notification gets through again.
class UserNotificationCenter : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<QDateTime()>;

  // The centre of this process on the session bus.
  static UserNotificationCenter& current();

  static QString defaultServiceName() { return QStringLiteral("org.freedesktop.Notifications"); }

  // `serviceName`: the bus name of the server; tests sharing one bus each use their own.
  explicit UserNotificationCenter(QDBusConnection bus, QString serviceName = defaultServiceName(),
                                  Clock clock = &QDateTime::currentDateTimeUtc,
                                  QObject* parent = nullptr);
  ~UserNotificationCenter() override;

  // Resolves to true when a notification server answers.
  QCoro::Task<bool> requestAuthorization();

  // Adds the request, replacing a pending one with the same identifier. A fire date that has
  // passed leaves nothing pending.
  void add(const NotificationRequest& request);
  void removePendingRequests(const QStringList& identifiers);
  // In order of their fire time.
  QList<NotificationRequest> pendingRequests() const;

  // Shows every pending request whose time has come and waits again for the others.
  // Called after a wake from suspend, when the timers' own clock stood still.
  void deliverDueRequests();

 Q_SIGNALS:
  // The server accepted the notification, or could not be reached.
  void posted(const QString& identifier);
  void postFailed(const QString& identifier);

 private:
  struct Pending {
    NotificationRequest request;
    QDateTime fireAt;
    std::unique_ptr<QTimer> timer;
  };

  void arm(Pending& pending);
  void post(const NotificationRequest& request);
  void reportFailure(const QString& identifier, const QString& reason);

  QDBusConnection bus_;
  QString serviceName_;
  Clock clock_;
  std::map<QString, Pending> pending_;
  // A safety net for missed timers: looks at what is due once a minute while anything waits.
  QTimer sweep_;
  // Server ids of shown notifications, so that showing an identifier again replaces it.
  QHash<QString, uint> shownIDs_;
  bool failureLogged_ = false;
};
