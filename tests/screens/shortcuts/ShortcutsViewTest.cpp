#include "screens/ScreenTestSupport.h"

#include "app/screens/shortcuts/AppLauncher.h"
#include "app/screens/shortcuts/ShortcutsView.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QSet>
#include <QTest>

using screentest::ScreenTest;

namespace {

// Answers from a fixed list of installed desktop entries and records what it launched.
struct FakeLauncher : AppLauncher {
  std::optional<QString> installedName(const QString& desktopId) const override {
    if (!installed.contains(desktopId)) {
      return std::nullopt;
    }
    return desktopId.section(QLatin1Char('.'), -2, -2);
  }
  std::optional<QString> launch(const QString& desktopId) override {
    launched.append(desktopId);
    return failure;
  }

  QSet<QString> installed;
  QStringList launched;
  std::optional<QString> failure;
};

}  // namespace

// Rows: Calendar, Reminders, Notes, System Settings, Calculator, Activity Monitor. Each takes
// the first of its entries that is installed (GNOME's calculator before KDE's); a row whose app
// is missing is disabled and says so.
TEST_F(ScreenTest, ShortcutLaunchesItsEntryAndShowsAFailure) {
  auto launcher = std::make_shared<FakeLauncher>();
  launcher->installed = {QStringLiteral("org.kde.kcalc.desktop"), QStringLiteral("org.gnome.Calculator.desktop"),
                         QStringLiteral("org.gnome.Notes.desktop")};
  ShortcutsView view(env, launcher);
  view.show();
  const auto& rows = view.rowButtons();
  ASSERT_EQ(rows.size(), 6);
  const QStringList expected = {"-", "-", "org.gnome.Notes.desktop", "-", "org.gnome.Calculator.desktop", "-"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(view.resolvedDesktopIds()[i].value_or(QStringLiteral("-")), expected[i]) << i;
    EXPECT_EQ(rows[i]->isEnabled(), expected[i] != QStringLiteral("-")) << i;
    EXPECT_EQ(rows[i]->accessibleDescription() == QStringLiteral("Not installed"), !rows[i]->isEnabled()) << i;
  }

  launcher->failure = QStringLiteral("Failed to execute child process");
  QTest::mouseClick(rows[4], Qt::LeftButton);
  EXPECT_EQ(launcher->launched, QStringList{QStringLiteral("org.gnome.Calculator.desktop")});
  EXPECT_TRUE(view.message().contains(QStringLiteral("Calculator could not be opened")));
  EXPECT_TRUE(view.message().contains(QStringLiteral("Failed to execute child process")));

  // A later successful launch clears the message; a disabled row launches nothing.
  launcher->failure.reset();
  QTest::mouseClick(rows[2], Qt::LeftButton);
  QTest::mouseClick(rows[0], Qt::LeftButton);
  EXPECT_EQ(launcher->launched.size(), 2);
  EXPECT_EQ(launcher->launched.last(), QStringLiteral("org.gnome.Notes.desktop"));
  EXPECT_TRUE(view.message().isEmpty());

  screentest::saveScreenshots(&view, QStringLiteral("shortcuts"), QSize(720, 520));
}

// The desktop's launcher finds entries on the XDG data path and reports a launch that fails.
TEST(AppLauncher, FindsDesktopEntriesAndReportsAFailedLaunch) {
  QTemporaryDir data;
  ASSERT_TRUE(QDir(data.path()).mkpath(QStringLiteral("applications")));
  const auto write = [&](const QString& id, const QString& exec) {
    QFile file(data.filePath(QStringLiteral("applications/") + id));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Pelmora Probe\nExec=%1\n")
                   .arg(exec)
                   .toUtf8());
  };
  write(QStringLiteral("pelmora-probe-ok.desktop"), QStringLiteral("true"));
  write(QStringLiteral("pelmora-probe-broken.desktop"), data.filePath(QStringLiteral("missing-binary")));
  // GIO reads the search path when it first looks for applications; the installed ones
  // stay found, since each is on the system path too.
  const QByteArray before = qgetenv("XDG_DATA_DIRS");
  qputenv("XDG_DATA_DIRS", (data.path() + QStringLiteral(":/usr/local/share:/usr/share")).toUtf8());
  const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_DIRS", before); });

  const auto launcher = AppLauncher::system();
  EXPECT_EQ(launcher->installedName(QStringLiteral("pelmora-probe-ok.desktop")),
            QStringLiteral("Pelmora Probe"));
  EXPECT_EQ(launcher->installedName(QStringLiteral("pelmora-no-such-app.desktop")), std::nullopt);
  EXPECT_EQ(launcher->launch(QStringLiteral("pelmora-probe-ok.desktop")), std::nullopt);
  const std::optional<QString> failure =
      launcher->launch(QStringLiteral("pelmora-probe-broken.desktop"));
  ASSERT_TRUE(failure.has_value());
  EXPECT_FALSE(failure->isEmpty());
  EXPECT_TRUE(launcher->launch(QStringLiteral("pelmora-no-such-app.desktop")).has_value());
}
