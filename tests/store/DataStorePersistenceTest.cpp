#include "StoreTestSupport.h"

#include "core/model/DiagnosticLogger.h"
#include "core/store/StorageFile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>

#include <sys/resource.h>
#include <sys/stat.h>
#include <cmath>
#include <csignal>

using namespace storetest;
using testsupport::utc;

namespace {

int modeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
    return -1;
  }
  return int(info.st_mode & 07777);
}

bool logMentions(const QString& text) {
  const auto entries = DiagnosticLogger::shared().entries();
  return std::any_of(entries.begin(), entries.end(),
                     [&](const auto& entry) { return entry.message.contains(text); });
}

// Limits the size of files this process may write, as a full disk or quota would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

using Persistence = StoreTest;
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

// Setters notify at once but write nothing until a save; then everything survives a reopen.
TEST_F(Persistence, EverythingSurvivesAReopenAndSettersOnlySaveWhenAsked) {
  DataStore& s = open();
  s.addTask(makeTask("t", utc(2026, 3, 11, 9), RecurrenceRule::customDays(3)));
  s.addBill(makeBill("b", utc(2026, 3, 20, 9)));
  s.addWaitingItem(makeWaiting("w", utc(2026, 3, 2, 9)));
  s.addManualEvent(makeEvent("e", utc(2026, 3, 12, 9), 45));
  s.addFocusSession({QUuid::createUuid(), FocusSessionType::focus, utc(2026, 3, 10, 8),
                     utc(2026, 3, 10, 8, 25), 1500, std::nullopt, std::nullopt});
  s.addEmailSuggestion(makeSuggestion(EmailExtractedCategory::bill, "s"));
  const QByteArray fileBefore = readFile(databasePath());
  QSignalSpy intention(&s, &DataStore::dailyIntentionChanged);
  QSignalSpy settingsChanged(&s, &DataStore::settingsChanged);
  s.insertProcessedEmailMessageID("m1");
  s.insertProcessedEmailMessageID("m2");
  s.setLastEmailSyncAt(utc(2026, 3, 10, 8));
  // Recorded as syncing, as when the app stops during a sync.
  s.setEmailSyncState({utc(2026, 3, 10, 8), "Found 1 new item", "me@example.com", true, 1});
  s.setDailyIntention("Ship it");
  s.setDailyIntention("Ship it");
  s.setCustomGreeting("Hello there");
  WeatherData weather;
  weather.locationName = "Berlin, Germany";
  weather.temperature = 7.5;
  weather.fetchedAt = utc(2026, 3, 10, 8, 30);
  s.setCachedWeather(weather);
  AppSettings settings = s.settings();
  settings.weatherCity = "Oslo";
  s.setSettings(settings);
  s.setSettings(settings);
  EXPECT_EQ(intention.count(), 1);
  EXPECT_EQ(settingsChanged.count(), 1);
  EXPECT_EQ(readFile(databasePath()), fileBefore);
  EXPECT_FALSE(QFile::exists(settingsPath()));

  s.save();
  s.saveSettings();
  DashboardStorageContainer expected = s.container();
  expected.emailSyncState.isSyncing = false;
  EXPECT_EQ(expected.dailyIntentionDate, now);
  DataStore& again = open();
  EXPECT_EQ(again.container(), expected);
  EXPECT_EQ(again.settings().weatherCity, "Oslo");
  EXPECT_EQ(again.processedEmailMessageIDs(), (QSet<QString>{"m1", "m2"}));
  EXPECT_EQ(again.customGreeting(), "Hello there");
  EXPECT_EQ(again.cachedWeather(), weather);
  EXPECT_EQ(again.emailSyncState().pendingCount, 1);
  EXPECT_EQ(readFile(backupPath()), readFile(databasePath()));
}

