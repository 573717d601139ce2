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

const QUuid kTaskId = QUuid::fromString(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));

TaskItem fullTask() {
  return TaskItem(kTaskId, QStringLiteral("Renew passport"), QStringLiteral("Bring photos"),
                  utc(2026, 12, 6, 9, 30), TaskPriority::urgent, QStringLiteral("Admin"), true,
                  utc(2026, 12, 5, 18, 0, 1), RecurrenceRule::customDays(3), utc(2026, 11, 1, 8, 0),
                  utc(2026, 11, 2, 8, 0), true, QStringLiteral("18c2f0a1b2"));
}

TaskItem bareTask() {
  return TaskItem(QUuid::createUuid(), QStringLiteral("Call Ana"), QString(), std::nullopt,
                  TaskPriority::low, QStringLiteral("General"), false, std::nullopt,
                  RecurrenceRule::none(), utc(2026, 1, 1), utc(2026, 1, 1), false, std::nullopt);
}

EmailExtractedSuggestion fullSuggestion() {
  return EmailExtractedSuggestion{QUuid::createUuid(),
                                  QStringLiteral("msg-1"),
                                  QStringLiteral("Power Co <billing@power.example>"),
                                  QStringLiteral("Your invoice"),
                                  utc(2026, 3, 1, 7, 15),
                                  EmailExtractedCategory::bill,
                                  QStringLiteral("Pay Power Co"),
                                  QStringLiteral("Invoice 42"),
                                  0.92,
                                  QStringLiteral("Amount due: $84.10"),
                                  84.10,
                                  QStringLiteral("USD"),
                                  utc(2026, 3, 15),
                                  QStringLiteral("INV-42"),
                                  QStringLiteral("Power Co"),
                                  TaskPriority::high,
                                  QStringLiteral("Online"),
                                  SuggestionStatus::autoApplied,
                                  utc(2026, 3, 1, 7, 16),
                                  utc(2026, 3, 2)};
}

}  // namespace

