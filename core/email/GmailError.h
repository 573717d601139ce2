#pragma once

#include "core/model/AppError.h"

#include <QString>

// The Gmail client's own failures, each with the text the user reads.
class GmailError : public AppError {
 public:
  enum class Kind {
    networkError,
    serverError,
    decodingError,
    notConnected,
    tokenExpired,
    rateLimited
  };

  static GmailError networkError(const QString& detail);
  static GmailError serverError(int status);
  static GmailError decodingError(const QString& detail);
  static GmailError notConnected();
  static GmailError tokenExpired();
  static GmailError rateLimited();

  Kind kind() const { return kind_; }
  // The text carried by networkError and decodingError; empty for the others.
  const QString& detail() const { return detail_; }
  // The status carried by serverError; 0 for the others.
  int status() const { return status_; }

  QString errorDescription() const override;

  bool operator==(const GmailError& other) const {
    return kind_ == other.kind_ && detail_ == other.detail_ && status_ == other.status_;
  }

 private:
  GmailError(Kind kind, QString detail, int status);

  Kind kind_;
  QString detail_;
  int status_;
};
