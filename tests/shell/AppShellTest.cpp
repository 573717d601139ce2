#include "app/platform/Theme.h"
#include "app/screens/settings/SettingsServices.h"
#include "app/shell/AppDelegate.h"
#include "app/screens/onboarding/OnboardingView.h"
#include "app/shell/FloatingWidgetPanel.h"
#include "app/shell/MainDashboardView.h"
#include "app/shell/TrayGlyph.h"
#include "app/shell/TrayPopup.h"
#include "app/shell/WindowManager.h"
#include "app/ui/PlainButton.h"
#include "common/TestSupport.h"
#include "core/email/EmailSyncCoordinator.h"
#include "core/model/DiagnosticLogger.h"
#include "core/platform/ICalendarFileEventStore.h"
#include "core/platform/Workspace.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/MinuteClock.h"
#include "core/services/MockNotificationService.h"
#include "core/store/DataStore.h"
#include "testing/FakeWeatherService.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>

namespace {

using testsupport::runTask;
using testsupport::utc;

QStringList logLines(const QString& subsystem) {
  QStringList lines;
  for (const auto& entry : DiagnosticLogger::shared().entries()) {
    if (entry.subsystem == subsystem) {
      lines.append(entry.message);
    }
  }
  return lines;
}

const QRect kScreen(0, 0, 1920, 1080);
const QRect kFreeArea(0, 32, 1920, 1048);

// The whole application as it starts, on a throw-away store, clock, screen and workspace.
class AppShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DiagnosticLogger::shared().clear();
    weather->answer = fetchedWeather();
  }
  static WeatherData fetchedWeather() {
    WeatherData data;
    data.temperature = 21;
    data.fetchedAt = utc(2026, 3, 10, 9, 30);
    return data;
  }
  void TearDown() override {
    delegate.reset();
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->objectName() == QStringLiteral("PelmoraQuickCapture")) {
        delete window;
      }
    }
  }

  void launch(std::function<void(AppSettings&)> configure = {}) {
    if (configure) {
      DataStore seed(folder.filePath(QStringLiteral("store")), nullptr, nullptr);
      AppSettings settings = seed.settings();
      configure(settings);
      seed.setSettings(settings);
      seed.saveSettings();
    }
    AppDelegate::Options options;
    options.storageFolder = folder.filePath(QStringLiteral("store"));
    options.makeEventStore = [this]() -> std::unique_ptr<EventStore> {
      return std::make_unique<ICalendarFileEventStore>(folder.filePath(QStringLiteral("cal")),
                                                       folder.filePath(QStringLiteral("cal")),
                                                       QTimeZone::utc());
    };
    options.seams.clock = [this] { return now; };
    options.seams.workspace = &workspace;
    options.seams.makeWeatherService = [this] { return weather; };
    options.seams.notificationService = &notifications;
    options.seams.screens = [this] { return screens; };
    options.seams.isSystemTrayAvailable = [this] { return trayAvailable; };
    if (!realQuit) {
      options.seams.quit = [this] { ++quits; };
    }
    options.seams.settingsFile = folder.filePath(QStringLiteral("frames.ini"));
    delegate = std::make_unique<AppDelegate>(options);
    delegate->applicationDidFinishLaunching();
  }

  WindowManager& manager() { return *delegate->windowManager(); }
  FloatingWidgetPanel& panel() { return *manager().floatingPanel(); }

  QTemporaryDir folder;
  QDateTime now = utc(2026, 3, 10, 9, 30);
  Workspace workspace;
  std::shared_ptr<FakeWeatherService> weather = std::make_shared<FakeWeatherService>();
  MockNotificationService notifications;
  QList<ScreenArea> screens{{kScreen, kFreeArea}};
  bool trayAvailable = true;
  int quits = 0;
  bool realQuit = false;  // quit through the application instead of counting
  std::unique_ptr<AppDelegate> delegate;
};

