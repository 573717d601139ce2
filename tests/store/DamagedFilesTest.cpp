#include "StoreTestSupport.h"

#include "core/store/StorageFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

using namespace storetest;
using testsupport::utc;

namespace {

using DamagedFiles = StoreTest;

QByteArray databaseWith(const QList<TaskItem>& tasks, const QJsonObject& extraTask = {}) {
  DashboardStorageContainer container;
  container.tasks = tasks;
  container.bills.append(makeBill("Rent", utc(2026, 3, 20)));
  QJsonObject json = container.toJson();
  if (!extraTask.isEmpty()) {
    QJsonArray list = json.value("tasks").toArray();
    list.insert(1, extraTask);
    json.insert("tasks", list);
  }
  return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

}  // namespace

// One record that cannot be read no longer hides the store: the others load, the bad one is
// kept as it was in a side file, the user is told, and saving does not lose it.
TEST_F(DamagedFiles, OneUnreadableRecordIsKeptAsideAndTheRestLoads) {
  const QList<TaskItem> good = {makeTask("one"), makeTask("two"), makeTask("three")};
  QJsonObject bad = makeTask("critical").toJson();
  bad.insert("priority", "Critical");
  const QByteArray bytes = databaseWith(good, bad);
  writeFile(databasePath(), bytes);
  writeFile(backupPath(), bytes);

  DataStore& s = open();
  EXPECT_EQ(s.tasks(), good);
  EXPECT_EQ(s.bills().size(), 1);
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(s.saveError()->contains("1 record could not be read"))
      << s.saveError()->toStdString();
  const QStringList side = filesStartingWith(folder(), "dashboard.unreadable-records");
  ASSERT_EQ(side.size(), 1);
  const QJsonArray kept = QJsonDocument::fromJson(readFile(QDir(folder()).filePath(side.first())))
                              .object()
                              .value("records")
                              .toArray();
  ASSERT_EQ(kept.size(), 1);
  EXPECT_EQ(kept.at(0).toObject().value("record").toObject(), bad);

  s.addTask(makeTask("four"));
  EXPECT_EQ(loadContainer(databasePath()).tasks.size(), 4);
  EXPECT_TRUE(filesStartingWith(folder(), "dashboard.unreadable-2").isEmpty())
      << "the database itself was readable and is not set aside";
  EXPECT_TRUE(s.saveError().has_value()) << "the warning stays in view";
}

// Files far beyond any store, links in place of the files, leftovers of interrupted writes, an
// open folder and a damaged backup: each is handled at launch or before the next write.
TEST_F(DamagedFiles, LaunchMendsTheFolderAndNeverWritesThroughALink) {
  const QByteArray good = databaseWith({makeTask("kept")});
  writeFile(backupPath(), good);
  {
    QFile huge(databasePath());
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_TRUE(huge.resize(StorageFile::maximumReadSize + 1));  // sparse: costs no disk
  }
  const QString leftover = backupPath() + ".Ab3xYz";
  writeFile(leftover, good);
  ASSERT_TRUE(QFile::setPermissions(folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));

  DataStore& s = open();
  ASSERT_EQ(s.tasks().size(), 1) << "the oversized file falls back to the backup";
  EXPECT_FALSE(QFileInfo::exists(leftover));
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(folder()).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  s.addTask(makeTask("new"));
  EXPECT_EQ(filesStartingWith(folder(), "dashboard.unreadable").size(), 1);
  store.reset();

  // A dangling link, and a damaged backup beside a good main file.
  const QString outside = folder() + "-elsewhere.json";
  ASSERT_TRUE(QFile::remove(databasePath()));
  ASSERT_TRUE(QFile::link(outside, databasePath()));
  writeFile(backupPath(), good);
  DataStore& again = open();
  again.addTask(makeTask("after link"));
  EXPECT_FALSE(QFileInfo::exists(outside)) << "nothing is written through the link";
  EXPECT_FALSE(QFileInfo(databasePath()).isSymLink());
  EXPECT_EQ(loadContainer(databasePath()).tasks.size(), 2);
  store.reset();

  writeFile(backupPath(), QByteArrayLiteral("{\"schemaVersion\": 3, \"tasks\": ["));
  DataStore& third = open();
  third.addTask(makeTask("third"));
  EXPECT_EQ(filesStartingWith(folder(), "dashboard.backup.unreadable").size(), 1)
      << "the damaged backup is kept aside, not written over";
}
