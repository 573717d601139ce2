#include "app/screens/settings/DataSettingsPage.h"

#include "app/ui/Confirmation.h"
#include "core/store/DataStore.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPromise>
#include <QPushButton>
#include <QThreadPool>

DataSettingsPage::DataSettingsPage(std::shared_ptr<SettingsContext> pageContext, QWidget* parent)
    : SettingsPage(std::move(pageContext), SettingsTab::data, parent) {
  addSection(QStringLiteral("Backup"));
  addNote(QStringLiteral("A backup holds every task, bill, waiting-for item, event, focus "
                         "session and e-mail suggestion in one JSON file. Importing one replaces "
                         "what is here now; a safety copy of it is kept first."));
  exportBackup_ = new QPushButton(QStringLiteral("Export Backup\u2026"), this);
  import_ = new QPushButton(QStringLiteral("Import Backup\u2026"), this);
  addRow(QStringLiteral("Backup:"), buttonRow({exportBackup_, import_}));
  connect(exportBackup_, &QPushButton::clicked, this, &DataSettingsPage::exportBackup);
  connect(import_, &QPushButton::clicked, this, &DataSettingsPage::importBackup);
  // Right under the buttons, where the eyes are after a choice; CSV files and the reset report
  // here too.
  statusLine_ = addMessageLine();

  addSection(QStringLiteral("Spreadsheets"));
  auto* tasks = new QPushButton(QStringLiteral("Tasks\u2026"), this);
  auto* waiting = new QPushButton(QStringLiteral("Waiting For\u2026"), this);
  auto* bills = new QPushButton(QStringLiteral("Bills\u2026"), this);
  addRow(QStringLiteral("Export as CSV:"), buttonRow({tasks, waiting, bills}));
  connect(tasks, &QPushButton::clicked, this, &DataSettingsPage::exportTasks);
  connect(waiting, &QPushButton::clicked, this, &DataSettingsPage::exportWaitingFor);
  connect(bills, &QPushButton::clicked, this, &DataSettingsPage::exportBills);

  addSection(QStringLiteral("Start over"));
  addNote(QStringLiteral("Deletes every record of Pelmora on this computer. Your settings stay, "
                         "and a safety copy of the data is kept."));
  reset_ = new QPushButton(QStringLiteral("Reset All Data\u2026"), this);
  addRow(QStringLiteral("Reset:"), buttonRow({reset_}));
  connect(reset_, &QPushButton::clicked, this, &DataSettingsPage::confirmReset);

  connect(&importWatcher_, &QFutureWatcherBase::finished, this, &DataSettingsPage::finishImport);
  redraw();
}

void DataSettingsPage::refresh() {
  const SettingsState& state = context().state();
  // Another import, an export or a reset while one runs would act on data about to be replaced.
  exportBackup_->setEnabled(!state.isImporting);
  import_->setEnabled(!state.isShowingImportPicker && !state.isImporting);
  reset_->setEnabled(!state.isShowingResetConfirmation && !state.isImporting);
  showMessage(statusLine_, state.exportStatusMessage,
              statusIsError_ ? ThemeColor::red : ThemeColor::secondary);
}

void DataSettingsPage::report(const std::function<void()>& work, const QString& done) {
  std::optional<QString> failure;
  try {
    work();
  } catch (const std::exception& error) {
    failure = failureText(error);
  }
  statusIsError_ = failure.has_value();
  context().updateState([&](SettingsState& s) { s.exportStatusMessage = failure.value_or(done); });
}

void DataSettingsPage::exportBackup() {
  const auto& choose = context().services().chooseFile;
  DataStore* store = context().env().store;
  if (!choose || store == nullptr) {
    return;
  }
  const QDateTime now = context().env().now();
  FileRequest request;
  request.caption = QStringLiteral("Export Backup");
  request.suggestedName = ExportImportManager::backupFileName(now, context().env().calendar);
  request.filter = QStringLiteral("Pelmora backups (*.json)");
  QPointer<DataSettingsPage> self(this);
  choose(this, request, [self, now](const QString& path) {
    if (!self || path.isEmpty() || !self->context().env().store) {
      return;
    }
    const ExportImportManager manager(*self->context().env().store);
    self->report([&] { manager.exportBackup(path, now); },
                 QStringLiteral("Backup saved as %1.").arg(QFileInfo(path).fileName()));
  });
}

