#include "core/platform/ICalendarFile.h"
#include "core/platform/ICalendarFileEventStore.h"

#include "PlatformSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::utc;

namespace {

// Several files full of events every minute, read together: the read spends one budget, not one
// per file, and shares it, so every file's events are shown.
TEST(CalendarReadBudget, IsOneForTheWholeReadSharedByEveryFile) {
  QTemporaryDir root;
  const QString folder = root.filePath(QStringLiteral("data/Pelmora/calendars"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QByteArray minutely = calendarFixture(QStringLiteral("minutely-hundred.ics"));
  ASSERT_FALSE(minutely.isEmpty());
  const int files = 3;
  for (int i = 0; i < files; ++i) {
    QFile file(folder + QStringLiteral("/busy-%1.ics").arg(i));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(minutely);
  }
  ICalendarFileEventStore store(root.filePath(QStringLiteral("data")),
                                root.filePath(QStringLiteral("config")),
                                QTimeZone("Europe/Berlin"));
  const auto events = store.events(utc(2026, 3, 10), utc(2026, 3, 11), std::nullopt);
  EXPECT_LE(events.size(), ICalendarFile::Budget::defaultOccurrences);
  QHash<QString, int> perCalendar;
  for (const EventStoreEvent& event : events) {
    ++perCalendar[event.calendarIdentifier];
  }
  EXPECT_EQ(perCalendar.size(), files);
  for (auto it = perCalendar.cbegin(); it != perCalendar.cend(); ++it) {
    EXPECT_GE(it.value(), ICalendarFile::Budget::defaultOccurrences / files / 2)
        << qPrintable(it.key());
  }
}

}  // namespace
