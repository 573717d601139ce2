// What happens around the event loop: one Pelmora per session, the platform it picks, and
// termination signals.

#include "app/platform/PlatformChoice.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/TerminationSignals.h"
#include "common/TestSupport.h"

#include <QFile>
#include <QLocalSocket>
#include <QMap>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <future>

namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  QString name() const { return folder.filePath(QStringLiteral("pelmora-instance")); }
  QTemporaryDir folder;
};

}  // namespace

TEST_F(SingleInstanceTest, OneHolderAtATimeAndALeftOverSocketIsNoObstacle) {
  QFile leftOver(name());  // as a crashed process leaves it
  ASSERT_TRUE(leftOver.open(QIODevice::WriteOnly));
  leftOver.close();

  auto first = std::make_unique<SingleInstance>(name());
  ASSERT_TRUE(first->listen());
  EXPECT_TRUE(first->isListening());
  SingleInstance second(name());
  EXPECT_FALSE(second.listen());
  first.reset();
  EXPECT_TRUE(second.listen());
  EXPECT_FALSE(SingleInstance::handOver(folder.filePath(QStringLiteral("nobody")), {},
                                        std::chrono::milliseconds(100)));
}

TEST_F(SingleInstanceTest, MalformedMessagesAreDroppedWithoutAnAnswer) {
  SingleInstance running(name());
  ASSERT_TRUE(running.listen());
  QSignalSpy urls(&running, &SingleInstance::urlReceived);
  QSignalSpy activations(&running, &SingleInstance::activationRequested);
  for (const QByteArray& message : {QByteArrayLiteral("open not an address\n"),
                                    QByteArrayLiteral("launch\n"), QByteArray(64 * 1024, 'a')}) {
    // A later process blocks until the running one answers, so it is played on another thread
    // while this one serves the socket.
    auto answer = std::async(std::launch::async, [this, message] {
      QLocalSocket socket;
      socket.connectToServer(name());
      socket.waitForConnected(testsupport::kPatienceMs);
      socket.write(message);
      socket.flush();
      while (socket.state() == QLocalSocket::ConnectedState &&
             socket.waitForReadyRead(testsupport::kPatienceMs)) {
      }
      return socket.readAll();
    });
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(answer.get().isEmpty()) << message.left(20).constData();
  }
  EXPECT_EQ(urls.count() + activations.count(), 0);
}

TEST_F(SingleInstanceTest, ASecondPelmoraProcessHandsOverAndExits) {
  // The second process finds this one through its runtime folder, as on a desktop.
  SingleInstance running(name());
  ASSERT_TRUE(running.listen());
  QSignalSpy urls(&running, &SingleInstance::urlReceived);
  QSignalSpy activations(&running, &SingleInstance::activationRequested);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

  // The address arrives exactly; a file name is no address and, like no argument at all, only
  // asks for the window.
  const QString callback =
      QStringLiteral("com.googleusercontent.apps.1-a:/oauth2redirect?code=4%2F0Ab+c&state=x");
  for (const QStringList& arguments :
       {QStringList{callback}, QStringList{}, QStringList{QStringLiteral("notes.txt")}}) {
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(PELMORA_APP_BINARY), arguments);
    QSignalSpy finished(&second, &QProcess::finished);
    // Bounded, so a second Pelmora that stays open fails the test instead of hanging it.
    if (!finished.wait(60000)) {
      second.kill();
      second.waitForFinished();
      FAIL() << "the second process did not exit";
    }
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().constData();
  }
  ASSERT_EQ(urls.count(), 1);
  EXPECT_EQ(urls.at(0).at(0).toUrl().toString(QUrl::FullyEncoded), callback);
  EXPECT_EQ(activations.count(), 2);
}

TEST(PlatformChoiceTest, WaylandSessionsRunOnXWaylandUnlessTheUserChose) {
  using Env = QMap<QByteArray, QByteArray>;
  const struct {
    Env environment;
    std::optional<QByteArray> expected;
  } rows[] = {
      {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, "xcb"},
      {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":1"}}, "xcb"},
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, std::nullopt},  // no XWayland
      {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
       std::nullopt},
      {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, std::nullopt},
  };
  for (const auto& row : rows) {
    const auto lookup = [&row](const char* name) { return row.environment.value(name); };
    EXPECT_EQ(preferredPlatform(lookup), row.expected) << row.environment.keys().join(' ').data();
  }
}

TEST(TerminationSignalsTest, TerminationArrivesOnTheEventLoopAndTheOldHandlerReturns) {
  {
    TerminationSignals signals;
    ASSERT_TRUE(signals.isInstalled());
    QSignalSpy received(&signals, &TerminationSignals::received);
    std::raise(SIGTERM);
    std::raise(SIGINT);
    ASSERT_TRUE(received.wait(testsupport::kPatienceMs));
    if (received.size() < 2) {
      ASSERT_TRUE(received.wait(testsupport::kPatienceMs));
    }
    EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(received.at(1).at(0).toInt(), SIGINT);
  }
  struct sigaction current = {};
  sigaction(SIGTERM, nullptr, &current);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
}
