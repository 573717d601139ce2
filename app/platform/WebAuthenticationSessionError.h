#pragma once

#include "core/model/AppError.h"

#include <QString>

// Why a browser sign-in ended without a callback address.
class WebAuthenticationSessionError : public AppError {
 public:
  enum class Code {
    canceledLogin,       // the user closed or cancelled the waiting window
    timedOut,            // no callback arrived in time
    browserUnavailable,  // the default browser could not be opened
  };

  explicit WebAuthenticationSessionError(Code code) : m_code(code) {}

  Code code() const { return m_code; }
  QString errorDescription() const override;

 private:
  Code m_code;
};
