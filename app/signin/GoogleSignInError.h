#pragma once

#include "core/model/AppError.h"

#include <QString>

// Sign-in failures of Pelmora's own making, before or around Google's answer.
class GoogleSignInError : public AppError {
 public:
  enum class Kind {
    notConfigured,  // the build carries no Google client registration
    stateMismatch,  // the answer does not belong to the sign-in this process started
  };

  explicit GoogleSignInError(Kind kind) : m_kind(kind) {}

  Kind kind() const { return m_kind; }
  QString errorDescription() const override;

 private:
  Kind m_kind;
};
