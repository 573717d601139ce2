#include "common/TestSupport.h"
#include "core/model/AppConfig.h"
#include "core/model/AppSettings.h"
#include "core/model/SampleDataGenerator.h"
#include "core/model/SecurityValidator.h"
#include "core/model/WeatherConditionHelper.h"
#include "core/model/WeatherData.h"
#include "model/ModelTestPrinters.h"

#include <QJsonArray>

#include <gtest/gtest.h>

#include <limits>

using testsupport::utc;

namespace {

QString temp(double celsius, TemperatureUnit unit = TemperatureUnit::celsius) {
  WeatherData weather;
  weather.temperature = celsius;
  return weather.formattedTemp(unit);
}

}  // namespace

TEST(WeatherFormatting, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(temp(21.5), QStringLiteral("22°C"));
  EXPECT_EQ(temp(21.49), QStringLiteral("21°C"));
  EXPECT_EQ(temp(-0.5), QStringLiteral("-1°C"));
  EXPECT_EQ(temp(-0.4), QStringLiteral("0°C"));
  EXPECT_EQ(temp(-2.5), QStringLiteral("-3°C"));
}

TEST(WeatherFormatting, ConvertsToFahrenheit) {
  EXPECT_EQ(temp(0, TemperatureUnit::fahrenheit), QStringLiteral("32°F"));
  EXPECT_EQ(temp(22, TemperatureUnit::fahrenheit), QStringLiteral("72°F"));  // 71.6
  EXPECT_EQ(temp(-40, TemperatureUnit::fahrenheit), QStringLiteral("-40°F"));
  EXPECT_EQ(temp(-17.5, TemperatureUnit::fahrenheit), QStringLiteral("1°F"));  // 0.5
}

TEST(WeatherFormatting, BrokenReadingIsNotShownAsANumber) {
  EXPECT_EQ(temp(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("--°C"));
}

TEST(WeatherConditions, CodeGroupsMapToSymbols) {
  EXPECT_EQ(WeatherConditionHelper::symbol(0), QStringLiteral("sun.max"));
  EXPECT_EQ(WeatherConditionHelper::symbol(2), QStringLiteral("cloud.sun"));
  EXPECT_EQ(WeatherConditionHelper::symbol(3), QStringLiteral("cloud"));
  EXPECT_EQ(WeatherConditionHelper::symbol(48), QStringLiteral("cloud.fog"));
  EXPECT_EQ(WeatherConditionHelper::symbol(55), QStringLiteral("cloud.drizzle"));
  EXPECT_EQ(WeatherConditionHelper::symbol(63), QStringLiteral("cloud.rain"));
  EXPECT_EQ(WeatherConditionHelper::symbol(81), QStringLiteral("cloud.rain"));
  EXPECT_EQ(WeatherConditionHelper::symbol(75), QStringLiteral("cloud.snow"));
  EXPECT_EQ(WeatherConditionHelper::symbol(86), QStringLiteral("cloud.snow"));
  EXPECT_EQ(WeatherConditionHelper::symbol(99), QStringLiteral("cloud.bolt.rain"));
  EXPECT_EQ(WeatherConditionHelper::description(0), QStringLiteral("Clear sky"));
  EXPECT_EQ(WeatherConditionHelper::description(95), QStringLiteral("Thunderstorm"));
  EXPECT_EQ(WeatherConditionHelper::description(-7), QStringLiteral("Unknown"));
}

TEST(SafeUrls, OnlyWebAndMailLinksPass) {
  EXPECT_TRUE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("https://example.com/a?b=c"))));
  EXPECT_TRUE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("HTTPS://EXAMPLE.COM"))));
  EXPECT_TRUE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("http://meet.example.com/x"))));
  EXPECT_TRUE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("mailto:ana@example.com"))));
  EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("javascript:alert(1)"))));
  EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("JavaScript:alert(1)"))));
  EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("file:///etc/passwd"))));
  EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("data:text/html,<b>x</b>"))));
  EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("example.com/page"))));
  EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl(QStringLiteral("ftp://example.com"))));
  EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl()));
}

TEST(CsvCells, FormulaLikeCellsAreNeutralized) {
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QStringLiteral("=SUM(A1)")),
            QStringLiteral("'=SUM(A1)"));
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QStringLiteral("+1")), QStringLiteral("'+1"));
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QStringLiteral("-2")), QStringLiteral("'-2"));
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QStringLiteral("@cmd")), QStringLiteral("'@cmd"));
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QStringLiteral("\tx")), QStringLiteral("'\tx"));
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QStringLiteral("\rx")), QStringLiteral("'\rx"));
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QStringLiteral("Rent = 5")),
            QStringLiteral("Rent = 5"));
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QString()), QString());
}

TEST(MoneyParsing, AcceptsPlainGroupedAndSymbolAmounts) {
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QStringLiteral("12")), 12.0);
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QStringLiteral("$12")), 12.0);
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QStringLiteral("1,234.56")), 1234.56);
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QStringLiteral(" $1,000,000 ")), 1000000.0);
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QStringLiteral("€9.99")), 9.99);
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QStringLiteral(".5")), 0.5);
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QStringLiteral("0")), 0.0);
}

TEST(MoneyParsing, RefusesNegativeNonFiniteAndMalformedText) {
  for (const char* text : {"-5", "NaN", "nan", "inf", "Infinity", "", "  ", "abc", "12abc", "1.2.3",
                           "12,50", "1,23,456", "$", "1e5", "--1", "12 34"}) {
    EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QString::fromUtf8(text)), std::nullopt)
        << text;
  }
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QString(400, QLatin1Char('9'))), std::nullopt);
}

