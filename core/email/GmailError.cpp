#include "core/email/GmailError.h"

GmailError::GmailError(Kind kind, QString detail, int status)
    : kind_(kind), detail_(std::move(detail)), status_(status) {}

GmailError GmailError::networkError(const QString& detail) {
  return GmailError(Kind::networkError, detail, 0);
}

GmailError GmailError::serverError(int status) { return GmailError(Kind::serverError, {}, status); }

GmailError GmailError::decodingError(const QString& detail) {
  return GmailError(Kind::decodingError, detail, 0);
}

GmailError GmailError::notConnected() { return GmailError(Kind::notConnected, {}, 0); }

GmailError GmailError::tokenExpired() { return GmailError(Kind::tokenExpired, {}, 0); }

GmailError GmailError::rateLimited() { return GmailError(Kind::rateLimited, {}, 0); }

QString GmailError::errorDescription() const {
  switch (kind_) {
    case Kind::networkError:
      return QStringLiteral("Network connection failed: ") + detail_;
    case Kind::serverError:
      return QStringLiteral("Gmail service responded with error status %1.").arg(status_);
    case Kind::decodingError:
      return QStringLiteral("Failed to parse Gmail message: ") + detail_;
    case Kind::notConnected:
      return QStringLiteral("Gmail is not connected. Please connect your account in Settings.");
    case Kind::tokenExpired:
      return QStringLiteral(
          "Gmail authorization expired or was revoked. Please reconnect in Settings.");
    case Kind::rateLimited:
      return QStringLiteral("Gmail API rate limit exceeded. Please wait a few minutes.");
  }
  return {};
}
