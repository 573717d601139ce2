#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Base of every error kind; the description is the text the user sees.
class AppError : public std::exception {
 public:
  virtual QString errorDescription() const = 0;

  // Kept in a member so the pointer outlives the call.
  const char* what() const noexcept override {
    whatText_ = errorDescription().toUtf8();
    return whatText_.constData();
  }

 private:
  mutable QByteArray whatText_;
};
