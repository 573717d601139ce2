// A large store at two sizes: the first save after loading, a later save, and a raw QSaveFile
// write of the same bytes; a cold load; the resident memory of a fresh process that holds the
// store, its peak during the load, after loading and after edits, alone and with the app's
// main window; the app's own start to its first painted main window; and what a redraw asks
// of the store (the next event, the day's figures) and one e-mail sync pass over it.
#include "app/shell/AppDelegate.h"
#include "app/shell/WindowManager.h"
#include "core/email/EmailSyncCoordinator.h"
#include "core/email/MockGmailService.h"
#include "core/services/MockNotificationService.h"
#include "core/store/DataStore.h"
#include "core/model/JsonCoding.h"
#include "core/store/StorageFile.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMainWindow>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>

#include <QCoroTask>

#include <benchmark/benchmark.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

QDateTime base() { return QDateTime(QDate(2026, 3, 10), QTime(9, 0), QTimeZone::utc()); }

DashboardStorageContainer largeContainer(int taskCount) {
  DashboardStorageContainer c;
  const QDateTime t0 = base();
  for (int i = 0; i < taskCount; ++i) {
    c.tasks.append(TaskItem(QUuid::createUuid(), QStringLiteral("Task number %1").arg(i),
                            QStringLiteral("Some notes about task %1").arg(i),
                            t0.addSecs(3600 * (i % 500)), TaskPriority(i % 4),
                            QStringLiteral("Work"), i % 3 == 0,
                            i % 3 == 0 ? std::optional(t0) : std::nullopt,
                            i % 10 == 0 ? RecurrenceRule::weekly() : RecurrenceRule::none(), t0, t0,
                            false, std::nullopt));
  }
  for (int i = 0; i < 1000; ++i) {
    BillItem b;
    b.id = QUuid::createUuid();
    b.name = QStringLiteral("Bill %1").arg(i);
    b.amount = 10.5 + i;
    b.dueDate = t0.addDays(i % 60);
    b.recurrence = RecurrenceRule::monthly();
    b.createdAt = t0;
    c.bills.append(b);
  }
  for (int i = 0; i < 1000; ++i) {
    WaitingForItem w;
    w.id = QUuid::createUuid();
    w.title = QStringLiteral("Waiting %1").arg(i);
    w.personOrOrg = QStringLiteral("Person %1").arg(i);
    w.createdAt = t0;
    w.nextFollowUpDate = t0.addDays(i % 14);
    c.waitingItems.append(w);
  }
  for (int i = 0; i < 2000; ++i) {
    CalendarEventItem e;
    e.id = jsoncoding::uuidText(QUuid::createUuid());
    e.title = QStringLiteral("Event %1").arg(i);
    e.startDate = t0.addSecs(1800 * i);
    e.endDate = e.startDate.addSecs(3600);
    e.location = QStringLiteral("Room %1").arg(i % 20);
    e.calendarName = QStringLiteral("Work");
    e.calendarColorHex = QStringLiteral("#336699");
    c.manualEvents.append(e);
  }
  for (int i = 0; i < 5000; ++i) {
    EmailExtractedSuggestion s;
    s.id = QUuid::createUuid();
    s.sourceMessageID = QStringLiteral("18c%1").arg(i, 13, 16, QLatin1Char('0'));
    s.sender = QStringLiteral("Sender %1 <sender%1@example.com>").arg(i);
    s.subject = QStringLiteral("Invoice %1 is ready").arg(i);
    s.receivedDate = t0;
    s.category = EmailExtractedCategory(i % 5);
    s.title = QStringLiteral("Pay invoice %1").arg(i);
    s.notes = QStringLiteral("Detected in the message body.");
    s.confidence = 0.9;
    s.evidenceSnippet = QStringLiteral("Your invoice of 42.00 EUR is due on 20 March.");
    s.amount = 42.0;
    s.currency = QStringLiteral("EUR");
    s.dueDate = t0.addDays(10);
    s.createdAt = t0;
    c.emailSuggestions.append(s);
    c.processedEmailMessageIDs.insert(s.sourceMessageID);
  }
  c.emailSyncState.pendingCount = int(c.emailSuggestions.size());  // as the store keeps it
  return c;
}

