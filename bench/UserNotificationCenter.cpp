// Reminders waiting in the notification centre: scheduling a launch's worth of them, the
// sweep that looks for due ones, and adding or removing one while the rest wait; and what a
// store's launch hands the centre.
#include "core/platform/UserNotificationCenter.h"
#include "core/services/NotificationService.h"
#include "core/store/DataStore.h"
#include "core/store/StorageFile.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTemporaryDir>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <chrono>
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

// The real service, with the time spent in it added up.
class TimedService : public NotificationServiceProtocol {
 public:
  explicit TimedService(UserNotificationCenter* center) : inner_(center) {}

  QCoro::Task<bool> requestAuthorization() override { return inner_.requestAuthorization(); }
  void scheduleTaskReminder(const TaskItem& task) override {
    timed([&] { inner_.scheduleTaskReminder(task); });
  }
  void cancelTaskReminder(const QUuid& id) override {
    timed([&] { inner_.cancelTaskReminder(id); });
  }
  void scheduleBillReminder(const BillItem& bill) override {
    timed([&] { inner_.scheduleBillReminder(bill); });
  }
  void cancelBillReminder(const QUuid& id) override {
    timed([&] { inner_.cancelBillReminder(id); });
  }
  void scheduleTopUp(const QDateTime& at, std::function<void()> topUp) override {
    timed([&] { inner_.scheduleTopUp(at, std::move(topUp)); });
  }
  void removePending(const QStringList& identifiers) override {
    timed([&] { inner_.removePending(identifiers); });
  }
  QCoro::Task<> sendEmailActionableAlert(QString title, QString body, QString id) override {
    return inner_.sendEmailActionableAlert(title, body, id);
  }
  QCoro::Task<> sendFocusCompletedNotification(FocusSessionType type,
                                               std::optional<QString> title) override {
    return inner_.sendFocusCompletedNotification(type, title);
  }

  double seconds = 0;

 private:
  template <typename F>
  void timed(F call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  NotificationService inner_;
};

// A store of open and finished tasks due over the coming year and a thousand monthly bills,
// opened as at launch: the time spent handing reminders to the centre (the iteration time), the
// whole open, and how many requests then wait.
void BM_LaunchReminders(benchmark::State& state) {
  const int count = int(state.range(0));
  QTemporaryDir dir;
  DashboardStorageContainer stored;
  for (int i = 0; i < count; ++i) {
    TaskItem task;
    task.id = QUuid::createUuid();
    task.title = QStringLiteral("Task number %1").arg(i);
    task.dueDate = reminder(i).fireDate;
    task.isCompleted = i % 3 == 0;
    task.createdAt = task.updatedAt = kNow;
    stored.tasks.append(task);
  }
  for (int i = 0; i < 1000; ++i) {
    BillItem bill;
    bill.id = QUuid::createUuid();
    bill.name = QStringLiteral("Bill %1").arg(i);
    bill.dueDate = kNow.addDays(i % 365);
    bill.createdAt = kNow;
    stored.bills.append(bill);
  }
  StorageFile::writeAtomically(dir.filePath(QStringLiteral("dashboard.json")),
                               DatabaseEncoder().encode(stored));
  qsizetype pending = 0;
  double openSeconds = 0;
  for (auto _ : state) {
    auto center = makeCenter();
    TimedService service(center.get());
    const auto start = std::chrono::steady_clock::now();
    {
      DataStore store(dir.path(), &service, nullptr, [] { return kNow; });
      openSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.SetIterationTime(service.seconds);
    pending = center->pendingRequests().size();
  }
  state.counters["pending"] = double(pending);
  state.counters["open_ms"] = openSeconds * 1000 / double(state.iterations());
}

BENCHMARK(BM_LaunchReminders)
    ->Arg(10000)
    ->Arg(50000)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
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
