#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>

// The main window's tabs, in sidebar order. The raw value is the sidebar title.
enum class DashboardTab {
  today,
  emailInbox,
  calendar,
  tasks,
  waitingFor,
  bills,
  focus,
  weather,
  insights,
  shortcuts,
};

namespace dashboard_tab {

inline constexpr std::array<DashboardTab, 10> allCases = {
    DashboardTab::today,     DashboardTab::emailInbox, DashboardTab::calendar,
    DashboardTab::tasks,     DashboardTab::waitingFor, DashboardTab::bills,
    DashboardTab::focus,     DashboardTab::weather,    DashboardTab::insights,
    DashboardTab::shortcuts,
};

QString rawValue(DashboardTab tab);
// The system symbol name shown beside the title.
QString icon(DashboardTab tab);
// Exactly one of the ten titles, as written; anything else gives no tab.
std::optional<DashboardTab> fromRawValue(const QString& text);

}  // namespace dashboard_tab

// How a screen reads and moves the main window's selected tab; the frame that hosts the
// screen supplies both.
struct TabBinding {
  std::function<DashboardTab()> get;
  std::function<void(DashboardTab)> set;
};
