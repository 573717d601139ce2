#include "StoreTestSupport.h"

#include "core/model/DiagnosticLogger.h"
#include "core/store/StorageFile.h"

#include <QDir>
#include <QFile>
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
  for (const auto& entry : DiagnosticLogger::shared().entries()) {
    if (entry.message.contains(text)) {
      return true;
    }
  }
  return false;
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

class Persistence : public StoreTest {};

TEST_F(Persistence, EverythingSurvivesAReopen) {
  DataStore& s = open();
  s.addTask(makeTask(QStringLiteral("t"), utc(2026, 3, 11, 9), RecurrenceRule::customDays(3)));
  s.addBill(makeBill(QStringLiteral("b"), utc(2026, 3, 20, 9)));
  s.addWaitingItem(makeWaiting(QStringLiteral("w"), utc(2026, 3, 2, 9)));
  s.addManualEvent(makeEvent(QStringLiteral("e"), utc(2026, 3, 12, 9), 45));
  s.addEmailSuggestion(makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("s")));
  s.insertProcessedEmailMessageID(QStringLiteral("m1"));
  s.insertProcessedEmailMessageID(QStringLiteral("m2"));
  s.setLastEmailSyncAt(utc(2026, 3, 10, 8));
  EmailSyncState state = s.emailSyncState();
  state.lastSyncStatus = QStringLiteral("Found 1 new item");
  state.accountEmail = QStringLiteral("me@example.com");
  state.isSyncing = true;  // as when the app stops during a sync
  s.setEmailSyncState(state);
  s.setDailyIntention(QStringLiteral("Ship it"));
  s.setCustomGreeting(QStringLiteral("Hello there"));
  WeatherData weather;
  weather.locationName = QStringLiteral("Berlin, Germany");
  weather.temperature = 7.5;
  weather.conditionCode = 3;
  weather.fetchedAt = utc(2026, 3, 10, 8, 30);
  s.setCachedWeather(weather);
  s.save();
  const DashboardStorageContainer before = loadContainer(databasePath());

  DataStore& again = open();
  EXPECT_EQ(again.tasks(), before.tasks);
  EXPECT_EQ(again.bills(), before.bills);
  EXPECT_EQ(again.waitingItems(), before.waitingItems);
  EXPECT_EQ(again.manualEvents(), before.manualEvents);
  EXPECT_EQ(again.emailSuggestions(), before.emailSuggestions);
  EXPECT_EQ(again.processedEmailMessageIDs(), (QSet<QString>{"m1", "m2"}));
  EXPECT_EQ(again.lastEmailSyncAt(), utc(2026, 3, 10, 8));
  EXPECT_EQ(again.emailSyncState().lastSyncStatus, QStringLiteral("Found 1 new item"));
  EXPECT_EQ(again.emailSyncState().accountEmail, QStringLiteral("me@example.com"));
  EXPECT_EQ(again.emailSyncState().pendingCount, 1);
  EXPECT_FALSE(again.emailSyncState().isSyncing);
  EXPECT_EQ(again.dailyIntention(), QStringLiteral("Ship it"));
  EXPECT_EQ(again.dailyIntentionDate(), now);
  EXPECT_EQ(again.customGreeting(), QStringLiteral("Hello there"));
  EXPECT_EQ(again.cachedWeather(), weather);
  EXPECT_EQ(readFile(backupPath()), readFile(databasePath()));
}

TEST_F(Persistence, SettersNotifyButOnlySaveWhenAsked) {
  DataStore& s = open();
  QSignalSpy intention(&s, &DataStore::dailyIntentionChanged);
  QSignalSpy settingsChanged(&s, &DataStore::settingsChanged);
  const QByteArray fileBefore = readFile(databasePath());
  s.setDailyIntention(QStringLiteral("Focus"));
  s.setDailyIntention(QStringLiteral("Focus"));
  AppSettings settings = s.settings();
  settings.weatherCity = QStringLiteral("Oslo");
  s.setSettings(settings);
  EXPECT_EQ(intention.count(), 1);
  EXPECT_EQ(settingsChanged.count(), 1);
  EXPECT_EQ(readFile(databasePath()), fileBefore);
  EXPECT_FALSE(QFile::exists(settingsPath()));

  s.saveSettings();
  s.save();
  DataStore& again = open();
  EXPECT_EQ(again.settings().weatherCity, QStringLiteral("Oslo"));
  EXPECT_EQ(again.dailyIntention(), QStringLiteral("Focus"));
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
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());

  s.saveSettings();
  EXPECT_EQ(modeOf(settingsPath()), 0600);
  s.removeAllSampleData();
  EXPECT_EQ(modeOf(snapshotPath()), 0600);
  // Only the four files: no temporary file is left behind.
  EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

