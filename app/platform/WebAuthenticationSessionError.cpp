#include "app/platform/WebAuthenticationSessionError.h"

QString WebAuthenticationSessionError::errorDescription() const {
  switch (m_code) {
    case Code::canceledLogin:
      return QStringLiteral("Google sign-in was cancelled.");
    case Code::timedOut:
      return QStringLiteral(
          "Google sign-in was cancelled because the browser did not return to Pelmora in time.");
    case Code::browserUnavailable:
      return QStringLiteral("Pelmora could not open your web browser for Google sign-in.");
  }
  return {};
}
