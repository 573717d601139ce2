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
// Longest single wait: the timer's clock stands still during a suspend and the wall clock may
// be set, so the queue is looked at again at least once a minute while anything waits.
constexpr qint64 kLongestWaitMilliseconds = 60LL * 1000;

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
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &UserNotificationCenter::deliverDueRequests);
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
  forget(request.identifier);
  const QDateTime now = clock_();
  const QDateTime fireAt =
      request.fireDate ? *request.fireDate : now.addMSecs(request.delay.count());
  const bool caughtUp = request.fireDate && catchingUpAfter_ &&
                        request.fireDate->toMSecsSinceEpoch() > *catchingUpAfter_;
  if (!caughtUp) {
    if (request.fireDate && *request.fireDate <= now) {
      arm();
      return;
    }
    if (fireAt <= now) {
      arm();
      post(request);
      return;
    }
  }
  // A caught-up request waits in the queue too, so that the look now under way shows it in
  // order with the others that are due.
  const qint64 at = fireAt.toMSecsSinceEpoch();
  pending_.insert_or_assign(request.identifier, Pending{request, at});
  const auto slot = queue_.emplace(at, request.identifier).first;
  // Only a new earliest request moves the timer.
  if (slot == queue_.begin() || !timer_.isActive()) {
    arm();
  }
}

void UserNotificationCenter::setCheckpoint(const QDateTime& at, std::function<void()> callback) {
  checkpointAt_.reset();
  checkpoint_ = {};
  if (at.isValid() && callback) {
    checkpointAt_ = at.toMSecsSinceEpoch();
    checkpoint_ = std::move(callback);
  }
  arm();
}

void UserNotificationCenter::forget(const QString& identifier) {
  const auto it = pending_.find(identifier);
  if (it != pending_.end()) {
    queue_.erase(Slot{it->second.fireAt, identifier});
    pending_.erase(it);
  }
}

void UserNotificationCenter::removePendingRequests(const QStringList& identifiers) {
  for (const QString& identifier : identifiers) {
    forget(identifier);
  }
  // A timer left set for a removed request only wakes early and finds nothing due.
  if (queue_.empty() && !checkpointAt_) {
    timer_.stop();
  }
}

QList<NotificationRequest> UserNotificationCenter::pendingRequests() const {
  QList<NotificationRequest> result;
  result.reserve(qsizetype(queue_.size()));
  for (const Slot& slot : queue_) {
    result.append(pending_.at(slot.second).request);
  }
  return result;
}

void UserNotificationCenter::deliverDueRequests() {
  const qint64 now = clock_().toMSecsSinceEpoch();
  if (checkpointAt_ && *checkpointAt_ <= now) {
    const qint64 at = *checkpointAt_;
    const std::function<void()> callback = std::exchange(checkpoint_, {});
    checkpointAt_.reset();
    catchingUpAfter_ = at;
    callback();
    catchingUpAfter_.reset();
  }
  QList<NotificationRequest> due;
  while (!queue_.empty() && queue_.begin()->first <= now) {
    const auto it = pending_.find(queue_.begin()->second);
    due.append(std::move(it->second.request));
    pending_.erase(it);
    queue_.erase(queue_.begin());
  }
  arm();
  for (const NotificationRequest& request : std::as_const(due)) {
    post(request);
  }
}

std::optional<std::chrono::milliseconds> UserNotificationCenter::timerWait() const {
  if (!timer_.isActive()) {
    return std::nullopt;
  }
  return std::chrono::milliseconds(timer_.interval());
}

void UserNotificationCenter::arm() {
  std::optional<qint64> next = checkpointAt_;
  if (!queue_.empty()) {
    next = std::min(queue_.begin()->first, next.value_or(queue_.begin()->first));
  }
  if (!next) {
    timer_.stop();
    return;
  }
  const qint64 wait =
      std::clamp<qint64>(*next - clock_().toMSecsSinceEpoch(), 0, kLongestWaitMilliseconds);
  timer_.start(static_cast<int>(wait));
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
