#include "EmailSyncFixture.h"

#include <QTest>

namespace {

constexpr int kMinute = 60 * 1000;

// Fires the timer as if its interval had passed.
void fire(const QTimer* timer) {
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(QMetaObject::invokeMethod(const_cast<QTimer*>(timer), "timeout"));
}

}  // namespace

using EmailSyncScheduleTest = EmailSyncTest;

TEST_F(EmailSyncScheduleTest, StartingSchedulesTheStoredIntervalWithoutSyncingAtOnce) {
  EXPECT_EQ(coordinator->syncTimer(), nullptr);
  changeSettings([](AppSettings& s) { s.emailSyncIntervalMinutes = 45; });
  coordinator->start();
  const QTimer* timer = coordinator->syncTimer();
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_FALSE(timer->isSingleShot());
  EXPECT_EQ(timer->interval(), 45 * kMinute);
  EXPECT_TRUE(gmail.searches.isEmpty());
  EXPECT_EQ(logLines(), QStringList{QStringLiteral("INFO EmailSyncCoordinator started.")});

  // Each firing runs a pass.
  fire(timer);
  EXPECT_TRUE(QTest::qWaitFor([this] { return !coordinator->isSyncing(); }));
  EXPECT_EQ(gmail.searches.size(), 1);
  fire(coordinator->syncTimer());
  EXPECT_TRUE(QTest::qWaitFor([this] { return !coordinator->isSyncing(); }));
  EXPECT_EQ(gmail.searches.size(), 2);
}

TEST_F(EmailSyncScheduleTest, IntervalsAreClampedToFifteenToSixtyMinutes) {
  for (const auto& [asked, scheduled] : {std::pair{5, 15}, std::pair{15, 15}, std::pair{16, 16},
                                         std::pair{60, 60}, std::pair{90, 60}, std::pair{-3, 15}}) {
    coordinator->restart(asked);
    ASSERT_NE(coordinator->syncTimer(), nullptr);
    EXPECT_TRUE(coordinator->syncTimer()->isActive());
    EXPECT_EQ(coordinator->syncTimer()->interval(), scheduled * kMinute) << asked;
  }
  // start() reads the stored value through the same clamp.
  changeSettings([](AppSettings& s) { s.emailSyncIntervalMinutes = 5; });
  coordinator->start();
  EXPECT_EQ(coordinator->syncTimer()->interval(), 15 * kMinute);
  // restart() neither logs nor follows sleep and wake by itself.
  coordinator->stop();
  DiagnosticLogger::shared().clear();
  coordinator->restart(30);
  EXPECT_TRUE(logLines().isEmpty());
  Q_EMIT workspace.didWake();
  EXPECT_TRUE(gmail.searches.isEmpty());
  EXPECT_EQ(coordinator->syncTimer()->interval(), 30 * kMinute);
}

TEST_F(EmailSyncScheduleTest, SleepClearsTheTimerAndWakeRebuildsItAndSyncs) {
  changeSettings([](AppSettings& s) { s.emailSyncIntervalMinutes = 20; });
  coordinator->start();
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->answers[QStringLiteral("m1")] = {
      suggestionOf(EmailExtractedCategory::appointment, QStringLiteral("Dentist"))};
  DiagnosticLogger::shared().clear();

  Q_EMIT workspace.willSleep();
  EXPECT_EQ(coordinator->syncTimer(), nullptr);
  EXPECT_TRUE(gmail.searches.isEmpty());

  // The interval is read again on wake.
  changeSettings([](AppSettings& s) { s.emailSyncIntervalMinutes = 25; });
  Q_EMIT workspace.didWake();
  ASSERT_NE(coordinator->syncTimer(), nullptr);
  EXPECT_TRUE(coordinator->syncTimer()->isActive());
  EXPECT_EQ(coordinator->syncTimer()->interval(), 25 * kMinute);
  EXPECT_TRUE(QTest::qWaitFor([this] { return !coordinator->isSyncing(); }));
  EXPECT_EQ(gmail.searches.size(), 1);
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Found 1 new item"));
  EXPECT_EQ(logLines(),
            (QStringList{QStringLiteral("INFO System sleeping: pausing email sync timer."),
                         QStringLiteral("INFO System woke: checking if email sync is due."),
                         QStringLiteral("INFO Email sync completed successfully: 1 suggestions "
                                        "added.")}));
}

TEST_F(EmailSyncScheduleTest, StartingTwiceFollowsSleepAndWakeOnce) {
  coordinator->start();
  coordinator->start();
  DiagnosticLogger::shared().clear();
  Q_EMIT workspace.willSleep();
  Q_EMIT workspace.didWake();
  EXPECT_TRUE(QTest::qWaitFor([this] { return !coordinator->isSyncing(); }));
  EXPECT_EQ(logLines().filter(QStringLiteral("System sleeping")).size(), 1);
  EXPECT_EQ(logLines().filter(QStringLiteral("System woke")).size(), 1);
  // A second wake handler would have tried a second pass and logged the guard.
  EXPECT_TRUE(logLines().filter(QStringLiteral("already in progress")).isEmpty());
  EXPECT_EQ(gmail.searches.size(), 1);
}

TEST_F(EmailSyncScheduleTest, StoppingClearsTheTimerAndStopsFollowingTheWorkspace) {
  coordinator->start();
  DiagnosticLogger::shared().clear();
  coordinator->stop();
  EXPECT_EQ(coordinator->syncTimer(), nullptr);
  EXPECT_EQ(logLines(), QStringList{QStringLiteral("INFO EmailSyncCoordinator stopped.")});
  Q_EMIT workspace.didWake();
  Q_EMIT workspace.willSleep();
  EXPECT_EQ(coordinator->syncTimer(), nullptr);
  EXPECT_TRUE(gmail.searches.isEmpty());
  EXPECT_EQ(logLines().size(), 1);

  // Started again, it follows them again.
  coordinator->start();
  Q_EMIT workspace.didWake();
  EXPECT_TRUE(QTest::qWaitFor([this] { return !coordinator->isSyncing(); }));
  EXPECT_EQ(gmail.searches.size(), 1);
}

TEST_F(EmailSyncScheduleTest, StoppingDoesNotInterruptARunningPass) {
  Gate gate;
  gmail.gate = &gate;
  gmail.stubbedMessages = {mailMessage(QStringLiteral("m1"), now.addSecs(-60))};
  provider->answers[QStringLiteral("m1")] = {
      suggestionOf(EmailExtractedCategory::appointment, QStringLiteral("Dentist"))};
  coordinator->start();
  QCoro::Task<> pass = coordinator->triggerSync();
  coordinator->stop();
  gate.open();
  testsupport::runTask(std::move(pass));
  EXPECT_EQ(store->emailSuggestions().size(), 1);
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, QStringLiteral("Found 1 new item"));
}