TEST_F(Persistence, ACorruptDatabaseFallsBackToTheBackupAndIsKeptAside) {
  DataStore& s = open();
  const TaskItem task = makeTask(QStringLiteral("precious"));
  s.addTask(task);
  store.reset();
  const QByteArray torn = readFile(databasePath()).left(40);
  writeFile(databasePath(), torn);

  DataStore& again = open();
  EXPECT_EQ(again.tasks(), QList<TaskItem>{task});
  EXPECT_TRUE(logMentions(QStringLiteral("dashboard.json could not be read")));
  // Still in place until something is written.
  EXPECT_EQ(readFile(databasePath()), torn);

  now = utc(2026, 3, 10, 9, 30, 15);
  again.addTask(makeTask(QStringLiteral("new")));
  const QStringList aside = filesStartingWith(folder(), QStringLiteral("dashboard.unreadable-"));
  ASSERT_EQ(aside, QStringList{QStringLiteral("dashboard.unreadable-20260310-093015.json")});
  EXPECT_EQ(readFile(folder() + QLatin1Char('/') + aside.first()), torn);
  EXPECT_EQ(loadContainer(databasePath()).tasks.size(), 2);
  EXPECT_EQ(loadContainer(backupPath()).tasks.size(), 2);
  EXPECT_TRUE(logMentions(QStringLiteral("aside as dashboard.unreadable-20260310-093015.json")));
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
    s.addTask(makeTask(QStringLiteral("fresh")));
    const QStringList aside = filesStartingWith(folder(), QStringLiteral("dashboard.unreadable-"));
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readFile(folder() + QLatin1Char('/') + aside.first()), c.database);
    EXPECT_EQ(filesStartingWith(folder(), QStringLiteral("dashboard.backup.unreadable-")).size(),
              c.backupsAside);
    EXPECT_EQ(loadContainer(backupPath()).tasks.size(), 1);
  }
  EXPECT_TRUE(logMentions(QStringLiteral("storage version 2")));
}

TEST_F(Persistence, ANewerLayoutOpensReadOnly) {
  DashboardStorageContainer newer;
  newer.schemaVersion = 4;
  newer.tasks = {makeTask(QStringLiteral("from the future"))};
  QJsonObject json = newer.toJson();
  json.insert(QStringLiteral("somethingNew"), 1);
  const QByteArray bytes = QJsonDocument(json).toJson();
  writeFile(databasePath(), bytes);
  writeFile(settingsPath(), "{\"weatherCity\": \"Lima\"}");

  DataStore& s = open();
  EXPECT_TRUE(s.isReadOnly());
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(s.saveError()->contains(QStringLiteral("newer version")));
  EXPECT_EQ(s.tasks().size(), 1);  // shown as far as it is understood

  s.addTask(makeTask(QStringLiteral("in memory only")));
  s.clearCompletedTasks();
  AppSettings settings = s.settings();
  settings.weatherCity = QStringLiteral("Quito");
  s.setSettings(settings);
  s.saveSettings();
  EXPECT_EQ(s.tasks().size(), 2);
  EXPECT_EQ(readFile(databasePath()), bytes);
  EXPECT_FALSE(QFile::exists(backupPath()));
  EXPECT_FALSE(QFile::exists(snapshotPath()));
  EXPECT_EQ(readFile(settingsPath()), QByteArray("{\"weatherCity\": \"Lima\"}"));
  EXPECT_TRUE(s.saveError().has_value());

  // A newer layout that does not even decode is left alone just the same.
  const QByteArray alien = "{\"schemaVersion\": 9, \"everything\": \"different\"}";
  writeFile(databasePath(), alien);
  DataStore& other = open();
  EXPECT_TRUE(other.isReadOnly());
  EXPECT_TRUE(other.tasks().isEmpty());
  other.addTask(makeTask(QStringLiteral("x")));
  EXPECT_EQ(readFile(databasePath()), alien);
  EXPECT_TRUE(filesStartingWith(folder(), QStringLiteral("dashboard.unreadable-")).isEmpty());
}

