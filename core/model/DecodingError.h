#pragma once

#include "core/model/AppError.h"

#include <QString>

// A stored JSON value that does not match its record: names the field so a broken file
// can be understood from the message alone.
class DecodingError : public AppError {
 public:
  enum class Kind { keyNotFound, typeMismatch, dataCorrupted };

  DecodingError(Kind kind, QString field, QString detail = {});

  Kind kind() const { return kind_; }
  // Dotted path of the field, e.g. "forecast[0].date"; empty for the document itself.
  const QString& field() const { return field_; }
  // What is wrong with the value there: "is not a string".
  const QString& detail() const { return detail_; }
  QString errorDescription() const override;

  // The same error seen from the enclosing object, which holds it under `outer`.
  DecodingError nestedIn(const QString& outer) const;

 private:
  Kind kind_;
  QString field_;
  QString detail_;
};
