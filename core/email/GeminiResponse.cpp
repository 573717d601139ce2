#include "core/email/GeminiResponse.h"

#include "core/email/StrictJson.h"

#include "core/email/CompiledPattern.h"
#include "core/email/EmailIntelligenceProvider.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <cmath>

namespace {

constexpr double defaultConfidence = 0.8;
constexpr double minimumConfidence = 0.6;
constexpr double amountCeiling = 1'000'000;
// Five years of 365 days.
constexpr qint64 dueDateReachMs = 157'680'000LL * 1000;

// One object of the generated array, as the model wrote it.
struct RawExtractedItem {
  QString category;
  QString title;
  std::optional<QString> notes;
  std::optional<double> confidence;
  std::optional<QString> evidenceSnippet;
  std::optional<double> amount;
  std::optional<QString> currency;
  std::optional<QString> dueDate;
  std::optional<QString> referenceNumber;
  std::optional<QString> personOrOrg;
  std::optional<QString> priority;
};

// A field that may be missing or null, else must hold `type`. Numbers must be finite.
bool optionalField(const QJsonObject& object, QLatin1StringView key, QJsonValue::Type type) {
  const QJsonValue value = object.value(key);
  if (value.isUndefined() || value.isNull()) {
    return true;
  }
  if (value.type() != type) {
    return false;
  }
  return type != QJsonValue::Double || std::isfinite(value.toDouble());
}

// The reply's generated text, read with the reply's own shape: every candidate and part must
// have that shape even though only the first of each is used.
std::optional<QString> generatedText(const QByteArray& data) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(data, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) {
    return std::nullopt;
  }
  const QJsonObject response = document.object();
  if (!optionalField(response, QLatin1StringView("candidates"), QJsonValue::Array)) {
    return std::nullopt;
  }
  const QJsonArray candidates = response.value(QLatin1StringView("candidates")).toArray();
  for (const QJsonValue& candidate : candidates) {
    if (!candidate.isObject() ||
        !optionalField(candidate.toObject(), QLatin1StringView("content"), QJsonValue::Object)) {
      return std::nullopt;
    }
    const QJsonObject content = candidate.toObject().value(QLatin1StringView("content")).toObject();
    if (!optionalField(content, QLatin1StringView("parts"), QJsonValue::Array)) {
      return std::nullopt;
    }
    for (const QJsonValue& part : content.value(QLatin1StringView("parts")).toArray()) {
      if (!part.isObject() ||
          !optionalField(part.toObject(), QLatin1StringView("text"), QJsonValue::String)) {
        return std::nullopt;
      }
    }
  }
  if (candidates.isEmpty()) {
    return std::nullopt;
  }
  const QJsonArray parts = candidates.first()
                               .toObject()
                               .value(QLatin1StringView("content"))
                               .toObject()
                               .value(QLatin1StringView("parts"))
                               .toArray();
  if (parts.isEmpty()) {
    return std::nullopt;
  }
  const QJsonValue text = parts.first().toObject().value(QLatin1StringView("text"));
  if (!text.isString()) {
    return std::nullopt;
  }
  return text.toString();
}