TEST_F(Persistence, SettingsKeepDefaultsForWhatIsMissingAndSetAsideWhatIsUnreadable) {
  writeFile(settingsPath(), "{\"weatherCity\": \"Lisbon\", \"focusDurationMinutes\": \"many\"}");
  EXPECT_EQ(open().settings().weatherCity, QStringLiteral("Lisbon"));
  EXPECT_EQ(store->settings().focusDurationMinutes, AppSettings{}.focusDurationMinutes);

  writeFile(settingsPath(), "{ broken");
  DataStore& s = open();
  EXPECT_EQ(s.settings(), AppSettings{});
  s.saveSettings();
  EXPECT_EQ(filesStartingWith(folder(), QStringLiteral("settings.unreadable-")).size(), 1);
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
  const TaskItem extra = makeTask(QStringLiteral("written during the outage"));
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

  s.addTask(makeTask(QStringLiteral("after the outage")));
  EXPECT_FALSE(s.saveError().has_value());
  EXPECT_EQ(errorChanged.count(), 2);
  const auto onDisk = loadContainer(databasePath()).tasks;
  ASSERT_EQ(onDisk.size(), 42);
  EXPECT_EQ(onDisk.at(40), extra);
}

TEST_F(Persistence, AFailedSafetySnapshotStopsTheBulkRemoval) {
  DataStore& s = open();
  TaskItem task = makeTask(QStringLiteral("done"));
  s.addTask(task);
  s.toggleTaskCompletion(task.id, now);
  // A folder where the snapshot file should be makes its write fail.
  QDir().mkpath(snapshotPath());
  s.clearCompletedTasks();
  EXPECT_EQ(s.tasks().size(), 1);
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(s.saveError()->contains(QStringLiteral("Nothing was removed")));
  QDir(snapshotPath()).removeRecursively();
  s.clearCompletedTasks();
  EXPECT_TRUE(s.tasks().isEmpty());
  EXPECT_FALSE(s.saveError().has_value());
}

TEST_F(Persistence, AFolderRemovedWhileRunningIsMadeAgainAndOneThatCannotBeIsReported) {
  DataStore& s = open();
  s.addTask(makeTask(QStringLiteral("before")));
  ASSERT_TRUE(QDir(folder()).removeRecursively());
  s.addTask(makeTask(QStringLiteral("after")));
  EXPECT_FALSE(s.saveError().has_value());
  EXPECT_EQ(loadContainer(databasePath()).tasks, s.tasks());
  EXPECT_EQ(loadContainer(backupPath()).tasks, s.tasks());
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
  blocked.addTask(makeTask(QStringLiteral("kept in memory")));
  EXPECT_EQ(blocked.tasks().size(), 1);
  EXPECT_TRUE(blocked.saveError().has_value());
}

// Such a record would be written in a form that cannot be read back, and the next launch would
// find the whole database unreadable.
TEST_F(Persistence, RecordsThatWouldNotReadBackAreRefused) {
  DataStore& s = open();
  const TaskItem good = makeTask(QStringLiteral("good"));
  s.addTask(good);
  TaskItem noDate = makeTask(QStringLiteral("no creation date"));
  noDate.createdAt = QDateTime();
  s.addTask(noDate);
  ASSERT_TRUE(s.saveError().has_value());
  EXPECT_TRUE(s.saveError()->contains(QStringLiteral("createdAt")));
  BillItem notANumber = makeBill(QStringLiteral("NaN"), utc(2026, 3, 20, 9));
  notANumber.amount = std::nan("");
  s.addBill(notANumber);
  TaskItem edited = good;
  edited.dueDate = QDateTime();
  s.updateTask(edited);
  s.toggleTaskCompletion(good.id, QDateTime());
  s.setLastEmailSyncAt(QDateTime());

  EXPECT_EQ(s.tasks(), QList<TaskItem>{good});
  EXPECT_TRUE(s.bills().isEmpty());
  EXPECT_FALSE(s.lastEmailSyncAt().has_value());
  DataStore& again = open();  // what is on disk still loads
  EXPECT_EQ(again.tasks(), QList<TaskItem>{good});
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
  const QString path = dir.filePath(QStringLiteral("dashboard.json"));
  EXPECT_EQ(StorageFile::read(path).status, StorageFile::ReadStatus::missing);
  ASSERT_FALSE(StorageFile::writeAtomically(path, "first, longer content").has_value());
  ASSERT_FALSE(StorageFile::writeAtomically(path, "one").has_value());
  const auto read = StorageFile::read(path);
  EXPECT_EQ(read.status, StorageFile::ReadStatus::ok);
  EXPECT_EQ(read.bytes, QByteArray("one"));
  EXPECT_TRUE(StorageFile::writeAtomically(dir.filePath(QStringLiteral("missing/f.json")), "x")
                  .has_value());

  const QDateTime at = utc(2026, 1, 2, 3, 4, 5);
  const auto first = StorageFile::setAside(path, QStringLiteral("dashboard"), at);
  writeFile(path, "two");
  const auto second = StorageFile::setAside(path, QStringLiteral("dashboard"), at);
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  EXPECT_EQ(readFile(*first), QByteArray("one"));
  EXPECT_EQ(readFile(*second), QByteArray("two"));
  EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
