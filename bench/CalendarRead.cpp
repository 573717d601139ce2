// One read of a hostile calendar file through the file backend: a fresh store parses the file
// and expands a 31-day window, as the first read after a change does. Peak memory is the
// process's (peak_before_MB is the process before the first read), so run one file per process
// to see each file's figure:
//   bench_CalendarRead --benchmark_filter='/everlasting-daily'
#include "core/platform/ICalendarFileEventStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <functional>
#include <memory>

namespace {

const QTimeZone kBerlin("Europe/Berlin");

QString fixturePath(const QString& name) {
  return QStringLiteral(PELMORA_TEST_DATA_DIR "/calendars/") + name;
}

QByteArray fixture(const QString& name) {
  QFile file(fixturePath(name));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray event(int index, const QByteArray& extra) {
  return "BEGIN:VEVENT\r\nUID:event-" + QByteArray::number(index) +
         "@pelmora.test\r\nSUMMARY:Event " + QByteArray::number(index) +
         "\r\nDTSTART:20260311T100000Z\r\nDTEND:20260311T110000Z\r\n" + extra + "END:VEVENT\r\n";
}

// One unfolded 4 MB line, as a careless exporter writes an attachment.
QByteArray longLine() {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" +
         event(0, "DESCRIPTION:" + QByteArray(4 * 1024 * 1024, 'x') + "\r\n") + "END:VCALENDAR\r\n";
}

// An ordinary 2 MB calendar whose lines end in a bare CR.
QByteArray carriageReturnsOnly() {
  QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
  for (int i = 0; text.size() < 2 * 1024 * 1024; ++i) {
    text += event(i, "LOCATION:Room " + QByteArray::number(i % 40) + "\r\n");
  }
  text += "END:VCALENDAR\r\n";
  text.replace("\r\n", "\r");
  return text;
}

// A zone whose offset flips every hour since 1970.
QByteArray hourlyZone() {
  QByteArray text = fixture(QStringLiteral("flickering-zones.ics"));
  const qsizetype second = text.indexOf("BEGIN:VTIMEZONE", text.indexOf("END:VTIMEZONE"));
  const qsizetype secondEnd = text.indexOf("END:VTIMEZONE", second) + 15;
  return text.remove(second, secondEnd - second);
}

void readCalendar(benchmark::State& state, const std::function<QByteArray()>& content) {
  QTemporaryDir root;
  const QString folder = root.filePath(QStringLiteral("data/Pelmora/calendars"));
  QDir().mkpath(folder);
  {
    // Written before the baseline is taken, so the generator's copies do not count.
    QFile file(folder + QStringLiteral("/hostile.ics"));
    if (!file.open(QIODevice::WriteOnly) || file.write(content()) <= 0) {
      state.SkipWithError("cannot write the calendar file");
      return;
    }
  }
  malloc_trim(0);
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const QDateTime from(QDate(2026, 3, 10), QTime(0, 0), kBerlin);
  const QDateTime to = from.addDays(31);
  qsizetype occurrences = 0;
  for (auto _ : state) {
    ICalendarFileEventStore store(root.filePath(QStringLiteral("data")),
                                  root.filePath(QStringLiteral("config")), kBerlin);
    const auto events = store.events(from, to, std::nullopt);
    occurrences = events.size();
    benchmark::DoNotOptimize(events);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["occurrences"] = double(occurrences);
  state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
  state.counters["peak_before_MB"] = double(before.ru_maxrss) / 1024.0;
}

void registerAll() {
  const std::pair<const char*, std::function<QByteArray()>> cases[] = {
      {"everlasting-daily", [] { return fixture(QStringLiteral("everlasting-daily.ics")); }},
      {"secondly-before-window",
       [] { return fixture(QStringLiteral("secondly-before-window.ics")); }},
      {"minutely-hundred", [] { return fixture(QStringLiteral("minutely-hundred.ics")); }},
      {"hourly-zone", hourlyZone},
      {"flickering-zones", [] { return fixture(QStringLiteral("flickering-zones.ics")); }},
      {"long-line", longLine},
      {"carriage-returns-only", carriageReturnsOnly},
  };
  for (const auto& [name, content] : cases) {
    benchmark::RegisterBenchmark((std::string("ReadCalendar/") + name).c_str(), readCalendar,
                                 content)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  registerAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
