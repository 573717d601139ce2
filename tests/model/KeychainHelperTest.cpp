#include "core/model/KeychainHelper.h"

#include <QCoreApplication>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

// Runs against the unlocked keyring of the private test session.
TEST(KeychainHelper, SaveReadReplaceDeleteKeepingKeysApart) {
  const QString key = QUuid::createUuid().toString();
  const QString other = QUuid::createUuid().toString();
  EXPECT_FALSE(KeychainHelper::read(key).has_value());
  ASSERT_TRUE(KeychainHelper::save(key, "first"));
  ASSERT_TRUE(KeychainHelper::save(other, QString()));  // an empty secret is still a secret
  // Saving again replaces the item instead of adding a second one.
  ASSERT_TRUE(KeychainHelper::save(key, "sécond ✓"));
  EXPECT_EQ(KeychainHelper::read(key), "sécond ✓");
  EXPECT_TRUE(KeychainHelper::remove(key));
  EXPECT_FALSE(KeychainHelper::read(key).has_value());
  EXPECT_EQ(KeychainHelper::read(other), QString());
  // Deleting what is not there still counts as gone.
  EXPECT_TRUE(KeychainHelper::remove(key));
  EXPECT_TRUE(KeychainHelper::remove(other));
}

// Runs itself again in a child process without a session bus, where every call fails quietly.
TEST(KeychainHelper, WithoutSecretServiceCallsFailQuietly) {
  if (qEnvironmentVariable("PELMORA_KEYCHAIN_CHILD") == "1") {
    EXPECT_FALSE(KeychainHelper::save("k", "v"));
    EXPECT_FALSE(KeychainHelper::read("k").has_value());
    EXPECT_FALSE(KeychainHelper::remove("k"));
    return;
  }
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PELMORA_KEYCHAIN_CHILD", "1");
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelmora-bus");
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=KeychainHelper.WithoutSecretServiceCallsFailQuietly"});
  ASSERT_TRUE(child.waitForFinished(60000));
  const QByteArray output = child.readAllStandardOutput();
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