TEST(RecordJson, TaskWritesTheSharedFormAndLeavesAbsentOptionalsOut) {
  const QJsonObject json = fullTask().toJson();
  EXPECT_EQ(json.value(QStringLiteral("id")).toString(),
            QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
  EXPECT_EQ(json.value(QStringLiteral("dueDate")).toString(),
            QStringLiteral("2026-12-06T09:30:00.000Z"));
  EXPECT_EQ(json.value(QStringLiteral("priority")).toString(), QStringLiteral("Urgent"));

  QJsonObject bare = bareTask().toJson();
  EXPECT_EQ(bare.size(), 10);
  EXPECT_FALSE(bare.contains(QStringLiteral("dueDate")));
  bare.insert(QStringLiteral("dueDate"), QJsonValue::Null);  // null reads as absent
  EXPECT_EQ(TaskItem::fromJson(bare).dueDate, std::nullopt);
}

TEST(RecordJson, EveryRecordRoundTripsWithAndWithoutItsOptionals) {
  EXPECT_EQ(roundTrip(fullTask()), fullTask());
  const TaskItem bare = bareTask();
  EXPECT_EQ(roundTrip(bare), bare);

  BillItem bill{QUuid::createUuid(),
                QStringLiteral("Rent"),
                1234.56,
                QStringLiteral("EUR"),
                utc(2026, 1, 31, 12),
                QStringLiteral("Housing"),
                true,
                utc(2026, 1, 30),
                5,
                RecurrenceRule::monthly(),
                QStringLiteral("Standing order"),
                utc(2025, 12, 1),
                true,
                QStringLiteral("m-9")};
  EXPECT_EQ(roundTrip(bill), bill);
  bill.paidAt.reset();
  bill.sourceEmailMessageID.reset();
  EXPECT_EQ(roundTrip(bill), bill);

  WaitingForItem item{QUuid::createUuid(),
                      QStringLiteral("Contract draft"),
                      QStringLiteral("Legal team"),
                      QStringLiteral("Asked twice"),
                      WaitingStatus::followedUp,
                      utc(2026, 2, 1),
                      utc(2026, 2, 10),
                      utc(2026, 2, 5),
                      utc(2026, 2, 12),
                      false,
                      QStringLiteral("m-3")};
  EXPECT_EQ(roundTrip(item), item);
  item.expectedResponseDate.reset();
  item.lastFollowUpDate.reset();
  item.nextFollowUpDate.reset();
  item.sourceEmailMessageID.reset();
  EXPECT_EQ(roundTrip(item), item);

  CalendarEventItem event{QStringLiteral("evt-7@host"),
                          QStringLiteral("Standup"),
                          utc(2026, 5, 4, 9),
                          utc(2026, 5, 4, 9, 15),
                          false,
                          QStringLiteral("Room 2"),
                          QStringLiteral("https://meet.example/abc"),
                          QStringLiteral("Work"),
                          QStringLiteral("#3366FF"),
                          CalendarSourceType::apple,
                          QStringLiteral("Daily")};
  EXPECT_EQ(roundTrip(event), event);
  event.location.reset();
  event.meetingLink.reset();
  event.notes.reset();
  event.sourceType = CalendarSourceType::sample;
  EXPECT_EQ(roundTrip(event), event);
  const AppleCalendarInfo info{QStringLiteral("cal-1"), QStringLiteral("Home"),
                               QStringLiteral("FF9500")};
  EXPECT_EQ(roundTrip(info), info);

  FocusSession session{QUuid::createUuid(),
                       FocusSessionType::longBreak,
                       utc(2026, 4, 1, 10),
                       utc(2026, 4, 1, 10, 15),
                       900.5,
                       QUuid::createUuid(),
                       QStringLiteral("Write report")};
  EXPECT_EQ(roundTrip(session), session);
  session.taskId.reset();
  session.taskTitle.reset();
  EXPECT_EQ(roundTrip(session), session);

  QuickCaptureDraft draft;
  draft.type = CaptureType::waitingFor;
  draft.title = QStringLiteral("Quote");
  draft.dueDate = utc(2026, 6, 1);
  EXPECT_EQ(roundTrip(draft), draft);
  EXPECT_EQ(roundTrip(QuickCaptureDraft{}), QuickCaptureDraft{});

  EmailExtractedSuggestion suggestion = fullSuggestion();
  EXPECT_EQ(roundTrip(suggestion), suggestion);
  suggestion.amount.reset();
  suggestion.currency.reset();
  suggestion.dueDate.reset();
  suggestion.referenceNumber.reset();
  suggestion.personOrOrg.reset();
  suggestion.location.reset();
  suggestion.reviewedAt.reset();
  EXPECT_EQ(roundTrip(suggestion), suggestion);

  const EmailSyncState state{utc(2026, 1, 2), QStringLiteral("Found 2 new items"),
                             QStringLiteral("me@example.com"), false, 2};
  EXPECT_EQ(roundTrip(state), state);
  EXPECT_EQ(roundTrip(EmailSyncState{}), EmailSyncState{});

  WeatherData weather;
  weather.locationName = QStringLiteral("Berlin, Germany");
  weather.temperature = -3.25;
  weather.conditionCode = 71;
  weather.high = 1.0;
  weather.humidity = 80;
  weather.forecast = {ForecastDay{utc(2026, 1, 10), 2.5, -4, 3},
                      ForecastDay{utc(2026, 1, 11), 1, -6, 73}};
  weather.fetchedAt = utc(2026, 1, 10, 6, 0);
  EXPECT_EQ(roundTrip(weather), weather);
}

// Decoding failures must say which field is wrong and how.
TEST(RecordDecoding, BadValuesAreRefusedNamingTheField) {
  using Kind = DecodingError::Kind;
  const struct {
    const char* key;
    QJsonValue value;  // undefined removes the key
    const char* field;
    Kind kind;
  } cases[] = {
      {"title", QJsonValue::Undefined, "title", Kind::keyNotFound},
      {"priority", QStringLiteral("Critical"), "priority", Kind::dataCorrupted},
      {"priority", QStringLiteral("high"), "priority", Kind::dataCorrupted},  // text is "High"
      {"isCompleted", QStringLiteral("yes"), "isCompleted", Kind::typeMismatch},
      {"recurrence", QJsonObject{{QStringLiteral("customDays"), QJsonObject{}}},
       "recurrence.customDays._0", Kind::keyNotFound},
      {"createdAt", QStringLiteral("yesterday"), "createdAt", Kind::dataCorrupted},
      {"id", QStringLiteral("not-a-uuid"), "id", Kind::dataCorrupted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    QJsonObject json = bareTask().toJson();
    if (c.value.isUndefined()) {
      json.remove(QString::fromUtf8(c.key));
    } else {
      json.insert(QString::fromUtf8(c.key), c.value);
    }
    try {
      TaskItem::fromJson(json);
      ADD_FAILURE() << "accepted";
    } catch (const DecodingError& error) {
      EXPECT_EQ(error.field(), QString::fromUtf8(c.field));
      EXPECT_EQ(error.kind(), c.kind);
      EXPECT_TRUE(error.errorDescription().contains(QString::fromUtf8(c.field)));
    }
  }

  WeatherData weather;
  weather.forecast = {ForecastDay{utc(2026, 1, 1), 1, 0, 0}, ForecastDay{utc(2026, 1, 2), 1, 0, 0}};
  QJsonObject weatherJson = weather.toJson();
  QJsonArray forecast = weatherJson.value(QStringLiteral("forecast")).toArray();
  QJsonObject second = forecast.at(1).toObject();
  second.remove(QStringLiteral("low"));
  forecast.replace(1, second);
  weatherJson.insert(QStringLiteral("forecast"), forecast);
  try {
    WeatherData::fromJson(weatherJson);
    ADD_FAILURE() << "accepted a forecast day without a low";
  } catch (const DecodingError& error) {
    EXPECT_EQ(error.field(), QStringLiteral("forecast[1].low"));
  }

  QJsonObject suggestion = fullSuggestion().toJson();
  suggestion.insert(QStringLiteral("category"), QStringLiteral("Spam"));
  EXPECT_THROW(EmailExtractedSuggestion::fromJson(suggestion), DecodingError);
}

// Removing a required key must fail naming it; removing an optional key must not fail.
template <typename T>
void expectRequiredKeys(const T& full, const QStringList& required) {
  const QJsonObject json = full.toJson();
  for (const QString& key : json.keys()) {
    QJsonObject without = json;
    without.remove(key);
    if (required.contains(key)) {
      try {
        T::fromJson(without);
        ADD_FAILURE() << "accepted a record without " << key.toStdString();
      } catch (const DecodingError& error) {
        EXPECT_EQ(error.field(), key);
        EXPECT_EQ(error.kind(), DecodingError::Kind::keyNotFound);
      }
    } else {
      EXPECT_NO_THROW(T::fromJson(without)) << key.toStdString();
    }
  }
  for (const QString& key : required) {
    EXPECT_TRUE(json.contains(key)) << "not written: " << key.toStdString();
  }
}

TEST(RecordDecoding, EveryRecordRequiresExactlyItsNonOptionalFields) {
  expectRequiredKeys(fullTask(), {"id", "title", "notes", "priority", "category", "isCompleted",
                                  "recurrence", "createdAt", "updatedAt", "isSampleData"});
  expectRequiredKeys(fullSuggestion(), {"id", "sourceMessageID", "sender", "subject",
                                        "receivedDate", "category", "title", "notes", "confidence",
                                        "evidenceSnippet", "priority", "status", "createdAt"});
  expectRequiredKeys(EmailSyncState{utc(2026, 1, 1), "ok", "a@b.c", true, 1},
                     {"lastSyncStatus", "isSyncing", "pendingCount"});
  expectRequiredKeys(FocusSession{QUuid::createUuid(), FocusSessionType::focus, utc(2026, 1, 1),
                                  utc(2026, 1, 1, 0, 25), 1500, QUuid::createUuid(), "T"},
                     {"id", "type", "startedAt", "endedAt", "durationSeconds"});
  BillItem bill;
  bill.paidAt = utc(2026, 1, 1);
  bill.sourceEmailMessageID = "m";
  bill.dueDate = bill.createdAt = utc(2026, 1, 1);
  expectRequiredKeys(bill,
                     {"id", "name", "amount", "currency", "dueDate", "category", "isPaid",
                      "reminderDaysBefore", "recurrence", "notes", "createdAt", "isSampleData"});
  WaitingForItem waiting;
  waiting.createdAt = utc(2026, 1, 1);
  waiting.expectedResponseDate = waiting.lastFollowUpDate = waiting.nextFollowUpDate =
      utc(2026, 1, 1);
  waiting.sourceEmailMessageID = "m";
  expectRequiredKeys(
      waiting, {"id", "title", "personOrOrg", "notes", "status", "createdAt", "isSampleData"});
  CalendarEventItem event;
  event.startDate = event.endDate = utc(2026, 1, 1);
  event.location = event.meetingLink = event.notes = "x";
  expectRequiredKeys(event, {"id", "title", "startDate", "endDate", "isAllDay", "calendarName",
                             "calendarColorHex", "sourceType"});
  WeatherData weather;
  weather.fetchedAt = utc(2026, 1, 1);
  weather.region = weather.country = "x";
  weather.high = weather.low = weather.humidity = weather.windSpeed = 1.0;
  expectRequiredKeys(weather,
                     {"locationName", "temperature", "conditionCode", "forecast", "fetchedAt"});
  QuickCaptureDraft draft;
  draft.dueDate = utc(2026, 1, 1);
  expectRequiredKeys(draft, {"type", "title", "secondaryField", "category", "priority", "notes"});
}
