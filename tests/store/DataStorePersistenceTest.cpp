#include "StoreTestSupport.h"

#include "core/model/DiagnosticLogger.h"
#include "core/store/StorageFile.h"

#include <QJsonArray>
#include <QSignalSpy>

#include <sys/resource.h>
#include <sys/stat.h>
#include <cmath>
#include <csignal>

using namespace storetest;

namespace {

int modeOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

bool logMentions(const QString& text) {
  const auto entries = DiagnosticLogger::shared().entries();
  return std::any_of(entries.begin(), entries.end(),
                     [&](const auto& entry) { return entry.message.contains(text); });
}

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

using Persistence = StoreTest;

// Setters notify at once but write nothing until a save; then everything survives a reopen.
TEST_F(Persistence, EverythingSurvivesAReopenAndSettersOnlySaveWhenAsked) {
  DataStore& s = open();
  s.addTask(makeTask("t", utc(2026, 3, 11, 9), RecurrenceRule::customDays(3)));
  s.addEmailSuggestion(makeSuggestion(EmailExtractedCategory::bill, "s"));
  const QByteArray fileBefore = readFile(databasePath());
  QSignalSpy intention(&s, &DataStore::dailyIntentionChanged);
  s.insertProcessedEmailMessageID("m1");
  s.setLastEmailSyncAt(utc(2026, 3, 10, 8));
  // Recorded as syncing, as when the app stops during a sync.
  s.setEmailSyncState({utc(2026, 3, 10, 8), "Found 1 new item", "me@example.com", true, 1});
  s.setDailyIntention("Ship it");
  s.setDailyIntention("Ship it");
  s.setCustomGreeting("Hello there");
  s.setCachedWeather(WeatherData{});
  AppSettings settings = s.settings();
  settings.weatherCity = "Oslo";
  s.setSettings(settings);
  EXPECT_EQ(intention.count(), 1);
  EXPECT_EQ(readFile(databasePath()), fileBefore);
  EXPECT_FALSE(QFile::exists(path("settings.json")));

  s.save();
  s.saveSettings();
  DashboardStorageContainer expected = s.container();
  expected.emailSyncState.isSyncing = false;
  EXPECT_EQ(expected.dailyIntentionDate, now);
  DataStore& again = open();
  EXPECT_EQ(again.container(), expected);
  EXPECT_EQ(again.settings(), settings);
  EXPECT_EQ(readFile(backupPath()), readFile(databasePath()));
}

TEST_F(Persistence, FirstRunShowsSampleDataInPrivateFiles) {
  QDir(folder()).removeRecursively();
  DataStore& s = open();
  EXPECT_TRUE(s.hasSampleData());
  expectSaved();
  s.saveSettings();
  s.removeAllSampleData();
  EXPECT_EQ(modeOf(folder()), 0700);
  // Only these four files, each private: no temporary file is left behind.
  const QStringList files = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(files.size(), 4);
  for (const QString& file : files) {
    EXPECT_EQ(modeOf(folder() + '/' + file), 0600) << file.toStdString();
  }
}

// A database that cannot be read falls back to a good backup, else starts empty; either way it
// stays in place until something is written, then is kept aside under the time of that write.
TEST_F(Persistence, UnreadableOrOldDatabasesFallBackToTheBackupAndAreKeptAside) {
  const QList<TaskItem> precious = {makeTask("precious")};
  const QByteArray good = databaseWith(precious);
  const struct {
    const char* label;
    QByteArray database, backup;  // an empty backup means none
    QList<TaskItem> tasks;
    int backupsAside;
    const char* loadedInstead;  // as the user is told
  } cases[] = {
      {"torn", good.left(40), good, precious, 0, "backup copy dashboard.backup.json was loaded"},
      {"no backup", "{\"schemaVersion\": 3, \"tasks\": [ {\"id\": 1} ] }", {}, {}, 0,
       "opened with no data"},
      {"both unreadable", "not json", "[]", {}, 1, "could not be read either"},
      {"old layout", "{\"schemaVersion\": 2, \"tasks\": []}", {}, {}, 0, "opened with no data"}};
  now = utc(2026, 3, 10, 9, 30, 15);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    store.reset();
    QDir(folder()).removeRecursively();
    writeFile(databasePath(), c.database);
    if (!c.backup.isEmpty()) {
      writeFile(backupPath(), c.backup);
    }
    DataStore& s = open();
    EXPECT_EQ(s.tasks(), c.tasks);
    EXPECT_FALSE(s.hasSampleData());
    EXPECT_EQ(readFile(databasePath()), c.database);
    // Which file, where it is kept, that nothing was deleted, and what was loaded instead.
    ASSERT_TRUE(s.loadWarning().has_value());
    EXPECT_FALSE(s.saveError().has_value());
    for (const QString& part : {QString("dashboard.json could not be read"),
                                QString(c.loadedInstead), folder(), QString("nothing was deleted")}) {
      EXPECT_TRUE(s.loadWarning()->contains(part)) << s.loadWarning()->toStdString();
    }
    QSignalSpy warningChanged(&s, &DataStore::loadWarningChanged);
    s.addTask(makeTask("fresh"));
    EXPECT_EQ(warningChanged.count(), 1);
    EXPECT_TRUE(s.loadWarning()->contains(
        "set aside as dashboard.unreadable-20260310-093015.json in " + folder()));
    EXPECT_EQ(readFile(path("dashboard.unreadable-20260310-093015.json")), c.database);
    EXPECT_EQ(filesStartingWith(folder(), "dashboard.backup.unreadable-").size(), c.backupsAside);
    expectSaved();
  }
  EXPECT_TRUE(logMentions("aside as dashboard.unreadable-20260310-093015.json"));
  EXPECT_TRUE(logMentions("storage version 2"));
}

