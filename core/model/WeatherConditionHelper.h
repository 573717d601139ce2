#pragma once

#include <QString>

// WMO weather codes as symbol names and short descriptions.
class WeatherConditionHelper {
 public:
  static QString symbol(int code);
  static QString description(int code);
};
