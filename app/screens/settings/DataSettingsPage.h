#pragma once

#include "app/screens/settings/SettingsPage.h"
#include "core/store/ExportImportManager.h"

#include <functional>

class QPushButton;

// Backups in and out, spreadsheets of the lists, and starting over.
class DataSettingsPage : public SettingsPage {
  Q_OBJECT

 public:
  DataSettingsPage(std::shared_ptr<SettingsContext> context, QWidget* parent = nullptr);

  void exportBackup();
  void importBackup();
  void exportTasks();
  void exportWaitingFor();
  void exportBills();
  // Asks first; the answer resets after a safety copy.
  void confirmReset();

 protected:
  void refresh() override;

 private:
  void exportCsv(ExportImportManager::CsvKind kind);
  // Runs `work` and shows `done`, or the failure's text.
  void report(const std::function<void()>& work, const QString& done);

  QPushButton* import_;
  QPushButton* reset_;
  QLabel* statusLine_;
  bool statusIsError_ = false;
};