// The tray menu's Quit ends the app while its windows are open (they hide on close, and a
// quit that asked them first was refused); termination then stops every duty and saves, once.
TEST_F(AppShellTest, LaunchBuildsTheShellTrayQuitEndsTheLoopAndTerminationSavesOnce) {
  realQuit = true;
  launch([](AppSettings& s) { s.isWidgetFloating = true; });
  EXPECT_TRUE(manager().mainWindow()->isVisible());
  // The popup is built at the first click on the tray icon, not at launch.
  EXPECT_EQ(manager().popup(), nullptr);
  manager().togglePopover();
  ASSERT_NE(manager().popup(), nullptr);
  EXPECT_TRUE(manager().popup()->isVisible());
  manager().togglePopover();
  EXPECT_FALSE(manager().popup()->isVisible());
  EXPECT_TRUE(manager().weatherTimer()->isActive());
  EXPECT_TRUE(manager().isObservingWake());
  EXPECT_EQ(logLines(QStringLiteral("App")), QStringList{"Pelmora launched successfully."});

  ASSERT_NE(manager().trayIcon(), nullptr);
  QAction* quit = nullptr;
  for (QAction* action : manager().trayIcon()->contextMenu()->actions()) {
    if (action->text() == QStringLiteral("Quit Pelmora")) {
      quit = action;
    }
  }
  ASSERT_NE(quit, nullptr);
  QTimer::singleShot(0, quit, &QAction::trigger);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  watchdog.start(5000);
  EXPECT_EQ(QApplication::exec(), 0);

  delegate->store()->setDailyIntention(QStringLiteral("Ship it"));  // in memory only
  delegate->applicationWillTerminate();
  delegate->applicationWillTerminate();  // SIGTERM after the quit signal
  EXPECT_EQ(manager().weatherTimer(), nullptr);
  EXPECT_FALSE(manager().isObservingWake());
  EXPECT_EQ(logLines(QStringLiteral("App")),
            (QStringList{"Pelmora launched successfully.", "Pelmora terminated cleanly."}));
  DataStore reloaded(folder.filePath(QStringLiteral("store")), nullptr, nullptr);
  EXPECT_EQ(reloaded.dailyIntention(), QStringLiteral("Ship it"));
}

// What the settings store chooses is in force from the first frame of the start.
TEST_F(AppShellTest, StoredSettingsTakeEffectAtLaunch) {
  const AppThemeMode before = Theme::shared().mode();
  for (const bool on : {true, false}) {
    launch([on](AppSettings& s) {
      s.isEmailAssistantEnabled = on;
      s.isWidgetFloating = on;
      s.widgetOpacity = 0.6;
      s.weatherRefreshMinutes = on ? 5 : 120;  // never more often than every quarter hour
      s.theme = on ? AppThemeMode::dark : AppThemeMode::light;
    });
    EXPECT_EQ(manager().emailSyncCoordinator()->syncTimer() != nullptr, on);
    // A hidden widget is built only when first shown.
    ASSERT_EQ(manager().floatingPanel() != nullptr, on);
    if (on) {
      EXPECT_TRUE(panel().isVisible());
      EXPECT_TRUE(panel().isFloating());
      EXPECT_DOUBLE_EQ(panel().windowOpacity(), 0.6);
    }
    EXPECT_EQ(manager().weatherTimer()->interval(), (on ? 15 : 120) * 60 * 1000);
    EXPECT_TRUE(weather->requested.isEmpty());  // nothing at start-up
    EXPECT_EQ(Theme::shared().mode(), on ? AppThemeMode::dark : AppThemeMode::light);
    EXPECT_EQ(Theme::isDark(manager().mainWindow()->palette()), on);
    delegate.reset();
  }
  Theme::shared().setMode(before);
}

