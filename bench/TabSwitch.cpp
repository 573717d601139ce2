// Switching tabs in the main window: the new screen built, laid out and painted once into the
// window's backing store, as the event loop does, with the sample data and with a store of
// 10,000 tasks. Runs offscreen.
#include "app/shell/MainDashboardView.h"
#include "core/services/FocusTimerManager.h"
#include "core/model/SampleDataGenerator.h"
#include "core/store/DataStore.h"
#include "core/store/StorageFile.h"
#include "core/store/StorageSchema.h"

#include <QApplication>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Counts paint events, to tell that a switch really painted.
struct PaintCounter : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    count += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
};

struct Fixture {
  QTemporaryDir dir;
  std::unique_ptr<DataStore> store;
  std::unique_ptr<FocusTimerManager> timer;
  std::unique_ptr<MainDashboardView> frame;
  PaintCounter paints;

  explicit Fixture(int extraTasks) {
    // The sample data a first start gives, plus as many tasks again as asked.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const SampleData sample = SampleDataGenerator::generate(now, Calendar::current());
    DashboardStorageContainer container;
    container.tasks = sample.tasks;
    container.bills = sample.bills;
    container.waitingItems = sample.waitingItems;
    container.manualEvents = sample.events;
    for (int i = 0; i < extraTasks; ++i) {
      TaskItem task;
      task.id = QUuid::createUuid();
      task.title = QStringLiteral("Task number %1").arg(i);
      task.category = QStringLiteral("Work %1").arg(i % 7);
      task.priority = TaskPriority(i % 4);
      task.dueDate = now.addSecs(3600 * (i % 300 - 100));
      task.isCompleted = i % 5 == 0;
      task.createdAt = task.updatedAt = now;
      container.tasks.append(task);
    }
    StorageFile::makePrivateFolder(dir.path());
    StorageFile::writeAtomically(dir.filePath(QStringLiteral("dashboard.json")),
                                 QJsonDocument(container.toJson()).toJson(QJsonDocument::Compact));
    store = std::make_unique<DataStore>(dir.path(), nullptr, nullptr);
    AppSettings settings = store->settings();
    settings.hasCompletedOnboarding = true;
    store->setSettings(settings);
    timer = std::make_unique<FocusTimerManager>(25, 5, 15, 4);
    ScreenEnvironment env;
    env.store = store.get();
    env.focusTimer = timer.get();
    frame = std::make_unique<MainDashboardView>(env, [] {});
    frame->resize(880, 580);
    frame->show();
    QApplication::processEvents();
    QApplication::instance()->installEventFilter(&paints);
  }

  // Returns whether the new screen was painted.
  bool switchTo(DashboardTab tab) {
    paints.count = 0;
    frame->setActiveTab(tab);
    // Layout requests, the old screen's deletion and the window's update request, which
    // paints the changed area into the backing store.
    QApplication::sendPostedEvents();
    return paints.count > 0;
  }
};

void switchEveryTab(benchmark::State& state) {
  Fixture fixture(static_cast<int>(state.range(0)));
  const DashboardTab tab = dashboard_tab::allCases[static_cast<size_t>(state.range(1))];
  const DashboardTab away = tab == DashboardTab::insights ? DashboardTab::shortcuts
                                                           : DashboardTab::insights;
  for (auto _ : state) {
    state.PauseTiming();
    fixture.switchTo(away);
    state.ResumeTiming();
    if (!fixture.switchTo(tab)) {
      state.SkipWithError("the new screen was not painted");
      return;
    }
  }
  state.SetLabel(dashboard_tab::rawValue(tab).toStdString());
}

void tabArguments(benchmark::internal::Benchmark* bench) {
  for (int tasks : {0, 10000}) {
    for (int tab = 0; tab < static_cast<int>(dashboard_tab::allCases.size()); ++tab) {
      bench->Args({tasks, tab});
    }
  }
}

}  // namespace

BENCHMARK(switchEveryTab)->Apply(tabArguments)->Unit(benchmark::kMillisecond)->MinTime(0.2);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
