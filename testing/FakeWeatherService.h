#pragma once

#include "core/services/WeatherError.h"
#include "core/services/WeatherServiceProtocol.h"

#include <QCoroTimer>
#include <QStringList>

#include <variant>

// Answers every request after a short pause with `answer`: weather named after the city asked
// for, or an error. Records each city asked for.
class FakeWeatherService : public WeatherServiceProtocol {
 public:
  QCoro::Task<WeatherData> fetchWeather(QString city) override {
    requested.append(city);
    co_await QCoro::sleepFor(std::chrono::milliseconds(5));
    if (const auto* error = std::get_if<WeatherError>(&answer)) {
      throw *error;
    }
    WeatherData data = std::get<WeatherData>(answer);
    data.locationName = city;
    co_return data;
  }

  std::variant<WeatherData, WeatherError> answer = WeatherData{};
  QStringList requested;
};
