#include "core/services/WeatherService.h"

#include "core/model/DecodingError.h"
#include "core/model/JsonCoding.h"
#include "core/platform/HttpSession.h"
#include "core/platform/TransportError.h"
#include "core/services/WeatherError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;
using namespace jsoncoding;

namespace {

constexpr int kForecastDays = 5;

struct Place {
  QString name;
  std::optional<QString> region;
  std::optional<QString> country;
  double latitude = 0;
  double longitude = 0;
};

QUrl endpoint(const QUrl& host, const QString& path, const QUrlQuery& query) {
  QUrl url = host;
  url.setPath(path);
  url.setQuery(query);
  return url;
}

QCoro::Task<QJsonObject> getJson(HttpSession& session, QUrl url) {
  HttpRequest request;
  request.url = std::move(url);
  request.headers.append(std::pair<QByteArray, QByteArray>("Accept", "application/json"));
  request.timeout = 20s;
  HttpResponse response;
  try {
    response = co_await session.send(std::move(request));
  } catch (const TransportError& error) {
    throw WeatherError::networkFailure(error.errorDescription());
  }
  if (!response.isSuccess()) {
    throw WeatherError::networkFailure(QStringLiteral("HTTP status %1").arg(response.status));
  }
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(response.body, &parseError);
  if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
    throw WeatherError::badReply(QStringLiteral("not a JSON object"));
  }
  co_return document.object();
}

std::optional<QString> optionalText(const QJsonObject& object, const char* key) {
  const QString text = object.value(QLatin1String(key)).toString().trimmed();
  return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

std::optional<double> optionalNumber(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(QLatin1String(key));
  return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

// nullopt when the service knows no such place.
std::optional<Place> readPlace(const QJsonObject& reply) {
  const QJsonArray results = reply.value(QStringLiteral("results")).toArray();
  if (results.isEmpty()) {
    return std::nullopt;
  }
  const QJsonObject first = results.first().toObject();
  Place place;
  place.name = requireString(first, "name");
  place.region = optionalText(first, "admin1");
  place.country = optionalText(first, "country");
  place.latitude = requireDouble(first, "latitude");
  place.longitude = requireDouble(first, "longitude");
  return place;
}

WeatherData readForecast(const QJsonObject& reply, const Place& place, const Calendar& calendar) {
  const QJsonObject current = requireObject(reply, "current");
  WeatherData weather;
  weather.locationName = place.name;
  weather.region = place.region;
  weather.country = place.country;
  weather.temperature = requireDouble(current, "temperature_2m");
  weather.conditionCode = requireInt(current, "weather_code");
  weather.humidity = optionalNumber(current, "relative_humidity_2m");
  weather.windSpeed = optionalNumber(current, "wind_speed_10m");

  const QJsonObject daily = reply.value(QStringLiteral("daily")).toObject();
  const QJsonArray days = daily.value(QStringLiteral("time")).toArray();
  const QJsonArray codes = daily.value(QStringLiteral("weather_code")).toArray();
  const QJsonArray highs = daily.value(QStringLiteral("temperature_2m_max")).toArray();
  const QJsonArray lows = daily.value(QStringLiteral("temperature_2m_min")).toArray();
  const qsizetype count = std::min({days.size(), codes.size(), highs.size(), lows.size()});
  for (qsizetype i = 0; i < count && weather.forecast.size() < kForecastDays; ++i) {
    const QDate date = QDate::fromString(days.at(i).toString(), Qt::ISODate);
    // A day the service left without figures (null) is skipped rather than shown as 0°.
    if (!date.isValid() || !codes.at(i).isDouble() || !highs.at(i).isDouble() ||
        !lows.at(i).isDouble()) {
      continue;
    }
    weather.forecast.append({calendar.startOfDay(date), highs.at(i).toDouble(),
                             lows.at(i).toDouble(), codes.at(i).toInt()});
  }
  if (!weather.forecast.isEmpty()) {
    weather.high = weather.forecast.first().high;
    weather.low = weather.forecast.first().low;
  }
  return weather;
}

QCoro::Task<WeatherData> fetch(HttpSession& session, WeatherService::Configuration configuration,
                               QString city) {
  const QString name = city.trimmed();
  if (name.isEmpty()) {
    throw WeatherError::cityNotFound(city);
  }

  QUrlQuery geocoding;
  geocoding.addQueryItem(QStringLiteral("name"), name);
  geocoding.addQueryItem(QStringLiteral("count"), QStringLiteral("1"));
  geocoding.addQueryItem(QStringLiteral("language"), QStringLiteral("en"));
  geocoding.addQueryItem(QStringLiteral("format"), QStringLiteral("json"));
  const QJsonObject places = co_await getJson(
      session, endpoint(configuration.geocodingHost, QStringLiteral("/v1/search"), geocoding));
  std::optional<Place> place;
  try {
    place = readPlace(places);
  } catch (const DecodingError& error) {
    throw WeatherError::badReply(error.errorDescription());
  }
  if (!place) {
    throw WeatherError::cityNotFound(name);
  }

  QUrlQuery forecast;
  forecast.addQueryItem(QStringLiteral("latitude"), QString::number(place->latitude, 'f', 4));
  forecast.addQueryItem(QStringLiteral("longitude"), QString::number(place->longitude, 'f', 4));
  forecast.addQueryItem(QStringLiteral("current"),
                        QStringLiteral("temperature_2m,relative_humidity_2m,weather_code,"
                                       "wind_speed_10m"));
  forecast.addQueryItem(QStringLiteral("daily"),
                        QStringLiteral("weather_code,temperature_2m_max,temperature_2m_min"));
  forecast.addQueryItem(QStringLiteral("temperature_unit"), QStringLiteral("celsius"));
  forecast.addQueryItem(QStringLiteral("wind_speed_unit"), QStringLiteral("kmh"));
  forecast.addQueryItem(QStringLiteral("timezone"), QStringLiteral("auto"));
  forecast.addQueryItem(QStringLiteral("forecast_days"), QString::number(kForecastDays));
  const QJsonObject conditions = co_await getJson(
      session, endpoint(configuration.forecastHost, QStringLiteral("/v1/forecast"), forecast));

  WeatherData weather;
  try {
    weather = readForecast(conditions, *place, configuration.calendar);
  } catch (const DecodingError& error) {
    throw WeatherError::badReply(error.errorDescription());
  }
  weather.fetchedAt = configuration.clock ? configuration.clock() : QDateTime::currentDateTimeUtc();
  co_return weather;
}

}  // namespace

WeatherService::WeatherService(HttpSession& session) : WeatherService(session, Configuration()) {}

WeatherService::WeatherService(HttpSession& session, Configuration configuration)
    : session_(session), configuration_(std::move(configuration)) {}

QCoro::Task<WeatherData> WeatherService::fetchWeather(QString city) {
  // The request runs on copies, so it may outlive this object (not the session).
  return fetch(session_, configuration_, std::move(city));
}
