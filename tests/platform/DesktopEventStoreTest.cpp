#include "core/platform/DesktopEventStore.h"

#include "core/model/DiagnosticLogger.h"
#include "core/platform/ICalendarFileEventStore.h"

#include "EvolutionCalendars.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

using testsupport::utc;

namespace {

const QTimeZone kBerlin("Europe/Berlin");

bool writeFile(const QString& path, const QByteArray& content) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         file.write(content) == content.size();
}

// A calendar only the file backend can see: Pelmora's own calendars folder in a temporary
// data folder.
class CalendarFolder {
 public:
  CalendarFolder() {
    writeFile(root_.filePath(QStringLiteral("data/Pelmora/calendars/files.ics")),
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
              "BEGIN:VEVENT\r\nUID:only-in-a-file\r\nSUMMARY:Only in a file\r\n"
              "DTSTART:20260324T100000Z\r\nDTEND:20260324T110000Z\r\nEND:VEVENT\r\n"
              "END:VCALENDAR\r\n");
  }

  std::unique_ptr<ICalendarFileEventStore> store() const {
    return std::make_unique<ICalendarFileEventStore>(
        root_.filePath(QStringLiteral("data")), root_.filePath(QStringLiteral("config")), kBerlin);
  }

 private:
  QTemporaryDir root_;
};

QStringList titles(const EventStore& store) {
  QStringList result;
  for (const EventStoreEvent& event :
       store.events(utc(2026, 3, 23), utc(2026, 3, 30), std::nullopt)) {
    result.append(event.title);
  }
  return result;
}

QList<DiagnosticLogger::Entry> choiceEntries() {
  QList<DiagnosticLogger::Entry> result;
  for (const auto& entry : DiagnosticLogger::shared().entries()) {
    if (entry.subsystem == QLatin1String("Calendar") &&
        entry.message.startsWith(QLatin1String("Reading "))) {
      result.append(entry);
    }
  }
  return result;
}

// Which backend a store settles on when its session bus is `busAddress`, checked in full.
// Empty when all is as expected; otherwise what was wrong.
QString fallbackProblems(const QByteArray& busAddress, const QString& level,
                         const QString& reason) {
  qputenv("DBUS_SESSION_BUS_ADDRESS", busAddress);
  DiagnosticLogger::shared().clear();
  CalendarFolder folder;
  DesktopEventStore store(folder.store(), kBerlin, DesktopEventStore::registryTimeout);
  QSignalSpy chosen(&store, &DesktopEventStore::backendChosen);
  if (!eventually([&] { return store.backend() != DesktopEventStore::Backend::undecided; })) {
    return QStringLiteral("no backend chosen");
  }
  QStringList problems;
  if (store.backend() != DesktopEventStore::Backend::calendarFiles) {
    problems.append(QStringLiteral("did not choose the calendar files"));
  }
  if (!store.isReadable() || titles(store) != QStringList{QStringLiteral("Only in a file")}) {
    problems.append(QStringLiteral("the file's event is not served: ") +
                    titles(store).join(QLatin1Char(',')));
  }
  const auto entries = choiceEntries();
  if (entries.size() != 1 || entries.front().level != level ||
      !entries.front().message.contains(reason)) {
    problems.append(QStringLiteral("log: ") +
                    (entries.isEmpty() ? QStringLiteral("nothing")
                                       : entries.front().level + u' ' + entries.front().message));
  }
  if (chosen.count() != 1) {
    problems.append(QStringLiteral("backendChosen emitted %1 times").arg(chosen.count()));
  }
  return problems.join(QStringLiteral("; "));
}

// The session bus cannot be swapped once GLib has connected to it, so each case runs in a
// child process of its own.
[[noreturn]] void exitWith(const QString& problems) {
  std::fprintf(stderr, "%s\n", problems.isEmpty() ? "calendar files chosen" : qPrintable(problems));
  std::fflush(stderr);
  std::_Exit(problems.isEmpty() ? 0 : 1);
}

// `fallbackProblems` on a bus of its own, which offers a registry service started by
// `registryExec`, or none.
QString onPrivateBus(const std::optional<QByteArray>& registryExec, const QString& level,
                     const QString& reason) {
  QTemporaryDir dir;
  const QString services = dir.filePath(QStringLiteral("services"));
  QDir().mkpath(services);
  if (registryExec) {
    writeFile(services + QStringLiteral("/org.gnome.evolution.dataserver.Sources5.service"),
              "[D-BUS Service]\nName=org.gnome.evolution.dataserver.Sources5\n" + *registryExec);
  }
  const QString config = dir.filePath(QStringLiteral("bus.conf"));
  writeFile(config, QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                   "<servicedir>%2</servicedir><policy context=\"default\">"
                                   "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                                   "<allow own=\"*\"/></policy></busconfig>")
                        .arg(dir.path(), services)
                        .toUtf8());
  QProcess bus;
  bus.start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
             QStringLiteral("--print-address=1")});
  QString problems = QStringLiteral("the test bus did not start");
  if (bus.waitForReadyRead(10000)) {
    problems = fallbackProblems(bus.readLine().trimmed(), level, reason);
  }
  bus.kill();
  bus.waitForFinished();
  return problems;
}

class DesktopEventStoreFallbackTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(DesktopEventStoreFallbackTest, WithoutASessionBusReadsTheCalendarFiles) {
  EXPECT_EXIT(
      {
        QTemporaryDir dir;
        exitWith(
            fallbackProblems("unix:path=" + dir.filePath(QStringLiteral("no-bus-here")).toUtf8(),
                             QStringLiteral("INFO"), QStringLiteral("no session bus")));
      },
      ::testing::ExitedWithCode(0), "calendar files chosen");
}

TEST_F(DesktopEventStoreFallbackTest, ARegistryThatDoesNotAnswerInTwoSecondsLeavesTheFiles) {
  EXPECT_EXIT(
      {
        // Accepts connections and never says a word: the bus handshake waits forever.
        QTemporaryDir dir;
        QLocalServer silent;
        silent.listen(dir.filePath(QStringLiteral("silent")));
        exitWith(fallbackProblems("unix:path=" + silent.fullServerName().toUtf8(),
                                  QStringLiteral("WARN"),
                                  QStringLiteral("did not answer within 2000 ms")));
      },
      ::testing::ExitedWithCode(0), "calendar files chosen");
}

TEST_F(DesktopEventStoreFallbackTest, ARegistryThatCannotStartLeavesTheFiles) {
  EXPECT_EXIT(exitWith(onPrivateBus(QByteArray("Exec=/bin/false\n"), QStringLiteral("WARN"),
                                    QStringLiteral("cannot start"))),
              ::testing::ExitedWithCode(0), "calendar files chosen");
}

TEST_F(DesktopEventStoreFallbackTest, WithoutTheRegistryInstalledReadsTheFilesQuietly) {
  EXPECT_EXIT(
      exitWith(onPrivateBus(std::nullopt, QStringLiteral("INFO"), QStringLiteral("not installed"))),
      ::testing::ExitedWithCode(0), "calendar files chosen");
}

TEST(DesktopEventStoreTest, ServesTheFilesUntilEvolutionDataServerHasLoadedThenSwitches) {
  if (!inPrivateTestSession()) {
    GTEST_SKIP() << "runs only inside scripts/test-session.sh: it writes calendars";
  }
  EvolutionCalendars calendars;
  ASSERT_TRUE(calendars.isReady()) << calendars.error().toStdString();
  const QString served =
      calendars.createCalendar(QStringLiteral("Pelmora Test Served"), QStringLiteral("#123456"));
  ASSERT_FALSE(served.isEmpty()) << calendars.error().toStdString();
  ASSERT_TRUE(calendars.addEvent(served,
                                 "BEGIN:VEVENT\r\nUID:pelmora-test-served\r\n"
                                 "SUMMARY:Served by the server\r\n"
                                 "DTSTART:20260325T100000Z\r\nDTEND:20260325T110000Z\r\n"
                                 "END:VEVENT\r\n"))
      << calendars.error().toStdString();

  DiagnosticLogger::shared().clear();
  CalendarFolder folder;
  DesktopEventStore store(folder.store(), kBerlin, std::chrono::seconds(20));
  QSignalSpy changed(&store, &EventStore::changed);

  // Readable from the first moment: the files answer while the server opens.
  EXPECT_TRUE(store.isReadable());
  EXPECT_EQ(store.backend(), DesktopEventStore::Backend::undecided);
  EXPECT_EQ(titles(store), QStringList{QStringLiteral("Only in a file")});

  ASSERT_TRUE(eventually([&] {
    return titles(store).contains(QLatin1String("Served by the server"));
  })) << titles(store).join(u',').toStdString();
  EXPECT_EQ(store.backend(), DesktopEventStore::Backend::evolutionDataServer);
  EXPECT_FALSE(titles(store).contains(QLatin1String("Only in a file")));
  EXPECT_GE(changed.count(), 1);
  const auto entries = choiceEntries();
  ASSERT_EQ(entries.size(), 1);
  EXPECT_EQ(entries.front().level, QStringLiteral("INFO"));
  EXPECT_EQ(entries.front().message,
            QStringLiteral("Reading the desktop calendars from Evolution Data Server."));

  // Edits now come through the server's views.
  changed.clear();
  ASSERT_TRUE(calendars.removeEvent(served, QStringLiteral("pelmora-test-served")));
  EXPECT_TRUE(eventually([&] {
    return changed.count() > 0 && !titles(store).contains(QLatin1String("Served by the server"));
  }));
}

}  // namespace
