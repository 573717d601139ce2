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

constexpr qint64 kMsPerDay = 86400000;

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back (H. Hinnant's
// civil calendar algorithms).
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d) {
  y -= m <= 2;
  const qint64 era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + qint64(doe) - 719468;
}

void civilFromDays(qint64 z, qint64& y, unsigned& m, unsigned& d) {
  z += 719468;
  const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = qint64(yoe) + era * 400 + (m <= 2);
}

bool isLeapYear(qint64 y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

unsigned daysInMonth(qint64 y, unsigned m) {
  static constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

// The digits at text[at, at + count), or -1.
int digitsAt(const QChar* text, int at, int count) {
  int value = 0;
  for (int i = at; i < at + count; ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') {
      return -1;
    }
    value = value * 10 + (c - u'0');
  }
  return value;
}

// The one form the store writes, "2026-03-10T09:00:00.000Z", and the same without
// milliseconds, read by position; anything else is left to Qt's reader.
std::optional<QDateTime> parseWrittenForm(const QString& text) {
  const qsizetype size = text.size();
  if (size != 24 && size != 20) {
    return std::nullopt;
  }
  const QChar* t = text.constData();
  if (t[4] != u'-' || t[7] != u'-' || t[10] != u'T' || t[13] != u':' || t[16] != u':' ||
      t[size - 1] != u'Z' || (size == 24 && t[19] != u'.')) {
    return std::nullopt;
  }
  const int year = digitsAt(t, 0, 4);
  const int month = digitsAt(t, 5, 2);
  const int day = digitsAt(t, 8, 2);
  const int hour = digitsAt(t, 11, 2);
  const int minute = digitsAt(t, 14, 2);
  const int second = digitsAt(t, 17, 2);
  const int ms = size == 24 ? digitsAt(t, 20, 3) : 0;
  // Year 0 and the edge cases Qt reads its own way (24:00, leap seconds) go to Qt.
  if (year < 1 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 59 || ms < 0 || unsigned(day) > daysInMonth(year, unsigned(month))) {
    return std::nullopt;
  }
  const qint64 msecs = daysFromCivil(year, unsigned(month), unsigned(day)) * kMsPerDay +
                       ((hour * 60 + minute) * 60 + second) * 1000LL + ms;
  return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

}  // namespace

QString dateText(const QDateTime& date) {
  if (!date.isValid()) {
    return QString();
  }
  const qint64 msecs = date.toMSecsSinceEpoch();
  const qint64 days = (msecs >= 0 ? msecs : msecs - (kMsPerDay - 1)) / kMsPerDay;
  qint64 msOfDay = msecs - days * kMsPerDay;
  qint64 year = 0;
  unsigned month = 0;
  unsigned day = 0;
  civilFromDays(days, year, month, day);
  if (year < 1 || year > 9999) {
    return date.toUTC().toString(Qt::ISODateWithMs);  // Qt's own form for the far past and future
  }
  // "yyyy-MM-ddTHH:mm:ss.zzzZ", written by position.
  char16_t out[24];
  const auto put = [&out](int at, qint64 value, int width) {
    for (int i = at + width - 1; i >= at; --i) {
      out[i] = char16_t(u'0' + value % 10);
      value /= 10;
    }
  };
  put(0, year, 4);
  out[4] = u'-';
  put(5, month, 2);
  out[7] = u'-';
  put(8, day, 2);
  out[10] = u'T';
  put(11, msOfDay / 3600000, 2);
  msOfDay %= 3600000;
  out[13] = u':';
  put(14, msOfDay / 60000, 2);
  msOfDay %= 60000;
  out[16] = u':';
  put(17, msOfDay / 1000, 2);
  out[19] = u'.';
  put(20, msOfDay % 1000, 3);
  out[23] = u'Z';
  return QString(reinterpret_cast<const QChar*>(out), 24);
}

std::optional<QDateTime> parseDate(const QString& text) {
  if (auto date = parseWrittenForm(text)) {
    return date;
  }
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

QString uuidText(const QUuid& uuid) {
  QByteArray text = uuid.toByteArray(QUuid::WithoutBraces);
  for (char& c : text) {
    if (c >= 'a' && c <= 'f') {
      c = char(c - 'a' + 'A');
    }
  }
  return QString::fromLatin1(text);
}

std::optional<QUuid> parseUuid(const QString& text) {
  // "8-4-4-4-12" hex digits, optionally in braces (both or neither).
  const qsizetype size = text.size();
  const bool braces = size == 38;
  if ((size != 36 && !braces) ||
      (braces && (text.front() != u'{' || text.back() != u'}'))) {
    return std::nullopt;
  }
  const QChar* t = text.constData() + (braces ? 1 : 0);
  for (int i = 0; i < 36; ++i) {
    const char16_t c = t[i].unicode();
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    if (dash ? c != u'-' : !hex) {
      return std::nullopt;
    }
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
