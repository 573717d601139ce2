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

TEST(JsonDates, WrittenAsUtcWithMilliseconds) {
  const QDateTime berlin(QDate(2026, 12, 6), QTime(10, 30, 0, 250), QTimeZone("Europe/Berlin"));
  EXPECT_EQ(jsoncoding::dateText(berlin), QStringLiteral("2026-12-06T09:30:00.250Z"));
}

TEST(JsonDates, ReadsWithOrWithoutMillisecondsAndWithOffsets) {
  const QDateTime expected = utc(2026, 12, 6, 9, 30);
  EXPECT_EQ(jsoncoding::parseDate(QStringLiteral("2026-12-06T09:30:00.000Z")), expected);
  EXPECT_EQ(jsoncoding::parseDate(QStringLiteral("2026-12-06T09:30:00Z")), expected);
  EXPECT_EQ(jsoncoding::parseDate(QStringLiteral("2026-12-06T11:30:00+02:00")), expected);
  EXPECT_EQ(jsoncoding::parseDate(QStringLiteral("2026-12-06T04:30:00.000-05:00")), expected);
}

TEST(JsonDates, RefusesTextWithoutZoneOrGarbage) {
  EXPECT_EQ(jsoncoding::parseDate(QStringLiteral("2026-12-06T09:30:00")), std::nullopt);
  EXPECT_EQ(jsoncoding::parseDate(QStringLiteral("2026-13-06T09:30:00Z")), std::nullopt);
  EXPECT_EQ(jsoncoding::parseDate(QStringLiteral("")), std::nullopt);
  EXPECT_EQ(jsoncoding::parseDate(QStringLiteral("Z")), std::nullopt);
}

TEST(JsonUuids, UpperCaseWithoutBracesAndReadInEitherCase) {
  const QUuid uuid = QUuid::fromString(QStringLiteral("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"));
  EXPECT_EQ(jsoncoding::uuidText(uuid), QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
  EXPECT_EQ(jsoncoding::parseUuid(QStringLiteral("6f9619ff-8b86-d011-b42d-00c04fc964ff")), uuid);
  EXPECT_EQ(jsoncoding::parseUuid(QStringLiteral("00000000-0000-0000-0000-000000000000")), QUuid());
  EXPECT_EQ(jsoncoding::parseUuid(QStringLiteral("6F9619FF-8B86-D011-B42D")), std::nullopt);
}

TEST(JsonNumbers, WholeNumberFieldsRefuseFractions) {
  const QJsonObject json{{QStringLiteral("n"), 2.5}, {QStringLiteral("m"), 7}};
  EXPECT_EQ(jsoncoding::requireInt(json, "m"), 7);
  EXPECT_THROW(jsoncoding::requireInt(json, "n"), DecodingError);
}

TEST(JsonDocument, ParseReportsBrokenText) {
  EXPECT_THROW(jsoncoding::parseObject("{\"a\": "), DecodingError);
  EXPECT_THROW(jsoncoding::parseObject("[1, 2]"), DecodingError);
  EXPECT_EQ(jsoncoding::parseObject("{\"a\": 1}").value(QStringLiteral("a")).toInt(), 1);
}

// Display texts are the stored form, so each enum must map both ways for every case.
template <typename E>
void expectDisplayTextsRoundTrip(const QStringList& texts) {
  ASSERT_EQ(static_cast<qsizetype>(allCases<E>.size()), texts.size());
  for (std::size_t i = 0; i < allCases<E>.size(); ++i) {
    EXPECT_EQ(displayText(allCases<E>[i]), texts[static_cast<qsizetype>(i)]);
    EXPECT_EQ(fromDisplayText<E>(texts[static_cast<qsizetype>(i)]), allCases<E>[i]);
  }
  EXPECT_EQ(fromDisplayText<E>(QStringLiteral("nonsense")), std::nullopt);
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
}

TEST(EnumTexts, PrioritiesCompareInCaseOrder) {
  EXPECT_LT(TaskPriority::low, TaskPriority::medium);
  EXPECT_LT(TaskPriority::medium, TaskPriority::high);
  EXPECT_LT(TaskPriority::high, TaskPriority::urgent);
  EXPECT_EQ(std::max(TaskPriority::urgent, TaskPriority::low), TaskPriority::urgent);
}

TEST(RecurrenceRuleJson, OneKeyNamingTheCase) {
  EXPECT_EQ(RecurrenceRule::daily().toJson(),
            (QJsonObject{{QStringLiteral("daily"), QJsonObject{}}}));
  EXPECT_EQ(RecurrenceRule::none().toJson(),
            (QJsonObject{{QStringLiteral("none"), QJsonObject{}}}));
  EXPECT_EQ(RecurrenceRule::customDays(3).toJson(),
            (QJsonObject{{QStringLiteral("customDays"), QJsonObject{{QStringLiteral("_0"), 3}}}}));
}

TEST(RecurrenceRuleJson, EveryCaseRoundTrips) {
  const std::array rules{RecurrenceRule::none(),     RecurrenceRule::daily(),
                         RecurrenceRule::weekdays(), RecurrenceRule::weekly(),
                         RecurrenceRule::biweekly(), RecurrenceRule::monthly(),
                         RecurrenceRule::yearly(),   RecurrenceRule::customDays(10)};
  for (const RecurrenceRule& rule : rules) {
    EXPECT_EQ(RecurrenceRule::fromJson(rule.toJson()), rule) << rule.title().toStdString();
  }
  EXPECT_NE(RecurrenceRule::customDays(3), RecurrenceRule::customDays(4));
  EXPECT_NE(RecurrenceRule::weekly(), RecurrenceRule::biweekly());
}

TEST(RecurrenceRuleJson, RefusesUnknownOrAmbiguousCases) {
  EXPECT_THROW(RecurrenceRule::fromJson(QJsonObject{}), DecodingError);
  EXPECT_THROW(RecurrenceRule::fromJson(QJsonObject{{QStringLiteral("hourly"), QJsonObject{}}}),
               DecodingError);
  EXPECT_THROW(RecurrenceRule::fromJson(QJsonObject{{QStringLiteral("daily"), QJsonObject{}},
                                                    {QStringLiteral("weekly"), QJsonObject{}}}),
               DecodingError);
  EXPECT_THROW(RecurrenceRule::fromJson(QJsonObject{{QStringLiteral("daily"), 1}}), DecodingError);
}

TEST(RecurrenceRuleTitle, NamesEveryCase) {
  EXPECT_EQ(RecurrenceRule::none().title(), QStringLiteral("Never"));
  EXPECT_EQ(RecurrenceRule::daily().title(), QStringLiteral("Daily"));
  EXPECT_EQ(RecurrenceRule::weekdays().title(), QStringLiteral("Every Weekday"));
  EXPECT_EQ(RecurrenceRule::weekly().title(), QStringLiteral("Weekly"));
  EXPECT_EQ(RecurrenceRule::biweekly().title(), QStringLiteral("Every 2 Weeks"));
  EXPECT_EQ(RecurrenceRule::monthly().title(), QStringLiteral("Monthly"));
  EXPECT_EQ(RecurrenceRule::yearly().title(), QStringLiteral("Yearly"));
  EXPECT_EQ(RecurrenceRule::customDays(3).title(), QStringLiteral("Every 3 days"));
}