// The screens it hosts reach the running app through their environment: the settings' actions
// move the running panel and drive the running e-mail sync, and do nothing once it is gone.
TEST_F(AppShellTest, HostedScreensReachTheRunningAppThroughTheirEnvironment) {
  launch([](AppSettings& s) {
    s.isEmailAssistantEnabled = false;
    s.isWidgetFloating = true;
    s.widgetOpacity = 1.0;
  });
  const ScreenEnvironment env = manager().environment();
  const SettingsServices services = SettingsServices::system(env.app);
  EXPECT_EQ(env.app.emailSync(), manager().emailSyncCoordinator());

  AppSettings settings = delegate->store()->settings();
  settings.isWidgetFloating = false;
  settings.widgetOpacity = 0.6;
  delegate->store()->setSettings(settings);
  services.updateWidgetConfiguration();
  EXPECT_FALSE(panel().isFloating());
  EXPECT_DOUBLE_EQ(panel().windowOpacity(), 0.6);

  const EmailSyncCoordinator& sync = *manager().emailSyncCoordinator();
  ASSERT_EQ(sync.syncTimer(), nullptr);
  services.restartEmailSync(30);
  ASSERT_NE(sync.syncTimer(), nullptr);
  EXPECT_EQ(sync.syncTimer()->interval(), 30 * 60 * 1000);
  services.stopEmailSync();
  EXPECT_EQ(sync.syncTimer(), nullptr);

  delegate.reset();
  EXPECT_EQ(env.app.emailSync(), nullptr);
  EXPECT_FALSE(services.syncNow());
  services.updateWidgetConfiguration();
  services.updateEmailProvider();
}

TEST(AppShortcutTest, CtrlShiftLAndKMatchWhateverElseIsHeld) {
  const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    GlobalShortcut expected;
  } rows[] = {
      {Qt::Key_L, ctrlShift, GlobalShortcut::showMainWindow},
      {Qt::Key_L, ctrlShift | Qt::AltModifier, GlobalShortcut::showMainWindow},
      {Qt::Key_K, ctrlShift | Qt::MetaModifier | Qt::KeypadModifier,
       GlobalShortcut::newQuickCapture},
      {Qt::Key_L, Qt::ControlModifier, GlobalShortcut::none},
      {Qt::Key_K, Qt::ShiftModifier | Qt::AltModifier, GlobalShortcut::none},
      {Qt::Key_J, ctrlShift, GlobalShortcut::none},
      {Qt::Key_Comma, Qt::ControlModifier, GlobalShortcut::openSettings},
      {Qt::Key_Q, Qt::ControlModifier, GlobalShortcut::quit},
      {Qt::Key_Q, Qt::ControlModifier | Qt::KeypadModifier, GlobalShortcut::quit},
      {Qt::Key_Q, ctrlShift, GlobalShortcut::none},
      {Qt::Key_Q, Qt::AltModifier, GlobalShortcut::none},
      {Qt::Key_Comma, Qt::ControlModifier | Qt::AltModifier, GlobalShortcut::none},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(globalShortcutFor(row.key, row.modifiers), row.expected)
        << row.key << ' ' << row.modifiers.toInt();
  }
}

// Pelmora started again: whatever else of it is on screen, the main window comes forward,
// shown and not minimized. Only windows the window manager handles count as on screen.
TEST_F(AppShellTest, ReopenBringsTheMainWindowForwardWheneverItIsNotOnScreen) {
  launch();
  QMainWindow* window = manager().mainWindow();
  // What Qt's XEmbed tray icon is: a visible top-level that bypasses the window manager.
  QWidget trayIconWindow(nullptr, Qt::Window | Qt::FramelessWindowHint |
                                      Qt::BypassWindowManagerHint);
  const struct {
    const char* scene;
    std::function<void()> setUp;
    bool visibleWindows;
  } rows[] = {
      {"closed to the tray", [&] { window->close(); trayIconWindow.show(); }, false},
      {"minimized", [&] { window->showMinimized(); }, false},
      {"only the widget", [&] { window->close(); manager().toggleFloatingWidget(); }, true},
      {"already in front", [] {}, true},
  };
  for (const auto& row : rows) {
    row.setUp();
    EXPECT_EQ(AppDelegate::hasVisibleWindows(), row.visibleWindows) << row.scene;
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(AppDelegate::hasVisibleWindows()));
    EXPECT_TRUE(window->isVisible()) << row.scene;
    EXPECT_FALSE(window->isMinimized()) << row.scene;
    EXPECT_EQ(manager().mainWindow(), window) << "the same window, not a new one";
    trayIconWindow.hide();
    if (manager().floatingPanel()) {
      panel().hide();
    }
  }
  EXPECT_EQ(quits, 0) << "with a tray, closing only hides";
}

