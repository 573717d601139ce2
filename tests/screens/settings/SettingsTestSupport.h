#pragma once

#include "app/screens/settings/SettingsView.h"
#include "core/email/MockGmailService.h"
#include "screens/ScreenTestSupport.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace settingstest {

// The settings screen over recording doubles: every service call lands in `calls` as text.
class SettingsTest : public screentest::ScreenTest {
 protected:
  SettingsTest();

  std::unique_ptr<SettingsView> makeView();
  // The settings as a fresh store reads them from disk.
  AppSettings savedSettings();
  void setSettings(const std::function<void(AppSettings&)>& edit);

  SettingsServices services;
  QStringList calls;
  MockGmailService gmail{false, std::nullopt, {}};
  std::optional<QString> launchFailure;
  QString chosenPath;  // what the file dialog double answers
  QList<FileRequest> fileRequests;
};

// The field a form label names ("Check every:"), through the label's buddy.
template <typename Field>
Field* fieldFor(QWidget* root, const QString& label) {
  for (QLabel* candidate : root->findChildren<QLabel*>()) {
    if (candidate->text() == label && candidate->buddy() != nullptr) {
      return qobject_cast<Field*>(candidate->buddy());
    }
  }
  return nullptr;
}

template <typename Button>
Button* withText(QWidget* root, const QString& text) {
  for (Button* candidate : root->findChildren<Button*>()) {
    if (candidate->text() == text) {
      return candidate;
    }
  }
  return nullptr;
}

// The alert a page has open, if any.
QMessageBox* openAlert(QWidget* root);
// Presses the alert's button with that text.
void answer(QMessageBox* alert, const QString& buttonText);

}  // namespace settingstest