struct Fixture {
  QTemporaryDir dir;
  QString folder;
  QByteArray bytes;

  explicit Fixture(int taskCount) : folder(dir.filePath(QStringLiteral("Pelmora"))) {
    StorageFile::makePrivateFolder(folder);
    bytes = DatabaseEncoder().encode(largeContainer(taskCount));  // as the app writes it
    StorageFile::writeAtomically(folder + QStringLiteral("/dashboard.json"), bytes);
  }
};

Fixture& fixture(int taskCount) {
  static std::map<int, std::unique_ptr<Fixture>> fixtures;
  auto& f = fixtures[taskCount];
  if (!f) {
    f = std::make_unique<Fixture>(taskCount);
  }
  return *f;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Not repeating, so toggling it adds no record.
QUuid plainTask(const DataStore& store) { return store.tasks().at(1).id; }

// The first edit after launch, once the window has been up for a moment.
void BM_FirstSave(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  for (auto _ : state) {
    DataStore store(f.folder, nullptr, nullptr);
    std::this_thread::sleep_for(2s);
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    store.toggleTaskCompletion(plainTask(store), base());
    state.SetIterationTime(secondsSince(start));
    state.counters["cpu_ms"] = double(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC;
  }
}

// The same edit straight after the load returns.
void BM_FirstSaveAtOnce(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  for (auto _ : state) {
    DataStore store(f.folder, nullptr, nullptr);
    const auto start = std::chrono::steady_clock::now();
    store.toggleTaskCompletion(plainTask(store), base());
    state.SetIterationTime(secondsSince(start));
  }
}

void BM_LaterSave(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  DataStore store(f.folder, nullptr, nullptr);
  const QUuid id = plainTask(store);
  store.toggleTaskCompletion(id, base());
  for (auto _ : state) {
    store.toggleTaskCompletion(id, base());
  }
  if (store.saveError()) {
    state.SkipWithError(qPrintable(*store.saveError()));
  }
}

void BM_RawWrite(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  const QString path = f.folder + QStringLiteral("/plain.json");
  for (auto _ : state) {
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(f.bytes);
    file.commit();
  }
  state.counters["file_MB"] = double(f.bytes.size()) / 1e6;
}

void BM_ColdLoad(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  for (auto _ : state) {
    auto store = std::make_unique<DataStore>(f.folder, nullptr, nullptr);
    benchmark::DoNotOptimize(store->tasks().size());
    state.PauseTiming();
    store.reset();  // waits for the encoder's warm-up, which is not part of the load
    state.ResumeTiming();
  }
}

double residentMB() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) {
    return 0;
  }
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? double(fields.at(1).toLongLong()) * 4096 / 1e6 : 0;
}

// The peak resident size since the last resetPeakResident().
double peakResidentMB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) {
    return 0;
  }
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) {
      return line.mid(6).trimmed().split(' ').first().toDouble() / 1000;
    }
  }
  return 0;
}

void resetPeakResident() {
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  if (clear.open(QIODevice::WriteOnly)) {
    clear.write("5");
  }
}

double heapInUseMB() {
#ifdef __GLIBC__
  const struct mallinfo2 info = mallinfo2();
  return double(info.uordblks + info.hblkhd) / 1e6;
#else
  return 0;
#endif
}

constexpr int kEdits = 45;

// Toggles and title edits, one save each.
void editTasks(DataStore& store) {
  const QUuid id = plainTask(store);
  for (int i = 0; i < kEdits; ++i) {
    if (i % 2 == 0) {
      store.toggleTaskCompletion(id, base());
    } else {
      TaskItem task = store.tasks().at((2 + i) % store.tasks().size());
      task.title += QStringLiteral(" (edited)");
      store.updateTask(task);
    }
    QCoreApplication::processEvents();  // the screens follow each change
  }
}

void runEventsFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

