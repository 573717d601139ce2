#include "SettingsTestSupport.h"

#include "app/screens/settings/DataSettingsPage.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace settingstest;

class DataSettingsTest : public SettingsTest {
 protected:
  DataSettingsPage* page(SettingsView& view) {
    return static_cast<DataSettingsPage*>(view.page(SettingsTab::data));
  }
  QTemporaryDir dir;
};

// A backup and the spreadsheets go where the file dialog says, under names that say what they
// hold; the backup brings the tasks back.
TEST_F(DataSettingsTest, BackupRoundTripsAndSpreadsheetsNameTheirKind) {
  const auto view = makeView();
  const QList<TaskItem> tasks = store().tasks();
  ASSERT_FALSE(tasks.isEmpty());
  chosenPath = dir.filePath(QStringLiteral("backup.json"));
  page(*view)->exportBackup();
  ASSERT_EQ(fileRequests.size(), 1);
  EXPECT_EQ(fileRequests.at(0).suggestedName, QStringLiteral("Pelmora_Backup_2026-03-10_1030.json"));
  EXPECT_EQ(view->state().exportStatusMessage, QStringLiteral("Backup saved as backup.json."));
  emptyStore();
  page(*view)->importBackup();
  EXPECT_FALSE(view->state().isShowingImportPicker);
  EXPECT_EQ(store().tasks(), tasks);

  chosenPath = dir.filePath(QStringLiteral("out.csv"));
  page(*view)->exportTasks();
  page(*view)->exportWaitingFor();
  page(*view)->exportBills();
  ASSERT_EQ(fileRequests.size(), 5);
  EXPECT_TRUE(fileRequests.at(2).suggestedName.startsWith(QStringLiteral("Tasks_")));
  EXPECT_TRUE(fileRequests.at(3).suggestedName.startsWith(QStringLiteral("WaitingFor_")));
  EXPECT_TRUE(fileRequests.at(4).suggestedName.startsWith(QStringLiteral("Bills_")));
  EXPECT_TRUE(QFile::exists(chosenPath));
  EXPECT_EQ(view->state().exportStatusMessage, QStringLiteral("Saved out.csv."));
}

TEST_F(DataSettingsTest, FailuresAndCancelsAreReportedAsSuch) {
  const struct {
    const char* name;
    QByteArray fileContents;  // empty: the dialog is cancelled
  } cases[] = {
      {"cancelled", {}},
      {"truncated", R"({"version":1,"container":{"tasks":[)"},
      {"foreign", R"({"name":"something else"})"},
  };
  for (const auto& c : cases) {
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
    page(*view)->importBackup();
    EXPECT_FALSE(view->state().isShowingImportPicker);
    EXPECT_EQ(store().tasks(), before);
    EXPECT_EQ(view->state().exportStatusMessage.has_value(), !c.fileContents.isEmpty());
    if (view->state().exportStatusMessage) {
      QLabel* line = withText<QLabel>(view.get(), *view->state().exportStatusMessage);
      ASSERT_NE(line, nullptr);
      EXPECT_EQ(line->palette().color(QPalette::WindowText), Theme::color(ThemeColor::red, line));
    }
  }
}
