#pragma once

#include "core/model/Calendar.h"
#include "core/services/WeatherServiceProtocol.h"

#include <QDateTime>
#include <QUrl>

#include <functional>

class HttpSession;

// Open-Meteo: the city's first geocoding match, then the forecast for its coordinates.
class WeatherService : public WeatherServiceProtocol {
 public:
  struct Configuration {
    // Scheme, host and port of each service; the paths are fixed.
    QUrl geocodingHost = QUrl(QStringLiteral("https://geocoding-api.open-meteo.com"));
    QUrl forecastHost = QUrl(QStringLiteral("https://api.open-meteo.com"));
    // Forecast days are stored as the start of their day in this calendar.
    Calendar calendar = Calendar::current();
    // Stamps `fetchedAt`; the system clock when empty.
    std::function<QDateTime()> clock;
  };

  // The session must outlive every call.
  explicit WeatherService(HttpSession& session);
  WeatherService(HttpSession& session, Configuration configuration);

  QCoro::Task<WeatherData> fetchWeather(QString city) override;

 private:
  HttpSession& session_;
  Configuration configuration_;
};
