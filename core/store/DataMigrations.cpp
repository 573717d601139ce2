#include "core/store/DataMigrations.h"

#include "core/model/JsonCoding.h"

#include <exception>
#include <thread>

namespace {

// The parsed document is megabytes of small blocks that live only during the load. The records
// are made on other threads, so their strings do not sit among those blocks and pin their
// pages once the document is freed.
template <typename Body>
void runOnOwnThread(Body body) {
  std::exception_ptr failure;
  std::thread([&] {
    try {
      body();
    } catch (...) {
      failure = std::current_exception();
    }
  }).join();
  if (failure) {
    std::rethrow_exception(failure);
  }
}

}  // namespace

DataMigrations::Result DataMigrations::decode(const QByteArray& data, bool refuseUnreadableRecords) {
  // The store's own files of the current layout; the general reader below handles the rest and
  // says what is wrong with a file that does not read.
  if (std::optional<DatabaseReader::Result> fast = DatabaseReader::read(data)) {
    // A refused record is reported by the general reader, which says which one and why.
    if (!refuseUnreadableRecords || fast->unreadableRecords.isEmpty()) {
      Result result;
      result.container = std::move(fast->container);
      result.unreadableRecords = std::move(fast->unreadableRecords);
      result.spans = std::move(fast->spans);
      return result;
    }
  }
  QJsonObject object;
  int version = 0;
  try {
    object = jsoncoding::parseObject(data);
    version = jsoncoding::requireInt(object, "schemaVersion");
  } catch (const DecodingError& error) {
    throw MigrationError(error);
  }

  if (version > StorageSchema::currentVersion) {
    MigrationError newer(MigrationError::Kind::newerVersion, QString(), version);
    try {
      Result result{DashboardStorageContainer::fromJson(object), newer, {}, {}};
      return result;
    } catch (const DecodingError&) {
      // Nothing of it can be shown, but it still must not be written over.
      return Result{DashboardStorageContainer{}, newer, {}, {}};
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
    runOnOwnThread([&] {
      result.container = DashboardStorageContainer::fromJson(
          object, refuseUnreadableRecords ? nullptr : &result.unreadableRecords);
    });
    return result;
  } catch (const DecodingError& error) {
    throw MigrationError(error);
  }
}
