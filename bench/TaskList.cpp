// The Tasks screen over 10,000 tasks, offscreen: one typed search letter (refilter, relayout
// and repaint of the visible rows), and one task completed and reopened through the store
// (the row moves; the list is not rebuilt). The store's own save is timed apart, since every
// store operation writes the whole file before it returns.
#include "app/screens/ScreenEnvironment.h"
#include "app/screens/tasks/TaskListModel.h"
#include "app/screens/tasks/TasksView.h"
#include "core/store/DataStore.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kTasks = 10000;

QDateTime now() { return QDateTime(QDate(2026, 3, 10), QTime(9, 30), QTimeZone::utc()); }

struct Screen {
  QTemporaryDir dir;
  std::unique_ptr<DataStore> store;
  std::unique_ptr<TasksView> view;
  int resets = 0;
  int moves = 0;

  Screen() {
    DashboardStorageContainer data;
    for (int i = 0; i < kTasks; ++i) {
      TaskItem t;
      t.id = QUuid::createUuid();
      t.title = QStringLiteral("Task %1 for the week").arg(i);
      t.notes = i % 3 == 0 ? QStringLiteral("Some notes about task %1").arg(i) : QString();
      t.category = QStringLiteral("Area %1").arg(i % 7);
      t.priority = TaskPriority(i % 4);
      t.dueDate = now().addSecs(3600 * (i % 200) - 7200);
      t.isCompleted = i % 5 == 0;
      t.createdAt = t.updatedAt = now();
      data.tasks.append(t);
    }
    QFile file(dir.filePath(QStringLiteral("dashboard.json")));
    file.open(QIODevice::WriteOnly);
    file.write(QJsonDocument(data.toJson()).toJson(QJsonDocument::Compact));
    file.close();
    const Calendar calendar(QTimeZone(QByteArrayLiteral("Europe/Berlin")));
    store = std::make_unique<DataStore>(dir.path(), nullptr, nullptr, [] { return now(); }, calendar);
    ScreenEnvironment env;
    env.store = store.get();
    env.clock = [] { return now(); };
    env.calendar = calendar;
    view = std::make_unique<TasksView>(env);
    view->resize(900, 700);
    view->show();
    view->setFilter(TaskFilter::all);
    QApplication::processEvents();
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, [this] { ++resets; });
    QObject::connect(view->model(), &QAbstractItemModel::rowsMoved, [this] { ++moves; });
  }

  // What one event-loop turn after a change does: lay the rows out and paint what shows.
  void settle() {
    view->listView()->doItemsLayout();
    view->listView()->viewport()->repaint();
  }
};

// Made in main, gone before the application.
Screen* theScreen = nullptr;

Screen& screen() { return *theScreen; }

// Typing one letter into an empty search field, then deleting it again: both refilter all
// 10,000 tasks. "7" keeps about a third of them, "k" keeps all.
void BM_TypeOneSearchLetter(benchmark::State& state) {
  Screen& s = screen();
  const QString letter = state.range(0) == 0 ? QStringLiteral("7") : QStringLiteral("k");
  QLineEdit* search = s.view->searchField();
  qsizetype shown = 0;
  bool typed = false;
  for (auto _ : state) {
    typed = !typed;
    search->setText(typed ? letter : QString());
    s.settle();
    if (typed) {
      shown = s.view->model()->rowCount();
    }
  }
  search->clear();
  s.settle();
  state.SetLabel(QStringLiteral("search \"%1\"").arg(letter).toStdString());
  state.counters["rows shown after the letter"] = double(shown);
}
BENCHMARK(BM_TypeOneSearchLetter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Completing and reopening one task through the store: its row moves, nothing is reset.
void BM_ToggleOneTask(benchmark::State& state) {
  Screen& s = screen();
  s.settle();
  QUuid id;
  for (const TaskItem& t : s.store->tasks()) {
    if (!t.isCompleted && t.recurrence.isNone()) {
      id = t.id;
      break;
    }
  }
  s.resets = 0;
  s.moves = 0;
  for (auto _ : state) {
    s.store->toggleTaskCompletion(id, now());
    s.settle();
  }
  state.counters["model resets"] = double(s.resets);
  state.counters["row moves"] = double(s.moves);
}
BENCHMARK(BM_ToggleOneTask)->Unit(benchmark::kMillisecond);

// The part of a toggle that is the store writing 10,000 tasks, for comparison.
void BM_StoreSaveAlone(benchmark::State& state) {
  Screen& s = screen();
  for (auto _ : state) {
    s.store->save();
  }
}
BENCHMARK(BM_StoreSaveAlone)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  auto made = std::make_unique<Screen>();
  theScreen = made.get();
  benchmark::RunSpecifiedBenchmarks();
  made.reset();
  benchmark::Shutdown();
  return 0;
}
