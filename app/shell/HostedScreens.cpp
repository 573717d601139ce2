#include "app/shell/HostedScreens.h"

#include "app/screens/capture/QuickCaptureView.h"
#include "app/screens/settings/SettingsView.h"

#include <QLabel>

namespace hosted_screens {

namespace {
// Marks a screen that has not been built yet.
QWidget* placeholder(const QString& name) {
  auto* label = new QLabel(name + QStringLiteral(" (not built yet)"));
  label->setAlignment(Qt::AlignCenter);
  label->setWindowTitle(name);
  return label;
}
}  // namespace

QWidget* tabScreen(DashboardTab tab, const TabContext&) {
  return placeholder(dashboard_tab::rawValue(tab));
}

QWidget* quickCapture(const ScreenEnvironment& environment) {
  return new QuickCaptureView(environment);
}

QWidget* settings(const ScreenEnvironment& environment) { return new SettingsView(environment); }

QWidget* onboarding(const ScreenEnvironment&) {
  return placeholder(QStringLiteral("Welcome to Pelmora"));
}

}  // namespace hosted_screens
