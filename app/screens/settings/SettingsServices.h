#pragma once

#include "app/screens/RunningApp.h"
#include "core/email/GmailServiceProtocol.h"
#include "core/model/AppSettings.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

// A file the user picks: where to write an export or which backup to read.
struct FileRequest {
  bool forSaving = true;
  QString caption;
  QString suggestedName;  // file name proposed in the user's documents folder
  QString filter;         // e.g. "JSON (*.json)"
};

// Everything the settings pages tell or ask outside the store. system() reaches the desktop's
// services and, through `app`, the running app's; tests replace single members with recording
// doubles.
struct SettingsServices {
  // The e-mail sync coordinator's start(), stop() and restart(minutes); "Sync Now". Each does
  // nothing while no coordinator runs; syncNow then answers false.
  std::function<void()> startEmailSync;
  std::function<void()> stopEmailSync;
  std::function<void(int)> restartEmailSync;
  std::function<bool()> syncNow;
  // A new suggestion provider after the cloud switch, the consent or the model changed.
  std::function<void()> updateEmailProvider;
  // The floating panel's level and opacity after those settings changed.
  std::function<void()> updateWidgetConfiguration;
  // The failure's text when launch at login could not be changed.
  std::function<std::optional<QString>(bool)> setLaunchAtLogin;
  std::function<void(AppThemeMode)> setThemeMode;
  // The Gmail client; GmailService::shared() when null.
  GmailServiceProtocol* gmail = nullptr;
  // Google's browser sign-in; stores the credentials before it returns. Empty in a build with
  // no Google client: the page then offers only a pasted token and says why.
  std::function<QCoro::Task<TokenExchangeResult>()> signInWithGoogle;
  // Where "Test Key" asks Gemini.
  QUrl geminiBaseUrl;
  // Shows a file dialog without blocking and calls back once with the chosen path, or with an
  // empty text when the user cancels.
  std::function<void(QWidget* parent, const FileRequest&, std::function<void(QString)>)>
      chooseFile;

  static SettingsServices system(const RunningApp& app);
  GmailServiceProtocol& gmailService() const;
};
