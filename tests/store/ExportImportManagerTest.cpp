#include "StoreTestSupport.h"

#include "core/store/ExportImportManager.h"
#include "core/store/StorageFile.h"

#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>

using namespace storetest;
using namespace std::chrono_literals;
using Kind = ExportImportError::Kind;
using CsvKind = ExportImportManager::CsvKind;

namespace {

class ExportImport : public StoreTest {
 protected:
  ExportImport() { open(); }

  QString path(const QString& name) const { return folder() + "/../" + name; }

  // One record of every kind, so a round trip covers each list.
  void fill() {
    store->addTask(makeTask("File taxes", utc(2026, 3, 20, 9)));
    store->addBill(makeBill("Rent", utc(2026, 4, 1)));
    store->addWaitingItem(makeWaiting("Quote", utc(2026, 3, 2)));
    store->addManualEvent(makeEvent("e1", utc(2026, 3, 12, 14), 60));
    store->addEmailSuggestion(makeSuggestion(EmailExtractedCategory::bill, "Gas"));
    store->insertProcessedEmailMessageID("msg-1");
    store->setLastEmailSyncAt(utc(2026, 3, 9, 7));
    store->setDailyIntention("Ship it");
    store->save();
  }

  Kind importKind(const QString& file) {
    try {
      ExportImportManager(*store).importBackup(file);
    } catch (const ExportImportError& error) {
      EXPECT_FALSE(error.errorDescription().isEmpty());
      return error.kind();
    }
    ADD_FAILURE() << "import of " << file.toStdString() << " was accepted";
    return Kind::readFailed;
  }
};

// A backup package and a bare database file both restore every record, after a snapshot.
TEST_F(ExportImport, BackupRoundTripRestoresEveryRecordAfterASnapshot) {
  fill();
  const DashboardStorageContainer before = store->container();
  ExportImportManager manager(*store);
  manager.exportBackup(path("backup.json"), now);
  writeFile(path("dashboard.json"), readFile(databasePath()));

  const QJsonObject package = QJsonDocument::fromJson(readFile(path("backup.json"))).object();
  EXPECT_EQ(package.value("version").toInt(), 1);
  EXPECT_EQ(package.value("exportDate").toString(), "2026-03-10T09:00:00.000Z");

  for (const char* file : {"backup.json", "dashboard.json"}) {
    SCOPED_TRACE(file);
    manager.resetAllData();
    EXPECT_TRUE(store->tasks().isEmpty());
    EXPECT_TRUE(store->processedEmailMessageIDs().isEmpty());
    expectSaved();
    EXPECT_EQ(loadContainer(snapshotPath()), before);

    manager.importBackup(path(file));
    EXPECT_EQ(store->container(), before);
    expectSaved();
    EXPECT_EQ(loadContainer(snapshotPath()), DashboardStorageContainer{});
    EXPECT_EQ(store->emailSyncState().pendingCount, 1);
  }
}

// Each refusal names its reason in words, never in the decoder's terms.
TEST_F(ExportImport, RefusedImportsSayWhyAndChangeNothing) {
  fill();
  ExportImportManager(*store).exportBackup(path("good.json"), now);
  const QByteArray good = readFile(path("good.json"));

  QJsonObject newerPackage = QJsonDocument::fromJson(good).object();
  newerPackage.insert("version", 2);
  QJsonObject newerSchema = store->container().toJson();
  newerSchema.insert("schemaVersion", 4);
  QJsonObject oldSchema = newerSchema;
  oldSchema.insert("schemaVersion", 2);
  const auto withTask = [&](const std::function<void(QJsonObject&)>& change) {
    QJsonObject database = store->container().toJson();
    QJsonObject task = database.value("tasks").toArray().at(0).toObject();
    change(task);
    database.insert("tasks", QJsonArray{task, task});
    return QJsonDocument(database).toJson();
  };
  const auto twice = [&](const char* list) {
    QJsonObject database = store->container().toJson();
    const QJsonValue record = database.value(list).toArray().at(0);
    database.insert(list, QJsonArray{record, record});
    return QJsonDocument(database).toJson();
  };
  QByteArray rawNul = QJsonDocument(store->container().toJson()).toJson(QJsonDocument::Compact);
  rawNul.replace("Ship it", QByteArray("Ship\0it", 7));

  const struct {
    const char* name;
    QByteArray bytes;
    Kind kind;
    const char* words;  // part of the message
  } cases[] = {
      {"truncated", good.left(good.size() / 2), Kind::malformed, "cut short"},
      {"empty", QByteArray(), Kind::malformed, "it is empty"},
      {"raw NUL in a text", rawNul, Kind::malformed, "control character"},
      {"trailing comma", R"({"schemaVersion":3,"tasks":[],})", Kind::malformed, "commas"},
      {"more after the end", good + "{}", Kind::malformed, "goes on after the end"},
      {"not UTF-8", "{\"schemaVersion\":3,\"x\":\"\xff\"}", Kind::malformed, "not UTF-8"},
      {"foreign object", R"({"name":"pelmora","tasks":[]})", Kind::notPelmoraFile,
       "This file is not a Pelmora backup: it has no schema version."},
      {"schema version as text", R"({"schemaVersion":"3"})", Kind::notPelmoraFile,
       "its schema version is not a whole number"},
      {"foreign array", "[1,2,3]", Kind::notPelmoraFile, "not a Pelmora backup"},
      {"newer package", QJsonDocument(newerPackage).toJson(), Kind::newerVersion, "newer"},
      {"newer schema", QJsonDocument(newerSchema).toJson(), Kind::newerVersion, "newer"},
      {"old schema", QJsonDocument(oldSchema).toJson(), Kind::unsupportedVersion, "version 2"},
      {"record without id", withTask([](QJsonObject& t) { t.remove("id"); }), Kind::malformed,
       "task 1 has no “id”"},
      {"record with a bad date", withTask([](QJsonObject& t) { t.insert("createdAt", "May"); }),
       Kind::malformed, "the “createdAt” of task 1 is not an ISO 8601 date"},
      {"list of junk", "{\"schemaVersion\":3,\"tasks\":[" + QByteArray("0,").repeated(999) + "0]}",
       Kind::malformed, "list of tasks holds 1000 entries too small to be tasks"},
      {"two tasks of one id", twice("tasks"), Kind::duplicateRecord,
       "two tasks with the same identifier"},
      {"two bills of one id", twice("bills"), Kind::duplicateRecord, "two bills"},
      {"two events of one id", twice("manualEvents"), Kind::duplicateRecord, "two events"}};
  const DashboardStorageContainer before = store->container();
  const QByteArray fileBefore = readFile(databasePath());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(path("in.json"), c.bytes);
    try {
      ExportImportManager(*store).importBackup(path("in.json"));
      ADD_FAILURE() << "accepted";
    } catch (const ExportImportError& error) {
      EXPECT_EQ(error.kind(), c.kind);
      EXPECT_TRUE(error.errorDescription().contains(QString::fromUtf8(c.words)))
          << error.errorDescription().toStdString();
      EXPECT_FALSE(error.errorDescription().contains(
          QRegularExpression("keyNotFound|typeMismatch|dataCorrupted|\\[\\d")))
          << error.errorDescription().toStdString();
    }
    EXPECT_EQ(store->container(), before);
    EXPECT_EQ(readFile(databasePath()), fileBefore);
  }
  EXPECT_FALSE(QFile::exists(snapshotPath()));
}

