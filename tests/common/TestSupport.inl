#pragma once

#include <QCoroTask>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {

[[noreturn]] void failHungTask(std::chrono::milliseconds timeout);

template <typename T>
T runTask(QCoro::Task<T>&& task, std::chrono::milliseconds timeout) {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [timeout] { failHungTask(timeout); });
  watchdog.start(timeout);
  return QCoro::waitFor(std::move(task));
}

inline void runTask(QCoro::Task<>&& task, std::chrono::milliseconds timeout) {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [timeout] { failHungTask(timeout); });
  watchdog.start(timeout);
  QCoro::waitFor(std::move(task));
}

}  // namespace testsupport
