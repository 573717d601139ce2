#include "app/shell/DayLists.h"

#include <gtest/gtest.h>

#include <limits>

TEST(DayLists, FormatSecondsDropsTheFractionAndPrintsLongMinutesInFull) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {{0, "00:00"},      {59.9, "00:59"},   {125.9, "02:05"},
               {1499.6, "24:59"}, {1500, "25:00"},   {3600, "60:00"},
               {6000, "100:00"},  {-3, "00:00"},     {std::numeric_limits<double>::quiet_NaN(), "00:00"}};
  for (const auto& c : cases) {
    EXPECT_EQ(day_lists::formatSeconds(c.seconds), QString::fromLatin1(c.text)) << c.seconds;
  }
}
