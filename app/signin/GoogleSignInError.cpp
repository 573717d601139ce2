#include "app/signin/GoogleSignInError.h"

QString GoogleSignInError::errorDescription() const {
  switch (m_kind) {
    case Kind::notConfigured:
      return QStringLiteral(
          "This build of Pelmora has no Google sign-in. You can connect Gmail by pasting an "
          "access token instead (Use Access Token\u2026). The section \u201cConnecting Gmail\u201d in "
          "Pelmora's README explains how to register your own Google client for sign-in.");
    case Kind::stateMismatch:
      return QStringLiteral(
          "Google sign-in was stopped: the answer that came back does not belong to the sign-in "
          "Pelmora started. Please try again.");
  }
  return {};
}
