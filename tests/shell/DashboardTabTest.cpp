#include "app/shell/DashboardTab.h"
#include "app/shell/MainDashboardView.h"

#include <QDir>
#include <QListWidget>

#include <gtest/gtest.h>

TEST(DashboardTab, OrderLookupAndTheSidebarSelectingTheDetail) {
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

  MainDashboardView view;
  view.resize(880, 580);
  auto* list = view.findChild<QListWidget*>();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 10);
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("Email Assistant"));
  list->setCurrentRow(5);
  EXPECT_EQ(view.activeTab(), DashboardTab::bills);
  view.setActiveTab(DashboardTab::focus);
  EXPECT_EQ(list->currentRow(), 6);

  if (const QString shots = qEnvironmentVariable("PELMORA_SCREENSHOTS"); !shots.isEmpty()) {
    QDir().mkpath(shots);
    EXPECT_TRUE(view.grab().save(QDir(shots).filePath(QStringLiteral("main-window.png"))));
  }
}
