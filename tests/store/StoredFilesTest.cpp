#include "StoreTestSupport.h"

#include "core/store/DataMigrations.h"
#include "core/store/DatabaseEncoder.h"
#include "core/store/StorageFile.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace storetest;

namespace {

ino_t inodeOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Rewrites the file in place with text of the same size, then gives it back the modification
// time it had: what a sync tool or a backup restore does, and what a write in the same
// timestamp tick as the store's own looks like.
void rewriteInPlaceKeepingItsTime(const QString& path, const QByteArray& from, const QByteArray& to,
                                  bool restoreTime) {
  struct stat before {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
  QByteArray text = readFile(path);
  text.replace(from, to);
  ASSERT_EQ(text.size(), before.st_size);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));  // same inode, no truncation
  ASSERT_EQ(file.write(text), text.size());
  file.close();
  if (restoreTime) {
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
  }
}

using StoredFiles = StoreTest;

// The store copies unchanged records' text from the file it last wrote or loaded. Rewritten in
// place behind its back, with the same size and, where told, the same modification time, that
// file no longer holds the store's text: the next save must hold the store's records.
TEST_F(StoredFiles, TextRewrittenInPlaceIsNeverCopiedIntoASave) {
  const struct {
    const char* label;
    bool reopened;     // the file it loaded rather than the one it wrote
    bool restoreTime;  // the modification time put back
    bool byImport;     // the next save replaces everything, after a safety snapshot
  } cases[] = {{"right after a save", false, false, false},
               {"after a save, time restored", false, true, false},
               {"after a load, time restored", true, true, false},
               {"an import after a load, time restored", true, true, true}};
  DashboardStorageContainer many;
  for (int i = 0; i < 2000; ++i) {  // several blocks of text
    many.tasks.append(makeTask(QStringLiteral("task %1").arg(i)));
  }
  const QByteArray manyText = DatabaseEncoder().encode(many);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    store.reset();
    writeFile(databasePath(), manyText);
    DataStore& s = open();
    if (!c.reopened) {
      s.addTask(makeTask("first"));
    }
    rewriteInPlaceKeepingItsTime(databasePath(), "task", "TASK", c.restoreTime);
    if (c.byImport) {
      DashboardStorageContainer imported;
      imported.tasks = {makeTask("added")};
      const auto failure = s.replaceAllData(imported);
      EXPECT_FALSE(failure.has_value()) << failure->message.toStdString();
      EXPECT_EQ(loadContainer(snapshotPath()).tasks.size(), many.tasks.size());
    } else {
      s.addTask(makeTask("added"));
    }
    EXPECT_FALSE(s.saveError().has_value());
    expectSaved();
    EXPECT_FALSE(readFile(databasePath()).contains("TASK"));
  }
}

// A save with nothing new writes nothing, at launch or later; a backup of the same size that
// differs is read and, being unreadable, kept aside.
TEST_F(StoredFiles, UnchangedFilesAreNotRewrittenAndADifferentBackupIsChecked) {
  DataStore& s = open();
  s.addTask(makeTask("one"));
  const ino_t database = inodeOf(databasePath());
  const ino_t backup = inodeOf(backupPath());
  open().save();
  store->save();
  EXPECT_EQ(inodeOf(databasePath()), database);
  EXPECT_EQ(inodeOf(backupPath()), backup);
  store->addTask(makeTask("two"));
  EXPECT_NE(inodeOf(backupPath()), backup);

  QByteArray damaged = readFile(backupPath());
  damaged[0] = '#';  // same size, not JSON any more
  writeFile(backupPath(), damaged);
  open().save();
  EXPECT_EQ(store->tasks().size(), 2);
  EXPECT_EQ(filesStartingWith(folder(), "dashboard.backup.unreadable-").size(), 1);
  expectSaved();
}

