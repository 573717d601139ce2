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
    for (QProcess* part : {&tray_, &windowManager_}) {
      if (part->state() != QProcess::NotRunning) {
        part->terminate();
        if (!part->waitForFinished(5000)) {
          part->kill();
          part->waitForFinished();
        }
      }
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

  // A desktop as people have it: a window manager (openbox) and a panel with a tray (tint2).
  void startDesktop() {
    for (const char* tool : {"openbox", "tint2", "xprop"}) {
      ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
          << tool << " is missing; `make deps` installs it";
    }
    for (auto [process, program] : {std::pair{&windowManager_, "openbox"}, {&tray_, "tint2"}}) {
      process->setProcessEnvironment(environment_);
      process->setStandardOutputFile(QProcess::nullDevice());
      process->setStandardErrorFile(QProcess::nullDevice());
      process->start(QString::fromLatin1(program), {});
      ASSERT_TRUE(process->waitForStarted()) << program;
    }
    ASSERT_TRUE(waitUntil([&] {
      return xprop(QStringLiteral("-root _NET_SUPPORTING_WM_CHECK")).contains("window id");
    })) << "openbox did not start";
    ASSERT_FALSE(xdotool(QStringLiteral("search --sync --class tint2"), {}, kTimeout)
                     .value_or(QString())
                     .isEmpty())
        << "tint2 did not start";
    // The panel takes the tray's selection right after its window appears.
    QThread::msleep(500);
  }

  // xprop's output for the words of `arguments`.
  QString xprop(const QString& arguments) {
    QProcess tool;
    tool.setProcessEnvironment(environment_);
    tool.start(QStringLiteral("xprop"), arguments.split(QLatin1Char(' ')));
    if (!tool.waitForFinished(10000)) {
      tool.kill();
      tool.waitForFinished();
      return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
  }

  // First start on an empty folder: the onboarding sheet over the main window, answered with the
  // city as proposed, the sample data declined (so the list holds only what is typed later)
  // and the floating widget as proposed. `mainWindow` is the main window's id.
  void answerOnboarding(QString& mainWindow) {
    const QString onboarding = waitForWindow(kWelcome);
    ASSERT_FALSE(onboarding.isEmpty()) << "no onboarding on first start";
    mainWindow = waitForWindow(QStringLiteral("Pelmora"));
    ASSERT_FALSE(mainWindow.isEmpty());
    ASSERT_TRUE(waitForFocus(onboarding));
    ASSERT_TRUE(keys(QStringLiteral("Return space Return Return")));
  }

  // The widget a yes in onboarding shows, dragged down to the bottom-left corner, off the main
  // window that the clicks below aim at.
  void moveWidgetAside() {
    const QString widget = waitForWindow(QStringLiteral("Pelmora Widget"));
    ASSERT_FALSE(widget.isEmpty()) << "the widget did not appear after onboarding";
    ASSERT_TRUE(xdotool(QStringLiteral("windowmove"), {widget, QStringLiteral("0"),
                                                       QStringLiteral("700")})
                    .has_value());
  }

  // Pelmora started while it runs: it hands over to the running one and ends.
  void startAgain() {
    QProcess again;
    again.setProcessEnvironment(environment_);
    again.setProcessChannelMode(QProcess::MergedChannels);
    again.setStandardOutputFile(output(), QIODevice::Append);
    again.start(QStringLiteral(PELMORA_APP_BINARY), {});
    ASSERT_TRUE(again.waitForFinished(20000)) << "the second start did not end";
    EXPECT_EQ(again.exitCode(), 0);
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
  QProcess windowManager_;
  QProcess tray_;
  QProcess app_;
  QProcessEnvironment environment_;
  QString kept_;
};

TEST_F(FirstRunTest, OnboardingCaptureCompleteQuitAndTheTaskIsStillDone) {
  startApp();
  QString mainWindow;
  ASSERT_NO_FATAL_FAILURE(answerOnboarding(mainWindow));
  ASSERT_TRUE(waitUntil([&] {
    return readJson(QStringLiteral("settings.json"))
        .value(QStringLiteral("hasCompletedOnboarding"))
        .toBool();
  })) << "onboarding did not finish";
  ASSERT_TRUE(waitUntilGone(kWelcome));
  ASSERT_TRUE(waitUntil([&] { return storedTasks().isEmpty(); })) << "the sample tasks stayed";
  ASSERT_NO_FATAL_FAILURE(moveWidgetAside());

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

// With a tray and a window manager: a yes in onboarding shows the widget at once, outside the
// taskbar; starting Pelmora again brings the main window back after it was closed to the tray
// (with only the widget left on screen) and after it was minimized.
TEST_F(FirstRunTest, StartingAgainBringsBackTheMainWindowClosedToTheTrayOrMinimized) {
  ASSERT_NO_FATAL_FAILURE(startDesktop());
  startApp();
  QString mainWindow;
  ASSERT_NO_FATAL_FAILURE(answerOnboarding(mainWindow));
  ASSERT_NO_FATAL_FAILURE(moveWidgetAside());
  const QString widget = waitForWindow(QStringLiteral("Pelmora Widget"));
  EXPECT_TRUE(xprop(QStringLiteral("-id ") + widget + QStringLiteral(" _NET_WM_STATE"))
                  .contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")))
      << "the widget would show in the taskbar";

  ASSERT_TRUE(focusByClick(mainWindow));
  ASSERT_TRUE(keys(QStringLiteral("alt+F4")));  // openbox's Close
  ASSERT_TRUE(waitUntilGone(QStringLiteral("Pelmora"))) << "the main window did not close";
  ASSERT_EQ(app_.state(), QProcess::Running) << "with a tray, closing must not quit";
  startAgain();
  EXPECT_FALSE(waitForWindow(QStringLiteral("Pelmora")).isEmpty())
      << "closed to the tray: a second start did not bring the main window back";

  ASSERT_TRUE(xdotool(QStringLiteral("windowminimize"), {mainWindow}).has_value());
  ASSERT_TRUE(waitUntilGone(QStringLiteral("Pelmora"))) << "the main window did not minimize";
  startAgain();
  EXPECT_FALSE(waitForWindow(QStringLiteral("Pelmora")).isEmpty())
      << "minimized: a second start did not bring the main window back";
  quitApp();
}

}  // namespace
