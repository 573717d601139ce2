#include "StoreTestSupport.h"

#include "core/store/ExportImportManager.h"

using namespace storetest;
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
  QJsonObject badRecord = store->container().toJson();
  badRecord.insert("tasks", QJsonArray{QJsonObject{{"title", "no id"}}});

  const struct {
    const char* name;
    QByteArray bytes;
    Kind kind;
  } cases[] = {{"truncated", good.left(good.size() / 2), Kind::malformed},
               {"empty", QByteArray(), Kind::malformed},
               {"foreign object", R"({"name":"pelmora","tasks":[]})", Kind::notPelmoraFile},
               {"foreign array", "[1,2,3]", Kind::notPelmoraFile},
               {"newer package", QJsonDocument(newerPackage).toJson(), Kind::newerVersion},
               {"newer schema", QJsonDocument(newerSchema).toJson(), Kind::newerVersion},
               {"old schema", QJsonDocument(oldSchema).toJson(), Kind::unsupportedVersion},
               {"bad record", QJsonDocument(badRecord).toJson(), Kind::malformed}};
  const DashboardStorageContainer before = store->container();
  const QByteArray fileBefore = readFile(databasePath());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(path("in.json"), c.bytes);
    EXPECT_EQ(importKind(path("in.json")), c.kind);
    EXPECT_EQ(store->container(), before);
    EXPECT_EQ(readFile(databasePath()), fileBefore);
  }
  EXPECT_EQ(importKind(path("missing.json")), Kind::readFailed);
  EXPECT_FALSE(QFile::exists(snapshotPath()));
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

TEST_F(ExportImport, CsvCellsAreNeutralisedAndQuoted) {
  const std::pair<const char*, const char*> cases[] = {
      {"Pay rent", "Pay rent"},
      {"Rent = 5", "Rent = 5"},
      {"=SUM(A1:A9)", "'=SUM(A1:A9)"},
      {"+49 30 1234", "'+49 30 1234"},
      {"-1+1", "'-1+1"},
      {"@cmd", "'@cmd"},
      {"\tTabbed", "'\tTabbed"},
      {"\rReturn", "\"'\rReturn\""},
      {"Milk, eggs", "\"Milk, eggs\""},
      {"Say \"hi\"", "\"Say \"\"hi\"\"\""},
      {"Two\nlines", "\"Two\nlines\""},
      {"=HYPERLINK(\"x\",1)", "\"'=HYPERLINK(\"\"x\"\",1)\""}};
  for (const auto& [title, field] : cases) {
    store->addTask(makeTask(title));
  }
  ExportImportManager(*store).exportCSV(CsvKind::tasks, path("t.csv"));
  const QString csv = QString::fromUtf8(readFile(path("t.csv")));

  EXPECT_TRUE(csv.startsWith(
      "Title,Notes,Due Date,Priority,Category,Completed,Completed At,Recurrence,Created At\r\n"));
  for (const auto& [title, field] : cases) {
    EXPECT_TRUE(csv.contains("\r\n" + QString(field) + ',')) << title;
  }
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