// Ctrl+, opens the settings sheet and Ctrl+Q quits through the app's quit path, from any of its
// windows; Ctrl+Shift+L brings the main window back, Ctrl+Shift+K opens a new capture each time.
TEST_F(AppShellTest, ShortcutsShowSettingsQuitShowTheMainWindowAndOpenANewCaptureEachTime) {
  launch();
  QMainWindow* window = manager().mainWindow();
  auto* dashboard = qobject_cast<MainDashboardView*>(window->centralWidget());
  ASSERT_NE(dashboard, nullptr);
  QTest::keyClick(window, Qt::Key_Comma, Qt::ControlModifier);
  EXPECT_TRUE(dashboard->state().isShowingSettings);
  window->close();
  QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(manager().mainWindow(), window);
  manager().showQuickCapture();
  QWidget* capture = QApplication::activeWindow();
  QTest::keyClick(capture != nullptr ? capture : window, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(quits, 1);

  QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
  int captures = 0;
  for (QWidget* capture : QApplication::topLevelWidgets()) {
    captures += capture->isVisible() && capture->windowTitle() == QStringLiteral("Quick Capture");
  }
  EXPECT_EQ(captures, 3);
}

// A quick capture is a small fixed form: a title and a close button, nothing to maximize,
// minimize or resize.
TEST_F(AppShellTest, QuickCaptureWindowIsTitledClosableAndFixed) {
  launch();
  manager().showQuickCapture();
  QWidget* capture = nullptr;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && window->objectName() == QStringLiteral("PelmoraQuickCapture")) {
      capture = window;
    }
  }
  ASSERT_NE(capture, nullptr);
  const Qt::WindowFlags flags = capture->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(capture->minimumSize(), QSize(440, 280));
  EXPECT_EQ(capture->maximumSize(), QSize(440, 280));
}

// A yes in onboarding shows the widget at once and at every later launch, pinned or not, until
// its own close control hides it.
TEST_F(AppShellTest, OnboardingYesShowsTheWidgetNowAndLaterUntilItsCloseControlHidesIt) {
  for (const bool keepPinned : {true, false}) {
    QDir(folder.filePath(QStringLiteral("store"))).removeRecursively();
    QFile::remove(folder.filePath(QStringLiteral("frames.ini")));
    launch([](AppSettings& s) { s.hasCompletedOnboarding = true; });
    ASSERT_EQ(manager().floatingPanel(), nullptr);
    {
      OnboardingView onboarding(manager().environment());
      for (int step = 0; step < 3; ++step) {
        QTest::keyClick(&onboarding, Qt::Key_Return);
      }
    }
    ASSERT_NE(manager().floatingPanel(), nullptr) << keepPinned;
    EXPECT_TRUE(panel().isVisible()) << keepPinned;
    if (!keepPinned) {
      AppSettings settings = delegate->store()->settings();
      settings.isWidgetFloating = false;
      delegate->store()->setSettings(settings);
      delegate->store()->saveSettings();
    }
    delegate.reset();
    launch();
    ASSERT_NE(manager().floatingPanel(), nullptr) << keepPinned;
    EXPECT_TRUE(panel().isVisible()) << keepPinned;
    EXPECT_EQ(panel().isFloating(), keepPinned);

    auto* close = panel().findChild<PlainButton*>(QStringLiteral("close"));
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(close->accessibleName().isEmpty());
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(panel().isVisible());
    delegate.reset();
    launch();
    EXPECT_EQ(manager().floatingPanel(), nullptr) << "closed stays closed";
    delegate.reset();
  }
}

