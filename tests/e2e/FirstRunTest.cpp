// A first day with Pelmora as a person has it: the real binary on a real X server, driven by
// synthetic keys and clicks, its data read back from the files it writes.

#include "ScreenGrab.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <optional>

namespace {

using namespace std::chrono_literals;

// Generous: a loaded two-core machine starts the app and its calendar services slowly.
constexpr auto kTimeout = 30s;
const QString kTitle = QStringLiteral("Renew the passport");
const QString kWelcome = QStringLiteral("Welcome to Pelmora");

bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = kTimeout) {
  QDeadlineTimer deadline(timeout);
  while (!condition()) {
    if (deadline.hasExpired()) {
      return false;
    }
    QThread::msleep(50);
  }
  return true;
}

// A private X server and the one Pelmora data folder the runs share. The app's output, and on
// a failure a picture of the screen, go to a folder of their own that a failure names.
class FirstRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    kept_ = QDir(QStringLiteral(PELMORA_E2E_OUTPUT_DIR))
                .filePath(QString::fromLatin1(test->name()) + QLatin1Char('-') +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")) +
                          QLatin1Char('-') + QString::number(QCoreApplication::applicationPid()));
    ASSERT_TRUE(QDir().mkpath(kept_)) << kept_.toStdString();
    // Said at once: a run that ctest stops at its time limit never reaches TearDown.
    std::cout << "Pelmora's output: " << output().toStdString() << std::endl;
    for (const char* tool : {"Xvfb", "xdotool"}) {
      ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
          << tool << " is missing; `make deps` installs it";
    }
    // The server picks a free display and writes its number to the descriptor given. Without
    // -noreset it starts over whenever its last client leaves, and a client that connects
    // meanwhile (the app's second start, any xdotool call) finds no display.
    xvfb_.start(QStringLiteral("sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("exec Xvfb -displayfd 1 -noreset -screen 0 1280x800x24 "
                                "-nolisten tcp 2>/dev/null")});
    QByteArray number;
    ASSERT_TRUE(waitUntil([&] {
      xvfb_.waitForReadyRead(100);
      number += xvfb_.readAllStandardOutput();
      return number.contains('\n');
    })) << "Xvfb did not start";

    environment_ = QProcessEnvironment::systemEnvironment();
    // The single-instance socket lives in "run": a Pelmora of another test must not answer.
    const std::pair<const char*, const char*> folders[] = {{"HOME", "home"},
                                                           {"XDG_DATA_HOME", "data"},
                                                           {"XDG_CONFIG_HOME", "config"},
                                                           {"XDG_CACHE_HOME", "cache"},
                                                           {"XDG_RUNTIME_DIR", "run"}};
    for (const auto& [variable, folder] : folders) {
      ASSERT_TRUE(QDir(root_.path()).mkpath(QString::fromLatin1(folder)));
      environment_.insert(QString::fromLatin1(variable),
                          root_.filePath(QString::fromLatin1(folder)));
    }
    QFile::setPermissions(root_.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment_.insert(QStringLiteral("DISPLAY"),
                        QLatin1Char(':') + QString::fromLatin1(number.trimmed()));
    environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment_.remove(QStringLiteral("WAYLAND_DISPLAY"));
  }

  void TearDown() override {
    if (HasFailure()) {
      keepEvidence();
    } else {
      QDir(kept_).removeRecursively();
    }
    if (app_.state() != QProcess::NotRunning) {
      app_.kill();
      app_.waitForFinished();
    }
    xvfb_.terminate();  // a killed server would leave its lock file behind
    if (!xvfb_.waitForFinished(5000)) {
      xvfb_.kill();
      xvfb_.waitForFinished();
    }
  }

  // xdotool's output for the words of `command` and then `more`, or nothing when it failed.
  std::optional<QString> xdotool(const QString& command, const QStringList& more = {},
                                 std::chrono::milliseconds timeout = 10s) {
    QProcess tool;
    tool.setProcessEnvironment(environment_);
    tool.start(QStringLiteral("xdotool"), command.split(QLatin1Char(' ')) + more);
    if (!tool.waitForFinished(int(timeout.count()))) {
      tool.kill();
      tool.waitForFinished();
      return std::nullopt;
    }
    const QByteArray errors = tool.readAllStandardError().trimmed();
    // A search that finds nothing ends with 1 and says nothing.
    const bool foundNothing =
        command.startsWith(QLatin1String("search")) && tool.exitCode() == 1 && errors.isEmpty();
    if (tool.exitStatus() != QProcess::NormalExit || (tool.exitCode() != 0 && !foundNothing)) {
      // xdotool gives up when a window goes away while it looks at it: noted, for a failure.
      QFile notes(QDir(kept_).filePath(QStringLiteral("xdotool.txt")));
      if (notes.open(QIODevice::Append)) {
        notes.write((command + QLatin1Char(' ') + more.join(QLatin1Char(' '))).toUtf8() +
                    " -> exit " + QByteArray::number(tool.exitCode()) + ": " + errors + '\n');
      }
      return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
  }

  bool keys(const QString& names) {
    return xdotool(QStringLiteral("key --delay 60 ") + names).has_value();
  }

  // The visible windows of that exact title; nothing when xdotool failed, which a window that
  // goes while it searches makes it do, and which says nothing about the one searched for.
  std::optional<QStringList> shown(const QString& title) {
    const auto found = xdotool(QStringLiteral("search --onlyvisible --name"),
                               {QLatin1Char('^') + title + QLatin1Char('$')});
    if (!found) {
      return std::nullopt;
    }
    return found->split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  // The visible window of that exact title, once it is mapped.
  QString waitForWindow(const QString& title) {
    QString window;
    waitUntil([&] {
      const auto found = shown(title);
      window = found && !found->isEmpty() ? found->first() : QString();
      return !window.isEmpty();
    });
    return window;
  }

  bool waitUntilGone(const QString& title) {
    return waitUntil([&] { return shown(title) == QStringList(); });
  }

  bool waitForFocus(const QString& window) {
    return waitUntil([&] { return xdotool(QStringLiteral("getwindowfocus")) == window; });
  }

  // What a person does when the keyboard went nowhere: click the window (on the sidebar's
  // header, which does nothing itself).
  bool focusByClick(const QString& window) {
    return xdotool(QStringLiteral("mousemove --window ") + window +
                   QStringLiteral(" 100 20 click 1"))
               .has_value() &&
           waitForFocus(window);
  }

  QString output() const { return QDir(kept_).filePath(QStringLiteral("output.txt")); }

  void startApp() {
    QFile log(output());
    ASSERT_TRUE(log.open(QIODevice::Append));
    log.write("==== Pelmora started " +
              QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + " ====\n");
    log.close();
    app_.setProcessEnvironment(environment_);
    app_.setProcessChannelMode(QProcess::MergedChannels);
    app_.setStandardOutputFile(output(), QIODevice::Append);
    app_.start(QStringLiteral(PELMORA_APP_BINARY), {});
    ASSERT_TRUE(app_.waitForStarted());
  }

  // SIGTERM, as the session's end or `kill` sends it; the app saves and exits by itself.
  void quitApp() {
    app_.terminate();
    ASSERT_TRUE(app_.waitForFinished(int(std::chrono::milliseconds(kTimeout).count())))
        << "Pelmora did not quit on SIGTERM";
    EXPECT_EQ(app_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app_.exitCode(), 0);
  }

  // The screen as it is at the failure, before the app is stopped, and the end of its output.
  void keepEvidence() {
    const QImage screen = grabScreen(environment_.value(QStringLiteral("DISPLAY")).toLocal8Bit());
    const QString picture = QDir(kept_).filePath(QStringLiteral("screen.png"));
    const bool pictured = !screen.isNull() && screen.save(picture);
    QFile log(output());
    QList<QByteArray> lines;
    if (log.open(QIODevice::ReadOnly)) {
      lines = log.readAll().split('\n');
    }
    constexpr qsizetype kTail = 40;
    std::cout << "Kept in " << kept_.toStdString() << ": Pelmora's output"
              << (pictured ? ", the screen at the failure (screen.png)" : "")
              << (QFile::exists(QDir(kept_).filePath(QStringLiteral("xdotool.txt")))
                      ? ", xdotool's failures (xdotool.txt)"
                      : "")
              << ". The end of the output:\n";
    for (const QByteArray& line : lines.mid(std::max<qsizetype>(0, lines.size() - kTail))) {
      std::cout << "  | " << line.toStdString() << '\n';
    }
    std::cout << std::flush;
  }

  QJsonObject readJson(const QString& name) const {
    QFile file(root_.filePath(QStringLiteral("data/Pelmora/") + name));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
  }

  QJsonArray storedTasks() const {
    return readJson(QStringLiteral("dashboard.json")).value(QStringLiteral("tasks")).toArray();
  }

  // The stored task of that title: whether it is completed; nothing while there is none.
  std::optional<bool> taskCompleted(const QString& title) const {
    for (const QJsonValue& task : storedTasks()) {
      if (task.toObject().value(QStringLiteral("title")).toString() == title) {
        return task.toObject().value(QStringLiteral("isCompleted")).toBool();
      }
    }
    return std::nullopt;
  }

  QTemporaryDir root_;
  QProcess xvfb_;
  QProcess app_;
  QProcessEnvironment environment_;
  QString kept_;
};

TEST_F(FirstRunTest, OnboardingCaptureCompleteQuitAndTheTaskIsStillDone) {
  startApp();

  // First start on an empty folder: the onboarding sheet over the main window.
  const QString onboarding = waitForWindow(kWelcome);
  ASSERT_FALSE(onboarding.isEmpty()) << "no onboarding on first start";
  const QString mainWindow = waitForWindow(QStringLiteral("Pelmora"));
  ASSERT_FALSE(mainWindow.isEmpty());
  ASSERT_TRUE(waitForFocus(onboarding));
  // City as proposed; the sample data declined, so the list holds only what is typed here;
  // the floating widget as proposed.
  ASSERT_TRUE(keys(QStringLiteral("Return space Return Return")));
  ASSERT_TRUE(waitUntil([&] {
    return readJson(QStringLiteral("settings.json"))
        .value(QStringLiteral("hasCompletedOnboarding"))
        .toBool();
  })) << "onboarding did not finish";
  ASSERT_TRUE(waitUntilGone(kWelcome));
  ASSERT_TRUE(waitUntil([&] { return storedTasks().isEmpty(); })) << "the sample tasks stayed";

  // Ctrl+Shift+K opens a quick-capture window with the title ready for typing.
  ASSERT_TRUE(focusByClick(mainWindow));
  ASSERT_TRUE(keys(QStringLiteral("ctrl+shift+k")));
  const QString capture = waitForWindow(QStringLiteral("Quick Capture"));
  ASSERT_FALSE(capture.isEmpty()) << "Ctrl+Shift+K opened no quick capture";
  ASSERT_TRUE(waitForFocus(capture));
  ASSERT_TRUE(xdotool(QStringLiteral("type --delay 30"), {kTitle}).has_value());
  ASSERT_TRUE(keys(QStringLiteral("Return")));
  ASSERT_TRUE(waitUntil([&] { return taskCompleted(kTitle) == false; }))
      << "the captured task was not stored";
  ASSERT_TRUE(waitUntilGone(QStringLiteral("Quick Capture")))
      << "quick capture did not close after saving";

  // Ctrl+3 is the Tasks tab. From the tab list: past the three action rows and "Add Task" to
  // the filter, along it to "All", past the search field into the list; Space completes.
  ASSERT_TRUE(focusByClick(mainWindow));
  ASSERT_TRUE(
      keys(QStringLiteral("ctrl+3 Tab Tab Tab Tab Tab Right Right Right Right Tab Tab space")));
  ASSERT_TRUE(waitUntil([&] { return taskCompleted(kTitle) == true; }))
      << "the task was not completed from the Tasks tab";

  quitApp();
  EXPECT_EQ(taskCompleted(kTitle), true);

  // The second start reads it all back: no onboarding, the one task still done, and what the
  // app saves on its way out still holds it.
  startApp();
  const QString secondWindow = waitForWindow(QStringLiteral("Pelmora"));
  ASSERT_FALSE(secondWindow.isEmpty());
  // An absence cannot be awaited, but what comes after it can: the sheet would be shown on the
  // turn of the event loop after the window, long before the app handles a key pressed now.
  ASSERT_TRUE(focusByClick(secondWindow));
  ASSERT_TRUE(keys(QStringLiteral("ctrl+shift+k")));
  EXPECT_FALSE(waitForWindow(QStringLiteral("Quick Capture")).isEmpty())
      << "the second start took no keys";
  EXPECT_EQ(shown(kWelcome), QStringList()) << "onboarding came back on the second start";
  quitApp();
  EXPECT_EQ(storedTasks().size(), 1);
  EXPECT_EQ(taskCompleted(kTitle), true);
}

}  // namespace
