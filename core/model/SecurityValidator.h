#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Checks applied to text and links that come from the user or from e-mail.
class SecurityValidator {
 public:
  // Only http, https and mailto links are opened; everything else (javascript:, file:,
  // data:, custom schemes, no scheme) is refused.
  static bool isSafeURL(const QUrl& url);

  // Prefixes a cell a spreadsheet would run as a formula, even after leading blanks, with an
  // apostrophe, and drops NUL characters.
  static QString neutralizeCSVCell(const QString& cell);

  // A typed amount such as "12", "$12.50" or "1,234.56"; nothing for negative,
  // non-finite, empty or malformed text. Commas are accepted only as thousands
  // separators, so "12,50" is refused rather than read as 1250.
  static std::optional<double> parseMonetaryAmount(const QString& text);
};
