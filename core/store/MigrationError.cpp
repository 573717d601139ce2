#include "core/store/MigrationError.h"

MigrationError::MigrationError(Kind kind, QString detail, int schemaVersion)
    : kind_(kind), detail_(std::move(detail)), schemaVersion_(schemaVersion) {}

MigrationError::MigrationError(const DecodingError& cause)
    : kind_(Kind::unreadable), detail_(cause.errorDescription()), schemaVersion_(0), cause_(cause) {}

QString MigrationError::errorDescription() const {
  switch (kind_) {
    case Kind::unreadable:
      return QStringLiteral("The data file could not be read: %1").arg(detail_);
    case Kind::unsupportedVersion:
      return QStringLiteral(
                 "The data file uses storage version %1, which this version of Pelmora can no "
                 "longer read.")
          .arg(schemaVersion_);
    case Kind::newerVersion:
      return QStringLiteral(
                 "The data file was written by a newer version of Pelmora (storage version %1). "
                 "It is open read-only: changes are not saved.")
          .arg(schemaVersion_);
  }
  return detail_;
}
