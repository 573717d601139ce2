#include "core/model/JsonCoding.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <climits>
#include <cmath>

namespace jsoncoding {
namespace {

using Kind = DecodingError::Kind;

QJsonValue requireValue(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined() || value.isNull()) {
    throw DecodingError(Kind::keyNotFound, QLatin1String(key));
  }
  return value;
}

[[noreturn]] void mismatch(const char* key, const char* expected) {
  throw DecodingError(Kind::typeMismatch, QLatin1String(key),
                      QStringLiteral("is not %1").arg(QLatin1String(expected)));
}

bool isPresent(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(QLatin1String(key));
  return !value.isUndefined() && !value.isNull();
}

}  // namespace

QString dateText(const QDateTime& date) { return date.toUTC().toString(Qt::ISODateWithMs); }

std::optional<QDateTime> parseDate(const QString& text) {
  static const QRegularExpression zoned(QStringLiteral("(Z|[+-]\\d{2}(:?\\d{2})?)$"));
  if (!zoned.match(text).hasMatch()) {
    return std::nullopt;
  }
  const QDateTime date = QDateTime::fromString(text, Qt::ISODateWithMs);
  if (!date.isValid()) {
    return std::nullopt;
  }
  return date.toUTC();
}

QString uuidText(const QUuid& uuid) { return uuid.toString(QUuid::WithoutBraces).toUpper(); }

std::optional<QUuid> parseUuid(const QString& text) {
  static const QRegularExpression form(QStringLiteral(
      "^\\{?[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}?$"));
  if (!form.match(text).hasMatch()) {
    return std::nullopt;
  }
  return QUuid::fromString(text);
}

QJsonObject parseObject(const QByteArray& data) {
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    throw DecodingError(Kind::dataCorrupted, QString(),
                        QStringLiteral("is not valid JSON (%1 at offset %2)")
                            .arg(parseError.errorString(), QString::number(parseError.offset)));
  }
  if (!document.isObject()) {
    throw DecodingError(Kind::typeMismatch, QString(), QStringLiteral("is not a JSON object"));
  }
  return document.object();
}

QString requireString(const QJsonObject& object, const char* key) {
  const QJsonValue value = requireValue(object, key);
  if (!value.isString()) {
    mismatch(key, "a string");
  }
  return value.toString();
}

bool requireBool(const QJsonObject& object, const char* key) {
  const QJsonValue value = requireValue(object, key);
  if (!value.isBool()) {
    mismatch(key, "a boolean");
  }
  return value.toBool();
}

double requireDouble(const QJsonObject& object, const char* key) {
  const QJsonValue value = requireValue(object, key);
  if (!value.isDouble()) {
    mismatch(key, "a number");
  }
  return value.toDouble();
}

int requireInt(const QJsonObject& object, const char* key) {
  const double number = requireDouble(object, key);
  if (number != std::trunc(number) || number < INT_MIN || number > INT_MAX) {
    mismatch(key, "a whole number");
  }
  return static_cast<int>(number);
}

QDateTime requireDate(const QJsonObject& object, const char* key) {
  const QString text = requireString(object, key);
  if (auto date = parseDate(text)) {
    return *date;
  }
  throw DecodingError(Kind::dataCorrupted, QLatin1String(key),
                      QStringLiteral("is not an ISO 8601 date: \"%1\"").arg(text));
}

QUuid requireUuid(const QJsonObject& object, const char* key) {
  const QString text = requireString(object, key);
  if (auto uuid = parseUuid(text)) {
    return *uuid;
  }
  throw DecodingError(Kind::dataCorrupted, QLatin1String(key),
                      QStringLiteral("is not a UUID: \"%1\"").arg(text));
}

QJsonObject requireObject(const QJsonObject& object, const char* key) {
  const QJsonValue value = requireValue(object, key);
  if (!value.isObject()) {
    mismatch(key, "an object");
  }
  return value.toObject();
}

QJsonArray requireArray(const QJsonObject& object, const char* key) {
  const QJsonValue value = requireValue(object, key);
  if (!value.isArray()) {
    mismatch(key, "an array");
  }
  return value.toArray();
}

std::optional<QString> optionalString(const QJsonObject& object, const char* key) {
  if (!isPresent(object, key)) {
    return std::nullopt;
  }
  return requireString(object, key);
}

std::optional<double> optionalDouble(const QJsonObject& object, const char* key) {
  if (!isPresent(object, key)) {
    return std::nullopt;
  }
  return requireDouble(object, key);
}

std::optional<QDateTime> optionalDate(const QJsonObject& object, const char* key) {
  if (!isPresent(object, key)) {
    return std::nullopt;
  }
  return requireDate(object, key);
}

std::optional<QUuid> optionalUuid(const QJsonObject& object, const char* key) {
  if (!isPresent(object, key)) {
    return std::nullopt;
  }
  return requireUuid(object, key);
}

QJsonValue toJson(const QString& value) { return value; }
QJsonValue toJson(double value) { return value; }
QJsonValue toJson(const QDateTime& value) { return dateText(value); }
QJsonValue toJson(const QUuid& value) { return uuidText(value); }

}  // namespace jsoncoding
