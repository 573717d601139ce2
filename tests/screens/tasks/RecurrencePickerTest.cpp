#include "app/screens/tasks/RecurrenceOption.h"

#include <gtest/gtest.h>

// Every option maps to its rule and back; an every-N-days rule survives a form that never
// touches the picker, and choosing a listed option replaces it.
TEST(RecurrencePicker, KeepsAnUnlistedRuleUntilTheUserPicksAnother) {
  RecurrencePicker picker;
  for (RecurrenceOption option : allCases<RecurrenceOption>) {
    picker.setRule(toRecurrenceRule(option));
    EXPECT_EQ(picker.currentText(), displayText(option));
    EXPECT_EQ(picker.rule(), toRecurrenceRule(option));
  }
  EXPECT_EQ(picker.count(), 7);
  picker.setRule(RecurrenceRule::customDays(3));
  EXPECT_EQ(picker.count(), 8);
  EXPECT_EQ(picker.currentText(), QStringLiteral("Every 3 days"));
  EXPECT_EQ(picker.rule(), RecurrenceRule::customDays(3));
  picker.setCurrentIndex(2);
  EXPECT_EQ(picker.rule(), RecurrenceRule::weekdays());
  picker.setRule(RecurrenceRule::monthly());
  EXPECT_EQ(picker.count(), 7) << "the extra entry goes with its rule";
  EXPECT_FALSE(fromDisplayText<RecurrenceOption>(QStringLiteral("every 2 weeks")).has_value());
}
