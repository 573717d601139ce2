#include "core/platform/HttpSession.h"
#include "core/services/WeatherError.h"
#include "core/services/WeatherService.h"
#include "testing/FakeHttpServer.h"

#include "common/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using testsupport::utc;

namespace {

QByteArray fixture(const QString& name) {
  QFile file(testsupport::dataPath("weather/" + name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
  return file.readAll();
}

class WeatherServiceTest : public ::testing::Test {
 protected:
  WeatherServiceTest() : session_(10s, 20s) {
    WeatherService::Configuration configuration;
    configuration.geocodingHost = server_.baseUrl();
    configuration.forecastHost = server_.baseUrl();
    configuration.calendar = Calendar(QTimeZone("America/Sao_Paulo"));
    configuration.clock = [] { return utc(2024, 6, 10, 12, 20); };
    service_ = std::make_unique<WeatherService>(session_, configuration);
  }

  // The error the fetch throws; fails the test when it succeeds or throws something else.
  WeatherError fetchError(const QString& city) {
    try {
      testsupport::runTask(service_->fetchWeather(city));
    } catch (const WeatherError& error) {
      return error;
    }
    ADD_FAILURE() << "no WeatherError for " << city.toStdString();
    return WeatherError::badReply({});
  }

  FakeHttpServer server_;
  HttpSession session_;
  std::unique_ptr<WeatherService> service_;
};

TEST_F(WeatherServiceTest, GeocodesTheCityThenReadsItsForecast) {
  server_.setReply("GET", "/v1/search",
                   ScriptedReply::json(200, fixture("geocoding-sao-paulo.json")));
  server_.setReply("GET", "/v1/forecast",
                   ScriptedReply::json(200, fixture("forecast-sao-paulo.json")));

  const WeatherData weather = testsupport::runTask(service_->fetchWeather(" São Paulo "));

  const auto search = server_.requests("GET", "/v1/search");
  ASSERT_EQ(search.size(), 1);
  EXPECT_EQ(search[0].queryItem("name"), "São Paulo");
  const auto forecast = server_.requests("GET", "/v1/forecast");
  ASSERT_EQ(forecast.size(), 1);
  EXPECT_EQ(forecast[0].queryItem("latitude")->toDouble(), -23.5475);

  // The first match wins. Five days at most; the day without figures is left out, not shown
  // as 0°.
  const WeatherData expected("São Paulo", "São Paulo", "Brazil", 17.4, 61, 21.2, 14.1, 82.0, 9.7,
                             QList<ForecastDay>{{utc(2024, 6, 10, 3), 21.2, 14.1, 61},
                                                {utc(2024, 6, 11, 3), 23.0, 13.5, 3},
                                                {utc(2024, 6, 13, 3), 25.5, 15.2, 0},
                                                {utc(2024, 6, 14, 3), 19.9, 12.8, 95},
                                                {utc(2024, 6, 15, 3), 22.0, 13.0, 1}},
                             utc(2024, 6, 10, 12, 20));
  EXPECT_EQ(weather, expected);
}

// Each failure says what went wrong; a city that is not found asks for no forecast.
TEST_F(WeatherServiceTest, FailuresAreNamedByKind) {
  using Kind = WeatherError::Kind;
  const QByteArray geocoded = fixture("geocoding-sao-paulo.json");
  const ScriptedReply found = ScriptedReply::json(200, geocoded);
  ScriptedReply dropped;
  dropped.dropConnection = true;
  const QString unreadable = "The weather service sent an answer that could not be read.";
  const struct {
    const char* city;
    ScriptedReply search, forecast;
    Kind kind;
    QString text;  // the whole message, or how it starts when it ends in "..."
  } cases[] = {
      {"Atlantis",
       ScriptedReply::json(200, fixture("geocoding-none.json")),
       {},
       Kind::cityNotFound,
       "No city named \"Atlantis\" was found. Check the spelling and try again."},
      {"   ", found, {}, Kind::cityNotFound, "Enter a city name to see its weather."},
      {"Rio", ScriptedReply::text(200, "<html>maintenance</html>"), {}, Kind::badReply, unreadable},
      {"Rio", found, ScriptedReply::json(200, fixture("forecast-no-current.json")), Kind::badReply,
       unreadable},
      {"Rio", dropped, {}, Kind::networkFailure, "The weather service could not be reached (..."},
      {"Rio", found, ScriptedReply::json(503, R"({"error":true})"), Kind::networkFailure,
       "The weather service could not be reached (HTTP status 503). Try again later."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    server_.clearRequests();
    server_.setReply("GET", "/v1/search", c.search);
    server_.setReply("GET", "/v1/forecast", c.forecast);
    const WeatherError error = fetchError(c.city);
    EXPECT_EQ(error.kind(), c.kind);
    if (c.text.endsWith("...")) {
      EXPECT_TRUE(error.errorDescription().startsWith(c.text.chopped(3)));
    } else {
      EXPECT_EQ(error.errorDescription(), c.text);
    }
    if (c.kind == Kind::cityNotFound) {
      EXPECT_TRUE(server_.requests("GET", "/v1/forecast").isEmpty());
    }
  }
}

}  // namespace
