#pragma once

#include "core/model/AppError.h"

#include <QString>

// Why a backup, an import, a CSV file or a reset did not go through. The text is shown to the
// user, in words a person understands; every kind but `writeFailed` also means nothing in the
// store changed. The detail ends a sentence: "it is a named pipe, not a file".
class ExportImportError : public AppError {
 public:
  enum class Kind {
    readFailed,          // the chosen file could not be opened or read, or is no regular file
    malformed,           // not strict JSON, cut short, or a record that does not decode
    duplicateRecord,     // two records of one list share an identifier
    notPelmoraFile,      // not a backup or a database of this app
    newerVersion,        // written by a newer Pelmora
    unsupportedVersion,  // an old layout this version no longer reads
    writeFailed,         // the export file could not be written
    snapshotFailed,      // the safety copy could not be written, so nothing was changed
    saveFailed,          // the new data could not be saved, so the old data was kept
    readOnly,            // the store is open read-only
  };

  ExportImportError(Kind kind, QString detail = {}, int version = 0);

  Kind kind() const { return kind_; }
  // The layout version of a file refused for its version.
  int version() const { return version_; }
  QString errorDescription() const override;

 private:
  Kind kind_;
  QString detail_;
  int version_;
};
