#pragma once

#include "core/model/AppError.h"
#include "core/model/DecodingError.h"

#include <QString>

#include <optional>

// Why a stored database could not be taken into use. The message is shown to the user.
class MigrationError : public AppError {
 public:
  enum class Kind {
    unreadable,          // not JSON, not an object, or a record that does not decode
    unsupportedVersion,  // an old layout this version no longer reads
    newerVersion,        // written by a newer Pelmora
  };

  MigrationError(Kind kind, QString detail, int schemaVersion = 0);
  // Unreadable because of `cause`.
  explicit MigrationError(const DecodingError& cause);

  Kind kind() const { return kind_; }
  int schemaVersion() const { return schemaVersion_; }
  // The field that did not decode, when that is why.
  const std::optional<DecodingError>& cause() const { return cause_; }
  QString errorDescription() const override;

 private:
  Kind kind_;
  QString detail_;
  int schemaVersion_;
  std::optional<DecodingError> cause_;
};
