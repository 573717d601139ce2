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

  QString entryPath() const { return config_.filePath("autostart/pelmora.desktop"); }

  QTemporaryDir config_;
  QByteArray previous_;
};

// Enabling twice still leaves one valid entry; an entry the desktop was told to skip is off.
TEST_F(LaunchAtLoginTest, EnablingWritesAnAutostartEntryForThisProgramAndDisablingRemovesIt) {
  EXPECT_EQ(LaunchAtLoginHelper::autostartEntryPath(), entryPath());
  for (const char* text :
       {"", "[Desktop Entry]\nType=Application\nExec=p\nX-GNOME-Autostart-enabled=false\n",
        "[Desktop Entry]\nType=Application\nExec=pelmora\nHidden=True\n", "not an entry"}) {
    if (*text) {
      ASSERT_TRUE(QDir().mkpath(config_.filePath("autostart")));
      QFile file(entryPath());
      ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(text);
    }
    EXPECT_FALSE(LaunchAtLoginHelper::isEnabled()) << text;
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(LaunchAtLoginHelper::setEnabled(true).has_value());
    EXPECT_TRUE(LaunchAtLoginHelper::isEnabled());
  }
  const auto entry = KeyFile::read(entryPath());
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->value("Desktop Entry", "Type"), "Application");
  EXPECT_EQ(entry->value("Desktop Entry", "Name"), "Pelmora");
  EXPECT_EQ(entry->value("Desktop Entry", "Exec"), QCoreApplication::applicationFilePath());
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(LaunchAtLoginHelper::setEnabled(false).has_value());
    EXPECT_FALSE(QFile::exists(entryPath()));
  }
}

TEST_F(LaunchAtLoginTest, FailuresComeBackToTheCaller) {
  // A file where the autostart folder belongs: the folder cannot be made (for root too,
  // who ignores read-only permissions).
  QFile blocker(config_.filePath("autostart"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const auto enableError = LaunchAtLoginHelper::setEnabled(true);
  ASSERT_TRUE(enableError.has_value());
  EXPECT_TRUE(
      enableError->errorDescription().startsWith("Pelmora could not be set to open at login: ") &&
      enableError->errorDescription().contains("autostart"));
  EXPECT_FALSE(LaunchAtLoginHelper::isEnabled());
}

TEST(LaunchAtLoginEntryTest, ProgramPathsWithReservedCharactersAreQuoted) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin/pelmora", "/usr/bin/pelmora"},
      {"/opt/My Apps/pel$mora", "\"/opt/My Apps/pel\\$mora\""},
      {"/home/a\"b/pelmora", "\"/home/a\\\"b/pelmora\""}};
  for (const auto& [binary, exec] : cases) {
    EXPECT_EQ(KeyFile::fromText(LaunchAtLoginHelper::desktopEntryText(binary))
                  .value("Desktop Entry", "Exec"),
              exec);
  }
}

}  // namespace
