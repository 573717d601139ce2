#include "screens/ScreenTestSupport.h"

#include "app/screens/weather/WeatherView.h"
#include "app/ui/ThemedLabel.h"
#include "testing/FakeWeatherService.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <variant>

using screentest::ScreenTest;
using testsupport::utc;

namespace {

WeatherData sampleWeather(const QDateTime& fetchedAt) {
  WeatherData w;
  w.locationName = QStringLiteral("Berlin");
  w.country = QStringLiteral("Germany");
  w.temperature = 21.5;
  w.conditionCode = 2;
  w.high = 24;
  w.low = 12;
  w.humidity = 58;
  w.windSpeed = 14;
  w.fetchedAt = fetchedAt;
  const QList<int> codes{2, 61, 3, 0, 95};
  for (int i = 0; i < codes.size(); ++i) {
    w.forecast.append(ForecastDay{utc(2026, 3, 9, 23).addDays(i), 20.0 + i, 9.0 + i, codes[i]});
  }
  return w;
}

QStringList shownTexts(QWidget* root) {
  QStringList texts;
  for (QLabel* label : root->findChildren<QLabel*>()) {
    texts << label->text();
  }
  return texts;
}

bool settle(const WeatherView& view) {
  return QTest::qWaitFor([&] { return !view.state().isRefreshing; }, testsupport::kPatienceMs);
}

}  // namespace

TEST_F(ScreenTest, WeatherSearchSavesTheCityUnlessTheServiceDoesNotKnowIt) {
  struct Case {
    const char* name;
    std::variant<WeatherData, WeatherError> answer;
    bool citySaved;
    bool weatherStored;
  };
  const QList<Case> cases{
      {"found", sampleWeather(now), true, true},
      {"unknown city", WeatherError::cityNotFound(QStringLiteral("Atlantis")), false, false},
      {"offline", WeatherError::networkFailure(QStringLiteral("Host not found")), true, false},
  };
  for (const Case& c : cases) {
    changeSettings([](AppSettings& s) { s.weatherCity = QStringLiteral("London"); }, true);
    store().setCachedWeather(std::nullopt);
    auto service = std::make_shared<FakeWeatherService>();
    service->answer = c.answer;
    WeatherView view(env, service);
    view.show();
    QTest::keyClicks(view.cityField(), QStringLiteral("  Atlantis "));
    QTest::keyClick(view.cityField(), Qt::Key_Return);
    EXPECT_FALSE(view.refreshButton()->isEnabled()) << c.name;
    ASSERT_TRUE(settle(view)) << c.name;

    EXPECT_EQ(service->requested, QStringList{QStringLiteral("Atlantis")}) << c.name;
    EXPECT_EQ(savedSettings().weatherCity,
              c.citySaved ? QStringLiteral("Atlantis") : QStringLiteral("London"))
        << c.name;
    EXPECT_EQ(store().cachedWeather().has_value(), c.weatherStored) << c.name;
    const auto* error = std::get_if<WeatherError>(&c.answer);
    EXPECT_EQ(view.state().errorMessage,
              error ? std::optional(error->errorDescription()) : std::nullopt) << c.name;
    EXPECT_TRUE(error == nullptr || !view.errorLabel()->isHidden()) << c.name;
  }
}

// Cached weather shows at once in the chosen unit; a failed refresh keeps it.
TEST_F(ScreenTest, WeatherRefreshKeepsTheCacheOnErrorAndIgnoresAResultForAClosedScreen) {
  store().setCachedWeather(sampleWeather(now.addDays(-1)));
  auto service = std::make_shared<FakeWeatherService>();
  service->answer = WeatherError::networkFailure(QStringLiteral("Connection refused"));
  {
    WeatherView view(env, service);
    EXPECT_TRUE(shownTexts(view.content()).contains(QStringLiteral("22°C")));
    screentest::saveScreenshots(&view, QStringLiteral("weather-cached"), QSize(720, 760));
    changeSettings([](AppSettings& s) { s.weatherUnit = TemperatureUnit::fahrenheit; });
    EXPECT_TRUE(shownTexts(view.content()).contains(QStringLiteral("71°F")));
    EXPECT_TRUE(service->requested.isEmpty());
    QTest::mouseClick(view.refreshButton(), Qt::LeftButton);
    ASSERT_TRUE(settle(view));
    EXPECT_EQ(service->requested.last(), store().settings().weatherCity);
    EXPECT_TRUE(view.state().errorMessage->contains(QStringLiteral("Connection refused")));
    EXPECT_EQ(store().cachedWeather(), sampleWeather(now.addDays(-1)));
  }

  // The screen goes while its request runs: the late answer touches nothing.
  service->answer = sampleWeather(now);
  auto* view = new WeatherView(env, service);
  view->refresh();
  delete view;
  ASSERT_TRUE(testsupport::runTimersDueWithin(std::chrono::milliseconds(50)));
  EXPECT_EQ(service->requested.size(), 2);
  EXPECT_EQ(store().cachedWeather(), sampleWeather(now.addDays(-1)));
}
