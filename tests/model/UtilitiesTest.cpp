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

TEST(WeatherFormatting, RoundsHalvesAwayFromZeroInEitherUnit) {
  constexpr auto F = TemperatureUnit::fahrenheit;
  const struct {
    double celsius;
    TemperatureUnit unit;
    const char* expected;
  } cases[] = {
      {21.5, TemperatureUnit::celsius, "22°C"},
      {21.49, TemperatureUnit::celsius, "21°C"},
      {-0.5, TemperatureUnit::celsius, "-1°C"},
      {-0.4, TemperatureUnit::celsius, "0°C"},
      {-2.5, TemperatureUnit::celsius, "-3°C"},
      {0, F, "32°F"},
      {22, F, "72°F"} /* 71.6 */,
      {-40, F, "-40°F"},
      {-17.5, F, "1°F"} /* 0.5 */,
      {std::numeric_limits<double>::quiet_NaN(), TemperatureUnit::celsius, "--°C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(temp(c.celsius, c.unit), QString::fromUtf8(c.expected));
  }
}

TEST(WeatherConditions, CodeGroupsMapToSymbolsAndDescriptions) {
  const std::tuple<int, const char*, const char*> rows[] = {
      {0, "sun.max", "Clear sky"},
      {2, "cloud.sun", "Partly cloudy"},
      {3, "cloud", "Overcast"},
      {48, "cloud.fog", "Depositing rime fog"},
      {55, "cloud.drizzle", "Dense drizzle"},
      {63, "cloud.rain", "Moderate rain"},
      {81, "cloud.rain", "Moderate rain showers"},
      {75, "cloud.snow", "Heavy snowfall"},
      {86, "cloud.snow", "Heavy snow showers"},
      {99, "cloud.bolt.rain", "Thunderstorm with heavy hail"},
      {95, "cloud.bolt.rain", "Thunderstorm"}};
  for (const auto& [code, symbol, description] : rows) {
    EXPECT_EQ(WeatherConditionHelper::symbol(code), QString::fromUtf8(symbol)) << code;
    EXPECT_EQ(WeatherConditionHelper::description(code), QString::fromUtf8(description)) << code;
  }
  EXPECT_EQ(WeatherConditionHelper::description(-7), QStringLiteral("Unknown"));
}

TEST(SafeUrls, OnlyWebAndMailLinksPass) {
  for (const char* safe : {"https://example.com/a?b=c", "HTTPS://EXAMPLE.COM",
                           "http://meet.example.com/x", "mailto:ana@example.com"}) {
    EXPECT_TRUE(SecurityValidator::isSafeURL(QUrl(QString::fromUtf8(safe)))) << safe;
  }
  for (const char* unsafe : {"javascript:alert(1)", "JavaScript:alert(1)", "file:///etc/passwd",
                             "data:text/html,<b>x</b>", "example.com/page", "ftp://example.com",
                             "http:///etc/passwd", ""}) {
    EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl(QString::fromUtf8(unsafe)))) << unsafe;
  }
}

TEST(CsvCells, FormulaLikeCellsAreNeutralized) {
  for (const char* formula : {"=SUM(A1)", "+1", "-2", "@cmd", "\tx", "\rx"}) {
    EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QString::fromUtf8(formula)),
              QLatin1Char('\'') + QString::fromUtf8(formula));
  }
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QStringLiteral("Rent = 5")),
            QStringLiteral("Rent = 5"));
  EXPECT_EQ(SecurityValidator::neutralizeCSVCell(QString()), QString());
}

TEST(MoneyParsing, AcceptsPlainGroupedAndSymbolAmountsOnly) {
  const std::pair<const char*, double> amounts[] = {
      {"12", 12.0},
      {"$12", 12.0},
      {"1,234.56", 1234.56},
      {" $1,000,000 ", 1000000.0},
      {"€9.99", 9.99},
      {".5", 0.5},
      {"0", 0.0},
  };
  for (const auto& [text, amount] : amounts) {
    EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QString::fromUtf8(text)), amount) << text;
  }
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
  EXPECT_TRUE(AppConfig::defaultAIApiKey().isEmpty());
}

TEST(Settings, DefaultsAreConservative) {
  const AppSettings settings;
  EXPECT_FALSE(settings.isEmailAssistantEnabled);
  EXPECT_FALSE(settings.isCloudAIEnabled);
  EXPECT_FALSE(settings.hasConsentedToCloudAI);
  EXPECT_FALSE(settings.autoCreateLowRiskDraftTasks);
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

TEST(Settings, NumbersOutsideTheirMeaningfulRangeAreClampedTheRestKept) {
  const QJsonObject damaged{
      {QStringLiteral("widgetOpacity"), -7},
      {QStringLiteral("focusDurationMinutes"), 0},
      {QStringLiteral("sessionsBeforeLongBreak"), -3},
      {QStringLiteral("calendarLookAheadDays"), 100000000},
      {QStringLiteral("weatherRefreshMinutes"), 999999999},
      {QStringLiteral("weatherCity"), QStringLiteral("Porto")},
  };
  const AppSettings settings = AppSettings::fromJson(damaged);
  EXPECT_EQ(settings.widgetOpacity, 0.0);
  EXPECT_EQ(settings.focusDurationMinutes, 1);
  EXPECT_EQ(settings.sessionsBeforeLongBreak, 1);
  EXPECT_EQ(settings.calendarLookAheadDays, 366);
  EXPECT_EQ(settings.weatherRefreshMinutes, 7 * 24 * 60);
  EXPECT_EQ(settings.weatherCity, QStringLiteral("Porto"));
  EXPECT_EQ(AppSettings::fromJson(QJsonObject{{QStringLiteral("widgetOpacity"), 3}}).widgetOpacity,
            1.0);
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
    EXPECT_EQ(TaskItem::fromJson(task.toJson()), task);  // survives storage
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
    EXPECT_EQ(CalendarEventItem::fromJson(event.toJson()), event);
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
