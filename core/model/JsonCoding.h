#pragma once

#include "core/model/DecodingError.h"
#include "core/model/EnumText.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// The JSON form shared by every stored record: keys are field names, dates are ISO 8601
// UTC text with milliseconds, UUIDs are upper case without braces, enums are stored by
// their display text, and an optional field is written only when it holds a value.
// Readers throw DecodingError naming the field.
namespace jsoncoding {

QString dateText(const QDateTime& date);
// Accepts the written form, text without milliseconds, and any UTC offset; a text without
// a zone is refused because its instant would depend on the reader's zone.
std::optional<QDateTime> parseDate(const QString& text);

QString uuidText(const QUuid& uuid);
std::optional<QUuid> parseUuid(const QString& text);

// Parses a whole document whose top level must be an object.
QJsonObject parseObject(const QByteArray& data);

QString requireString(const QJsonObject& object, const char* key);
bool requireBool(const QJsonObject& object, const char* key);
double requireDouble(const QJsonObject& object, const char* key);
int requireInt(const QJsonObject& object, const char* key);
QDateTime requireDate(const QJsonObject& object, const char* key);
QUuid requireUuid(const QJsonObject& object, const char* key);
QJsonObject requireObject(const QJsonObject& object, const char* key);
QJsonArray requireArray(const QJsonObject& object, const char* key);

// Absent and null both read as no value; a value of the wrong type is an error.
std::optional<QString> optionalString(const QJsonObject& object, const char* key);
std::optional<double> optionalDouble(const QJsonObject& object, const char* key);
std::optional<QDateTime> optionalDate(const QJsonObject& object, const char* key);
std::optional<QUuid> optionalUuid(const QJsonObject& object, const char* key);

QJsonValue toJson(const QString& value);
QJsonValue toJson(double value);
QJsonValue toJson(const QDateTime& value);
QJsonValue toJson(const QUuid& value);

template <typename T>
void putOptional(QJsonObject& object, const char* key, const std::optional<T>& value) {
  if (value) {
    object.insert(QLatin1String(key), toJson(*value));
  }
}

template <typename E>
E requireEnum(const QJsonObject& object, const char* key) {
  const QString text = requireString(object, key);
  if (auto value = fromDisplayText<E>(text)) {
    return *value;
  }
  throw DecodingError(DecodingError::Kind::dataCorrupted, QLatin1String(key),
                      QStringLiteral("has unknown value \"%1\"").arg(text));
}

// Decodes a nested record; its errors name the full path ("recurrence.customDays").
template <typename T>
T requireRecord(const QJsonObject& object, const char* key) {
  const QJsonObject nested = requireObject(object, key);
  try {
    return T::fromJson(nested);
  } catch (const DecodingError& error) {
    throw error.nestedIn(QLatin1String(key));
  }
}

template <typename T>
QList<T> requireRecordList(const QJsonObject& object, const char* key) {
  const QJsonArray array = requireArray(object, key);
  QList<T> result;
  result.reserve(array.size());
  for (qsizetype i = 0; i < array.size(); ++i) {
    // The path is only built for an error: long lists are read at every launch.
    auto path = [&] { return QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i); };
    if (!array.at(i).isObject()) {
      throw DecodingError(DecodingError::Kind::typeMismatch, path(),
                          QStringLiteral("is not an object"));
    }
    try {
      result.append(T::fromJson(array.at(i).toObject()));
    } catch (const DecodingError& error) {
      throw error.nestedIn(path());
    }
  }
  return result;
}

template <typename T>
QJsonArray recordListToJson(const QList<T>& records) {
  QJsonArray array;
  for (const T& record : records) {
    array.append(record.toJson());
  }
  return array;
}

}  // namespace jsoncoding
