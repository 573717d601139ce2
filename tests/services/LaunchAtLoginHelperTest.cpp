#include "core/platform/KeyFile.h"
#include "core/services/LaunchAtLoginHelper.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class LaunchAtLoginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(config_.isValid());
    previous_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
  }
  void TearDown() override { qputenv("XDG_CONFIG_HOME", previous_); }

  QString entryPath() const {
    return config_.filePath(QStringLiteral("autostart/pelmora.desktop"));
  }

  void writeEntry(const QByteArray& text) {
    ASSERT_TRUE(QDir().mkpath(config_.filePath(QStringLiteral("autostart"))));
    QFile file(entryPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  QTemporaryDir config_;
  QByteArray previous_;
};

TEST_F(LaunchAtLoginTest, EnablingWritesAnAutostartEntryForThisProgramAndDisablingRemovesIt) {
  EXPECT_EQ(LaunchAtLoginHelper::autostartEntryPath(), entryPath());
  EXPECT_FALSE(LaunchAtLoginHelper::isEnabled());

  EXPECT_FALSE(LaunchAtLoginHelper::setEnabled(true).has_value());
  EXPECT_TRUE(LaunchAtLoginHelper::isEnabled());
  const auto entry = KeyFile::read(entryPath());
  ASSERT_TRUE(entry.has_value());
  const QString group = QStringLiteral("Desktop Entry");
  EXPECT_EQ(entry->value(group, QStringLiteral("Type")), QStringLiteral("Application"));
  EXPECT_EQ(entry->value(group, QStringLiteral("Name")), QStringLiteral("Pelmora"));
  EXPECT_EQ(entry->value(group, QStringLiteral("Exec")), QCoreApplication::applicationFilePath());

  // Again: still one valid entry, no error.
  EXPECT_FALSE(LaunchAtLoginHelper::setEnabled(true).has_value());
  EXPECT_TRUE(LaunchAtLoginHelper::isEnabled());

  EXPECT_FALSE(LaunchAtLoginHelper::setEnabled(false).has_value());
  EXPECT_FALSE(QFile::exists(entryPath()));
  EXPECT_FALSE(LaunchAtLoginHelper::isEnabled());
  EXPECT_FALSE(LaunchAtLoginHelper::setEnabled(false).has_value());
}

TEST_F(LaunchAtLoginTest, AnEntryTheDesktopWasToldToSkipIsOff) {
  writeEntry("[Desktop Entry]\nType=Application\nExec=pelmora\nX-GNOME-Autostart-enabled=false\n");
  EXPECT_FALSE(LaunchAtLoginHelper::isEnabled());
  writeEntry("[Desktop Entry]\nType=Application\nExec=pelmora\nHidden=True\n");
  EXPECT_FALSE(LaunchAtLoginHelper::isEnabled());
  writeEntry("not a desktop entry");
  EXPECT_FALSE(LaunchAtLoginHelper::isEnabled());

  EXPECT_FALSE(LaunchAtLoginHelper::setEnabled(true).has_value());
  EXPECT_TRUE(LaunchAtLoginHelper::isEnabled());
}

TEST_F(LaunchAtLoginTest, FailuresComeBackToTheCaller) {
  // A file where the autostart folder belongs: the folder cannot be made (for root too,
  // who ignores read-only permissions).
  QFile blocker(config_.filePath(QStringLiteral("autostart")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const auto enableError = LaunchAtLoginHelper::setEnabled(true);
  ASSERT_TRUE(enableError.has_value());
  EXPECT_TRUE(enableError->errorDescription().startsWith(
      QStringLiteral("Pelmora could not be set to open at login: ")));
  EXPECT_TRUE(enableError->errorDescription().contains(QStringLiteral("autostart")));
  EXPECT_FALSE(LaunchAtLoginHelper::isEnabled());

  // A folder with content where the entry belongs cannot be removed as a file.
  ASSERT_TRUE(QFile::remove(blocker.fileName()));
  ASSERT_TRUE(QDir().mkpath(entryPath() + QStringLiteral("/inside")));
  const auto disableError = LaunchAtLoginHelper::setEnabled(false);
  ASSERT_TRUE(disableError.has_value());
  EXPECT_TRUE(disableError->errorDescription().startsWith(
      QStringLiteral("Pelmora could not be kept from opening at login: ")));
  EXPECT_TRUE(LaunchAtLoginHelper::setEnabled(true).has_value());
}

TEST(LaunchAtLoginEntryTest, ProgramPathsWithReservedCharactersAreQuoted) {
  const auto execOf = [](const QString& binary) {
    return KeyFile::fromText(LaunchAtLoginHelper::desktopEntryText(binary))
        .value(QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
  };
  EXPECT_EQ(execOf(QStringLiteral("/usr/bin/pelmora")), QStringLiteral("/usr/bin/pelmora"));
  EXPECT_EQ(execOf(QStringLiteral("/opt/My Apps/pel$mora")),
            QStringLiteral("\"/opt/My Apps/pel\\$mora\""));
  EXPECT_EQ(execOf(QStringLiteral("/home/a\"b/pelmora")),
            QStringLiteral("\"/home/a\\\"b/pelmora\""));
}

}  // namespace