std::optional<QString> optionalString(const QJsonObject& object, QLatin1StringView key) {
  const QJsonValue value = object.value(key);
  return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

std::optional<double> optionalNumber(const QJsonObject& object, QLatin1StringView key) {
  const QJsonValue value = object.value(key);
  return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

// The generated array; one object of the wrong shape rejects the whole array.
std::optional<QList<RawExtractedItem>> decodeItems(const QString& text) {
  // A byte-order mark in front is no part of the JSON; some replies carry one all the same.
  constexpr QChar byteOrderMark(0xFEFF);
  const QByteArray bytes =
      (text.startsWith(byteOrderMark) ? QStringView(text).mid(1) : QStringView(text)).toUtf8();
  if (!isStrictJson(bytes)) {
    return std::nullopt;
  }
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError || !document.isArray()) {
    return std::nullopt;
  }
  static const std::array<QLatin1StringView, 7> textFields = {
      QLatin1StringView("notes"),           QLatin1StringView("evidenceSnippet"),
      QLatin1StringView("currency"),        QLatin1StringView("dueDate"),
      QLatin1StringView("referenceNumber"), QLatin1StringView("personOrOrg"),
      QLatin1StringView("priority")};
  static const std::array<QLatin1StringView, 2> numberFields = {QLatin1StringView("confidence"),
                                                                QLatin1StringView("amount")};
  QList<RawExtractedItem> items;
  const QJsonArray array = document.array();
  items.reserve(array.size());
  for (const QJsonValue& value : array) {
    if (!value.isObject()) {
      return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const QJsonValue category = object.value(QLatin1StringView("category"));
    const QJsonValue title = object.value(QLatin1StringView("title"));
    if (!category.isString() || !title.isString()) {
      return std::nullopt;
    }
    for (const QLatin1StringView key : textFields) {
      if (!optionalField(object, key, QJsonValue::String)) {
        return std::nullopt;
      }
    }
    for (const QLatin1StringView key : numberFields) {
      if (!optionalField(object, key, QJsonValue::Double)) {
        return std::nullopt;
      }
    }
    items.append({category.toString(), title.toString(),
                  optionalString(object, QLatin1StringView("notes")),
                  optionalNumber(object, QLatin1StringView("confidence")),
                  optionalString(object, QLatin1StringView("evidenceSnippet")),
                  optionalNumber(object, QLatin1StringView("amount")),
                  optionalString(object, QLatin1StringView("currency")),
                  optionalString(object, QLatin1StringView("dueDate")),
                  optionalString(object, QLatin1StringView("referenceNumber")),
                  optionalString(object, QLatin1StringView("personOrOrg")),
                  optionalString(object, QLatin1StringView("priority"))});
  }
  return items;
}

// An internet date-time: "2025-03-15T09:00:00Z" or with an offset such as "+02:00"; no
// fractional seconds, no date alone.
std::optional<QDateTime> parseInternetDateTime(const QString& text) {
  static const QRegularExpression pattern = compiledPattern(
      QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})"
                     "(?:Z|([+-])([0-9]{2}):([0-9]{2}))$"));
  const QRegularExpressionMatch m = pattern.match(text);
  if (!m.hasMatch()) {
    return std::nullopt;
  }
  const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
  if (!date.isValid() || !time.isValid()) {
    return std::nullopt;
  }
  int offsetSeconds = 0;
  if (m.hasCaptured(7)) {
    const int hours = m.captured(8).toInt();
    const int minutes = m.captured(9).toInt();
    if (hours > 23 || minutes > 59) {
      return std::nullopt;
    }
    offsetSeconds = (hours * 60 + minutes) * 60 * (m.captured(7) == u"-" ? -1 : 1);
  }
  return QDateTime(date, time, QTimeZone::utc()).addSecs(-offsetSeconds);
}

TaskPriority priorityFrom(const std::optional<QString>& text) {
  if (!text) {
    return TaskPriority::medium;
  }
  const QString lower = text->toLower();
  if (lower == u"urgent") {
    return TaskPriority::urgent;
  }
  if (lower == u"high") {
    return TaskPriority::high;
  }
  if (lower == u"low") {
    return TaskPriority::low;
  }
  return TaskPriority::medium;
}

}  // namespace

QList<EmailExtractedSuggestion> parseAndValidateGeminiResponse(
    const QByteArray& data, const EmailMessageContext& sourceEmail, const QDateTime& now) {
  const std::optional<QString> text = generatedText(data);
  if (!text) {
    return {};
  }
  const std::optional<QList<RawExtractedItem>> items = decodeItems(*text);
  if (!items) {
    return {};
  }

  QList<EmailExtractedSuggestion> suggestions;
  for (const RawExtractedItem& item : *items) {
    const double confidence = item.confidence.value_or(defaultConfidence);
    if (confidence < minimumConfidence) {
      continue;
    }
    EmailExtractedSuggestion suggestion =
        newSuggestion(sourceEmail,
                      fromDisplayText<EmailExtractedCategory>(item.category)
                          .value_or(EmailExtractedCategory::task),
                      now);
    suggestion.title = item.title;
    suggestion.notes = item.notes.value_or(QString());
    suggestion.confidence = std::min(confidence, 1.0);
    suggestion.evidenceSnippet = item.evidenceSnippet.value_or(QString());
    if (item.amount && *item.amount > 0 && *item.amount < amountCeiling) {
      suggestion.amount = item.amount;
    }
    suggestion.currency = item.currency;
    if (item.dueDate) {
      const std::optional<QDateTime> due = parseInternetDateTime(*item.dueDate);
      if (due && std::abs(now.msecsTo(*due)) < dueDateReachMs) {
        suggestion.dueDate = due;
      }
    }
    suggestion.referenceNumber = item.referenceNumber;
    suggestion.personOrOrg = item.personOrOrg;
    suggestion.priority = priorityFrom(item.priority);
    suggestions.append(suggestion);
  }
  return suggestions;
}
