#include "common/TestSupport.h"
#include "core/model/BillItem.h"
#include "core/model/CalendarEventItem.h"
#include "core/model/EmailIntelligenceModels.h"
#include "core/model/FocusSession.h"
#include "core/model/QuickCaptureDraft.h"
#include "core/model/TaskItem.h"
#include "core/model/WaitingForItem.h"
#include "core/model/WeatherData.h"
#include "model/ModelTestPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

// Goes through text, as a file would.
template <typename T>
T roundTrip(const T& value) {
  const QByteArray text = QJsonDocument(value.toJson()).toJson();
  return T::fromJson(QJsonDocument::fromJson(text).object());
}

const QUuid kTaskId = QUuid::fromString("6F9619FF-8B86-D011-B42D-00C04FC964FF");

TaskItem fullTask() {
  return TaskItem(kTaskId, "Renew passport", "Bring photos", utc(2026, 12, 6, 9, 30),
                  TaskPriority::urgent, "Admin", true, utc(2026, 12, 5, 18, 0, 1),
                  RecurrenceRule::customDays(3), utc(2026, 11, 1, 8, 0), utc(2026, 11, 2, 8, 0),
                  true, "18c2f0a1b2");
}

TaskItem bareTask() {
  return TaskItem(QUuid::createUuid(), "Call Ana", QString(), std::nullopt, TaskPriority::low,
                  "General", false, std::nullopt, RecurrenceRule::none(), utc(2026, 1, 1),
                  utc(2026, 1, 1), false, std::nullopt);
}

EmailExtractedSuggestion fullSuggestion() {
  return EmailExtractedSuggestion(
      QUuid::createUuid(), "msg-1", "Power Co <billing@power.example>", "Your invoice",
      utc(2026, 3, 1, 7, 15), EmailExtractedCategory::bill, "Pay Power Co", "Invoice 42", 0.92,
      "Amount due: $84.10", 84.10, "USD", utc(2026, 3, 15), "INV-42", "Power Co",
      TaskPriority::high, "Online", SuggestionStatus::autoApplied, utc(2026, 3, 1, 7, 16),
      utc(2026, 3, 2));
}

// `full` sets every field, optional ones included, to a value other than its default. It must
// read back unchanged; each required key must be written and missed by name; without all of its
// optional keys the record still reads, and writes none of them back.
template <typename T>
void expectCoding(const T& full, const QStringList& required) {
  EXPECT_EQ(roundTrip(full), full);
  const QJsonObject json = full.toJson();
  QJsonObject bare;
  for (const QString& key : json.keys()) {
    QJsonObject without = json;
    without.remove(key);
    if (!required.contains(key)) {
      EXPECT_NO_THROW(T::fromJson(without)) << key.toStdString();
      continue;
    }
    bare.insert(key, json.value(key));
    try {
      T::fromJson(without);
      ADD_FAILURE() << "accepted a record without " << key.toStdString();
    } catch (const DecodingError& error) {
      EXPECT_EQ(error.field(), key);
      EXPECT_EQ(error.kind(), DecodingError::Kind::keyNotFound);
    }
  }
  for (const QString& key : required) {
    EXPECT_TRUE(json.contains(key)) << "not written: " << key.toStdString();
  }
  EXPECT_EQ(T::fromJson(bare).toJson(), bare);
}

}  // namespace