TEST(Config, RedirectSchemeReversesTheClientLabels) {
  EXPECT_EQ(AppConfig::redirectSchemeFor(QStringLiteral("123-abc.apps.googleusercontent.com")),
            QStringLiteral("com.googleusercontent.apps.123-abc"));
  EXPECT_EQ(AppConfig::googleRedirectURI(),
            AppConfig::googleRedirectScheme() + QStringLiteral(":/oauth2redirect"));
  EXPECT_EQ(AppConfig::isGoogleClientConfigured(), !AppConfig::googleClientID().isEmpty());
  EXPECT_TRUE(AppConfig::defaultAIApiKey().isEmpty());
  EXPECT_EQ(AppConfig::defaultAIModel(), QStringLiteral("gemini-3.8-flash"));
}

TEST(Settings, DefaultsAreConservative) {
  const AppSettings settings;
  EXPECT_FALSE(settings.isEmailAssistantEnabled);
  EXPECT_FALSE(settings.isCloudAIEnabled);
  EXPECT_FALSE(settings.hasConsentedToCloudAI);
  EXPECT_FALSE(settings.autoCreateLowRiskDraftTasks);
  EXPECT_EQ(settings.aiModelName, AppConfig::defaultAIModel());
  EXPECT_EQ(settings.focusDurationMinutes, 25);
  EXPECT_EQ(settings.defaultTaskPriority, TaskPriority::medium);
}

TEST(Settings, EveryFieldIsWrittenAndRoundTrips) {
  AppSettings settings;
  settings.userName = QStringLiteral("Ana");
  settings.theme = AppThemeMode::dark;
  settings.widgetOpacity = 0.7;
  settings.weatherUnit = TemperatureUnit::fahrenheit;
  settings.selectedCalendarIDs = {QStringLiteral("work"), QStringLiteral("home")};
  settings.emailSyncIntervalMinutes = 45;
  settings.extractNotices = false;
  settings.defaultTaskPriority = TaskPriority::urgent;
  const QJsonObject json = settings.toJson();
  EXPECT_EQ(json.size(), 43);
  EXPECT_EQ(json.value(QStringLiteral("theme")).toString(), QStringLiteral("Dark"));
  EXPECT_EQ(json.value(QStringLiteral("selectedCalendarIDs")).toArray(),
            (QJsonArray{QStringLiteral("home"), QStringLiteral("work")}));
  EXPECT_EQ(AppSettings::fromJson(json), settings);
}

TEST(Settings, MissingOrUnreadableFieldsKeepTheirDefaults) {
  const QJsonObject old{
      {QStringLiteral("hasCompletedOnboarding"), true},
      {QStringLiteral("weatherCity"), QStringLiteral("Lisbon")},
      {QStringLiteral("focusDurationMinutes"), QStringLiteral("fifty")},
      {QStringLiteral("weatherUnit"), QStringLiteral("Kelvin")},
      {QStringLiteral("shortBreakDurationMinutes"), 7.5},
      {QStringLiteral("retiredSetting"), 1},
  };
  const AppSettings settings = AppSettings::fromJson(old);
  AppSettings expected;
  expected.hasCompletedOnboarding = true;
  expected.weatherCity = QStringLiteral("Lisbon");
  EXPECT_EQ(settings, expected);
  EXPECT_EQ(AppSettings::fromJson(QJsonObject{}), AppSettings{});
}

TEST(SampleData, EveryRecordIsFlaggedAndPlacedAroundNow) {
  const Calendar calendar(QTimeZone("Europe/Berlin"));
  const QDateTime now = utc(2026, 6, 10, 8);
  const SampleData data = SampleDataGenerator::generate(now, calendar);
  ASSERT_FALSE(data.tasks.isEmpty());
  ASSERT_FALSE(data.bills.isEmpty());
  ASSERT_FALSE(data.waitingItems.isEmpty());
  ASSERT_FALSE(data.events.isEmpty());
  for (const TaskItem& task : data.tasks) {
    EXPECT_TRUE(task.isSampleData) << task.title.toStdString();
    EXPECT_FALSE(task.id.isNull());
  }
  for (const BillItem& bill : data.bills) {
    EXPECT_TRUE(bill.isSampleData) << bill.name.toStdString();
  }
  for (const WaitingForItem& item : data.waitingItems) {
    EXPECT_TRUE(item.isSampleData) << item.title.toStdString();
    EXPECT_LE(item.createdAt, now);
  }
  for (const CalendarEventItem& event : data.events) {
    EXPECT_EQ(event.sourceType, CalendarSourceType::sample);
    EXPECT_GT(event.endDate, now);
    EXPECT_LT(event.startDate, event.endDate);
  }
  // Enough variety to fill the Today screen: something due today, something overdue, a
  // follow-up that is overdue.
  EXPECT_TRUE(std::any_of(data.tasks.begin(), data.tasks.end(),
                          [&](const TaskItem& t) { return t.isDueToday(calendar, now); }));
  EXPECT_TRUE(std::any_of(data.tasks.begin(), data.tasks.end(),
                          [&](const TaskItem& t) { return t.isOverdue(now); }));
  EXPECT_TRUE(std::any_of(data.waitingItems.begin(), data.waitingItems.end(),
                          [&](const WaitingForItem& w) { return w.isFollowUpOverdue(now); }));
}

TEST(SampleData, SampleRecordsSurviveStorage) {
  const SampleData data =
      SampleDataGenerator::generate(utc(2026, 6, 10, 8), Calendar(QTimeZone::utc()));
  for (const TaskItem& task : data.tasks) {
    EXPECT_EQ(TaskItem::fromJson(task.toJson()), task);
  }
  for (const CalendarEventItem& event : data.events) {
    EXPECT_EQ(CalendarEventItem::fromJson(event.toJson()), event);
  }
}
