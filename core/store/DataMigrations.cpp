#include "core/store/DataMigrations.h"

#include "core/model/JsonCoding.h"

DataMigrations::Result DataMigrations::decode(const QByteArray& data) {
  QJsonObject object;
  int version = 0;
  try {
    object = jsoncoding::parseObject(data);
    version = jsoncoding::requireInt(object, "schemaVersion");
  } catch (const DecodingError& error) {
    throw MigrationError(MigrationError::Kind::unreadable, error.errorDescription());
  }

  if (version > StorageSchema::currentVersion) {
    MigrationError newer(MigrationError::Kind::newerVersion, QString(), version);
    try {
      Result result{DashboardStorageContainer::fromJson(object), newer, {}};
      return result;
    } catch (const DecodingError&) {
      // Nothing of it can be shown, but it still must not be written over.
      return Result{DashboardStorageContainer{}, newer, {}};
    }
  }
  if (version < 1) {
    throw MigrationError(
        MigrationError::Kind::unreadable,
        QStringLiteral("\"schemaVersion\" %1 is not a storage version").arg(version));
  }
  if (version < StorageSchema::currentVersion) {
    throw MigrationError(MigrationError::Kind::unsupportedVersion, QString(), version);
  }
  try {
    Result result;
    result.container = DashboardStorageContainer::fromJson(object, &result.unreadableRecords);
    return result;
  } catch (const DecodingError& error) {
    throw MigrationError(MigrationError::Kind::unreadable, error.errorDescription());
  }
}
