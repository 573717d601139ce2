#include "app/screens/settings/SettingsContext.h"

#include "core/store/DataStore.h"

QString displayText(SettingsTab tab) {
  switch (tab) {
    case SettingsTab::general:
      return QStringLiteral("General");
    case SettingsTab::email:
      return QStringLiteral("E-mail");
    case SettingsTab::cards:
      return QStringLiteral("Cards");
    case SettingsTab::widget:
      return QStringLiteral("Widget");
    case SettingsTab::weather:
      return QStringLiteral("Weather");
    case SettingsTab::focus:
      return QStringLiteral("Focus");
    case SettingsTab::notifications:
      return QStringLiteral("Notifications");
    case SettingsTab::data:
      return QStringLiteral("Data");
    case SettingsTab::privacy:
      return QStringLiteral("Privacy");
    case SettingsTab::diagnostics:
      return QStringLiteral("Diagnostics");
  }
  return {};
}

QString symbolName(SettingsTab tab) {
  switch (tab) {
    case SettingsTab::general:
      return QStringLiteral("gear");
    case SettingsTab::email:
      return QStringLiteral("envelope");
    case SettingsTab::cards:
      return QStringLiteral("rectangle.grid.2x2");
    case SettingsTab::widget:
      return QStringLiteral("macwindow");
    case SettingsTab::weather:
      return QStringLiteral("cloud.sun");
    case SettingsTab::focus:
      return QStringLiteral("timer");
    case SettingsTab::notifications:
      return QStringLiteral("bell");
    case SettingsTab::data:
      return QStringLiteral("externaldrive");
    case SettingsTab::privacy:
      return QStringLiteral("lock.shield");
    case SettingsTab::diagnostics:
      return QStringLiteral("stethoscope");
  }
  return {};
}

SettingsContext::SettingsContext(ScreenEnvironment environment, SettingsServices services,
                                 QObject* parent)
    : QObject(parent), env_(std::move(environment)), services_(std::move(services)) {}

void SettingsContext::updateState(const std::function<void(SettingsState&)>& change) {
  change(state_);
  Q_EMIT stateChanged();
}

bool SettingsContext::changeSettings(const std::function<void(AppSettings&)>& edit) {
  DataStore* store = env_.store;
  if (store == nullptr) {
    return false;
  }
  AppSettings settings = store->settings();
  edit(settings);
  store->setSettings(settings);
  store->saveSettings();
  return true;
}

AppSettings SettingsContext::settings() const {
  return env_.store ? env_.store->settings() : AppSettings{};
}
