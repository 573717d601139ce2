#include "app/screens/settings/SettingsServices.h"

#include "app/platform/Theme.h"
#include "app/signin/GoogleOAuthCoordinator.h"
#include "core/email/CloudEmailIntelligenceProvider.h"
#include "core/email/EmailSyncCoordinator.h"
#include "core/email/GmailService.h"
#include "core/services/LaunchAtLoginHelper.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kLastFolderKey = QStringLiteral("PelmoraLastFileFolder");

// The folder of the last file chosen, else the documents folder, else home: a folder that does
// not exist would leave the dialog in the working directory.
QString startFolder() {
  const QString last = QSettings().value(kLastFolderKey).toString();
  if (!last.isEmpty() && QFileInfo(last).isDir()) {
    return last;
  }
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void openFileDialog(QWidget* parent, const FileRequest& request,
                    std::function<void(QString)> onChosen) {
  auto* dialog = new QFileDialog(parent, request.caption);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::WindowModal);
  dialog->setNameFilter(request.filter);
  dialog->setDirectory(startFolder());
  if (request.forSaving) {
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(request.suggestedName);
  } else {
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
  }
  QObject::connect(dialog, &QDialog::finished, dialog,
                   [dialog, onChosen = std::move(onChosen)](int result) {
                     const QStringList files = dialog->selectedFiles();
                     const bool chosen = result == QDialog::Accepted && !files.isEmpty();
                     if (chosen) {
                       QSettings().setValue(kLastFolderKey, QFileInfo(files.first()).absolutePath());
                     }
                     onChosen(chosen ? files.first() : QString());
                   });
  dialog->open();
}

}  // namespace

SettingsServices SettingsServices::system(const RunningApp& app) {
  SettingsServices services;
  services.startEmailSync = [app] {
    if (auto* sync = app.emailSync()) {
      sync->start();
    }
  };
  services.stopEmailSync = [app] {
    if (auto* sync = app.emailSync()) {
      sync->stop();
    }
  };
  services.restartEmailSync = [app](int minutes) {
    if (auto* sync = app.emailSync()) {
      sync->restart(minutes);
    }
  };
  services.syncNow = [app] {
    auto* sync = app.emailSync();
    if (sync == nullptr) {
      return false;
    }
    // The pass runs on by itself and reports through the store's sync status.
    sync->triggerSync();
    return true;
  };
  services.updateEmailProvider = app.updateEmailProvider;
  services.updateWidgetConfiguration = app.updateWidgetConfiguration;
  services.setLaunchAtLogin = [](bool enabled) -> std::optional<QString> {
    if (const auto error = LaunchAtLoginHelper::setEnabled(enabled)) {
      return error->errorDescription();
    }
    return std::nullopt;
  };
  services.setThemeMode = [](AppThemeMode mode) { Theme::shared().setMode(mode); };
  if (AppConfig::isGoogleClientConfigured()) {
    services.signInWithGoogle = [] { return GoogleOAuthCoordinator::shared().startSignIn(); };
  }
  services.geminiBaseUrl = CloudEmailIntelligenceProvider::defaultGeminiBaseUrl();
  services.chooseFile = openFileDialog;
  return services;
}

GmailServiceProtocol& SettingsServices::gmailService() const {
  return gmail != nullptr ? *gmail : GmailService::shared();
}