// Each tray-popup action closes the popup and brings up its own window.
TEST_F(AppShellTest, EveryPopupActionClosesThePopupAndShowsItsWindow) {
  launch();
  const auto actions = manager().popoverActions();
  const std::pair<std::function<void()>, QString> rows[] = {
      {actions.onOpenDashboard, "PelmoraMainWindow"},
      {actions.onOpenSettings, "PelmoraMainWindow"},
      {actions.onToggleWidget, "PelmoraFloatingWidget"},
      {actions.onOpenQuickCapture, "PelmoraQuickCapture"}};
  for (const auto& [action, shows] : rows) {
    manager().mainWindow()->hide();
    if (manager().floatingPanel()) {
      panel().hide();
    }
    manager().togglePopover();
    ASSERT_TRUE(manager().popup()->isVisible());
    action();
    EXPECT_FALSE(manager().popup()->isVisible()) << shows.toStdString();
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [&](QWidget* window) {
      return window->isVisible() && window->objectName() == shows;
    })) << shows.toStdString();
  }
}

TEST_F(AppShellTest, WithoutATrayTheAppRunsWithItsMainWindow) {
  trayAvailable = false;
  launch();
  EXPECT_EQ(manager().trayIcon(), nullptr);
  EXPECT_TRUE(manager().mainWindow()->isVisible());
  EXPECT_EQ(logLines(QStringLiteral("App")).size(), 2);  // the warning, then the launch line
  // Nothing could bring a hidden window back or quit, so closing it quits.
  manager().mainWindow()->close();
  EXPECT_EQ(quits, 1);
}

TEST_F(AppShellTest, PanelTogglesAndHidesOnCloseWhereItWas) {
  launch([](AppSettings& s) { s.widgetOpacity = 0.8; });
  manager().toggleFloatingWidget();
  FloatingWidgetPanel* built = &panel();
  ASSERT_TRUE(panel().isVisible());
  EXPECT_FALSE(panel().isFloating());  // isWidgetFloating off: an ordinary window
  EXPECT_DOUBLE_EQ(panel().windowOpacity(), 0.8);
  panel().move(300, 200);
  panel().close();
  EXPECT_FALSE(panel().isVisible());
  manager().toggleFloatingWidget();
  EXPECT_EQ(manager().floatingPanel(), built);
  EXPECT_EQ(panel().pos(), QPoint(300, 200));
}

TEST(PanelRescueTest, OnlyAPanelOutsideEveryFreeAreaMoves) {
  const QList<ScreenArea> twoScreens{{kScreen, kFreeArea},
                                     {QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1024)}};
  const QSize size(280, 180);
  const struct {
    QPoint at;
    QList<ScreenArea> screens;
    std::optional<QPoint> expected;
  } rows[] = {
      {{100, 100}, twoScreens, std::nullopt},
      {{2500, 500}, twoScreens, std::nullopt},                       // on the second display
      {{4000, 500}, twoScreens, QPoint(1920 - 280 - 24, 32 + 48)},   // display gone
      {{2500, 1100}, twoScreens, QPoint(1920 - 280 - 24, 32 + 48)},  // below everything
      {{100, -170}, twoScreens, QPoint(1920 - 280 - 24, 32 + 48)},   // only under the top bar
      {{4000, 500}, {}, std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(rescuedPanelPosition(QRect(row.at, size), row.screens), row.expected)
        << row.at.x() << ',' << row.at.y();
  }
}

