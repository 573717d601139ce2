#include "StoreTestSupport.h"

#include <QJsonArray>

using namespace storetest;

namespace {

using UnreadableRecords = StoreTest;

QJsonObject spoilt(const TaskItem& task, const char* field, const QJsonValue& value) {
  QJsonObject json = task.toJson();
  json.insert(field, value);
  return json;
}

// Unreadable records first, in the middle (two in a row, one in another list) and last: every
// readable record loads in its place in order, every unreadable one is kept aside in the order
// met, and a save neither loses the kept ones nor brings them back.
TEST_F(UnreadableRecords, SeveralAnywhereAreAllKeptAsideAndTheRestLoadsInOrder) {
  const QList<TaskItem> good = {makeTask("one"), makeTask("two"), makeTask("three")};
  const QList<QJsonObject> bad = {spoilt(makeTask("first"), "priority", "Critical"),
                                  spoilt(makeTask("middle"), "id", "not-an-id"),
                                  spoilt(makeTask("next to it"), "dueDate", "someday"),
                                  spoilt(makeTask("last"), "isCompleted", "perhaps")};
  const BillItem rent = makeBill("Rent", utc(2026, 3, 20));
  QJsonObject badBill = makeBill("Water", utc(2026, 3, 21)).toJson();
  badBill.insert("amount", "lots");

  DashboardStorageContainer container;
  container.bills = {rent};
  QJsonObject json = container.toJson();
  json.insert("tasks", QJsonArray{bad[0], good[0].toJson(), bad[1], bad[2], good[1].toJson(),
                                  good[2].toJson(), bad[3]});
  json.insert("bills", QJsonArray{rent.toJson(), badBill});
  const QByteArray bytes = QJsonDocument(json).toJson(QJsonDocument::Compact);
  writeFile(databasePath(), bytes);
  writeFile(backupPath(), bytes);

  DataStore& s = open();
  EXPECT_EQ(s.tasks(), good);
  EXPECT_EQ(s.bills(), QList{rent});
  ASSERT_TRUE(s.loadWarning().has_value());
  EXPECT_TRUE(s.loadWarning()->contains("5 records could not be read"))
      << s.loadWarning()->toStdString();

  const QStringList side = filesStartingWith(folder(), "dashboard.unreadable-records");
  ASSERT_EQ(side.size(), 1);
  const QJsonArray kept = QJsonDocument::fromJson(readFile(folder() + '/' + side.first()))
                              .object()
                              .value("records")
                              .toArray();
  QHash<QString, QList<QJsonObject>> keptByList;
  for (const QJsonValue& entry : kept) {
    EXPECT_FALSE(entry["error"].toString().isEmpty());
    keptByList[entry["list"].toString()].append(entry["record"].toObject());
  }
  EXPECT_EQ(keptByList.value("tasks"), (QList<QJsonObject>{bad[0], bad[1], bad[2], bad[3]}));
  EXPECT_EQ(keptByList.value("bills"), QList{badBill});
  EXPECT_EQ(kept.size(), 5);

  const TaskItem added = makeTask("four");
  s.addTask(added);
  EXPECT_EQ(open().tasks(), (QList<TaskItem>{good[0], good[1], good[2], added}));
  EXPECT_EQ(filesStartingWith(folder(), "dashboard.unreadable-records"), side);
}

}  // namespace
