#include "app/shell/DashboardTab.h"


#include <gtest/gtest.h>

TEST(DashboardTab, OrderAndLookupByTitle) {
  ASSERT_EQ(dashboard_tab::allCases.size(), 10u);
  // The e-mail tab sits second, between Today and Calendar.
  EXPECT_EQ(dashboard_tab::allCases[0], DashboardTab::today);
  EXPECT_EQ(dashboard_tab::allCases[1], DashboardTab::emailInbox);
  EXPECT_EQ(dashboard_tab::allCases[2], DashboardTab::calendar);
  for (DashboardTab tab : dashboard_tab::allCases) {
    EXPECT_EQ(dashboard_tab::fromRawValue(dashboard_tab::rawValue(tab)), tab);
  }
  EXPECT_EQ(dashboard_tab::fromRawValue(QStringLiteral("Email Assistant")),
            DashboardTab::emailInbox);
  EXPECT_EQ(dashboard_tab::fromRawValue(QStringLiteral("email assistant")), std::nullopt);
  EXPECT_EQ(dashboard_tab::fromRawValue(QStringLiteral("Waiting  For")), std::nullopt);
}