// On an XEmbed tray the glyph is drawn to stand out from the panel seen around it.
TEST(TrayGlyphTest, LightOnADarkPanelDarkOnALightOne) {
  const auto panel = [](const QColor& colour, std::optional<QColor> glyph) {
    QImage shot(24, 24, QImage::Format_RGB32);
    shot.fill(colour);
    if (glyph) {
      QPainter(&shot).fillRect(QRect(4, 4, 16, 16), *glyph);  // the icon drawn so far
    }
    return shot;
  };
  const struct {
    QImage shot;
    bool light;
  } rows[] = {
      {panel(QColor(0x22, 0x22, 0x22), std::nullopt), true},
      {panel(QColor(0x22, 0x22, 0x22), QColor(Qt::black)), true},
      {panel(QColor(0xee, 0xee, 0xec), QColor(Qt::white)), false},
      {panel(QColor(0x3d, 0x84, 0xe0), std::nullopt), true},  // a saturated blue
      {panel(QColor(0xf0, 0xc0, 0x40), std::nullopt), false},  // amber
  };
  for (const auto& row : rows) {
    const auto colour = tray_glyph::colorOver(row.shot);
    ASSERT_TRUE(colour.has_value());
    EXPECT_EQ(colour->lightnessF() > 0.5, row.light) << row.shot.pixelColor(0, 0).name().toStdString();
  }
  EXPECT_EQ(tray_glyph::colorOver(QImage()), std::nullopt);
}

