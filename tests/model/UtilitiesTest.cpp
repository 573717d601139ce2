#include "common/TestSupport.h"
#include "core/model/AppSettings.h"
#include "core/model/GraphemeText.h"
#include "core/model/SampleDataGenerator.h"
#include "core/model/SecurityValidator.h"
#include "core/model/WeatherConditionHelper.h"
#include "core/model/WeatherData.h"
#include "model/ModelTestPrinters.h"

#include <QJsonArray>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

using testsupport::utc;

TEST(WeatherFormatting, RoundsHalvesAwayFromZeroInEitherUnit) {
  constexpr auto C = TemperatureUnit::celsius;
  constexpr auto F = TemperatureUnit::fahrenheit;
  const std::tuple<double, TemperatureUnit, const char*> cases[] = {
      {21.5, C, "22°C"},
      {21.49, C, "21°C"},
      {-0.5, C, "-1°C"},
      {-0.4, C, "0°C"},
      {22, F, "72°F"},
      {-40, F, "-40°F"},
      {-17.5, F, "1°F"} /* 0.5 */,
      {std::numeric_limits<double>::quiet_NaN(), C, "--°C"}};
  for (const auto& [celsius, unit, expected] : cases) {
    WeatherData weather;
    weather.temperature = celsius;
    EXPECT_EQ(weather.formattedTemp(unit), QString::fromUtf8(expected)) << expected;
  }
}

TEST(WeatherConditions, CodeGroupsMapToSymbolsAndDescriptions) {
  const std::tuple<int, const char*, const char*> rows[] = {
      {0, "sun.max", "Clear sky"},
      {2, "cloud.sun", "Partly cloudy"},
      {48, "cloud.fog", "Depositing rime fog"},
      {55, "cloud.drizzle", "Dense drizzle"},
      {81, "cloud.rain", "Moderate rain showers"},
      {86, "cloud.snow", "Heavy snow showers"},
      {99, "cloud.bolt.rain", "Thunderstorm with heavy hail"},
      {-7, "cloud", "Unknown"}};
  for (const auto& [code, symbol, description] : rows) {
    EXPECT_EQ(WeatherConditionHelper::symbol(code), symbol) << code;
    EXPECT_EQ(WeatherConditionHelper::description(code), description) << code;
  }
}

TEST(SafeUrls, OnlyWebAndMailLinksPass) {
  for (const char* safe : {"https://example.com/a?b=c", "HTTPS://EXAMPLE.COM",
                           "http://meet.example.com/x", "mailto:ana@example.com"}) {
    EXPECT_TRUE(SecurityValidator::isSafeURL(QUrl(safe))) << safe;
  }
  for (const char* unsafe : {"javascript:alert(1)", "JavaScript:alert(1)", "file:///etc/passwd",
                             "data:text/html,<b>x</b>", "example.com/page", "ftp://example.com",
                             "http:///etc/passwd", ""}) {
    EXPECT_FALSE(SecurityValidator::isSafeURL(QUrl(unsafe))) << unsafe;
  }
}

TEST(MoneyParsing, AcceptsPlainGroupedAndSymbolAmountsOnly) {
  const std::pair<const char*, double> amounts[] = {{"12", 12.0},
                                                    {"$12", 12.0},
                                                    {"1,234.56", 1234.56},
                                                    {" $1,000,000 ", 1000000.0},
                                                    {"€9.99", 9.99},
                                                    {".5", 0.5},
                                                    {"0", 0.0}};
  for (const auto& [text, amount] : amounts) {
    EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QString::fromUtf8(text)), amount) << text;
  }
  for (const char* text : {"-5", "NaN", "nan", "inf", "Infinity", "", "  ", "abc", "12abc", "1.2.3",
                           "12,50", "1,23,456", "$", "1e5", "--1", "12 34"}) {
    EXPECT_EQ(SecurityValidator::parseMonetaryAmount(text), std::nullopt) << text;
  }
  EXPECT_EQ(SecurityValidator::parseMonetaryAmount(QString(400, QLatin1Char('9'))), std::nullopt);
}