TEST(RecordJson, EveryRecordRoundTripsAndRequiresExactlyItsNonOptionalFields) {
  // The shared form of dates, identifiers and texts; null reads as absent.
  const QJsonObject json = fullTask().toJson();
  EXPECT_EQ(json.value("id").toString(), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
  EXPECT_EQ(json.value("dueDate").toString(), "2026-12-06T09:30:00.000Z");
  EXPECT_EQ(json.value("priority").toString(), "Urgent");
  QJsonObject bare = bareTask().toJson();
  EXPECT_EQ(roundTrip(bareTask()).dueDate, std::nullopt);
  bare.insert("dueDate", QJsonValue::Null);
  EXPECT_EQ(TaskItem::fromJson(bare).dueDate, std::nullopt);

  expectCoding(fullTask(), {"id", "title", "notes", "priority", "category", "isCompleted",
                            "recurrence", "createdAt", "updatedAt", "isSampleData"});
  expectCoding(fullSuggestion(),
               {"id", "sourceMessageID", "sender", "subject", "receivedDate", "category", "title",
                "notes", "confidence", "evidenceSnippet", "priority", "status", "createdAt"});
  expectCoding(EmailSyncState{utc(2026, 1, 2), "Found 2 new items", "me@example.com", true, 2},
               {"lastSyncStatus", "isSyncing", "pendingCount"});
  expectCoding(FocusSession{QUuid::createUuid(), FocusSessionType::longBreak, utc(2026, 4, 1, 10),
                            utc(2026, 4, 1, 10, 15), 900.5, QUuid::createUuid(), "Write report"},
               {"id", "type", "startedAt", "endedAt", "durationSeconds"});
  expectCoding(BillItem{QUuid::createUuid(), "Rent", 1234.56, "EUR", utc(2026, 1, 31, 12),
                        "Housing", true, utc(2026, 1, 30), 5, RecurrenceRule::monthly(),
                        "Standing order", utc(2025, 12, 1), true, "m-9"},
               {"id", "name", "amount", "currency", "dueDate", "category", "isPaid",
                "reminderDaysBefore", "recurrence", "notes", "createdAt", "isSampleData"});
  expectCoding(WaitingForItem{QUuid::createUuid(), "Contract draft", "Legal team", "Asked twice",
                              WaitingStatus::followedUp, utc(2026, 2, 1), utc(2026, 2, 10),
                              utc(2026, 2, 5), utc(2026, 2, 12), true, "m-3"},
               {"id", "title", "personOrOrg", "notes", "status", "createdAt", "isSampleData"});
  expectCoding(CalendarEventItem{"evt-7@host", "Standup", utc(2026, 5, 4, 9),
                                 utc(2026, 5, 4, 9, 15), true, "Room 2", "https://meet.example/abc",
                                 "Work", "#3366FF", CalendarSourceType::apple, "Daily"},
               {"id", "title", "startDate", "endDate", "isAllDay", "calendarName",
                "calendarColorHex", "sourceType"});
  expectCoding(AppleCalendarInfo{"cal-1", "Home", "FF9500"}, {"id", "title", "colorHex"});
  const WeatherData weather(
      "Berlin, Germany", "Berlin", "Germany", -3.25, 71, 1.0, -4.5, 80, 12.5,
      QList<ForecastDay>{{utc(2026, 1, 10), 2.5, -4, 3}, {utc(2026, 1, 11), 1, -6, 73}},
      utc(2026, 1, 10, 6, 0));
  expectCoding(weather, {"locationName", "temperature", "conditionCode", "forecast", "fetchedAt"});
  expectCoding(QuickCaptureDraft{CaptureType::waitingFor, "Quote", "Ana", "Home",
                                 TaskPriority::high, utc(2026, 6, 1), "By Friday"},
               {"type", "title", "secondaryField", "category", "priority", "notes"});
}

// Decoding failures must say which field is wrong and how.
TEST(RecordDecoding, BadValuesAreRefusedNamingTheField) {
  using Kind = DecodingError::Kind;
  const struct {
    const char* key;
    QJsonValue value;  // undefined removes the key
    const char* field;
    Kind kind;
  } cases[] = {{"priority", "Critical", "priority", Kind::dataCorrupted},
               {"priority", "high", "priority", Kind::dataCorrupted},  // the text is "High"
               {"isCompleted", "yes", "isCompleted", Kind::typeMismatch},
               {"recurrence", QJsonObject{{"customDays", QJsonObject{}}},
                "recurrence.customDays._0", Kind::keyNotFound},
               {"createdAt", "yesterday", "createdAt", Kind::dataCorrupted},
               {"id", "not-a-uuid", "id", Kind::dataCorrupted}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    QJsonObject json = bareTask().toJson();
    if (c.value.isUndefined()) {
      json.remove(c.key);
    } else {
      json.insert(c.key, c.value);
    }
    try {
      TaskItem::fromJson(json);
      ADD_FAILURE() << "accepted";
    } catch (const DecodingError& error) {
      EXPECT_EQ(error.field(), c.field);
      EXPECT_EQ(error.kind(), c.kind);
      EXPECT_TRUE(error.errorDescription().contains(c.field));
    }
  }

  QJsonObject suggestion = fullSuggestion().toJson();
  suggestion.insert("category", "Spam");
  EXPECT_THROW(EmailExtractedSuggestion::fromJson(suggestion), DecodingError);
}
