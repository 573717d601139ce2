#include "common/TestSupport.h"
#include "core/model/AppSettings.h"
#include "core/model/CalendarEventItem.h"
#include "core/model/EmailIntelligenceModels.h"
#include "core/model/FocusSession.h"
#include "core/model/JsonCoding.h"
#include "core/model/QuickCaptureDraft.h"
#include "core/model/RecurrenceRule.h"
#include "core/model/WaitingForItem.h"
#include "model/ModelTestPrinters.h"

#include <gtest/gtest.h>

using testsupport::utc;

TEST(JsonScalars, DatesUuidsAndNumbersReadAndWriteInTheSharedForm) {
  const QDateTime berlin(QDate(2026, 12, 6), QTime(10, 30, 0, 250), QTimeZone("Europe/Berlin"));
  EXPECT_EQ(jsoncoding::dateText(berlin), "2026-12-06T09:30:00.250Z");
  for (const char* text : {"2026-12-06T09:30:00.000Z", "2026-12-06T09:30:00Z",
                           "2026-12-06T11:30:00+02:00", "2026-12-06T04:30:00.000-05:00"}) {
    EXPECT_EQ(jsoncoding::parseDate(text), utc(2026, 12, 6, 9, 30)) << text;
  }
  // Without a zone, or not a date at all.
  for (const char* text : {"2026-12-06T09:30:00", "2026-13-06T09:30:00Z", "", "Z"}) {
    EXPECT_EQ(jsoncoding::parseDate(text), std::nullopt) << text;
  }

  const QUuid uuid = QUuid::fromString("{6f9619ff-8b86-d011-b42d-00c04fc964ff}");
  EXPECT_EQ(jsoncoding::uuidText(uuid), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
  EXPECT_EQ(jsoncoding::parseUuid("6f9619ff-8b86-d011-b42d-00c04fc964ff"), uuid);
  EXPECT_EQ(jsoncoding::parseUuid("6F9619FF-8B86-D011-B42D"), std::nullopt);

  const QJsonObject json{{"n", 2.5}, {"m", 7}};
  EXPECT_EQ(jsoncoding::requireInt(json, "m"), 7);
  EXPECT_THROW(jsoncoding::requireInt(json, "n"), DecodingError);
  EXPECT_THROW(jsoncoding::parseObject("{\"a\": "), DecodingError);
  EXPECT_THROW(jsoncoding::parseObject("[1, 2]"), DecodingError);
}

// The store reads and writes its one date form by position; every edge must come out as Qt's
// own ISO reader and writer make it, and anything that form does not cover is left to Qt.
TEST(JsonDates, FixedLayoutAgreesWithQtEverywhere) {
  const auto qtParse = [](const QString& text) -> std::optional<QDateTime> {
    const QDateTime date = QDateTime::fromString(text, Qt::ISODateWithMs);
    return date.isValid() ? std::optional(date.toUTC()) : std::nullopt;
  };
  const char* texts[] = {
      "2026-03-10T09:00:00.000Z", "2024-02-29T23:59:59.999Z", "2023-02-29T10:00:00.000Z",
      "2000-02-29T00:00:00.000Z", "1900-02-29T00:00:00.000Z", "1970-01-01T00:00:00.000Z",
      "1969-12-31T23:59:59.999Z", "1969-07-20T20:17:40.005Z", "1601-01-01T00:00:00.000Z",
      "0001-01-01T00:00:00.000Z", "9999-12-31T23:59:59.999Z", "2026-03-10T09:00:00Z",
      "2026-04-31T09:00:00.000Z", "2026-03-10T24:00:00.000Z", "2026-03-10T23:60:00.000Z",
      "2026-03-10T23:59:60.000Z", "2026-00-10T09:00:00.000Z", "2026-03-00T09:00:00.000Z",
      "2026-03-10T09:00:00.5Z",   "2026-03-10T09:00:00.123+02:00", "2026-03-10T09:00:00-0530",
      "2026-03-10 09:00:00.000Z", "2026-3-10T09:00:00.000Z",
      "2026-03-10T09:00:00.00aZ", "+026-03-10T09:00:00.000Z", "0000-01-01T00:00:00.000Z"};
  for (const char* text : texts) {
    const QString t = QString::fromLatin1(text);
    const std::optional<QDateTime> ours = jsoncoding::parseDate(t);
    // Qt reads a text without a zone too; the store refuses it, and every text here has one
    // unless Qt refuses it anyway.
    EXPECT_EQ(ours, qtParse(t)) << text;
    if (ours) {
      EXPECT_EQ(ours->timeSpec(), Qt::UTC) << text;
    }
  }
  EXPECT_EQ(jsoncoding::parseDate("2026-03-10T09:00:00.000z"), std::nullopt) << "no zone the store knows";
  const QDateTime writtenDates[] = {
      utc(2024, 2, 29, 23, 59, 59).addMSecs(999), utc(1969, 12, 31, 23, 59, 59).addMSecs(1),
      utc(1900, 3, 1, 0), utc(1, 1, 1, 0), utc(9999, 12, 31, 23, 59, 59),
      QDateTime(QDate(2026, 3, 29), QTime(2, 30, 0, 7), QTimeZone("Europe/Berlin")),
      QDateTime(QDate(1950, 6, 1), QTime(12, 0), QTimeZone(-9 * 3600)),
      QDateTime(QDate(-44, 3, 15), QTime(12, 0), QTimeZone::utc()),
      QDateTime(QDate(12026, 1, 1), QTime(0, 0), QTimeZone::utc()), QDateTime()};
  for (const QDateTime& date : writtenDates) {
    const QString expected = date.isValid() ? date.toUTC().toString(Qt::ISODateWithMs) : QString();
    EXPECT_EQ(jsoncoding::dateText(date), expected) << expected.toStdString();
    if (date.isValid() && date.date().year() > 0 && date.date().year() < 10000) {
      EXPECT_EQ(jsoncoding::parseDate(expected), date) << expected.toStdString();
    }
  }
  // Every millisecond offset of a day and every day of four years around 1970 round-trips.
  for (qint64 ms = -4LL * 366 * 86400000; ms < 4LL * 366 * 86400000; ms += 86400000 + 3601001) {
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    ASSERT_EQ(jsoncoding::dateText(date), date.toString(Qt::ISODateWithMs));
    ASSERT_EQ(jsoncoding::parseDate(jsoncoding::dateText(date)), date);
  }
}

TEST(JsonScalars, UuidsReadOnlyInTheirFullForm) {
  const QUuid uuid = QUuid::fromString("{6f9619ff-8b86-d011-b42d-00c04fc964ff}");
  for (const char* text : {"6f9619ff-8b86-d011-b42d-00c04fc964ff",
                           "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"}) {
    EXPECT_EQ(jsoncoding::parseUuid(text), uuid) << text;
  }
  for (const char* text : {"6f9619ff-8b86-d011-b42d-00c04fc964f", "{6f9619ff-8b86-d011-b42d-00c04fc964ff",
                           "6f9619ff-8b86-d011-b42d-00c04fc964fg", "6f9619ff+8b86-d011-b42d-00c04fc964ff",
                           "(6f9619ff-8b86-d011-b42d-00c04fc964ff)"}) {
    EXPECT_EQ(jsoncoding::parseUuid(text), std::nullopt) << text;
  }
}

// Display texts are the stored form, so each enum must map both ways for every case.
template <typename E>
void expectDisplayTextsRoundTrip(const QStringList& texts) {
  ASSERT_EQ(static_cast<qsizetype>(allCases<E>.size()), texts.size());
  for (std::size_t i = 0; i < allCases<E>.size(); ++i) {
    EXPECT_EQ(displayText(allCases<E>[i]), texts[static_cast<qsizetype>(i)]);
    EXPECT_EQ(fromDisplayText<E>(texts[static_cast<qsizetype>(i)]), allCases<E>[i]);
  }
  EXPECT_EQ(fromDisplayText<E>("nonsense"), std::nullopt);
}

TEST(EnumTexts, EveryCaseMapsBothWays) {
  expectDisplayTextsRoundTrip<TaskPriority>({"Low", "Medium", "High", "Urgent"});
  expectDisplayTextsRoundTrip<WaitingStatus>({"Waiting", "Followed Up", "Resolved", "Cancelled"});
  expectDisplayTextsRoundTrip<FocusSessionType>({"Focus", "Short Break", "Long Break"});
  expectDisplayTextsRoundTrip<CaptureType>({"Task", "Waiting For", "Bill", "Daily Intention"});
  expectDisplayTextsRoundTrip<EmailExtractedCategory>(
      {"Bill / Invoice", "Task / Action Item", "Appointment / Booking", "Waiting For / Follow-up",
       "Important Notice / Renewal"});
  expectDisplayTextsRoundTrip<SuggestionStatus>(
      {"Pending Review", "Approved", "Dismissed", "Auto-Drafted"});
  expectDisplayTextsRoundTrip<TemperatureUnit>({"Celsius (°C)", "Fahrenheit (°F)"});
  expectDisplayTextsRoundTrip<AppThemeMode>({"System", "Light", "Dark"});
  expectDisplayTextsRoundTrip<CalendarSourceType>({"System Calendar", "Manual", "Sample"});
  expectDisplayTextsRoundTrip<CalendarPermissionStatus>(
      {"Not Determined", "Authorized", "Denied", "Restricted"});
  expectDisplayTextsRoundTrip<TimerStatus>({"Idle", "Running", "Paused", "Completed"});
  // Sorting by priority relies on the case order.
  EXPECT_TRUE(std::is_sorted(allCases<TaskPriority>.begin(), allCases<TaskPriority>.end()));
}

TEST(RecurrenceRuleJson, EveryCaseRoundTripsUnderOneKeyWithItsTitle) {
  const struct {
    RecurrenceRule rule;
    const char* key;
    const char* title;
  } cases[] = {{RecurrenceRule::none(), "none", "Never"},
               {RecurrenceRule::daily(), "daily", "Daily"},
               {RecurrenceRule::weekdays(), "weekdays", "Every Weekday"},
               {RecurrenceRule::weekly(), "weekly", "Weekly"},
               {RecurrenceRule::biweekly(), "biweekly", "Every 2 Weeks"},
               {RecurrenceRule::monthly(), "monthly", "Monthly"},
               {RecurrenceRule::yearly(), "yearly", "Yearly"},
               {RecurrenceRule::customDays(3), "customDays", "Every 3 days"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    const QJsonObject json = c.rule.toJson();
    EXPECT_EQ(json.keys(), QStringList{QString::fromUtf8(c.key)});
    EXPECT_EQ(RecurrenceRule::fromJson(json), c.rule);
    EXPECT_EQ(c.rule.title(), QString::fromUtf8(c.title));
  }
  EXPECT_EQ(RecurrenceRule::customDays(3).toJson(),
            (QJsonObject{{"customDays", QJsonObject{{"_0", 3}}}}));

  for (const QJsonObject& bad : {QJsonObject{}, QJsonObject{{"hourly", QJsonObject{}}},
                                 QJsonObject{{"daily", QJsonObject{}}, {"weekly", QJsonObject{}}},
                                 QJsonObject{{"daily", 1}}}) {
    EXPECT_THROW(RecurrenceRule::fromJson(bad), DecodingError);
  }
}