// Child process: prints "<before> <after load> <after edits> <heap after load> <heap after
// edits> <peak during the load>" in MB.
int measureResident(const QString& folder) {
  const double before = residentMB();
  const double heapBefore = heapInUseMB();
  resetPeakResident();
  DataStore store(folder, nullptr, nullptr);
  // Whatever the store still does after its constructor (a warm-up) belongs to the load.
  runEventsFor(3000);
  const double peak = peakResidentMB();
  const double loaded = residentMB();
  const double heapLoaded = heapInUseMB() - heapBefore;
  editTasks(store);
  // Freed memory goes back once the edits have stopped for a moment.
  runEventsFor(3000);
  const double edited = residentMB();
  std::printf("%.1f %.1f %.1f %.1f %.1f %.1f\n", before, loaded, edited, heapLoaded,
              heapInUseMB() - heapBefore, peak);
  return store.saveError() ? 1 : 0;
}

qint64 monotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Notes the first paint of the main window.
class FirstPaint : public QObject {
 public:
  qint64 at = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (at == 0 && event->type() == QEvent::Paint && watched->isWidgetType() &&
        qobject_cast<QMainWindow*>(static_cast<QWidget*>(watched)->window())) {
      at = monotonicNanoseconds();
    }
    return false;
  }
};

// Child process started as the app is: prints "<ms from exec to the main window's first
// paint> <resident MB then> <peak resident MB>". `startedAt` is the parent's clock just
// before it started this process.
int measureStartUp(const QString& folder, qint64 startedAt, QApplication& app) {
  FirstPaint firstPaint;
  app.installEventFilter(&firstPaint);
  AppDelegate delegate(AppDelegate::Options{folder, {}, {}});
  QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
  QEventLoop loop;
  QTimer poll;
  poll.start(1);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (firstPaint.at != 0) {
      loop.quit();
    }
  });
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  loop.exec();
  app.removeEventFilter(&firstPaint);
  if (firstPaint.at == 0) {
    return 1;
  }
  std::printf("%.1f %.1f %.1f\n", double(firstPaint.at - startedAt) / 1e6, residentMB(),
              peakResidentMB());
  std::fflush(stdout);
  std::_Exit(0);  // the time to tear down is not part of the start
}

// Child process started as the app is, with its main window on the store in `folder`: prints
// "<after load> <after edits>" in MB.
int measureWindowResident(const QString& folder) {
  AppDelegate delegate(AppDelegate::Options{folder, {}, {}});
  QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
  runEventsFor(5000);
  const double loaded = residentMB();
  editTasks(*delegate.store());
  runEventsFor(3000);
  std::printf("%.1f %.1f\n", loaded, residentMB());
  return delegate.store()->saveError() ? 1 : 0;
}

QList<double> childFigures(const QString& option, const QString& folder) {
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("PELMORA_BENCH_STARTED_AT"),
                     QString::number(monotonicNanoseconds()));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  // Whatever the window writes besides the store stays next to it.
  for (const char* home : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
    environment.insert(QLatin1String(home), folder + QStringLiteral("/home"));
  }
  child.setProcessEnvironment(environment);
  child.start(QCoreApplication::applicationFilePath(), {option + folder});
  QList<double> mb;
  if (!child.waitForFinished(120000) || child.exitCode() != 0) {
    return mb;
  }
  for (const QByteArray& field : child.readAllStandardOutput().trimmed().split(' ')) {
    mb.append(field.toDouble());
  }
  return mb;
}

// The app's main window with the large store, and with the sample data of a first start.
void BM_WindowResidentMemory(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  QTemporaryDir empty;
  const QByteArray onboarded = QByteArrayLiteral("{\"hasCompletedOnboarding\": true}");
  for (const QString& folder : {f.folder, empty.path()}) {
    StorageFile::writeAtomically(folder + QStringLiteral("/settings.json"), onboarded);
  }
  QList<double> withStore;
  QList<double> withoutStore;
  for (auto _ : state) {
    withStore = childFigures(QStringLiteral("--window-resident-of="), f.folder);
    withoutStore = childFigures(QStringLiteral("--window-resident-of="), empty.path());
  }
  if (withStore.size() != 2 || withoutStore.size() != 2) {
    state.SkipWithError("the measuring process failed");
    return;
  }
  state.counters["loaded_MB"] = withStore[0];
  state.counters["edited_MB"] = withStore[1];
  state.counters["sample_loaded_MB"] = withoutStore[0];
  state.counters["sample_edited_MB"] = withoutStore[1];
}

