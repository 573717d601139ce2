// Reminders waiting in the notification centre: scheduling a launch's worth of them, the
// sweep that looks for due ones, and adding or removing one while the rest wait.
#include "core/platform/UserNotificationCenter.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QDateTime kNow(QDate(2026, 3, 10), QTime(9, 0), QTimeZone::utc());

NotificationRequest reminder(int i) {
  NotificationRequest r;
  r.identifier = QStringLiteral("task-%1").arg(i);
  r.title = QStringLiteral("Task Due: Task number %1").arg(i);
  r.body = QStringLiteral("This task is due now.");
  // Spread over a year, in no particular order.
  r.fireDate = kNow.addSecs(60 + (qint64(i) * 7919) % (365 * 24 * 3600));
  return r;
}

// No bus: requests that wait never reach one.
std::unique_ptr<UserNotificationCenter> makeCenter() {
  return std::make_unique<UserNotificationCenter>(QDBusConnection(QStringLiteral("no-bus")),
                                                  UserNotificationCenter::defaultServiceName(),
                                                  [] { return kNow; });
}

std::unique_ptr<UserNotificationCenter> filledCenter(int count) {
  auto center = makeCenter();
  for (int i = 0; i < count; ++i) {
    center->add(reminder(i));
  }
  return center;
}

void BM_ScheduleAll(benchmark::State& state) {
  const int count = int(state.range(0));
  QList<NotificationRequest> requests;
  for (int i = 0; i < count; ++i) {
    requests.append(reminder(i));
  }
  for (auto _ : state) {
    auto center = makeCenter();
    for (const NotificationRequest& r : std::as_const(requests)) {
      center->add(r);
    }
    benchmark::DoNotOptimize(center.get());
    state.PauseTiming();
    center.reset();
    state.ResumeTiming();
  }
}

void BM_Sweep(benchmark::State& state) {
  auto center = filledCenter(int(state.range(0)));
  for (auto _ : state) {
    center->deliverDueRequests();
  }
}

void BM_AddAndRemoveOne(benchmark::State& state) {
  const int count = int(state.range(0));
  auto center = filledCenter(count);
  const NotificationRequest extra = reminder(count);
  const QStringList extraID{extra.identifier};
  for (auto _ : state) {
    center->add(extra);
    center->removePendingRequests(extraID);
  }
}

BENCHMARK(BM_ScheduleAll)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Sweep)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_AddAndRemoveOne)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