// A save with nothing new skips the write only while both files still hold the store's text:
// either one rewritten in place behind its back, time put back, is written again.
TEST_F(StoredFiles, ASaveWithNothingNewStillMendsAFileRewrittenInPlace) {
  for (const bool backup : {false, true}) {
    SCOPED_TRACE(backup ? "backup" : "database");
    DataStore& s = open();
    s.addTask(makeTask(backup ? "kept in the backup" : "kept in the database"));
    rewriteInPlaceKeepingItsTime(backup ? backupPath() : databasePath(), "kept", "KEPT", true);
    s.save();
    EXPECT_FALSE(s.saveError().has_value());
    expectSaved();
  }
}

// Files that are not what they seem are refused by name, without blocking, and set aside before
// anything is written in their place; a link to a regular file of the user's own is followed,
// and a save replaces that file in its own folder.
TEST_F(StoredFiles, PipesAndLinksAreRefusedOrFollowedByName) {
  const QByteArray good = QJsonDocument([] {
                            DashboardStorageContainer c;
                            c.tasks = {makeTask("kept elsewhere")};
                            return c.toJson();
                          }())
                              .toJson(QJsonDocument::Compact);
  const QString elsewhere = folder() + "-synced/dashboard.json";
  const struct {
    const char* label;
    std::function<void(const QString&)> place;  // puts something at the database's path
    const char* named;                          // in the load warning; nothing: none
    int tasks;
  } cases[] = {
      {"named pipe", [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p), 0600), 0); },
       "named pipe", 0},
      {"dangling link", [](const QString& p) { ASSERT_TRUE(QFile::link("/nonexistent/x.json", p)); },
       "which does not exist", 0},
      {"link to a folder", [](const QString& p) { ASSERT_TRUE(QFile::link("/tmp", p)); },
       "which is a folder", 0},
      {"link to the user's file",
       [&](const QString& p) {
         writeFile(elsewhere, good);
         ASSERT_TRUE(QFile::link(elsewhere, p));
       },
       nullptr, 1},
      {"link to another user's file",
       [&](const QString& p) {
         writeFile(elsewhere, good);
         ASSERT_EQ(::chown(QFile::encodeName(elsewhere).constData(), 65534, 65534), 0);
         ASSERT_TRUE(QFile::link(elsewhere, p));
       },
       "belongs to another user", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    if (std::string(c.label) == "link to another user's file" && ::geteuid() != 0) {
      continue;  // only root can give a file away
    }
    store.reset();
    QDir(folder()).removeRecursively();
    QDir(QFileInfo(elsewhere).absolutePath()).removeRecursively();
    QDir().mkpath(folder());
    c.place(databasePath());
    const QByteArray elsewhereBefore = QFile::exists(elsewhere) ? readFile(elsewhere) : QByteArray();

    DataStore& s = open();
    EXPECT_EQ(s.tasks().size(), c.tasks);
    EXPECT_EQ(s.loadWarning().has_value(), c.named != nullptr);
    if (c.named) {
      EXPECT_TRUE(s.loadWarning()->contains(c.named)) << s.loadWarning()->toStdString();
      EXPECT_TRUE(s.loadWarning()->contains("dashboard.json"));
    }
    s.addTask(makeTask("added"));
    EXPECT_FALSE(s.saveError().has_value());
    if (c.named) {
      // Set aside by name; a link's target is never written through.
      EXPECT_EQ(QDir(folder())
                    .entryList({"dashboard.unreadable-*"}, QDir::AllEntries | QDir::System)
                    .size(),
                1);
      EXPECT_FALSE(QFileInfo(databasePath()).isSymLink());
      EXPECT_TRUE(s.loadWarning()->contains("set aside as dashboard.unreadable-"));
      if (QFile::exists(elsewhere)) {
        EXPECT_EQ(readFile(elsewhere), elsewhereBefore);
      }
    } else {
      EXPECT_TRUE(QFileInfo(databasePath()).isSymLink()) << "the link stays";
      EXPECT_EQ(loadContainer(elsewhere).tasks, s.tasks());
      EXPECT_EQ(QDir(QFileInfo(elsewhere).absolutePath()).entryList(QDir::Files).size(), 1);
    }
    expectSaved();
  }
  QDir(QFileInfo(elsewhere).absolutePath()).removeRecursively();

  // A pipe in place of the settings: defaults, and the same warning.
  store.reset();
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("settings.json")), 0600), 0);
  EXPECT_EQ(open().settings(), AppSettings{});
  EXPECT_TRUE(store->loadWarning()->contains("settings.json"));
}