// Resident memory of a fresh process holding the store: counters in MB, the process's own
// baseline and what the store adds to it.
void BM_ResidentMemory(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  QList<double> mb;
  for (auto _ : state) {
    mb = childFigures(QStringLiteral("--resident-of="), f.folder);
  }
  if (mb.size() != 6) {
    state.SkipWithError("the measuring process failed");
  } else {
    const double fileMB = double(f.bytes.size()) / 1e6;
    state.counters["file_MB"] = fileMB;
    state.counters["load_peak_MB"] = mb[5] - mb[0];
    // What a load holds at its peak beside what was there before, against the file; and
    // what it holds at its peak beyond what the loaded store keeps.
    state.counters["load_peak_per_file"] = (mb[5] - mb[0]) / fileMB;
    state.counters["load_transient_per_file"] = (mb[5] - mb[1]) / fileMB;
    state.counters["edited_per_loaded"] = mb[2] / mb[1];
    state.counters["baseline_MB"] = mb[0];
    state.counters["loaded_MB"] = mb[1];
    state.counters["edited_MB"] = mb[2];
    state.counters["store_loaded_MB"] = mb[1] - mb[0];
    state.counters["store_edited_MB"] = mb[2] - mb[0];
    state.counters["heap_loaded_MB"] = mb[3];
    state.counters["heap_edited_MB"] = mb[4];
  }
}

// What each redraw of Today, the popup and the widget asks: the next event, and the day's
// figures. The clock stands an hour into the events' span.
DataStore::Clock duringTheEvents() {
  return [] { return base().addSecs(3600); };
}

void BM_NextEvent(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  DataStore store(f.folder, nullptr, nullptr, duringTheEvents());
  for (auto _ : state) {
    benchmark::DoNotOptimize(store.nextEvent());
  }
}

void BM_TodayMetrics(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  DataStore store(f.folder, nullptr, nullptr, duringTheEvents());
  const Calendar calendar = Calendar::current();
  const QDateTime now = base().addSecs(3600);
  for (auto _ : state) {
    benchmark::DoNotOptimize(store.todayMetrics(now, calendar));
  }
}

// One suggestion per message.
class OneEachProvider : public EmailIntelligenceProvider {
 public:
  QCoro::Task<QList<EmailExtractedSuggestion>> extractActionableItems(
      EmailMessageContext from) override {
    EmailExtractedSuggestion s;
    s.id = QUuid::createUuid();
    s.sourceMessageID = from.id;
    s.subject = from.subject;
    s.receivedDate = from.date;
    s.title = QStringLiteral("Reply to ") + from.subject;
    s.createdAt = from.date;
    co_return QList{s};
  }
};

// One sync pass that finds fifteen new messages: how often it writes the database, how many
// bytes that is, and how long the pass takes.
void BM_SyncPass(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  QTemporaryDir copy;
  QFile::copy(f.folder + QStringLiteral("/dashboard.json"), copy.filePath("dashboard.json"));
  DataStore store(copy.path(), nullptr, nullptr, duringTheEvents());
  AppSettings settings = store.settings();
  settings.isEmailAssistantEnabled = true;
  store.setSettings(settings);
  MockGmailService gmail(true, QStringLiteral("me@example.com"), {});
  MockNotificationService alerts;
  Workspace workspace;
  EmailSyncCoordinator coordinator(&store, gmail, std::make_shared<OneEachProvider>(), alerts,
                                   workspace, duringTheEvents());
  int saves = 0;
  QObject::connect(&store, &DataStore::databaseSaved, [&saves] { ++saves; });
  int pass = 0;
  for (auto _ : state) {
    state.PauseTiming();
    gmail.stubbedMessages.clear();
    for (int i = 0; i < EmailSyncCoordinator::fetchLimit; ++i) {
      const QString id = QStringLiteral("pass%1-message%2").arg(pass).arg(i);
      gmail.stubbedMessages.append(EmailMessageContext(id, id, QStringLiteral("a@example.com"),
                                                       id, base(), QString(), QString()));
    }
    ++pass;
    store.setLastEmailSyncAt(std::nullopt);
    state.ResumeTiming();
    QCoro::waitFor(coordinator.triggerSync());
  }
  const double passes = double(state.iterations());
  state.counters["saves_per_pass"] = saves / passes;
  state.counters["MB_written_per_pass"] =
      saves / passes * double(QFileInfo(copy.filePath("dashboard.json")).size()) * 2 / 1e6;
}

