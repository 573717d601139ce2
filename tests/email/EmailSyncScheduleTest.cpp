#include "EmailSyncFixture.h"

#include <QTest>

namespace {

constexpr int kMinute = 60 * 1000;

// Fires the timer as if its interval had passed, and waits for the pass it starts.
void fire(const QTimer* timer, const EmailSyncCoordinator& coordinator) {
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(QMetaObject::invokeMethod(const_cast<QTimer*>(timer), "timeout"));
  EXPECT_TRUE(QTest::qWaitFor([&coordinator] { return !coordinator.isSyncing(); },
                              testsupport::kPatienceMs));
}

}  // namespace

using EmailSyncScheduleTest = EmailSyncTest;

// The interval is clamped to 15..60 minutes and every firing syncs. Sleep clears the timer; wake
// rebuilds it with the stored interval and syncs once, even when started twice. Once stopped, a
// running pass still ends but sleep and wake are not followed.
TEST_F(EmailSyncScheduleTest, TheClampedTimerFollowsSleepAndWakeUntilStopped) {
  changeSettings([](AppSettings& s) { s.emailSyncIntervalMinutes = 14; });
  coordinator->start();
  coordinator->restart(61);
  EXPECT_EQ(coordinator->syncTimer()->interval(), 60 * kMinute);
  coordinator->start();
  EXPECT_EQ(coordinator->syncTimer()->interval(), 15 * kMinute);
  stubMessages({"m1"});
  provider->answers["m1"] = {suggestionOf(EmailExtractedCategory::appointment, "Dentist")};
  DiagnosticLogger::shared().clear();

  Q_EMIT workspace.willSleep();
  EXPECT_EQ(coordinator->syncTimer(), nullptr);
  EXPECT_TRUE(gmail.searches.isEmpty());
  changeSettings([](AppSettings& s) { s.emailSyncIntervalMinutes = 25; });
  Q_EMIT workspace.didWake();
  ASSERT_NE(coordinator->syncTimer(), nullptr);
  EXPECT_EQ(coordinator->syncTimer()->interval(), 25 * kMinute);
  EXPECT_TRUE(
      QTest::qWaitFor([this] { return !coordinator->isSyncing(); }, testsupport::kPatienceMs));
  EXPECT_EQ(gmail.searches.size(), 1);
  EXPECT_EQ(store->emailSyncState().lastSyncStatus, "Found 1 new item");
  EXPECT_EQ(logLines(),
            (QStringList{"INFO System sleeping: pausing email sync timer.",
                         "INFO System woke: checking if email sync is due.",
                         "INFO Email sync completed successfully: 1 suggestions added."}));

  Gate gate;
  gmail.gate = &gate;
  now = now.addSecs(600);
  stubMessages({"m2"});
  provider->answers["m2"] = {suggestionOf(EmailExtractedCategory::appointment, "Vet", "m2")};
  QCoro::Task<> pass = coordinator->triggerSync();
  DiagnosticLogger::shared().clear();
  coordinator->stop();
  EXPECT_EQ(coordinator->syncTimer(), nullptr);
  EXPECT_EQ(logLines(), QStringList{"INFO EmailSyncCoordinator stopped."});
  gate.open();
  testsupport::runTask(std::move(pass));
  EXPECT_EQ(store->emailSuggestions().size(), 2);
  Q_EMIT workspace.didWake();
  Q_EMIT workspace.willSleep();
  EXPECT_EQ(coordinator->syncTimer(), nullptr);
  EXPECT_EQ(gmail.searches.size(), 2);

  // Started again, every firing syncs.
  gmail.gate = nullptr;
  coordinator->start();
  fire(coordinator->syncTimer(), *coordinator);
  fire(coordinator->syncTimer(), *coordinator);
  EXPECT_EQ(gmail.searches.size(), 4);
}
