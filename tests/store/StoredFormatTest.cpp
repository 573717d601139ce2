#include "StoreTestSupport.h"

#include "core/store/DatabaseEncoder.h"
#include "core/store/StorageFile.h"

#include <QTemporaryDir>

using namespace storetest;

namespace {

// Every kind of record and field the database holds, with the texts and dates that are hard to
// write: quotes, escapes, control characters, non-Latin script, leap days, years before 1970,
// milliseconds, numbers with and without fractions.
DashboardStorageContainer storedFormatContainer() {
  static const QUuid space = QUuid::fromString("0b8f5a3e-2c4d-4e6f-8a1b-3c5d7e9f1a2b");
  const auto id = [](int n) { return QUuid::createUuidV5(space, QString::number(n)); };
  const QDateTime leapDay = utc(2024, 2, 29, 23, 59, 59).addMSecs(999);
  const QDateTime before1970 = utc(1969, 7, 20, 20, 17, 40).addMSecs(5);
  DashboardStorageContainer c;
  c.tasks = {
      TaskItem(id(1), "Quote \" backslash \\ slash / tab\t newline\n bell \x01 del \x7f",
               "Ünïcödé 漢字 emoji 👩‍💻 and \"50%2 Partners\"", leapDay, TaskPriority::urgent,
               "Work", false, std::nullopt, RecurrenceRule::customDays(3),
               utc(2026, 1, 1, 8), utc(2026, 1, 2, 8).addMSecs(123), false, std::nullopt),
      TaskItem(id(2), "Done long ago", QString(), before1970, TaskPriority::low, "Home", true,
               utc(1970, 1, 1, 0), RecurrenceRule::weekly(), utc(1969, 12, 31, 23, 59, 59),
               utc(1970, 1, 1, 0).addMSecs(1), false, std::nullopt),
      TaskItem(id(3), "No due date", "plain", std::nullopt, TaskPriority::medium, "General",
               false, std::nullopt, RecurrenceRule::none(), utc(2026, 3, 10, 9),
               utc(2026, 3, 10, 9), true, "msg-a")};
  BillItem bill{id(10),     "Rent – März", 1234.56,           "EUR", utc(2026, 3, 31, 12),
                "Housing",  false,         std::nullopt,      3,     RecurrenceRule::monthly(),
                "IBAN note", utc(2026, 3, 1, 8), false,       std::nullopt};
  BillItem tiny = bill;
  tiny.id = id(11);
  tiny.name = "Tiny";
  tiny.amount = 0.1;
  tiny.isPaid = true;
  tiny.paidAt = utc(2026, 3, 2, 10, 0, 0).addMSecs(500);
  c.bills = {bill, tiny};
  WaitingForItem waiting = makeWaiting("Contract from 50%2 Partners", utc(2026, 2, 1, 9));
  waiting.id = id(20);
  waiting.nextFollowUpDate = utc(2026, 2, 8, 9);
  c.waitingItems = {waiting};
  CalendarEventItem event = makeEvent("EVENT-1", utc(2026, 3, 12, 14), 90);
  event.isAllDay = true;
  event.location = "Room \"A\"";
  c.manualEvents = {event};
  FocusSession session;
  session.id = id(30);
  session.startedAt = utc(2026, 3, 9, 9);
  session.endedAt = utc(2026, 3, 9, 9, 25);
  session.durationSeconds = 1500;
  session.taskId = id(1);
  session.taskTitle = "Quote";
  c.focusSessions = {session};
  EmailExtractedSuggestion suggestion = makeSuggestion(EmailExtractedCategory::bill, "Invoice");
  suggestion.id = id(40);
  suggestion.confidence = 0.85;
  suggestion.amount = 42.5;
  suggestion.currency = "USD";
  suggestion.dueDate = utc(2026, 4, 1, 0);
  c.emailSuggestions = {suggestion};
  c.processedEmailMessageIDs = {"msg-b", "msg-a", "msg-Invoice"};
  c.lastEmailSyncAt = utc(2026, 3, 10, 8, 0, 0).addMSecs(250);
  c.emailSyncState = {utc(2026, 3, 10, 8), "Found 1 new item", "me@example.com", false, 1};
  c.dailyIntention = "Ship it";
  c.dailyIntentionDate = utc(2026, 3, 10, 7);
  c.customGreeting = "Hello";
  WeatherData weather;
  weather.locationName = "Oslo";
  weather.temperature = -3.5;
  weather.conditionCode = 71;
  weather.high = 1e-7;
  weather.forecast = {{utc(2026, 3, 11, 0), 2, -4, 3}};
  weather.fetchedAt = utc(2026, 3, 10, 6);
  c.cachedWeather = weather;
  return c;
}

QString golden(const char* name) {
  return testsupport::dataPath(QStringLiteral("store/") + QLatin1String(name));
}

// The files were written by the store before its reader and date coding were rewritten: the
// same records must still give the same bytes, fresh or after a load, an edit and a save.
TEST(StoredFormat, SavedFilesAreByteIdenticalToTheFormatWrittenBefore) {
  const QByteArray loadedBytes = readFile(golden("dashboard.json"));
  ASSERT_FALSE(loadedBytes.isEmpty());
  EXPECT_EQ(DatabaseEncoder().encode(storedFormatContainer()), loadedBytes);

  QTemporaryDir dir;
  const QString folder = dir.filePath("Pelmora");
  ASSERT_FALSE(StorageFile::makePrivateFolder(folder).has_value());
  writeFile(folder + "/dashboard.json", loadedBytes);
  const QDateTime now = utc(2026, 3, 10, 12);
  DataStore store(folder, nullptr, nullptr, [now] { return now; },
                  Calendar(QTimeZone("Europe/Berlin")));
  ASSERT_EQ(store.container(), storedFormatContainer());
  store.save();
  EXPECT_EQ(readFile(folder + "/dashboard.json"), loadedBytes);

  store.toggleTaskCompletion(store.tasks().at(2).id, now);
  BillItem bill = store.bills().at(0);
  bill.notes = "edited \"again\"";
  store.updateBill(bill);
  ASSERT_FALSE(store.saveError().has_value());
  EXPECT_EQ(readFile(folder + "/dashboard.json"), readFile(golden("dashboard.edited.json")));
  EXPECT_EQ(readFile(folder + "/dashboard.backup.json"), readFile(golden("dashboard.edited.json")));
}

}  // namespace
