#include "core/services/WeatherError.h"

WeatherError::WeatherError(Kind kind, QString detail) : kind_(kind), detail_(std::move(detail)) {}

WeatherError WeatherError::cityNotFound(const QString& city) {
  return WeatherError(Kind::cityNotFound, city.trimmed());
}

WeatherError WeatherError::networkFailure(const QString& detail) {
  return WeatherError(Kind::networkFailure, detail);
}

WeatherError WeatherError::badReply(const QString& detail) {
  return WeatherError(Kind::badReply, detail);
}

QString WeatherError::errorDescription() const {
  switch (kind_) {
    case Kind::cityNotFound:
      return detail_.isEmpty()
                 ? QStringLiteral("Enter a city name to see its weather.")
                 : QStringLiteral(
                       "No city named \"%1\" was found. Check the spelling and try again.")
                       .arg(detail_);
    case Kind::networkFailure:
      return QStringLiteral("The weather service could not be reached (%1). Try again later.")
          .arg(detail_);
    case Kind::badReply:
      return QStringLiteral("The weather service sent an answer that could not be read.");
  }
  return {};
}
