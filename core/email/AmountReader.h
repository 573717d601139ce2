#pragma once

#include <QString>

#include <optional>

// A money figure found in an e-mail's text.
struct ExtractedAmount {
  std::optional<double> amount;
  std::optional<QString> currency;  // "USD", "GBP" or "EUR"

  bool operator==(const ExtractedAmount&) const = default;
};

// The first figure written with a currency symbol before it ($, £, €) or a capitalised code
// after it (USD, GBP, EUR). Figures may group thousands with ",", "." or spaces and end with
// a two-digit decimal part after "." or ","; "1,234.56", "1.234,56" and "12 500" are read
// whole. Nothing found gives neither amount nor currency.
ExtractedAmount extractAmountAndCurrency(const QString& text);
