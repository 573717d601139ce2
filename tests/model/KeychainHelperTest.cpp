#include "core/model/KeychainHelper.h"

#include <QCoreApplication>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

QString uniqueKey() {
  return QStringLiteral("test_%1").arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
}

}  // namespace

// These run against the unlocked keyring of the private test session.
TEST(KeychainHelper, SaveReadReplaceDeleteKeepingKeysApart) {
  const QString key = uniqueKey();
  const QString other = uniqueKey();
  EXPECT_FALSE(KeychainHelper::read(key).has_value());
  ASSERT_TRUE(KeychainHelper::save(key, "first"));
  ASSERT_TRUE(KeychainHelper::save(other, QString()));  // an empty secret is still a secret
  EXPECT_EQ(KeychainHelper::read(key), "first");

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

// Runs only inside the child started below, where no session bus exists.
TEST(KeychainHelperNoService, CallsFailQuietly) {
  if (qEnvironmentVariable("PELMORA_KEYCHAIN_CHILD") != "1") {
    GTEST_SKIP() << "runs in a child process without a Secret Service";
  }
  EXPECT_FALSE(KeychainHelper::save("k", "v"));
  EXPECT_FALSE(KeychainHelper::read("k").has_value());
  EXPECT_FALSE(KeychainHelper::remove("k"));
}

TEST(KeychainHelper, WithoutSecretServiceNothingCrashes) {
  if (qEnvironmentVariable("PELMORA_KEYCHAIN_CHILD") == "1") {
    GTEST_SKIP();
  }
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PELMORA_KEYCHAIN_CHILD", "1");
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelmora-bus");
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=KeychainHelperNoService.*"});
  ASSERT_TRUE(child.waitForFinished(60000));
  const QByteArray output = child.readAllStandardOutput();
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
