#include "core/services/MinuteClock.h"

#include "common/TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using testsupport::utc;

TEST(MinuteClockTest, WaitsUntilJustAfterTheNextMinuteBegins) {
  const QDateTime minute = utc(2024, 5, 6, 9, 41);
  const struct {
    QDateTime now;
    int expected;
  } rows[] = {
      {minute, 60'025},
      {minute.addMSecs(59'999), 26},
      {minute.addMSecs(30'500), 29'525},
      {utc(1969, 12, 31, 23, 59).addMSecs(59'000), 1'025},  // before the epoch: no negative rest
  };
  for (const auto& row : rows) {
    EXPECT_EQ(MinuteClock::msecsToNextMinute(row.now), row.expected) << row.now.toString(Qt::ISODateWithMs).toStdString();
  }
}

// The tick comes at the minute's turn of the given clock and the clock keeps ticking after it.
TEST(MinuteClockTest, TicksAtTheTurnAndRearms) {
  QDateTime now = utc(2024, 5, 6, 9, 41).addMSecs(59'950);
  MinuteClock clock([&now] { return now; });
  QSignalSpy ticks(&clock, &MinuteClock::minuteChanged);
  clock.start();
  ASSERT_TRUE(ticks.wait(10'000));
  EXPECT_TRUE(clock.isActive());
  clock.stop();
  EXPECT_FALSE(clock.isActive());
  clock.resync();  // a stopped clock ticks once and stays stopped
  EXPECT_EQ(ticks.count(), 2);
  EXPECT_FALSE(clock.isActive());
}