TEST_F(Persistence, FirstRunShowsSampleDataInPrivateFiles) {
  QDir(folder()).removeRecursively();
  DataStore& s = open();
  EXPECT_TRUE(s.hasSampleData());
  EXPECT_FALSE(s.tasks().isEmpty());
  EXPECT_FALSE(s.saveError().has_value());
  EXPECT_EQ(modeOf(folder()), 0700);
  EXPECT_EQ(modeOf(databasePath()), 0600);
  EXPECT_EQ(modeOf(backupPath()), 0600);
  expectSaved();

  s.saveSettings();
  EXPECT_EQ(modeOf(settingsPath()), 0600);
  s.removeAllSampleData();
  EXPECT_EQ(modeOf(snapshotPath()), 0600);
  // Only the four files: no temporary file is left behind.
  EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

TEST_F(Persistence, ACorruptDatabaseFallsBackToTheBackupAndIsKeptAside) {
  DataStore& s = open();
  const TaskItem task = makeTask("precious");
  s.addTask(task);
  store.reset();
  const QByteArray torn = readFile(databasePath()).left(40);
  writeFile(databasePath(), torn);

  DataStore& again = open();
  EXPECT_EQ(again.tasks(), QList{task});
  EXPECT_TRUE(logMentions("dashboard.json could not be read"));
  // Still in place until something is written.
  EXPECT_EQ(readFile(databasePath()), torn);

  now = utc(2026, 3, 10, 9, 30, 15);
  again.addTask(makeTask("new"));
  const QStringList aside = filesStartingWith(folder(), "dashboard.unreadable-");
  ASSERT_EQ(aside, QStringList{"dashboard.unreadable-20260310-093015.json"});
  EXPECT_EQ(readFile(folder() + '/' + aside.first()), torn);
  EXPECT_EQ(again.tasks().size(), 2);
  expectSaved();
  EXPECT_TRUE(logMentions("aside as dashboard.unreadable-20260310-093015.json"));
}

TEST_F(Persistence, UnreadableOrOldFilesWithoutAGoodBackupStartEmptyAndAreKeptAside) {
  const struct {
    const char* label;
    QByteArray database, backup;  // an empty backup means none
    int backupsAside;
  } cases[] = {
      {"no backup", "{\"schemaVersion\": 3, \"tasks\": [ {\"id\": 1} ] }", {}, 0},
      {"both unreadable", "not json", "[]", 1},
      {"old layout", "{\"schemaVersion\": 2, \"tasks\": []}", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    store.reset();
    QDir(folder()).removeRecursively();
    writeFile(databasePath(), c.database);
    if (!c.backup.isEmpty()) {
      writeFile(backupPath(), c.backup);
    }
    DataStore& s = open();
    EXPECT_TRUE(s.tasks().isEmpty());
    EXPECT_FALSE(s.hasSampleData());
    s.addTask(makeTask("fresh"));
    const QStringList aside = filesStartingWith(folder(), "dashboard.unreadable-");
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readFile(folder() + '/' + aside.first()), c.database);
    EXPECT_EQ(filesStartingWith(folder(), "dashboard.backup.unreadable-").size(), c.backupsAside);
    expectSaved();
  }
  EXPECT_TRUE(logMentions("storage version 2"));
}

TEST_F(Persistence, ANewerLayoutOpensReadOnly) {
  DashboardStorageContainer newer;
  newer.schemaVersion = 4;
  newer.tasks = {makeTask("from the future")};
  QJsonObject json = newer.toJson();
  json.insert("somethingNew", 1);
  const QByteArray bytes = QJsonDocument(json).toJson();
  writeFile(databasePath(), bytes);
  writeFile(settingsPath(), "{\"weatherCity\": \"Lima\"}");

  DataStore& s = open();
  EXPECT_TRUE(s.isReadOnly());
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(s.saveError()->contains("newer version"));
  EXPECT_EQ(s.tasks().size(), 1);  // shown as far as it is understood

  s.addTask(makeTask("in memory only"));
  s.clearCompletedTasks();
  AppSettings settings = s.settings();
  settings.weatherCity = "Quito";
  s.setSettings(settings);
  s.saveSettings();
  EXPECT_EQ(s.tasks().size(), 2);
  EXPECT_EQ(readFile(databasePath()), bytes);
  EXPECT_FALSE(QFile::exists(backupPath()));
  EXPECT_FALSE(QFile::exists(snapshotPath()));
  EXPECT_EQ(readFile(settingsPath()), "{\"weatherCity\": \"Lima\"}");
  EXPECT_TRUE(s.saveError().has_value());

  // A newer layout that does not even decode is left alone just the same.
  const QByteArray alien = "{\"schemaVersion\": 9, \"everything\": \"different\"}";
  writeFile(databasePath(), alien);
  DataStore& other = open();
  EXPECT_TRUE(other.isReadOnly());
  EXPECT_TRUE(other.tasks().isEmpty());
  other.addTask(makeTask("x"));
  EXPECT_EQ(readFile(databasePath()), alien);
  EXPECT_TRUE(filesStartingWith(folder(), "dashboard.unreadable-").isEmpty());
}

TEST_F(Persistence, SettingsKeepDefaultsForWhatIsMissingAndSetAsideWhatIsUnreadable) {
  writeFile(settingsPath(), "{\"weatherCity\": \"Lisbon\", \"focusDurationMinutes\": \"many\"}");
  EXPECT_EQ(open().settings().weatherCity, "Lisbon");
  EXPECT_EQ(store->settings().focusDurationMinutes, AppSettings{}.focusDurationMinutes);

  writeFile(settingsPath(), "{ broken");
  DataStore& s = open();
  EXPECT_EQ(s.settings(), AppSettings{});
  s.saveSettings();
  EXPECT_EQ(filesStartingWith(folder(), "settings.unreadable-").size(), 1);
  EXPECT_FALSE(s.saveError().has_value());
}

TEST_F(Persistence, AFailedWriteKeepsEverythingAndTheNextSaveClearsTheError) {
  DataStore& s = open();
  for (int i = 0; i < 40; ++i) {
    s.addTask(makeTask(QStringLiteral("task %1").arg(i)));
  }
  const QByteArray saved = readFile(databasePath());
  ASSERT_GT(saved.size(), 4096);
  QSignalSpy errorChanged(&s, &DataStore::saveErrorChanged);
  const TaskItem extra = makeTask("written during the outage");
  {
    const FileSizeLimit limit(4096);
    s.addTask(extra);
  }
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_EQ(errorChanged.count(), 1);
  EXPECT_TRUE(logMentions(*s.saveError()));
  EXPECT_EQ(s.tasks().size(), 41);             // kept in memory
  EXPECT_EQ(readFile(databasePath()), saved);  // the old file is whole
  EXPECT_EQ(readFile(backupPath()), saved);
  EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(), 2);

  s.addTask(makeTask("after the outage"));
  EXPECT_FALSE(s.saveError().has_value());
  EXPECT_EQ(errorChanged.count(), 2);
  expectSaved();
  EXPECT_EQ(s.tasks().at(40), extra);
}

