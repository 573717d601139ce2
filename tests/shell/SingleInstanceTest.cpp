#include "app/platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>

namespace {

// A second process's hand-over blocks until the running instance answers, so the test plays
// that process on another thread while this one runs the event loop.
std::future<bool> handOverFromAnotherThread(
    const QString& name, const QStringList& arguments,
    std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  return std::async(std::launch::async, [name, arguments, timeout] {
    return SingleInstance::handOver(name, arguments, timeout);
  });
}

bool finishWhileServing(std::future<bool>& result) {
  while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return result.get();
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.isValid()); }
  QString name() const { return folder.filePath(QStringLiteral("instance")); }

  QTemporaryDir folder;
};

}  // namespace

TEST_F(SingleInstanceTest, OnlyOneProcessHoldsTheInstanceUntilItEnds) {
  auto first = std::make_unique<SingleInstance>(name());
  ASSERT_TRUE(first->listen());
  EXPECT_TRUE(first->isListening());
  EXPECT_TRUE(first->listen()) << "claiming twice keeps the claim";

  SingleInstance second(name());
  EXPECT_FALSE(second.listen());
  EXPECT_FALSE(second.isListening());

  first.reset();
  SingleInstance third(name());
  EXPECT_TRUE(third.listen());
}

TEST_F(SingleInstanceTest, ASocketLeftByAProcessThatDiedIsReplaced) {
  QFile leftOver(name());
  ASSERT_TRUE(leftOver.open(QIODevice::WriteOnly));
  leftOver.close();
  SingleInstance instance(name());
  ASSERT_TRUE(instance.listen());
  EXPECT_TRUE(instance.isListening());
}

TEST_F(SingleInstanceTest, HandsAnAddressOverAndOtherwiseAsksForTheWindow) {
  SingleInstance running(name());
  ASSERT_TRUE(running.listen());
  QSignalSpy urls(&running, &SingleInstance::urlReceived);
  QSignalSpy activations(&running, &SingleInstance::activationRequested);

  const QString callback =
      QStringLiteral("com.googleusercontent.apps.1-a:/oauth2redirect?code=4%2F0Ab+c&state=x");
  auto delivered = handOverFromAnotherThread(name(), {callback});
  EXPECT_TRUE(finishWhileServing(delivered));
  ASSERT_EQ(urls.count(), 1);
  EXPECT_EQ(urls.at(0).at(0).toUrl().toString(QUrl::FullyEncoded), callback)
      << "the address arrives exactly as the browser gave it";
  EXPECT_EQ(activations.count(), 0);

  auto activated = handOverFromAnotherThread(name(), {});
  EXPECT_TRUE(finishWhileServing(activated));
  // A file name is not an address.
  auto withFile = handOverFromAnotherThread(name(), {QStringLiteral("notes.txt")});
  EXPECT_TRUE(finishWhileServing(withFile));
  EXPECT_EQ(activations.count(), 2);
  EXPECT_EQ(urls.count(), 1);
}

TEST_F(SingleInstanceTest, AStartWithArgumentsAsksWhatAHandOverWould) {
  SingleInstance instance(name());
  QSignalSpy urls(&instance, &SingleInstance::urlReceived);
  QSignalSpy activations(&instance, &SingleInstance::activationRequested);
  instance.dispatch({QStringLiteral("--verbose"), QStringLiteral("pelmora-test:/done?code=1")});
  instance.dispatch({QStringLiteral("C:/folder")});
  ASSERT_EQ(urls.count(), 1);
  EXPECT_EQ(urls.at(0).at(0).toUrl(), QUrl(QStringLiteral("pelmora-test:/done?code=1")));
  EXPECT_EQ(activations.count(), 1);
}

TEST_F(SingleInstanceTest, NoRunningInstanceMeansNoHandOver) {
  EXPECT_FALSE(SingleInstance::handOver(name(), {}, std::chrono::milliseconds(200)));
}

TEST_F(SingleInstanceTest, MalformedMessagesAreDroppedWithoutAnAnswer) {
  SingleInstance running(name());
  ASSERT_TRUE(running.listen());
  QSignalSpy urls(&running, &SingleInstance::urlReceived);
  QSignalSpy activations(&running, &SingleInstance::activationRequested);

  const QList<QByteArray> messages = {
      QByteArrayLiteral("open not an address\n"), QByteArrayLiteral("launch-missiles\n"),
      QByteArray(64 * 1024, 'a'),  // no line end, far too long
  };
  for (const QByteArray& message : messages) {
    auto answer = std::async(std::launch::async, [this, message] {
      QLocalSocket socket;
      socket.connectToServer(name());
      if (!socket.waitForConnected(5000)) {
        return QByteArrayLiteral("no connection");
      }
      socket.write(message);
      socket.flush();
      while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(5000)) {
      }
      return socket.readAll();
    });
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(answer.get(), QByteArray()) << message.left(30).constData();
  }
  EXPECT_EQ(urls.count(), 0);
  EXPECT_EQ(activations.count(), 0);
}

TEST_F(SingleInstanceTest, ASecondPelmoraProcessHandsOverAndExits) {
  // The second process finds this one through the runtime folder, as on a desktop.
  SingleInstance running(QDir(folder.path()).filePath(QStringLiteral("pelmora-instance")));
  ASSERT_TRUE(running.listen());
  QSignalSpy urls(&running, &SingleInstance::urlReceived);
  QSignalSpy activations(&running, &SingleInstance::activationRequested);

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

  const QString callback = QStringLiteral("com.example.pelmora:/oauth2redirect?code=c0de&state=s");
  for (const QStringList& arguments : {QStringList{callback}, QStringList{}}) {
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(PELMORA_APP_BINARY), arguments);
    ASSERT_TRUE(second.waitForStarted(30000));
    QSignalSpy finished(&second, &QProcess::finished);
    // Bounded so a second window that stays open fails the test instead of hanging it.
    if (!finished.wait(60000)) {
      second.kill();
      second.waitForFinished();
      FAIL() << "the second process did not exit";
    }
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().constData();
  }
  ASSERT_EQ(urls.count(), 1);
  EXPECT_EQ(urls.at(0).at(0).toUrl(), QUrl(callback));
  EXPECT_EQ(activations.count(), 1);
}
