#include "common/TestSupport.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTimer>

#include <cstdio>

namespace testsupport {

QString dataPath(const QString& relative) {
  // ctest sets the variable; a binary started by hand falls back to the source tree.
  QString root = qEnvironmentVariable("PELMORA_TEST_DATA");
  if (root.isEmpty()) {
    root = QStringLiteral(PELMORA_TEST_DATA_DIR);
  }
  return QDir(root).filePath(relative);
}

void failHungTask(std::chrono::milliseconds timeout) {
  std::fprintf(stderr, "coroutine did not finish within %lld ms\n",
               static_cast<long long>(timeout.count()));
  std::fflush(stderr);
  std::abort();
}

bool runTimersDueWithin(std::chrono::milliseconds span) {
  QTimer last;
  last.setSingleShot(true);
  QSignalSpy fired(&last, &QTimer::timeout);
  // Coarse timers may fire a little late; a later precise one still comes after them.
  last.setTimerType(Qt::PreciseTimer);
  last.start(span + span / 10);
  return fired.wait(kPatienceMs + static_cast<int>(span.count()));
}

QDateTime utc(int y, int m, int d, int h, int min, int s) {
  return QDateTime(QDate(y, m, d), QTime(h, min, s), QTimeZone::utc());
}

}  // namespace testsupport