// What is not a regular file is refused at once, never read or waited on: a named pipe with no
// writer, a device that never ends, a folder, a file over the size limit (sparse, so only its
// size is large).
TEST_F(ExportImport, OnlyRegularFilesOfSaneSizeAreRead) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.json")).constData(), 0600), 0);
  QFile huge(path("huge.json"));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
  ASSERT_TRUE(huge.resize(StorageFile::maximumReadSize + 1));
  huge.close();
  const std::pair<QString, const char*> cases[] = {
      {path("pipe.json"), "it is a named pipe, not a file"},
      {QStringLiteral("/dev/zero"), "it is a device, not a file"},
      {folder(), "it is a folder, not a file"},
      {path("huge.json"), "it is 257 MB, more than the 256 MB"},
      {path("missing.json"), "it does not exist"}};
  for (const auto& [file, words] : cases) {
    SCOPED_TRACE(words);
    auto read = std::async(std::launch::async, [file = file] {
      try {
        ExportImportManager::readBackup(file);
      } catch (const ExportImportError& error) {
        return std::pair(error.kind(), error.errorDescription());
      }
      return std::pair(Kind::writeFailed, QStringLiteral("accepted"));
    });
    if (read.wait_for(5s) == std::future_status::timeout) {
      ADD_FAILURE() << "still reading after 5 s";
      ::close(::open(QFile::encodeName(file).constData(), O_WRONLY));  // lets a pipe's reader go
    }
    const auto [kind, text] = read.get();
    EXPECT_EQ(kind, Kind::readFailed);
    EXPECT_TRUE(text.contains(QString::fromUtf8(words))) << text.toStdString();
  }
}

