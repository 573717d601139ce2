#pragma once

#include <QCoroTask>

#include <exception>
#include <optional>

// testsupport::runTask never returns when the coroutine throws (QCoro's waitFor drops the
// exception), so calls that may throw are run through this wrapper: the result or the error.
template <typename T>
struct TaskOutcome {
  std::optional<T> value;
  std::exception_ptr error;
};

template <typename T>
QCoro::Task<TaskOutcome<T>> outcomeOf(QCoro::Task<T> task) {
  TaskOutcome<T> outcome;
  try {
    outcome.value = co_await std::move(task);
  } catch (...) {
    outcome.error = std::current_exception();
  }
  co_return outcome;
}
