#include "core/store/ExportImportError.h"

ExportImportError::ExportImportError(Kind kind, QString detail, int version)
    : kind_(kind), detail_(std::move(detail)), version_(version) {}

QString ExportImportError::errorDescription() const {
  switch (kind_) {
    case Kind::readFailed:
      return QStringLiteral("The file could not be read: %1. Nothing was imported.").arg(detail_);
    case Kind::malformed:
    case Kind::duplicateRecord:
      return QStringLiteral("The file is damaged, so nothing was imported: %1.").arg(detail_);
    case Kind::notPelmoraFile:
      if (!detail_.isEmpty()) {
        return QStringLiteral("This file is not a Pelmora backup: %1. Nothing was imported.")
            .arg(detail_);
      }
      return QStringLiteral(
          "This file is not a Pelmora backup or data file, so nothing was imported.");
    case Kind::newerVersion:
      // The number may be the package's or the database's layout; neither means much to a user.
      return QStringLiteral(
          "The file was written by a newer version of Pelmora. Update Pelmora to import it; "
          "nothing was imported.");
    case Kind::unsupportedVersion:
      return QStringLiteral(
                 "The file uses storage version %1, which this version of Pelmora can no longer "
                 "read; nothing was imported.")
          .arg(version_);
    case Kind::writeFailed:
      return QStringLiteral("The file could not be written: %1").arg(detail_);
    case Kind::snapshotFailed:
      return QStringLiteral(
                 "Nothing was changed, because the safety copy of your data could not be "
                 "written: %1")
          .arg(detail_);
    case Kind::saveFailed:
      return QStringLiteral("Your data could not be saved, so it was left as it was: %1")
          .arg(detail_);
    case Kind::readOnly:
      return QStringLiteral("Your data is open read-only, so nothing was changed: %1").arg(detail_);
  }
  return detail_;
}