// Every field is written and read back. In a hand-edited or damaged file a missing or
// unreadable field keeps its default, a number outside its meaningful range is clamped, the rest
// loads.
TEST(Settings, RoundTripAndDamagedFieldsKeepTheirDefaultsOrAreClamped) {
  AppSettings settings;
  settings.theme = AppThemeMode::dark;
  settings.widgetOpacity = 0.7;
  settings.selectedCalendarIDs = {"work", "home"};
  settings.defaultTaskPriority = TaskPriority::urgent;
  const QJsonObject json = settings.toJson();
  EXPECT_EQ(json.size(), 43);
  EXPECT_EQ(json.value("theme").toString(), "Dark");
  EXPECT_EQ(json.value("selectedCalendarIDs").toArray(), (QJsonArray{"home", "work"}));
  EXPECT_EQ(AppSettings::fromJson(json), settings);

  const AppSettings defaults;
  // Nothing leaves the machine until the user turns it on.
  EXPECT_FALSE(defaults.isEmailAssistantEnabled || defaults.isCloudAIEnabled ||
               defaults.hasConsentedToCloudAI || defaults.autoCreateLowRiskDraftTasks);
  AppSettings expected;
  expected.weatherCity = "Lisbon";
  expected.widgetOpacity = 0.3;  // the least the settings page offers
  expected.focusDurationMinutes = 1;
  expected.sessionsBeforeLongBreak = 1;
  expected.calendarLookAheadDays = 366;
  expected.weatherRefreshMinutes = 7 * 24 * 60;
  EXPECT_EQ(AppSettings::fromJson(QJsonObject{
                {"weatherCity", "Lisbon"},
                {"shortBreakDurationMinutes", "fifty"},
                {"weatherUnit", "Kelvin"},
                {"longBreakDurationMinutes", 7.5},
                {"retiredSetting", 1},
                {"widgetOpacity", -7},
                {"focusDurationMinutes", 0},
                {"sessionsBeforeLongBreak", -3},
                {"calendarLookAheadDays", 100000000},
                {"weatherRefreshMinutes", 999999999},
            }),
            expected);
  for (const auto& [stored, loaded] : {std::pair(3.0, 1.0), {0.0, 0.3}, {0.29, 0.3}, {0.3, 0.3}}) {
    EXPECT_DOUBLE_EQ(AppSettings::fromJson(QJsonObject{{"widgetOpacity", stored}}).widgetOpacity,
                     loaded);
  }
}

TEST(SampleData, EveryRecordIsFlaggedStorableAndPlacedAroundNow) {
  const Calendar calendar(QTimeZone("Europe/Berlin"));
  const QDateTime now = utc(2026, 6, 10, 8);
  const SampleData data = SampleDataGenerator::generate(now, calendar);
  ASSERT_FALSE(data.bills.isEmpty() || data.events.isEmpty());
  const auto flagged = [](const auto& list) {
    return std::ranges::all_of(list, [](const auto& r) { return r.isSampleData; });
  };
  EXPECT_TRUE(flagged(data.tasks) && flagged(data.bills) && flagged(data.waitingItems));
  for (const CalendarEventItem& event : data.events) {
    EXPECT_EQ(event.sourceType, CalendarSourceType::sample);
    EXPECT_GT(event.endDate, now);
    EXPECT_LT(event.startDate, event.endDate);
    EXPECT_EQ(CalendarEventItem::fromJson(event.toJson()), event);
  }
  // Enough variety to fill the Today screen.
  EXPECT_TRUE(std::ranges::any_of(data.tasks, [&](auto& t) { return t.isOverdue(now); }));
}

// A flag right after another emoji is one character (Qt 6.4's finder splits it), as are a
// letter with its combining accent and a joined family.
TEST(GraphemeText, CountsAndCutsWholeCharacters) {
  const QString smileFlag = QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7");
  const QString accent = "e\u0301";
  const QString family =
      QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
  const struct {
    QString text;
    qsizetype count;
    qsizetype cut;
    QString leading;
  } cases[] = {{smileFlag + smileFlag, 4, 2, smileFlag},
               {smileFlag + smileFlag, 4, 3, smileFlag + smileFlag.left(2)},
               {accent + accent + "x", 3, 1, accent},
               {family + "ab", 3, 1, family},
               {"abc", 3, 5, "abc"},
               {"abc", 3, 0, QString()},
               {QString(), 0, 0, QString()}};
  for (const auto& c : cases) {
    EXPECT_EQ(grapheme_text::count(c.text), c.count) << c.text.toStdString();
    EXPECT_EQ(grapheme_text::leading(c.text, c.cut), c.leading) << c.text.toStdString();
  }
}
