#include "core/model/DiagnosticLogger.h"
#include "core/model/KeychainHelper.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const char* const kSecret = "pelmora-secret-that-must-stay-in-memory";

// Runs itself again in a child process without a session bus, so no Secret Service: every call
// fails, the log says why, and the secret is never written to a file instead.
TEST(KeychainHelper, WithoutSecretServiceCallsFailClearlyAndNothingIsWritten) {
  if (qEnvironmentVariable("PELMORA_KEYCHAIN_CHILD") == "1") {
    DiagnosticLogger::shared().clear();
    EXPECT_FALSE(KeychainHelper::save("k", kSecret));
    EXPECT_FALSE(KeychainHelper::read("k").has_value());
    EXPECT_FALSE(KeychainHelper::remove("k"));
    const auto entries = DiagnosticLogger::shared().entries();
    ASSERT_FALSE(entries.isEmpty());
    bool saveFailureLogged = false;
    for (const auto& entry : entries) {
      EXPECT_FALSE(entry.message.contains(kSecret)) << entry.message.toStdString();
      saveFailureLogged =
          saveFailureLogged ||
          (entry.level == "WARN" && entry.message.startsWith("Keychain save failed: ") &&
           entry.message.size() > 22);
    }
    EXPECT_TRUE(saveFailureLogged);
    return;
  }
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PELMORA_KEYCHAIN_CHILD", "1");
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelmora-bus");
  for (const char* variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                               "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
    env.insert(variable, home.path());
  }
  child.setProcessEnvironment(env);
  child.start(
      QCoreApplication::applicationFilePath(),
      {"--gtest_filter=KeychainHelper.WithoutSecretServiceCallsFailClearlyAndNothingIsWritten"});
  ASSERT_TRUE(child.waitForFinished(60000));
  const QByteArray output = child.readAllStandardOutput();
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();

  QDirIterator files(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    QFile file(files.next());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    EXPECT_FALSE(file.readAll().contains(kSecret)) << file.fileName().toStdString();
  }
}

}  // namespace
