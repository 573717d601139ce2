#include "core/platform/RestartBudget.h"

#include <gtest/gtest.h>

TEST(RestartBudget, ACrashLoopIsStoppedButRestartsSpreadOverTimeAreNot) {
  constexpr qint64 minute = 60 * 1000;
  RestartBudget budget(3, 10 * minute);
  EXPECT_TRUE(budget.allow(0));
  EXPECT_TRUE(budget.allow(1 * minute));
  EXPECT_TRUE(budget.allow(2 * minute));
  // A fourth within ten minutes of the first is one too many.
  EXPECT_FALSE(budget.allow(3 * minute));

  // A long session: one restart every hour never runs out.
  RestartBudget daily(3, 10 * minute);
  for (int hour = 0; hour < 24; ++hour) {
    EXPECT_TRUE(daily.allow(hour * 60 * minute)) << "hour " << hour;
  }

  // Once the window has passed the oldest, a restart is allowed again.
  RestartBudget recovering(3, 10 * minute);
  for (qint64 at : {0 * minute, 1 * minute, 2 * minute}) {
    ASSERT_TRUE(recovering.allow(at));
  }
  EXPECT_TRUE(recovering.allow(10 * minute));
}
