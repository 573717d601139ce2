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

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>

// Local notifications on the freedesktop notification server (org.freedesktop.Notifications
// on the session bus). Requests for later wait in this process, ordered by fire time, with one
// timer for the earliest (or for the checkpoint, when that comes first); they are judged by the
// wall clock: the timer waits at most a minute, and a wake that comes early, or late after a
// suspend, only makes the queue be looked at again. Without a notification server every call
// still returns; the failure is logged once until a notification gets through again.
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

  // Calls `callback` once, when the queue is looked at with the wall clock at or past `at`,
  // before anything due is shown. A request it adds whose fire date lies after `at` is shown
  // with the due ones even when that date has passed: the look came late, the request would
  // have been waiting. A later call replaces it; an invalid `at` clears it.
  void setCheckpoint(const QDateTime& at, std::function<void()> callback);

  // Shows every pending request whose time has come and waits again for the others.
  // Called after a wake from suspend, when the timer's own clock stood still.
  void deliverDueRequests();

  // How long the timer waits now; nothing while no request waits.
  std::optional<std::chrono::milliseconds> timerWait() const;

 Q_SIGNALS:
  // The server accepted the notification, or could not be reached.
  void posted(const QString& identifier);
  void postFailed(const QString& identifier);

 private:
  // Fire time in ms since the epoch, then the identifier: equal times go out by identifier.
  using Slot = std::pair<qint64, QString>;
  struct Pending {
    NotificationRequest request;
    qint64 fireAt = 0;
  };
  struct IdentifierHash {
    size_t operator()(const QString& identifier) const { return qHash(identifier); }
  };

  void forget(const QString& identifier);
  // Sets the timer for the earliest request, or stops it when none waits.
  void arm();
  void post(const NotificationRequest& request);
  void reportFailure(const QString& identifier, const QString& reason);

  QDBusConnection bus_;
  QString serviceName_;
  Clock clock_;
  std::unordered_map<QString, Pending, IdentifierHash> pending_;
  std::set<Slot> queue_;
  QTimer timer_;
  // Server ids of shown notifications, so that showing an identifier again replaces it.
  QHash<QString, uint> shownIDs_;
  bool failureLogged_ = false;
  std::optional<qint64> checkpointAt_;
  std::function<void()> checkpoint_;
  // While the checkpoint's callback runs: requests due after this are kept, not dropped.
  std::optional<qint64> catchingUpAfter_;
};
