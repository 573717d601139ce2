#include "core/email/AmountReader.h"

#include "core/email/CompiledPattern.h"

namespace {

const QRegularExpression& amountPattern() {
  static const QRegularExpression pattern = [] {
    // One figure: thousands grouped by ",", by "." or by a (no-break) space, each with the
    // other decimal mark, or plain digits. A grouped figure must not run on into more digits,
    // so "1,2345" is not taken for 1234.
    const QString figure = QStringLiteral(
        "(?:[0-9]{1,3}(?:,[0-9]{3})+(?:\\.[0-9]{2})?(?![0-9])"
        "|[0-9]{1,3}(?:\\.[0-9]{3})+(?:,[0-9]{2})?(?![0-9])"
        "|[0-9]{1,3}(?:[ \\x{00A0}\\x{202F}][0-9]{3})+(?:[.,][0-9]{2})?(?![0-9])"
        "|[0-9]+(?:[.,][0-9]{2})?)");
    // Before a code the figure must start where a number starts; otherwise the tail of
    // "2024 500 EUR" would be read as the grouped figure 24 500.
    return compiledPattern(QStringLiteral("(?:([$£€]))\\s*(") + figure +
                           QStringLiteral(")|(?<![0-9])(") + figure +
                           QStringLiteral(")\\s*(USD|GBP|EUR)"));
  }();
  return pattern;
}

// The figure's value: a mark three places from the end is the decimal mark; every other
// mark or space only groups digits.
std::optional<double> figureValue(const QString& figure) {
  QString digits;
  digits.reserve(figure.size());
  const qsizetype decimalMark = figure.size() >= 3 && (figure.at(figure.size() - 3) == u'.' ||
                                                       figure.at(figure.size() - 3) == u',')
                                    ? figure.size() - 3
                                    : -1;
  for (qsizetype i = 0; i < figure.size(); ++i) {
    const QChar c = figure.at(i);
    if (i == decimalMark) {
      digits.append(u'.');
    } else if (c.isDigit()) {
      digits.append(c);
    }
  }
  bool ok = false;
  const double value = digits.toDouble(&ok);
  if (!ok) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

ExtractedAmount extractAmountAndCurrency(const QString& text) {
  auto matches = amountPattern().globalMatch(text);
  while (matches.hasNext()) {
    const QRegularExpressionMatch match = matches.next();
    if (match.hasCaptured(1) && match.hasCaptured(2)) {
      if (const auto value = figureValue(match.captured(2))) {
        const QString symbol = match.captured(1);
        const QString currency = symbol == u"£"   ? QStringLiteral("GBP")
                                 : symbol == u"€" ? QStringLiteral("EUR")
                                                  : QStringLiteral("USD");
        return {value, currency};
      }
    }
    if (match.hasCaptured(3) && match.hasCaptured(4)) {
      if (const auto value = figureValue(match.captured(3))) {
        return {value, match.captured(4)};
      }
    }
  }
  return {};
}
