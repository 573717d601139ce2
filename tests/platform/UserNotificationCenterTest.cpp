#include "core/model/DiagnosticLogger.h"
#include "core/platform/UserNotificationCenter.h"
#include "testing/FakeNotificationServer.h"

#include "common/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

NotificationRequest request(const QString& identifier, const QString& title,
                            std::optional<QDateTime> fireDate = std::nullopt) {
  NotificationRequest r;
  r.identifier = identifier;
  r.title = title;
  r.body = title + QStringLiteral(" body");
  r.fireDate = fireDate;
  return r;
}

QStringList identifiers(const QList<NotificationRequest>& requests) {
  QStringList result;
  for (const NotificationRequest& r : requests) {
    result.append(r.identifier);
  }
  return result;
}

int notificationLogEntries() {
  int count = 0;
  for (const auto& entry : DiagnosticLogger::shared().entries()) {
    count += entry.subsystem == QLatin1String("Notifications") ? 1 : 0;
  }
  return count;
}

class NotificationCenterTest : public ::testing::Test {
 protected:
  NotificationCenterTest()
      : center_(QDBusConnection::sessionBus(), server_.serviceName(), [this] { return now_; }) {}

  void SetUp() override {
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run inside test-session.sh";
    ASSERT_TRUE(server_.start());
    DiagnosticLogger::shared().clear();
  }

  // Waits until the server holds `count` notifications.
  void waitForNotifications(int count) {
    QSignalSpy notified(&server_, &FakeNotificationServer::notified);
    while (server_.notifications().size() < count) {
      ASSERT_TRUE(notified.wait(10000)) << "the server got no notification";
    }
  }

  // Calls reach the server in order, so once a marker posted now has arrived, anything
  // posted before it has too: what the server holds then is all there is. Each marker
  // has its own identifier, since a repeated one replaces the earlier notification.
  QStringList summariesSoFar() {
    center_.add(request(QStringLiteral("marker-%1").arg(++markers_), QStringLiteral("marker")));
    QSignalSpy notified(&server_, &FakeNotificationServer::notified);
    for (;;) {
      QStringList summaries;
      int markersSeen = 0;
      for (const auto& n : server_.notifications()) {
        if (n.summary == QLatin1String("marker")) {
          ++markersSeen;
        } else {
          summaries.append(n.summary);
        }
      }
      if (markersSeen == markers_) {
        return summaries;
      }
      if (!notified.wait(10000)) {
        ADD_FAILURE() << "the marker never arrived";
        return summaries;
      }
    }
  }

  FakeNotificationServer server_;
  int markers_ = 0;
  QDateTime now_ = utc(2024, 6, 1, 12);
  UserNotificationCenter center_;
};

TEST_F(NotificationCenterTest, PostsAtOnceWithTextsAndHints) {
  QSignalSpy posted(&center_, &UserNotificationCenter::posted);
  center_.add(request(QStringLiteral("focus-complete-1"), QStringLiteral("Done")));
  NotificationRequest quiet = request(QStringLiteral("quiet"), QStringLiteral("Quiet"));
  quiet.playsDefaultSound = false;
  center_.add(quiet);
  waitForNotifications(2);

  const auto first = server_.notifications()[0];
  EXPECT_EQ(first.appName, QStringLiteral("Pelmora"));
  EXPECT_EQ(first.summary, QStringLiteral("Done"));
  EXPECT_EQ(first.body, QStringLiteral("Done body"));
  EXPECT_EQ(first.replacesId, 0u);
  EXPECT_EQ(first.expireTimeout, -1);
  EXPECT_EQ(first.hints.value(QStringLiteral("desktop-entry")).toString(),
            QStringLiteral("pelmora"));
  EXPECT_EQ(first.hints.value(QStringLiteral("sound-name")).toString(),
            QStringLiteral("message-new-instant"));
  EXPECT_FALSE(first.hints.contains(QStringLiteral("suppress-sound")));

  const auto second = server_.notifications()[1];
  EXPECT_TRUE(second.hints.value(QStringLiteral("suppress-sound")).toBool());
  EXPECT_FALSE(second.hints.contains(QStringLiteral("sound-name")));

  while (posted.size() < 2) {
    ASSERT_TRUE(posted.wait(10000));
  }
  EXPECT_EQ(posted[0][0].toString(), QStringLiteral("focus-complete-1"));
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
  EXPECT_TRUE(testsupport::runTask(center_.requestAuthorization()));
}

TEST_F(NotificationCenterTest, ShowingAnIdentifierAgainReplacesTheShownNotification) {
  QSignalSpy posted(&center_, &UserNotificationCenter::posted);
  center_.add(request(QStringLiteral("task-A"), QStringLiteral("First")));
  center_.add(request(QStringLiteral("task-B"), QStringLiteral("Other")));
  // The server's id comes back with the answer; wait for it before showing again.
  while (posted.size() < 2) {
    ASSERT_TRUE(posted.wait(10000));
  }
  center_.add(request(QStringLiteral("task-A"), QStringLiteral("Second")));
  waitForNotifications(3);
  const auto notifications = server_.notifications();
  EXPECT_EQ(notifications[2].summary, QStringLiteral("Second"));
  EXPECT_EQ(notifications[2].replacesId, notifications[0].id);
  EXPECT_EQ(notifications[1].replacesId, 0u);
  EXPECT_NE(notifications[1].id, notifications[0].id);
}

