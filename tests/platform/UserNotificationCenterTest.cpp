#include "core/platform/UserNotificationCenter.h"
#include "testing/FakeNotificationServer.h"

#include "PlatformSupport.h"
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

QString identifiers(const QList<NotificationRequest>& requests) {
  QStringList result;
  for (const NotificationRequest& r : requests) {
    result.append(r.identifier);
  }
  return result.join(u',');
}

int notificationLogEntries() {
  return logged(QString(), QString(), QStringLiteral("Notifications")).size();
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

  // Calls reach the server in order, so once a marker posted now has arrived, anything
  // posted before it has too: what the server holds then is all there is. Each marker
  // has its own identifier, since a repeated one replaces the earlier notification.
  QStringList summariesSoFar() {
    center_.add(request(QStringLiteral("marker-%1").arg(++markers_), QStringLiteral("marker")));
    QSignalSpy notified(&server_, &FakeNotificationServer::notified);
    QStringList summaries;
    for (;;) {
      summaries.clear();
      for (const auto& n : server_.notifications()) {
        summaries.append(n.summary);
      }
      if (summaries.count(QStringLiteral("marker")) == markers_ ||
          !notified.wait(testsupport::kPatienceMs)) {
        break;
      }
    }
    EXPECT_EQ(summaries.removeAll(QStringLiteral("marker")), markers_) << "a marker never arrived";
    return summaries;
  }

  FakeNotificationServer server_;
  int markers_ = 0;
  QDateTime now_ = utc(2024, 6, 1, 12);
  UserNotificationCenter center_;
};

TEST_F(NotificationCenterTest, PostsAtOnceWithTextsAndHintsAndReplacesByIdentifier) {
  QSignalSpy posted(&center_, &UserNotificationCenter::posted);
  center_.add(request(QStringLiteral("focus-complete-1"), QStringLiteral("Done")));
  NotificationRequest quiet = request(QStringLiteral("quiet"), QStringLiteral("Quiet"));
  quiet.playsDefaultSound = false;
  center_.add(quiet);
  ASSERT_EQ(summariesSoFar(), (QStringList{QStringLiteral("Done"), QStringLiteral("Quiet")}));

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
  EXPECT_EQ(second.replacesId, 0u);
  EXPECT_NE(second.id, first.id);

  // The server's id comes back with the answer; wait for it before showing again.
  while (posted.size() < 2) {
    ASSERT_TRUE(posted.wait(testsupport::kPatienceMs));
  }
  EXPECT_EQ(posted[0][0].toString(), QStringLiteral("focus-complete-1"));
  EXPECT_TRUE(center_.pendingRequests().isEmpty());
  EXPECT_TRUE(testsupport::runTask(center_.requestAuthorization()));

  center_.add(request(QStringLiteral("focus-complete-1"), QStringLiteral("Again")));
  ASSERT_EQ(summariesSoFar().last(), QStringLiteral("Again"));
  EXPECT_EQ(server_.notifications()[3].replacesId, first.id);
}

// Requests for later, as a script run on a fresh center whose clock starts at `now_`.
// Titles equal identifiers, so what was shown reads as identifiers too.
struct Step {
  char op;           // '+': add `text` due in `seconds`; '-': remove `text`; '~': the timer waits
                     // `seconds` (-1: it is stopped); '>': move the clock on by `seconds`,
  const char* text;  // deliver, and expect `text` shown by then (comma separated)
  qint64 seconds = 0;
  const char* pending = nullptr;  // if set, the pending identifiers after the step, in order
};
struct Script {
  const char* name;
  std::vector<Step> steps;
};
void PrintTo(const Script& script, std::ostream* os) { *os << script.name; }

constexpr qint64 kDay = 24 * 3600;
const Script kScripts[] = {
    {"each waits for its own wall-clock time",
     {{'+', "task-late", 3600},
      {'+', "bill-soon", 1800, "bill-soon,task-late"},
      {'>', "", 1799},
      {'>', "bill-soon", 1, "task-late"}}},
    {"adding again replaces, removing cancels",
     {{'+', "task-X", 3600},
      {'+', "task-X", 7200},
      {'+', "bill-Y", 3600, "bill-Y,task-X"},
      {'>', "bill-Y", 3600, "task-X"},
      {'-', "task-X"},
      {'-', "unknown", 0, ""},
      {'>', "bill-Y", kDay, ""}}},
    {"delays longer than a timer can hold still fire",
     {{'+', "bill-far", 60 * kDay}, {'>', "", 59 * kDay, "bill-far"}, {'>', "bill-far", kDay, ""}}},
    {"a fire date in the past leaves nothing pending",
     {{'+', "task-P", 600}, {'+', "task-P", -60, ""}, {'>', "", 3600, ""}}},
    {"due requests go out in fire-time order without the removed ones",
     {{'+', "task-c", 1800},
      {'+', "task-a", 600},
      {'+', "bill-x", 1200},
      {'+', "task-b", 1200},
      {'+', "task-d", 2400},
      {'-', "task-c"},
      {'+', "task-a", 3000, "bill-x,task-b,task-d,task-a"},  // moved behind the others
      {'>', "bill-x,task-b,task-d", 2700, "task-a"}}},
    {"one timer waits for the earliest, and at most a minute",
     {{'~', "", -1},
      {'+', "bill-far", 2 * kDay},
      {'~', "", 60},
      {'+', "task-soon", 30},
      {'~', "", 30},
      {'+', "task-later", 45},
      {'~', "", 30},
      {'-', "task-soon"},
      {'~', "", 30},  // waking early finds nothing and waits again
      {'-', "task-later"},
      {'~', "", 30},
      {'-', "bill-far"},
      {'~', "", -1},
      {'+', "bill-far", 2 * kDay},
      {'+', "task-soon", 30},
      {'>', "task-soon", 30},
      {'~', "", 60}}},
};

