#include "core/model/WeatherData.h"

#include "core/model/JsonCoding.h"

#include <cmath>

using namespace jsoncoding;

QString displayText(TemperatureUnit unit) {
  switch (unit) {
    case TemperatureUnit::celsius:
      return QStringLiteral("Celsius (°C)");
    case TemperatureUnit::fahrenheit:
      return QStringLiteral("Fahrenheit (°F)");
  }
  return {};
}

QString formatTemperature(double celsius, TemperatureUnit unit) {
  const bool fahrenheit = unit == TemperatureUnit::fahrenheit;
  const QString suffix = fahrenheit ? QStringLiteral("°F") : QStringLiteral("°C");
  const double value = fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius;
  // A broken reading must not turn into an arbitrary number on screen.
  if (!std::isfinite(value)) {
    return QStringLiteral("--") + suffix;
  }
  return QString::number(std::llround(value)) + suffix;
}

QString WeatherData::formattedTemp(TemperatureUnit unit) const {
  return formatTemperature(temperature, unit);
}

QJsonObject ForecastDay::toJson() const {
  return QJsonObject{
      {QStringLiteral("date"), dateText(date)},
      {QStringLiteral("high"), high},
      {QStringLiteral("low"), low},
      {QStringLiteral("conditionCode"), conditionCode},
  };
}

ForecastDay ForecastDay::fromJson(const QJsonObject& object) {
  return ForecastDay{requireDate(object, "date"), requireDouble(object, "high"),
                     requireDouble(object, "low"), requireInt(object, "conditionCode")};
}

QJsonObject WeatherData::toJson() const {
  QJsonObject object{
      {QStringLiteral("locationName"), locationName},
      {QStringLiteral("temperature"), temperature},
      {QStringLiteral("conditionCode"), conditionCode},
      {QStringLiteral("forecast"), recordListToJson(forecast)},
      {QStringLiteral("fetchedAt"), dateText(fetchedAt)},
  };
  putOptional(object, "region", region);
  putOptional(object, "country", country);
  putOptional(object, "high", high);
  putOptional(object, "low", low);
  putOptional(object, "humidity", humidity);
  putOptional(object, "windSpeed", windSpeed);
  return object;
}

WeatherData WeatherData::fromJson(const QJsonObject& object) {
  WeatherData weather;
  weather.locationName = requireString(object, "locationName");
  weather.region = optionalString(object, "region");
  weather.country = optionalString(object, "country");
  weather.temperature = requireDouble(object, "temperature");
  weather.conditionCode = requireInt(object, "conditionCode");
  weather.high = optionalDouble(object, "high");
  weather.low = optionalDouble(object, "low");
  weather.humidity = optionalDouble(object, "humidity");
  weather.windSpeed = optionalDouble(object, "windSpeed");
  weather.forecast = requireRecordList<ForecastDay>(object, "forecast");
  weather.fetchedAt = requireDate(object, "fetchedAt");
  return weather;
}