// The fast reader and the general one agree on every store they both read; the fast one keeps
// a record's span only when its text is exactly the store's own, and leaves whatever is not
// a plain store of this version to the general one.
TEST(DatabaseReaderTest, AgreesWithTheGeneralReaderAndKeepsOnlyTheStoresOwnText) {
  DashboardStorageContainer c;
  c.tasks = {makeTask("plain"), makeTask("Quote \" tab\t newline\n é")};
  c.bills = {makeBill("Rent", utc(2026, 3, 20, 9))};
  const QByteArray compact = DatabaseEncoder().encode(c);
  QJsonObject withForeignTask = c.toJson();
  QJsonArray tasks = withForeignTask.value("tasks").toArray();
  tasks.append(QJsonValue(7));  // not an object: kept aside by both
  withForeignTask.insert("tasks", tasks);
  const QByteArray escaped = QByteArray(compact).replace("plain", "pl\\u0061in");

  const struct {
    const char* label;
    QByteArray text;
    bool fast;          // read by the fast reader
    int ownTaskSpans;   // spans kept as the store's own text
  } cases[] = {{"as the store writes it", compact, true, 2},
               {"indented", QJsonDocument(c.toJson()).toJson(QJsonDocument::Indented), true, 0},
               {"an escape the store does not write", escaped, true, 1},
               {"a record that is not an object",
                QJsonDocument(withForeignTask).toJson(QJsonDocument::Compact), true, 2},
               {"trailing text", compact + "x", false, 0},
               {"a key twice", QByteArray(compact).replace("{\"customGreeting\"", "{\"customGreeting\":\"a\",\"customGreeting\""), false, 0},
               {"an older layout", QByteArray(compact).replace("\"schemaVersion\":3", "\"schemaVersion\":2"), false, 0},
               // A word cut short where a null was meant: left to the general reader, which
               // says so, instead of ending the program.
               {"\"nul\" in a record", QByteArray(compact).replace("\"category\":\"General\"", "\"category\":nul"), false, 0},
               {"\"nul\" among the other fields", QByteArray(compact).replace("\"customGreeting\":\"\"", "\"customGreeting\":nul"), false, 0}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.label);
    const std::optional<DatabaseReader::Result> fast = DatabaseReader::read(k.text);
    ASSERT_EQ(fast.has_value(), k.fast);
    if (!fast) {
      continue;
    }
    UnreadableRecords unreadable;
    const DashboardStorageContainer general =
        DashboardStorageContainer::fromJson(jsoncoding::parseObject(k.text), &unreadable);
    EXPECT_EQ(fast->container, general);
    ASSERT_EQ(fast->unreadableRecords.size(), unreadable.size());
    for (qsizetype i = 0; i < unreadable.size(); ++i) {
      EXPECT_EQ(fast->unreadableRecords[i].record, unreadable[i].record);
      EXPECT_EQ(fast->unreadableRecords[i].error, unreadable[i].error);
    }
    ASSERT_EQ(fast->spans.tasks.size(), size_t(general.tasks.size()));
    int own = 0;
    for (qsizetype i = 0; i < general.tasks.size(); ++i) {
      const TextSpan span = fast->spans.tasks[size_t(i)];
      if (span.length >= 0) {
        ++own;
        EXPECT_EQ(k.text.mid(span.offset, span.length),
                  QJsonDocument(general.tasks[i].toJson()).toJson(QJsonDocument::Compact));
      }
    }
    EXPECT_EQ(own, k.ownTaskSpans);
  }
}

}  // namespace
