#pragma once

#include "app/screens/settings/SettingsPage.h"

class QPlainTextEdit;
class QPushButton;

// What Pelmora keeps from e-mail, deleting it, and the consent to the cloud AI.
class PrivacySettingsPage : public SettingsPage {
  Q_OBJECT

 public:
  PrivacySettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);

  // Asks first; the answer deletes the suggestions, the examined identifiers, the sync state
  // and the Gmail tokens.
  void confirmDeleteEmailData();
  void withdrawCloudConsent();

 protected:
  void refresh() override;

 private:
  void deleteEmailData();

  QLabel* kept_;
  QPushButton* delete_;
  QLabel* deleteLine_;
  QLabel* consent_;
  QPushButton* withdraw_;
};

// The diagnostic log, to read, copy or save.
class DiagnosticsSettingsPage : public SettingsPage {
  Q_OBJECT

 public:
  DiagnosticsSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);

  void reload();
  void copyToClipboard();
  void exportToFile();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* count_;
  QPlainTextEdit* log_;
  QLabel* messageLine_;
};
