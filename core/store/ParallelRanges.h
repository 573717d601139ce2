#pragma once

#include <QThread>
#include <QtGlobal>

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

// Runs body(begin, end) over [0, count) cut into contiguous ranges of at least `minPerRange`
// items, one per thread, the calling thread taking the first. Returns when all are done and
// rethrows the exception of the earliest range that failed. The body must only read shared
// state and write to its own items.
template <typename Body>
void forEachRangeInParallel(qsizetype count, qsizetype minPerRange, Body body) {
  const qsizetype ranges = std::clamp<qsizetype>(count / std::max<qsizetype>(minPerRange, 1), 1,
                                                 std::max(1, QThread::idealThreadCount()));
  if (ranges == 1) {
    body(qsizetype(0), count);
    return;
  }
  std::vector<std::exception_ptr> failures(static_cast<size_t>(ranges));
  auto run = [&](qsizetype range) {
    try {
      body(count * range / ranges, count * (range + 1) / ranges);
    } catch (...) {
      failures[static_cast<size_t>(range)] = std::current_exception();
    }
  };
  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(ranges - 1));
  for (qsizetype range = 1; range < ranges; ++range) {
    workers.emplace_back(run, range);
  }
  run(0);
  for (std::thread& worker : workers) {
    worker.join();
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) {
      std::rethrow_exception(failure);
    }
  }
}
