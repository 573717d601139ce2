#pragma once

#include "app/screens/settings/SettingsView.h"
#include "core/email/MockGmailService.h"
#include "screens/ScreenTestSupport.h"

#include <QPushButton>

#include <memory>

namespace settingstest {

using namespace screentest;

// The settings screen over recording doubles: every service call lands in `calls` as text.
class SettingsTest : public ScreenTest {
 protected:
  SettingsTest() {
    const auto record = [this](const QString& call) { calls.append(call); };
    services.startEmailSync = [=] { record(QStringLiteral("start")); };
    services.stopEmailSync = [=] { record(QStringLiteral("stop")); };
    services.restartEmailSync = [=](int m) { record(QStringLiteral("restart %1").arg(m)); };
    services.syncNow = [=] {
      record(QStringLiteral("sync"));
      return true;
    };
    services.updateEmailProvider = [=] { record(QStringLiteral("provider")); };
    services.updateWidgetConfiguration = [=] { record(QStringLiteral("widget")); };
    services.setLaunchAtLogin = [=, this](bool on) {
      record(QStringLiteral("login %1").arg(on));
      return launchFailure;
    };
    services.setThemeMode = [=](AppThemeMode mode) { record(QStringLiteral("theme ") + displayText(mode)); };
    services.gmail = &gmail;
    services.chooseFile = [this](QWidget*, const FileRequest& request, std::function<void(QString)> done) {
      fileRequests.append(request);
      done(chosenPath);
    };
  }

  std::unique_ptr<SettingsView> makeView() {
    auto view = std::make_unique<SettingsView>(env, services);
    view->resize(view->sizeHint());
    view->show();
    return view;
  }

  SettingsServices services;
  QStringList calls;
  MockGmailService gmail{false, std::nullopt, {}};
  std::optional<QString> launchFailure;
  QString chosenPath;  // what the file dialog double answers
  QList<FileRequest> fileRequests;
};

}  // namespace settingstest
