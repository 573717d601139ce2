#include "core/platform/DesktopEventStore.h"

#include "core/platform/ICalendarFileEventStore.h"

#include "PlatformSupport.h"
#include "testing/EvolutionCalendars.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

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
              calendarFixture(QStringLiteral("only-in-a-file.ics")));
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

// The log lines that say which backend was chosen, and why.
QStringList choiceLog() {
  QStringList result;
  for (const auto& entry : logged(QString(), QStringLiteral("Reading "))) {
    result.append(entry.level + u' ' + entry.message);
  }
  return result;
}

// What a store settles on when its session bus is `busAddress`, in one line: the backend, the
// events it serves, how often it announced its choice, and the log lines that say why.
QString choice(const QByteArray& busAddress) {
  qputenv("DBUS_SESSION_BUS_ADDRESS", busAddress);
  DiagnosticLogger::shared().clear();
  CalendarFolder folder;
  DesktopEventStore store(folder.store(), kBerlin, DesktopEventStore::registryTimeout);
  QSignalSpy chosen(&store, &DesktopEventStore::backendChosen);
  eventually([&] { return store.backend() != DesktopEventStore::Backend::undecided; });
  const bool files = store.backend() == DesktopEventStore::Backend::calendarFiles;
  return QStringLiteral("%1, %2 [%3], chosen %4 time(s), log [%5]")
      .arg(files ? QStringLiteral("calendar files") : QStringLiteral("not the files"),
           store.isReadable() ? QStringLiteral("readable") : QStringLiteral("unreadable"),
           titles(store).join(u','), QString::number(chosen.count()), choiceLog().join(u'|'));
}

// `choice` on a session bus that is missing (0), never answers (1), offers a registry service
// that cannot start (2), or none at all (3).
QString choiceOnBus(int kind) {
  QTemporaryDir dir;
  if (kind == 0) {
    return choice("unix:path=" + dir.filePath(QStringLiteral("no-bus-here")).toUtf8());
  }
  if (kind == 1) {
    // Accepts connections and never says a word: the bus handshake waits forever.
    QLocalServer silent;
    silent.listen(dir.filePath(QStringLiteral("silent")));
    return choice("unix:path=" + silent.fullServerName().toUtf8());
  }
  const QString services = dir.filePath(QStringLiteral("services"));
  QDir().mkpath(services);
  if (kind == 2) {
    writeFile(services + QStringLiteral("/org.gnome.evolution.dataserver.Sources5.service"),
              "[D-BUS Service]\nName=org.gnome.evolution.dataserver.Sources5\nExec=/bin/false\n");
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
  QString result = QStringLiteral("the test bus did not start");
  if (bus.waitForReadyRead(testsupport::kPatienceMs)) {
    result = choice(bus.readLine().trimmed());
  }
  bus.kill();
  bus.waitForFinished();
  return result;
}

// The session bus cannot be swapped once GLib has connected to it, so each case runs in a
// child process of its own and prints what the store chose.
TEST(DesktopEventStoreFallbackTest, ReadsTheCalendarFilesWhenTheRegistryIsAbsentOrFails) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char* const logs[] = {
      "INFO Reading calendar files: [^|]*no session bus",
      "WARN Reading calendar files: [^|]*did not answer within 2000 ms",
      "WARN Reading calendar files: [^|]*cannot start",
      "INFO Reading calendar files: [^|]*not installed",
  };
  for (int kind = 0; kind < 4; ++kind) {
    SCOPED_TRACE(kind);
    EXPECT_EXIT(
        {
          std::fprintf(stderr, "%s\n", qPrintable(choiceOnBus(kind)));
          std::fflush(stderr);
          std::_Exit(0);
        },
        ::testing::ExitedWithCode(0),
        std::string(
            "calendar files, readable \\[Only in a file\\], chosen 1 time\\(s\\), log \\[") +
            logs[kind] + "[^|]*\\]");
  }
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
  EXPECT_EQ(choiceLog(), QStringList{QStringLiteral(
                             "INFO Reading the desktop calendars from Evolution Data Server.")});

  // Edits now come through the server's views.
  changed.clear();
  ASSERT_TRUE(calendars.removeEvent(served, QStringLiteral("pelmora-test-served")));
  EXPECT_TRUE(eventually([&] {
    return changed.count() > 0 && !titles(store).contains(QLatin1String("Served by the server"));
  }));
}

}  // namespace
