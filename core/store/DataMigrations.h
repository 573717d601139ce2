#pragma once

#include "core/store/DatabaseReader.h"
#include "core/store/MigrationError.h"
#include "core/store/StorageSchema.h"

#include <QByteArray>

#include <optional>

// Turns the bytes of a stored database into the current container, whatever layout version
// wrote them.
class DataMigrations {
 public:
  struct Result {
    DashboardStorageContainer container;
    // Set when a newer Pelmora wrote the file: the container holds what this version
    // understands of it, and the file must not be written over.
    std::optional<MigrationError> newerVersion;
    // Records that could not be read; the container holds the others.
    UnreadableRecords unreadableRecords;
    // Where each record's text lies in the bytes, when the fast reader read them; empty lists
    // otherwise.
    DatabaseSpans spans;
  };

  // Throws MigrationError when the bytes cannot be taken into use; with
  // `refuseUnreadableRecords`, also when a single record cannot be read.
  static Result decode(const QByteArray& data, bool refuseUnreadableRecords = false);
};
