#pragma once

#include "common/QtPrinters.h"

#include <QCoroTask>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <chrono>
#include <optional>
#include <type_traits>

namespace testsupport {

// How long a test waits for what it expects, in ms: a wait ends as soon as its condition holds,
// so only a failure takes this long, and a loaded two-core machine can take seconds.
inline constexpr int kPatienceMs = 30000;

// Runs the event loop until every timer due within `span` from now has fired, however slow the
// machine (a timer started now for `span` comes after them): for checking that something
// did not happen.
bool runTimersDueWithin(std::chrono::milliseconds span);

// Folder of fixture files (tests/data).
QString dataPath(const QString& relative);

// Runs a coroutine to completion on the event loop; a hang fails the test
// after `timeout` instead of stalling CI.
template <typename T>
T runTask(QCoro::Task<T>&& task, std::chrono::milliseconds timeout = std::chrono::seconds(30));
void runTask(QCoro::Task<>&& task, std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Fixed instants for date rules.
QDateTime utc(int y, int m, int d, int h = 0, int min = 0, int s = 0);

// One text field of every record, in order: texts(store.tasks(), &TaskItem::title).
template <typename List, typename Record>
QStringList texts(const List& records, QString Record::*field) {
  QStringList out;
  for (const auto& record : records) {
    out << record.*field;
  }
  return out;
}

// The first record whose field equals `value`: findBy(store.tasks(), &TaskItem::id, id).
template <typename List, typename Record, typename Field>
std::optional<Record> findBy(const List& records, Field Record::*field,
                             const std::type_identity_t<Field>& value) {
  for (const auto& record : records) {
    if (record.*field == value) {
      return record;
    }
  }
  return std::nullopt;
}

}  // namespace testsupport

#include "common/TestSupport.inl"
