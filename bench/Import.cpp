// Importing a backup off the window's thread: the peak memory of reading and checking it against
// the file's size, for backups as the app writes them and for a quarter gigabyte of junk, and
// the time to the answer. Each import runs in a fresh child process, so its peak is its own.
#include "core/model/JsonCoding.h"
#include "core/store/ExportImportManager.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qint64 kJunkSize = 250LL * 1000 * 1000;

// A backup package of `taskCount` tasks and a bill for every tenth, as "Export Backup" writes it.
QByteArray backup(int taskCount) {
  DashboardStorageContainer c;
  const QDateTime at(QDate(2026, 3, 10), QTime(9, 0), QTimeZone::utc());
  for (int i = 0; i < taskCount; ++i) {
    c.tasks.append(TaskItem(QUuid::createUuid(), QStringLiteral("Call about order %1").arg(i),
                            QStringLiteral("Ask for the invoice and the delivery date of %1").arg(i),
                            at.addDays(i % 90), TaskPriority(i % 4), QStringLiteral("Home"),
                            i % 2 == 0, i % 2 == 0 ? std::optional(at) : std::nullopt,
                            RecurrenceRule::none(), at, at, false, std::nullopt));
    if (i % 10 == 0) {
      BillItem bill;
      bill.id = QUuid::createUuid();
      bill.name = QStringLiteral("Invoice %1").arg(i);
      bill.amount = 19.99;
      bill.dueDate = at.addDays(i % 30);
      bill.createdAt = at;
      c.bills.append(bill);
    }
  }
  QJsonObject package;
  package.insert(QLatin1String("version"), ExportImportManager::backupFormatVersion);
  package.insert(QLatin1String("exportDate"), jsoncoding::dateText(at));
  package.insert(QLatin1String("container"), c.toJson());
  return QJsonDocument(package).toJson(QJsonDocument::Indented);
}

// `head`, then "0," up to the size, then `tail`: valid JSON that is no backup.
void writeJunk(const QString& path, const QByteArray& head, const QByteArray& tail) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(head);
  const QByteArray chunk = QByteArray("0,").repeated(1 << 19);
  qint64 written = head.size();
  while (written + chunk.size() + tail.size() + 1 < kJunkSize) {
    written += file.write(chunk);
  }
  file.write("0");
  file.write(tail);
}

qint64 statusKilobytes(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  status.open(QIODevice::ReadOnly);
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field)) {
      return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toLongLong();
    }
  }
  return 0;
}

// Child process: prints "<resident before, MB> <peak, MB> <seconds> <1 when accepted>".
int measureImport(const QString& path) {
  const double before = double(statusKilobytes("VmRSS:")) / 1000;
  const auto start = std::chrono::steady_clock::now();
  bool accepted = false;
  try {
    benchmark::DoNotOptimize(ExportImportManager::readBackup(path).tasks.size());
    accepted = true;
  } catch (const ExportImportError&) {
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.1f %.1f %.3f %d\n", before, double(statusKilobytes("VmHWM:")) / 1000, seconds,
              accepted ? 1 : 0);
  return 0;
}

void runChild(benchmark::State& state, const QString& path) {
  QList<double> figures;
  for (auto _ : state) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--import=") + path});
    child.waitForFinished(300000);
    figures.clear();
    for (const QByteArray& field : child.readAllStandardOutput().trimmed().split(' ')) {
      figures.append(field.toDouble());
    }
    if (figures.size() != 4) {
      state.SkipWithError("the measuring process failed");
      return;
    }
    state.SetIterationTime(figures[2]);
  }
  const double fileMB = double(QFileInfo(path).size()) / 1e6;
  state.counters["file_MB"] = fileMB;
  state.counters["peak_over_start_MB"] = figures[1] - figures[0];
  state.counters["peak_per_file_size"] = (figures[1] - figures[0]) / fileMB;
  state.counters["accepted"] = figures[3];
}

// A real backup, read, checked and decoded.
void BM_ImportBackup(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("backup.json"));
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(backup(int(state.range(0))));
  file.close();
  runChild(state, path);
}

// Junk of 250 MB: an array where an object belongs (0), and inside a database's task list (1).
void BM_RefuseJunk(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("junk.json"));
  if (state.range(0) == 0) {
    writeJunk(path, "[", "]");
  } else {
    writeJunk(path, R"({"schemaVersion":3,"tasks":[)", "]}");
  }
  runChild(state, path);
}

BENCHMARK(BM_ImportBackup)->Arg(10000)->Arg(50000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseJunk)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString importOption = QStringLiteral("--import=");
  if (argc == 2 && QString::fromLocal8Bit(argv[1]).startsWith(importOption)) {
    return measureImport(QString::fromLocal8Bit(argv[1]).mid(importOption.size()));
  }
  // The same backup in a file of one's choice, to compare other builds against.
  if (argc == 4 && std::strcmp(argv[1], "--write-backup") == 0) {
    QFile file(QString::fromLocal8Bit(argv[2]));
    return file.open(QIODevice::WriteOnly) && file.write(backup(std::atoi(argv[3]))) > 0 ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
