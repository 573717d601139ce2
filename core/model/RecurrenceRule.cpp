#include "core/model/RecurrenceRule.h"

#include "core/model/JsonCoding.h"

#include <QStringList>

#include <array>
#include <utility>

namespace {

using Kind = RecurrenceRule::Kind;

constexpr std::array<std::pair<Kind, const char*>, 8> kCaseKeys{{
    {Kind::none, "none"},
    {Kind::daily, "daily"},
    {Kind::weekdays, "weekdays"},
    {Kind::weekly, "weekly"},
    {Kind::biweekly, "biweekly"},
    {Kind::monthly, "monthly"},
    {Kind::yearly, "yearly"},
    {Kind::customDays, "customDays"},
}};

const char* caseKey(Kind kind) {
  for (const auto& [candidate, key] : kCaseKeys) {
    if (candidate == kind) {
      return key;
    }
  }
  return "none";
}

}  // namespace

QString RecurrenceRule::title() const {
  switch (kind_) {
    case Kind::none:
      return QStringLiteral("Never");
    case Kind::daily:
      return QStringLiteral("Daily");
    case Kind::weekdays:
      return QStringLiteral("Every Weekday");
    case Kind::weekly:
      return QStringLiteral("Weekly");
    case Kind::biweekly:
      return QStringLiteral("Every 2 Weeks");
    case Kind::monthly:
      return QStringLiteral("Monthly");
    case Kind::yearly:
      return QStringLiteral("Yearly");
    case Kind::customDays:
      return QStringLiteral("Every %1 days").arg(days_);
  }
  return {};
}

QJsonObject RecurrenceRule::toJson() const {
  QJsonObject payload;
  if (kind_ == Kind::customDays) {
    payload.insert(QStringLiteral("_0"), days_);
  }
  return QJsonObject{{QLatin1String(caseKey(kind_)), payload}};
}

RecurrenceRule RecurrenceRule::fromJson(const QJsonObject& object) {
  if (object.size() != 1) {
    throw DecodingError(DecodingError::Kind::dataCorrupted, QString(),
                        QStringLiteral("must hold exactly one case key, found %1")
                            .arg(object.isEmpty() ? QStringLiteral("none")
                                                  : object.keys().join(QStringLiteral(", "))));
  }
  const QString key = object.begin().key();
  for (const auto& [kind, candidate] : kCaseKeys) {
    if (key != QLatin1String(candidate)) {
      continue;
    }
    const QJsonObject payload = jsoncoding::requireObject(object, candidate);
    if (kind != Kind::customDays) {
      return RecurrenceRule(kind, 0);
    }
    try {
      return RecurrenceRule(kind, jsoncoding::requireInt(payload, "_0"));
    } catch (const DecodingError& error) {
      throw error.nestedIn(key);
    }
  }
  throw DecodingError(DecodingError::Kind::dataCorrupted, key,
                      QStringLiteral("is not a recurrence case"));
}
