#include "EmailSyncFixture.h"

#include <QTest>

namespace {

constexpr int kMinute = 60 * 1000;

// Fires the timer as if its interval had passed, and waits for the pass it starts.
void fire(const QTimer* timer, const EmailSyncCoordinator& coordinator) {
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(QMetaObject::invokeMethod(const_cast<QTimer*>(timer), "timeout"));
  EXPECT_TRUE(QTest::qWaitFor([&coordinator] { return !coordinator.isSyncing(); }));
}

}  // namespace

using EmailSyncScheduleTest = EmailSyncTest;

// start() takes the stored interval and restart() the given one, both clamped to 15..60 minutes.
TEST_F(EmailSyncScheduleTest, TheIntervalIsClampedAndEachFiringSyncs) {
  EXPECT_EQ(coordinator->syncTimer(), nullptr);
  for (const auto& [asked, scheduled] : {std::pair{45, 45}, std::pair{14, 15}, std::pair{15, 15},
                                         std::pair{60, 60}, std::pair{61, 60}}) {
    SCOPED_TRACE(asked);
    changeSettings([asked](AppSettings& s) { s.emailSyncIntervalMinutes = asked; });
    coordinator->start();
    ASSERT_NE(coordinator->syncTimer(), nullptr);
    EXPECT_EQ(coordinator->syncTimer()->interval(), scheduled * kMinute);
    coordinator->stop();
    coordinator->restart(asked);
    EXPECT_EQ(coordinator->syncTimer()->interval(), scheduled * kMinute);
    EXPECT_FALSE(coordinator->syncTimer()->isSingleShot());
  }
  EXPECT_TRUE(gmail.searches.isEmpty());
  // restart() neither logs nor follows sleep and wake by itself.
  EXPECT_EQ(logLines().filter("started.").size(), 5);
  Q_EMIT workspace.didWake();
  EXPECT_TRUE(gmail.searches.isEmpty());

  fire(coordinator->syncTimer(), *coordinator);
  EXPECT_EQ(gmail.searches.size(), 1);
  fire(coordinator->syncTimer(), *coordinator);
  EXPECT_EQ(gmail.searches.size(), 2);
}

// Sleep clears the timer; wake rebuilds it with the stored interval and syncs once, even when
// started twice. Once stopped, a running pass still ends but sleep and wake are not followed.
TEST_F(EmailSyncScheduleTest, SleepAndWakeAreFollowedUntilStopped) {
  changeSettings([](AppSettings& s) { s.emailSyncIntervalMinutes = 20; });
  coordinator->start();
  coordinator->start();
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
  EXPECT_TRUE(QTest::qWaitFor([this] { return !coordinator->isSyncing(); }));
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

  // Started again, it follows them again.
  gmail.gate = nullptr;
  coordinator->start();
  Q_EMIT workspace.didWake();
  EXPECT_TRUE(QTest::qWaitFor([this] { return !coordinator->isSyncing(); }));
  EXPECT_EQ(gmail.searches.size(), 3);
}