TEST_F(NotificationCenterTest, LaterRequestsWaitForTheirWallClockTime) {
  center_.add(request(QStringLiteral("task-late"), QStringLiteral("Late"), now_.addSecs(3600)));
  center_.add(request(QStringLiteral("bill-soon"), QStringLiteral("Soon"), now_.addSecs(1800)));
  EXPECT_EQ(identifiers(center_.pendingRequests()),
            (QStringList{QStringLiteral("bill-soon"), QStringLiteral("task-late")}));

  now_ = now_.addSecs(1799);
  center_.deliverDueRequests();
  EXPECT_TRUE(summariesSoFar().isEmpty());

  now_ = now_.addSecs(1);
  center_.deliverDueRequests();
  EXPECT_EQ(summariesSoFar(), QStringList{QStringLiteral("Soon")});
  EXPECT_EQ(identifiers(center_.pendingRequests()), QStringList{QStringLiteral("task-late")});
}

TEST_F(NotificationCenterTest, AddingAgainReplacesAndRemovingCancels) {
  center_.add(request(QStringLiteral("task-X"), QStringLiteral("Old"), now_.addSecs(3600)));
  center_.add(request(QStringLiteral("task-X"), QStringLiteral("New"), now_.addSecs(7200)));
  center_.add(request(QStringLiteral("bill-Y"), QStringLiteral("Bill"), now_.addSecs(3600)));
  ASSERT_EQ(center_.pendingRequests().size(), 2);
  EXPECT_EQ(center_.pendingRequests().last().title, QStringLiteral("New"));

  now_ = now_.addSecs(3600);
  center_.deliverDueRequests();
  EXPECT_EQ(summariesSoFar(), QStringList{QStringLiteral("Bill")});

  center_.removePendingRequests({QStringLiteral("task-X"), QStringLiteral("unknown")});
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
  now_ = now_.addDays(1);
  center_.deliverDueRequests();
  EXPECT_EQ(summariesSoFar(), QStringList{QStringLiteral("Bill")});
}

TEST_F(NotificationCenterTest, DelaysLongerThanATimerCanHoldStillFire) {
  center_.add(request(QStringLiteral("bill-far"), QStringLiteral("Far"), now_.addDays(60)));
  now_ = now_.addDays(59);
  center_.deliverDueRequests();
  EXPECT_TRUE(summariesSoFar().isEmpty());
  ASSERT_EQ(center_.pendingRequests().size(), 1);

  now_ = now_.addDays(1);
  center_.deliverDueRequests();
  EXPECT_EQ(summariesSoFar(), QStringList{QStringLiteral("Far")});
}

TEST_F(NotificationCenterTest, AFireDateInThePastLeavesNothingPending) {
  center_.add(request(QStringLiteral("task-P"), QStringLiteral("Was due"), now_.addSecs(600)));
  center_.add(request(QStringLiteral("task-P"), QStringLiteral("Overdue"), now_.addSecs(-60)));
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
  now_ = now_.addSecs(3600);
  center_.deliverDueRequests();
  EXPECT_TRUE(summariesSoFar().isEmpty());
}

TEST_F(NotificationCenterTest, DueRequestsGoOutInFireTimeOrderWithoutTheRemovedOnes) {
  const struct {
    const char* identifier;
    int minutes;
  } added[] = {{"task-c", 30}, {"task-a", 10}, {"bill-x", 20}, {"task-b", 20}, {"task-d", 40}};
  for (const auto& r : added) {
    const QString identifier = QString::fromLatin1(r.identifier);
    center_.add(request(identifier, identifier, now_.addSecs(60 * r.minutes)));
  }
  center_.removePendingRequests({QStringLiteral("task-c")});
  // Moved later, behind the others.
  center_.add(request(QStringLiteral("task-a"), QStringLiteral("task-a"), now_.addSecs(60 * 50)));
  EXPECT_EQ(identifiers(center_.pendingRequests()),
            (QStringList{QStringLiteral("bill-x"), QStringLiteral("task-b"),
                         QStringLiteral("task-d"), QStringLiteral("task-a")}));

  now_ = now_.addSecs(60 * 45);
  center_.deliverDueRequests();
  EXPECT_EQ(summariesSoFar(), (QStringList{QStringLiteral("bill-x"), QStringLiteral("task-b"),
                                           QStringLiteral("task-d")}));
  EXPECT_EQ(identifiers(center_.pendingRequests()), QStringList{QStringLiteral("task-a")});
}

