#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/ui/DashboardTab.h"

#include <functional>

class QWidget;
enum class SettingsTab;

// Builds the screens the main window hosts, each anew with its initial view state.
namespace hosted_screens {

struct TabContext {
  ScreenEnvironment environment;
  // The frame's selected tab, for screens that send the user elsewhere.
  std::function<DashboardTab()> activeTab;
  std::function<void(DashboardTab)> setActiveTab;
};

QWidget* tabScreen(DashboardTab tab, const TabContext& context);
QWidget* quickCapture(const ScreenEnvironment& environment);
QWidget* settings(const ScreenEnvironment& environment);
// Turns a screen that settings() built to one of its pages.
void showSettingsPage(QWidget* settings, SettingsTab tab);
QWidget* onboarding(const ScreenEnvironment& environment);

}  // namespace hosted_screens