class NotificationScriptTest : public NotificationCenterTest,
                               public ::testing::WithParamInterface<Script> {};

TEST_P(NotificationScriptTest, ShowsWhatIsDueAndKeepsTheRest) {
  for (const Step& step : GetParam().steps) {
    SCOPED_TRACE(std::string(1, step.op) + " " + step.text);
    const QString text = QString::fromLatin1(step.text);
    if (step.op == '+') {
      center_.add(request(text, text, now_.addSecs(step.seconds)));
    } else if (step.op == '-') {
      center_.removePendingRequests({text});
    } else if (step.op == '~') {
      EXPECT_EQ(center_.timerWait(), step.seconds < 0
                                         ? std::nullopt
                                         : std::optional(std::chrono::seconds(step.seconds)));
    } else {
      now_ = now_.addSecs(step.seconds);
      center_.deliverDueRequests();
      EXPECT_EQ(summariesSoFar().join(u','), text);
    }
    if (step.pending) {
      EXPECT_EQ(identifiers(center_.pendingRequests()), QString::fromLatin1(step.pending));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, NotificationScriptTest, ::testing::ValuesIn(kScripts));

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
  ASSERT_TRUE(notified.wait(testsupport::kPatienceMs));
  ASSERT_EQ(server.notifications().size(), 1);
  EXPECT_EQ(server.notifications().first().summary, QStringLiteral("Second"));
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
    ASSERT_TRUE(failed.wait(testsupport::kPatienceMs));
  }
  EXPECT_EQ(notificationLogEntries(), 1);
  EXPECT_FALSE(testsupport::runTask(center.requestAuthorization()));
  EXPECT_EQ(notificationLogEntries(), 1);

  // A server appears: notifications get through, and a later outage is logged anew.
  {
    FakeNotificationServer server(serviceName);
    ASSERT_TRUE(server.start());
    center.add(request(QStringLiteral("task-up"), QStringLiteral("Heard")));
    ASSERT_TRUE(posted.wait(testsupport::kPatienceMs));
  }
  center.add(request(QStringLiteral("task-down"), QStringLiteral("Lost again")));
  ASSERT_TRUE(failed.wait(testsupport::kPatienceMs));
  EXPECT_EQ(notificationLogEntries(), 2);
  EXPECT_EQ(DiagnosticLogger::shared().entries().last().level, QStringLiteral("WARN"));
}

}  // namespace

// A checkpoint shares the one timer: it is waited for like a request, at most a minute at a
// time. Looked at late (after a sleep), its callback runs before anything due is shown, and a
// request it adds that fell due after the checkpoint is shown in order with the others; one due
// before the checkpoint is over and dropped.
TEST_F(NotificationCenterTest, ACheckpointSharesTheTimerAndCatchesUpAfterASleep) {
  const QDateTime checkpoint = now_.addDays(2);
  int calls = 0;
  center_.setCheckpoint(checkpoint, [&] {
    ++calls;
    center_.add(request(QStringLiteral("task-slept"), QStringLiteral("slept"), checkpoint.addSecs(3600)));
    center_.add(request(QStringLiteral("task-over"), QStringLiteral("over"), checkpoint.addSecs(-60)));
    center_.add(request(QStringLiteral("task-ahead"), QStringLiteral("ahead"), checkpoint.addDays(1)));
  });
  EXPECT_EQ(center_.timerWait(), std::chrono::milliseconds(60000));
  center_.add(request(QStringLiteral("task-waiting"), QStringLiteral("waiting"),
                      checkpoint.addSecs(7200)));
  center_.removePendingRequests({QStringLiteral("task-waiting")});
  EXPECT_EQ(center_.timerWait(), std::chrono::milliseconds(60000));  // still kept for the checkpoint
  center_.add(request(QStringLiteral("task-waiting"), QStringLiteral("waiting"),
                      checkpoint.addSecs(1800)));

  now_ = checkpoint.addSecs(-1);
  center_.deliverDueRequests();
  EXPECT_EQ(calls, 0);
  now_ = checkpoint.addSecs(3 * 3600);
  center_.deliverDueRequests();
  center_.deliverDueRequests();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(summariesSoFar().join(u','), QStringLiteral("waiting,slept"));
  EXPECT_EQ(identifiers(center_.pendingRequests()), QStringLiteral("task-ahead"));
  // Outside a checkpoint's callback a passed time leaves nothing pending, as ever.
  center_.add(request(QStringLiteral("task-late"), QStringLiteral("late"), now_.addSecs(-1)));
  EXPECT_EQ(identifiers(center_.pendingRequests()), QStringLiteral("task-ahead"));

  center_.removePendingRequests({QStringLiteral("task-ahead")});
  center_.setCheckpoint(now_.addDays(1), [&] { ++calls; });
  EXPECT_EQ(center_.timerWait(), std::chrono::milliseconds(60000));
  center_.setCheckpoint(QDateTime(), {});
  EXPECT_EQ(center_.timerWait(), std::nullopt);
}
