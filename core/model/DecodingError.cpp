#include "core/model/DecodingError.h"

DecodingError::DecodingError(Kind kind, QString field, QString detail)
    : kind_(kind), field_(std::move(field)), detail_(std::move(detail)) {}

QString DecodingError::errorDescription() const {
  QString kindText;
  switch (kind_) {
    case Kind::keyNotFound:
      kindText = QStringLiteral("keyNotFound");
      break;
    case Kind::typeMismatch:
      kindText = QStringLiteral("typeMismatch");
      break;
    case Kind::dataCorrupted:
      kindText = QStringLiteral("dataCorrupted");
      break;
  }
  QString text = kindText + QStringLiteral(": ");
  text += field_.isEmpty() ? QStringLiteral("(document)")
                           : QLatin1Char('"') + field_ + QLatin1Char('"');
  if (!detail_.isEmpty()) {
    text += QStringLiteral(" ") + detail_;
  }
  return text;
}

DecodingError DecodingError::nestedIn(const QString& outer) const {
  QString path = outer;
  if (!field_.isEmpty()) {
    path += field_.startsWith(QLatin1Char('[')) ? field_ : QLatin1Char('.') + field_;
  }
  return DecodingError(kind_, path, detail_);
}
