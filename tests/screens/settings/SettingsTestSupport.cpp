#include "SettingsTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

namespace settingstest {

SettingsTest::SettingsTest() {
  services.startEmailSync = [this] { calls.append(QStringLiteral("start")); };
  services.stopEmailSync = [this] { calls.append(QStringLiteral("stop")); };
  services.restartEmailSync = [this](int m) { calls.append(QStringLiteral("restart %1").arg(m)); };
  services.syncNow = [this] {
    calls.append(QStringLiteral("sync"));
    return true;
  };
  services.updateEmailProvider = [this] { calls.append(QStringLiteral("provider")); };
  services.updateWidgetConfiguration = [this] { calls.append(QStringLiteral("widget")); };
  services.setLaunchAtLogin = [this](bool on) {
    calls.append(QStringLiteral("login %1").arg(on));
    return launchFailure;
  };
  services.setThemeMode = [this](AppThemeMode mode) {
    calls.append(QStringLiteral("theme ") + displayText(mode));
  };
  services.gmail = &gmail;
  services.chooseFile = [this](QWidget*, const FileRequest& request,
                               std::function<void(QString)> done) {
    fileRequests.append(request);
    done(chosenPath);
  };
}

std::unique_ptr<SettingsView> SettingsTest::makeView() {
  auto view = std::make_unique<SettingsView>(env, services);
  view->resize(view->sizeHint());
  view->show();
  return view;
}

AppSettings SettingsTest::savedSettings() {
  return DataStore(store().storageFolder(), nullptr, nullptr).settings();
}

void SettingsTest::setSettings(const std::function<void(AppSettings&)>& edit) {
  AppSettings settings = store().settings();
  edit(settings);
  store().setSettings(settings);
  store().saveSettings();
}

QMessageBox* openAlert(QWidget* root) {
  for (QMessageBox* box : root->findChildren<QMessageBox*>()) {
    if (box->isVisible()) {
      return box;
    }
  }
  return nullptr;
}

void answer(QMessageBox* alert, const QString& buttonText) {
  for (QAbstractButton* button : alert->buttons()) {
    if (button->text().remove(u'&') == buttonText) {
      QTest::mouseClick(button, Qt::LeftButton);
      QApplication::processEvents();
      return;
    }
  }
  ADD_FAILURE() << "no button " << buttonText.toStdString();
}

}  // namespace settingstest
