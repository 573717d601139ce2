#pragma once

#include <QCoroTask>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <exception>
#include <optional>

namespace testsupport {

[[noreturn]] void failHungTask(std::chrono::milliseconds timeout);

namespace detail {

// QCoro::waitFor never returns when the awaited task throws, so the exception is caught
// inside the loop and thrown again outside it.
template <typename T>
QCoro::Task<std::optional<T>> capture(QCoro::Task<T> task, std::exception_ptr& error) {
  try {
    co_return std::optional<T>(co_await std::move(task));
  } catch (...) {
    error = std::current_exception();
    co_return std::nullopt;
  }
}

inline QCoro::Task<bool> capture(QCoro::Task<> task, std::exception_ptr& error) {
  try {
    co_await std::move(task);
  } catch (...) {
    error = std::current_exception();
  }
  co_return true;
}

}  // namespace detail

template <typename T>
T runTask(QCoro::Task<T>&& task, std::chrono::milliseconds timeout) {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [timeout] { failHungTask(timeout); });
  watchdog.start(timeout);
  std::exception_ptr error;
  std::optional<T> result = QCoro::waitFor(detail::capture(std::move(task), error));
  if (error) {
    std::rethrow_exception(error);
  }
  return std::move(*result);
}

inline void runTask(QCoro::Task<>&& task, std::chrono::milliseconds timeout) {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [timeout] { failHungTask(timeout); });
  watchdog.start(timeout);
  std::exception_ptr error;
  QCoro::waitFor(detail::capture(std::move(task), error));
  if (error) {
    std::rethrow_exception(error);
  }
}

}  // namespace testsupport
