#include "core/model/SecurityValidator.h"

#include <QRegularExpression>

#include <cmath>

bool SecurityValidator::isSafeURL(const QUrl& url) {
  if (!url.isValid()) {
    return false;
  }
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
    return !url.host().isEmpty();
  }
  return scheme == QLatin1String("mailto");
}

QString SecurityValidator::neutralizeCSVCell(const QString& cell) {
  if (cell.isEmpty()) {
    return cell;
  }
  switch (cell.front().unicode()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return QLatin1Char('\'') + cell;
    default:
      return cell;
  }
}

std::optional<double> SecurityValidator::parseMonetaryAmount(const QString& text) {
  static const QRegularExpression amount(QStringLiteral(
      "^[$€£¥]?\\s*((?:\\d{1,3}(?:,\\d{3})+|\\d+)(?:\\.\\d+)?|\\.\\d+)\\s*[$€£¥]?$"));
  const QRegularExpressionMatch match = amount.match(text.trimmed());
  if (!match.hasMatch()) {
    return std::nullopt;
  }
  QString digits = match.captured(1);
  digits.remove(QLatin1Char(','));
  bool ok = false;
  const double value = digits.toDouble(&ok);
  if (!ok || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}
