#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/settings/SettingsServices.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

enum class SettingsTab {
  general,
  email,
  cards,
  widget,
  weather,
  focus,
  notifications,
  data,
  privacy,
  diagnostics,
};

template <>
struct EnumCases<SettingsTab> {
  static constexpr std::array values{
      SettingsTab::general, SettingsTab::email,         SettingsTab::cards,
      SettingsTab::widget,  SettingsTab::weather,       SettingsTab::focus,
      SettingsTab::notifications, SettingsTab::data,    SettingsTab::privacy,
      SettingsTab::diagnostics};
};

QString displayText(SettingsTab tab);
// The freedesktop-style symbol of the tab's entry in the sidebar.
QString symbolName(SettingsTab tab);

// The settings screen's transient state; a screen built anew starts from these values.
struct SettingsState {
  SettingsTab selectedTab = SettingsTab::general;
  bool isShowingResetConfirmation = false;
  bool isShowingImportPicker = false;
  bool isImporting = false;  // a chosen backup is being read and checked
  std::optional<QString> exportStatusMessage;
  bool isShowingGmailSheet = false;
  bool isShowingConsentAlert = false;
  bool isShowingDeleteEmailDataAlert = false;
  QString gmailTokenInput;
  QString gmailEmailInput;
  QString aiApiKeyInput;
  std::optional<QString> aiKeyStatus;
  bool isTestingApiKey = false;
  bool isConnectingGoogle = false;
  std::optional<QString> googleAuthError;
  std::optional<QString> emailStatusMessage;
};

// What every page of one settings screen shares: the environment, the services, the state.
// Pages change the state through it so that each of them redraws what it shows of it.
class SettingsContext : public QObject {
  Q_OBJECT

 public:
  SettingsContext(ScreenEnvironment environment, SettingsServices services,
                  QObject* parent = nullptr);

  const ScreenEnvironment& env() const { return env_; }
  const SettingsServices& services() const { return services_; }
  const SettingsState& state() const { return state_; }

  // Changes the state and announces it.
  void updateState(const std::function<void(SettingsState&)>& change);
  // Edits the store's settings and saves them; false without a store.
  bool changeSettings(const std::function<void(AppSettings&)>& edit);
  AppSettings settings() const;

 Q_SIGNALS:
  void stateChanged();

 private:
  ScreenEnvironment env_;
  SettingsServices services_;
  SettingsState state_;
};