TEST_F(NotificationCenterTest, OneTimerWaitsForTheEarliestAndAtMostAMinute) {
  using std::chrono::milliseconds;
  EXPECT_EQ(center_.timerWait(), std::nullopt);
  const struct {
    const char* identifier;
    qint64 secondsAhead;  // < 0: remove it instead
    std::optional<milliseconds> wait;
  } steps[] = {
      {"bill-far", 2 * 24 * 3600, milliseconds(60000)},
      {"task-soon", 30, milliseconds(30000)},
      {"task-later", 45, milliseconds(30000)},
      {"task-soon", -1, milliseconds(30000)},  // waking early finds nothing and waits again
      {"task-later", -1, milliseconds(30000)},
      {"bill-far", -1, std::nullopt},
  };
  for (const auto& step : steps) {
    const QString identifier = QString::fromLatin1(step.identifier);
    if (step.secondsAhead < 0) {
      center_.removePendingRequests({identifier});
    } else {
      center_.add(request(identifier, identifier, now_.addSecs(step.secondsAhead)));
    }
    EXPECT_EQ(center_.timerWait(), step.wait) << step.identifier;
  }

  center_.add(request(QStringLiteral("bill-far"), QStringLiteral("Far"), now_.addDays(2)));
  center_.add(request(QStringLiteral("task-soon"), QStringLiteral("Soon"), now_.addSecs(30)));
  now_ = now_.addSecs(30);
  center_.deliverDueRequests();
  EXPECT_EQ(center_.timerWait(), milliseconds(60000));
  EXPECT_EQ(summariesSoFar(), QStringList{QStringLiteral("Soon")});
}

TEST(NotificationCenterTimerTest, ARemovedRequestStaysQuietWhileALaterOneFires) {
  FakeNotificationServer server;
  ASSERT_TRUE(server.start());
  UserNotificationCenter center(QDBusConnection::sessionBus(), server.serviceName());
  NotificationRequest first = request(QStringLiteral("email-urgent-1"), QStringLiteral("First"));
  first.delay = std::chrono::milliseconds(100);
  NotificationRequest second = request(QStringLiteral("email-urgent-2"), QStringLiteral("Second"));
  second.delay = std::chrono::milliseconds(300);
  center.add(second);
  center.add(first);
  center.removePendingRequests({first.identifier});

  QSignalSpy notified(&server, &FakeNotificationServer::notified);
  ASSERT_TRUE(notified.wait(10000));
  ASSERT_EQ(server.notifications().size(), 1);
  EXPECT_EQ(server.notifications().first().summary, QStringLiteral("Second"));
  EXPECT_TRUE(center.pendingRequests().isEmpty());
}

TEST(NotificationCenterTimerTest, ADelayedRequestFiresFromItsTimer) {
  FakeNotificationServer server;
  ASSERT_TRUE(server.start());
  UserNotificationCenter center(QDBusConnection::sessionBus(), server.serviceName());
  NotificationRequest alert = request(QStringLiteral("email-urgent-1"), QStringLiteral("Urgent"));
  alert.delay = std::chrono::milliseconds(500);
  center.add(alert);
  EXPECT_EQ(center.pendingRequests().size(), 1);

  QSignalSpy notified(&server, &FakeNotificationServer::notified);
  ASSERT_TRUE(notified.wait(10000));
  EXPECT_EQ(server.notifications().first().summary, QStringLiteral("Urgent"));
  EXPECT_TRUE(center.pendingRequests().isEmpty());
}

TEST(NotificationCenterNoServerTest, CallsReturnAndTheFailureIsLoggedOncePerOutage) {
  DiagnosticLogger::shared().clear();
  QDateTime now = utc(2024, 6, 1, 12);
  const QString serviceName = FakeNotificationServer::uniqueServiceName();
  UserNotificationCenter center(QDBusConnection::sessionBus(), serviceName, [&now] { return now; });
  QSignalSpy failed(&center, &UserNotificationCenter::postFailed);
  QSignalSpy posted(&center, &UserNotificationCenter::posted);

  for (int i = 0; i < 3; ++i) {
    center.add(request(QStringLiteral("task-%1").arg(i), QStringLiteral("Nobody listens")));
  }
  while (failed.size() < 3) {
    ASSERT_TRUE(failed.wait(10000));
  }
  EXPECT_EQ(notificationLogEntries(), 1);
  EXPECT_FALSE(testsupport::runTask(center.requestAuthorization()));
  EXPECT_EQ(notificationLogEntries(), 1);

  // A server appears: notifications get through, and a later outage is logged anew.
  {
    FakeNotificationServer server(serviceName);
    ASSERT_TRUE(server.start());
    center.add(request(QStringLiteral("task-up"), QStringLiteral("Heard")));
    ASSERT_TRUE(posted.wait(10000));
  }
  center.add(request(QStringLiteral("task-down"), QStringLiteral("Lost again")));
  ASSERT_TRUE(failed.wait(10000));
  EXPECT_EQ(notificationLogEntries(), 2);
  EXPECT_EQ(DiagnosticLogger::shared().entries().last().level, QStringLiteral("WARN"));
}

}  // namespace
