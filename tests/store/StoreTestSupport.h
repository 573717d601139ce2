#pragma once

#include "common/TestSupport.h"
#include "core/model/Calendar.h"
#include "core/model/JsonCoding.h"
#include "core/services/MockCalendarService.h"
#include "core/services/MockNotificationService.h"
#include "core/store/DataStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace storetest {

using testsupport::utc;

inline TaskItem makeTask(const QString& title, std::optional<QDateTime> due = std::nullopt,
                         RecurrenceRule recurrence = RecurrenceRule::none()) {
  const QDateTime created = utc(2026, 3, 1, 8);
  return TaskItem(QUuid::createUuid(), title, "notes of " + title, std::move(due),
                  TaskPriority::medium, "General", false, std::nullopt, recurrence, created,
                  created, false, std::nullopt);
}

inline BillItem makeBill(const QString& name, const QDateTime& due,
                         RecurrenceRule recurrence = RecurrenceRule::none()) {
  return {QUuid::createUuid(),
          name,
          42.5,
          "USD",
          due,
          "Utilities",
          false,
          std::nullopt,
          3,
          recurrence,
          QString(),
          utc(2026, 3, 1, 8),
          false,
          std::nullopt};
}

inline WaitingForItem makeWaiting(const QString& title, const QDateTime& created) {
  return {QUuid::createUuid(),    title,   "Alex",       QString(),
          WaitingStatus::waiting, created, std::nullopt, std::nullopt,
          std::nullopt,           false,   std::nullopt};
}

inline CalendarEventItem makeEvent(const QString& id, const QDateTime& start, int minutes,
                                   CalendarSourceType source = CalendarSourceType::manual) {
  return {id,        "Event " + id, start,        start.addSecs(minutes * 60),
          false,     std::nullopt,  std::nullopt, "Work",
          "#336699", source,        std::nullopt};
}

inline EmailExtractedSuggestion makeSuggestion(EmailExtractedCategory category,
                                               const QString& title) {
  return EmailExtractedSuggestion(
      QUuid::createUuid(), "msg-" + title, "Billing <b@example.com>", "About " + title,
      utc(2026, 3, 9, 7), category, title, "From the mail", 0.9, QString(), std::nullopt,
      std::nullopt, std::nullopt, std::nullopt, std::nullopt, TaskPriority::high, std::nullopt,
      SuggestionStatus::pending, utc(2026, 3, 9, 7, 5), std::nullopt);
}

inline QByteArray readFile(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// The database as a file holds it, decoded.
inline DashboardStorageContainer loadContainer(const QString& path) {
  return DashboardStorageContainer::fromJson(jsoncoding::parseObject(readFile(path)));
}

inline QStringList filesStartingWith(const QString& folder, const QString& prefix) {
  return QDir(folder).entryList({prefix + '*'}, QDir::Files | QDir::Hidden, QDir::Name);
}

// A store in a temporary folder with a fixed clock, the Berlin zone and mock services. The
// folder starts with an empty database unless a test writes its own files first.
class StoreTest : public ::testing::Test {
 protected:
  StoreTest() {
    writeFile(databasePath(), QJsonDocument(DashboardStorageContainer{}.toJson()).toJson());
  }

  QString folder() const { return dir_.path() + "/Pelmora"; }
  QString path(const char* name) const { return folder() + '/' + name; }
  QString databasePath() const { return path("dashboard.json"); }
  QString backupPath() const { return path("dashboard.backup.json"); }
  QString snapshotPath() const { return path("dashboard.safety-snapshot.json"); }

  // Opens (again) the store over the folder, releasing the previous one first.
  DataStore& open() {
    store.reset();
    store = std::make_unique<DataStore>(
        folder(), &notifications, &calendarService, [this] { return now; }, calendar);
    return *store;
  }
  // The database and its backup both hold exactly what the store holds.
  void expectSaved() const {
    EXPECT_EQ(loadContainer(databasePath()), store->container());
    EXPECT_EQ(loadContainer(backupPath()), store->container());
  }

  QDateTime now = utc(2026, 3, 10, 9);  // what the store's clock answers
  Calendar calendar{QTimeZone("Europe/Berlin")};
  MockNotificationService notifications;
  MockCalendarService calendarService;
  std::unique_ptr<DataStore> store;

 private:
  QTemporaryDir dir_;
};

}  // namespace storetest