TEST(PopupPlacementTest, UnderTheIconOrAboveItAndAlwaysOnScreen) {
  const QSize size(300, 420);
  const struct {
    QRect icon;
    QPoint cursor;
    QPoint expected;
  } rows[] = {
      {QRect(1000, 0, 24, 24), {}, {1011 - 150, 32}},                 // top bar
      {QRect(1000, 1056, 24, 24), {}, {1011 - 150, 1056 - 4 - 420}},  // bottom panel
      {QRect(1900, 0, 20, 24), {}, {1920 - 300, 32}},                 // right corner
      {QRect(), {500, 600}, {500 - 150, 600 + 1 + 4}},                // no icon: the cursor
      {QRect(), {500, 900}, {500 - 150, 900 - 4 - 420}},
      {QRect(), {10, 10}, {0, 32}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(popupPosition(row.icon, row.cursor, size, kFreeArea), row.expected)
        << row.icon.x() << ',' << row.icon.y();
  }
}

// A weather the store refuses (it would not read back) is kept out and not logged as a success.
TEST_F(AppShellTest, WeatherRefreshStoresSuccessOnlyAndSkipsAnEmptyCity) {
  WeatherData unreadable = fetchedWeather();
  unreadable.temperature = std::numeric_limits<double>::infinity();
  const struct {
    QString city;
    bool fails;
    int fetches;
    bool stored;
    std::optional<WeatherData> answer = std::nullopt;  // other than the usual one
  } rows[] = {
      {QString(), false, 0, false},
      {QStringLiteral("Berlin"), true, 1, false},
      {QStringLiteral("  "), false, 1, true},  // blanks are a city
      {QStringLiteral("Oslo"), false, 1, false, unreadable},
  };
  for (const auto& row : rows) {
    DiagnosticLogger::shared().clear();
    weather = std::make_shared<FakeWeatherService>();
    weather->answer =
        row.fails
            ? decltype(weather->answer)(WeatherError::networkFailure(QStringLiteral("offline")))
            : row.answer.value_or(fetchedWeather());
    launch([&row](AppSettings& s) { s.weatherCity = row.city; });
    const auto before = delegate->store()->cachedWeather();
    runTask(manager().refreshWeatherIfNeeded());
    EXPECT_EQ(weather->requested.size(), row.fetches) << row.city.toStdString();
    EXPECT_EQ(delegate->store()->cachedWeather() != before, row.stored) << row.city.toStdString();
    EXPECT_EQ(
        DataStore(folder.filePath(QStringLiteral("store")), nullptr, nullptr).cachedWeather() !=
            before,
        row.stored);
    EXPECT_EQ(logLines(QStringLiteral("Weather")).size(), row.stored ? 1 : 0)
        << row.city.toStdString();
    delegate.reset();
  }
}

// A focus interval that ended while the machine slept or the app sat in the background is
// stored when the app notices, and announced only when asked; a wake also brings a panel left
// on a vanished display back and refreshes the weather.
TEST_F(AppShellTest, WakeOrReturnFinishesAnExpiredFocus) {
  for (const bool wake : {true, false}) {
    notifications.focusNotifications.clear();
    launch([wake](AppSettings& s) {
      s.weatherCity = QStringLiteral("Oslo");
      s.isWidgetFloating = true;
      s.notifyFocusComplete = wake;
    });
    const int sessions = delegate->store()->focusSessions().size();
    delegate->focusTimer()->start(FocusSessionType::focus, std::nullopt, QStringLiteral("Report"),
                                  now);
    now = now.addSecs(3 * 3600);
    if (wake) {
      panel().move(5000, 5000);
      // The clock the screens' times follow ticks at once: the minute moved on in the sleep.
      QSignalSpy ticks(manager().environment().minuteClock.data(), &MinuteClock::minuteChanged);
      Q_EMIT workspace.didWake();
      EXPECT_EQ(ticks.count(), 1);
      QTRY_COMPARE(
          logLines(QStringLiteral("System")).count("Application handled system wake cleanly."), 1);
      EXPECT_EQ(panel().pos(), QPoint(1920 - panel().width() - 24, 32 + 48));
      EXPECT_EQ(weather->requested, QStringList{"Oslo"});
    } else {
      Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    }
    EXPECT_EQ(delegate->focusTimer()->status(), TimerStatus::completed) << wake;
    EXPECT_EQ(delegate->store()->focusSessions().size(), sessions + 1) << wake;
    EXPECT_EQ(notifications.focusNotifications.size(), wake ? 1 : 0);
    delegate.reset();
  }
}

// A hidden app wakes no more often for the clock: it runs only while the main window, the widget
// or the popup is on screen, and ticks when one comes back, since what it shows is old.
TEST_F(AppShellTest, TheMinuteClockRunsOnlyWhileATimeIsOnScreen) {
  launch([](AppSettings& s) { s.isWidgetFloating = false; });
  const QPointer<MinuteClock> minutes = manager().environment().minuteClock;
  ASSERT_TRUE(minutes);
  EXPECT_TRUE(minutes->isActive());
  manager().mainWindow()->hide();
  EXPECT_FALSE(minutes->isActive());
  QSignalSpy ticks(minutes.data(), &MinuteClock::minuteChanged);
  manager().showMainWindow();
  EXPECT_TRUE(minutes->isActive());
  EXPECT_EQ(ticks.count(), 1);
  manager().mainWindow()->showMinimized();
  EXPECT_FALSE(minutes->isActive());
}

// The minute clock the screens' times follow runs from launch; quitting with the windows open
// stops it and the mail sync, and keeps the main window's size and the widget's place: the next
// launch opens them so (the main window centred).
TEST_F(AppShellTest, TerminationStopsTheSyncAndTheNextLaunchOpensTheWindowsWhereTheyWere) {
  launch([](AppSettings& s) {
    s.isEmailAssistantEnabled = true;
    s.isWidgetFloating = true;
  });
  ASSERT_NE(manager().emailSyncCoordinator()->syncTimer(), nullptr);
  const QPointer<MinuteClock> minutes = manager().environment().minuteClock;
  ASSERT_TRUE(minutes);
  EXPECT_TRUE(minutes->isActive());
  const QRect mainFrame(140, 120, 900, 640);
  manager().mainWindow()->setGeometry(mainFrame);
  panel().move(300, 200);
  const QPoint panelAt = panel().pos();
  delegate->applicationWillTerminate();
  EXPECT_EQ(manager().emailSyncCoordinator()->syncTimer(), nullptr);
  EXPECT_FALSE(minutes->isActive());
  delegate.reset();

  launch();
  EXPECT_EQ(manager().mainWindow()->size(), mainFrame.size());
  EXPECT_EQ(panel().pos(), panelAt);
}

}  // namespace
