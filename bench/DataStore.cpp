// A large store: one mutating operation with its save, the same bytes written with a plain
// QSaveFile, and a cold load. Prints the file size and the save-to-write ratio.
#include "core/store/DataStore.h"
#include "core/model/JsonCoding.h"
#include "core/store/StorageFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QDateTime base() { return QDateTime(QDate(2026, 3, 10), QTime(9, 0), QTimeZone::utc()); }

DashboardStorageContainer largeContainer() {
  DashboardStorageContainer c;
  const QDateTime t0 = base();
  for (int i = 0; i < 10000; ++i) {
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
  return c;
}

struct Fixture {
  QTemporaryDir dir;
  QString folder;
  QByteArray bytes;

  Fixture() : folder(dir.filePath(QStringLiteral("Pelmora"))) {
    StorageFile::makePrivateFolder(folder);
    bytes = QJsonDocument(largeContainer().toJson()).toJson(QJsonDocument::Compact);
    StorageFile::writeAtomically(folder + QStringLiteral("/dashboard.json"), bytes);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

double saveMs = 0;
double plainWriteMs = 0;
double firstSaveMs = 0;
double loadMs = 0;

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// The save and the plain write alternate, so both see the same disk and the same load.
void BM_MutatingOperationWithSaveVersusPlainWrite(benchmark::State& state) {
  Fixture& f = fixture();
  DataStore store(f.folder, nullptr, nullptr);
  const QUuid id = store.tasks().at(1).id;  // not repeating: toggling adds nothing
  const QString plainPath = f.folder + QStringLiteral("/plain.json");
  auto start = std::chrono::steady_clock::now();
  store.toggleTaskCompletion(id, base());  // encodes every record once
  firstSaveMs = msSince(start);
  double save = 0;
  double plain = 0;
  for (auto _ : state) {
    start = std::chrono::steady_clock::now();
    store.toggleTaskCompletion(id, base());
    save += msSince(start);

    start = std::chrono::steady_clock::now();
    QSaveFile file(plainPath);
    file.open(QIODevice::WriteOnly);
    file.write(f.bytes);
    file.commit();
    plain += msSince(start);
  }
  if (store.saveError()) {
    state.SkipWithError(qPrintable(*store.saveError()));
  }
  saveMs = save / double(state.iterations());
  plainWriteMs = plain / double(state.iterations());
  state.counters["save_ms"] = saveMs;
  state.counters["plain_ms"] = plainWriteMs;
  state.counters["ratio"] = saveMs / plainWriteMs;
}

void BM_ColdLoad(benchmark::State& state) {
  Fixture& f = fixture();
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    DataStore store(f.folder, nullptr, nullptr);
    benchmark::DoNotOptimize(store.tasks().size());
    total += msSince(start);
  }
  loadMs = total / double(state.iterations());
}

BENCHMARK(BM_MutatingOperationWithSaveVersusPlainWrite)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);
BENCHMARK(BM_ColdLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The same large store in a folder of one's choice, for measuring the app's start with it.
  if (argc == 3 && std::strcmp(argv[1], "--write-large-store") == 0) {
    const QString folder = QString::fromLocal8Bit(argv[2]);
    StorageFile::makePrivateFolder(folder);
    StorageFile::writeAtomically(
        folder + QStringLiteral("/dashboard.json"),
        QJsonDocument(largeContainer().toJson()).toJson(QJsonDocument::Compact));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::printf("\ndatabase file: %.2f MB (%lld bytes)\n", double(fixture().bytes.size()) / 1e6,
              static_cast<long long>(fixture().bytes.size()));
  std::printf("first save after loading (encodes every record): %.1f ms\n", firstSaveMs);
  std::printf("mutating operation with save: %.1f ms\n", saveMs);
  std::printf("plain QSaveFile write of the same bytes: %.1f ms\n", plainWriteMs);
  if (plainWriteMs > 0) {
    std::printf("ratio: %.2fx (target <= 3x)\n", saveMs / plainWriteMs);
  }
  std::printf("cold load: %.1f ms (target < 150 ms)\n", loadMs);
  benchmark::Shutdown();
  return 0;
}
