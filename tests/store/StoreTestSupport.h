#pragma once

#include "common/TestSupport.h"
#include "core/model/Calendar.h"
#include "core/services/MockCalendarService.h"
#include "core/services/MockNotificationService.h"
#include "core/store/DataStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace storetest {

TaskItem makeTask(const QString& title, std::optional<QDateTime> due = std::nullopt,
                  RecurrenceRule recurrence = RecurrenceRule::none());
BillItem makeBill(const QString& name, const QDateTime& due,
                  RecurrenceRule recurrence = RecurrenceRule::none());
WaitingForItem makeWaiting(const QString& title, const QDateTime& created);
CalendarEventItem makeEvent(const QString& id, const QDateTime& start, int minutes,
                            CalendarSourceType source = CalendarSourceType::manual);
EmailExtractedSuggestion makeSuggestion(EmailExtractedCategory category, const QString& title);

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
// The database as a file holds it, decoded.
DashboardStorageContainer loadContainer(const QString& path);
// Files of a folder whose name starts with `prefix`.
QStringList filesStartingWith(const QString& folder, const QString& prefix);

// A store in a temporary folder with a fixed clock, a fixed zone and mock services. The folder
// starts with an empty database unless a test writes its own files first.
class StoreTest : public ::testing::Test {
 protected:
  StoreTest();

  QString folder() const { return dir_.path() + QStringLiteral("/Pelmora"); }
  QString databasePath() const { return folder() + QStringLiteral("/dashboard.json"); }
  QString backupPath() const { return folder() + QStringLiteral("/dashboard.backup.json"); }
  QString settingsPath() const { return folder() + QStringLiteral("/settings.json"); }
  QString snapshotPath() const {
    return folder() + QStringLiteral("/dashboard.safety-snapshot.json");
  }

  void writeEmptyDatabase();
  // Opens (again) the store over the folder, releasing the previous one first.
  DataStore& open();
  // The database and its backup both hold exactly what the store holds.
  void expectSaved() const;

  QDateTime now;  // what the store's clock answers
  Calendar calendar;
  MockNotificationService notifications;
  MockCalendarService calendarService;
  std::unique_ptr<DataStore> store;

 private:
  QTemporaryDir dir_;
};

}  // namespace storetest