// The app's own start with the large store, to its first painted main window: the median of
// a few fresh processes.
void BM_StartUp(benchmark::State& state) {
  Fixture& f = fixture(int(state.range(0)));
  StorageFile::writeAtomically(f.folder + QStringLiteral("/settings.json"),
                               QByteArrayLiteral("{\"hasCompletedOnboarding\": true}"));
  QList<double> ms;
  QList<double> residentAtPaint;
  QList<double> peak;
  for (auto _ : state) {
    // A copy each time: the start may save, and every start should find the same files.
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("Pelmora"));
    StorageFile::makePrivateFolder(folder);
    for (const char* name : {"dashboard.json", "settings.json"}) {
      QFile::copy(f.folder + QLatin1Char('/') + QLatin1String(name),
                  folder + QLatin1Char('/') + QLatin1String(name));
    }
    const QList<double> figures = childFigures(QStringLiteral("--start-up-of="), folder);
    if (figures.size() != 3) {
      state.SkipWithError("the measuring process failed");
      return;
    }
    ms.append(figures[0]);
    residentAtPaint.append(figures[1]);
    peak.append(figures[2]);
    state.SetIterationTime(figures[0] / 1000);
  }
  std::sort(ms.begin(), ms.end());
  std::sort(residentAtPaint.begin(), residentAtPaint.end());
  std::sort(peak.begin(), peak.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["resident_MB"] = residentAtPaint[residentAtPaint.size() / 2];
  state.counters["peak_MB"] = peak[peak.size() / 2];
}

constexpr int kSizes[] = {10000, 50000};

void sizes(benchmark::internal::Benchmark* b) {
  for (int size : kSizes) {
    b->Arg(size);
  }
}

BENCHMARK(BM_FirstSave)->Apply(sizes)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSaveAtOnce)
    ->Apply(sizes)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LaterSave)->Apply(sizes)->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawWrite)->Apply(sizes)->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdLoad)->Apply(sizes)->MinTime(2.0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextEvent)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TodayMetrics)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SyncPass)->Apply(sizes)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResidentMemory)->Apply(sizes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowResidentMemory)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUp)->Apply(sizes)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const QString startUpOf = QStringLiteral("--start-up-of=");
  if (argc == 2 && QString::fromLocal8Bit(argv[1]).startsWith(startUpOf)) {
    const qint64 startedAt = qEnvironmentVariable("PELMORA_BENCH_STARTED_AT").toLongLong();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmora"));
    QApplication::setQuitOnLastWindowClosed(false);
    return measureStartUp(QString::fromLocal8Bit(argv[1]).mid(startUpOf.size()), startedAt, app);
  }
  const QString windowResidentOf = QStringLiteral("--window-resident-of=");
  if (argc == 2 && QString::fromLocal8Bit(argv[1]).startsWith(windowResidentOf)) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmora"));
    QApplication::setQuitOnLastWindowClosed(false);
    return measureWindowResident(QString::fromLocal8Bit(argv[1]).mid(windowResidentOf.size()));
  }
  QCoreApplication app(argc, argv);
  // The same large store in a folder of one's choice, for measuring the app's start with it:
  // `--write-large-store FOLDER [TASKS]`, 10,000 tasks unless told.
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--write-large-store") == 0) {
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const int tasks = argc == 4 ? std::atoi(argv[3]) : 10000;
    StorageFile::makePrivateFolder(folder);
    StorageFile::writeAtomically(folder + QStringLiteral("/dashboard.json"),
                                 DatabaseEncoder().encode(largeContainer(tasks)));
    StorageFile::writeAtomically(folder + QStringLiteral("/settings.json"),
                                 QByteArrayLiteral("{\"hasCompletedOnboarding\": true}"));
    return 0;
  }
  const QString residentOf = QStringLiteral("--resident-of=");
  if (argc == 2 && QString::fromLocal8Bit(argv[1]).startsWith(residentOf)) {
    return measureResident(QString::fromLocal8Bit(argv[1]).mid(residentOf.size()));
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
