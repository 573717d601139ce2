#pragma once

#include "common/QtPrinters.h"

#include <QCoroTask>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <chrono>

namespace testsupport {

// Folder of fixture files (tests/data).
QString dataPath(const QString& relative);

// Runs a coroutine to completion on the event loop; a hang fails the test
// after `timeout` instead of stalling CI.
template <typename T>
T runTask(QCoro::Task<T>&& task, std::chrono::milliseconds timeout = std::chrono::seconds(30));
void runTask(QCoro::Task<>&& task, std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Fixed instants for date rules.
QDateTime utc(int y, int m, int d, int h = 0, int min = 0, int s = 0);

}  // namespace testsupport

#include "common/TestSupport.inl"
