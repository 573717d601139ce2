#include "StoreTestSupport.h"

#include "core/model/JsonCoding.h"
#include "core/store/StorageFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

namespace storetest {

TaskItem makeTask(const QString& title, std::optional<QDateTime> due, RecurrenceRule recurrence) {
  const QDateTime created = testsupport::utc(2026, 3, 1, 8);
  return TaskItem(QUuid::createUuid(), title, "notes of " + title, std::move(due),
                  TaskPriority::medium, "General", false, std::nullopt, recurrence, created,
                  created, false, std::nullopt);
}

BillItem makeBill(const QString& name, const QDateTime& due, RecurrenceRule recurrence) {
  BillItem bill;
  bill.id = QUuid::createUuid();
  bill.name = name;
  bill.amount = 42.5;
  bill.dueDate = due;
  bill.recurrence = recurrence;
  bill.createdAt = testsupport::utc(2026, 3, 1, 8);
  return bill;
}

WaitingForItem makeWaiting(const QString& title, const QDateTime& created) {
  WaitingForItem item;
  item.id = QUuid::createUuid();
  item.title = title;
  item.personOrOrg = "Alex";
  item.createdAt = created;
  return item;
}

CalendarEventItem makeEvent(const QString& id, const QDateTime& start, int minutes,
                            CalendarSourceType source) {
  CalendarEventItem event;
  event.id = id;
  event.title = "Event " + id;
  event.startDate = start;
  event.endDate = start.addSecs(minutes * 60);
  event.calendarName = "Work";
  event.calendarColorHex = "#336699";
  event.sourceType = source;
  return event;
}

EmailExtractedSuggestion makeSuggestion(EmailExtractedCategory category, const QString& title) {
  EmailExtractedSuggestion s;
  s.id = QUuid::createUuid();
  s.sourceMessageID = "msg-" + title;
  s.sender = "Billing <billing@example.com>";
  s.subject = "About " + title;
  s.receivedDate = testsupport::utc(2026, 3, 9, 7);
  s.category = category;
  s.title = title;
  s.notes = "From the mail";
  s.confidence = 0.9;
  s.evidenceSnippet = "snippet";
  s.priority = TaskPriority::high;
  s.createdAt = testsupport::utc(2026, 3, 9, 7, 5);
  return s;
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return {};
  }
  return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

DashboardStorageContainer loadContainer(const QString& path) {
  return DashboardStorageContainer::fromJson(jsoncoding::parseObject(readFile(path)));
}

QStringList filesStartingWith(const QString& folder, const QString& prefix) {
  return QDir(folder).entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden,
                                QDir::Name);
}

StoreTest::StoreTest()
    : now(testsupport::utc(2026, 3, 10, 9)), calendar(QTimeZone("Europe/Berlin")) {
  writeEmptyDatabase();
}

void StoreTest::writeEmptyDatabase() {
  QDir().mkpath(folder());
  const QByteArray bytes = QJsonDocument(DashboardStorageContainer{}.toJson()).toJson();
  ASSERT_FALSE(StorageFile::writeAtomically(databasePath(), bytes).has_value());
}

DataStore& StoreTest::open() {
  store.reset();
  store = std::make_unique<DataStore>(
      folder(), &notifications, &calendarService, [this] { return now; }, calendar);
  return *store;
}

void StoreTest::expectSaved() const {
  EXPECT_EQ(loadContainer(databasePath()), store->container());
  EXPECT_EQ(loadContainer(backupPath()), store->container());
}

}  // namespace storetest
