#include "app/shell/AppDelegate.h"

#include "app/platform/Theme.h"
#include "core/model/DiagnosticLogger.h"
#include "core/platform/DesktopEventStore.h"
#include "core/services/CalendarService.h"
#include "core/services/FocusTimerManager.h"
#include "core/services/NotificationService.h"
#include "core/store/DataStore.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>

GlobalShortcut globalShortcutFor(int key, Qt::KeyboardModifiers modifiers) {
  // Ctrl+Shift ones take any further modifier; plain Ctrl ones only the keypad's.
  const struct {
    int key;
    bool shifted;
    GlobalShortcut shortcut;
  } bindings[] = {
      {Qt::Key_L, true, GlobalShortcut::showMainWindow},
      {Qt::Key_K, true, GlobalShortcut::newQuickCapture},
      {Qt::Key_Comma, false, GlobalShortcut::openSettings},
      {Qt::Key_Q, false, GlobalShortcut::quit},
  };
  const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
  for (const auto& binding : bindings) {
    const bool held = binding.shifted ? (modifiers & ctrlShift) == ctrlShift
                                      : (modifiers & ~Qt::KeypadModifier) == Qt::ControlModifier;
    if (binding.key == key && held) {
      return binding.shortcut;
    }
  }
  return GlobalShortcut::none;
}

AppDelegate::AppDelegate(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {}

AppDelegate::~AppDelegate() {
  qApp->removeEventFilter(this);
  // The window manager holds the store and the timer; it goes first.
  windowManager_.reset();
  focusTimer_.reset();
  store_.reset();
}

void AppDelegate::applicationDidFinishLaunching() {
  if (store_) {
    return;
  }
  notificationService_ = std::make_unique<NotificationService>();
  calendarService_ = std::make_unique<CalendarService>(
      options_.makeEventStore ? options_.makeEventStore() : std::make_unique<DesktopEventStore>());
  store_ = std::make_unique<DataStore>(options_.storageFolder, notificationService_.get(),
                                       calendarService_.get(), options_.seams.clock);
  const AppSettings& settings = store_->settings();
  // Before any window exists, so the first frame is already in the chosen appearance.
  Theme::shared().setMode(settings.theme);
  focusTimer_ = options_.seams.clock
                    ? std::make_unique<FocusTimerManager>(
                          settings.focusDurationMinutes, settings.shortBreakDurationMinutes,
                          settings.longBreakDurationMinutes, settings.sessionsBeforeLongBreak,
                          options_.seams.clock)
                    : std::make_unique<FocusTimerManager>(
                          settings.focusDurationMinutes, settings.shortBreakDurationMinutes,
                          settings.longBreakDurationMinutes, settings.sessionsBeforeLongBreak);
  windowManager_ =
      std::make_unique<WindowManager>(store_.get(), focusTimer_.get(), options_.seams);
  windowManager_->setupApp();
  windowManager_->showMainWindow();
  qApp->installEventFilter(this);
  DiagnosticLogger::shared().log(QStringLiteral("Pelmora launched successfully."),
                                 QStringLiteral("INFO"), QStringLiteral("App"));
}

bool AppDelegate::hasVisibleWindows() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) {
    const Qt::WindowType type = window->windowType();
    // The XEmbed tray icon is a visible top-level that bypasses the window manager.
    const bool managed = type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen &&
                         !window->windowFlags().testFlag(Qt::BypassWindowManagerHint);
    return managed && window->isVisible() && !window->isMinimized();
  });
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
  // With nothing of ours on screen the main window is shown; with only the widget, a quick
  // capture or a minimized main window on screen it comes forward all the same, as a second
  // start of a running app does elsewhere.
  static_cast<void>(hasVisibleWindows);
  if (windowManager_) {
    windowManager_->showMainWindow();
  }
  return true;
}

void AppDelegate::applicationWillTerminate() {
  if (terminated_) {
    return;
  }
  terminated_ = true;
  if (windowManager_) {
    windowManager_->cleanup();
  }
  if (store_) {
    store_->save();
  }
  DiagnosticLogger::shared().log(QStringLiteral("Pelmora terminated cleanly."),
                                 QStringLiteral("INFO"), QStringLiteral("App"));
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !windowManager_) {
    return QObject::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  switch (globalShortcutFor(key->key(), key->modifiers())) {
    case GlobalShortcut::showMainWindow:
      windowManager_->showMainWindow();
      return true;
    case GlobalShortcut::newQuickCapture:
      windowManager_->showQuickCapture();
      return true;
    case GlobalShortcut::openSettings:
      windowManager_->showSettingsSheet();
      return true;
    case GlobalShortcut::quit:
      windowManager_->quitApplication();
      return true;
    case GlobalShortcut::none:
      break;
  }
  return QObject::eventFilter(watched, event);
}