// A database that cannot be written over keeps the old records in memory too; one of a newer
// version is never written over.
TEST_F(ExportImport, ImportsThatCannotBeSavedKeepTheOldData) {
  fill();
  ExportImportManager manager(*store);
  manager.exportBackup(path("good.json"), now);
  store->addTask(makeTask("After the backup"));
  const DashboardStorageContainer before = store->container();
  ASSERT_TRUE(QFile::remove(databasePath()));
  ASSERT_TRUE(QDir().mkdir(databasePath()));
  EXPECT_EQ(importKind(path("good.json")), Kind::saveFailed);
  EXPECT_EQ(store->container(), before);

  // A database of a newer version is never written over.
  ASSERT_TRUE(QDir().rmdir(databasePath()));
  writeFile(databasePath(), "{\"schemaVersion\": 9}");
  open();
  EXPECT_EQ(importKind(path("good.json")), Kind::readOnly);
  EXPECT_THROW(ExportImportManager(*store).resetAllData(), ExportImportError);
  EXPECT_EQ(readFile(databasePath()), "{\"schemaVersion\": 9}");
}

// A cell a spreadsheet would run as a formula, even after leading blanks, reads back as text;
// a NUL never reaches the file.
TEST_F(ExportImport, CsvCellsAreNeutralisedAndQuoted) {
  using namespace Qt::StringLiterals;
  const std::pair<QString, QString> cases[] = {
      {u"Pay rent"_s, u"Pay rent"_s},
      {u"Rent = 5"_s, u"Rent = 5"_s},
      {u"=SUM(A1:A9)"_s, u"'=SUM(A1:A9)"_s},
      {u"+49 30 1234"_s, u"'+49 30 1234"_s},
      {u"-1+1"_s, u"'-1+1"_s},
      {u"@cmd"_s, u"'@cmd"_s},
      {u"\tTabbed"_s, u"'\tTabbed"_s},
      {u"  =1+1"_s, u"'  =1+1"_s},
      {u" \t@cmd"_s, u"' \t@cmd"_s},
      {u"Nul\0 inside"_s, u"Nul inside"_s},
      {u"\0=1+1"_s, u"'=1+1"_s},
      {u"\rReturn"_s, u"\"'\rReturn\""_s},
      {u"Milk, eggs"_s, u"\"Milk, eggs\""_s},
      {u"Say \"hi\""_s, u"\"Say \"\"hi\"\"\""_s},
      {u"Two\nlines"_s, u"\"Two\nlines\""_s},
      {u"=HYPERLINK(\"x\",1)"_s, u"\"'=HYPERLINK(\"\"x\"\",1)\""_s}};
  for (const auto& [title, field] : cases) {
    store->addTask(makeTask(title));
  }
  ExportImportManager(*store).exportCSV(CsvKind::tasks, path("t.csv"));
  const QByteArray bytes = readFile(path("t.csv"));
  const QString csv = QString::fromUtf8(bytes);

  EXPECT_TRUE(csv.startsWith(
      "Title,Notes,Due Date,Priority,Category,Completed,Completed At,Recurrence,Created At\r\n"));
  for (const auto& [title, field] : cases) {
    EXPECT_TRUE(csv.contains("\r\n" + field + ',')) << field.toStdString();
  }
  EXPECT_FALSE(bytes.contains('\0'));
}

TEST_F(ExportImport, CsvOfBillsAndWaitingItemsListsEveryRecord) {
  BillItem bill = makeBill("-Gas", utc(2026, 4, 1));
  bill.notes = "acct, 12";
  store->addBill(bill);
  store->addWaitingItem(makeWaiting("Refund", utc(2026, 3, 2)));
  ExportImportManager manager(*store);
  manager.exportCSV(CsvKind::bills, path("b.csv"));
  manager.exportCSV(CsvKind::waitingFor, path("w.csv"));

  const auto secondLine = [this](const char* file) {
    return QString::fromUtf8(readFile(path(file))).section("\r\n", 1);
  };
  EXPECT_EQ(secondLine("b.csv"),
            "'-Gas,42.50,USD,2026-04-01T00:00:00.000Z,Utilities,No,,Never,3,\"acct, 12\"\r\n");
  EXPECT_EQ(secondLine("w.csv"), "Refund,Alex,Waiting,,2026-03-02T00:00:00.000Z,,,\r\n");
}

}  // namespace