void DataSettingsPage::importBackup() {
  const auto& choose = context().services().chooseFile;
  if (!choose || context().state().isShowingImportPicker || context().state().isImporting) {
    return;
  }
  context().updateState([](SettingsState& s) { s.isShowingImportPicker = true; });
  FileRequest request;
  request.forSaving = false;
  request.caption = QStringLiteral("Import Backup");
  request.filter = QStringLiteral("Pelmora backups (*.json)");
  QPointer<DataSettingsPage> self(this);
  choose(this, request, [self](const QString& path) {
    if (!self) {
      return;
    }
    self->context().updateState([](SettingsState& s) { s.isShowingImportPicker = false; });
    if (path.isEmpty() || !self->context().env().store) {
      return;
    }
    self->startImport(path);
  });
}

void DataSettingsPage::startImport(const QString& path) {
  importName_ = QFileInfo(path).fileName();
  statusIsError_ = false;
  context().updateState([this](SettingsState& s) {
    s.isImporting = true;
    s.exportStatusMessage = QStringLiteral("Importing %1\u2026").arg(importName_);
  });
  auto promise = std::make_shared<QPromise<ReadBackup>>();
  importWatcher_.setFuture(promise->future());
  promise->start();
  QThreadPool::globalInstance()->start([promise, path] {
    ReadBackup read;
    try {
      read.container = ExportImportManager::readBackup(path);
    } catch (const std::exception& error) {
      read.failure = failureText(error);
    }
    promise->addResult(std::move(read));
    promise->finish();
  });
}

void DataSettingsPage::finishImport() {
  context().updateState([](SettingsState& s) { s.isImporting = false; });
  ReadBackup read = importWatcher_.future().takeResult();
  if (!read.container) {
    statusIsError_ = true;
    context().updateState([&](SettingsState& s) { s.exportStatusMessage = read.failure; });
    return;
  }
  DataStore* store = context().env().store;
  if (store == nullptr) {
    return;
  }
  ExportImportManager manager(*store);
  report([&] { manager.importContainer(std::move(*read.container)); },
         QStringLiteral("Imported %1. What was here before is kept as a safety copy.")
             .arg(importName_));
}

void DataSettingsPage::exportTasks() { exportCsv(ExportImportManager::CsvKind::tasks); }
void DataSettingsPage::exportWaitingFor() { exportCsv(ExportImportManager::CsvKind::waitingFor); }
void DataSettingsPage::exportBills() { exportCsv(ExportImportManager::CsvKind::bills); }

void DataSettingsPage::exportCsv(ExportImportManager::CsvKind csvKind) {
  const auto& choose = context().services().chooseFile;
  if (!choose || context().env().store == nullptr) {
    return;
  }
  FileRequest request;
  request.caption = QStringLiteral("Export as CSV");
  request.suggestedName =
      ExportImportManager::csvFileName(csvKind, context().env().now(), context().env().calendar);
  request.filter = QStringLiteral("CSV files (*.csv)");
  QPointer<DataSettingsPage> self(this);
  choose(this, request, [self, csvKind](const QString& path) {
    if (!self || path.isEmpty() || !self->context().env().store) {
      return;
    }
    const ExportImportManager manager(*self->context().env().store);
    self->report([&] { manager.exportCSV(csvKind, path); },
                 QStringLiteral("Saved %1.").arg(QFileInfo(path).fileName()));
  });
}

void DataSettingsPage::confirmReset() {
  if (context().state().isShowingResetConfirmation) {
    return;
  }
  context().updateState([](SettingsState& s) { s.isShowingResetConfirmation = true; });
  const ConfirmationText text{
      QStringLiteral("Reset All Data"), QStringLiteral("Delete all of your Pelmora data?"),
      QStringLiteral("Every task, bill, waiting-for item, event, focus session and e-mail "
                     "suggestion is deleted. A safety copy is kept in Pelmora's data folder."),
      QStringLiteral("Reset All Data")};
  askToConfirm(this, text, [this](bool confirmed) {
    context().updateState([](SettingsState& s) { s.isShowingResetConfirmation = false; });
    DataStore* store = context().env().store;
    if (!confirmed || store == nullptr) {
      return;
    }
    ExportImportManager manager(*store);
    report([&] { manager.resetAllData(); },
           QStringLiteral("All data was deleted. A safety copy was kept."));
  });
}
