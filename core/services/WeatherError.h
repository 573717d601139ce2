#pragma once

#include "core/model/AppError.h"

#include <QString>

// Why no weather could be had, in words for the user.
class WeatherError : public AppError {
 public:
  enum class Kind { cityNotFound, networkFailure, badReply };

  // `city` as the user typed it; may be empty.
  static WeatherError cityNotFound(const QString& city);
  // `detail`: the network layer's message or the service's HTTP status.
  static WeatherError networkFailure(const QString& detail);
  static WeatherError badReply(const QString& detail);

  Kind kind() const { return kind_; }
  const QString& detail() const { return detail_; }
  QString errorDescription() const override;

 private:
  WeatherError(Kind kind, QString detail);

  Kind kind_;
  QString detail_;
};
