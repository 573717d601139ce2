#include "StoreTestSupport.h"

#include "core/store/ExportImportManager.h"

#include <QDir>
#include <QJsonDocument>

using namespace storetest;
using testsupport::utc;
using Kind = ExportImportError::Kind;
using CsvKind = ExportImportManager::CsvKind;

namespace {

class ExportImport : public StoreTest {
 protected:
  ExportImport() { open(); }

  QString path(const QString& name) const { return folder() + QStringLiteral("/../") + name; }

  // One record of every kind, so a round trip covers each list.
  void fill() {
    store->addTask(makeTask(QStringLiteral("File taxes"), utc(2026, 3, 20, 9)));
    store->addBill(makeBill(QStringLiteral("Rent"), utc(2026, 4, 1)));
    store->addWaitingItem(makeWaiting(QStringLiteral("Quote"), utc(2026, 3, 2)));
    store->addManualEvent(makeEvent(QStringLiteral("e1"), utc(2026, 3, 12, 14), 60));
    store->addEmailSuggestion(makeSuggestion(EmailExtractedCategory::bill, QStringLiteral("Gas")));
    store->insertProcessedEmailMessageID(QStringLiteral("msg-1"));
    store->setLastEmailSyncAt(utc(2026, 3, 9, 7));
    store->setDailyIntention(QStringLiteral("Ship it"));
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

TEST_F(ExportImport, FileNamesCarryTheLocalMinute) {
  const QDateTime lateEvening = utc(2026, 3, 10, 22, 45);  // 23:45 in Berlin
  EXPECT_EQ(ExportImportManager::backupFileName(lateEvening, calendar),
            QStringLiteral("Pelmora_Backup_2026-03-10_2345.json"));
  const struct {
    CsvKind kind;
    const char* name;
  } cases[] = {{CsvKind::tasks, "Tasks_2026-03-10_2345.csv"},
               {CsvKind::waitingFor, "WaitingFor_2026-03-10_2345.csv"},
               {CsvKind::bills, "Bills_2026-03-10_2345.csv"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ExportImportManager::csvFileName(c.kind, lateEvening, calendar),
              QString::fromLatin1(c.name));
  }
}

TEST_F(ExportImport, BackupRoundTripRestoresEveryRecordAfterASnapshot) {
  fill();
  const DashboardStorageContainer before = store->container();
  ExportImportManager manager(*store);
  manager.exportBackup(path(QStringLiteral("backup.json")), now);

  const QJsonObject package =
      QJsonDocument::fromJson(readFile(path(QStringLiteral("backup.json")))).object();
  EXPECT_EQ(package.value(QLatin1String("version")).toInt(), 1);
  EXPECT_EQ(package.value(QLatin1String("exportDate")).toString(),
            QStringLiteral("2026-03-10T09:00:00.000Z"));

  manager.resetAllData();
  EXPECT_TRUE(store->tasks().isEmpty());
  EXPECT_TRUE(store->processedEmailMessageIDs().isEmpty());
  EXPECT_EQ(loadContainer(snapshotPath()), before);

  manager.importBackup(path(QStringLiteral("backup.json")));
  EXPECT_EQ(store->container(), before);
  EXPECT_EQ(loadContainer(databasePath()), before);
  EXPECT_EQ(loadContainer(snapshotPath()), DashboardStorageContainer{});
  EXPECT_EQ(store->emailSyncState().pendingCount, 1);
}

TEST_F(ExportImport, ABareDatabaseFileIsImportedToo) {
  fill();
  const DashboardStorageContainer before = store->container();
  writeFile(path(QStringLiteral("dashboard.json")), readFile(databasePath()));
  ExportImportManager(*store).resetAllData();

  ExportImportManager(*store).importBackup(path(QStringLiteral("dashboard.json")));
  EXPECT_EQ(store->container(), before);
}

TEST_F(ExportImport, RefusedImportsSayWhyAndChangeNothing) {
  fill();
  ExportImportManager(*store).exportBackup(path(QStringLiteral("good.json")), now);
  const QByteArray good = readFile(path(QStringLiteral("good.json")));

  QJsonObject newerPackage = QJsonDocument::fromJson(good).object();
  newerPackage.insert(QLatin1String("version"), 2);
  QJsonObject newerSchema = store->container().toJson();
  newerSchema.insert(QLatin1String("schemaVersion"), 4);
  QJsonObject oldSchema = newerSchema;
  oldSchema.insert(QLatin1String("schemaVersion"), 2);
  QJsonObject badRecord = store->container().toJson();
  badRecord.insert(QLatin1String("tasks"), QJsonArray{QJsonObject{{"title", "no id"}}});

  const struct {
    const char* name;
    QByteArray bytes;
    Kind kind;
  } cases[] = {
      {"truncated", good.left(good.size() / 2), Kind::malformed},
      {"empty", QByteArray(), Kind::malformed},
      {"foreign object", R"({"name":"pelmora","tasks":[]})", Kind::notPelmoraFile},
      {"foreign array", "[1,2,3]", Kind::notPelmoraFile},
      {"newer package", QJsonDocument(newerPackage).toJson(), Kind::newerVersion},
      {"newer schema", QJsonDocument(newerSchema).toJson(), Kind::newerVersion},
      {"old schema", QJsonDocument(oldSchema).toJson(), Kind::unsupportedVersion},
      {"bad record", QJsonDocument(badRecord).toJson(), Kind::malformed},
  };
  const DashboardStorageContainer before = store->container();
  const QByteArray fileBefore = readFile(databasePath());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(path(QStringLiteral("in.json")), c.bytes);
    EXPECT_EQ(importKind(path(QStringLiteral("in.json"))), c.kind);
    EXPECT_EQ(store->container(), before);
    EXPECT_EQ(readFile(databasePath()), fileBefore);
  }
  EXPECT_EQ(importKind(path(QStringLiteral("missing.json"))), Kind::readFailed);
  EXPECT_FALSE(QFile::exists(snapshotPath()));
}

TEST_F(ExportImport, AReadOnlyStoreRefusesImportAndReset) {
  ExportImportManager(*store).exportBackup(path(QStringLiteral("good.json")), now);
  QJsonObject newer = DashboardStorageContainer{}.toJson();
  newer.insert(QLatin1String("schemaVersion"), 9);
  writeFile(databasePath(), QJsonDocument(newer).toJson());
  open();
  ASSERT_TRUE(store->isReadOnly());

  EXPECT_EQ(importKind(path(QStringLiteral("good.json"))), Kind::readOnly);
  EXPECT_THROW(ExportImportManager(*store).resetAllData(), ExportImportError);
  EXPECT_EQ(QJsonDocument::fromJson(readFile(databasePath())).object(), newer);
}

// A database that cannot be written over keeps the old records in memory too.
TEST_F(ExportImport, AnImportThatCannotBeSavedKeepsTheOldData) {
  fill();
  ExportImportManager manager(*store);
  manager.exportBackup(path(QStringLiteral("good.json")), now);
  store->addTask(makeTask(QStringLiteral("After the backup")));
  const DashboardStorageContainer before = store->container();
  ASSERT_TRUE(QFile::remove(databasePath()));
  ASSERT_TRUE(QDir().mkdir(databasePath()));

  EXPECT_EQ(importKind(path(QStringLiteral("good.json"))), Kind::saveFailed);
  EXPECT_EQ(store->container(), before);
  EXPECT_THROW(manager.exportBackup(folder() + QStringLiteral("/no/such/folder/b.json"), now),
               ExportImportError);
}

TEST_F(ExportImport, CsvCellsAreNeutralisedAndQuoted) {
  const struct {
    QString title;
    QString field;
  } cases[] = {
      {QStringLiteral("Pay rent"), QStringLiteral("Pay rent")},
      {QStringLiteral("=SUM(A1:A9)"), QStringLiteral("'=SUM(A1:A9)")},
      {QStringLiteral("+49 30 1234"), QStringLiteral("'+49 30 1234")},
      {QStringLiteral("-1+1"), QStringLiteral("'-1+1")},
      {QStringLiteral("@cmd"), QStringLiteral("'@cmd")},
      {QStringLiteral("\tTabbed"), QStringLiteral("'\tTabbed")},
      {QStringLiteral("\rReturn"), QStringLiteral("\"'\rReturn\"")},
      {QStringLiteral("Milk, eggs"), QStringLiteral("\"Milk, eggs\"")},
      {QStringLiteral("Say \"hi\""), QStringLiteral("\"Say \"\"hi\"\"\"")},
      {QStringLiteral("Two\nlines"), QStringLiteral("\"Two\nlines\"")},
      {QStringLiteral("=HYPERLINK(\"x\",1)"), QStringLiteral("\"'=HYPERLINK(\"\"x\"\",1)\"")},
  };
  for (const auto& c : cases) {
    store->addTask(makeTask(c.title));
  }
  ExportImportManager(*store).exportCSV(CsvKind::tasks, path(QStringLiteral("t.csv")));
  const QString csv = QString::fromUtf8(readFile(path(QStringLiteral("t.csv"))));

  EXPECT_TRUE(csv.startsWith(QStringLiteral(
      "Title,Notes,Due Date,Priority,Category,Completed,Completed At,Recurrence,Created At\r\n")));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title.toStdString());
    EXPECT_TRUE(csv.contains(QStringLiteral("\r\n") + c.field + QLatin1Char(',')));
  }
}

TEST_F(ExportImport, CsvOfBillsAndWaitingItemsListsEveryRecord) {
  BillItem bill = makeBill(QStringLiteral("-Gas"), utc(2026, 4, 1));
  bill.notes = QStringLiteral("acct, 12");
  store->addBill(bill);
  store->addWaitingItem(makeWaiting(QStringLiteral("Refund"), utc(2026, 3, 2)));
  ExportImportManager manager(*store);
  manager.exportCSV(CsvKind::bills, path(QStringLiteral("b.csv")));
  manager.exportCSV(CsvKind::waitingFor, path(QStringLiteral("w.csv")));

  EXPECT_EQ(
      QString::fromUtf8(readFile(path(QStringLiteral("b.csv")))).section(QStringLiteral("\r\n"), 1),
      QStringLiteral("'-Gas,42.50,USD,2026-04-01T00:00:00.000Z,Utilities,No,,Never,3,"
                     "\"acct, 12\"\r\n"));
  EXPECT_EQ(
      QString::fromUtf8(readFile(path(QStringLiteral("w.csv")))).section(QStringLiteral("\r\n"), 1),
      QStringLiteral("Refund,Alex,Waiting,,2026-03-02T00:00:00.000Z,,,\r\n"));
}

}  // namespace
