#pragma once

#include "app/screens/settings/SettingsPage.h"
#include "core/store/ExportImportManager.h"

#include <QFutureWatcher>

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
  // A backup read and checked off the window's thread, or why it was refused.
  struct ReadBackup {
    std::optional<DashboardStorageContainer> container;
    QString failure;
  };

  void exportCsv(ExportImportManager::CsvKind kind);
  // Runs `work` and shows `done`, or the failure's text.
  void report(const std::function<void()>& work, const QString& done);
  // Reads the backup on a worker; the window stays responsive and the page says so.
  void startImport(const QString& path);
  void finishImport();

  QPushButton* exportBackup_;
  QPushButton* import_;
  QPushButton* reset_;
  QLabel* statusLine_;
  bool statusIsError_ = false;
  QFutureWatcher<ReadBackup> importWatcher_;
  QString importName_;  // the file being imported
};
