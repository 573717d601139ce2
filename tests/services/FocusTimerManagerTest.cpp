#include "core/services/FocusTimerManager.h"

#include "common/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

const QDateTime t0 = utc(2024, 5, 6, 9);

QDateTime after(qint64 seconds) { return t0.addSecs(seconds); }

class FocusTimerTest : public ::testing::Test {
 protected:
  FocusTimerTest() : timer_(25, 5, 15, 2, [this] { return clockNow_; }) {
    timer_.onSessionCompleted = [this](const FocusSession& session) { completed_.append(session); };
  }

  QDateTime clockNow_ = t0;
  FocusTimerManager timer_;
  QList<FocusSession> completed_;
};

// Starting again while running or paused carries on with the time already run.
TEST_F(FocusTimerTest, CountsOnlyActiveTimeAcrossPauseAndResume) {
  const QUuid task = QUuid::createUuid();
  QSignalSpy statusChanges(&timer_, &FocusTimerManager::statusChanged);
  timer_.start(FocusSessionType::focus, task, "Write report", t0);
  timer_.start(FocusSessionType::longBreak, std::nullopt, std::nullopt, after(300));
  EXPECT_EQ(timer_.sessionType(), FocusSessionType::focus);
  timer_.checkCompletion(after(600));
  EXPECT_EQ(timer_.displayRemainingSeconds(), 900);
  EXPECT_DOUBLE_EQ(timer_.displayProgress(), 0.4);

  timer_.pause(after(600));
  EXPECT_EQ(timer_.status(), TimerStatus::paused);
  EXPECT_FALSE(timer_.isHeartbeatActive());
  // An hour in pause counts for nothing, and nothing completes while paused.
  timer_.checkCompletion(after(4200));
  EXPECT_EQ(timer_.status(), TimerStatus::paused);
  EXPECT_EQ(timer_.displayRemainingSeconds(), 900);

  timer_.start(FocusSessionType::shortBreak, std::nullopt, std::nullopt, after(4200));
  EXPECT_EQ(timer_.status(), TimerStatus::running);
  EXPECT_TRUE(timer_.isHeartbeatActive());
  timer_.checkCompletion(after(4200 + 899));
  EXPECT_EQ(timer_.displayRemainingSeconds(), 1);
  EXPECT_TRUE(completed_.isEmpty());

  timer_.checkCompletion(after(4200 + 900));
  EXPECT_EQ(timer_.status(), TimerStatus::completed);
  EXPECT_EQ(timer_.displayRemainingSeconds(), 0);
  EXPECT_EQ(timer_.displayProgress(), 1);
  EXPECT_FALSE(timer_.isHeartbeatActive());
  ASSERT_EQ(completed_.size(), 1);
  EXPECT_FALSE(completed_.first().id.isNull());
  EXPECT_EQ(completed_.first(), (FocusSession{completed_.first().id, FocusSessionType::focus, t0,
                                              after(5100), 1500, task, "Write report"}));
  // running, paused, running, completed: one signal per change.
  EXPECT_EQ(statusChanges.size(), 4);
}

TEST_F(FocusTimerTest, HeartbeatReadsTheWallClockRatherThanCountingTicks) {
  timer_.start(FocusSessionType::focus, std::nullopt, std::nullopt, t0);
  QSignalSpy remaining(&timer_, &FocusTimerManager::displayRemainingSecondsChanged);
  // As if the event loop had stalled for twenty minutes: the next beat shows the truth.
  clockNow_ = after(1200);
  ASSERT_TRUE(remaining.wait(testsupport::kPatienceMs));
  EXPECT_EQ(timer_.displayRemainingSeconds(), 300);

  clockNow_ = after(1500);
  QSignalSpy status(&timer_, &FocusTimerManager::statusChanged);
  ASSERT_TRUE(status.wait(testsupport::kPatienceMs));
  EXPECT_EQ(timer_.status(), TimerStatus::completed);
  EXPECT_EQ(completed_.size(), 1);
}

// Breaks follow focus and every second focus earns a long break. Each interval is checked an
// hour late, as after a suspend: it completes at its real end, and only once.
TEST_F(FocusTimerTest, IntervalsCompleteOnceAtTheirRealEndAndSuggestTheNextKind) {
  using T = FocusSessionType;
  const std::tuple<T, int, T> runs[] = {{T::focus, 1500, T::shortBreak},
                                        {T::shortBreak, 300, T::focus},
                                        {T::focus, 1500, T::longBreak},
                                        {T::longBreak, 900, T::focus}};
  qint64 at = 0;
  for (const auto& [type, seconds, next] : runs) {
    timer_.start(type, std::nullopt, std::nullopt, after(at));
    EXPECT_EQ(timer_.displayRemainingSeconds(), seconds);
    timer_.checkCompletion(after(at + seconds + 3600));
    timer_.checkCompletion(after(at + seconds + 3601));
    EXPECT_EQ(completed_.last(),
              (FocusSession{completed_.last().id, type, after(at), after(at + seconds),
                            double(seconds), std::nullopt, std::nullopt}));
    EXPECT_EQ(timer_.suggestedNextSessionType(), next);
    at += seconds + 3601;
  }
  EXPECT_EQ(completed_.size(), 4);
  EXPECT_EQ(timer_.completedFocusSessions(), 2);
}

TEST_F(FocusTimerTest, ResetKeepsTheKindNewDurationsWaitAndAClockSetBackNeverTakesTimeAway) {
  timer_.start(FocusSessionType::shortBreak, std::nullopt, std::nullopt, t0);
  timer_.checkCompletion(after(120));
  timer_.reset(after(120));
  EXPECT_EQ(timer_.status(), TimerStatus::idle);
  EXPECT_EQ(timer_.sessionType(), FocusSessionType::shortBreak);
  EXPECT_EQ(timer_.displayRemainingSeconds(), 300);
  EXPECT_EQ(timer_.displayProgress(), 0);
  EXPECT_FALSE(timer_.isHeartbeatActive());

  timer_.checkCompletion(after(100000));  // idle: nothing completes
  EXPECT_TRUE(completed_.isEmpty());

  // A fresh start counts from zero, and time before it never counts.
  timer_.start(FocusSessionType::shortBreak, std::nullopt, std::nullopt, after(1000));
  timer_.checkCompletion(after(-3600));
  EXPECT_EQ(timer_.displayRemainingSeconds(), 300);
  timer_.pause(after(940));
  timer_.resume(after(1000));
  timer_.checkCompletion(after(1060));
  EXPECT_EQ(timer_.displayRemainingSeconds(), 240);

  // New durations show at once when idle and spare a running interval; nonsense from the
  // settings cannot make a zero-length one.
  timer_.reset(after(1060));
  timer_.updateDurations(50, 10, 20, 3);
  EXPECT_EQ(timer_.displayRemainingSeconds(), 600);
  timer_.start(FocusSessionType::shortBreak, std::nullopt, std::nullopt, t0);
  timer_.updateDurations(1, 1, 20, 3);
  timer_.checkCompletion(after(60));
  EXPECT_EQ(timer_.displayRemainingSeconds(), 540);
  const FocusTimerManager odd(0, -5, 0, 0);
  EXPECT_EQ(odd.displayRemainingSeconds(), 60);
  EXPECT_EQ(odd.sessionsBeforeLongBreak(), 1);
}

}  // namespace
