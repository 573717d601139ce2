#include "app/ui/DashboardTab.h"

namespace dashboard_tab {

QString rawValue(DashboardTab tab) {
  switch (tab) {
    case DashboardTab::today:
      return QStringLiteral("Today");
    case DashboardTab::emailInbox:
      return QStringLiteral("Email Assistant");
    case DashboardTab::calendar:
      return QStringLiteral("Calendar");
    case DashboardTab::tasks:
      return QStringLiteral("Tasks");
    case DashboardTab::waitingFor:
      return QStringLiteral("Waiting For");
    case DashboardTab::bills:
      return QStringLiteral("Bills");
    case DashboardTab::focus:
      return QStringLiteral("Focus");
    case DashboardTab::weather:
      return QStringLiteral("Weather");
    case DashboardTab::insights:
      return QStringLiteral("Insights");
    case DashboardTab::shortcuts:
      return QStringLiteral("Shortcuts");
  }
  return {};
}

QString icon(DashboardTab tab) {
  switch (tab) {
    case DashboardTab::today:
      return QStringLiteral("sun.max");
    case DashboardTab::emailInbox:
      return QStringLiteral("envelope.badge");
    case DashboardTab::calendar:
      return QStringLiteral("calendar");
    case DashboardTab::tasks:
      return QStringLiteral("checklist");
    case DashboardTab::waitingFor:
      return QStringLiteral("clock.arrow.circlepath");
    case DashboardTab::bills:
      return QStringLiteral("creditcard");
    case DashboardTab::focus:
      return QStringLiteral("timer");
    case DashboardTab::weather:
      return QStringLiteral("cloud.sun");
    case DashboardTab::insights:
      return QStringLiteral("chart.bar");
    case DashboardTab::shortcuts:
      return QStringLiteral("command");
  }
  return {};
}

std::optional<DashboardTab> fromRawValue(const QString& text) {
  for (DashboardTab tab : allCases) {
    if (rawValue(tab) == text) {
      return tab;
    }
  }
  return std::nullopt;
}

}  // namespace dashboard_tab
