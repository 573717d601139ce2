#include "app/shell/HostedScreens.h"

#include "app/screens/bills/BillsView.h"
#include "app/screens/calendar/CalendarView.h"
#include "app/screens/capture/QuickCaptureView.h"
#include "app/screens/focus/FocusTimerView.h"
#include "app/screens/insights/InsightsView.h"
#include "app/screens/onboarding/OnboardingView.h"
#include "app/screens/review/EmailReviewInboxView.h"
#include "app/screens/settings/SettingsView.h"
#include "app/screens/shortcuts/ShortcutsView.h"
#include "app/screens/tasks/TasksView.h"
#include "app/screens/today/TodayView.h"
#include "app/screens/waiting/WaitingForView.h"
#include "app/screens/weather/WeatherView.h"
#include "core/platform/HttpSession.h"
#include "core/services/WeatherService.h"

namespace hosted_screens {

namespace {
std::shared_ptr<WeatherServiceProtocol> weatherService() {
  return std::make_shared<WeatherService>(HttpSession::shared());
}
}  // namespace

QWidget* tabScreen(DashboardTab tab, const TabContext& context) {
  const ScreenEnvironment& env = context.environment;
  switch (tab) {
    case DashboardTab::today:
      return new TodayView(env, TabBinding{context.activeTab, context.setActiveTab},
                           weatherService());
    case DashboardTab::emailInbox: {
      // The running app's coordinator, so "Sync Now" really syncs; without a running app (a
      // screen on its own) the request only shows that it ran.
      return new EmailReviewInboxView(env, env.app.emailSync());
    }
    case DashboardTab::calendar: return new CalendarView(env);
    case DashboardTab::tasks: return new TasksView(env);
    case DashboardTab::waitingFor: return new WaitingForView(env);
    case DashboardTab::bills: return new BillsView(env);
    case DashboardTab::focus: return new FocusTimerView(env);
    case DashboardTab::weather: return new WeatherView(env, weatherService());
    case DashboardTab::insights: return new InsightsView(env);
    case DashboardTab::shortcuts: return new ShortcutsView(env);
  }
  return nullptr;
}

QWidget* quickCapture(const ScreenEnvironment& environment) {
  return new QuickCaptureView(environment);
}

QWidget* settings(const ScreenEnvironment& environment) { return new SettingsView(environment); }

void showSettingsPage(QWidget* settings, SettingsTab tab) {
  if (auto* view = qobject_cast<SettingsView*>(settings)) {
    view->selectTab(tab);
  }
}

QWidget* onboarding(const ScreenEnvironment& environment) {
  return new OnboardingView(environment);
}

}  // namespace hosted_screens