// Shown as far as it is understood, and never written over, even when it does not decode.
TEST_F(Persistence, ANewerLayoutOpensReadOnly) {
  DashboardStorageContainer newer;
  newer.schemaVersion = 4;
  newer.tasks = {makeTask("from the future")};
  const std::pair<QByteArray, qsizetype> cases[] = {
      {QJsonDocument(newer.toJson()).toJson(), 1},
      {"{\"schemaVersion\": 9, \"everything\": 1}", 0}};
  for (const auto& [bytes, shown] : cases) {
    writeFile(databasePath(), bytes);
    DataStore& s = open();
    EXPECT_TRUE(s.isReadOnly());
    ASSERT_TRUE(s.saveError().has_value());
    EXPECT_TRUE(s.saveError()->contains("newer version"));
    EXPECT_EQ(s.tasks().size(), shown);
    s.addTask(makeTask("in memory only"));
    s.clearCompletedTasks();
    EXPECT_EQ(s.tasks().size(), shown + 1);
    EXPECT_EQ(readFile(databasePath()), bytes);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files).size(), 1);
  }
}

TEST_F(Persistence, SettingsKeepDefaultsForWhatIsMissingAndSetAsideWhatIsUnreadable) {
  writeFile(path("settings.json"),
            "{\"weatherCity\": \"Lisbon\", \"focusDurationMinutes\": \"x\"}");
  AppSettings expected;
  expected.weatherCity = "Lisbon";
  EXPECT_EQ(open().settings(), expected);

  writeFile(path("settings.json"), "{ broken");
  DataStore& s = open();
  EXPECT_EQ(s.settings(), AppSettings{});
  s.saveSettings();
  EXPECT_EQ(filesStartingWith(folder(), "settings.unreadable-").size(), 1);
  EXPECT_FALSE(s.saveError().has_value());
}

