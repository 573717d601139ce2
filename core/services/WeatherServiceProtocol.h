#pragma once

#include "core/model/WeatherData.h"

#include <QCoroTask>
#include <QString>

class WeatherServiceProtocol {
 public:
  virtual ~WeatherServiceProtocol() = default;

  // Current conditions and up to five forecast days for a city name. Throws WeatherError.
  virtual QCoro::Task<WeatherData> fetchWeather(QString city) = 0;
};
