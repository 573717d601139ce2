#include "app/platform/SingleInstance.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>

namespace {

// A later process blocks until the running one answers, so it is played on another thread
// while this one serves the socket.
template <typename Work>
auto whileServing(Work work) {
  auto done = std::async(std::launch::async, std::move(work));
  while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done.get();
}

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
    const QByteArray answer = whileServing([this, message] {
      QLocalSocket socket;
      socket.connectToServer(name());
      socket.waitForConnected(5000);
      socket.write(message);
      socket.flush();
      while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(5000)) {
      }
      return socket.readAll();
    });
    EXPECT_TRUE(answer.isEmpty()) << message.left(20).constData();
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