// A write cut short (full disk, quota) leaves the old files whole and the records in memory.
TEST_F(Persistence, AFailedWriteKeepsEverythingAndTheNextSaveClearsTheError) {
  DataStore& s = open();
  for (int i = 0; i < 40; ++i) {
    s.addTask(makeTask(QStringLiteral("task %1").arg(i)));
  }
  const QByteArray saved = readFile(databasePath());
  ASSERT_GT(saved.size(), 4096);
  QSignalSpy errorChanged(&s, &DataStore::saveErrorChanged);
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit unlimited = limit;
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &limit);
  s.addTask(makeTask("written during the outage"));
  setrlimit(RLIMIT_FSIZE, &unlimited);
  std::signal(SIGXFSZ, previousHandler);

  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(logMentions(*s.saveError()));
  EXPECT_EQ(s.tasks().size(), 41);
  EXPECT_EQ(readFile(databasePath()), saved);
  EXPECT_EQ(readFile(backupPath()), saved);
  EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(), 2);

  s.addTask(makeTask("after the outage"));
  EXPECT_FALSE(s.saveError().has_value());
  EXPECT_EQ(errorChanged.count(), 2);
  expectSaved();
}

// Such a record would be written in a form that cannot be read back, and the next launch would
// find the whole database unreadable.
TEST_F(Persistence, RecordsThatWouldNotReadBackAreRefused) {
  DataStore& s = open();
  const TaskItem good = makeTask("good");
  s.addTask(good);
  TaskItem noDate = makeTask("no creation date");
  noDate.createdAt = QDateTime();
  s.addTask(noDate);
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(s.saveError()->contains("createdAt"));
  BillItem notANumber = makeBill("NaN", utc(2026, 3, 20, 9));
  notANumber.amount = std::nan("");
  s.addBill(notANumber);
  s.toggleTaskCompletion(good.id, QDateTime());
  const DashboardStorageContainer expected = s.container();
  EXPECT_EQ(expected.tasks, QList{good});
  EXPECT_TRUE(expected.bills.isEmpty());
  EXPECT_EQ(open().container(), expected);  // what is on disk still loads
}

// The store copies the text of unchanged records from the file it last wrote or loaded. Once
// something else rewrote that file in place, the next save must hold the store's records, not
// pieces of the other text.
TEST_F(Persistence, ADatabaseRewrittenInPlaceIsNotCopiedIntoTheNextSave) {
  DataStore& first = open();
  for (int i = 0; i < 3; ++i) {
    first.addTask(makeTask(QStringLiteral("task %1").arg(i)));
  }
  for (const bool reopened : {false, true}) {
    DataStore& s = reopened ? open() : first;  // the file it wrote, or the file it loaded
    QByteArray other = readFile(databasePath());
    other.replace("task", "TASK");
    QFile inPlace(databasePath());
    ASSERT_TRUE(inPlace.open(QIODevice::ReadWrite | QIODevice::Truncate));
    inPlace.write(other + "\n");
    inPlace.close();

    s.addTask(makeTask(QStringLiteral("added")));
    EXPECT_FALSE(s.saveError().has_value());
    EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());
    EXPECT_EQ(readFile(backupPath()), readFile(databasePath()));
  }
}

TEST(StorageFileTest, CopiesFromAKeptFileOnlyWhileItIsUnchanged) {
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("source.json"));
  const QString target = dir.filePath(QStringLiteral("target.json"));
  std::shared_ptr<KeptFile> kept;
  ASSERT_FALSE(StorageFile::writeAtomically(source, FileContent{QByteArray("0123456789")}, false,
                                            &kept));
  ASSERT_TRUE(kept);
  const FileContent content{QByteArray("["), ContentPart(kept.get(), 2, 5),
                            ContentPart(QByteArray("abcdef"), 1, 3), QByteArray("]")};
  ASSERT_FALSE(StorageFile::writeAtomically(target, content).has_value());
  EXPECT_EQ(readFile(target), QByteArray("[23456bcd]"));

  writeFile(source, "changed in place");
  EXPECT_TRUE(StorageFile::writeAtomically(target, content).has_value());
  EXPECT_EQ(readFile(target), QByteArray("[23456bcd]"));
}

