#include "app/signin/GoogleSignInError.h"

QString GoogleSignInError::errorDescription() const {
  switch (m_kind) {
    case Kind::notConfigured:
      return QStringLiteral(
          "Google sign-in is not configured in this build of Pelmora. Build it with your own "
          "Google OAuth client (PELMORA_GOOGLE_CLIENT_ID and PELMORA_GOOGLE_CLIENT_SECRET) to "
          "connect Gmail.");
    case Kind::stateMismatch:
      return QStringLiteral(
          "Google sign-in was stopped: the answer that came back does not belong to the sign-in "
          "Pelmora started. Please try again.");
  }
  return {};
}
