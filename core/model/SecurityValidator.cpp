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
  QString safe = cell;
  // A NUL ends the cell early in many readers, or the whole file in some.
  safe.remove(QChar(u'\0'));
  // A spreadsheet that trims leading blanks would still run "  =1+1"; the apostrophe goes in
  // front of everything so the cell reads back as typed.
  for (const QChar c : std::as_const(safe)) {
    switch (c.unicode()) {
      case ' ':
      case '\n':
        continue;
      case '=':
      case '+':
      case '-':
      case '@':
      case '\t':
      case '\r':
        return QLatin1Char('\'') + safe;
      default:
        return safe;
    }
  }
  return safe;
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