TEST(StorageFileTest, SetsAsideWithoutReplacingAnEarlierCopy) {
  QTemporaryDir dir;
  const QString path = dir.filePath("dashboard.json");
  writeFile(path, "one");

  const QDateTime at = utc(2026, 1, 2, 3, 4, 5);
  const auto first = StorageFile::setAside(path, "dashboard", at);
  writeFile(path, "two");
  const auto second = StorageFile::setAside(path, "dashboard", at);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(readFile(*first), "one");
  EXPECT_EQ(readFile(*second), "two");
  EXPECT_FALSE(QFile::exists(path));
}

// One record that cannot be read no longer hides the store: the others load, the bad one is
// kept as it was in a side file, the user is told, and saving does not lose it.
TEST_F(Persistence, OneUnreadableRecordIsKeptAsideAndTheRestLoads) {
  const QList<TaskItem> good = {makeTask("one"), makeTask("two"), makeTask("three")};
  QJsonObject bad = makeTask("critical").toJson();
  bad.insert("priority", "Critical");
  const QByteArray bytes = databaseWith(good, bad);
  writeFile(databasePath(), bytes);
  writeFile(backupPath(), bytes);

  DataStore& s = open();
  EXPECT_EQ(s.tasks(), good);
  EXPECT_EQ(s.bills().size(), 1);
  EXPECT_FALSE(s.saveError().has_value()) << "nothing failed to save";
  ASSERT_TRUE(s.loadWarning().has_value());
  EXPECT_TRUE(s.loadWarning()->contains("1 record could not be read"));
  const QStringList side = filesStartingWith(folder(), "dashboard.unreadable-records");
  ASSERT_EQ(side.size(), 1);
  const QJsonObject kept =
      QJsonDocument::fromJson(readFile(folder() + '/' + side.first())).object();
  ASSERT_EQ(kept.value("records").toArray().size(), 1);
  EXPECT_EQ(kept.value("records")[0]["record"].toObject(), bad);

  s.addTask(makeTask("four"));
  EXPECT_EQ(loadContainer(databasePath()).tasks.size(), 4);
  EXPECT_EQ(filesStartingWith(folder(), "dashboard.unreadable").size(), 1);
  EXPECT_TRUE(s.loadWarning().has_value()) << "the warning stays in view";
}

// Files far beyond any store, links in place of the files, leftovers of interrupted writes and an
// open folder: each is handled at launch or before the next write.
TEST_F(Persistence, LaunchMendsTheFolderAndNeverWritesThroughALink) {
  const QByteArray good = databaseWith({makeTask("kept")});
  writeFile(backupPath(), good);
  QFile huge(databasePath());
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_TRUE(huge.resize(StorageFile::maximumReadSize + 1));  // sparse: costs no disk
  huge.close();
  const QString leftover = backupPath() + ".Ab3xYz";
  writeFile(leftover, good);
  ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0755), 0);

  DataStore& s = open();
  ASSERT_EQ(s.tasks().size(), 1) << "the oversized file falls back to the backup";
  EXPECT_FALSE(QFileInfo::exists(leftover));
  EXPECT_EQ(modeOf(folder()), 0700);
  store.reset();

  // A dangling link in place of the database.
  const QString outside = folder() + "-elsewhere.json";
  ASSERT_TRUE(QFile::remove(databasePath()));
  ASSERT_TRUE(QFile::link(outside, databasePath()));
  writeFile(backupPath(), good);
  open().addTask(makeTask("after link"));
  EXPECT_FALSE(QFileInfo::exists(outside)) << "nothing is written through the link";
  EXPECT_EQ(loadContainer(databasePath()).tasks.size(), 2);
}

}  // namespace
