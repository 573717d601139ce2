#pragma once

#include "core/model/DecodingError.h"
#include "core/model/EnumText.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

enum class TemperatureUnit { celsius, fahrenheit };

template <>
struct EnumCases<TemperatureUnit> {
  static constexpr std::array values{TemperatureUnit::celsius, TemperatureUnit::fahrenheit};
};

QString displayText(TemperatureUnit unit);

// One day of the forecast; temperatures in degrees Celsius.
struct ForecastDay {
  QDateTime date;
  double high = 0;
  double low = 0;
  int conditionCode = 0;  // WMO weather code

  QJsonObject toJson() const;
  static ForecastDay fromJson(const QJsonObject& object);

  bool operator==(const ForecastDay&) const = default;
};

// Current conditions for a city; temperatures in degrees Celsius.
struct WeatherData {
  QString locationName;
  std::optional<QString> region;
  std::optional<QString> country;
  double temperature = 0;
  int conditionCode = 0;  // WMO weather code
  std::optional<double> high;
  std::optional<double> low;
  std::optional<double> humidity;   // percent
  std::optional<double> windSpeed;  // km/h
  QList<ForecastDay> forecast;      // up to five days
  QDateTime fetchedAt;

  // Rounded to whole degrees, halves away from zero: "22°C", "-1°C", "72°F".
  QString formattedTemp(TemperatureUnit unit) const;

  QJsonObject toJson() const;
  static WeatherData fromJson(const QJsonObject& object);

  bool operator==(const WeatherData&) const = default;
};

// Formats a Celsius temperature in the chosen unit; shared by the current value and the
// forecast.
QString formatTemperature(double celsius, TemperatureUnit unit);
