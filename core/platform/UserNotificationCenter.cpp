#include "core/platform/UserNotificationCenter.h"

#include "core/model/DiagnosticLogger.h"

#include <QCoreApplication>
#include <QCoroDBusPendingCall>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

#include <algorithm>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr auto kSubsystem = "Notifications";
// Longest single wait; longer delays re-arm. Well below QTimer's limit of about 24.8 days.
constexpr qint64 kLongestWaitMilliseconds = 60LL * 60 * 1000;
constexpr int kSweepMilliseconds = 60 * 1000;

}  // namespace

UserNotificationCenter& UserNotificationCenter::current() {
  // Owned by the application object so that its timers die with the event loop.
  static auto* center =
      new UserNotificationCenter(QDBusConnection::sessionBus(), defaultServiceName(),
                                 &QDateTime::currentDateTimeUtc, QCoreApplication::instance());
  return *center;
}

UserNotificationCenter::UserNotificationCenter(QDBusConnection bus, QString serviceName,
                                               Clock clock, QObject* parent)
    : QObject(parent),
      bus_(std::move(bus)),
      serviceName_(std::move(serviceName)),
      clock_(std::move(clock)) {
  sweep_.setInterval(kSweepMilliseconds);
  connect(&sweep_, &QTimer::timeout, this, &UserNotificationCenter::deliverDueRequests);
}

UserNotificationCenter::~UserNotificationCenter() = default;

QCoro::Task<bool> UserNotificationCenter::requestAuthorization() {
  QPointer<UserNotificationCenter> self(this);
  if (!bus_.isConnected()) {
    reportFailure(QString(), QStringLiteral("no session bus"));
    co_return false;
  }
  const QDBusPendingCall call = bus_.asyncCall(
      QDBusMessage::createMethodCall(serviceName_, kPath, kInterface, "GetServerInformation"));
  const QDBusMessage reply = co_await qCoro(call).waitForFinished();
  if (!self) {
    co_return false;
  }
  if (reply.type() == QDBusMessage::ErrorMessage) {
    reportFailure(QString(), reply.errorMessage());
    co_return false;
  }
  co_return true;
}

void UserNotificationCenter::add(const NotificationRequest& request) {
  pending_.erase(request.identifier);
  const QDateTime now = clock_();
  const QDateTime fireAt =
      request.fireDate ? *request.fireDate : now.addMSecs(request.delay.count());
  if (request.fireDate && *request.fireDate <= now) {
    return;
  }
  if (fireAt <= now) {
    post(request);
    return;
  }
  Pending& pending = pending_[request.identifier];
  pending.request = request;
  pending.fireAt = fireAt;
  pending.timer = std::make_unique<QTimer>();
  pending.timer->setSingleShot(true);
  pending.timer->setTimerType(Qt::PreciseTimer);
  connect(pending.timer.get(), &QTimer::timeout, this, &UserNotificationCenter::deliverDueRequests);
  arm(pending);
  sweep_.start();
}

void UserNotificationCenter::removePendingRequests(const QStringList& identifiers) {
  for (const QString& identifier : identifiers) {
    pending_.erase(identifier);
  }
  if (pending_.empty()) {
    sweep_.stop();
  }
}

QList<NotificationRequest> UserNotificationCenter::pendingRequests() const {
  std::vector<const Pending*> ordered;
  for (const auto& [identifier, pending] : pending_) {
    ordered.push_back(&pending);
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Pending* a, const Pending* b) { return a->fireAt < b->fireAt; });
  QList<NotificationRequest> result;
  for (const Pending* pending : ordered) {
    result.append(pending->request);
  }
  return result;
}

void UserNotificationCenter::deliverDueRequests() {
  const QDateTime now = clock_();
  QList<NotificationRequest> due;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->second.fireAt <= now) {
      due.append(it->second.request);
      it = pending_.erase(it);
    } else {
      arm(it->second);
      ++it;
    }
  }
  if (pending_.empty()) {
    sweep_.stop();
  }
  for (const NotificationRequest& request : due) {
    post(request);
  }
}

void UserNotificationCenter::arm(Pending& pending) {
  const qint64 wait =
      std::clamp<qint64>(clock_().msecsTo(pending.fireAt), 0, kLongestWaitMilliseconds);
  pending.timer->start(static_cast<int>(wait));
}

void UserNotificationCenter::post(const NotificationRequest& request) {
  if (!bus_.isConnected()) {
    reportFailure(request.identifier, QStringLiteral("no session bus"));
    return;
  }
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("pelmora"));
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1));
  if (request.playsDefaultSound) {
    hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
  } else {
    hints.insert(QStringLiteral("suppress-sound"), true);
  }
  QDBusMessage call = QDBusMessage::createMethodCall(serviceName_, kPath, kInterface, "Notify");
  call << QStringLiteral("Pelmora") << shownIDs_.value(request.identifier, 0u)
       << QStringLiteral("x-office-calendar") << request.title << request.body << QStringList()
       << hints << qint32(-1);

  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, identifier = request.identifier](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            const QDBusPendingReply<uint> reply = *finished;
            if (reply.isError()) {
              reportFailure(identifier, reply.error().message());
              return;
            }
            failureLogged_ = false;
            shownIDs_.insert(identifier, reply.value());
            Q_EMIT posted(identifier);
          });
}

void UserNotificationCenter::reportFailure(const QString& identifier, const QString& reason) {
  if (!failureLogged_) {
    failureLogged_ = true;
    DiagnosticLogger::shared().log(QStringLiteral("Notifications cannot be shown: %1").arg(reason),
                                   QStringLiteral("WARN"), QString::fromLatin1(kSubsystem));
  }
  if (!identifier.isEmpty()) {
    Q_EMIT postFailed(identifier);
  }
}