TEST_F(Persistence, AFailedSafetySnapshotStopsTheBulkRemoval) {
  DataStore& s = open();
  TaskItem task = makeTask("done");
  s.addTask(task);
  s.toggleTaskCompletion(task.id, now);
  // A folder where the snapshot file should be makes its write fail.
  QDir().mkpath(snapshotPath());
  s.clearCompletedTasks();
  EXPECT_EQ(s.tasks().size(), 1);
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(s.saveError()->contains("Nothing was removed"));
  QDir(snapshotPath()).removeRecursively();
  s.clearCompletedTasks();
  EXPECT_TRUE(s.tasks().isEmpty());
  EXPECT_FALSE(s.saveError().has_value());
}

TEST_F(Persistence, AFolderRemovedWhileRunningIsMadeAgainAndOneThatCannotBeIsReported) {
  DataStore& s = open();
  s.addTask(makeTask("before"));
  ASSERT_TRUE(QDir(folder()).removeRecursively());
  s.addTask(makeTask("after"));
  EXPECT_FALSE(s.saveError().has_value());
  expectSaved();
  EXPECT_EQ(modeOf(folder()), 0700);
  ASSERT_TRUE(QDir(folder()).removeRecursively());
  s.saveSettings();
  EXPECT_FALSE(s.saveError().has_value());
  EXPECT_TRUE(QFileInfo::exists(settingsPath()));

  store.reset();
  QDir(folder()).removeRecursively();
  writeFile(folder(), "a file where the folder should be");
  DataStore& blocked = open();
  ASSERT_TRUE(blocked.saveError().has_value());
  EXPECT_FALSE(blocked.hasSampleData());
  blocked.addTask(makeTask("kept in memory"));
  EXPECT_EQ(blocked.tasks().size(), 1);
  EXPECT_TRUE(blocked.saveError().has_value());
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
  TaskItem edited = good;
  edited.dueDate = QDateTime();
  s.updateTask(edited);
  s.toggleTaskCompletion(good.id, QDateTime());
  s.setLastEmailSyncAt(QDateTime());

  EXPECT_EQ(s.tasks(), QList{good});
  EXPECT_TRUE(s.bills().isEmpty());
  EXPECT_FALSE(s.lastEmailSyncAt().has_value());
  DataStore& again = open();  // what is on disk still loads
  EXPECT_EQ(again.tasks(), QList{good});
  EXPECT_FALSE(again.saveError().has_value());
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

TEST(StorageFileTest, ReplacesContentAndSetsAsideWithoutReplacingAnEarlierCopy) {
  QTemporaryDir dir;
  const QString path = dir.filePath("dashboard.json");
  EXPECT_EQ(StorageFile::read(path).status, StorageFile::ReadStatus::missing);
  ASSERT_FALSE(StorageFile::writeAtomically(path, "first, longer content").has_value());
  ASSERT_FALSE(StorageFile::writeAtomically(path, "one").has_value());
  const auto read = StorageFile::read(path);
  EXPECT_EQ(read.status, StorageFile::ReadStatus::ok);
  EXPECT_EQ(read.bytes, "one");
  EXPECT_TRUE(StorageFile::writeAtomically(dir.filePath("missing/f.json"), "x").has_value());

  const QDateTime at = utc(2026, 1, 2, 3, 4, 5);
  const auto first = StorageFile::setAside(path, "dashboard", at);
  writeFile(path, "two");
  const auto second = StorageFile::setAside(path, "dashboard", at);
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  EXPECT_EQ(readFile(*first), "one");
  EXPECT_EQ(readFile(*second), "two");
  EXPECT_FALSE(QFile::exists(path));
}

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
  EXPECT_EQ(modeOf(folder()), 0700);
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

}  // namespace
