#include "SettingsTestSupport.h"

#include "app/screens/settings/DataSettingsPage.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace settingstest;

class DataSettingsTest : public SettingsTest {
 protected:
  QTemporaryDir dir;
};

TEST_F(DataSettingsTest, BackupRoundTripThroughTheFileDialog) {
  const auto view = makeView();
  auto* page = static_cast<DataSettingsPage*>(view->page(SettingsTab::data));
  const QList<TaskItem> tasks = store().tasks();
  ASSERT_FALSE(tasks.isEmpty());

  chosenPath = dir.filePath(QStringLiteral("backup.json"));
  page->exportBackup();
  ASSERT_EQ(fileRequests.size(), 1);
  EXPECT_EQ(fileRequests.at(0).suggestedName, QStringLiteral("Pelmora_Backup_2026-03-10_1030.json"));
  EXPECT_EQ(view->state().exportStatusMessage, QStringLiteral("Backup saved as backup.json."));

  emptyStore();
  page->importBackup();
  EXPECT_FALSE(view->state().isShowingImportPicker);
  EXPECT_EQ(store().tasks(), tasks);
}

TEST_F(DataSettingsTest, FailuresAndCancelsAreReportedAsSuch) {
  struct Case {
    const char* name;
    QByteArray fileContents;  // empty: the dialog is cancelled
    bool failed;
  };
  const std::vector<Case> cases = {
      {"cancelled", {}, false},
      {"truncated", R"({"version":1,"container":{"tasks":[)", true},
      {"foreign", R"({"name":"something else"})", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QList<TaskItem> before = store().tasks();
    chosenPath.clear();
    if (!c.fileContents.isEmpty()) {
      chosenPath = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".json"));
      QFile file(chosenPath);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(c.fileContents);
    }
    const auto view = makeView();
    static_cast<DataSettingsPage*>(view->page(SettingsTab::data))->importBackup();
    EXPECT_FALSE(view->state().isShowingImportPicker);
    EXPECT_EQ(store().tasks(), before);
    EXPECT_EQ(view->state().exportStatusMessage.has_value(), c.failed);
    if (c.failed) {
      QLabel* line = withText<QLabel>(view.get(), *view->state().exportStatusMessage);
      ASSERT_NE(line, nullptr);
      EXPECT_EQ(line->palette().color(QPalette::WindowText), Theme::color(ThemeColor::red, line));
    }
  }
}

TEST_F(DataSettingsTest, CsvExportsNameTheirKind) {
  const auto view = makeView();
  auto* page = static_cast<DataSettingsPage*>(view->page(SettingsTab::data));
  chosenPath = dir.filePath(QStringLiteral("out.csv"));
  page->exportTasks();
  page->exportWaitingFor();
  page->exportBills();
  ASSERT_EQ(fileRequests.size(), 3);
  EXPECT_TRUE(fileRequests.at(0).suggestedName.startsWith(QStringLiteral("Tasks_")));
  EXPECT_TRUE(fileRequests.at(1).suggestedName.startsWith(QStringLiteral("WaitingFor_")));
  EXPECT_TRUE(fileRequests.at(2).suggestedName.startsWith(QStringLiteral("Bills_")));
  EXPECT_TRUE(QFile::exists(chosenPath));
  EXPECT_EQ(view->state().exportStatusMessage, QStringLiteral("Saved out.csv."));
}

TEST_F(DataSettingsTest, ResetOnlyAfterConfirmation) {
  for (const bool confirm : {false, true}) {
    SCOPED_TRACE(confirm ? "confirmed" : "cancelled");
    const auto view = makeView();
    view->selectTab(SettingsTab::data);
    withText<QPushButton>(view.get(), QStringLiteral("Reset All Data\u2026"))->click();
    EXPECT_TRUE(view->state().isShowingResetConfirmation);
    QMessageBox* alert = openAlert(view.get());
    ASSERT_NE(alert, nullptr);
    answer(alert, confirm ? QStringLiteral("Reset All Data") : QStringLiteral("Cancel"));
    EXPECT_FALSE(view->state().isShowingResetConfirmation);
    EXPECT_EQ(store().tasks().isEmpty(), confirm);
  }
}
